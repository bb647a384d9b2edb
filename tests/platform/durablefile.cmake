# Owner-only durable files, the XDG data folder, and text decoded as it arrives.
quillstack_add_test(NAME durablefile_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/DurableFileTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/XdgDataLocationsTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/IncrementalTextTest.cpp
    LIBS quillstack_platform quillstack_platform_x11)
