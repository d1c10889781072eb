# The Windows build: cross-compiled with MinGW-w64 (cmake/toolchains/mingw64.cmake),
# tests run under Wine in a private prefix.
include(${CMAKE_CURRENT_LIST_DIR}/Cross.cmake)
mv_cross_libraries(mingw64 SIMD ON)

# Tests run through tools/cross/wine.sh, which keeps a Wine prefix of the build's own
# (made quietly on first use) and passes the test's exit code through.
set(MV_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix" CACHE PATH "Wine prefix for the tests")
set(CMAKE_CROSSCOMPILING_EMULATOR bash ${CMAKE_SOURCE_DIR}/tools/cross/wine.sh ${MV_WINEPREFIX})

# Windows headers: no min/max macros, and the wide-character API.
add_compile_definitions(NOMINMAX WIN32_LEAN_AND_MEAN UNICODE _UNICODE)

mv_ship_dialog_face(${CMAKE_BINARY_DIR})
mv_ship_dialog_face(${CMAKE_BINARY_DIR}/tests)

# Icons, version resources and the manifest are compiled by windres.
enable_language(RC)

set(MV_PUBLISHER "The Mirvolant developers" CACHE STRING "The publisher named in the version resources")
string(TIMESTAMP mv_year "%Y" UTC)
set(MV_COPYRIGHT "(C) ${mv_year} ${MV_PUBLISHER}")
set(MV_VERSION_QUAD "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")
string(REPLACE "." "," MV_VERSION_COMMAS "${MV_VERSION_QUAD}")
set(mv_windows_resources ${CMAKE_SOURCE_DIR}/resources/windows)
set(MV_MANIFEST_FILE ${CMAKE_BINARY_DIR}/resources/Mirvolant.manifest)
configure_file(${mv_windows_resources}/Mirvolant.manifest ${MV_MANIFEST_FILE} @ONLY)

# The Windows program, made once the toolkit's libraries and the back ends
# exist (called from the top-level CMakeLists.txt). The program is
# Mirvolant.exe: its title comes from its file name, cut at the first dot, the
# rest lower-cased.
set(MV_ICON_FILE ${CMAKE_BINARY_DIR}/resources/Mirvolant.ico)
function(mv_windows_program)
  # The program's icon from its PNG icons, with a 16-pixel one for title
  # bars and lists.
  set(png ${CMAKE_SOURCE_DIR}/resources)
  add_custom_command(
    OUTPUT ${MV_ICON_FILE}
    COMMAND convert ${png}/icon-48.png ${png}/icon-32.png "(" ${png}/icon-32.png -resize 16x16 ")"
            ${MV_ICON_FILE}
    DEPENDS ${png}/icon-32.png ${png}/icon-48.png
    COMMENT "Making the program's icon"
    VERBATIM)
  set(rc ${CMAKE_BINARY_DIR}/resources/Mirvolant.rc)
  configure_file(${mv_windows_resources}/Mirvolant.rc.in ${rc} @ONLY)
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${MV_ICON_FILE};${MV_MANIFEST_FILE}")

  # A GUI program (no console window), linked statically (the toolchain).
  add_executable(mirvolant WIN32 ${CMAKE_SOURCE_DIR}/app/main.cpp ${rc})
  target_link_libraries(mirvolant PRIVATE mv_app mv_win32)
  set_target_properties(mirvolant PROPERTIES OUTPUT_NAME Mirvolant RUNTIME_OUTPUT_DIRECTORY
                                                                  ${CMAKE_BINARY_DIR})
endfunction()
