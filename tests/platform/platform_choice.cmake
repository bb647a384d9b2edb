# The start-up choice between the X11 and the Wayland services, and the key names the desktops'
# shortcut services take.
quillstack_add_test(NAME platform_choice_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/PlatformChoiceTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/HotkeyKeysTest.cpp
    LIBS quillstack_platform)
