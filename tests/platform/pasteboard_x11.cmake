# The X11 clipboard against real programs: xclip, a helper that offers several types at once,
# and one that holds the clipboard without answering.
add_executable(quillstack_clipboard_offer ${CMAKE_CURRENT_LIST_DIR}/tools/ClipboardOffer.cpp)
target_link_libraries(quillstack_clipboard_offer PRIVATE Qt6::Gui)
quillstack_warnings(quillstack_clipboard_offer)
add_executable(quillstack_clipboard_hold ${CMAKE_CURRENT_LIST_DIR}/tools/ClipboardHold.cpp)
target_link_libraries(quillstack_clipboard_hold PRIVATE PkgConfig::XCB)
quillstack_warnings(quillstack_clipboard_hold)

quillstack_add_test(NAME platform_pasteboard_x11_test X11
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/X11PasteboardTest.cpp
    LIBS quillstack_platform_x11 quillstack_entries quillstack_store quillstack_platform_memory)
target_compile_definitions(platform_pasteboard_x11_test PRIVATE
    QUILLSTACK_CLIPBOARD_OFFER="$<TARGET_FILE:quillstack_clipboard_offer>"
    QUILLSTACK_CLIPBOARD_HOLD="$<TARGET_FILE:quillstack_clipboard_hold>")
add_dependencies(platform_pasteboard_x11_test quillstack_clipboard_offer quillstack_clipboard_hold)
