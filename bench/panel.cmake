# The panel's per-redraw work: filtering the history and formatting previews.
quillstack_add_benchmark(NAME panel_benchmark
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/PanelBenchmark.cpp
    LIBS quillstack_panel quillstack_appearance quillstack_platform_memory Qt6::Gui)
