// Topic downloads that must end and names that must not leave the board's folder: given-up
// message requests, the download limit as a ceiling, and topic ids from URLs at every opening,
// fetch and finish.
#include "base/textfile.h"
#include "net/notice.h"
#include "net/texts.h"
#include "store/safename.h"
#include "store/threadlog.h"
#include "store/topictexts.h"
#include "topictesting.h"

#include <gtest/gtest.h>

using namespace topictest;

namespace {

/// The three forms a hostile topic id takes: raw, percent-encoded and absolute.
// Relative to the board folder, "../escaped" is the test directory's own "escaped".
const std::vector<std::string> kBadIds = {"..%2Fescaped", "../escaped", "/tmp/nk-escaped-abs"};

std::string KeyWithTid(const std::string &tid, int mid = 1)
{
    return std::string(kBase) + "bbs?action=m&board=" + kBoard + "&sid=" + kBoard + "&tid=" + tid +
           "&mid=" + std::to_string(mid);
}

class TopicMends : public TempDir {
protected:
    /// Notice 7 of a request that was given up: the failure message standing in for mid.
    store::MessageMergeOutcome GiveUp(int mid)
    {
        m_failure = MessageRecord{};
        Put(m_failure.author, net::kFailureAuthor);
        Put(m_failure.title, net::kRetryErrorText);
        Put(m_failure.date, "0000/00/00");
        Put(m_failure.time, "00:00");
        m_failure.number = mid;
        m_failure.lastNumber = mid;
        net::PageResult result{};
        result.result = &m_failure;
        result.givenUp = 1;
        Put(result.key, m_topic.topicUrl);
        return store::MergeMessage(m_topic, result, Options(), m_host);
    }
    /// Takes the queued request for mid out of the queue (it will be given up).
    void Drop(int mid)
    {
        for (auto it = m_host.queue.begin(); it != m_host.queue.end(); ++it)
            if (it->url == Key(mid) || base::ExtractUrlParam("mid=", it->url) == std::to_string(mid)) {
                m_host.queue.erase(it);
                return;
            }
        ADD_FAILURE() << "no request for " << mid;
    }
    std::vector<int> Logged() const
    {
        std::vector<int> out;
        for (const std::string &line : base::ReadLines(LogPath()).value_or(base::Lines{}))
            out.push_back(store::LogLineNumber(line, -1));
        return out;
    }
    /// No file of that name anywhere the hostile ids could reach.
    void ExpectNothingEscaped()
    {
        EXPECT_FALSE(std::filesystem::exists(m_dir + "/escaped.dat"));
        EXPECT_FALSE(std::filesystem::exists(m_dir + "/escaped.log"));
        EXPECT_FALSE(std::filesystem::exists("/tmp/nk-escaped-abs.dat"));
        EXPECT_FALSE(std::filesystem::exists(m_host.boardDir + "/..%2Fescaped.dat"));
    }

