# `cmake --install BUILD [--prefix DIR]` puts the program, its desktop entry
# and its icon into the usual places under the prefix.
include(GNUInstallDirs)

install(TARGETS mirvolant RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_SOURCE_DIR}/resources/mirvolant.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 32 48)
  install(FILES ${CMAKE_SOURCE_DIR}/resources/icon-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME mirvolant.png)
endforeach()
