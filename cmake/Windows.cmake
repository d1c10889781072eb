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

# The Win32 back end and the Windows program, made once the toolkit's
# libraries exist (called from the top-level CMakeLists.txt). The program is
# Mirvolant.exe: its title comes from its file name, cut at the first dot,
# the rest lower-cased.
function(mv_windows_program)
  mv_library(mv_win32 DIRS toolkit/platform/win32 DEPS mv_platform mv_paint)
  target_link_libraries(mv_win32 PUBLIC user32 gdi32)

  # The program's icon from its PNG icons, with a 16-pixel one for title
  # bars and lists.
  set(ico ${CMAKE_BINARY_DIR}/resources/Mirvolant.ico)
  set(png ${CMAKE_SOURCE_DIR}/resources)
  add_custom_command(
    OUTPUT ${ico}
    COMMAND convert ${png}/icon-48.png ${png}/icon-32.png "(" ${png}/icon-32.png -resize 16x16 ")"
            ${ico}
    DEPENDS ${png}/icon-32.png ${png}/icon-48.png
    COMMENT "Making the program's icon"
    VERBATIM)
  set(MV_ICON_FILE ${ico})
  set(rc ${CMAKE_BINARY_DIR}/resources/Mirvolant.rc)
  configure_file(${mv_windows_resources}/Mirvolant.rc.in ${rc} @ONLY)
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${ico};${MV_MANIFEST_FILE}")

  # A GUI program (no console window), linked statically (the toolchain).
  add_executable(mirvolant WIN32 ${CMAKE_SOURCE_DIR}/app/main.cpp ${rc})
  target_link_libraries(mirvolant PRIVATE mv_app mv_win32)
  set_target_properties(mirvolant PROPERTIES OUTPUT_NAME Mirvolant RUNTIME_OUTPUT_DIRECTORY
                                                                  ${CMAKE_BINARY_DIR})
  mv_windows_packages(${ico})
endfunction()

# What a Windows player gets: the installer mirvolant-setup.exe (NSIS) and the
# portable mirvolant-VERSION-win64.zip, both made from one folder holding the
# program without its debugging symbols, the dialog face with its notice and
# a readme.
function(mv_windows_packages ico)
  set(stage ${CMAKE_BINARY_DIR}/package/Mirvolant)
  set(readme ${CMAKE_BINARY_DIR}/package/README.txt)
  configure_file(${mv_windows_resources}/README.txt ${readme} @ONLY NEWLINE_STYLE CRLF)
  set(files ${stage}/Mirvolant.exe ${stage}/ms_sans_serif.ttf
            ${stage}/ms_sans_serif-copyright.txt ${stage}/README.txt)
  add_custom_command(
    OUTPUT ${files}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}
    COMMAND ${CMAKE_STRIP} -o ${stage}/Mirvolant.exe $<TARGET_FILE:mirvolant>
    COMMAND ${CMAKE_COMMAND} -E copy ${MV_DIALOG_FACE} ${stage}/ms_sans_serif.ttf
    COMMAND ${CMAKE_COMMAND} -E copy ${MV_DIALOG_FACE_NOTICE} ${stage}/ms_sans_serif-copyright.txt
    COMMAND ${CMAKE_COMMAND} -E copy ${readme} ${stage}/README.txt
    DEPENDS mirvolant ${MV_DIALOG_FACE} ${MV_DIALOG_FACE_NOTICE} ${readme}
    COMMENT "Gathering the files a Windows player gets")

  set(setup ${CMAKE_BINARY_DIR}/mirvolant-setup.exe)
  set(nsi ${mv_windows_resources}/Mirvolant.nsi)
  add_custom_command(
    OUTPUT ${setup}
    COMMAND makensis -V2 -DVERSION=${PROJECT_VERSION} -DVERSION_QUAD=${MV_VERSION_QUAD}
            "-DPUBLISHER=${MV_PUBLISHER}" "-DCOPYRIGHT=${MV_COPYRIGHT}" -DICON=${ico}
            -DFILES=${stage} -DOUTFILE=${setup} ${nsi}
    DEPENDS ${files} ${nsi} ${ico}
    COMMENT "Making the installer"
    VERBATIM)

  set(zip ${CMAKE_BINARY_DIR}/mirvolant-${PROJECT_VERSION}-win64.zip)
  add_custom_command(
    OUTPUT ${zip}
    COMMAND ${CMAKE_COMMAND} -E tar cf ${zip} --format=zip Mirvolant
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/package
    DEPENDS ${files}
    COMMENT "Making the portable zip")
  add_custom_target(windows_packages ALL DEPENDS ${setup} ${zip})
endfunction()
