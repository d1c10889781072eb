# What a Windows player gets, made by CPack after the build (`cpack --preset
# windows`, which `make windows` runs): the installer mirvolant-setup.exe
# (NSIS, from the script resources/windows/NSIS.template.in) and the portable
# mirvolant-VERSION-win64.zip (a folder Mirvolant). Both hold what is
# installed here: the program without its debugging symbols, the dialog face
# with its notice and a readme.
set(readme ${CMAKE_BINARY_DIR}/package/README.txt)
configure_file(${mv_windows_resources}/README.txt ${readme} @ONLY NEWLINE_STYLE CRLF)
install(TARGETS mirvolant RUNTIME DESTINATION .)
install(FILES ${MV_DIALOG_FACE} DESTINATION . RENAME ms_sans_serif.ttf)
install(FILES ${MV_DIALOG_FACE_NOTICE} DESTINATION . RENAME ms_sans_serif-copyright.txt)
install(FILES ${readme} DESTINATION .)

set(CPACK_GENERATOR NSIS ZIP)
set(CPACK_PACKAGE_NAME Mirvolant)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "${MV_PUBLISHER}")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_FILE_NAME mirvolant-setup)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Mirvolant)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Mirvolant)

# The installer's script and what it names beyond CPack's own values.
list(APPEND CMAKE_MODULE_PATH ${mv_windows_resources})
set(CPACK_NSIS_PACKAGE_NAME Mirvolant)
set(CPACK_NSIS_DISPLAY_NAME Mirvolant)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_MUI_ICON ${MV_ICON_FILE})
set(CPACK_NSIS_MUI_UNIICON ${MV_ICON_FILE})
set(CPACK_MV_VERSION_QUAD ${MV_VERSION_QUAD})
set(CPACK_MV_COPYRIGHT "${MV_COPYRIGHT}")

# The zip's name and its one folder, set for the ZIP generator alone.
set(CPACK_MV_ZIP_NAME mirvolant-${PROJECT_VERSION}-win64)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/WindowsPackageNames.cmake)
include(CPack)
