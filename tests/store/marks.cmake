# Read marks, tab restoration, log deletion and the reply tree, without a display.
nk_add_gtest(NAME store_marks_test
    SOURCES boardtesting.h marks_test.cpp restoration_test.cpp logdelete_test.cpp replytree_test.cpp
    LIBS nk_store_marks
    TIMEOUT 120)
