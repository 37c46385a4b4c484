// Deleting a message from a topic log: both files stay in step through deletions, fetches and
// reopenings, and the number that leaves the index is the deleted message's own.
#include "base/textfile.h"
#include "store/messagedelete.h"
#include "store/threadlog.h"
#include "topictesting.h"

#include <gtest/gtest.h>

namespace {

using store::MessageDeleteResult;
using topictest::Options;

class MessageDelete : public topictest::TempDir {
protected:
    /// Downloads messages 1..posts into the tab and its files.
    void Download(int posts)
    {
        m_board.posts = posts;
        ASSERT_TRUE(topictest::OpenOnline(m_topic, m_host, Options(), 1, posts));
        topictest::Serve(m_topic, m_host, m_board, Options());
        ASSERT_FALSE(m_topic.downloading());
        ASSERT_TRUE(base::FileExists(LogPath()));
    }

    std::vector<int> LoggedNumbers() const
    {
        std::vector<int> out;
        const base::Lines lines = base::ReadLines(LogPath()).value_or(base::Lines{"<missing>"});
        for (const std::string &line : lines)
            out.push_back(store::LogLineNumber(line, -1));
        return out;
    }
    std::vector<std::string> IndexLines() const
    {
        return base::ReadLines(IndexPath()).value_or(base::Lines{"<missing>"});
    }

    /// The files agree with each other and with the tab: every logged number is indexed, every
    /// indexed number is logged.
    void ExpectConsistent() const
    {
        base::SortedTextList logged;
        store::AddLoggedNumbers(*base::ReadLines(LogPath()), logged);
        EXPECT_EQ(logged.items(), IndexLines());
        EXPECT_EQ(*base::ReadLines(LogPath()), m_topic.lines);
        EXPECT_EQ(m_topic.heldNumbers.items(), IndexLines());
        EXPECT_FALSE(m_topic.unsaved);
    }

    store::MessageDeleteResult Delete(int target, int msgview = 100)
    {
        return store::DeleteMessage(m_topic, target, msgview, m_host).result;
    }
};

TEST_F(MessageDelete, RemovesTheDeletedMessagesOwnNumberNotItsPosition)
{
    Download(12);
    // Message 10 sits on line index 9; the index must lose "10" and keep "9".
    EXPECT_EQ(Delete(10), MessageDeleteResult::Deleted);
    EXPECT_EQ(LoggedNumbers(), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12}));
    EXPECT_EQ(IndexLines(), (std::vector<std::string>{"1", "11", "12", "2", "3", "4", "5", "6", "7", "8", "9"}));
    ExpectConsistent();
}

TEST_F(MessageDelete, FirstLastAndTwiceKeepBothFilesInStep)
{
    Download(5);
    EXPECT_EQ(Delete(1), MessageDeleteResult::Deleted);
    ExpectConsistent();
    EXPECT_EQ(m_topic.scrollTarget, 2) << "the view goes to the message that took its place";
    EXPECT_EQ(Delete(5), MessageDeleteResult::Deleted);
    ExpectConsistent();
    EXPECT_EQ(m_topic.scrollTarget, 4) << "after the last, the one before it";
    EXPECT_EQ(Delete(5), MessageDeleteResult::NotFound) << "deleting twice";
    EXPECT_EQ(Delete(3), MessageDeleteResult::Deleted);
    EXPECT_EQ(LoggedNumbers(), (std::vector<int>{2, 4}));
    ExpectConsistent();
    EXPECT_EQ(Delete(2), MessageDeleteResult::Deleted);
    EXPECT_EQ(Delete(4), MessageDeleteResult::Deleted);
    EXPECT_TRUE(m_topic.lines.empty());
    EXPECT_EQ(*base::ReadFile(LogPath()), "");
    EXPECT_EQ(*base::ReadFile(IndexPath()), "");
}

