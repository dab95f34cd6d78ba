# One ctest test per end-to-end scenario, each a fresh emulator process under Wine.
#
# The scenarios are found in the sources: every line `QZ_SCENARIO(name, PROGRAM, "labels")` of
# tests/e2e/*.cc becomes the test e2e.<name>, run as PROGRAM.EXE <plug-in> <name> through
# CMAKE_CROSSCOMPILING_EMULATOR (Wine). All of them share one Wine prefix in the build tree,
# prepared once by the fixture e2e.wine_prefix and its wineserver stopped by e2e.wine_stop.
# Scenarios labelled "engine" need the pattern engine; `ctest -LE engine` leaves them out.

set(QZ_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(QZ_WINE_ENV
  WINEPREFIX=${QZ_WINE_PREFIX}
  WINEDEBUG=-all
  WINEDLLOVERRIDES=mscoree,mshtml=)

add_test(NAME e2e.wine_prefix
  COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/wine-prefix.sh start ${QZ_WINE_PREFIX})
add_test(NAME e2e.wine_stop
  COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/wine-prefix.sh stop ${QZ_WINE_PREFIX})
set_tests_properties(e2e.wine_prefix PROPERTIES
  FIXTURES_SETUP wine ENVIRONMENT "${QZ_WINE_ENV}" TIMEOUT 300 LABELS e2e)
set_tests_properties(e2e.wine_stop PROPERTIES
  FIXTURES_CLEANUP wine ENVIRONMENT "${QZ_WINE_ENV}" TIMEOUT 60 LABELS e2e)

function(qz_add_scenario name program labels)
  add_test(NAME e2e.${name} COMMAND ${program} $<TARGET_FILE:qzmotifgraft64> ${name})
  separate_arguments(label_list UNIX_COMMAND "${labels}")
  set_tests_properties(e2e.${name} PROPERTIES
    FIXTURES_REQUIRED wine
    ENVIRONMENT "${QZ_WINE_ENV}"
    TIMEOUT 90
    LABELS "e2e;${label_list}")
endfunction()

file(GLOB QZ_SCENARIO_FILES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cc)
set(QZ_SCENARIO_PATTERN "^QZ_SCENARIO\\(([a-z0-9_]+), *([A-Z]+), *\"([a-z ]*)\"\\)")
foreach(file ${QZ_SCENARIO_FILES})
  # Re-run the configuration when a scenario is added or renamed.
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
  file(STRINGS ${file} lines REGEX "^QZ_SCENARIO\\(")
  foreach(line ${lines})
    if(NOT line MATCHES "${QZ_SCENARIO_PATTERN}")
      message(FATAL_ERROR "${file}: cannot read the scenario line: ${line}")
    endif()
    qz_add_scenario(${CMAKE_MATCH_1} ${CMAKE_MATCH_2} "${CMAKE_MATCH_3}")
  endforeach()
endforeach()

# The demo is no scenario of its own, but it must keep running.
qz_add_scenario(demo FINALE "demo")
