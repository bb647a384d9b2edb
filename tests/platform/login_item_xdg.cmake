# The XDG autostart entry, written and removed for real in a temporary XDG_CONFIG_HOME.
quillstack_add_test(NAME platform_xdg_login_item
                    SOURCES ${CMAKE_CURRENT_LIST_DIR}/XdgAutostartLoginItemTest.cpp
                    LIBS quillstack_platform_x11)
