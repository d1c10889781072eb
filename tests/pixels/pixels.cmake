# A cross build draws the dialogs with the same pixels as the Linux build:
# the render tests' screenshots of both builds, compared file by file.
if(NOT CMAKE_CROSSCOMPILING)
  return()
endif()

set(MV_NATIVE_BUILD_DIR "${CMAKE_SOURCE_DIR}/build" CACHE PATH
    "The Linux build whose rendering the cross build must match")
# Inside the clue picture a colour channel may differ by this much (0 asks
# for identical pixels everywhere).
set(MV_PICTURE_TOLERANCE 0 CACHE STRING "Largest channel difference inside the clue picture")

add_executable(compare_pngs ${CMAKE_CURRENT_LIST_DIR}/ComparePngs.cpp)
target_link_libraries(compare_pngs PRIVATE mv_png)
target_link_options(compare_pngs PRIVATE ${MV_TEST_LINK_OPTIONS})

set(pixels ${CMAKE_BINARY_DIR}/pixels)
set(screenshots
    "DialogRender.Screenshots*:DialogRender.Error*:DialogRender.Every*")
add_test(NAME pixels_clean COMMAND ${CMAKE_COMMAND} -DDIR=${pixels} -P
                                   ${CMAKE_CURRENT_LIST_DIR}/Clean.cmake)
add_test(NAME pixels_linux COMMAND ${MV_NATIVE_BUILD_DIR}/tests/render_tests
                                   --gtest_filter=${screenshots})
add_test(NAME pixels_cross COMMAND render_tests --gtest_filter=${screenshots})
# The clue picture: the mystery mission's Image1, 681 x 289 at the client
# area's top-left corner.
add_test(NAME pixels_match_linux
         COMMAND compare_pngs ${pixels}/linux ${pixels}/cross
                 mystery-mission.png:0,0,681,289:${MV_PICTURE_TOLERANCE})
set_tests_properties(pixels_clean PROPERTIES FIXTURES_SETUP pixels_dirs LABELS pixels)
set_tests_properties(pixels_linux PROPERTIES FIXTURES_REQUIRED pixels_dirs
                     FIXTURES_SETUP pixels_shots LABELS pixels
                     ENVIRONMENT MV_SCREENSHOT_DIR=${pixels}/linux)
set_tests_properties(pixels_cross PROPERTIES FIXTURES_REQUIRED pixels_dirs
                     FIXTURES_SETUP pixels_shots LABELS pixels
                     ENVIRONMENT MV_SCREENSHOT_DIR=${pixels}/cross)
set_tests_properties(pixels_match_linux PROPERTIES FIXTURES_REQUIRED "pixels_dirs;pixels_shots"
                     LABELS pixels)
