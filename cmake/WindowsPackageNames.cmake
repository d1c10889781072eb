# Read by cpack for each generator of the Windows packages: the zip holds one
# folder, Mirvolant, and is named after the version.
if(CPACK_GENERATOR STREQUAL "ZIP")
  set(CPACK_PACKAGE_FILE_NAME ${CPACK_MV_ZIP_NAME})
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  set(CPACK_PACKAGING_INSTALL_PREFIX /Mirvolant)
endif()
