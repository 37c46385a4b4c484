// A topic as the user feels it, through the real window: the real plug-in, the real HTML view
// (a display is needed: Xvfb), the substitute board server on loopback.
//
//   topic_e2e_bench [--messages N] [--big M] [--rounds R] [--skip-big] [--smoke]
//
// 1. A topic of N (5,000) messages, opened online (message 1), then ThrDlRes with no download
//    limit: from the command to the page painted after the last message was stored.
// 2. A topic of M (10,000) messages the same way, against the pipeline alone fetching the same
//    M pages in this process (bench/net/pipelinerun.h): the program path's share of its rate.
// 3. Throughout 1 and 2, a 10 ms timer on the main thread: how late it fires.
// 4. The stored M-message topic closed and opened from its log (the default page size): from
//    the command to the first paint.
// 5. Pages of 1,000 messages built by the page builder from the stored log, and of 1,000 long
//    messages, loaded into the topic's view: from the load to the paint, and to the engine's first
//    paint with content (the top of the page, shown while the rest is still read). As a floor,
//    the same pages' text alone in a plain paragraph for each message.
// "Painted" is the engine's second animation frame after the view reported its page complete
// and scrolled: by then a frame of the page has been produced.
//
// The last line reads: e2e: N messages shown in X.XX s; program/pipeline Y.YY; main-thread
// lateness p99 Z ms max W ms  (program/pipeline of goal 2; lateness over 1 and 2).
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QTreeWidget>

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <memory>
#include <string>
#include <vector>

#include "app/mainform.h"
#include "bench/net/pipelinerun.h"
#include "base/text.h"
#include "base/textfile.h"
#include "boardserver/testing/serverprocess.h"
#include "net/endpoints.h"
#include "plugin_api/loader.h"
#include "qtbridge/sjis.h"
#include "store/listrows.h"
#include "store/threadlog.h"
#include "ui/categorytreeview.h"
#include "ui/panes.h"
#include "ui/topiclistview.h"
#include "view/htmlview.h"
#include "view/render.h"
#include "view/webengine.h"

namespace {

constexpr int kProbeMs = 10;
constexpr int kLimitMs = 300000;

double Percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

double Median(std::vector<double> values) { return Percentile(std::move(values), 0.5); }

/// CPU time (user and system) in ms of this process and, separately, of every process below it
/// (the web engine's renderer): on a busy machine the time a page costs, where its wall time
/// says little.
struct CpuMs {
    double self = 0;
    double children = 0;
};

CpuMs ProcessTreeCpu()
{
    const double tick = 1000.0 / static_cast<double>(::sysconf(_SC_CLK_TCK));
    std::multimap<pid_t, pid_t> childrenOf;
    std::map<pid_t, double> cpu;
    if (DIR *proc = ::opendir("/proc")) {
        while (dirent *entry = ::readdir(proc)) {
            const pid_t pid = static_cast<pid_t>(std::atoi(entry->d_name));
            if (pid <= 0)
                continue;
            std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
            std::string line;
            std::getline(stat, line);
            const std::size_t close = line.rfind(')');
            if (close == std::string::npos)
                continue;
            std::istringstream rest(line.substr(close + 2));
            std::vector<std::string> fields;
            for (std::string f; rest >> f;)
                fields.push_back(f);
            if (fields.size() < 13)
                continue;
            // After the name: state ppid ... utime (12th) stime (13th).
            childrenOf.emplace(static_cast<pid_t>(std::atoi(fields[1].c_str())), pid);
            cpu[pid] = (std::atof(fields[11].c_str()) + std::atof(fields[12].c_str())) * tick;
        }
        ::closedir(proc);
    }
    CpuMs out;
    out.self = cpu[::getpid()];
    std::vector<pid_t> queue{::getpid()};
    for (std::size_t i = 0; i < queue.size(); ++i) {
        const auto [begin, end] = childrenOf.equal_range(queue[i]);
        for (auto it = begin; it != end; ++it) {
            queue.push_back(it->second);
            out.children += cpu[it->second];
        }
    }
    return out;
}

/// A timer of kProbeMs on the main thread that records how much later than its interval each
/// tick comes, and runs the event loop until a condition holds.
class Probe {
public:
    Probe()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(kProbeMs);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
        m_clock.start();
    }

