# The browser build: compiled with emscripten (cmake/toolchains/emscripten.cmake),
# tests run by node. The libraries are built without SIMD code, which the
# page's WebAssembly does not use.
include(${CMAKE_CURRENT_LIST_DIR}/Cross.cmake)
mv_cross_libraries(wasm SIMD OFF)

# CMake knows no whole-archive link for emscripten; wasm-ld takes the GNU
# options (the control classes register themselves from static objects).
set(CMAKE_LINK_LIBRARY_USING_WHOLE_ARCHIVE "LINKER:--whole-archive" "<LINK_ITEM>"
    "LINKER:--no-whole-archive")
set(CMAKE_LINK_LIBRARY_USING_WHOLE_ARCHIVE_SUPPORTED TRUE)

# C++ exceptions are the toolkit's failures; memory grows as dialogs and
# pictures need it. The code is compiled for size: its bytes are what a
# phone waits for before the first frame (-Oz comes after the build type's
# -O3).
add_compile_options(-fexceptions -Oz)
add_link_options(-fexceptions -sALLOW_MEMORY_GROWTH=1)
# The program links with -sASYNCIFY, so that the nested modal loops and the
# wait for the next deadline yield to the browser (cmake/WebPage.cmake); the
# headless tests never wait, and build without it.
set(MV_WEB_ASYNCIFY_STACK 131072 CACHE STRING "Bytes Asyncify keeps for a suspended call stack")
# Tests read and write the build machine's files (sources, screenshots, the
# dialog face beside them) through node, and see node's environment.
set(MV_TEST_LINK_OPTIONS -sNODERAWFS=1 --pre-js ${CMAKE_SOURCE_DIR}/tests/support/node-env.js)

# libjpeg-turbo's plain C code decodes the clue picture a little differently
# from the SIMD code of Debian's Linux build (measured: one pixel, by one
# level in one channel); everything else must match exactly.
set(MV_PICTURE_TOLERANCE 1)

mv_ship_dialog_face(${CMAKE_BINARY_DIR}/tests)
