// Counting a download's answers: each number of the range counts once, the caption's count moves
// one per answer and never passes the range, and the fetch ends with the answer to its last
// request, once that answer is stored.
#include "base/textfile.h"
#include "store/threadlog.h"
#include "topictesting.h"

#include <gtest/gtest.h>
#include <numeric>
#include <regex>

using namespace topictest;

namespace {

class FetchCount : public TempDir {
protected:
    /// One answer after another from the queue (the newest request first with lastFirst),
    /// re-queueing rejected ones, until the queue is empty; the outcome of every answer.
    std::vector<store::MessageMergeOutcome> ServeEach(const store::FetchOptions &options, bool lastFirst = false)
    {
        std::vector<store::MessageMergeOutcome> outcomes;
        while (!m_host.queue.empty())
            outcomes.push_back(Serve(m_topic, m_host, m_board, options, lastFirst, 1));
        return outcomes;
    }
    /// The count of a caption "title (count/total)"; -1 when it has none.
    static int CountIn(const std::string &caption, int total)
    {
        static const std::regex counted(".* \\(([0-9]+)/([0-9]+)\\)");
        std::smatch match;
        if (!std::regex_match(caption, match, counted) || std::stoi(match[2].str()) != total)
            return -1;
        return std::stoi(match[1].str());
    }
    std::vector<int> Logged() const
    {
        std::vector<int> out;
        for (const std::string &line : base::ReadLines(LogPath()).value_or(base::Lines{}))
            out.push_back(store::LogLineNumber(line, -1));
        return out;
    }
    void StoreMessages(int first, int last)
    {
        std::vector<std::string> lines;
        decltype(store::TopicState::heldNumbers) numbers;
        for (int n = first; n <= last; ++n) {
            lines.push_back(m_board.LineOf(n));
            numbers.add(std::to_string(n));
        }
        ASSERT_TRUE(store::WriteStoredTopic(LogPath(), lines, numbers));
    }
    /// Every answer but the last leaves the fetch running with a count one above the answer
    /// before; the last ends it with every number logged.
    void ExpectEndsWithTheLastAnswer(const std::vector<store::MessageMergeOutcome> &outcomes, int rangeLast,
                                     int firstCount)
    {
        ASSERT_FALSE(outcomes.empty());
        for (std::size_t i = 0; i + 1 < outcomes.size(); ++i) {
            EXPECT_FALSE(outcomes[i].finished) << "answer " << i + 1 << " of " << outcomes.size();
            EXPECT_EQ(CountIn(outcomes[i].caption, rangeLast), firstCount + static_cast<int>(i)) << outcomes[i].caption;
        }
        EXPECT_TRUE(outcomes.back().finished);
        EXPECT_TRUE(outcomes.back().finish.written);
        EXPECT_FALSE(m_topic.downloading());
    }
};

TEST_F(FetchCount, TwentyPostsWithoutLogEndWithTheTwentiethAnswerInEitherOrder)
{
    for (bool lastFirst : {false, true}) {
        SCOPED_TRACE(lastFirst ? "newest request first" : "in queue order");
        std::filesystem::remove_all(m_host.boardDir);
        m_board.posts = 20;
        m_topic = store::TopicState{};
        const store::FetchOptions options = Options();
        ASSERT_TRUE(OpenOnline(m_topic, m_host, options, 1, 20));
        const std::vector<store::MessageMergeOutcome> outcomes = ServeEach(options, lastFirst);
        ASSERT_EQ(outcomes.size(), 20u);
        ExpectEndsWithTheLastAnswer(outcomes, 20, 1);
        std::vector<int> all(20);
        std::iota(all.begin(), all.end(), 1);
        EXPECT_EQ(Logged(), all) << "the last answer is in the written log";
        EXPECT_EQ(m_topic.received, 20);
    }
}

TEST_F(FetchCount, StoredLogCountsEachStoredNumberOnceThenOnePerAnswer)
{
    m_board.posts = 30;
    StoreMessages(1, 12);
    const store::FetchOptions options = Options();
    ASSERT_TRUE(OpenOnline(m_topic, m_host, options, 1, 30));
    const std::vector<store::MessageMergeOutcome> outcomes = ServeEach(options);
    ASSERT_EQ(outcomes.size(), 19u) << "message 1 again, then 13 to 30";
    ExpectEndsWithTheLastAnswer(outcomes, 30, 12);
    EXPECT_EQ(Logged().size(), 30u);
}

TEST_F(FetchCount, NewestFirstWithAStoredLogEndsWithTheLastAnswer)
{
    m_board.posts = 15;
    StoreMessages(1, 4);
    const store::FetchOptions options = Options(-1, true);
    ASSERT_TRUE(OpenOnline(m_topic, m_host, options, 1, 15));
    const std::vector<store::MessageMergeOutcome> outcomes = ServeEach(options);
    ASSERT_EQ(outcomes.size(), 12u);
    ExpectEndsWithTheLastAnswer(outcomes, 15, 4);
}

TEST_F(FetchCount, RangeNotStartingAtOneDoesNotCountMessageOne)
{
    // Message 1 is fetched first (the log lacks it) but is no number of the range 4..8.
    m_board.posts = 8;
    const store::FetchOptions options = Options();
    ASSERT_TRUE(OpenOnline(m_topic, m_host, options, 4, 8, 4));
    const std::vector<store::MessageMergeOutcome> outcomes = ServeEach(options);
    ASSERT_EQ(outcomes.size(), 6u);
    EXPECT_EQ(CountIn(outcomes.front().caption, 8), 0);
    ExpectEndsWithTheLastAnswer(outcomes, 8, 0);
    EXPECT_EQ(Logged(), (std::vector<int>{1, 4, 5, 6, 7, 8}));
}

TEST_F(FetchCount, AFirstAnswerThatCountsNothingAsksForTheRangeOnlyOnce)
{
    m_board.posts = 8;
    const store::FetchOptions options = Options();
    ASSERT_TRUE(OpenOnline(m_topic, m_host, options, 4, 8, 4));
    Serve(m_topic, m_host, m_board, options, false, 1);
    ASSERT_EQ(m_topic.received, 0);
    Serve(m_topic, m_host, m_board, options, false, 1);
    EXPECT_EQ(m_host.QueuedNumbers(), (std::vector<int>{5, 6, 7, 8})) << "no second walk";
}

TEST_F(FetchCount, AFirstAnswerBeyondItsLastNumberIsAskedForAgainAndCountedThen)
{
    // The page key names message 9 of a topic that reports 9 posts, but message 9's own page
    // says the last is 8: it is not stored, and the walk asks for it once more.
    m_board.posts = 9;
    StoreMessages(1, 6);
    const store::FetchOptions options = Options();
    ASSERT_TRUE(OpenOnline(m_topic, m_host, options, 1, 9, 9));
    m_host.queue.clear();
    MessageRecord ninth = m_board.Make(9, 0);
    ninth.lastNumber = 8;
    const store::MessageMergeOutcome first = store::MergeMessage(m_topic, ninth, 0, options, m_host);
    EXPECT_FALSE(first.added);
    EXPECT_EQ(m_host.QueuedNumbers(), (std::vector<int>{7, 8, 9}));
    EXPECT_EQ(CountIn(first.caption, 9), 6);
    const std::vector<store::MessageMergeOutcome> rest = ServeEach(options);
    ASSERT_EQ(rest.size(), 3u);
    EXPECT_FALSE(rest[1].finished);
    EXPECT_TRUE(rest[2].finished);
    EXPECT_EQ(m_topic.received, 9);
}

TEST_F(FetchCount, ALimitedFetchWithAGivenUpAnswerStillEnds)
{
    m_board.posts = 50;
    const store::FetchOptions options = Options(5);
    ASSERT_TRUE(OpenOnline(m_topic, m_host, options, 1, 50));
    Serve(m_topic, m_host, m_board, options, false, 1);
    ASSERT_EQ(m_host.QueuedNumbers(), (std::vector<int>{2, 3, 4, 5}));
    m_host.queue.erase(m_host.queue.begin() + 1); // message 3 will be given up
    const std::vector<store::MessageMergeOutcome> served = ServeEach(options);
    ASSERT_EQ(served.size(), 3u);
    EXPECT_FALSE(served.back().finished) << "message 3 is still due";
    const store::MessageMergeOutcome last = store::GiveUpMessage(m_topic, options, m_host);
    EXPECT_TRUE(last.finished) << "nothing more will come, though only four were added";
    EXPECT_EQ(m_topic.added, 4);
    EXPECT_EQ(Logged(), (std::vector<int>{1, 2, 4, 5}));
    EXPECT_EQ(last.caption, m_topic.title);
}

TEST_F(FetchCount, AnUnreadableLastAnswerEndsTheFetchOnlyWhenItIsStored)
{
    m_board.posts = 4;
    m_board.unreadable = {4};
    const store::FetchOptions options = Options();
    ASSERT_TRUE(OpenOnline(m_topic, m_host, options, 1, 4));
    const std::vector<store::MessageMergeOutcome> outcomes = ServeEach(options);
    ASSERT_EQ(outcomes.size(), 5u) << "message 4 twice";
    EXPECT_EQ(outcomes[3].answer, store::MergeAnswer::Requeue);
    EXPECT_FALSE(outcomes[2].finished);
    EXPECT_TRUE(outcomes[4].finished);
    EXPECT_EQ(Logged(), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(m_topic.received, 4);
}

TEST_F(FetchCount, AStoppedFetchAsksForNothingWhenItsFirstAnswerArrivesLate)
{
    m_board.posts = 20;
    const store::FetchOptions options = Options();
    ASSERT_TRUE(OpenOnline(m_topic, m_host, options, 1, 20));
    m_host.queue.clear(); // the first request is running: stopping cannot take it back
    store::StopFetch(m_topic, 0, options, m_host);
    const store::MessageMergeOutcome late = store::MergeMessage(m_topic, m_board.Make(1, 0), 0, options, m_host);
    EXPECT_TRUE(late.added);
    EXPECT_TRUE(m_host.queue.empty()) << "stopped means no more requests";
    EXPECT_EQ(late.caption, m_topic.title);
    // Its count of posts is still the topic's: the next download of new messages starts from it.
    EXPECT_EQ(m_topic.postCount, 20);
}

TEST_F(FetchCount, AnAnswerStillRunningWhenALimitedFetchWasStoppedIsWrittenWhenItComes)
{
    m_board.posts = 50;
    const store::FetchOptions options = Options(5);
    ASSERT_TRUE(OpenOnline(m_topic, m_host, options, 1, 50));
    Serve(m_topic, m_host, m_board, options, false, 2); // message 1, then 2
    ASSERT_EQ(m_host.QueuedNumbers(), (std::vector<int>{3, 4, 5}));
    m_host.queue.pop_front(); // 3 is running
    const int removed = static_cast<int>(m_host.queue.size());
    m_host.queue.clear();
    EXPECT_TRUE(store::StopFetch(m_topic, removed, options, m_host).written);
    EXPECT_EQ(Logged(), (std::vector<int>{1, 2}));
    const store::MessageMergeOutcome late = store::MergeMessage(m_topic, m_board.Make(3, 0), 0, options, m_host);
    EXPECT_TRUE(late.finished) << "it was the last answer due";
    EXPECT_EQ(Logged(), (std::vector<int>{1, 2, 3}));
}

} // namespace