    /// Starts recording lateness (the timer runs only while waiting).
    void record(bool on) { m_recording = on; }
    const std::vector<double> &lateness() const { return m_lateness; }
    double nowMs() const { return static_cast<double>(m_clock.nsecsElapsed()) / 1e6; }

    /// Runs the event loop until done() holds (checked at every tick) or limitMs pass.
    bool waitUntil(const std::function<bool()> &done, int limitMs = kLimitMs)
    {
        if (done())
            return true;
        QEventLoop loop;
        m_done = [&] {
            if (done())
                loop.quit();
        };
        const double until = nowMs() + limitMs;
        m_deadline = [&, until] {
            if (nowMs() > until)
                loop.quit();
        };
        m_last = nowMs();
        m_timer.start();
        loop.exec();
        m_timer.stop();
        m_done = nullptr;
        m_deadline = nullptr;
        return done();
    }

private:
    void tick()
    {
        const double now = nowMs();
        if (m_recording)
            m_lateness.push_back(std::max(0.0, now - m_last - kProbeMs));
        m_last = now;
        if (m_done)
            m_done();
        if (m_deadline)
            m_deadline();
    }

    QTimer m_timer;
    QElapsedTimer m_clock;
    double m_last = 0;
    bool m_recording = false;
    std::vector<double> m_lateness;
    std::function<void()> m_done;
    std::function<void()> m_deadline;
};

/// Asks the engine for two animation frames and tells when the second has come. The script runs
/// in the application world: the pages' own scripts stay off.
class FrameMark {
public:
    explicit FrameMark(view::HtmlView &view) : m_view(view)
    {
        m_view.runScript(QStringLiteral("window.nkFrame=0;requestAnimationFrame(function(){"
                                        "requestAnimationFrame(function(){window.nkFrame=1;});});"));
    }

    /// Asks whether the frame has come (answered later); true once it has.
    bool poll()
    {
        if (m_seen)
            return true;
        if (!m_asking) {
            m_asking = true;
            m_view.runScript(QStringLiteral("window.nkFrame===1"), [this](const QVariant &v) {
                m_asking = false;
                m_seen = v.toBool();
            });
        }
        return false;
    }

private:
    view::HtmlView &m_view;
    bool m_asking = false;
    bool m_seen = false;
};

view::HtmlView *BrowserOf(ui::TopicPage *tab)
{
    return tab ? qobject_cast<view::HtmlView *>(tab->browser.data()) : nullptr;
}

/// Waits until the view's page is in and a frame of it painted; false on time-out.
bool WaitPainted(Probe &probe, view::HtmlView &view)
{
    if (!probe.waitUntil([&] { return !view.isLoading(); }))
        return false;
    FrameMark mark(view);
    return probe.waitUntil([&] { return mark.poll(); }, 20000);
}

/// Milliseconds since the epoch, as the engine's clock counts them.
double EpochMs()
{
    return std::chrono::duration<double, std::milli>(std::chrono::system_clock::now().time_since_epoch()).count();
}

struct LoadTimes {
    double paintedMs = -1; ///< the whole document laid out and a frame of it painted
    double firstMs = -1;   ///< the engine's first paint with content: the top of the page in view
};

