# The panel's views: time to the first painted frame and the cost of one keystroke.
quillstack_add_benchmark(NAME panel_view_benchmark
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/PanelViewBenchmark.cpp
    LIBS quillstack_panel_window quillstack_platform_memory Qt6::Widgets)

# Not a benchmark: renders the panel for the screenshots in docs/ (docs/screenshots.sh).
add_executable(quillstack_screenshots ${CMAKE_CURRENT_LIST_DIR}/PanelScreenshots.cpp)
target_link_libraries(quillstack_screenshots PRIVATE quillstack_panel_window
                                             quillstack_platform_memory Qt6::Widgets)
quillstack_warnings(quillstack_screenshots)
