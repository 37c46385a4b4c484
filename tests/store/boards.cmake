# The board store without a display: category files and trees, the crawl, board directories,
# topic-list merge and rows, the list view's rules and the OpenUrl dispatch.
nk_add_gtest(NAME store_boards_test
    SOURCES
        boardtesting.h
        categoryfile_test.cpp
        categorycrawl_test.cpp
        boarddir_test.cpp
        boardlist_test.cpp
        favorites_test.cpp
        logsummary_test.cpp
        listrows_test.cpp
        openurl_test.cpp
        safename_test.cpp
        boardnames_test.cpp
    LIBS nk_store_boards
    TIMEOUT 120)