/// Loads bytes into the view and times them (-1 for what did not come).
LoadTimes TimeLoad(Probe &probe, view::HtmlView &view, const std::string &bytes)
{
    LoadTimes t;
    const double t0 = probe.nowMs();
    const double epoch0 = EpochMs();
    view.setScrollTarget(1);
    view.load(bytes);
    if (!WaitPainted(probe, view))
        return t;
    t.paintedMs = probe.nowMs() - t0;
    // The engine paints the top of a page while it still reads the rest; it records when.
    bool answered = false;
    view.runScript(QStringLiteral("(function(){var p=performance.getEntriesByName('first-contentful-paint')[0];"
                                  "return p?performance.timeOrigin+p.startTime:-1;})()"),
                   [&](const QVariant &v) {
                       const double at = v.toDouble();
                       t.firstMs = at > 0 ? at - epoch0 : -1;
                       answered = true;
                   });
    probe.waitUntil([&] { return answered; }, 5000);
    return t;
}

/// A window in a program directory of its own, with a board server holding one topic of exactly
/// `messages` messages, the directory crawled and the board's list open.
class Window {
public:
    bool start(int messages, Probe &probe, std::string &error)
    {
        m_messages = messages;
        const std::vector<std::string> arguments = {
            "--categories", "1", "--depth",  "1", "--subcategories",          "1", "--boards",  "1", "--topics", "1",
            "--messages",   "5", "--huge",   "1", "--huge-messages", std::to_string(messages), "--deleted", "0"};
        if (!server.start(arguments, &error))
            return false;
        std::string tmpl = (std::filesystem::temp_directory_path() / "nk-e2e-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) {
            error = "no temporary directory";
            return false;
        }
        dir = tmpl + "/";
        std::filesystem::copy_file(NK_PROGRAM_DIR "/Hakobune.so", dir + "Hakobune.so");
        std::filesystem::copy(NK_PROGRAM_DIR "/help", dir + "help", std::filesystem::copy_options::recursive);
        if (std::filesystem::exists(NK_PROGRAM_DIR "/skin"))
            std::filesystem::copy(NK_PROGRAM_DIR "/skin", dir + "skin", std::filesystem::copy_options::recursive);
        // No download limit, as the user who wants the whole topic sets it.
        base::WriteFileAtomic(dir + "nekomado.ini", "[network]\r\nproxy=1\r\nproxy_server=127.0.0.1\r\nproxy_port=" +
                                                        std::to_string(server.port()) +
                                                        "\r\ntimeout=10000\r\ndl_count_index=0\r\n");
        form = std::make_unique<TMainForm>(dir, [this](const QString &, const QString &text) {
            std::fprintf(stderr, "message box: %s\n", text.toUtf8().constData());
        });
        if (!form->FormCreate()) {
            error = "the window did not start";
            return false;
        }
        form->resize(1200, 900);
        form->show();

        form->actions().run("CtgUpdate");
        if (!probe.waitUntil([&] {
                form->actions().update("CtgUpdate");
                return form->actions().action("CtgUpdate")->isEnabled();
            }, 60000)) {
            error = "the directory crawl did not end";
            return false;
        }
        QTreeWidget *tree = form->categoryPane().pages()[form->siteCategoryTab()].tree;
        for (QTreeWidgetItemIterator it(tree); *it && topicUrl.empty(); ++it) {
            auto *item = static_cast<ui::CategoryItem *>(*it);
            if (item->data().isFolder())
                continue;
            tree->setCurrentItem(item);
            emit tree->itemDoubleClicked(item, 0);
            probe.waitUntil([&] { return list() && list()->topLevelItemCount() > 0 && list()->updatesEnabled(); },
                            30000);
            for (int i = 0; list() && i < list()->topLevelItemCount(); ++i) {
                auto *row = static_cast<ui::TopicItem *>(list()->topLevelItem(i));
                if (base::ParseInt(row->row().text(store::kPostsItem), 0) == messages) {
                    list()->setCurrentItem(row);
                    topicUrl = row->row().entry.topicUrl;
                    break;
                }
            }
        }
        if (topicUrl.empty()) {
            error = "no listed topic of " + std::to_string(messages) + " messages";
            return false;
        }
        return true;
    }

