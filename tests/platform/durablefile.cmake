# Owner-only durable files and the XDG data folder.
quillstack_add_test(NAME durablefile_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/DurableFileTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/XdgDataLocationsTest.cpp
    LIBS quillstack_platform quillstack_platform_x11)
