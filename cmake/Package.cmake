# The Debian package, made by `make package` (a Release build of the program
# alone in build-package/, then cpack): the files cmake/Install.cmake
# installs, under /usr, the program in /usr/games. Its Depends
# are what dpkg-shlibdeps finds the program linked against, and the package
# of the dialog face.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mirvolant)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Mirvolant developers")
set(CPACK_PACKAGE_CONTACT "${MV_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "companion for one level of a team city game")
set(CPACK_PACKAGE_DESCRIPTION
    "The players type the codes of the game's nine levels into a board of code
slots. The program then tells a story and offers three paths, each a mission
with three timed phases of twenty minutes, with tasks, clues, a picture and
drain codes, and finally the code for the game's tenth level. All texts are
in Russian.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${MV_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-wine)
# The accessibility bus that screen readers listen on.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS at-spi2-core)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
