# The SDL back end on SDL's window-less driver, and the whole program played
# in real windows under a virtual X server with a window manager.

file(GLOB sdl_test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
add_executable(sdl_tests ${sdl_test_sources})
# The X11 tests talk to the X server directly as well.
target_link_libraries(sdl_tests PRIVATE mv_sdl mv_png X11 GTest::gtest GTest::gtest_main)
target_compile_definitions(sdl_tests PRIVATE MV_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
gtest_discover_tests(sdl_tests DISCOVERY_TIMEOUT 60 PROPERTIES LABELS e2e ENVIRONMENT
                     SDL_VIDEODRIVER=dummy)
add_test(NAME sdl_tests_on_x11 COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/with_xvfb.sh
                                       $<TARGET_FILE:sdl_tests> --gtest_filter=SdlOnX11Test.*:SdlOnX11Window.*)
set_tests_properties(sdl_tests_on_x11 PROPERTIES LABELS e2e ENVIRONMENT
                     LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_LIST_DIR}/lsan.supp)

add_test(NAME e2e_play_quest
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/play_quest.sh $<TARGET_FILE:mirvolant>
                 ${CMAKE_CURRENT_BINARY_DIR}/e2e-artifacts)
# The countdown of three missions runs ten times faster under libfaketime.
set_tests_properties(e2e_play_quest PROPERTIES LABELS e2e TIMEOUT 1500 RUN_SERIAL TRUE)

# The board and the path choice at the densities a desktop's text scale asks for.
add_test(NAME e2e_density COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/density.sh $<TARGET_FILE:mirvolant>
                                  ${CMAKE_CURRENT_BINARY_DIR}/e2e-density)
set_tests_properties(e2e_density PROPERTIES LABELS e2e TIMEOUT 120 ENVIRONMENT
                     LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_LIST_DIR}/lsan.supp)

add_test(NAME install_layout COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/check_install.sh
                                     ${CMAKE_BINARY_DIR})
set_tests_properties(install_layout PROPERTIES LABELS e2e)

# The accessibility libraries keep no frame pointers: the leak checker needs
# the slow unwinder to see which of their allocations it may pass over.
set(mv_atk_lsan "suppressions=${CMAKE_CURRENT_LIST_DIR}/lsan.supp:fast_unwind_on_malloc=0")

# The program read and played by a screen reader's library over AT-SPI.
pkg_check_modules(ATSPI IMPORTED_TARGET atspi-2 gobject-2.0)
if(ATSPI_FOUND)
  add_executable(atspi_probe ${CMAKE_CURRENT_LIST_DIR}/atspi_probe.c)
  target_link_libraries(atspi_probe PRIVATE PkgConfig::ATSPI)
  add_test(NAME e2e_accessibility
           COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/accessibility.sh $<TARGET_FILE:mirvolant>
                   $<TARGET_FILE:atspi_probe>)
  set_tests_properties(e2e_accessibility PROPERTIES LABELS e2e TIMEOUT 180 ENVIRONMENT
                       "LSAN_OPTIONS=${mv_atk_lsan}")
endif()

# The ATK objects of published trees, on a session bus of their own where the
# bridge starts (a skip for want of one fails here).
add_executable(atk_bridge_tests ${CMAKE_CURRENT_LIST_DIR}/atk/AtkBridgeTest.cpp)
target_link_libraries(atk_bridge_tests PRIVATE mv_sdl PkgConfig::ATK_BRIDGE GTest::gtest
                                               GTest::gtest_main)
add_dependencies(atk_bridge_tests mv_atk)
add_test(NAME atk_bridge_tests COMMAND dbus-run-session -- $<TARGET_FILE:atk_bridge_tests>)
set_tests_properties(
  atk_bridge_tests PROPERTIES LABELS e2e TIMEOUT 60 ENVIRONMENT
  "MV_REQUIRE_ATK_BRIDGE=1;MIRVOLANT_ATK_MODULE=$<TARGET_FILE:mv_atk>;GSETTINGS_BACKEND=memory;LSAN_OPTIONS=${mv_atk_lsan}")

# Both start an accessibility bus; its launcher keeps its socket under the
# user's runtime folder, which the two would share when run side by side.
if(ATSPI_FOUND)
  set_tests_properties(e2e_accessibility atk_bridge_tests PROPERTIES RESOURCE_LOCK accessibility_bus)
endif()
