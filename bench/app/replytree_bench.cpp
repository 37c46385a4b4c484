// Reply-tree benchmark: the tree of a 10,000-message log built and shown in the window, with the
// longest time the main thread was kept from its event loop meanwhile, against building the same
// items on the main thread in one go.
//
//   replytree_bench [messages]     (default 10000; runs offscreen or on a display)
#include "app/mainform.h"
#include "base/programdir.h"
#include "base/textfile.h"
#include "net/endpoints.h"
#include "qtbridge/sjis.h"
#include "store/boarddir.h"
#include "store/categoryfile.h"
#include "store/marktexts.h"
#include "store/replytree.h"
#include "ui/panes.h"
#include "ui/topiclistview.h"
#include "view/webengine.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>

namespace {

/// A log whose replies point back (mostly to recent messages), forward, to missing messages
/// and to themselves, deterministically.
base::Lines MakeLog(int messages)
{
    base::Lines lines;
    unsigned state = 12345;
    auto next = [&] { return state = state * 1103515245u + 12345u, (state >> 8) % 1000u; };
    for (int n = 1; n <= messages; ++n) {
        unsigned r = next();
        int answers = 0;
        if (n > 1 && r < 700)
            answers = n - 1 - static_cast<int>(next() % static_cast<unsigned>(std::min(n - 1, 30)));
        else if (r < 750)
            answers = n + 5;
        else if (r < 770)
            answers = messages + 100;
        else if (r < 780)
            answers = n;
        lines.push_back(std::to_string(n) + "\t" + std::to_string(answers) + "\t2004/01/02 03:04\tname" +
                        std::to_string(n % 13) + "\t\x83\x65\x83\x58\x83\x67 Re: " + std::to_string(answers) +
                        "\tbody " + std::to_string(n));
    }
    return lines;
}

double ThreadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

/// Times every event the main thread dispatches from its loop: the wall time (which includes
/// being descheduled on a loaded machine) and the main thread's own CPU time.
class TimedApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject *receiver, QEvent *event) override
    {
        if (!recording || m_depth > 0)
            return QApplication::notify(receiver, event);
        ++m_depth;
        QElapsedTimer wall;
        wall.start();
        const double cpu = ThreadCpuMs();
        const bool result = QApplication::notify(receiver, event);
        const double cpuMs = ThreadCpuMs() - cpu;
        const double wallMs = static_cast<double>(wall.nsecsElapsed()) / 1e6;
        --m_depth;
        longestWall = std::max(longestWall, wallMs);
        longestCpu = std::max(longestCpu, cpuMs);
        if (wallMs > 50)
            ++wallOver50;
        if (cpuMs > 50)
            ++cpuOver50;
        return result;
    }

    bool recording = false;
    double longestWall = 0, longestCpu = 0;
    int wallOver50 = 0, cpuOver50 = 0;

private:
    int m_depth = 0;
};

int CountItems(QTreeWidget &tree)
{
    int n = 0;
    for (QTreeWidgetItemIterator it(&tree); *it; ++it)
        ++n;
    return n;
}

} // namespace

