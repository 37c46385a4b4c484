// Memory of many open topic tabs and the time of one page load, for the HTML view.
//
//   view_bench                 all figures: each configuration runs in a fresh child process
//   view_bench --tabs N [--live-hidden B]   one memory run: N tabs of 100 messages
//   view_bench --load-time     page load times
//   view_bench --smoke         a short run of both kinds (CTest)
//
// Memory is the proportional set size (PSS, /proc/<pid>/smaps_rollup) of the program and every
// process below it (the engine's zygotes and renderers), after each tab has been shown once and
// loaded its page, as a user opening the tabs one by one would. Needs a display (Xvfb) and, as
// root, QTWEBENGINE_DISABLE_SANDBOX=1.
#include "tests/view/viewtesting.h"
#include "view/htmlview.h"
#include "view/webengine.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTabWidget>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kTimeoutMs = 60000;
constexpr int kMessageLines = 8; // about 0.9 KB per message, most of it Japanese text

long pssKb(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/smaps_rollup");
    std::string key;
    long value = 0;
    while (in >> key) {
        if (key == "Pss:") {
            in >> value;
            return value;
        }
        in.ignore(1 << 20, '\n');
    }
    return 0;
}

std::vector<pid_t> selfAndDescendants()
{
    std::multimap<pid_t, pid_t> children; // parent → child
    if (DIR *proc = opendir("/proc")) {
        while (dirent *entry = readdir(proc)) {
            const pid_t pid = static_cast<pid_t>(std::atoi(entry->d_name));
            if (pid <= 0)
                continue;
            std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
            std::string line;
            std::getline(stat, line);
            // "pid (comm) state ppid …"; comm may hold spaces and parentheses.
            const std::size_t close = line.rfind(')');
            if (close == std::string::npos)
                continue;
            std::istringstream rest(line.substr(close + 1));
            std::string state;
            pid_t parent = 0;
            rest >> state >> parent;
            children.emplace(parent, pid);
        }
        closedir(proc);
    }
    std::vector<pid_t> all{getpid()};
    for (std::size_t i = 0; i < all.size(); ++i) {
        const auto [begin, end] = children.equal_range(all[i]);
        for (auto it = begin; it != end; ++it)
            all.push_back(it->second);
    }
    return all;
}

struct Footprint {
    long pssKb = 0;
    int processes = 0;
};

Footprint measure()
{
    Footprint f;
    for (pid_t pid : selfAndDescendants()) {
        f.pssKb += pssKb(pid);
        ++f.processes;
    }
    return f;
}

bool loadAndWait(view::HtmlView &v, const std::string &page, int target)
{
    bool done = false;
    bool ok = false;
    QMetaObject::Connection c = QObject::connect(&v, &view::HtmlView::loadCompleted, [&](bool result) {
        done = true;
        ok = result;
    });
    v.setScrollTarget(target);
    v.load(page);
    const bool finished = viewtest::WaitUntil([&] { return done; }, kTimeoutMs);
    QObject::disconnect(c);
    return finished && ok;
}

int runTabs(int tabs)
{
    QTabWidget window;
    window.resize(1000, 750);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < tabs; ++i) {
        auto *v = new view::HtmlView;
        window.addTab(v, QString::number(i + 1));
        window.setCurrentWidget(v);
        // Every tab its own topic: different numbers, different text.
        if (!loadAndWait(*v, viewtest::SamplePage(100, 1 + 100 * i, kMessageLines), 1 + 100 * i + 50)) {
            std::fprintf(stderr, "tab %d did not load\n", i + 1);
            return 1;
        }
    }
    const double openMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    // Discards and the engine's own clean-up settle.
    viewtest::Settle(3000);
    int live = 0;
    for (int i = 0; i < window.count(); ++i)
        live += static_cast<view::HtmlView *>(window.widget(i))->isLive() ? 1 : 0;
    const Footprint f = measure();
    std::printf("tabs %d live %d pss_kb %ld processes %d open_ms %.0f\n", tabs, live, f.pssKb, f.processes, openMs);
    return 0;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double timeLoads(view::HtmlView &v, const std::string &page, int repeats)
{
    std::vector<double> ms;
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (!loadAndWait(v, page, 50))
            return -1;
        ms.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    return median(ms);
}

int runLoadTime(int repeats)
{
    QTabWidget window;
    window.resize(1000, 750);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    auto *v = new view::HtmlView;
    auto *other = new view::HtmlView;
    window.addTab(v, "topic");
    window.addTab(other, "other");
    const std::string small = viewtest::SamplePage(100, 1, kMessageLines);
    const std::string large = viewtest::SamplePage(1000, 1, kMessageLines);
    const std::string huge = viewtest::SamplePage(1000, 1, 40);
    timeLoads(*v, small, 2); // warm-up: the renderer starts
    const double smallMs = timeLoads(*v, small, repeats);
    const double largeMs = timeLoads(*v, large, repeats);
    const double hugeMs = timeLoads(*v, huge, repeats);

    // A discarded tab shown again: the engine rebuilds it from the page store.
    view::SetLiveHiddenViews(0);
    std::vector<double> wakeMs;
    for (int i = 0; i < repeats; ++i) {
        loadAndWait(*v, small, 50);
        window.setCurrentWidget(other);
        if (!viewtest::WaitUntil([&] { return !v->isLive(); }, kTimeoutMs))
            return 1;
        bool rebuilt = false;
        QMetaObject::Connection c =
            QObject::connect(v->webView()->page(), &QWebEnginePage::loadFinished, [&](bool) { rebuilt = true; });
        QElapsedTimer timer;
        timer.start();
        window.setCurrentWidget(v);
        if (!viewtest::WaitUntil([&] { return rebuilt; }, kTimeoutMs))
            return 1;
        wakeMs.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        QObject::disconnect(c);
    }
    std::printf("load_100_ms %.1f bytes %zu\n", smallMs, small.size());
    std::printf("load_1000_ms %.1f bytes %zu\n", largeMs, large.size());
    std::printf("load_1000_long_ms %.1f bytes %zu\n", hugeMs, huge.size());
    std::printf("wake_100_ms %.1f\n", median(wakeMs));
    return 0;
}