    ~Window()
    {
        form.reset();
        if (!dir.empty())
            std::filesystem::remove_all(dir);
    }

    QTreeWidget *list()
    {
        ui::TopicListPage *page = form->topicListPane().activePage();
        return page ? qobject_cast<QTreeWidget *>(page->view.data()) : nullptr;
    }

    ui::TopicPage *tab() { return form->topicPane().activePage(); }

    /// Opens the topic online for message 1 alone and waits until it is shown.
    bool openFirstMessage(Probe &probe)
    {
        form->OpenUrl(topicUrl, 1, 1, store::OpenMode::NewTab, false);
        return probe.waitUntil([&] {
            ui::TopicPage *t = tab();
            return t && !t->downloading() && !t->lines.empty() && BrowserOf(t) && !BrowserOf(t)->isLoading();
        }, 60000);
    }

    struct Download {
        bool ok = false;
        double storedMs = 0;  ///< command to the last message stored (the fetch finished)
        double paintedMs = 0; ///< command to the page painted after that
        net::NoticeTimes messageNotices; ///< what the main thread cost the workers
        net::NoticeTimes endNotices;
    };

    /// ThrDlRes on the open topic; lateness is recorded meanwhile.
    Download downloadAll(Probe &probe)
    {
        Download d;
        form->notices().resetTimes();
        const double t0 = probe.nowMs();
        probe.record(true);
        form->actions().run("ThrDlRes");
        bool stored = probe.waitUntil([&] {
            ui::TopicPage *t = tab();
            return t && static_cast<int>(t->lines.size()) == m_messages && !t->downloading();
        });
        d.storedMs = probe.nowMs() - t0;
        view::HtmlView *view = BrowserOf(tab());
        d.ok = stored && view && WaitPainted(probe, *view);
        d.paintedMs = probe.nowMs() - t0;
        probe.record(false);
        d.messageNotices = form->notices().times(net::NoticeCode::MessageParsed);
        d.endNotices = form->notices().times(net::NoticeCode::WorkerEnded);
        return d;
    }

    boardserver::testing::ServerProcess server;
    std::string dir;
    std::unique_ptr<TMainForm> form;
    std::string topicUrl;

private:
    int m_messages = 0;
};

/// One line of where a notice's round trip goes, per notice on average, in microseconds.
void PrintNoticeTimes(const char *path, const net::NoticeTimes &message, const net::NoticeTimes &ended)
{
    auto us = [](std::chrono::nanoseconds total, std::uint64_t n) {
        return n == 0 ? 0.0 : static_cast<double>(total.count()) / 1000.0 / static_cast<double>(n);
    };
    auto part = [&](const net::NoticeTimes &t) {
        const double waited = us(t.waited, t.handled), queued = us(t.queued, t.handled),
                     handling = us(t.handling, t.handled);
        std::printf("%.0f us (taken after %.0f, handled in %.0f, sender running again after %.0f)", waited, queued,
                    handling, waited - queued - handling);
    };
    std::printf("   notices, %s: message parsed ", path);
    part(message);
    std::printf("; worker ended ");
    part(ended);
    std::printf("\n");
}

/// The pipeline alone against the window's server, for the same pages as the window fetched.
benchnet::PipelineFigures PipelineAlone(Window &window, int messages)
{
    static void *plugin = plugin_api::LoadPlugin(NK_PROGRAM_DIR "/Hakobune.so", 0);
    const std::string board = base::ExtractUrlParam("board=", window.topicUrl).value_or("");
    const std::string topic = base::ExtractUrlParam("tid=", window.topicUrl).value_or("");
    std::vector<std::string> urls;
    for (int mid = 1; mid <= messages; ++mid)
        urls.push_back(net::MessageUrl(window.form->boardServer(), board, topic, mid));
    return benchnet::RunPipeline(window.server.port(), plugin, urls, window.topicUrl,
                                 window.form->settings().network.threadMax);
}

