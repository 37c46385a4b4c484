// The search through log files: the scan of a log's bytes, damaged logs, the hand-over of hits
// in batches, the hit limit and stopping.
#include "base/textfile.h"
#include "search/logsearch.h"

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <gtest/gtest.h>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

using search::Hit;
using search::LogSource;
using search::TextMatcher;

std::string Line(int number, const std::string &title, const std::string &body)
{
    return std::to_string(number) + "\t0\t2024/05/06 12:" + std::to_string(10 + number % 50) + "\tname\t" + title +
           "\t" + body;
}

class TempDir {
public:
    TempDir()
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "nk-search-XXXXXX").string();
        EXPECT_NE(::mkdtemp(tmpl.data()), nullptr);
        m_path = tmpl;
    }
    ~TempDir() { std::filesystem::remove_all(m_path); }
    const std::string &path() const { return m_path; }

private:
    std::string m_path;
};

std::vector<Hit> Scan(const std::string &text, const std::string &query, const LogSource &source = {})
{
    TextMatcher m(query, true);
    return search::SearchLogText(text, m, source, 0);
}

TEST(LogText, OneHitPerMatchingLineInLineOrder)
{
    const std::string text = Line(1, "Topic", "apple pie") + "\r\n" + Line(2, "Re", "no fruit") + "\r\n" +
                             Line(3, "Re", "apple and apple") + "\r\n" + Line(4, "apple", "x") + "\r\n";
    const auto hits = Scan(text, "apple");
    ASSERT_EQ(hits.size(), 3u);
    EXPECT_EQ(hits[0].number, 1);
    EXPECT_EQ(hits[1].number, 3);
    EXPECT_EQ(hits[2].number, 4);
    EXPECT_EQ(hits[1].excerpt.after, " and apple");
    EXPECT_EQ(hits[0].title, "Topic");
    EXPECT_EQ(hits[2].dateTime, "2024/05/06 12:14");
}

TEST(LogText, TheTitleComesFromMessageOneElseTheBoardListElseTheId)
{
    LogSource source;
    source.topicId = "abc1";
    source.listedTitle = "Listed";
    EXPECT_EQ(Scan(Line(1, "First &amp; only", "x") + "\r\n", "x", source)[0].title, "First & only");
    EXPECT_EQ(Scan(Line(2, "Re", "x") + "\r\n", "x", source)[0].title, "Listed");
    source.listedTitle.clear();
    EXPECT_EQ(Scan(Line(2, "Re", "x") + "\r\n", "x", source)[0].title, "abc1");
}

TEST(LogText, ADamagedLogYieldsWhatIsReadable)
{
    std::string text = Line(1, "T", "needle one") + "\r\n";
    text += std::string("\0\0\xff\x83\t\t\t", 8) + "\r\n"; // binary rubbish
    text += "no tabs at all needle\r\n";                   // a line without fields
    text += "\n\n\r\r\n";
    text += Line(5, "T", "needle five") + "\n";     // a bare LF
    text += Line(6, "T", "needle six cut off\x83"); // the last line cut inside a character
    const auto hits = Scan(text, "needle");
    std::vector<int> numbers;
    for (const Hit &h : hits)
        numbers.push_back(h.number);
    EXPECT_EQ(numbers, (std::vector<int>{1, 5, 6}));
    EXPECT_EQ(hits.back().excerpt.after, " six cut off\x83");
}

TEST(LogText, AMatchNeverRunsIntoTheNextLine)
{
    // The search never reads a match across LF, and CR only ends a line.
    const std::string text = Line(1, "T", "end") + "\r\n" + Line(2, "T", "start") + "\r\n";
    EXPECT_TRUE(Scan(text, "end\r\n2").empty());
    EXPECT_TRUE(Scan(text, "end2").empty());
}

TEST(LogText, AMatcherThatChangesTheLengthFindsNothing)
{
    class Shrinking : public search::Matcher {
    public:
        std::string_view prepare(std::string_view text, std::string &) const override { return text.substr(1); }
        std::optional<search::Span> findInLine(std::string_view, std::string_view) const override
        {
            return search::Span{0, 1};
        }
    } m;
    EXPECT_TRUE(search::SearchLogText(Line(1, "T", "x"), m, {}, 0).empty());
}

class LogSearchTest : public ::testing::Test {
protected:
    // count logs of lines messages each; every third message holds "needle".
    std::vector<LogSource> writeLogs(int count, int lines)
    {
        std::vector<LogSource> sources;
        for (int f = 0; f < count; ++f) {
            std::string text;
            for (int n = 1; n <= lines; ++n)
                text += Line(n, "T" + std::to_string(f), n % 3 == 0 ? "a needle here" : "hay") + "\r\n";
            LogSource s;
            s.path = dir.path() + "/" + std::to_string(f) + ".dat";
            s.topicId = std::to_string(f);
            EXPECT_TRUE(base::WriteFileAtomic(s.path, text));
            sources.push_back(s);
        }
        return sources;
    }

    struct Collected {
        std::mutex lock;
        std::vector<Hit> hits;
        int batches = 0;
        int finishedCalls = 0;
        bool stopped = false;
        search::Progress last;
    };

    search::SearchCallbacks collect(Collected &c)
    {
        search::SearchCallbacks cb;
        cb.hits = [&c](std::vector<Hit> hits) {
            std::lock_guard<std::mutex> l(c.lock);
            ++c.batches;
            for (Hit &h : hits)
                c.hits.push_back(std::move(h));
        };
        cb.finished = [&c](const search::Progress &p, bool stopped) {
            std::lock_guard<std::mutex> l(c.lock);
            ++c.finishedCalls;
            c.stopped = stopped;
            c.last = p;
        };
        return cb;
    }

