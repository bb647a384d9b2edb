# The start-up choice between the X11 and the Wayland services.
quillstack_add_test(NAME platform_choice_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/PlatformChoiceTest.cpp
    LIBS quillstack_platform)
