# The panel's views and the shortcut settings card, on Qt's offscreen platform.
quillstack_add_test(NAME panel_views_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ContentViewTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/HotkeySettingsViewTest.cpp
    LIBS quillstack_panel_views quillstack_platform_memory)
