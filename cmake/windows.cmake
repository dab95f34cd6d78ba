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

# The host emulator, under the names the plug-in looks for and under one it does not.
file(GLOB QZ_EMULATOR_SOURCES CONFIGURE_DEPENDS hostsim/emulator/*.cc tests/e2e/*.cc)
foreach(exe FINALE FINDEMO HOSTLESS)
  add_executable(${exe} ${QZ_EMULATOR_SOURCES})
  target_link_libraries(${exe} PRIVATE qz_hostsim version ${QZ_STATIC_RUNTIME})
  target_include_directories(${exe} PRIVATE . src tests/e2e)
  set_target_properties(${exe} PROPERTIES OUTPUT_NAME ${exe} SUFFIX ".EXE"
    ENABLE_EXPORTS ON)
endforeach()

enable_testing()
include(${CMAKE_SOURCE_DIR}/tests/e2e/scenarios.cmake OPTIONAL)
