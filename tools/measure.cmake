# The programs tools/measure_real.sh starts beside the real one: a bare SDL2
# window and a bare Xlib window of the board's size (the floors of start-up),
# and the stopwatch that watches the screen for their first frame.
find_package(X11)
if(X11_FOUND)
  add_executable(bare_sdl_window ${CMAKE_CURRENT_LIST_DIR}/bare_sdl_window.c)
  target_link_libraries(bare_sdl_window PRIVATE PkgConfig::SDL2)
  add_executable(bare_x11_window ${CMAKE_CURRENT_LIST_DIR}/bare_x11_window.c)
  target_link_libraries(bare_x11_window PRIVATE X11::X11)
  add_executable(first_frame ${CMAKE_CURRENT_LIST_DIR}/first_frame.c)
  target_link_libraries(first_frame PRIVATE X11::X11)
endif()
