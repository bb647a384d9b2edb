# Logic tests of the polling loop and paste delivery, with the in-memory desktop.
quillstack_add_test(NAME store_monitor_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/PasteboardMonitorTest.cpp
                    LIBS quillstack_store quillstack_platform_memory)
quillstack_add_test(NAME store_delivery_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/PasteDeliveryTest.cpp
                    LIBS quillstack_store quillstack_platform_memory)
