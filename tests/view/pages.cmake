# Tests of page building and the message text transforms (no display needed).
nk_add_gtest(NAME view_pages_test
    SOURCES pagetesting.h texttransform_test.cpp render_test.cpp rendernav_test.cpp extraction_test.cpp
    skinfiles_test.cpp msgfilter_test.cpp answers_test.cpp
    LIBS nk_pages)
# The default skin's build rule names its outputs; the test compares them with what is written.
get_property(nk_skin_names GLOBAL PROPERTY NK_DEFAULT_SKIN_NAMES)
string(REPLACE ";" "," nk_skin_names "${nk_skin_names}")
target_compile_definitions(view_pages_test PRIVATE NK_DEFAULT_SKIN_NAMES="${nk_skin_names}")
