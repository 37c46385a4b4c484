// The whole program killed at random moments (SIGKILL, seeded) while it downloads, edits the
// favorites and NG names, marks messages, saves its settings and restores its tabs: every file
// it leaves must read back whole with the program's own readers, every log line must be the
// line of its message, and the program must start normally afterwards, with no temporary file
// left behind.
//
// NK_KILLS (default 10) and NK_KILL_SEED (default fixed) change the run; by hand:
//     NK_KILLS=100 app_killrun_test
#include "base/text.h"
#include "base/textfile.h"
#include "boardserver/dataset.h"
#include "boardserver/options.h"
#include "boardserver/pages.h"
#include "boardserver/testing/serverprocess.h"
#include "settings/inifile.h"
#include "settings/nglists.h"
#include "settings/settings.h"
#include "store/categoryfile.h"
#include "store/favorites.h"
#include "store/marks.h"
#include "store/restoration.h"
#include "store/safename.h"
#include "store/threadlog.h"
#include "tests/app/boardlines.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <poll.h>
#include <random>
#include <set>
#include <signal.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

int EnvInt(const char *name, int fallback)
{
    const char *value = std::getenv(name);
    return value && *value ? std::atoi(value) : fallback;
}

/// The driver as a child process, its standard output on a pipe.
class Driver {
public:
    Driver(const std::string &dir, const std::string &listUrl, const std::string &mode, const std::string &cycle = "0")
    {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(fds[1], 1);
            ::close(fds[0]);
            ::close(fds[1]);
            ::execl(NK_KILL_DRIVER, NK_KILL_DRIVER, dir.c_str(), listUrl.c_str(), mode.c_str(), cycle.c_str(), nullptr);
            ::_exit(127);
        }
        ::close(fds[1]);
        m_out = fds[0];
    }
    ~Driver()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        if (m_out >= 0)
            ::close(m_out);
    }

    /// Reads the output until it holds text or limitMs pass.
    bool waitForOutput(const std::string &text, int limitMs)
    {
        const auto until = Clock::now() + std::chrono::milliseconds(limitMs);
        while (m_text.find(text) == std::string::npos && Clock::now() < until) {
            pollfd p{m_out, POLLIN, 0};
            if (::poll(&p, 1, 50) > 0) {
                char buffer[512];
                const ssize_t n = ::read(m_out, buffer, sizeof buffer);
                if (n <= 0)
                    break;
                m_text.append(buffer, static_cast<std::size_t>(n));
            }
        }
        return m_text.find(text) != std::string::npos;
    }

    /// SIGKILL; true when the process was still running (it was killed, not ended by itself).
    bool kill()
    {
        ::kill(m_pid, SIGKILL);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
        return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    }

    /// Waits for the end; the exit status, or -1.
    int wait(int limitMs)
    {
        const auto until = Clock::now() + std::chrono::milliseconds(limitMs);
        int status = 0;
        while (Clock::now() < until) {
            waitForOutput("\x01", 20); // keeps the pipe drained
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
        }
        return -1;
    }

    const std::string &output() const { return m_text; }
    bool started() const { return m_pid > 0; }

private:
    pid_t m_pid = -1;
    int m_out = -1;
    std::string m_text;
};

class KillRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::vector<std::string> arguments = {"--categories", "1", "--depth",   "1", "--subcategories", "1",
                                                    "--boards",     "1", "--topics",  "4", "--messages",      "60",
                                                    "--huge",       "0", "--deleted", "0"};
        std::string error;
        ASSERT_TRUE(server.start(arguments, &error)) << error;
        boardserver::ProgramOptions options;
        ASSERT_EQ(boardserver::ParseCommandLine(arguments, options, &error), boardserver::CommandLine::Run) << error;
        data = std::make_unique<boardserver::Dataset>(options.dataset);
        for (const boardserver::Board &b : data->boards())
            if (b.listed && !b.topics.empty() && !board)
                board = &b;
        ASSERT_TRUE(board);
        listUrl = boardserver::TopicListUrl(board->id, options.endpoints);

        std::string tmpl = (fs::temp_directory_path() / "nk-killrun-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir = tmpl + "/";
        fs::copy_file(NK_PROGRAM_DIR "/Hakobune.so", dir + "Hakobune.so");
        fs::copy(NK_PROGRAM_DIR "/help", dir + "help", fs::copy_options::recursive);
        ASSERT_TRUE(base::WriteFileAtomic(
            dir + "nekomado.ini",
            "[network]\r\nproxy=1\r\nproxy_server=127.0.0.1\r\nproxy_port=" + std::to_string(server.port()) +
                "\r\ntimeout=3000\r\nretry=1\r\n[tab]\r\nrestoration=1\r\n"));
    }

    void TearDown() override { fs::remove_all(dir); }

    /// Every file the program reads, checked with its own readers; counts what it saw.
    void checkFiles(const std::string &when)
    {
        SCOPED_TRACE(when);
        auto wholeText = [&](const std::string &path) {
            const std::optional<std::string> text = base::ReadFile(path);
            if (!text)
                return;
            EXPECT_TRUE(text->empty() || text->ends_with("\n")) << path << " ends in the middle of a line";
        };
        // The settings: read as the program does, and the proxy (written by the test, kept by
        // every save) still there.
        const std::string ini = dir + settings::kSettingsFileName;
        const std::optional<std::string> iniText = base::ReadFile(ini);
        ASSERT_TRUE(iniText) << "the settings file is gone";
        EXPECT_EQ(settings::IniFile::Parse(*iniText).serialize(), *iniText) << "not a whole settings file";
        EXPECT_EQ(settings::IniFile::Parse(*iniText).readInt("network", "proxy_port", 0), server.port());

        // NG names: each one an author of the board's messages.
        settings::NgLists ng;
        settings::LoadNgLists(dir, ng);
        wholeText(dir + settings::kNgNameFile);
        std::set<std::string> authors(data->authors().begin(), data->authors().end());
        for (const std::string &name : ng.names.items())
            EXPECT_TRUE(authors.count(name)) << "an NG name cut short: " << name;
        ngNames = std::max(ngNames, static_cast<int>(ng.names.items().size()));

        // Favorites: each entry one of the board's topics.
        wholeText(store::FavoritesFilePath(dir));
        store::FavoriteTopics favorites(store::FavoritesFilePath(dir));
        favorites.load();
        std::set<std::string> entries;
        for (const boardserver::Topic &t : board->topics)
            entries.insert(store::FavoriteEntry(board->id, t.tid + ".dat"));
        for (const std::string &entry : favorites.entries())
            EXPECT_TRUE(entries.count(entry)) << "a favorite that is no topic: " << entry;

        // Marks: numbers of messages.
        const std::optional<std::string> markText = base::ReadFile(dir + store::kMarkFileName);
        if (markText) {
            const settings::IniFile marks = settings::IniFile::Parse(*markText);
            EXPECT_EQ(marks.serialize(), *markText) << "not a whole mark file";
            for (const auto &[key, value] : marks.entries(board->id))
                for (const std::string &mark : store::SplitMarks(value))
                    EXPECT_GE(base::ParseInt(mark, 0), 1) << key << "=" << value;
            sawMarks |= markText->find('=') != std::string::npos;
        }

        // The open tabs: every line an entry.
        if (std::optional<base::Lines> lines = base::ReadLines(dir + store::kRestorationFileName)) {
            wholeText(dir + store::kRestorationFileName);
            EXPECT_EQ(store::ParseRestorationLines(*lines).size(), lines->size()) << "a line of the tabs cut short";
        }
        wholeText(store::CategoryFilePath(dir, "Hakobune.dll"));

        // Logs: every line the line of its message, in order; the index within the log.
        if (!fs::exists(dir + "log"))
            return;
        for (const auto &entry : fs::recursive_directory_iterator(dir + "log")) {
            const std::string name = entry.path().filename().string();
            if (!store::IsTopicLogName(name))
                continue;
            const boardserver::Topic *topic = data->findTopic(*board, name.substr(0, name.size() - 4));
            ASSERT_TRUE(topic) << name;
            const std::optional<std::string> log = base::ReadFile(entry.path().string());
            ASSERT_TRUE(log);
            EXPECT_TRUE(log->empty() || log->ends_with("\r\n")) << name << ": a log cut short";
            std::set<int> numbers;
            int previous = 0;
            for (const std::string &line : base::SplitLines(*log)) {
                const int number = store::LogLineNumber(line, 0);
                EXPECT_GT(number, previous) << name << ": out of order";
                previous = number;
                if (number < 1 || number > topic->messageCount) {
                    ADD_FAILURE() << name << ": a line of no message: " << line.substr(0, 60);
                    continue;
                }
                EXPECT_EQ(line, apptest::ExpectedLine(*data, *board, *topic, number)) << name;
                numbers.insert(number);
            }
            storedLines = std::max<long long>(storedLines, static_cast<long long>(numbers.size()));
            const std::string indexPath = store::NumberIndexPath(entry.path().string());
            wholeText(indexPath);
            if (std::optional<base::Lines> index = base::ReadLines(indexPath)) {
                for (const std::string &n : *index)
                    EXPECT_TRUE(numbers.count(base::ParseInt(n, 0)))
                        << name << ": index number " << n << " without its line";
            }
        }
    }

    /// Temporary files anywhere in the program directory.
    std::vector<std::string> temporaries()
    {
        std::vector<std::string> found;
        for (const auto &entry : fs::recursive_directory_iterator(dir))
            if (base::IsTemporaryFileName(entry.path().filename().string()))
                found.push_back(entry.path().string());
        return found;
    }

    boardserver::testing::ServerProcess server;
    std::unique_ptr<boardserver::Dataset> data;
    const boardserver::Board *board = nullptr;
    std::string listUrl;
    std::string dir;
    int ngNames = 0;
    bool sawMarks = false;
    long long storedLines = 0;
};