TEST_F(MessageDelete, ADeletedMessageComesBackWithTheNextDownloadAndAfterAReopening)
{
    Download(6);
    ASSERT_EQ(Delete(4), MessageDeleteResult::Deleted);

    // Reopened from its files, as after a restart: message 4 is missing, and not held.
    store::TopicState reopened;
    m_host.queue.clear();
    ASSERT_TRUE(topictest::OpenOnline(reopened, m_host, Options(), 1, 6));
    EXPECT_EQ(reopened.lines.size(), 5u);
    EXPECT_FALSE(reopened.heldNumbers.contains("4"));
    topictest::Serve(reopened, m_host, m_board, Options());
    EXPECT_EQ(reopened.lines.size(), 6u) << "the next download fetches it again";
    EXPECT_EQ(LoggedNumbers(), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    m_topic = reopened;
    ExpectConsistent();
}

TEST_F(MessageDelete, DuringADownloadTheUnsortedLinesAreWrittenSortedWithWhatWasMerged)
{
    m_board.posts = 8;
    ASSERT_TRUE(topictest::OpenOnline(m_topic, m_host, Options(), 1, 8));
    // Served newest first, and stopped before the end: nothing written yet, lines unsorted.
    topictest::Serve(m_topic, m_host, m_board, Options(), true, 5);
    ASSERT_TRUE(m_topic.unsaved);
    // The log of an earlier visit is on disk.
    ASSERT_TRUE(base::MakeDirs(m_host.boardDir));
    ASSERT_TRUE(base::WriteLines(LogPath(), {}));
    const std::size_t held = m_topic.lines.size();
    EXPECT_EQ(Delete(8), MessageDeleteResult::Deleted);
    EXPECT_EQ(m_topic.lines.size(), held - 1);
    EXPECT_TRUE(std::is_sorted(m_topic.lines.begin(), m_topic.lines.end(), [](const auto &a, const auto &b) {
        return store::LogLineNumber(a, 0) < store::LogLineNumber(b, 0);
    }));
    ExpectConsistent();
    // The rest of the download still completes the topic, message 8 included.
    topictest::Serve(m_topic, m_host, m_board, Options());
    EXPECT_FALSE(m_topic.downloading());
}

TEST_F(MessageDelete, NothingChangesWithoutATargetALineOrALogFile)
{
    Download(3);
    const auto lines = m_topic.lines;
    EXPECT_EQ(Delete(-1), MessageDeleteResult::NoTarget);
    EXPECT_EQ(Delete(9), MessageDeleteResult::NotFound);
    std::filesystem::remove(LogPath());
    EXPECT_EQ(Delete(2), MessageDeleteResult::NoLog) << "a log file that does not exist";
    EXPECT_FALSE(base::FileExists(LogPath())) << "and none is made";
    m_host.boardDir.clear();
    EXPECT_EQ(Delete(2), MessageDeleteResult::NoLog) << "a board that does not resolve";
    EXPECT_EQ(m_topic.lines, lines);
    EXPECT_TRUE(m_topic.heldNumbers.contains("2"));
}

TEST_F(MessageDelete, ANumberStillHeldByAnotherLineStaysIndexed)
{
    Download(3);
    // A log that holds message 2 twice, and a line whose number is written "03".
    m_topic.lines.push_back(m_board.LineOf(2));
    m_topic.lines.push_back("03\t0\t2004/05/06 07:08\tx\ty\tz");
    store::SortLogLines(m_topic.lines);
    ASSERT_TRUE(store::WriteStoredTopic(LogPath(), m_topic.lines, m_topic.heldNumbers));
    EXPECT_EQ(Delete(2), MessageDeleteResult::Deleted);
    EXPECT_TRUE(m_topic.heldNumbers.contains("2")) << "the other line of message 2 remains";
    EXPECT_EQ(Delete(2), MessageDeleteResult::Deleted);
    EXPECT_FALSE(m_topic.heldNumbers.contains("2"));
    EXPECT_EQ(Delete(3), MessageDeleteResult::Deleted) << "the first line reading 3";
    ASSERT_EQ(m_topic.lines.size(), 2u);
    EXPECT_EQ(store::LogLineNumberText(m_topic.lines.back()), "03");
    EXPECT_FALSE(m_topic.heldNumbers.contains("3")) << "\"03\" is not the indexed form of 3, as at opening";
}

TEST_F(MessageDelete, APageLeftEmptyMovesBackAndAFailedWriteStaysUnsaved)
{
    Download(5);
    m_topic.viewStart = 4; // the last page holds message 5 alone (2 per page)
    EXPECT_EQ(Delete(5, 2), MessageDeleteResult::Deleted);
    EXPECT_EQ(m_topic.viewStart, 2) << "the view shows the last two messages left";

    // A directory in the way of the number index: the write fails, the line is gone from
    // memory, and the tab keeps it to be written.
    const auto logBefore = *base::ReadFile(LogPath());
    std::filesystem::remove(IndexPath());
    std::filesystem::create_directories(IndexPath() + "/in-the-way");
    const auto result = Delete(1);
    EXPECT_EQ(result, MessageDeleteResult::WriteFailed);
    EXPECT_TRUE(m_topic.unsaved);
    EXPECT_EQ(*base::ReadFile(LogPath()), logBefore) << "the index goes first: the log is untouched";
    std::filesystem::remove_all(IndexPath());
    EXPECT_TRUE(store::FlushTopic(m_topic, m_host));
    ExpectConsistent();
}

} // namespace
