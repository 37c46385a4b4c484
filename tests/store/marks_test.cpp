// The mark file: toggling, order, clearing, its sections and keys, and the jump to a mark.
#include "store/marks.h"
#include "tests/store/boardtesting.h"

#include <gtest/gtest.h>

namespace {

using boardtest::TempDir;

const char kKey[] = "http://b.example/bbs?action=m&board=b01&sid=b01&tid=t9&mid=4";

store::TopicIds Ids(std::string board = "b01", std::string topic = "t9")
{
    return store::TopicIds{std::move(board), std::move(topic)};
}

TEST(MarkFile, KeepsTheNumbersInTheOrderTheyWereMarkedAndUnmarksAListedNumber)
{
    TempDir dir;
    store::MarkFile marks(dir / "mark.ini");
    EXPECT_EQ(marks.value(Ids()), "") << "a missing file reads as no marks";
    for (int n : {12, 3, 45})
        ASSERT_TRUE(marks.toggle(Ids(), n));
    EXPECT_EQ(marks.value(Ids()), "12,3,45");
    ASSERT_TRUE(marks.toggle(Ids(), 3));
    EXPECT_EQ(marks.value(Ids()), "12,45");
    EXPECT_EQ(marks.marks(Ids()), (std::vector<std::string>{"12", "45"}));
    // Read afresh: another MarkFile over the same path sees the same.
    EXPECT_EQ(store::MarkFile(dir / "mark.ini").value(Ids()), "12,45");
    EXPECT_EQ(boardtest::readFile(dir / "mark.ini"), "[b01]\r\nt9=12,45\r\n");
}

TEST(MarkFile, RemovingTheOnlyMarkKeepsAnEmptyKeyAndLeavesNoMarks)
{
    TempDir dir;
    store::MarkFile marks(dir / "mark.ini");
    ASSERT_TRUE(marks.toggle(Ids(), 7));
    ASSERT_TRUE(marks.toggle(Ids(), 7));
    EXPECT_FALSE(marks.hasMarks(Ids()));
    EXPECT_EQ(boardtest::readFile(dir / "mark.ini"), "[b01]\r\nt9=\r\n");
}

TEST(MarkFile, NoTargetMessageMarksNothing)
{
    TempDir dir;
    store::MarkFile marks(dir / "mark.ini");
    EXPECT_FALSE(marks.toggle(Ids(), -1));
    EXPECT_FALSE(marks.toggle(Ids(), 0));
    EXPECT_FALSE(std::filesystem::exists(dir / "mark.ini")) << "nothing was written";
}

TEST(MarkFile, TwoTopicsOfABoardShareItsSectionAndClearingDeletesOnlyOneKey)
{
    TempDir dir;
    store::MarkFile marks(dir / "mark.ini");
    ASSERT_TRUE(marks.toggle(Ids("b01", "t1"), 5));
    ASSERT_TRUE(marks.toggle(Ids("b02", "t1"), 6));
    ASSERT_TRUE(marks.toggle(Ids("b01", "t2"), 8));
    EXPECT_EQ(boardtest::readFile(dir / "mark.ini"), "[b01]\r\nt1=5\r\nt2=8\r\n[b02]\r\nt1=6\r\n");
    ASSERT_TRUE(marks.clear(Ids("b01", "t1")));
    EXPECT_EQ(boardtest::readFile(dir / "mark.ini"), "[b01]\r\nt2=8\r\n[b02]\r\nt1=6\r\n");
    EXPECT_TRUE(marks.clear(Ids("b09", "t9"))) << "clearing what is not there is no failure";
}

TEST(MarkFile, StrayCommasInAHandEditedValueAreNoMarks)
{
    EXPECT_EQ(store::SplitMarks(",12,,3,"), (std::vector<std::string>{"12", "3"}));
    EXPECT_EQ(store::ToggleMark(",12,,3,", 3), "12");
    EXPECT_EQ(store::ToggleMark("", 9), "9");
}

TEST(MarkIds, ComeFromThePageKeyAndRefuseNamesThatWouldBreakTheFile)
{
    auto ids = store::MarkIdsOf(kKey);
    ASSERT_TRUE(ids);
    EXPECT_EQ(ids->board, "b01");
    EXPECT_EQ(ids->topic, "t9");
    EXPECT_FALSE(store::MarkIdsOf("http://b.example/bbs?action=m&board=b01"));
    EXPECT_FALSE(store::MarkIdsOf("http://b.example/bbs?board=b]1&tid=t"));
    EXPECT_FALSE(store::MarkIdsOf("http://b.example/bbs?board=b1&tid=t=2"));
    EXPECT_FALSE(store::MarkIdsOf("http://b.example/bbs?board=&tid=t"));
    EXPECT_FALSE(store::MarkIdsOf(std::string("http://b.example/bbs?board=b\n[x]&tid=t")));
}

std::vector<std::string> Lines(int n)
{
    std::vector<std::string> lines;
    for (int i = 1; i <= n; ++i)
        lines.push_back(std::to_string(i) + "\t0\td\tname\ttitle\ttext");
    return lines;
}

TEST(JumpToMark, MovesThePageAsTheMarkLiesBeforeOrAfterTheView)
{
    const auto lines = Lines(1000);
    auto back = store::JumpToMark(lines, "501", 900, 100); // line 500
    ASSERT_TRUE(back);
    EXPECT_EQ(back->viewStart, 500);
    EXPECT_EQ(back->scrollTarget, 501);
    auto forward = store::JumpToMark(lines, "951", 0, 100); // line 950: the last page
    ASSERT_TRUE(forward);
    EXPECT_EQ(forward->viewStart, 900);
    auto first = store::JumpToMark(lines, "51", 900, 100); // line 50: the first page
    ASSERT_TRUE(first);
    EXPECT_EQ(first->viewStart, 0);
    auto inPlace = store::JumpToMark(lines, "301", 200, 100); // after the view start, room after it
    ASSERT_TRUE(inPlace);
    EXPECT_EQ(inPlace->viewStart, 300);
}

TEST(JumpToMark, AMarkWhoseMessageIsGoneDoesNothing)
{
    EXPECT_FALSE(store::JumpToMark(Lines(10), "11", 0, 100));
    EXPECT_FALSE(store::JumpToMark({}, "1", 0, 100));
    EXPECT_FALSE(store::JumpToMark(Lines(10), "1 ", 0, 100)) << "field 1 is compared exactly";
}

TEST(JumpToMark, ShortLogsAndOddPageSizesStayInsideTheLog)
{
    auto jump = store::JumpToMark(Lines(30), "25", 0, 100);
    ASSERT_TRUE(jump);
    EXPECT_EQ(jump->viewStart, 0);
    auto zeroPage = store::JumpToMark(Lines(30), "25", 0, 0);
    ASSERT_TRUE(zeroPage);
    EXPECT_EQ(zeroPage->viewStart, 24);
}

} // namespace
