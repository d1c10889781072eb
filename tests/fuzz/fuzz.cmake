# The libFuzzer target for picture blobs and JPEG decoding.
#
# libFuzzer needs clang. A clang configuration (MV_FUZZ=ON) builds the target
# itself; every other configuration gets a CTest test that configures and
# builds such a clang sub-build of this source tree and runs the fuzzer for a
# fixed number of inputs, seeded with the clue picture and the small seeds in
# tests/fuzz/seeds.
set(MV_FUZZ_RUNS 5000 CACHE STRING "Inputs the fuzz test runs")

if(MV_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "MV_FUZZ needs clang")
  endif()
  set(fuzz_flags -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined)
  foreach(lib mv_base mv_paint mv_graphics)
    target_compile_options(${lib} PRIVATE ${fuzz_flags})
  endforeach()
  add_executable(fuzz_picture ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/fuzz_picture.cpp)
  target_compile_options(fuzz_picture PRIVATE ${fuzz_flags})
  target_link_options(fuzz_picture PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(fuzz_picture PRIVATE mv_graphics)

  # The description reader, building test dialogs on the headless back end.
  foreach(lib mv_components mv_forms mv_reader mv_headless)
    target_compile_options(${lib} PRIVATE ${fuzz_flags})
  endforeach()
  add_executable(fuzz_reader ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/fuzz_reader.cpp)
  target_compile_options(fuzz_reader PRIVATE ${fuzz_flags})
  target_link_options(fuzz_reader PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(fuzz_reader PRIVATE mv_toolkit mv_headless)
else()
  find_program(MV_CLANGXX clang++)
  find_program(MV_CLANG clang)
  if(MV_CLANGXX AND MV_CLANG)
    add_test(
      NAME fuzz_picture
      COMMAND
        ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR}
        -DBUILD_DIR=${CMAKE_BINARY_DIR}/fuzz-clang -DRUNS=${MV_FUZZ_RUNS} -P ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/RunFuzzer.cmake)
    set_tests_properties(fuzz_picture PROPERTIES TIMEOUT 1500 LABELS fuzz RESOURCE_LOCK fuzz-clang)
    add_test(
      NAME fuzz_reader
      COMMAND
        ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR}
        -DBUILD_DIR=${CMAKE_BINARY_DIR}/fuzz-clang -DRUNS=${MV_FUZZ_RUNS} -DFUZZ_TARGET=fuzz_reader -P ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/RunFuzzer.cmake)
    set_tests_properties(fuzz_reader PROPERTIES TIMEOUT 1500 LABELS fuzz RESOURCE_LOCK fuzz-clang)
  else()
    message(STATUS "clang not found: the fuzz test is not added")
  endif()
endif()
