# The history store: save, load and one insertion into a full history with images, next to a
# durable write of the same finished bytes.
quillstack_add_benchmark(NAME history_store_benchmark
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/HistoryStoreBenchmark.cpp
    LIBS quillstack_store quillstack_platform_memory)
# Memory of a loaded history, each in a fresh process.
quillstack_add_benchmark(NAME history_footprint
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/HistoryFootprint.cpp
    LIBS quillstack_store quillstack_platform_memory)
