# The polling loop: wake-ups while idle (always-running timer against change-driven ticks) and
# the delay from a copy to its entry. Run: ./bench/monitor_bench
quillstack_add_benchmark(NAME monitor_bench
                         SOURCES ${CMAKE_CURRENT_LIST_DIR}/MonitorBenchmark.cpp
                         LIBS quillstack_store quillstack_platform_memory)
