# The Win32 back end and the Windows program in real windows, under Wine on a
# virtual X server with openbox. These tests share a Wine prefix of their own
# and run one at a time: the prefix's desktop process serves one X server.

set(desktop_prefix ${CMAKE_BINARY_DIR}/wineprefix-desktop)

# The tests run with the program's manifest, so that they see the system's
# density as the program does.
set(rc ${CMAKE_CURRENT_BINARY_DIR}/win32_tests.rc)
file(WRITE ${rc} "1 24 \"${MV_MANIFEST_FILE}\"\n")
add_executable(win32_tests ${CMAKE_CURRENT_LIST_DIR}/Win32PlatformTest.cpp ${rc})
# uuid before oleacc: oleacc's import library carries another IID_IAccessible,
# with which every query fails with E_NOINTERFACE.
target_link_libraries(win32_tests PRIVATE mv_win32 mv_test_main uuid oleacc ole32 oleaut32)
add_test(NAME win32_platform COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/on_wine_desktop.sh
                                     ${desktop_prefix} $<TARGET_FILE:win32_tests>)
set_tests_properties(win32_platform PROPERTIES LABELS win32 RESOURCE_LOCK wine_desktop TIMEOUT 300)

# The whole quest as a player plays it, against Mirvolant.exe (the script of
# the Linux build, with its Wine switch).
add_test(NAME win32_play_quest
         COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/play_quest.sh --wine ${desktop_prefix}
                 $<TARGET_FILE:mirvolant> ${CMAKE_CURRENT_BINARY_DIR}/e2e-artifacts)
# Alone, like the Linux run: the faster clock leaves little room for a busy
# machine.
set_tests_properties(win32_play_quest PROPERTIES LABELS win32 RESOURCE_LOCK wine_desktop
                                                 RUN_SERIAL TRUE TIMEOUT 1500)

# The installer and the portable zip, in a Wine prefix made afresh.
add_test(NAME win32_packages
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/check_packages.sh ${CMAKE_BINARY_DIR}/mirvolant-setup.exe
                 ${CMAKE_BINARY_DIR}/mirvolant-${PROJECT_VERSION}-win64.zip
                 ${CMAKE_CURRENT_BINARY_DIR}/packages-check)
set_tests_properties(win32_packages PROPERTIES LABELS win32 RESOURCE_LOCK wine_desktop TIMEOUT 600)

# A screen reader's client in another process: reads the board of
# Mirvolant.exe through Active Accessibility and solves a slot through it.
add_executable(msaa_client ${CMAKE_CURRENT_LIST_DIR}/MsaaClient.cpp)
target_link_libraries(msaa_client PRIVATE uuid oleacc ole32 oleaut32 user32)
add_test(NAME win32_msaa_client
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/on_wine_desktop.sh ${desktop_prefix}
                 $<TARGET_FILE:msaa_client> $<TARGET_FILE:mirvolant>)
set_tests_properties(win32_msaa_client PROPERTIES LABELS win32 RESOURCE_LOCK wine_desktop TIMEOUT 300)

# The board in a high-contrast scheme set through a fresh prefix's registry.
add_test(NAME win32_high_contrast
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/high_contrast.sh $<TARGET_FILE:mirvolant>
                 ${CMAKE_CURRENT_BINARY_DIR}/high-contrast)
set_tests_properties(win32_high_contrast PROPERTIES LABELS win32 RESOURCE_LOCK wine_desktop TIMEOUT 300)