    MessageRecord m_failure{};
};

TEST_F(TopicMends, AGivenUpMessageCountsAsReceivedIsNotStoredAndIsAskedForNextTime)
{
    m_board.posts = 6;
    const store::FetchOptions options = Options();
    ASSERT_TRUE(OpenOnline(m_topic, m_host, options, 1, 6));
    Serve(m_topic, m_host, m_board, options, false, 1);
    Drop(3);
    Drop(5);
    const store::MessageMergeOutcome served = Serve(m_topic, m_host, m_board, options);
    EXPECT_FALSE(served.finished) << "two answers are still missing";
    EXPECT_FALSE(GiveUp(3).finished) << "the answer for 5 is still due";
    const store::MessageMergeOutcome last = GiveUp(5);
    ASSERT_TRUE(last.finished) << "the fetch ends when the given-up requests are counted";
    EXPECT_EQ(last.caption, FakeBoard::TitleOf(1));
    EXPECT_EQ(m_topic.failed, 2);
    EXPECT_EQ(Logged(), (std::vector<int>{1, 2, 4, 6})) << "the failure messages are not stored";
    EXPECT_EQ(last.finish.fetched, 4);
    EXPECT_EQ(store::FinishStatusText(m_topic),
              std::string(store::kThreadFetchFinished) + " (2" + store::kMessagesNotFetchedText + ")");

    store::TopicState again;
    ASSERT_TRUE(OpenOnline(again, m_host, options, 1, 6));
    m_host.queue.clear();
    const store::MessageMergeOutcome first = store::MergeMessage(again, m_board.Make(1, 0), 0, options, m_host);
    EXPECT_FALSE(first.added);
    EXPECT_EQ(m_host.QueuedNumbers(), (std::vector<int>{3, 5})) << "only what could not be fetched";
    EXPECT_EQ(again.failed, 0) << "each fetch counts its own";
    EXPECT_EQ(store::FinishStatusText(again), store::kThreadFetchFinished);
}

TEST_F(TopicMends, AFirstRequestGivenUpEndsTheFetchAtOnceAndSaysSo)
{
    const store::FetchOptions options = Options();
    ASSERT_TRUE(OpenOnline(m_topic, m_host, options, 1, 98));
    m_host.queue.clear();
    const store::MessageMergeOutcome out = GiveUp(1);
    ASSERT_TRUE(out.finished) << "nothing else was asked for, so nothing else will come";
    EXPECT_FALSE(m_topic.downloading());
    EXPECT_EQ(m_topic.failed, 98);
    EXPECT_EQ(out.caption, net::kRetryErrorText) << "not \"fetching\" for ever";
    EXPECT_TRUE(m_host.queue.empty());
    EXPECT_FALSE(base::FileExists(LogPath()) && !base::ReadLines(LogPath())->empty());
}

TEST_F(TopicMends, AFirstRequestGivenUpCountsNoMoreThanTheLimitWouldHaveFetched)
{
    const store::FetchOptions options = Options(10);
    ASSERT_TRUE(OpenOnline(m_topic, m_host, options, 1, 98));
    m_topic.heldNumbers.add("2");
    m_host.queue.clear();
    net::PageResult result{};
    MessageRecord failure{};
    result.result = &failure;
    result.givenUp = 1;
    EXPECT_TRUE(store::MergeMessage(m_topic, result, options, m_host).finished);
    EXPECT_EQ(m_topic.failed, 10);
}

TEST_F(TopicMends, AReFetchThatCannotBeQueuedIsGivenUpToo)
{
    m_board.posts = 3;
    const store::FetchOptions options = Options();
    ASSERT_TRUE(OpenOnline(m_topic, m_host, options, 1, 3));
    Serve(m_topic, m_host, m_board, options, false, 1);
    Drop(2);
    Serve(m_topic, m_host, m_board, options);
    const store::MessageMergeOutcome out = store::GiveUpMessage(m_topic, options, m_host);
    EXPECT_TRUE(out.finished);
    EXPECT_EQ(m_topic.failed, 1);
}

TEST_F(TopicMends, RequestsThatCannotBeQueuedAreCountedAsNotFetched)
{
    m_board.posts = 4;
    const store::FetchOptions options = Options();
    ASSERT_TRUE(OpenOnline(m_topic, m_host, options, 1, 4));
    m_host.refuse = true;
    EXPECT_TRUE(Serve(m_topic, m_host, m_board, options, false, 1).finished);
    EXPECT_EQ(m_topic.failed, 3);
}

TEST_F(TopicMends, LimitOneWithMessageOneNewAsksForNothingMore)
{
    m_board.posts = 50;
    const store::FetchOptions options = Options(1);
    ASSERT_TRUE(OpenOnline(m_topic, m_host, options, 1, 50));
    const store::MessageMergeOutcome first = Serve(m_topic, m_host, m_board, options, false, 1);
    EXPECT_TRUE(first.added);
    EXPECT_TRUE(m_host.queue.empty()) << "the limit was reached by message 1 itself";
    EXPECT_TRUE(first.finished);
    EXPECT_EQ(Logged(), std::vector<int>{1});
}

TEST_F(TopicMends, LimitTwoAsksForOneMoreThenEnds)
{
    m_board.posts = 50;
    const store::FetchOptions options = Options(2);
    ASSERT_TRUE(OpenOnline(m_topic, m_host, options, 1, 50));
    Serve(m_topic, m_host, m_board, options, false, 1);
    EXPECT_EQ(m_host.QueuedNumbers(), std::vector<int>{2});
    EXPECT_TRUE(Serve(m_topic, m_host, m_board, options).finished);
    EXPECT_EQ(Logged(), (std::vector<int>{1, 2}));
}

TEST_F(TopicMends, HostileTopicIdsAreRefusedAtTheOnlineOpening)
{
    // A log the hostile ids would name, outside the board's folder.
    ASSERT_TRUE(base::WriteLines(m_dir + "/escaped.dat", {m_board.LineOf(1)}));
    for (const std::string &tid : kBadIds) {
        EXPECT_FALSE(store::OpenTopicOnline(KeyWithTid(tid), Options(), m_host)) << tid;
        EXPECT_TRUE(m_host.queue.empty()) << tid << ": nothing is requested";
    }
    std::filesystem::remove(m_dir + "/escaped.dat");
    ExpectNothingEscaped();
}

TEST_F(TopicMends, HostileTopicIdsAreRefusedAtTheLocalOpening)
{
    ASSERT_TRUE(base::WriteLines(m_dir + "/escaped.dat", {m_board.LineOf(1)}));
    ASSERT_TRUE(base::WriteLines("/tmp/nk-escaped-abs.dat", {m_board.LineOf(1)}));
    std::filesystem::create_directories(m_host.boardDir);
    for (const std::string &tid : kBadIds)
        EXPECT_FALSE(store::OpenTopicLocal(KeyWithTid(tid), kBase, m_host)) << tid << ": the log outside is not read";
    std::filesystem::remove("/tmp/nk-escaped-abs.dat");
}

TEST_F(TopicMends, HostileLogNamesAreNeverWrittenWhenAFetchFinishesOrFlushes)
{
    m_board.posts = 2;
    const store::FetchOptions options = Options();
    for (const std::string &tid : kBadIds) {
        store::TopicState topic;
        ASSERT_TRUE(OpenOnline(topic, m_host, options, 1, 2));
        // A restored or reused tab carrying a name from outside.
        topic.logName = tid + ".dat";
        m_host.queue.clear();
        store::MessageMergeOutcome out;
        for (int n = 1; n <= 2; ++n)
            out = store::MergeMessage(topic, m_board.Make(n, 0), 0, options, m_host);
        ASSERT_TRUE(out.finished) << tid;
        EXPECT_FALSE(out.finish.written) << tid;
        topic.unsaved = true;
        EXPECT_FALSE(store::FlushTopic(topic, m_host)) << tid;
        EXPECT_FALSE(store::StopFetch(topic, 0, options, m_host).written) << tid;
    }
    ExpectNothingEscaped();
}

} // namespace
