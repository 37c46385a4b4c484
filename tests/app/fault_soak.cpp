// A fault soak through the whole program: the real window (its web view under Xvfb), the real
// plug-in and the bundled board server, whose answers are broken on a share of the requests in
// every way the server knows. The window crawls the directory, opens every board and downloads
// topics until the requests are used up. Afterwards: no crash, nothing left running, every fetch
// ended, every stored line the line of the message the server holds, every message not stored
// counted as not fetched in the fetch's final status, and the main thread never held up long.
//
//   app_fault_soak [--requests N] [--seed S] [--faults PERCENT] [--max-p99 MS] [--verbose]
//
// It prints the requests made, the faults per mode, the stored lines compared, the mismatches and
// the main thread's lateness (p99 and max of a 10 ms timer); the exit status is 0 when every
// check held.
#include "app/mainform.h"
#include "base/text.h"
#include "base/textfile.h"
#include "boardserver/dataset.h"
#include "boardserver/options.h"
#include "boardserver/pages.h"
#include "boardserver/testing/serverprocess.h"
#include "boardserver/text.h"
#include "store/boarddir.h"
#include "store/listrows.h"
#include "store/safename.h"
#include "store/threadlog.h"
#include "tests/app/boardlines.h"
#include "ui/categorytreeview.h"
#include "ui/panes.h"
#include "ui/statusbar.h"
#include "ui/topiclistview.h"
#include "view/webengine.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kProbeMs = 10;
constexpr int kTimeoutMs = 1500; // the program's wait per read: a hung answer costs this much
constexpr int kRetries = 1;

/// A way the server breaks an answer, as its fault rule.
struct FaultMode {
    const char *name;
    const char *rule;
};

// Every fault the server has. The delay stays under the program's time-out: a slow answer that
// still comes; the trickle sends a page of a few kilobytes over about a second.
const FaultMode kModes[] = {
    {"hang", "silent"},
    {"half header", "cut"},
    {"early close", "drop"},
    {"close in body", "short"},
    {"trickle", "trickle=256/60"},
    {"10 MB page", "huge"},
    {"NUL bytes", "nul"},
    {"invalid EUC-JP", "badeuc"},
    {"slow answer", "delay=900"},
    {"error status", "status=503"},
};
constexpr std::size_t kModeCount = sizeof kModes / sizeof kModes[0];

struct Options {
    int requests = 10000;
    unsigned seed = 1;
    int faultPercent = 20;
    double maxP99 = 100;
    bool verbose = false;
    std::string only; ///< one mode by name, to look into one fault
};

double Percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

/// Runs the event loop until done() holds or limitMs pass; the result of done().
bool WaitFor(const std::function<bool()> &done, int limitMs)
{
    if (done())
        return true;
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || clock.elapsed() >= limitMs)
            loop.quit();
    });
    poll.start();
    loop.exec();
    return done();
}

/// Whether stored is expected with one field cut short: what a page broken by a zero byte or a
/// byte that is not EUC-JP gives, since the text of such a page ends at that byte.
bool CutShortInOneField(const std::string &stored, const std::string &expected)
{
    const store::LogFields s = store::SplitLogLine(stored);
    const store::LogFields e = store::SplitLogLine(expected);
    const std::string_view sf[] = {s.number, s.replyTo, s.dateTime, s.author, s.title, s.body};
    const std::string_view ef[] = {e.number, e.replyTo, e.dateTime, e.author, e.title, e.body};
    int differing = 0;
    for (std::size_t i = 0; i < 6; ++i) {
        if (sf[i] == ef[i])
            continue;
        if (++differing > 1 || i < 3 || sf[i].size() >= ef[i].size() || !ef[i].starts_with(sf[i]))
            return false;
    }
    return differing == 1;
}

class Soak {
public:
    explicit Soak(const Options &options) : m_options(options), m_random(options.seed) {}

    int run()
    {
        if (!startServer() || !startWindow())
            return 2;
        m_probe.setTimerType(Qt::PreciseTimer);
        m_probe.setInterval(kProbeMs);
        QObject::connect(&m_probe, &QTimer::timeout, [this] {
            const double now = static_cast<double>(m_clock.nsecsElapsed()) / 1e6;
            m_lateness.push_back(std::max(0.0, now - m_last - kProbeMs));
            m_last = now;
        });
        m_clock.start();
        m_last = 0;
        m_probe.start();

        crawl();
        for (ui::CategoryItem *board : boardsOfTree()) {
            if (requestsMade() >= m_options.requests)
                break;
            downloadBoard(board->data().url);
        }
        m_probe.stop();
        return report();
    }

private:
    std::vector<std::string> serverArguments() const
    {
        return {"--categories",    "2",  "--depth",         "2",
                "--subcategories", "2",  "--boards",        "2",
                "--topics",        "12", "--messages",      "80",
                "--huge",          "3",  "--huge-messages", "2000",
                "--deleted",       "0",  "--seed",          std::to_string(m_options.seed)};
    }

