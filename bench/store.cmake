# The history store: save, load and one insertion into a full history with images, next to a
# durable write of the same finished bytes.
quillstack_add_benchmark(NAME history_store_benchmark
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/HistoryStoreBenchmark.cpp
    LIBS quillstack_store quillstack_platform_memory)
# Memory of a loaded history, each in a fresh process.
quillstack_add_benchmark(NAME history_footprint
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/HistoryFootprint.cpp
    LIBS quillstack_store quillstack_platform_memory)
# A history.json of a given size for the scripts that measure the real program.
add_executable(quillstack_make_history ${CMAKE_CURRENT_LIST_DIR}/MakeHistory.cpp)
target_link_libraries(quillstack_make_history PRIVATE quillstack_entries quillstack_platform
                                                      Qt6::Gui)
quillstack_warnings(quillstack_make_history)
