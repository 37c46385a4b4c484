// Opening a topic: where the view starts, what it scrolls to, and the local opening.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/textfile.h"
#include "store/threadlog.h"
#include "topictesting.h"

using namespace topictest;

namespace {

class TopicOpen : public TempDir {
protected:
    void StoreLines(const std::vector<std::string> &lines)
    {
        base::SortedTextList numbers;
        store::AddLoggedNumbers(lines, numbers);
        ASSERT_TRUE(store::WriteStoredTopic(LogPath(), lines, numbers));
    }
    void StoreMessages(int first, int last)
    {
        std::vector<std::string> lines;
        for (int n = first; n <= last; ++n)
            lines.push_back(m_board.LineOf(n));
        StoreLines(lines);
    }
    bool OpenLocal(int target, int postCount = 33, int msgview = 5)
    {
        std::optional<store::LocalOpening> opening = store::OpenTopicLocal(Key(1), kBase, m_host);
        if (!opening)
            return false;
        return store::BeginLocalView(m_topic, std::move(*opening), postCount, target, msgview, m_host);
    }
};

TEST_F(TopicOpen, OnlineWithTwentyStoredAndFivePerPageShowsTheLastFive)
{
    StoreMessages(1, 20);
    ASSERT_TRUE(OpenOnline(m_topic, m_host, Options(-1, false, 5), 1, 20));
    EXPECT_EQ(m_topic.viewStart, 15);
    EXPECT_EQ(m_topic.scrollTarget, 20);
    EXPECT_EQ(m_topic.lines.size(), 20u);
    EXPECT_EQ(m_topic.logName, std::string(kTopic) + ".dat");
    EXPECT_EQ(m_topic.listUrl, std::string(kBase) + "bbs?action=topics&board=" + kBoard + "&sid=" + kBoard + "&type=r");
    EXPECT_FALSE(m_topic.unsaved);
}

TEST_F(TopicOpen, ALocalOpeningWritesNothingBackEvenWhenTheIndexIsMissing)
{
    const std::string stored = m_board.LineOf(1) + "\n" + m_board.LineOf(2) + "\n" + m_board.LineOf(3) + "\n";
    std::filesystem::create_directories(m_host.boardDir);
    ASSERT_TRUE(base::WriteFileAtomic(LogPath(), stored));
    ASSERT_TRUE(OpenLocal(-1));
    EXPECT_EQ(m_topic.heldNumbers.size(), 3u) << "the numbers are known from the log";
    EXPECT_FALSE(m_topic.unsaved);
    store::FlushTopic(m_topic, m_host); // as closing the tab does
    EXPECT_EQ(base::ReadFile(LogPath()).value_or(""), stored) << "the log is left as it was";
    EXPECT_FALSE(base::FileExists(IndexPath())) << "no index is made by reading";
}

TEST_F(TopicOpen, OnlineResetsTheFetchButKeepsTheStoppedFlag)
{
    m_topic.flag = 1;
    m_topic.added = 9;
    m_topic.received = 9;
    m_topic.newNumbers = {"4"};
    ASSERT_TRUE(OpenOnline(m_topic, m_host, Options(500), 3, 40));
    EXPECT_EQ(m_topic.flag, 1);
    EXPECT_EQ(m_topic.added, 0);
    EXPECT_EQ(m_topic.received, 0);
    EXPECT_EQ(m_topic.limit, 500);
    EXPECT_EQ(m_topic.rangeFirst, 3);
    EXPECT_EQ(m_topic.rangeLast, 40);
    EXPECT_TRUE(m_topic.newNumbers.empty());
}

TEST_F(TopicOpen, OnlineLogNotStartingWithMessageOneFetchesMessageOne)
{
    StoreMessages(2, 4);
    ASSERT_TRUE(OpenOnline(m_topic, m_host, Options(), 3, 3, 3));
    EXPECT_EQ(m_host.queue.front().url, Key(1));
    EXPECT_EQ(m_topic.scrollTarget, 4);
}

TEST_F(TopicOpen, LocalAtTheEndOfTheLog)
{
    StoreMessages(1, 20);
    EXPECT_TRUE(OpenLocal(-1));
    EXPECT_EQ(m_topic.title, FakeBoard::TitleOf(1));
    EXPECT_EQ(m_topic.postCount, 33);
    EXPECT_EQ(m_topic.viewStart, 15);
    EXPECT_EQ(m_topic.scrollTarget, 20);
    EXPECT_EQ(m_topic.heldNumbers.size(), 20u);
    EXPECT_TRUE(m_host.queue.empty()) << "a local opening requests nothing";
}

TEST_F(TopicOpen, LocalTargetNearTheEndStartsAPageBeforeTheEnd)
{
    StoreMessages(1, 20);
    OpenLocal(18);
    EXPECT_EQ(m_topic.viewStart, 15);
    EXPECT_EQ(m_topic.scrollTarget, 18);
    OpenLocal(4);
    EXPECT_EQ(m_topic.viewStart, 3) << "five lines follow line 3";
    OpenLocal(3, 0, 100);
    EXPECT_EQ(m_topic.viewStart, 0) << "fewer lines than a page: never negative";
}

TEST_F(TopicOpen, LocalTargetNotInTheLogKeepsTheScrollTarget)
{
    StoreMessages(1, 8);
    m_topic.scrollTarget = 77;
    m_topic.viewStart = 5;
    OpenLocal(50);
    EXPECT_EQ(m_topic.viewStart, 0);
    EXPECT_EQ(m_topic.scrollTarget, 77);
}

TEST_F(TopicOpen, LocalLogWithoutMessageOneKeepsTheTitleAndScrollsToANonNumberAsOne)
{
    StoreLines({"2\t1\td\ta\tsecond\tb", "x\t0\td\ta\tbroken\tb"});
    m_topic.title = "kept";
    EXPECT_FALSE(OpenLocal(-1));
    EXPECT_EQ(m_topic.title, "kept");
    EXPECT_EQ(m_topic.scrollTarget, 1);
}

TEST_F(TopicOpen, LocalWithoutLogOrBoardDoesNothing)
{
    EXPECT_FALSE(store::OpenTopicLocal(Key(1), kBase, m_host)) << "no log";
    StoreMessages(1, 2);
    m_host.boardDir.clear();
    EXPECT_FALSE(store::OpenTopicLocal(Key(1), kBase, m_host)) << "board not resolved";
}

} // namespace
