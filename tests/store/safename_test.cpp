// The check of names from outside before they become parts of paths.
#include "store/safename.h"

#include <gtest/gtest.h>

namespace {

TEST(SafeName, TopicIdIsLettersAndDigitsOnly)
{
    EXPECT_TRUE(store::IsTopicId("a5a4bfa4123"));
    EXPECT_TRUE(store::IsTopicId("T9"));
    EXPECT_TRUE(store::IsTopicId(std::string(store::kMaxTopicIdLength, '7')));
    for (std::string_view bad : {"", "../../../x", "..%2F..%2Fx", "%2Fetc%2Fpasswd", "/etc/passwd", "..", ".", "a/b",
                                 "a\\b", "a.b", "a b", "a\tb", "a\n", "\x83\x58", "x%00"})
        EXPECT_FALSE(store::IsTopicId(bad)) << bad;
    EXPECT_FALSE(store::IsTopicId(std::string_view("ab\0cd", 5)));
    EXPECT_FALSE(store::IsTopicId(std::string(store::kMaxTopicIdLength + 1, '7')));
}

TEST(SafeName, LogNameIsATopicIdWithItsExtension)
{
    EXPECT_EQ(store::TopicIdOfLogName("12ab.dat"), "12ab");
    for (std::string_view bad :
         {".dat", "..dat", "../x.dat", "%2E%2E%2Fx.dat", "/tmp/x.dat", "x.log", "x.dat.dat", "x"})
        EXPECT_FALSE(store::IsTopicLogName(bad)) << bad;
}

TEST(SafeName, PathComponentRefusesWhatLeavesTheDirectory)
{
    EXPECT_TRUE(store::IsSafePathComponent("\x83\x58\x83\x8c A"));
    EXPECT_TRUE(store::IsSafePathComponent("..x"));
    for (std::string_view bad : {"", ".", "..", "a/b", "/abs", "a\nb"})
        EXPECT_FALSE(store::IsSafePathComponent(bad)) << bad;
    EXPECT_EQ(store::JoinSafe("/logs", "B"), "/logs/B");
    EXPECT_FALSE(store::JoinSafe("/logs", "../B"));
    EXPECT_EQ(store::TopicLogFilePath("/logs/B", "77"), "/logs/B/77.dat");
    EXPECT_FALSE(store::TopicLogFilePath("/logs/B", "/etc/x"));
    EXPECT_EQ(store::TopicLogFilePathOfName("/logs/B", "77.dat"), "/logs/B/77.dat");
    EXPECT_FALSE(store::TopicLogFilePathOfName("/logs/B", "../77.dat"));
}

} // namespace
