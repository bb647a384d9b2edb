# Helper of bench/capture-latency.sh: runs `quillstack --toggle` and times the panel's mapping.
add_executable(quillstack_toggle_latency ${CMAKE_CURRENT_LIST_DIR}/tools/ToggleLatency.cpp)
target_link_libraries(quillstack_toggle_latency PRIVATE PkgConfig::XCB)
quillstack_warnings(quillstack_toggle_latency)