    TempDir dir;
};

TEST_F(LogSearchTest, EveryMatchOfEveryLogArrivesOnceInBatches)
{
    auto sources = writeLogs(40, 30);
    sources.push_back({dir.path() + "/missing.dat", "", "", "missing", ""}); // gone meanwhile
    Collected c;
    search::LogSearch s;
    search::SearchOptions options;
    options.batchSize = 25;
    s.start(sources, std::make_shared<TextMatcher>("NEEDLE", true), collect(c), options);
    s.wait();
    EXPECT_FALSE(s.running());
    EXPECT_EQ(c.finishedCalls, 1);
    EXPECT_FALSE(c.stopped);
    ASSERT_EQ(c.hits.size(), 40u * 10u);
    EXPECT_GT(c.batches, 1) << "hits are handed over while the search runs";
    std::set<std::pair<std::size_t, int>> seen;
    for (const Hit &h : c.hits) {
        EXPECT_EQ(h.number % 3, 0);
        EXPECT_TRUE(seen.insert({h.source, h.number}).second);
    }
    EXPECT_EQ(c.last.filesDone, sources.size());
    EXPECT_EQ(c.last.hits, 400u);
}

TEST_F(LogSearchTest, ALogTooLargeToBeOneIsPassedOver)
{
    auto sources = writeLogs(2, 3);
    // A sparse file: large to the reader, nothing on the disk.
    std::filesystem::resize_file(sources[0].path, search::kMaxLogBytes + 1);
    std::string bytes;
    EXPECT_FALSE(search::ReadLogFile(sources[0].path, bytes));
    EXPECT_TRUE(bytes.empty());
    EXPECT_TRUE(search::ReadLogFile(sources[1].path, bytes));
    Collected c;
    search::LogSearch s;
    s.start(sources, std::make_shared<TextMatcher>("needle", true), collect(c));
    s.wait();
    EXPECT_EQ(c.hits.size(), 1u);
    EXPECT_EQ(c.last.filesDone, 2u);
}

TEST_F(LogSearchTest, TheHitLimitEndsTheSearchEarly)
{
    auto sources = writeLogs(50, 30);
    Collected c;
    search::LogSearch s;
    search::SearchOptions options;
    options.maxHits = 25;
    options.threads = 2;
    s.start(sources, std::make_shared<TextMatcher>("needle", true), collect(c), options);
    s.wait();
    EXPECT_EQ(c.hits.size(), 25u);
    EXPECT_TRUE(c.last.limited);
    EXPECT_EQ(c.last.hits, 25u);
    EXPECT_LT(c.last.filesDone, sources.size());
}

TEST_F(LogSearchTest, ANewLogIsFoundAsSoonAsItIsWritten)
{
    auto sources = writeLogs(2, 3);
    search::LogSearch s;
    Collected before;
    s.start(sources, std::make_shared<TextMatcher>("fresh", true), collect(before));
    s.wait();
    EXPECT_TRUE(before.hits.empty());
    ASSERT_TRUE(base::WriteFileAtomic(sources[1].path, Line(1, "T", "hay") + "\r\n" + Line(2, "T", "fresh") + "\r\n"));
    Collected after;
    s.start(sources, std::make_shared<TextMatcher>("fresh", true), collect(after));
    s.wait();
    ASSERT_EQ(after.hits.size(), 1u);
    EXPECT_EQ(after.hits[0].source, 1u);
    EXPECT_EQ(after.hits[0].number, 2);
}

// Holds every line until the search it belongs to has been asked to stop.
class HoldingMatcher : public search::Matcher {
public:
    explicit HoldingMatcher(const search::LogSearch &s) : m_search(s) {}
    std::optional<search::Span> findInLine(std::string_view, std::string_view) const override
    {
        ++entered;
        while (!m_search.stopRequested())
            std::this_thread::yield();
        return std::nullopt;
    }
    mutable std::atomic<int> entered{0};

private:
    const search::LogSearch &m_search;
};

TEST_F(LogSearchTest, StopEndsASearchBeforeItHasReadEverything)
{
    auto sources = writeLogs(60, 5);
    search::LogSearch s;
    auto holding = std::make_shared<HoldingMatcher>(s);
    Collected c;
    s.start(sources, holding, collect(c));
    while (holding->entered.load() == 0)
        std::this_thread::yield();
    s.stop();
    EXPECT_FALSE(s.running());
    EXPECT_EQ(c.finishedCalls, 1);
    EXPECT_TRUE(c.stopped);
    EXPECT_LE(c.last.filesDone, 2u) << "each thread ends with the log it was reading";
}

TEST_F(LogSearchTest, ANewSearchStopsTheOldOne)
{
    auto sources = writeLogs(60, 5);
    search::LogSearch s;
    auto holding = std::make_shared<HoldingMatcher>(s);
    Collected first, second;
    s.start(sources, holding, collect(first));
    while (holding->entered.load() == 0)
        std::this_thread::yield();
    s.start(sources, std::make_shared<TextMatcher>("needle", true), collect(second));
    EXPECT_EQ(first.finishedCalls, 1);
    EXPECT_TRUE(first.stopped);
    s.wait();
    EXPECT_EQ(second.finishedCalls, 1);
    EXPECT_FALSE(second.stopped);
    EXPECT_EQ(second.hits.size(), 60u);
}

TEST_F(LogSearchTest, NoLogsFinishesAtOnce)
{
    search::LogSearch s;
    Collected c;
    s.start({}, std::make_shared<TextMatcher>("x", true), collect(c));
    s.wait();
    EXPECT_EQ(c.finishedCalls, 1);
    EXPECT_EQ(c.last.filesTotal, 0u);
}

} // namespace
