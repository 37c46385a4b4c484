// A process downloading a topic is killed at random moments; every log and index pair it leaves
// must be a complete earlier version that the next opening reads without loss or duplicates.
#include <algorithm>
#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "base/textfile.h"
#include "store/threadlog.h"
#include "topictesting.h"

using namespace topictest;

namespace {

constexpr int kPosts = 400;
constexpr int kPerFetch = 10;

class TopicKill : public TempDir {
protected:
    void SetUp() override
    {
        TempDir::SetUp();
        m_board.posts = kPosts;
        m_board.bodyBytes = 400;
    }

    // The child: opens the topic again and again, each time fetching the next kPerFetch
    // messages, until the log is complete.
    [[noreturn]] void Download()
    {
        const store::FetchOptions options = Options(kPerFetch);
        for (int round = 0; round < kPosts; ++round) {
            FakeHost host;
            host.boardDir = m_host.boardDir;
            store::TopicState topic;
            if (!OpenOnline(topic, host, options, 1, kPosts))
                ::_exit(2);
            Serve(topic, host, m_board, options);
            if (static_cast<int>(topic.lines.size()) == kPosts)
                ::_exit(0);
        }
        ::_exit(1);
    }

    // The files on disk: returns the number of messages held, or -1 after a reported failure.
    int CheckFiles()
    {
        const std::optional<std::string> log = base::ReadFile(LogPath());
        const std::optional<base::Lines> index = base::ReadLines(IndexPath());
        if (!log) {
            EXPECT_FALSE(index) << "an index without its log";
            return 0;
        }
        EXPECT_TRUE(log->empty() || log->ends_with("\r\n")) << "a log cut short";
        const base::Lines lines = base::SplitLines(*log);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const int number = static_cast<int>(i) + 1;
            if (lines[i] != m_board.LineOf(number)) {
                ADD_FAILURE() << "line " << i << " is not message " << number;
                return -1;
            }
        }
        if (index) {
            EXPECT_TRUE(std::is_sorted(index->begin(), index->end()));
            EXPECT_LE(index->size(), lines.size()) << "the index is written after its log";
            for (const std::string &n : *index) {
                const int number = base::ParseInt(n, 0);
                EXPECT_TRUE(number >= 1 && number <= static_cast<int>(lines.size())) << n;
            }
        }
        return static_cast<int>(lines.size());
    }
};

TEST_F(TopicKill, EveryLogLeftByAKilledDownloadIsACompleteEarlierVersion)
{
    // How long a whole download takes here, so that the kills fall inside one.
    const auto start = std::chrono::steady_clock::now();
    const pid_t probe = ::fork();
    ASSERT_GE(probe, 0);
    if (probe == 0)
        Download();
    int probeStatus = 0;
    ASSERT_EQ(::waitpid(probe, &probeStatus, 0), probe);
    ASSERT_TRUE(WIFEXITED(probeStatus) && WEXITSTATUS(probeStatus) == 0);
    const auto whole = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    ASSERT_EQ(CheckFiles(), kPosts);
    std::filesystem::remove_all(m_host.boardDir);

    const unsigned seed = static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count());
    std::mt19937 random(seed);
    SCOPED_TRACE("seed " + std::to_string(seed) + ", whole download " + std::to_string(whole.count()) + " us");
    // Each run goes on from what the previous one left, so a kill window of a 25th of the whole
    // download takes many runs to complete it. Later rounds write larger files and take longer:
    // a run that wrote nothing new widens the window for the next one.
    const auto first = static_cast<unsigned>(std::max<long long>(whole.count() / 25, 500));
    const auto widest = static_cast<unsigned>(std::min<long long>(4 * whole.count() + 1000, 10'000'000));
    auto window = first;
    int held = 0;
    int kills = 0;
    bool completed = false;
    for (int run = 0; run < 400 && !completed; ++run) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0)
            Download();
        std::this_thread::sleep_for(std::chrono::microseconds(random() % window));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        if (WIFEXITED(status)) {
            ASSERT_EQ(WEXITSTATUS(status), 0);
            completed = true;
        } else {
            ++kills;
        }
        const int now = CheckFiles();
        ASSERT_GE(now, held) << "a kill lost messages that were written before";
        window = now > held ? first : std::min(window * 2, widest);
        held = now;
    }
    EXPECT_TRUE(completed) << "the download finishes across " << kills << " kills";
    EXPECT_EQ(held, kPosts);
    EXPECT_GE(kills, 10);
    RecordProperty("kills", kills);

    // The last opening reads every message and requests none of them again.
    store::TopicState topic;
    ASSERT_TRUE(OpenOnline(topic, m_host, Options(), 1, kPosts));
    Serve(topic, m_host, m_board, Options());
    EXPECT_EQ(topic.lines.size(), static_cast<std::size_t>(kPosts));
    EXPECT_EQ(topic.added, 0);
    EXPECT_EQ(CheckFiles(), kPosts);
}

} // namespace
