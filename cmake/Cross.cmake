# What the Windows and the browser builds share: no SDL back end or Linux
# program yet (each platform gets its own back end), no benchmarks, and
# GoogleTest built from the sources Debian's libgtest-dev ships.
set(MV_SDL OFF)
set(MV_BENCH OFF)

# libjpeg-turbo, FreeType, zlib and libpng, cross-built once per machine.
include(${CMAKE_CURRENT_LIST_DIR}/CrossLibraries.cmake)

set(MV_GTEST_SOURCE_DIR "/usr/src/googletest" CACHE PATH "GoogleTest's sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
# GoogleTest is built before the project's warning flags are added.
add_subdirectory(${MV_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# The dialog face, with its licence notice, goes beside every executable that
# draws text: the font code looks for it in the executable's folder first.
set(MV_DIALOG_FACE "/usr/share/wine/fonts/ms_sans_serif.ttf" CACHE FILEPATH
    "The dialog face shipped beside the executables")
set(MV_DIALOG_FACE_NOTICE "/usr/share/doc/fonts-wine/copyright" CACHE FILEPATH
    "The licence notice of the dialog face")
function(mv_ship_dialog_face dir)
  configure_file(${MV_DIALOG_FACE} ${dir}/ms_sans_serif.ttf COPYONLY)
  configure_file(${MV_DIALOG_FACE_NOTICE} ${dir}/ms_sans_serif-copyright.txt COPYONLY)
endfunction()
