# The Windows side of the cross build: the plug-in DLL and the host emulator.
enable_language(RC)

# The C and C++ runtimes are linked in, so the DLL loads on a machine with nothing installed.
set(QZ_STATIC_RUNTIME -static -static-libgcc -static-libstdc++)

add_library(qzmotifgraft64 SHARED
  $<TARGET_OBJECTS:qz_exports>
  resources/qzmotifgraft64.def
  resources/version.rc)
target_link_libraries(qzmotifgraft64 PRIVATE qz_core ${QZ_STATIC_RUNTIME})
set_target_properties(qzmotifgraft64 PROPERTIES PREFIX "" SUFFIX ".fxt" OUTPUT_NAME qzmotifgraft64)
target_link_options(qzmotifgraft64 PRIVATE -Wl,--no-undefined)

# The host emulator, under the names the plug-in looks for and under one it does not. The
# simulator is linked whole: nothing in the emulator calls its FX_ functions, yet the program
# must export them for the plug-in to find with GetProcAddress. The scenarios judge a CREATE with
# the document checks of the fuzz targets.
file(GLOB QZ_EMULATOR_SOURCES CONFIGURE_DEPENDS hostsim/emulator/*.cc tests/e2e/*.cc)
add_library(qz_emulator OBJECT  # compiled once, linked three times
  ${QZ_EMULATOR_SOURCES} tests/fuzz/support/score_snapshot.cc)
target_include_directories(qz_emulator PUBLIC . src tests/e2e tests/fuzz)
target_compile_definitions(qz_emulator PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
target_link_libraries(qz_emulator PUBLIC qz_hostsim)
foreach(exe FINALE FINDEMO HOSTLESS)
  add_executable(${exe} $<TARGET_OBJECTS:qz_emulator>)
  target_link_libraries(${exe} PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,qz_hostsim>" qz_core
    version shell32 user32 ${QZ_STATIC_RUNTIME})
  set_target_properties(${exe} PROPERTIES OUTPUT_NAME ${exe} SUFFIX ".EXE" ENABLE_EXPORTS ON)
endforeach()

enable_testing()
include(${CMAKE_SOURCE_DIR}/tests/e2e/scenarios.cmake)
