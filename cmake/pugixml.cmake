# pugixml, compiled with the project from Debian's source (scripts/packages.sh,
# ensure_native_sources) in its compact mode: a node of a parsed score takes about 12 bytes
# instead of 64, so that the tool's peak memory stays a small multiple of the file it reads.
# Every build (native, sanitizers, fuzzing, WebAssembly) compiles it with its own flags.
file(GLOB QZ_PUGIXML_CANDIDATES ${CMAKE_SOURCE_DIR}/build/deps/src/pugixml-*/src/pugixml.cpp)
list(SORT QZ_PUGIXML_CANDIDATES)
list(POP_BACK QZ_PUGIXML_CANDIDATES QZ_PUGIXML_FOUND)
set(QZ_PUGIXML_SOURCE "${QZ_PUGIXML_FOUND}" CACHE FILEPATH "pugixml.cpp of pugixml's source")
if(NOT EXISTS "${QZ_PUGIXML_SOURCE}")
  message(FATAL_ERROR "pugixml's source is missing: the build scripts unpack Debian's "
                      "(`source scripts/packages.sh && ensure_native_sources`), or set QZ_PUGIXML_SOURCE")
endif()
get_filename_component(QZ_PUGIXML_INCLUDE "${QZ_PUGIXML_SOURCE}" DIRECTORY)

add_library(qz_pugixml STATIC "${QZ_PUGIXML_SOURCE}")
target_include_directories(qz_pugixml SYSTEM PUBLIC "${QZ_PUGIXML_INCLUDE}")
target_compile_definitions(qz_pugixml PUBLIC PUGIXML_COMPACT)
# Not our code: its warnings are not ours to fix.
target_compile_options(qz_pugixml PRIVATE -w)
