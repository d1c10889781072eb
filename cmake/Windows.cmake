# The Windows build: cross-compiled with MinGW-w64 (cmake/toolchains/mingw64.cmake,
# libraries from tools/cross/deps.sh), tests run under Wine in a private prefix.
include(${CMAKE_CURRENT_LIST_DIR}/Cross.cmake)

# Tests run through tools/cross/wine.sh, which keeps a Wine prefix of the build's own
# (made quietly on first use) and passes the test's exit code through.
set(MV_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix" CACHE PATH "Wine prefix for the tests")
set(CMAKE_CROSSCOMPILING_EMULATOR bash ${CMAKE_SOURCE_DIR}/tools/cross/wine.sh ${MV_WINEPREFIX})

# Windows headers: no min/max macros, and the wide-character API.
add_compile_definitions(NOMINMAX WIN32_LEAN_AND_MEAN UNICODE _UNICODE)

mv_ship_dialog_face(${CMAKE_BINARY_DIR})
mv_ship_dialog_face(${CMAKE_BINARY_DIR}/tests)
