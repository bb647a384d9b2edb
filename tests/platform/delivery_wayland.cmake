# Monitoring and paste delivery on a headless sway: wl-copy, native Wayland paste targets (the
# paste target of delivery_x11.cmake under QT_QPA_PLATFORM=wayland), the virtual keyboard,
# foreign-toplevel activation and the wtype fallback.
quillstack_add_test(NAME platform_wayland_delivery WAYLAND
                    SOURCES ${CMAKE_CURRENT_LIST_DIR}/WaylandDeliveryTest.cpp
                    LIBS quillstack_store quillstack_platform_wayland quillstack_platform_memory
                         quillstack_paste_target_process quillstack_wayland_protocols)

# The same under KWin: wlr data control, plasma window management and fake input.
quillstack_add_test(NAME platform_kwin_desktop WAYLAND KWIN
                    SOURCES ${CMAKE_CURRENT_LIST_DIR}/KwinDesktopTest.cpp
                    LIBS quillstack_store quillstack_platform_wayland quillstack_platform_memory
                         quillstack_paste_target_process)

# The GlobalShortcuts portal under KWin: registration, the assigned trigger, presses.
quillstack_add_test(NAME platform_portal_shortcut WAYLAND KWIN PORTAL
                    SOURCES ${CMAKE_CURRENT_LIST_DIR}/PortalShortcutTest.cpp
                    LIBS quillstack_platform_portal quillstack_platform_wayland quillstack_settings
                         quillstack_wayland_protocols)
