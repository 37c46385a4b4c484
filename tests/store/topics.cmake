# Tests of the topic logs and the incremental download.
nk_add_gtest(NAME store_topics_test
    SOURCES topictesting.h topiclog_test.cpp topicfetch_test.cpp topiccount_test.cpp numberset_test.cpp topicopen_test.cpp topickill_test.cpp
    messagedelete_test.cpp topicmends_test.cpp
    LIBS nk_store_topics)