/// Log lines of long messages: the lines given, each body replaced by about 2,400 bytes of
/// Japanese text with breaks and references.
std::vector<std::string> LongLines(const std::vector<std::string> &lines, std::size_t count)
{
    const std::string sentence =
        qtbridge::ToSjis(QString::fromUtf8("今日の相場は朝から値動きが荒く、寄り付き直後に大きく売られました。"));
    std::vector<std::string> out;
    for (std::size_t i = 0; i < std::min(count, lines.size()); ++i) {
        const store::LogFields f = store::SplitLogLine(lines[i]);
        std::string body = "&gt;&gt;" + std::to_string(i + 1) + "<br>";
        while (body.size() < 2400)
            body += sentence + (body.size() % 3 == 0 ? "<br>" : "");
        out.push_back(std::string(f.number) + "\t" + std::string(f.replyTo) + "\t" + std::string(f.dateTime) + "\t" +
                      std::string(f.author) + "\t" + std::string(f.title) + "\t" + body);
    }
    return out;
}

struct PageFigures {
    double buildMs = 0;
    double paintMs = 0;
    double firstMs = 0;       ///< the first paint with content (the top of the page)
    double mainCpuMs = 0;     ///< this process, load to paint
    double rendererCpuMs = 0; ///< the processes below it, load to paint
    std::size_t bytes = 0;
};

/// The page's text in plain paragraphs: every tag taken out but the line breaks, and a paragraph
/// for each message (the default skin's <dt>). What the engine lays out however the page is marked
/// up. (No Shift_JIS trail byte is '<' or '>'.)
std::string WithoutMarkup(const std::string &html)
{
    std::string out = "<html><head><meta charset=\"Shift_JIS\"></head><body>";
    std::size_t at = 0;
    while (at < html.size()) {
        const std::size_t open = html.find('<', at);
        out.append(html, at, open == std::string::npos ? std::string::npos : open - at);
        if (open == std::string::npos)
            break;
        const std::size_t close = html.find('>', open);
        if (close == std::string::npos)
            break;
        const std::string_view tag(html.data() + open, close + 1 - open);
        if (tag == "<br>")
            out += "<br>";
        else if (tag == "<dt>")
            out += "<p>";
        else
            out += ' ';
        at = close + 1;
    }
    return out + "</body></html>";
}

/// Builds a page of `lines` (all of them, from the first) as the window renders, and paints it
/// in view; the median of `repeats` runs. With `textOnly`, the page's text alone is loaded.
PageFigures TimePage(Probe &probe, TMainForm &form, view::HtmlView &view, const ui::TopicPage &tab,
                     const std::vector<std::string> &lines, int repeats, bool textOnly = false)
{
    store::TopicState page = tab;
    page.viewStart = 0;
    page.scrollTarget = 1;
    view::RenderSettings rs{form.settings().path.skin, form.programDir(), form.settings().endpoint.profile,
                            form.boardServer(), static_cast<int>(lines.size()), &form.ngLists()};
    std::vector<double> build, paint, first, mainCpu, rendererCpu;
    PageFigures f;
    for (int i = 0; i < repeats; ++i) {
        const double t0 = probe.nowMs();
        view::RenderedPage rendered = view::RenderTopicPage(page, lines, rs);
        build.push_back(probe.nowMs() - t0);
        if (textOnly)
            rendered.html = WithoutMarkup(rendered.html);
        f.bytes = rendered.html.size();
        const CpuMs before = ProcessTreeCpu();
        // Bytes of their own each time: the view keeps the document of a page loaded again.
        rendered.html += "<!-- " + std::to_string(i) + " -->";
        const LoadTimes times = TimeLoad(probe, view, rendered.html);
        paint.push_back(times.paintedMs);
        first.push_back(times.firstMs);
        const CpuMs after = ProcessTreeCpu();
        mainCpu.push_back(after.self - before.self);
        rendererCpu.push_back(after.children - before.children);
    }
    f.buildMs = Median(build);
    f.paintMs = Median(paint);
    f.firstMs = Median(first);
    f.mainCpuMs = Median(mainCpu);
    f.rendererCpuMs = Median(rendererCpu);
    return f;
}

} // namespace

