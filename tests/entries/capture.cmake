# Capture, classification, image normalisation and write-back, on the in-memory clipboard.
quillstack_add_test(NAME entries_capture_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ClipboardCaptureTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/ImageNormalizerTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/PasteboardWriterTest.cpp
    LIBS quillstack_entries quillstack_platform_memory)
