# The entry record's file format and its derived values.
quillstack_add_test(NAME entries_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/EntryJsonTest.cpp ${CMAKE_CURRENT_LIST_DIR}/EntryDerivedTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/StoredImageTest.cpp
    LIBS quillstack_entries)