// Runs this program again with the arguments and returns its last output line.
std::string runChild(const char *self, const std::string &args)
{
    const std::string command = std::string("'") + self + "' " + args;
    std::string last;
    if (FILE *pipe = popen(command.c_str(), "r")) {
        char line[512];
        while (std::fgets(line, sizeof line, pipe)) {
            std::string text(line);
            if (!text.empty() && text.back() == '\n')
                text.pop_back();
            if (!text.empty())
                last += text + "\n";
        }
        if (pclose(pipe) != 0)
            return {};
    }
    return last;
}

long field(const std::string &line, const std::string &key)
{
    const std::size_t at = line.find(key + " ");
    return at == std::string::npos ? -1 : std::atol(line.c_str() + at + key.size() + 1);
}

// The output line that begins with the key.
std::string lineOf(const std::string &text, const std::string &key)
{
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(key + " ", 0) == 0)
            return line;
    }
    return {};
}

double fieldD(const std::string &text, const std::string &key)
{
    const std::size_t at = text.find(key + " ");
    return at == std::string::npos ? -1 : std::atof(text.c_str() + at + key.size() + 1);
}

int runAll(const char *self, bool smoke)
{
    const std::vector<int> counts = smoke ? std::vector<int>{1, 2} : std::vector<int>{1, 10, 50};
    struct Strategy {
        const char *name;
        int liveHidden;
    };
    const std::vector<Strategy> strategies =
        smoke ? std::vector<Strategy>{{"discard beyond 3 hidden (default)", 3}}
              : std::vector<Strategy>{{"discard beyond 3 hidden (default)", 3}, {"never discard", -1}};
    bool failed = false;
    for (const Strategy &s : strategies) {
        std::printf("Memory, %s, one renderer process for all tabs:\n", s.name);
        long first = 0;
        long previous = 0;
        int previousCount = 0;
        for (int n : counts) {
            const std::string out =
                runChild(self, "--tabs " + std::to_string(n) + " --live-hidden " + std::to_string(s.liveHidden));
            const long pss = field(out, "pss_kb");
            if (pss <= 0) {
                std::printf("  %2d tabs: failed\n", n);
                failed = true;
                continue;
            }
            if (first == 0)
                first = pss;
            std::printf("  %2d tabs: %7.1f MB PSS in %ld processes, %ld documents live, opened in %.1f s; "
                        "%.2fx the 1-tab run",
                        n, pss / 1024.0, field(out, "processes"), field(out, "live"), fieldD(out, "open_ms") / 1000,
                        double(pss) / double(first));
            if (previousCount > 0)
                std::printf(", +%.1f MB per added tab", (pss - previous) / 1024.0 / (n - previousCount));
            std::printf("\n");
            previous = pss;
            previousCount = n;
        }
    }
    const std::string out = runChild(self, smoke ? "--load-time --repeats 1" : "--load-time");
    const double small = fieldD(out, "load_100_ms");
    const double large = fieldD(out, "load_1000_ms");
    const double huge = fieldD(out, "load_1000_long_ms");
    if (small <= 0 || large <= 0) {
        std::printf("Load time: failed\n");
        return 1;
    }
    std::printf("Load time (median, load() to loadCompleted, scrolled):\n");
    std::printf("  100 messages (%ld KB):       %7.1f ms\n", field(lineOf(out, "load_100_ms"), "bytes") / 1024, small);
    std::printf("  1000 messages (%ld KB):      %7.1f ms, %.1fx the 100-message page\n",
                field(lineOf(out, "load_1000_ms"), "bytes") / 1024, large, large / small);
    std::printf("  1000 long messages (%ld KB): %7.1f ms, %.1fx the 100-message page\n",
                field(lineOf(out, "load_1000_long_ms"), "bytes") / 1024, huge, huge / small);
    std::printf("  discarded 100-message tab shown again: %.1f ms, %.1fx a fresh load\n", fieldD(out, "wake_100_ms"),
                fieldD(out, "wake_100_ms") / small);
    return failed ? 1 : 0;
}

} // namespace

int main(int argc, char **argv)
{
    int tabs = 0;
    int liveHidden = view::LiveHiddenViews();
    int repeats = 5;
    bool loadTime = false;
    bool smoke = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--tabs" && i + 1 < argc)
            tabs = std::atoi(argv[++i]);
        else if (arg == "--live-hidden" && i + 1 < argc)
            liveHidden = std::atoi(argv[++i]);
        else if (arg == "--repeats" && i + 1 < argc)
            repeats = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--load-time")
            loadTime = true;
        else if (arg == "--smoke")
            smoke = true;
    }
    if (tabs == 0 && !loadTime)
        return runAll(argv[0], smoke);

    view::PrepareProcess();
    QApplication app(argc, argv);
    view::SetLiveHiddenViews(liveHidden);
    return loadTime ? runLoadTime(repeats) : runTabs(tabs);
}
