# The X11 hot-key registrar under a private Xvfb, with real presses from xdotool and a second X
# client that holds combinations.
add_executable(quillstack_grab_key_helper ${CMAKE_CURRENT_LIST_DIR}/GrabKeyHelper.cpp)
target_link_libraries(quillstack_grab_key_helper PRIVATE PkgConfig::XCB)
quillstack_warnings(quillstack_grab_key_helper)

quillstack_add_test(NAME platform_x11_hotkey X11
                    SOURCES ${CMAKE_CURRENT_LIST_DIR}/X11HotkeyRegistrarTest.cpp
                    LIBS quillstack_settings quillstack_platform_x11 PkgConfig::XCB)
target_compile_definitions(platform_x11_hotkey PRIVATE
    QUILLSTACK_GRAB_KEY_HELPER="$<TARGET_FILE:quillstack_grab_key_helper>")
add_dependencies(platform_x11_hotkey quillstack_grab_key_helper)
