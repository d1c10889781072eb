# Configures and builds the clang sub-build that holds the fuzz target, then
# runs it for a fixed number of inputs. Run with cmake -P; see fuzz.cmake.
foreach(var SOURCE_DIR BUILD_DIR RUNS)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()

# FUZZ_TARGET picks the fuzz target (fuzz_picture by default); its seeds are the
# files in tests/fuzz/seeds, or in tests/fuzz/seeds/reader for fuzz_reader.
if(NOT DEFINED FUZZ_TARGET)
  set(FUZZ_TARGET fuzz_picture)
endif()

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}")
  endif()
endfunction()

# The preset "fuzz" (CMakePresets.json): clang with the fuzzer and both
# sanitizers.
run(${CMAKE_COMMAND} -S ${SOURCE_DIR} --preset fuzz -B ${BUILD_DIR})
run(${CMAKE_COMMAND} --build ${BUILD_DIR} --target ${FUZZ_TARGET} -j2)

# A fresh corpus each run, so every run does the same work.
set(corpus ${BUILD_DIR}/${FUZZ_TARGET}-corpus)
file(REMOVE_RECURSE ${corpus})
file(MAKE_DIRECTORY ${corpus})
if(FUZZ_TARGET STREQUAL "fuzz_reader")
  file(GLOB seeds LIST_DIRECTORIES false ${SOURCE_DIR}/tests/fuzz/seeds/reader/*)
else()
  file(GLOB seeds LIST_DIRECTORIES false ${SOURCE_DIR}/tests/fuzz/seeds/*)
  list(APPEND seeds ${SOURCE_DIR}/resources/clue-picture.jpg)
endif()
list(JOIN seeds "," seed_list)
run(${BUILD_DIR}/tests/${FUZZ_TARGET} -runs=${RUNS} -seed=1 -max_len=262144 -timeout=20
    -rss_limit_mb=2048 -seed_inputs=${seed_list} ${corpus})