int main(int argc, char *argv[])
{
    int messages = 5000;
    int big = 10000;
    int rounds = 1;
    bool skipBig = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--messages" && i + 1 < argc)
            messages = std::max(2, std::atoi(argv[++i]));
        else if (arg == "--big" && i + 1 < argc)
            big = std::max(2, std::atoi(argv[++i]));
        else if (arg == "--rounds" && i + 1 < argc)
            rounds = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--skip-big")
            skipBig = true;
        else if (arg == "--smoke") {
            messages = 200;
            big = 400;
        } else {
            std::fprintf(stderr, "usage: %s [--messages N] [--big M] [--rounds R] [--skip-big] [--smoke]\n", argv[0]);
            return 2;
        }
    }
    view::PrepareProcess();
    QApplication app(argc, argv);
    Probe probe;
    std::string error;

    // 1. N messages.
    std::vector<double> shown, storedN;
    {
        Window window;
        if (!window.start(messages, probe, error)) {
            std::fprintf(stderr, "window: %s\n", error.c_str());
            return 1;
        }
        for (int round = 0; round < rounds; ++round) {
            if (!window.openFirstMessage(probe)) {
                std::fprintf(stderr, "the topic did not open\n");
                return 1;
            }
            Window::Download d = window.downloadAll(probe);
            if (!d.ok) {
                std::fprintf(stderr, "the download of %d messages did not end\n", messages);
                return 1;
            }
            std::printf("1. %d messages: stored %.2f s, painted %.2f s after the command\n", messages,
                        d.storedMs / 1000, d.paintedMs / 1000);
            PrintNoticeTimes("program", d.messageNotices, d.endNotices);
            shown.push_back(d.paintedMs / 1000);
            storedN.push_back(d.storedMs / 1000);
            // The next round fetches the whole topic again: close the tab, delete nothing (the
            // stored messages are held and not fetched again, so the log goes first).
            if (round + 1 < rounds) {
                window.form->actions().run("ThrActiveClose");
                std::filesystem::remove_all(window.dir + "log");
            }
        }
        benchnet::PipelineFigures alone = PipelineAlone(window, messages);
        std::printf("   pipeline alone, same %d pages: %.2f s (%d stored); program/pipeline %.2f\n", messages,
                    alone.seconds, alone.completed, alone.seconds / Median(storedN));
        PrintNoticeTimes("pipeline alone", alone.messageNotices, alone.endNotices);
    }
    std::vector<double> lateness = probe.lateness();

    // 2., 4., 5. M messages.
    double ratio = 0;
    if (!skipBig) {
        Window window;
        if (!window.start(big, probe, error)) {
            std::fprintf(stderr, "window: %s\n", error.c_str());
            return 1;
        }
        if (!window.openFirstMessage(probe)) {
            std::fprintf(stderr, "the topic did not open\n");
            return 1;
        }
        benchnet::PipelineFigures alone = PipelineAlone(window, big);
        const std::size_t before = probe.lateness().size();
        Window::Download d = window.downloadAll(probe);
        if (!d.ok || alone.completed != big) {
            std::fprintf(stderr, "the download of %d messages did not end (pipeline alone %d)\n", big, alone.completed);
            return 1;
        }
        lateness.insert(lateness.end(), probe.lateness().begin() + static_cast<std::ptrdiff_t>(before),
                        probe.lateness().end());
        ratio = alone.seconds / (d.storedMs / 1000);
        std::printf("2. %d messages: program %.2f s (%.0f/s), pipeline alone %.2f s (%.0f/s, CPU %.0f us/request); "
                    "program/pipeline %.2f\n",
                    big, d.storedMs / 1000, big / (d.storedMs / 1000), alone.seconds, big / alone.seconds,
                    alone.cpuSeconds / big * 1e6, ratio);

        // 4. Closed, then opened from its log.
        std::vector<double> opened;
        for (int round = 0; round < 3; ++round) {
            window.form->actions().run("ThrActiveClose");
            probe.waitUntil([&] { return window.tab() == nullptr; }, 10000);
            const double t0 = probe.nowMs();
            window.form->actions().run("ThrLstLocalNewOpen");
            bool in = probe.waitUntil([&] { return window.tab() && window.tab()->lines.size() == std::size_t(big); },
                                      30000);
            view::HtmlView *view = BrowserOf(window.tab());
            if (!in || !view || !WaitPainted(probe, *view)) {
                std::fprintf(stderr, "the stored topic did not open\n");
                return 1;
            }
            opened.push_back(probe.nowMs() - t0);
        }
        std::printf("4. stored %d messages opened from the log: first paint %.0f ms (median of 3)\n", big,
                    Median(opened));

        // 5. Pages of 1,000 messages in the same view.
        ui::TopicPage &tab = *window.tab();
        view::HtmlView &view = *BrowserOf(&tab);
        const std::vector<std::string> first(tab.lines.begin(), tab.lines.begin() + std::min<std::size_t>(1000, tab.lines.size()));
        PageFigures plain = TimePage(probe, *window.form, view, tab, first, 3);
        PageFigures longer = TimePage(probe, *window.form, view, tab, LongLines(tab.lines, 1000), 3);
        PageFigures plainText = TimePage(probe, *window.form, view, tab, first, 3, true);
        PageFigures longerText = TimePage(probe, *window.form, view, tab, LongLines(tab.lines, 1000), 3, true);
        QString visibility;
        view.runScript(QStringLiteral("(function(){var e=document.querySelector('dd');"
                                      "return e?getComputedStyle(e).contentVisibility:'none';})()"),
                       [&](const QVariant &v) { visibility = v.toString(); });
        probe.waitUntil([&] { return !visibility.isEmpty(); }, 5000);
        std::printf("   (message blocks: content-visibility %s)\n", visibility.toUtf8().constData());
        std::printf("5. 1,000 messages (%zu KB): built %.0f ms, painted %.0f ms after the load, its top %.0f ms "
                    "(CPU: program %.0f ms, renderer %.0f ms)\n",
                    plain.bytes / 1024, plain.buildMs, plain.paintMs, plain.firstMs, plain.mainCpuMs,
                    plain.rendererCpuMs);
        std::printf("   1,000 long messages (%zu KB): built %.0f ms, painted %.0f ms after the load, its top %.0f ms "
                    "(CPU: program %.0f ms, renderer %.0f ms)\n",
                    longer.bytes / 1024, longer.buildMs, longer.paintMs, longer.firstMs, longer.mainCpuMs,
                    longer.rendererCpuMs);
        std::printf("   their text alone, a paragraph each (%zu KB, %zu KB): painted %.0f ms, %.0f ms after the load "
                    "(renderer CPU %.0f ms, %.0f ms)\n",
                    plainText.bytes / 1024, longerText.bytes / 1024, plainText.paintMs, longerText.paintMs,
                    plainText.rendererCpuMs, longerText.rendererCpuMs);
    }

    std::printf("3. main-thread lateness over %zu ticks of %d ms: median %.1f ms, p99 %.1f ms, max %.1f ms\n",
                lateness.size(), kProbeMs, Median(lateness), Percentile(lateness, 0.99),
                lateness.empty() ? 0.0 : *std::max_element(lateness.begin(), lateness.end()));
    std::printf("e2e: %d messages shown in %.2f s; program/pipeline %.2f; main-thread lateness p99 %.0f ms max %.0f ms\n",
                messages, Median(shown), ratio, Percentile(lateness, 0.99),
                lateness.empty() ? 0.0 : *std::max_element(lateness.begin(), lateness.end()));
    return 0;
}
