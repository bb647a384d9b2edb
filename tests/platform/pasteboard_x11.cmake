# The X11 clipboard against real programs: xclip and a helper that offers several types at once.
add_executable(quillstack_clipboard_offer ${CMAKE_CURRENT_LIST_DIR}/tools/ClipboardOffer.cpp)
target_link_libraries(quillstack_clipboard_offer PRIVATE Qt6::Gui)
quillstack_warnings(quillstack_clipboard_offer)

quillstack_add_test(NAME platform_pasteboard_x11_test X11
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/X11PasteboardTest.cpp
    LIBS quillstack_platform_x11 quillstack_entries)
target_compile_definitions(platform_pasteboard_x11_test PRIVATE
    QUILLSTACK_CLIPBOARD_OFFER="$<TARGET_FILE:quillstack_clipboard_offer>")
add_dependencies(platform_pasteboard_x11_test quillstack_clipboard_offer)
