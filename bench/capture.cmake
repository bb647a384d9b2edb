# Capture of large copies on the in-memory clipboard: text, HTML and a big TIFF.
quillstack_add_benchmark(NAME capture_benchmark
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/CaptureBenchmark.cpp
    LIBS quillstack_entries quillstack_platform_memory)