    bool startServer()
    {
        std::string error;
        const std::vector<std::string> arguments = serverArguments();
        if (!m_server.start(arguments, &error)) {
            std::fprintf(stderr, "the board server did not start: %s\n", error.c_str());
            return false;
        }
        boardserver::ProgramOptions options;
        if (boardserver::ParseCommandLine(arguments, options, &error) != boardserver::CommandLine::Run) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return false;
        }
        m_endpoints = options.endpoints;
        m_data = std::make_unique<boardserver::Dataset>(options.dataset);
        return true;
    }

    bool startWindow()
    {
        std::string tmpl = (fs::temp_directory_path() / "nk-soak-XXXXXX").string();
        if (!::mkdtemp(tmpl.data()))
            return false;
        m_dir = tmpl + "/";
        fs::copy_file(NK_PROGRAM_DIR "/Hakobune.so", m_dir + "Hakobune.so");
        fs::copy(NK_PROGRAM_DIR "/help", m_dir + "help", fs::copy_options::recursive);
        if (!base::WriteFileAtomic(m_dir + "nekomado.ini",
                                   "[network]\r\nproxy=1\r\nproxy_server=127.0.0.1\r\nproxy_port=" +
                                       std::to_string(m_server.port()) + "\r\ntimeout=" + std::to_string(kTimeoutMs) +
                                       "\r\nretry=" + std::to_string(kRetries) + "\r\ndl_count_index=0\r\n"))
            return false;
        m_form = std::make_unique<TMainForm>(m_dir, [this](const QString &title, const QString &text) {
            m_boxes.push_back(title.toStdString() + ": " + text.toStdString());
        });
        if (!m_form->FormCreate()) {
            std::fprintf(stderr, "the window did not start\n");
            return false;
        }
        m_form->resize(1000, 700);
        m_form->show();
        return true;
    }

    /// Control requests to the server are counted by it too; they are left out of the figures.
    long long stat(const std::string &name)
    {
        ++m_controlRequests;
        return m_server.stat(name);
    }

    long long requestsMade() { return stat("requests") - m_controlRequests; }

    /// Breaks the answer to url with the share of requests asked for, the modes taking turns.
    /// Counts of 2 outlast the program's retry: those messages stay missing.
    void maybeFault(const std::string &url, bool lasting)
    {
        if (static_cast<int>(m_random() % 100) >= m_options.faultPercent)
            return;
        std::size_t mode = m_nextMode++ % kModeCount;
        if (!m_options.only.empty()) {
            mode = 0;
            while (mode < kModeCount && m_options.only != kModes[mode].name)
                ++mode;
            if (mode == kModeCount)
                return;
        }
        const int count = lasting && m_random() % 10 < 3 ? kRetries + 1 : 1;
        ++m_controlRequests;
        if (!m_server.addFault(std::string(kModes[mode].rule) + "@" + url + "#" + std::to_string(count))) {
            fail("the server refused a fault for " + url);
            return;
        }
        ++m_faults[mode];
        if (kModes[mode].rule == std::string("nul") || kModes[mode].rule == std::string("badeuc"))
            m_brokenText.insert(url);
        if (kModes[mode].rule == std::string("drop"))
            m_plannedDrops += count;
    }

    void fail(const std::string &what)
    {
        ++m_failures;
        if (m_failures <= 30)
            std::fprintf(stderr, "FAULT: %s\n", what.c_str());
    }

    bool pipelineIdle() { return m_form->pipeline().runningCount() == 0 && m_form->pipeline().waitingGeneral() == 0; }

    ui::CategoryPage &siteTab() { return m_form->categoryPane().pages()[m_form->siteCategoryTab()]; }

    std::vector<ui::CategoryItem *> boardsOfTree()
    {
        std::vector<ui::CategoryItem *> found;
        for (QTreeWidgetItemIterator it(siteTab().tree); *it; ++it) {
            auto *item = static_cast<ui::CategoryItem *>(*it);
            if (!item->data().isFolder())
                found.push_back(item);
        }
        return found;
    }

    std::size_t reachableBoards() const
    {
        std::size_t count = 0;
        for (const boardserver::Board &b : m_data->boards()) {
            bool reachable = b.listed;
            for (int c = b.category; c > 0 && reachable; c = m_data->categories()[static_cast<std::size_t>(c)].parent)
                reachable = m_data->categories()[static_cast<std::size_t>(c)].listed;
            count += reachable;
        }
        return count;
    }

    /// The directory, with faults on its pages; crawled again while pages were lost, as a user
    /// would, until every board is in the tree.
    void crawl()
    {
        for (const boardserver::Category &category : m_data->categories())
            if (category.listed)
                maybeFault(boardserver::CategoryUrl(category, m_endpoints), false);
        const std::size_t expected = reachableBoards();
        for (int round = 0; round < 5; ++round) {
            if (!m_form->actions().run("CtgUpdate")) {
                fail("the directory update could not start");
                return;
            }
            const bool ended = WaitFor(
                [&] {
                    m_form->actions().update("CtgUpdate");
                    return m_form->actions().action("CtgUpdate")->isEnabled();
                },
                120000);
            if (!ended) {
                fail("the directory update never ended");
                return;
            }
            ++m_crawls;
            if (boardsOfTree().size() >= expected)
                return;
        }
        fail("the tree holds " + std::to_string(boardsOfTree().size()) + " of " + std::to_string(expected) + " boards");
    }

    QTreeWidget *activeList()
    {
        ui::TopicListPage *page = m_form->topicListPane().activePage();
        return page ? qobject_cast<QTreeWidget *>(page->view.data()) : nullptr;
    }

    void downloadBoard(const std::string &listUrl)
    {
        const std::string boardId = base::ExtractUrlParam("board=", listUrl).value_or("");
        const boardserver::Board *board = m_data->findBoard(boardId);
        if (!board) {
            fail("a board the server does not have: " + listUrl);
            return;
        }
        maybeFault(listUrl, false);
        // A list lost to a fault is asked for again, as a user would.
        QTreeWidget *list = nullptr;
        for (int attempt = 0; attempt < 3 && !list; ++attempt) {
            m_form->OpenUrl(listUrl, 0, 0, store::OpenMode::ActiveTab, false);
            ++m_listOpens;
            const bool in = WaitFor(
                [&] {
                    ui::TopicListPage *page = m_form->topicListPane().activePage();
                    return page && page->listUrl == listUrl && activeList() && activeList()->topLevelItemCount() > 0 &&
                           activeList()->updatesEnabled() && pipelineIdle();
                },
                30000);
            if (in) {
                list = activeList();
            } else {
                WaitFor([&] { return pipelineIdle(); }, 30000);
                if (m_options.verbose) {
                    ui::TopicListPane &pane = m_form->topicListPane();
                    const int index = pane.strip()->currentIndex();
                    std::fprintf(stderr, "the list of %s is asked for again: caption \"%s\", %d rows\n",
                                 boardId.c_str(), index >= 0 ? pane.strip()->caption(index).c_str() : "",
                                 activeList() ? activeList()->topLevelItemCount() : -1);
                }
            }
        }
        if (!list) {
            fail("the list of " + boardId + " never came");
            return;
        }
        std::vector<std::string> topicUrls;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            topicUrls.push_back(static_cast<ui::TopicItem *>(list->topLevelItem(i))->row().entry.topicUrl);
        for (const std::string &topicUrl : topicUrls) {
            const long long left = m_options.requests - requestsMade();
            if (left <= 0)
                return;
            downloadTopic(*board, topicUrl, static_cast<int>(left));
        }
    }

    void downloadTopic(const boardserver::Board &board, const std::string &topicUrl, int budget)
    {
        const std::string tid = base::ExtractUrlParam("tid=", topicUrl).value_or("");
        const boardserver::Topic *topic = m_data->findTopic(board, tid);
        if (!topic) {
            fail("a topic the server does not have: " + topicUrl);
            return;
        }
        const int last = std::max(1, std::min(topic->messageCount, budget));
        m_smallestTopic = std::min(m_smallestTopic, last);
        m_largestTopic = std::max(m_largestTopic, last);
        for (int mid = 1; mid <= last; ++mid)
            maybeFault(boardserver::MessageUrl(board.id, tid, mid, m_endpoints), true);

        m_form->ShowStatus(0, QString());
        m_form->OpenUrl(topicUrl, 1, last, store::OpenMode::ActiveTab, false);
        ui::TopicPage *tab = m_form->topicPane().activePage();
        if (!tab || tab->topicUrl != topicUrl) {
            fail("no tab for " + topicUrl);
            return;
        }
        ++m_fetches;
        // Every request waits at most the time-out per attempt; a 10 MB page takes a while too.
        const int limit = 30000 + last * 100;
        if (!WaitFor([&] { return !tab->downloading(); }, limit)) {
            fail("the fetch of " + tid + " never ended: " + std::to_string(tab->received) + " of " +
                 std::to_string(last) + " received, " + std::to_string(m_form->pipeline().runningCount()) +
                 " running, " + std::to_string(m_form->pipeline().waitingGeneral()) + " waiting");
            WaitFor([&] { return pipelineIdle(); }, 60000);
            return;
        }
        if (!WaitFor([&] { return pipelineIdle(); }, (kRetries + 1) * kTimeoutMs + 30000))
            fail("requests still running after the fetch of " + tid + " ended");
        checkTopic(*tab, board, *topic, last);
    }

    void checkTopic(const ui::TopicPage &tab, const boardserver::Board &board, const boardserver::Topic &topic,
                    int last)
    {
        std::set<int> held;
        for (const std::string &line : tab.lines) {
            const int number = store::LogLineNumber(line, 0);
            if (number < 1 || number > last || !held.insert(number).second) {
                fail(topic.tid + ": a stored line of no message asked for: " + line.substr(0, 80));
                continue;
            }
            ++m_compared;
            const std::string expected = apptest::ExpectedLine(*m_data, board, topic, number);
            if (line != expected &&
                m_brokenText.count(boardserver::MessageUrl(board.id, topic.tid, number, m_endpoints)) &&
                CutShortInOneField(line, expected)) {
                ++m_cutAsServed;
            } else if (line != expected) {
                ++m_mismatches;
                if (m_mismatches <= 10)
                    std::fprintf(stderr, "MISMATCH %s message %d:\n  stored   %s\n  expected %s\n", topic.tid.c_str(),
                                 number, line.c_str(), expected.c_str());
            }
        }
        const int missing = last - static_cast<int>(held.size());
        m_missing += missing;
        m_held += static_cast<long long>(held.size());
        if (tab.failed != missing)
            fail(topic.tid + ": " + std::to_string(missing) + " messages missing, " + std::to_string(tab.failed) +
                 " counted as not fetched");
        const QString expected =
            missing == 0 ? QString::fromUtf8("スレッドの取得終了")
                         : QString::fromUtf8("スレッドの取得終了 (%1件のレスを取得できませんでした)").arg(missing);
        const QString shown = m_form->statusPanels().panelText(0);
        if (shown != expected)
            fail(topic.tid + ": the status says \"" + shown.toStdString() + "\", not \"" + expected.toStdString() +
                 "\"");
        m_logs[tab.listUrl + " " + topic.tid] = {&board, &topic, tab.listUrl, tab.lines};
    }

    /// The log files as the program left them: each the lines the tab held, which were checked.
    void checkLogFiles()
    {
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(m_form->settings().path.log, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
            if (base::IsTemporaryFileName(it->path().filename().string()))
                fail("a temporary file is left: " + it->path().string());
        // Each topic's log where the program resolves it; two topics never share one.
        std::map<std::string, std::string> owners;
        for (const auto &[key, held] : m_logs) {
            const auto boardDir = store::ResolveBoardLogDir({m_dir, m_form->settings().path.log}, held.listUrl);
            const auto path = boardDir ? store::TopicLogFilePath(*boardDir, held.topic->tid) : std::nullopt;
            if (!path) {
                fail(key + ": no log path");
                continue;
            }
            if (const auto [at, added] = owners.emplace(*path, key); !added)
                fail(key + " and " + at->second + " share the log file " + *path);
            if (held.lines.empty())
                continue;
            const std::optional<base::Lines> lines = base::ReadLines(*path);
            if (!lines || *lines != held.lines)
                fail(key + ": the log file is not what the tab held");
        }
    }

    int report()
    {
        checkLogFiles();
        const long long requests = requestsMade();
        const long long dropped = stat("dropped");
        // A fetch whose first message is given up asks for no other: some planned faults never
        // come. Far fewer would mean the rules do not match the requests.
        if (dropped * 2 < m_plannedDrops)
            fail("only " + std::to_string(dropped) + " of " + std::to_string(m_plannedDrops) +
                 " planned early closes happened: the fault rules missed their requests");
        if (!pipelineIdle())
            fail("requests still running at the end");
        if (m_form->pipeline().runningCount() != 0)
            fail("the running count is " + std::to_string(m_form->pipeline().runningCount()));
        for (const std::string &box : m_boxes)
            if (m_options.verbose)
                std::fprintf(stderr, "message box: %s\n", box.c_str());

        const double p99 = Percentile(m_lateness, 0.99);
        const double max = m_lateness.empty() ? 0 : *std::max_element(m_lateness.begin(), m_lateness.end());
        if (p99 > m_options.maxP99)
            fail("main-thread lateness p99 " + std::to_string(p99) + " ms");
        std::printf("requests: %lld (crawls %d, list openings %d, topic fetches %d of %d to %d messages)\n", requests,
                    m_crawls, m_listOpens, m_fetches, m_fetches ? m_smallestTopic : 0, m_largestTopic);
        long long faults = 0;
        for (std::size_t i = 0; i < kModeCount; ++i)
            faults += m_faults[i];
        std::printf("faults: %lld (%.1f%%)", faults,
                    requests ? 100.0 * static_cast<double>(faults) / static_cast<double>(requests) : 0.0);
        for (std::size_t i = 0; i < kModeCount; ++i)
            std::printf("%s %s %d", i ? "," : ":", kModes[i].name, m_faults[i]);
        std::printf("\nstored lines compared: %lld; mismatches: %lld; cut short as served: %lld; messages not "
                    "fetched: %lld\n",
                    m_compared, m_mismatches, m_cutAsServed, m_missing);
        std::printf("main-thread lateness: p99 %.1f ms, max %.1f ms (%zu ticks)\n", p99, max, m_lateness.size());
        std::printf("message boxes: %zu; faults found: %d\n", m_boxes.size(),
                    m_failures + static_cast<int>(m_mismatches));
        std::fflush(stdout);
        const int status = m_failures == 0 && m_mismatches == 0 ? 0 : 1;
        m_form.reset();
        fs::remove_all(m_dir);
        return status;
    }

    struct HeldLog {
        const boardserver::Board *board = nullptr;
        const boardserver::Topic *topic = nullptr;
        std::string listUrl;
        std::vector<std::string> lines;
    };

    Options m_options;
    std::mt19937 m_random;
    boardserver::testing::ServerProcess m_server;
    boardserver::Endpoints m_endpoints;
    std::unique_ptr<boardserver::Dataset> m_data;
    std::string m_dir;
    std::unique_ptr<TMainForm> m_form;
    std::vector<std::string> m_boxes;

    QTimer m_probe;
    QElapsedTimer m_clock;
    double m_last = 0;
    std::vector<double> m_lateness;

    long long m_controlRequests = 0;
    std::size_t m_nextMode = 0;
    int m_faults[kModeCount] = {};
    long long m_plannedDrops = 0;
    int m_crawls = 0, m_listOpens = 0, m_fetches = 0;
    int m_smallestTopic = 1 << 30, m_largestTopic = 0;
    std::set<std::string> m_brokenText; // URLs answered with a zero byte or a byte not EUC-JP
    long long m_cutAsServed = 0;
    long long m_compared = 0, m_mismatches = 0, m_missing = 0, m_held = 0;
    int m_failures = 0;
    std::map<std::string, HeldLog> m_logs;
};

} // namespace

int main(int argc, char *argv[])
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--requests" && hasValue)
            options.requests = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--seed" && hasValue)
            options.seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        else if (arg == "--faults" && hasValue)
            options.faultPercent = std::clamp(std::atoi(argv[++i]), 0, 100);
        else if (arg == "--max-p99" && hasValue)
            options.maxP99 = std::atof(argv[++i]);
        else if (arg == "--only" && hasValue)
            options.only = argv[++i];
        else if (arg == "--verbose")
            options.verbose = true;
        else {
            std::fprintf(stderr, "usage: app_fault_soak [--requests N] [--seed S] [--faults PERCENT] [--max-p99 MS] "
                                 "[--only MODE] [--verbose]\n");
            return 2;
        }
    }
    view::PrepareProcess();
    QApplication app(argc, argv);
    Soak soak(options);
    return soak.run();
}
