// Opening a board of 150 listed topics whose directory holds 2,000 stored logs of 500 lines
// each (the merge with and without the line-count cache, against reading the same logs), a
// category file of 5,000 nodes loaded into a tree (against reading its lines), and resolving a
// board's directory from that file. Run without arguments for the figures, with --smoke for one
// small pass. Files are made in a temporary directory and removed at the end.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "base/textfile.h"
#include "store/boardlist.h"
#include "store/categoryfile.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Sizes {
    int listed = 150;
    int logs = 2000;
    int linesPerLog = 500;
    int nodes = 5000;
    int rounds = 7;
};

const std::string kServer = "http://b/";

// The best of rounds runs, in milliseconds: the least disturbed by the other work of the machine.
double bestMs(int rounds, const std::function<void()> &run)
{
    double best = 1e300;
    for (int i = 0; i < rounds; ++i) {
        auto start = Clock::now();
        run();
        best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return best;
}

std::string logText(int lines, int topic)
{
    std::string out;
    out.reserve(static_cast<std::size_t>(lines) * 160);
    for (int i = 1; i <= lines; ++i)
        out += std::to_string(i) + "\t" + std::to_string(i / 2) + "\t2003/05/12 14:33\tnatsume_fan\tTopic " +
               std::to_string(topic) + "\tA message of the kind a board holds, with &gt;&gt;" +
               std::to_string(i / 2) + " a reference and a <br> break or two.\r\n";
    return out;
}

// Lines of a category file: 50 categories of 10 subcategories of 9 boards.
std::vector<std::string> categoryLines(int nodes)
{
    std::vector<std::string> lines;
    for (int c = 0; static_cast<int>(lines.size()) < nodes; ++c) {
        lines.push_back("Category " + std::to_string(c) + "\thttp://b/dir/" + std::to_string(c) + "/\t1\t0");
        for (int s = 0; s < 10 && static_cast<int>(lines.size()) < nodes; ++s) {
            lines.push_back("Sub " + std::to_string(s) + "\thttp://b/dir/" + std::to_string(c) + "/" +
                            std::to_string(s) + "/\t1\t1");
            for (int b = 0; b < 9 && static_cast<int>(lines.size()) < nodes; ++b) {
                std::string board = std::to_string(c * 100 + s * 10 + b);
                lines.push_back("Board " + board + "\thttp://b/bbs?action=topics&board=" + board + "&sid=" + board +
                                "&type=r\t0\t2");
            }
        }
    }
    return lines;
}

int run(const Sizes &sizes)
{
    std::string root = (std::filesystem::temp_directory_path() / "nk-boards-bench-XXXXXX").string();
    if (!::mkdtemp(root.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    store::BoardPaths paths{root, root + "/log"};
    auto lines = categoryLines(sizes.nodes);
    // The board the benchmark opens sits near the end of the file, so the scan reads it all.
    std::string board = "999999";
    std::string listUrl = store::BoardListUrl(kServer, board);
    lines.push_back("Bench board\t" + listUrl + "\t0\t2");
    base::MakeDirs(store::CategoryDir(root));
    base::WriteLines(store::CategoryFilePath(root, store::kPluginTreeName), lines);

    std::string dir = store::ResolveBoardLogDir(paths, listUrl).value_or("");
    std::vector<TopicRecord> records;
    std::size_t logBytes = 0;
    for (int t = 0; t < sizes.logs; ++t) {
        std::string text = logText(sizes.linesPerLog, t);
        logBytes += text.size();
        base::WriteFileAtomic(dir + "/" + std::to_string(t) + ".dat", text);
    }
    // Every listed topic has a log; the other logs are shown as log-only rows.
    for (int t = 0; t < sizes.listed; ++t) {
        TopicRecord r{};
        std::snprintf(r.topicId, sizeof r.topicId, "%d", t * (sizes.logs / sizes.listed));
        std::snprintf(r.title, sizeof r.title, "Topic %d &amp; more", t);
        std::snprintf(r.topicUrl, sizeof r.topicUrl, "%sbbs?action=m&board=%s&sid=%s&tid=%s&mid=1", kServer.c_str(),
                      board.c_str(), board.c_str(), r.topicId);
        std::snprintf(r.date, sizeof r.date, "2003/05/12");
        std::snprintf(r.time, sizeof r.time, "14:33");
        r.postCount = sizes.linesPerLog + 10;
        records.push_back(r);
    }
    net::PageResult result = store::MakeLocalPageResult(&paths, listUrl, records);
    result.fromLocal = 0; // a download: the board list file is written each time

    store::TopicListEnv env;
    env.boardServer = kServer;
    env.paths = paths;
    env.decodeTitle = [](std::string_view t) { return std::string(t); };
    store::LogSummaryCache cache;
    auto merge = [&](store::LogSummaryCache *withCache) {
        store::TopicRows rows;
        store::TopicListTarget tab{&paths, listUrl, dir, "Bench board", &rows};
        env.logCache = withCache;
        store::MergeTopicList(result, tab, env);
        if (rows.rowCount() != sizes.logs)
            std::fprintf(stderr, "unexpected row count %d\n", rows.rowCount());
    };

    // Reference: reading every log of the directory whole, the least an uncached merge must do.
    auto readAll = [&] {
        std::size_t total = 0;
        for (const auto &path : store::ListTopicLogs(dir))
            total += base::ReadFile(path).value_or("").size();
        if (total != logBytes)
            std::fprintf(stderr, "read %zu of %zu bytes\n", total, logBytes);
    };
    readAll(); // warm the page cache
    double referenceMs = bestMs(sizes.rounds, readAll);
    double uncachedMs = bestMs(sizes.rounds, [&] { merge(nullptr); });
    merge(&cache);
    double cachedMs = bestMs(sizes.rounds, [&] { merge(&cache); });

    std::printf("open a board: %d listed, %d logs of %d lines (%.1f MB)\n", sizes.listed, sizes.logs,
                sizes.linesPerLog, static_cast<double>(logBytes) / 1e6);
    std::printf("  reading every log (reference)   %8.2f ms\n", referenceMs);
    std::printf("  merge without cache             %8.2f ms  (%.2f x reference)\n", uncachedMs,
                uncachedMs / referenceMs);
    std::printf("  merge with warm cache           %8.2f ms  (%.3f x reference, %.1f x faster than uncached)\n",
                cachedMs, cachedMs / referenceMs, uncachedMs / cachedMs);

    std::string categoryFile = store::CategoryFilePath(root, store::kPluginTreeName);
    double linesMs = bestMs(sizes.rounds, [&] { base::ReadLines(categoryFile); });
    double loadMs = bestMs(sizes.rounds, [&] {
        store::CategoryTree tree;
        store::LoadCategoryFile(root, store::kPluginTreeName, [&]() -> store::CategoryTreeModel & { return tree; });
        if (static_cast<int>(tree.size()) != sizes.nodes + 1)
            std::fprintf(stderr, "unexpected node count %zu\n", tree.size());
    });
    double resolveMs = bestMs(sizes.rounds, [&] { store::ResolveBoardLogDir(paths, listUrl); });
    std::printf("category file of %d nodes\n", sizes.nodes + 1);
    std::printf("  reading its lines (reference)   %8.2f ms\n", linesMs);
    std::printf("  loading it into a tree          %8.2f ms  (%.2f x reference)\n", loadMs, loadMs / linesMs);
    std::printf("  ResolveBoardLogDir, one board   %8.2f ms  (%.2f x reference)\n", resolveMs, resolveMs / linesMs);

    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    Sizes sizes;
    if (argc > 1 && std::strcmp(argv[1], "--smoke") == 0)
        sizes = Sizes{15, 40, 50, 500, 1};
    return run(sizes);
}
