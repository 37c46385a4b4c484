// The topic log line format and the two files of a stored topic.
#include <gtest/gtest.h>

#include "base/textfile.h"
#include "store/threadlog.h"
#include "topictesting.h"

using topictest::Put;

namespace {

TEST(FormatLogLine, SixFieldsWithTheBodyFreeOfLineBreaks)
{
    MessageRecord m{};
    m.number = 12;
    m.replyTo = 3;
    m.lastNumber = 40;
    Put(m.date, "2004/05/06");
    Put(m.time, "07:08");
    Put(m.author, "name");
    Put(m.title, "\x93\xfa\x96\x7b"); // 日本
    Put(m.text, "one\r\n<br>two\tthree\n");
    EXPECT_EQ(store::FormatLogLine(m), "12\t3\t2004/05/06 07:08\tname\t\x93\xfa\x96\x7b\tone<br>two\tthree");
}

TEST(FormatLogLine, BoardTextCannotSplitTheLineOrShiftItsFields)
{
    MessageRecord m{};
    m.number = 2;
    m.lastNumber = 2;
    Put(m.date, "2004/05/06");
    Put(m.time, "07:08");
    Put(m.author, "a\tb\r\nc");
    Put(m.title, "t\ti\nt");
    Put(m.text, "body");
    const std::string line = store::FormatLogLine(m);
    EXPECT_EQ(base::SplitLines(line).size(), 1u);
    const store::LogFields f = store::SplitLogLine(line);
    EXPECT_EQ(f.author, "a bc");
    EXPECT_EQ(f.title, "t it");
    EXPECT_EQ(f.body, "body");
}

TEST(FormatLogLine, ReadsFieldsWithoutTerminatingZeroOnlyToTheirEnd)
{
    MessageRecord m{};
    std::memset(m.author, 'a', sizeof m.author);
    std::memset(m.title, 't', sizeof m.title);
    std::memset(m.text, 'x', sizeof m.text);
    std::memset(m.date, '1', sizeof m.date);
    std::memset(m.time, '2', sizeof m.time);
    m.number = 1;
    const store::LogFields f = store::SplitLogLine(store::FormatLogLine(m));
    EXPECT_EQ(f.author.size(), sizeof m.author);
    EXPECT_EQ(f.title.size(), sizeof m.title);
    EXPECT_EQ(f.body.size(), sizeof m.text);
    EXPECT_EQ(f.dateTime.size(), sizeof m.date + 1 + sizeof m.time);
}

TEST(IsUnreadable, TheZeroDateAndTimeAsTheLogWouldStoreThem)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"0000/00/00", "00:00"}, {"\r0000/00/00", "00:00\n"}, {"0000/00/00", "00:01"}, {"2004/05/06", "00:00"},
        {"0000/00/00 00:00", ""}, {"", ""}, {"\n\r", "0"}, {"0000/00/00\t", "00:00"}};
    for (const auto &[date, time] : cases) {
        MessageRecord m{};
        Put(m.date, date);
        Put(m.time, time);
        EXPECT_EQ(store::IsUnreadable(m), store::MessageDateTime(m) == store::kUnreadableDateTime) << date << time;
    }
    MessageRecord zero{};
    Put(zero.date, "\r0000/00/00");
    Put(zero.time, "00:00");
    EXPECT_TRUE(store::IsUnreadable(zero)) << "line breaks are not kept";
}

TEST(SplitLogLine, BodyIsTheRestAndShortLinesLeaveFieldsEmpty)
{
    store::LogFields f = store::SplitLogLine("5\t0\td t\tn\tti\tb1\tb2\t");
    EXPECT_TRUE(f.complete);
    EXPECT_EQ(f.number, "5");
    EXPECT_EQ(f.replyTo, "0");
    EXPECT_EQ(f.dateTime, "d t");
    EXPECT_EQ(f.body, "b1\tb2\t");

    f = store::SplitLogLine("7\t1");
    EXPECT_FALSE(f.complete);
    EXPECT_EQ(f.number, "7");
    EXPECT_EQ(f.replyTo, "1");
    EXPECT_TRUE(f.author.empty());
    EXPECT_TRUE(f.body.empty());
    EXPECT_EQ(store::LogLineNumber("x\t1", -1), -1);
    EXPECT_EQ(store::LogLineNumber("", 1), 1);
}

TEST(SortLogLines, NumericOrderStableForEqualNumbersNonNumbersFirst)
{
    std::vector<std::string> lines = {"10\ta", "9\ta", "100\ta", "9\tb", "x\ta", "1\ta"};
    store::SortLogLines(lines);
    EXPECT_EQ(lines, (std::vector<std::string>{"x\ta", "1\ta", "9\ta", "9\tb", "10\ta", "100\ta"}));
}

TEST(AddLoggedNumbers, TakesOnlyPlainMessageNumbers)
{
    base::SortedTextList numbers;
    numbers.add("3");
    EXPECT_TRUE(store::AddLoggedNumbers({"1\ta", "3\tb", "007\tc", "-2\td", "x\te", "\tf", "12"}, numbers));
    EXPECT_EQ(numbers.items(), (std::vector<std::string>{"1", "12", "3"}));
    EXPECT_FALSE(store::AddLoggedNumbers({"1\ta"}, numbers));
}

class StoredTopicFiles : public topictest::TempDir {};

TEST_F(StoredTopicFiles, WriteCreatesTheBoardDirAndBothFilesReadBack)
{
    base::SortedTextList numbers;
    for (const char *n : {"9", "10", "1"})
        numbers.add(n);
    const std::vector<std::string> lines = {"1\t0\td\ta\tt\tb", "9\t0\td\ta\tt\tb", "10\t0\td\ta\tt\tb"};
    ASSERT_TRUE(store::WriteStoredTopic(LogPath(), lines, numbers));
    EXPECT_EQ(base::ReadFile(IndexPath()).value_or(""), "1\r\n10\r\n9\r\n") << "ascending text order";
    EXPECT_EQ(base::ReadFile(LogPath()).value_or(""), base::JoinLines(lines));
    const store::StoredTopic stored = store::ReadStoredTopic(LogPath());
    ASSERT_TRUE(stored.log && stored.index);
    EXPECT_EQ(*stored.log, lines);
    EXPECT_EQ(stored.index->size(), 3u);
}

} // namespace
