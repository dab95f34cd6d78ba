# The corpus tests (included by this folder's CMakeLists.txt): real MusicXML files that nobody on
# the team wrote, run through `motifgraft` as a black box and judged by an independent checker.
#   musicxml.corpus             round trips, refusals, generated choices with invariant checks
#   musicxml.corpus.sample      the same over the bundled sample score
#   musicxml.corpus.edges       the same over hand-written scores (scores/)
#   musicxml.corpus.musescore   every rewritten output imported by MuseScore 3 (label musescore)
#   musicxml.invariants.*       the checker's own cases: it must catch what it claims to catch
find_package(PkgConfig REQUIRED)
pkg_check_modules(QZ_CORPUS_ZIP REQUIRED IMPORTED_TARGET libzip)

set(QZ_CORPUS_DIR ${CMAKE_CURRENT_SOURCE_DIR})
add_library(qz_corpus_checks STATIC
  ${QZ_CORPUS_DIR}/corpus_digest.cc ${QZ_CORPUS_DIR}/corpus_interleave.cc ${QZ_CORPUS_DIR}/corpus_json.cc
  ${QZ_CORPUS_DIR}/corpus_process.cc ${QZ_CORPUS_DIR}/corpus_zip.cc
  ${QZ_CORPUS_DIR}/invariant_checks.cc ${QZ_CORPUS_DIR}/invariant_notation.cc
  ${QZ_CORPUS_DIR}/invariant_removals.cc
  ${QZ_CORPUS_DIR}/invariant_score.cc)
# The checker parses with the same pugixml build as the tool: a program holds one pugixml.
target_link_libraries(qz_corpus_checks PUBLIC qz_pugixml PkgConfig::QZ_CORPUS_ZIP)

add_executable(corpus_run ${QZ_CORPUS_DIR}/corpus_run.cc)
target_link_libraries(corpus_run PRIVATE qz_corpus_checks)
add_dependencies(corpus_run motifgraft)
add_executable(corpus_musescore ${QZ_CORPUS_DIR}/corpus_musescore.cc)
target_link_libraries(corpus_musescore PRIVATE qz_corpus_checks)

# Each corpus test also compares the fingerprint of every output of every run of the tool with
# the one kept in digests/ (corpus_digest.h), so any changed byte the tool writes or prints
# fails it. `cmake --build --preset native --target corpus_digests` writes them anew, for a
# change of behaviour that is meant.
add_custom_target(corpus_digests)
function(qz_corpus_test name data work choices digest)
  set(run corpus_run --tool $<TARGET_FILE:motifgraft> --data ${data}
      --work ${CMAKE_CURRENT_BINARY_DIR}/${work} --choices ${choices})
  add_test(NAME ${name} COMMAND ${run} --digest ${QZ_CORPUS_DIR}/digests/${digest} ${ARGN})
  add_custom_command(TARGET corpus_digests POST_BUILD
    COMMAND ${run} --digest-write ${QZ_CORPUS_DIR}/digests/${digest} VERBATIM)
endfunction()
add_dependencies(corpus_digests corpus_run)

set(QZ_CORPUS_OUTPUTS ${CMAKE_CURRENT_BINARY_DIR}/corpus-outputs)
qz_corpus_test(musicxml.corpus ${CMAKE_SOURCE_DIR}/tests/data/musicxml-testsuite/xmlFiles
               corpus-work 12 corpus.digest --keep ${QZ_CORPUS_OUTPUTS})
set_tests_properties(musicxml.corpus PROPERTIES
  LABELS musicxml FIXTURES_SETUP qz_corpus_outputs TIMEOUT 1200)

# The bundled sample through the same checks (no outputs kept: it is ours, not real music).
qz_corpus_test(musicxml.corpus.sample ${CMAKE_SOURCE_DIR}/samples sample-work 40 sample.digest)
set_tests_properties(musicxml.corpus.sample PROPERTIES LABELS musicxml TIMEOUT 300)

# Hand-written scores with the edges real music has: slurs and ties over barlines, articulated
# sources over rests, accidentals against the key and another voice, a short source, voices
# that alternate within a measure.
qz_corpus_test(musicxml.corpus.edges ${QZ_CORPUS_DIR}/scores edges-work 40 edges.digest)
set_tests_properties(musicxml.corpus.edges PROPERTIES LABELS musicxml TIMEOUT 300)

add_test(NAME musicxml.corpus.musescore
  COMMAND corpus_musescore --outputs ${QZ_CORPUS_OUTPUTS}
          --work ${CMAKE_CURRENT_BINARY_DIR}/musescore-work)
set_tests_properties(musicxml.corpus.musescore PROPERTIES
  LABELS "musicxml;musescore" FIXTURES_REQUIRED qz_corpus_outputs TIMEOUT 900 SKIP_RETURN_CODE 77)

add_executable(invariant_selftest ${QZ_CORPUS_DIR}/invariant_selftest.cc)
target_link_libraries(invariant_selftest PRIVATE qz_corpus_checks GTest::gtest_main)
gtest_discover_tests(invariant_selftest TEST_PREFIX "musicxml.invariants."
  PROPERTIES LABELS musicxml DISCOVERY_TIMEOUT 60)
