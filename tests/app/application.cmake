# The application: the delegate's sequences and the tray item with in-memory services, the
# single-instance protocol, and the real program end to end on an X display.

quillstack_add_test(NAME app_delegate_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/AppDelegateTest.cpp ${CMAKE_CURRENT_LIST_DIR}/TrayItemTest.cpp
    LIBS quillstack_app quillstack_platform_memory)

quillstack_add_test(NAME app_single_instance_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/SingleInstanceTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/CommandLineTest.cpp
    LIBS quillstack_app)

# Steps: copies by xclip and a multi-type offer, history.json, the shortcut and a paste into
# another program, --toggle and a second start, quitting from the tray, a restart, SIGTERM.
quillstack_add_test(NAME app_end_to_end_test X11 WM TRAY
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/EndToEndTest.cpp
    LIBS quillstack_paste_target_process Qt6::Gui)
target_compile_definitions(app_end_to_end_test PRIVATE
    QUILLSTACK_EXECUTABLE="$<TARGET_FILE:quillstack>"
    QUILLSTACK_CLIPBOARD_OFFER="$<TARGET_FILE:quillstack_clipboard_offer>")
add_dependencies(app_end_to_end_test quillstack quillstack_clipboard_offer)
set_tests_properties(app_end_to_end_test PROPERTIES TIMEOUT 180)

# SIGKILL at random moments while copies stream in, and a quit during a large save.
quillstack_add_test(NAME app_crash_consistency_test X11
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/CrashConsistencyTest.cpp
    LIBS quillstack_entries Qt6::Gui)
target_compile_definitions(app_crash_consistency_test PRIVATE
    QUILLSTACK_EXECUTABLE="$<TARGET_FILE:quillstack>")
add_dependencies(app_crash_consistency_test quillstack)
set_tests_properties(app_crash_consistency_test PROPERTIES TIMEOUT 120)

# `cmake --install` into a temporary prefix: the program, the desktop entry and the icons land
# in their places, and launch at login starts the installed program.
add_test(NAME app_install_test
    COMMAND ${QUILLSTACK_WITH_X} --wm -- ${CMAKE_CURRENT_LIST_DIR}/install-test.sh
            ${CMAKE_BINARY_DIR} ${CMAKE_COMMAND})
set_tests_properties(app_install_test PROPERTIES LABELS x11 RUN_SERIAL TRUE TIMEOUT 120
                                                 ENVIRONMENT "QT_QPA_PLATFORM=xcb")

# The real program on a headless sway with XWayland: copies in a Wayland program, the shortcut
# bound in sway, the panel through XWayland and a paste through the virtual keyboard.
quillstack_add_test(NAME app_wayland_end_to_end_test WAYLAND XWAYLAND
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/WaylandEndToEndTest.cpp
    LIBS quillstack_paste_target_process Qt6::Gui)
target_compile_definitions(app_wayland_end_to_end_test PRIVATE
    QUILLSTACK_EXECUTABLE="$<TARGET_FILE:quillstack>")
add_dependencies(app_wayland_end_to_end_test quillstack)
set_tests_properties(app_wayland_end_to_end_test PROPERTIES TIMEOUT 120)

# The same under KWin with the desktop portal: the shortcut through GlobalShortcuts, the paste
# through fake input (with-wayland.sh grants it to the test and to the program).
add_executable(app_kwin_end_to_end_test ${CMAKE_CURRENT_LIST_DIR}/KwinEndToEndTest.cpp)
target_link_libraries(app_kwin_end_to_end_test PRIVATE quillstack_test_support
    quillstack_paste_target_process quillstack_platform_wayland quillstack_wayland_protocols
    Qt6::Gui)
quillstack_warnings(app_kwin_end_to_end_test)
target_compile_definitions(app_kwin_end_to_end_test PRIVATE
    QUILLSTACK_EXECUTABLE="$<TARGET_FILE:quillstack>")
add_dependencies(app_kwin_end_to_end_test quillstack)
add_test(NAME app_kwin_end_to_end_test
    COMMAND ${QUILLSTACK_WITH_WAYLAND} --kwin --xwayland --portal --trust $<TARGET_FILE:quillstack>
            -- $<TARGET_FILE:app_kwin_end_to_end_test>)
set_tests_properties(app_kwin_end_to_end_test PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
                     LABELS wayland RUN_SERIAL TRUE TIMEOUT 120)
