# The Wayland clipboard under a headless sway, against wl-clipboard and a helper that offers
# several types at once (plain C on libwayland-client).
add_executable(quillstack_wayland_clipboard_offer
    ${CMAKE_CURRENT_LIST_DIR}/tools/WaylandClipboardOffer.c)
target_link_libraries(quillstack_wayland_clipboard_offer PRIVATE quillstack_wayland_protocols)

quillstack_add_test(NAME platform_pasteboard_wayland_test WAYLAND
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/WaylandPasteboardTest.cpp
    LIBS quillstack_platform_wayland quillstack_entries quillstack_store)
target_compile_definitions(platform_pasteboard_wayland_test PRIVATE
    QUILLSTACK_WAYLAND_CLIPBOARD_OFFER="$<TARGET_FILE:quillstack_wayland_clipboard_offer>")
add_dependencies(platform_pasteboard_wayland_test quillstack_wayland_clipboard_offer)