int main(int argc, char *argv[])
{
    view::PrepareProcess();
    TimedApplication app(argc, argv);
    const int messages = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;

    std::string tmpl = (std::filesystem::temp_directory_path() / "nk-treebench-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) {
        std::fprintf(stderr, "no temporary directory\n");
        return 1;
    }
    const std::string dir = tmpl + "/";
    std::filesystem::copy_file(NK_PROGRAM_DIR "/Hakobune.so", dir + "Hakobune.so");
    int status = 0;
    {
        TMainForm form(dir, [](const QString &, const QString &text) {
            std::fprintf(stderr, "message: %s\n", text.toUtf8().constData());
        });
        form.resize(1000, 700);
        form.show();
        if (!form.FormCreate()) {
            std::fprintf(stderr, "start-up failed\n");
            return 1;
        }
        const std::string listUrl = net::TopicListUrl(form.boardServer(), "bench");
        const std::string topicUrl = net::MessageUrl(form.boardServer(), "bench", "t1", 1);
        const std::string categoryFile = store::CategoryFilePath(dir, store::kPluginTreeName);
        base::MakeDirs(std::filesystem::path(categoryFile).parent_path().string());
        base::WriteLines(categoryFile, {"Bench\t" + listUrl + "\t0\t0"});
        auto boardDir = store::ResolveBoardLogDir({dir, form.settings().path.log}, listUrl);
        if (!boardDir) {
            std::fprintf(stderr, "the board does not resolve\n");
            return 1;
        }
        base::Lines log = MakeLog(messages);
        base::WriteLines(*boardDir + "/t1.dat", log);
        base::WriteLines(store::BoardListFilePath(*boardDir),
                         {"t1.dat\t" + std::to_string(messages) + "\t2004/01/02 03:04\t" + topicUrl + "\tBench"});
        form.OpenUrl(listUrl, 0, 0, store::OpenMode::NewTab, true);
        auto *list = qobject_cast<QTreeWidget *>(form.topicListPane().activePage()->view.data());
        if (!list || list->topLevelItemCount() != 1) {
            std::fprintf(stderr, "the board list did not open\n");
            return 1;
        }
        list->setCurrentItem(list->topLevelItem(0));

        // The event loop's pulse: the longest gap between two 1 ms ticks is the longest block.
        QElapsedTimer clock;
        qint64 last = 0, longest = 0;
        int over50 = 0;
        QTimer pulse;
        pulse.setInterval(1);
        QObject::connect(&pulse, &QTimer::timeout, [&] {
            qint64 now = clock.nsecsElapsed();
            qint64 gap = now - last;
            longest = std::max(longest, gap);
            if (gap > 50'000'000)
                ++over50;
            last = now;
        });
        clock.start();
        pulse.start();
        app.recording = true;
        qint64 begin = clock.nsecsElapsed();
        last = begin;
        QElapsedTimer commandClock;
        commandClock.start();
        form.actions().run(QStringLiteral("ThrLstTreeOpen"));
        qint64 command = commandClock.nsecsElapsed();
        int treeIndex = form.topicListPane().pages().size() - 1;
        form.topicListPane().strip()->setCurrentIndex(treeIndex);
        auto *tree = qobject_cast<QTreeWidget *>(form.topicListPane().pages()[treeIndex].view.data());
        const std::string caption = std::string("Bench") + store::kTreeCaptionSuffix;
        while (
            !(tree && tree->topLevelItemCount() > 0 && form.topicListPane().strip()->caption(treeIndex) == caption) &&
            clock.elapsed() < 60000)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        // One more turn so that the tree is painted.
        QElapsedTimer paintClock;
        paintClock.start();
        tree->repaint();
        qint64 paint = paintClock.nsecsElapsed();
        QApplication::processEvents();
        qint64 total = clock.nsecsElapsed() - begin;
        pulse.stop();
        app.recording = false;
        int items = tree ? CountItems(*tree) : 0;

        // The same items built on the main thread in one go, for comparison.
        const QIcon icon = tree->topLevelItem(0)->icon(0);
        QTreeWidget reference;
        reference.resize(600, 400);
        reference.show();
        QElapsedTimer refClock;
        refClock.start();
        const double refCpu = ThreadCpuMs();
        store::ReplyTree data = store::BuildReplyTree(log);
        std::vector<QTreeWidgetItem *> made;
        QList<QTreeWidgetItem *> tops;
        for (const store::ReplyNode &node : data.nodes) {
            auto *item = new QTreeWidgetItem;
            item->setText(0, qtbridge::FromSjis(node.text));
            item->setIcon(0, icon);
            if (node.parent >= 0)
                made[static_cast<std::size_t>(node.parent)]->addChild(item);
            else
                tops.push_back(item);
            made.push_back(item);
        }
        reference.addTopLevelItems(tops);
        reference.repaint();
        qint64 oneGo = refClock.nsecsElapsed();
        const double oneGoCpu = ThreadCpuMs() - refCpu;

        std::printf("reply tree of %d messages: %d nodes shown\n", messages, items);
        std::printf("  command on the main thread      %8.2f ms\n", command / 1e6);
        std::printf("  from command to tree shown      %8.2f ms\n", total / 1e6);
        std::printf("  longest gap of a 1 ms timer     %8.2f ms   (gaps over 50 ms: %d; includes the OS)\n",
                    longest / 1e6, over50);
        std::printf("  longest event on the main thread%8.2f ms wall, %.2f ms CPU (over 50 ms: %d wall, %d CPU)\n",
                    app.longestWall, app.longestCpu, app.wallOver50, app.cpuOver50);
        std::printf("  paint of the shown tree         %8.2f ms\n", paint / 1e6);
        std::printf("  reference: all on main thread   %8.2f ms wall, %.2f ms CPU (one block)\n", oneGo / 1e6,
                    oneGoCpu);
        status = items == messages ? 0 : 2;
    }
    std::filesystem::remove_all(tmpl);
    return status;
}
