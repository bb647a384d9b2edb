# Clipboard monitoring and paste delivery on a real X11 desktop: copies by xclip and a
# multi-type offer, pastes into another process's text field, the front window with and
# without a window manager.

# A window with one focused text field that reports its text (for any test that pastes):
#   quillstack-paste-target [--class CLASS] [--terminal]
# tests/platform/PasteTargetProcess.h drives it from a test.
add_executable(quillstack_paste_target ${CMAKE_CURRENT_LIST_DIR}/tools/PasteTarget.cpp)
set_target_properties(quillstack_paste_target PROPERTIES OUTPUT_NAME quillstack-paste-target)
target_link_libraries(quillstack_paste_target PRIVATE Qt6::Widgets)
quillstack_warnings(quillstack_paste_target)

add_library(quillstack_paste_target_process STATIC ${CMAKE_CURRENT_LIST_DIR}/PasteTargetProcess.cpp)
target_include_directories(quillstack_paste_target_process PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(quillstack_paste_target_process PUBLIC quillstack_test_support Qt6::Core)
target_compile_definitions(quillstack_paste_target_process PUBLIC
    QUILLSTACK_PASTE_TARGET="$<TARGET_FILE:quillstack_paste_target>")
add_dependencies(quillstack_paste_target_process quillstack_paste_target)
quillstack_warnings(quillstack_paste_target_process)

# The multi-type clipboard offer of tools/ClipboardOffer.cpp, built for these tests.
add_executable(quillstack_delivery_offer ${CMAKE_CURRENT_LIST_DIR}/tools/ClipboardOffer.cpp)
target_link_libraries(quillstack_delivery_offer PRIVATE Qt6::Gui)
quillstack_warnings(quillstack_delivery_offer)

quillstack_add_test(NAME platform_x11_delivery X11 WM
                    SOURCES ${CMAKE_CURRENT_LIST_DIR}/X11DeliveryTest.cpp
                    LIBS quillstack_store quillstack_platform_x11 quillstack_platform_memory
                         quillstack_paste_target_process Qt6::Widgets)
target_compile_definitions(platform_x11_delivery PRIVATE
    QUILLSTACK_CLIPBOARD_OFFER="$<TARGET_FILE:quillstack_delivery_offer>")
add_dependencies(platform_x11_delivery quillstack_delivery_offer)

quillstack_add_test(NAME platform_x11_workspace_nowm X11
                    SOURCES ${CMAKE_CURRENT_LIST_DIR}/X11WorkspaceNoWmTest.cpp
                    LIBS quillstack_platform_x11 quillstack_paste_target_process)
