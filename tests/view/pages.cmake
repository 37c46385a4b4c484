# Tests of page building and the message text transforms (no display needed).
nk_add_gtest(NAME view_pages_test
    SOURCES pagetesting.h texttransform_test.cpp render_test.cpp rendernav_test.cpp extraction_test.cpp
    renderhints_test.cpp
    msgfilter_test.cpp
    LIBS nk_pages)
