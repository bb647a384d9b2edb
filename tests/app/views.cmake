# The panel window: its geometry as pure functions, and the window itself on a real X display
# with a window manager, without and with a compositing manager.
quillstack_add_test(NAME app_panel_geometry_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/PanelGeometryTest.cpp
    LIBS quillstack_panel_window)

quillstack_add_test(NAME app_panel_window_test X11 WM
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/PastePanelControllerTest.cpp
    LIBS quillstack_panel_window quillstack_platform_memory)

add_test(NAME app_panel_window_composited_test
    COMMAND ${QUILLSTACK_WITH_X} --wm --compositor -- $<TARGET_FILE:app_panel_window_test>)
set_tests_properties(app_panel_window_composited_test PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=xcb" LABELS x11 RUN_SERIAL TRUE)