TEST_F(KillRun, ProgramKilledAtRandomMomentsLeavesWholeFilesAndStartsAgain)
{
    {
        Driver crawl(dir, listUrl, "crawl");
        ASSERT_EQ(crawl.wait(90000), 0) << crawl.output();
    }
    // How long three cycles take here, so that the kills fall across every step of a cycle.
    const auto probeStart = Clock::now();
    {
        Driver probe(dir, listUrl, "run");
        ASSERT_TRUE(probe.waitForOutput("cycle 2\n", 120000)) << "the driver did not work: " << probe.output();
        ASSERT_TRUE(probe.kill());
    }
    const auto span = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - probeStart);
    checkFiles("after the probe");

    const int kills = EnvInt("NK_KILLS", 10);
    const unsigned seed = static_cast<unsigned>(EnvInt("NK_KILL_SEED", 20261209));
    std::mt19937 random(seed);
    SCOPED_TRACE("seed " + std::to_string(seed) + ", three cycles " + std::to_string(span.count()) + " us");
    int killed = 0, cycles = 0;
    for (int run = 0; run < kills && !HasFatalFailure(); ++run) {
        Driver driver(dir, listUrl, "run", std::to_string(run));
        ASSERT_TRUE(driver.started());
        const auto at = Clock::now() + std::chrono::microseconds(random() % static_cast<unsigned>(span.count()));
        while (Clock::now() < at)
            driver.waitForOutput("\x01", 5);
        ASSERT_TRUE(driver.kill()) << "the program ended by itself: " << driver.output();
        ++killed;
        for (std::size_t p = 0; (p = driver.output().find("cycle ", p)) != std::string::npos; ++p)
            ++cycles;
        checkFiles("after kill " + std::to_string(run + 1));
    }
    RecordProperty("kills", killed);
    RecordProperty("cycles", cycles);
    std::printf("kills %d, cycles completed between them %d, NG names %d, longest log %lld lines\n", killed, cycles,
                ngNames, storedLines);
    EXPECT_GT(storedLines, 0) << "nothing was downloaded";
    EXPECT_GT(ngNames, 0) << "no NG name was written";
    EXPECT_TRUE(sawMarks) << "no mark was written";

    // A start after the last kill, some while later: the temporary files the kills left are
    // removed, every file is read and the window comes up with its web view.
    // Kills seldom catch a writer in the middle of its temporary file: two more stand for them,
    // named as the writers name theirs.
    ASSERT_TRUE(base::WriteFileAtomic(dir + "nekomado.ini.tmpK1ll3d", "[network]\r\nproxy=1\r\npro"));
    for (const auto &entry : fs::recursive_directory_iterator(dir + "log"))
        if (store::IsTopicLogName(entry.path().filename().string())) {
            ASSERT_TRUE(base::WriteFileAtomic(entry.path().string() + ".tmp0ld0ne", "1\t0\t2005/"));
            break;
        }
    const std::vector<std::string> left = temporaries();
    EXPECT_GE(left.size(), 2u);
    const std::time_t past = std::time(nullptr) - 3600;
    for (const std::string &path : left) {
        const struct timespec times[2] = {{past, 0}, {past, 0}};
        ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
    }
    Driver check(dir, listUrl, "check");
    EXPECT_EQ(check.wait(120000), 0) << check.output();
    EXPECT_NE(check.output().find("started"), std::string::npos) << check.output();
    EXPECT_TRUE(temporaries().empty()) << temporaries().front();
    RecordProperty("temporaries", static_cast<int>(left.size()));
    std::printf("temporary files left by the kills: %zu, after the start: %zu\n", left.size(), temporaries().size());
    checkFiles("after the start");
}

} // namespace
