# `cmake --install BUILD [--prefix DIR]` puts the program, its desktop entry,
# its icons, its AppStream metadata, its manual page and its copyright and
# changelog into the usual places under the prefix; the Debian package
# (cmake/Package.cmake) is made of the same files.
include(GNUInstallDirs)

# What names the project in the desktop's software centre and in the package.
# The AppStream id and the addresses are placeholders until the project has a
# home of its own.
set(MV_APP_ID "org.example.mirvolant" CACHE STRING "AppStream component id")
set(MV_HOMEPAGE "https://example.org/mirvolant" CACHE STRING "Project home page")
set(MV_SCREENSHOT_URL "${MV_HOMEPAGE}/raw/main/docs" CACHE STRING
    "Where the screenshots in docs/ are published")
set(MV_MAINTAINER "The Mirvolant developers <mirvolant@example.org>" CACHE STRING
    "Package maintainer")
# No licence has been chosen: all rights stay with the authors.
set(MV_LICENSE_SPDX "LicenseRef-proprietary")
set(MV_LICENSE_NAME "other")
set(MV_LICENSE_TEXT " All rights reserved by the Mirvolant developers.")

# Debian puts games into /usr/games (the package is configured with
# CMAKE_INSTALL_BINDIR=games), a directory that not every PATH holds: the
# desktop entry then names the program by its full path.
if(CMAKE_INSTALL_BINDIR STREQUAL "bin")
  set(MV_EXEC mirvolant)
else()
  set(MV_EXEC ${CMAKE_INSTALL_FULL_BINDIR}/mirvolant)
endif()

set(generated ${CMAKE_BINARY_DIR}/packaging)
configure_file(${CMAKE_SOURCE_DIR}/resources/mirvolant.desktop.in ${generated}/mirvolant.desktop
               @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/packaging/mirvolant.metainfo.xml.in
               ${generated}/${MV_APP_ID}.metainfo.xml @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/packaging/copyright.in ${generated}/copyright @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/packaging/changelog ${generated}/changelog @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/packaging/mirvolant.6 ${generated}/mirvolant.6 @ONLY)
# Compressed without a time stamp, so that the same sources give the same
# package.
foreach(doc changelog mirvolant.6)
  add_custom_command(OUTPUT ${generated}/${doc}.gz
                     COMMAND gzip -9nkf ${generated}/${doc}
                     DEPENDS ${generated}/${doc})
  list(APPEND compressed ${generated}/${doc}.gz)
endforeach()
add_custom_target(mv_install_docs ALL DEPENDS ${compressed})

install(TARGETS mirvolant RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS mv_atk LIBRARY DESTINATION ${MV_ATK_MODULE_DIR})
install(FILES ${generated}/mirvolant.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 32 48 64 128 256)
  install(FILES ${CMAKE_SOURCE_DIR}/resources/icon-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME mirvolant.png)
endforeach()
install(FILES ${generated}/${MV_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${generated}/mirvolant.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${generated}/copyright ${generated}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/mirvolant)
