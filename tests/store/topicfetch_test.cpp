// The incremental download: merge, the walk over the range, limits, direction, unreadable
// messages, the end of a fetch, stopping and flushing.
#include <gtest/gtest.h>

#include "base/textfile.h"
#include "store/threadlog.h"
#include "store/topictexts.h"
#include "topictesting.h"

using namespace topictest;

namespace {

class TopicFetch : public TempDir {
protected:
    std::vector<int> LoggedNumbers() const
    {
        std::vector<int> out;
        for (const std::string &line : base::ReadLines(LogPath()).value_or(base::Lines{}))
            out.push_back(store::LogLineNumber(line, -1));
        return out;
    }
    std::vector<std::string> IndexLines() const { return base::ReadLines(IndexPath()).value_or(base::Lines{}); }
    static std::vector<int> Range(int first, int last)
    {
        std::vector<int> out;
        for (int n = first; n <= last; ++n)
            out.push_back(n);
        return out;
    }
    /// Writes a stored log of messages first..last with its index.
    void StoreMessages(int first, int last, bool withIndex = true)
    {
        std::vector<std::string> lines;
        base::SortedTextList numbers;
        for (int n = first; n <= last; ++n) {
            lines.push_back(m_board.LineOf(n));
            numbers.add(std::to_string(n));
        }
        ASSERT_TRUE(store::WriteStoredTopic(LogPath(), lines, numbers));
        if (!withIndex)
            std::filesystem::remove(IndexPath());
    }
};

TEST_F(TopicFetch, FivePostsWithoutLog_MessageOneThenTheRestThenSortedFiles)
{
    m_board.posts = 5;
    const store::FetchOptions options = Options();
    ASSERT_TRUE(OpenOnline(m_topic, m_host, options, 1, 5));
    EXPECT_EQ(m_host.QueuedNumbers(), std::vector<int>{1});
    EXPECT_EQ(m_topic.title, store::kFetchingTitle);
    EXPECT_EQ(m_topic.scrollTarget, 1);

    store::MessageMergeOutcome first = Serve(m_topic, m_host, m_board, options, false, 1);
    EXPECT_TRUE(first.added);
    EXPECT_TRUE(first.titleChanged);
    EXPECT_EQ(m_topic.title, FakeBoard::TitleOf(1));
    EXPECT_EQ(m_topic.postCount, 5);
    EXPECT_EQ(m_host.QueuedNumbers(), Range(2, 5));
    EXPECT_FALSE(first.finished);
    EXPECT_EQ(first.caption, FakeBoard::TitleOf(1) + " (1/5)") << "message 1, counted once, by the walk";
    EXPECT_FALSE(base::FileExists(LogPath())) << "nothing is written before the end";

    const store::MessageMergeOutcome last = Serve(m_topic, m_host, m_board, options);
    ASSERT_TRUE(last.finished);
    EXPECT_TRUE(last.finish.written);
    EXPECT_EQ(last.finish.fetched, 5);
    EXPECT_EQ(last.caption, m_topic.title);
    EXPECT_EQ(LoggedNumbers(), Range(1, 5));
    EXPECT_EQ(IndexLines(), (std::vector<std::string>{"1", "2", "3", "4", "5"}));
    EXPECT_EQ(base::ReadLines(LogPath())->at(2), m_board.LineOf(3));
    EXPECT_EQ(m_topic.newNumbers.size(), 5u);
    EXPECT_FALSE(m_topic.unsaved);
}

TEST_F(TopicFetch, LimitOfOneHundredOverAThousandPosts_AndTheNextOpening)
{
    m_board.posts = 1000;
    const store::FetchOptions options = Options(100);
    ASSERT_TRUE(OpenOnline(m_topic, m_host, options, 1, 1000));
    Serve(m_topic, m_host, m_board, options, false, 1);
    EXPECT_EQ(m_host.QueuedNumbers(), Range(2, 100)) << "message 1 plus 99 requests";
    const store::MessageMergeOutcome done = Serve(m_topic, m_host, m_board, options);
    EXPECT_TRUE(done.finished) << "ends when 100 messages were added";
    EXPECT_EQ(m_topic.added, 100);
    EXPECT_EQ(LoggedNumbers(), Range(1, 100));

    store::TopicState next;
    ASSERT_TRUE(OpenOnline(next, m_host, options, 1, 1000));
    EXPECT_EQ(m_host.queue.front().url, Key(1)) << "the log starts with message 1: the page key itself";
    EXPECT_EQ(next.title, FakeBoard::TitleOf(1));
    EXPECT_EQ(next.viewStart, 0);
    EXPECT_EQ(next.scrollTarget, 100);
    const store::MessageMergeOutcome again = Serve(next, m_host, m_board, options, false, 1);
    EXPECT_FALSE(again.added) << "message 1 is read again but not added";
    EXPECT_EQ(m_host.QueuedNumbers(), Range(101, 200));
    Serve(next, m_host, m_board, options);
    EXPECT_EQ(LoggedNumbers(), Range(1, 200));
    EXPECT_EQ(IndexLines().size(), 200u);
}

TEST_F(TopicFetch, NewestFirst_MessageOneThenDownwardFromTheEnd)
{
    m_board.posts = 1000;
    const store::FetchOptions options = Options(5, true);
    ASSERT_TRUE(OpenOnline(m_topic, m_host, options, 1, 1000));
    EXPECT_EQ(m_host.QueuedNumbers(), std::vector<int>{1});
    Serve(m_topic, m_host, m_board, options, false, 1);
    EXPECT_EQ(m_host.QueuedNumbers(), (std::vector<int>{1000, 999, 998, 997}));
    Serve(m_topic, m_host, m_board, options);
    EXPECT_EQ(LoggedNumbers(), (std::vector<int>{1, 997, 998, 999, 1000}));
}

TEST_F(TopicFetch, LogOfOneToTenOpenedForOneToFifty_CaptionTenOfFiftyThenElevenWithTheFirstNewMessage)
{
    m_board.posts = 50;
    StoreMessages(1, 10);
    const store::FetchOptions options = Options();
    ASSERT_TRUE(OpenOnline(m_topic, m_host, options, 1, 50));
    const store::MessageMergeOutcome first = Serve(m_topic, m_host, m_board, options, false, 1);
    EXPECT_FALSE(first.added);
    EXPECT_EQ(m_host.QueuedNumbers(), Range(11, 50));
    EXPECT_EQ(first.caption, FakeBoard::TitleOf(1) + " (10/50)") << "the ten stored, message 1 among them";
    const store::MessageMergeOutcome eleventh = Serve(m_topic, m_host, m_board, options, false, 1);
    EXPECT_TRUE(eleventh.added);
    EXPECT_EQ(eleventh.caption, FakeBoard::TitleOf(1) + " (11/50)");

    m_topic.flag = 1;
    const store::MessageMergeOutcome stopped = Serve(m_topic, m_host, m_board, options, false, 1);
    EXPECT_EQ(stopped.caption, FakeBoard::TitleOf(1)) << "a stopped tab shows the title alone";
}

TEST_F(TopicFetch, UnreadableMessageIsFetchedOnceMoreThenStoredWithTheZeroDate)
{
    m_board.posts = 3;
    m_board.unreadable = {2};
    const store::FetchOptions options = Options();
    ASSERT_TRUE(OpenOnline(m_topic, m_host, options, 1, 3));
    Serve(m_topic, m_host, m_board, options, false, 1);

    const MessageRecord bad = m_board.Make(2, 0);
    const int receivedBefore = m_topic.received;
    const store::MessageMergeOutcome rejected = store::MergeMessage(m_topic, bad, 0, options, m_host);
    EXPECT_EQ(rejected.answer, store::MergeAnswer::Requeue);
    EXPECT_EQ(m_topic.received, receivedBefore) << "a rejected message changes nothing";
    EXPECT_TRUE(rejected.caption.empty());

    const store::MessageMergeOutcome kept = store::MergeMessage(m_topic, bad, 1, options, m_host);
    EXPECT_EQ(kept.answer, store::MergeAnswer::Handled);
    EXPECT_TRUE(kept.added);
    Serve(m_topic, m_host, m_board, options);
    const base::Lines log = base::ReadLines(LogPath()).value_or(base::Lines{});
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(store::SplitLogLine(log[1]).dateTime, store::kUnreadableDateTime);
}

TEST_F(TopicFetch, UnreadableMessageThroughTheQueueIsRequestedExactlyTwice)
{
    m_board.posts = 2;
    m_board.unreadable = {2};
    const store::FetchOptions options = Options();
    ASSERT_TRUE(OpenOnline(m_topic, m_host, options, 1, 2));
    Serve(m_topic, m_host, m_board, options);
    EXPECT_EQ(LoggedNumbers(), (std::vector<int>{1, 2}));
    EXPECT_EQ(m_topic.received, 2) << "each number once; the rejected answer not at all";
}

TEST_F(TopicFetch, RepliesArrivingInReverseOrderAreWrittenSorted)
{
    m_board.posts = 6;
    const store::FetchOptions options = Options();
    ASSERT_TRUE(OpenOnline(m_topic, m_host, options, 1, 6));
    Serve(m_topic, m_host, m_board, options, false, 1);
    Serve(m_topic, m_host, m_board, options, true);
    EXPECT_EQ(store::LogLineNumber(m_topic.lines[1], 0), 2) << "memory is sorted at the end too";
    EXPECT_EQ(LoggedNumbers(), Range(1, 6));
}

TEST_F(TopicFetch, MessageBeyondItsPagesLastNumberIsCountedNotStored)
{
    m_board.posts = 3;
    const store::FetchOptions options = Options();
    ASSERT_TRUE(OpenOnline(m_topic, m_host, options, 1, 3));
    Serve(m_topic, m_host, m_board, options, false, 1);
    MessageRecord odd = m_board.Make(3, 0);
    odd.lastNumber = 2;
    const int before = m_topic.received;
    EXPECT_FALSE(store::MergeMessage(m_topic, odd, 0, options, m_host).added);
    EXPECT_EQ(m_topic.received, before + 1);
    MessageRecord zero = m_board.Make(0, 0);
    EXPECT_FALSE(store::MergeMessage(m_topic, zero, 0, options, m_host).added) << "no message has number 0";
}

TEST_F(TopicFetch, OneMessageRangeWithoutLog_EndsOnlyWithTheMessageItself)
{
    m_board.posts = 9;
    const store::FetchOptions options = Options();
    ASSERT_TRUE(OpenOnline(m_topic, m_host, options, 7, 7, 7));
    EXPECT_EQ(m_host.QueuedNumbers(), std::vector<int>{1});
    const store::MessageMergeOutcome first = Serve(m_topic, m_host, m_board, options, false, 1);
    EXPECT_FALSE(first.finished) << "message 1 lies outside the range; message 7 is still to come";
    EXPECT_EQ(first.caption, FakeBoard::TitleOf(1) + " (0/7)");
    EXPECT_TRUE(m_topic.downloading());
    EXPECT_EQ(m_host.QueuedNumbers(), std::vector<int>{7});
    const store::MessageMergeOutcome second = Serve(m_topic, m_host, m_board, options);
    EXPECT_TRUE(second.finished);
    EXPECT_TRUE(second.finish.changed);
    EXPECT_EQ(LoggedNumbers(), (std::vector<int>{1, 7}));

    store::TopicState reopened;
    ASSERT_TRUE(OpenOnline(reopened, m_host, options, 7, 7, 7));
    EXPECT_EQ(m_host.queue.front().url, Key(7)) << "the log starts with message 1: fetch message 7 itself";
}

TEST_F(TopicFetch, RequestsThatCannotBeQueuedCountAsReceivedSoTheFetchEnds)
{
    m_board.posts = 4;
    const store::FetchOptions options = Options();
    ASSERT_TRUE(OpenOnline(m_topic, m_host, options, 1, 4));
    m_host.refuse = true;
    const store::MessageMergeOutcome first = Serve(m_topic, m_host, m_board, options, false, 1);
    EXPECT_TRUE(first.finished);
    EXPECT_EQ(LoggedNumbers(), std::vector<int>{1});
}

TEST_F(TopicFetch, OpeningFailsWhenTheFirstRequestCannotBeQueued)
{
    m_host.refuse = true;
    EXPECT_FALSE(store::OpenTopicOnline(Key(1), Options(), m_host));
    EXPECT_FALSE(store::OpenTopicOnline(std::string(kBase) + "bbs?action=m&board=b&mid=1", Options(), m_host))
        << "no tid=";
}

TEST_F(TopicFetch, UnresolvedBoardWritesNothingButKeepsTheMessages)
{
    m_board.posts = 3;
    m_host.boardDir.clear();
    const store::FetchOptions options = Options();
    ASSERT_TRUE(OpenOnline(m_topic, m_host, options, 1, 3));
    const store::MessageMergeOutcome last = Serve(m_topic, m_host, m_board, options);
    EXPECT_TRUE(last.finished);
    EXPECT_FALSE(last.finish.boardDirKnown);
    EXPECT_FALSE(last.finish.written);
    EXPECT_EQ(m_topic.lines.size(), 3u);
    EXPECT_TRUE(m_topic.unsaved) << "still unsaved: a later flush may write it";
}

TEST_F(TopicFetch, MissingNumberIndexIsRebuiltFromTheLog)
{
    m_board.posts = 10;
    StoreMessages(1, 10, false);
    const store::FetchOptions options = Options();
    ASSERT_TRUE(OpenOnline(m_topic, m_host, options, 1, 10));
    EXPECT_EQ(m_topic.heldNumbers.size(), 10u);
    EXPECT_TRUE(m_topic.unsaved) << "the repaired index is to be written";
    const store::MessageMergeOutcome first = Serve(m_topic, m_host, m_board, options);
    EXPECT_TRUE(m_host.queue.empty()) << "nothing is downloaded again";
    EXPECT_TRUE(first.finished);
    EXPECT_EQ(LoggedNumbers(), Range(1, 10)) << "no message appended twice";
    EXPECT_EQ(IndexLines().size(), 10u);
}

TEST_F(TopicFetch, IndexLaggingBehindTheLogIsCompletedFromIt)
{
    // What a crash between writing the log and writing its index leaves behind.
    m_board.posts = 8;
    StoreMessages(1, 8);
    base::WriteLines(IndexPath(), {"1", "2", "3"});
    const store::FetchOptions options = Options();
    ASSERT_TRUE(OpenOnline(m_topic, m_host, options, 1, 8));
    Serve(m_topic, m_host, m_board, options);
    EXPECT_EQ(LoggedNumbers(), Range(1, 8));
}

TEST_F(TopicFetch, StopCountsTheRemovedRequestsWritesAndKeepsTheCaption)
{
    m_board.posts = 20;
    const store::FetchOptions options = Options();
    ASSERT_TRUE(OpenOnline(m_topic, m_host, options, 1, 20));
    Serve(m_topic, m_host, m_board, options, false, 3);
    const int waiting = static_cast<int>(m_host.queue.size());
    m_host.queue.clear();
    const store::FinishOutcome stopped = store::StopFetch(m_topic, waiting, options, m_host);
    EXPECT_TRUE(stopped.written);
    EXPECT_EQ(m_topic.flag, 1);
    EXPECT_FALSE(m_topic.downloading()) << "every number of the range is accounted for";
    EXPECT_EQ(LoggedNumbers(), Range(1, 3));
    EXPECT_EQ(store::FetchCaption(m_topic), m_topic.title);
}

TEST_F(TopicFetch, FlushWritesWhatWasMergedBeforeTheFetchEnded)
{
    m_board.posts = 10;
    const store::FetchOptions options = Options();
    ASSERT_TRUE(OpenOnline(m_topic, m_host, options, 1, 10));
    Serve(m_topic, m_host, m_board, options, false, 1);
    Serve(m_topic, m_host, m_board, options, true, 4); // 10, 9, 8, 7
    ASSERT_FALSE(base::FileExists(LogPath()));
    ASSERT_TRUE(m_topic.unsaved);

    EXPECT_TRUE(store::FlushTopic(m_topic, m_host));
    EXPECT_EQ(LoggedNumbers(), (std::vector<int>{1, 7, 8, 9, 10}));
    EXPECT_EQ(IndexLines(), (std::vector<std::string>{"1", "10", "7", "8", "9"}));
    EXPECT_FALSE(m_topic.unsaved);

    std::filesystem::remove(LogPath());
    EXPECT_TRUE(store::FlushTopic(m_topic, m_host));
    EXPECT_FALSE(base::FileExists(LogPath())) << "nothing unsaved: nothing written";
}

TEST_F(TopicFetch, ReusingATabForAnotherTopicWritesTheOldTopicFirst)
{
    m_board.posts = 4;
    const store::FetchOptions options = Options();
    ASSERT_TRUE(OpenOnline(m_topic, m_host, options, 1, 4));
    Serve(m_topic, m_host, m_board, options, false, 2);
    m_host.queue.clear();

    const std::string otherKey =
        std::string(kBase) + "bbs?action=m&board=" + kBoard + "&sid=" + kBoard + "&tid=t88&mid=1";
    std::optional<store::OnlineOpening> other = store::OpenTopicOnline(otherKey, options, m_host);
    ASSERT_TRUE(other);
    store::BeginOnlineFetch(m_topic, std::move(*other), 1, 3, options, m_host);
    EXPECT_EQ(LoggedNumbers(), (std::vector<int>{1, 2}));
    EXPECT_EQ(m_topic.logName, "t88.dat");
    EXPECT_TRUE(m_topic.lines.empty());
    EXPECT_EQ(m_topic.topicUrl, otherKey);
}

TEST(ViewStartAfterFinish, StaysAtZeroAdvancesByAPageOrShowsTheLastPage)
{
    EXPECT_EQ(store::ViewStartAfterFinish(0, 500, 100), 0);
    EXPECT_EQ(store::ViewStartAfterFinish(100, 400, 100), 200) << "a whole page follows";
    EXPECT_EQ(store::ViewStartAfterFinish(100, 250, 100), 150) << "less than a page follows";
    EXPECT_EQ(store::ViewStartAfterFinish(100, 300, 100), 200);
    EXPECT_EQ(store::ViewStartAfterFinish(10, 50, 100), 0) << "never negative";
}

TEST(FetchLimit, FromTheChosenDownloadCount)
{
    settings::NetworkSettings n;
    EXPECT_EQ(store::FetchLimit(n), 100) << "index 1 of 100,500,1000,5000";
    n.dlCountIndex = 0;
    EXPECT_EQ(store::FetchLimit(n), -1);
    n.dlCountIndex = 3;
    EXPECT_EQ(store::FetchLimit(n), 1000);
    n.dlCountIndex = 9;
    EXPECT_EQ(store::FetchLimit(n), 5000) << "beyond the list: its last entry";
    n.dlCount = {"many"};
    n.dlCountIndex = 1;
    EXPECT_EQ(store::FetchLimit(n), 1) << "not a number";
    n.dlCount = {"0"};
    EXPECT_EQ(store::FetchLimit(n), 1);
    n.dlCount.clear();
    EXPECT_EQ(store::FetchLimit(n), -1);

    const std::vector<std::string> counts = {"100", "500"};
    EXPECT_EQ(store::DlCountIndexFor("500", counts), 2);
    EXPECT_EQ(store::DlCountIndexFor("\x82\xb7\x82\xd7\x82\xc4", counts), 0); // すべて (all)
}

} // namespace
