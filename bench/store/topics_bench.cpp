// Topic page building and the message merge, each against a plain copy of the same bytes run in
// the same process: RenderTopicPage for 100 and 1,000 messages, MergeMessage of topics of 1,000 to
// 100,000 messages, and FinishFetch (sort and write) of 5,000 lines. Prints times and ratios; --smoke runs briefly.
// Times are the thread's processor time: on a machine shared with builds, the time the thread
// waited for a processor is not the code's.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <time.h>
#include <vector>

#include "store/threadlog.h"
#include "store/topicfetch.h"
#include "view/render.h"

namespace {

// The processor time this thread has used, in microseconds.
double ThreadMicros()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

// The median time of runs of work, in microseconds.
double MedianMicros(int runs, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double start = ThreadMicros();
        work();
        times.push_back(ThreadMicros() - start);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

volatile std::size_t g_sink;

// A message text like the board's: Japanese sentences, breaks, entities and references.
std::string BodyFor(std::mt19937 &random, int number)
{
    static const char *kPieces[] = {// 日本語の文章です。
                                    "\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x95\xb6\x8f\xcd\x82\xc5\x82\xb7\x81\x42",
                                    "<br>", "&lt;tag&gt; &amp; &quot;q&quot;", "abc def ghi ", "<br><br>",
                                    "\x83\x65\x83\x58\x83\x67"}; // テスト
    std::string body;
    if (number > 1)
        body += (random() % 2 ? ">>" : "&gt;&gt;") + std::to_string(1 + random() % number) + "<br>";
    const std::size_t target = 20 + random() % 380 + (random() % 20 == 0 ? 1500 : 0);
    while (body.size() < target)
        body += kPieces[random() % 6];
    return body;
}

MessageRecord RecordFor(std::mt19937 &random, int number, int last)
{
    MessageRecord m{};
    m.number = number;
    m.lastNumber = last;
    m.replyTo = number > 1 ? static_cast<int>(random() % static_cast<unsigned>(number)) : 0;
    std::snprintf(m.author, sizeof m.author, "author_%d", number % 97);
    std::snprintf(m.title, sizeof m.title, "Re: \x98\x62\x91\xe8 %d", number); // 話題
    std::snprintf(m.date, sizeof m.date, "2004/05/06");
    std::snprintf(m.time, sizeof m.time, "07:08");
    const std::string body = BodyFor(random, number);
    std::memcpy(m.text, body.data(), std::min(body.size(), sizeof m.text - 1));
    return m;
}

class NullHost : public store::TopicHost {
public:
    std::string dir;
    bool enqueueMessage(const std::string &, const std::string &) override { return true; }
    std::optional<std::string> resolveBoardDir(const std::string &) override
    {
        if (dir.empty())
            return std::nullopt;
        return dir;
    }
};

} // namespace

int main(int argc, char **argv)
{
    const bool smoke = argc > 1 && std::strcmp(argv[1], "--smoke") == 0;
    // --merge: the merge alone (for profiling it).
    const bool mergeOnly = argc > 1 && std::strcmp(argv[1], "--merge") == 0;
    const int runs = smoke ? 3 : 31;
    std::mt19937 random(7);
    const char kTopicUrl[] = "http://messages.example.jp/bbs?action=m&board=b1&sid=b1&tid=t1&mid=1";

    const int total = 10000;
    std::vector<MessageRecord> records;
    records.reserve(total);
    for (int n = 1; n <= total; ++n)
        records.push_back(RecordFor(random, n, total));
    std::vector<std::string> lines;
    for (const MessageRecord &m : records)
        lines.push_back(store::FormatLogLine(m));

    // Page building with the default skin, read once as a render would read it.
    const std::string skinDir = (std::filesystem::temp_directory_path() / "nk-bench-skin").string();
    if (!view::WriteDefaultSkin(skinDir, "http://profiles.example.jp/")) {
        std::fprintf(stderr, "cannot write the skin\n");
        return 1;
    }
    const view::Skin skin = view::ReadSkin(skinDir);
    const settings::NgLists ng = [] {
        settings::NgLists lists;
        lists.names.assign({"spammer", "troll"});
        lists.words.assign({"forbidden"});
        return lists;
    }();
    std::printf("%-40s %12s %12s %8s\n", "", "time (us)", "copy (us)", "ratio");
    for (int count : mergeOnly ? std::vector<int>{} : std::vector<int>{100, 1000}) {
        store::TopicState tab;
        tab.topicUrl = kTopicUrl;
        tab.postCount = total;
        tab.lines.assign(lines.begin(), lines.begin() + count);
        for (int n = count - 10; n <= count; ++n)
            tab.newNumbers.push_back(std::to_string(n));
        view::PageOptions options;
        options.boardBase = "http://messages.example.jp/";
        options.msgview = count;
        options.ng = &ng;
        std::size_t bytes = 0;
        const double build = MedianMicros(runs, [&] {
            const std::string page = view::BuildTopicPage(skin, tab.lines, tab, options);
            bytes = page.size();
            g_sink = page.size();
        });
        const double copy = MedianMicros(runs, [&] {
            std::string page;
            page.reserve(bytes);
            for (const std::string &line : tab.lines)
                page += line;
            g_sink = page.size();
        });
        view::RenderSettings rs;
        rs.skinDir = skinDir;
        rs.programDir = skinDir;
        rs.boardBase = options.boardBase;
        rs.msgview = count;
        rs.ng = &ng;
        const double render =
            MedianMicros(runs, [&] { g_sink = view::RenderTopicPage(tab, tab.lines, rs).html.size(); });
        char label[64];
        std::snprintf(label, sizeof label, "BuildTopicPage %d messages (%zu KB)", count, bytes / 1024);
        std::printf("%-40s %12.1f %12.1f %8.1f\n", label, build, copy, build / copy);
        std::snprintf(label, sizeof label, "RenderTopicPage %d (with skin files)", count);
        std::printf("%-40s %12.1f %12.1f %8.1f\n", label, render, copy, render / copy);
    }

    // The merge of a whole topic, arriving in an order that is not the numbers' order; no board
    // dir, so the finish sorts but writes nothing. Topics of several sizes: the cost of a message
    // is to stay the same whatever the topic's size. The first 512 records are reused, each
    // copied and renumbered, in the reference as in the merge: a record reaches the merge fresh
    // from its worker, not from tens of megabytes of records that no cache holds.
    NullHost host;
    store::FetchOptions fetch;
    fetch.boardBase = "http://messages.example.jp/";
    double rateAtFirst = 0;
    double rateAtTenThousand = 0;
    constexpr int kRecordPool = 512;
    for (int size : smoke ? std::vector<int>{1000, 10000} : std::vector<int>{1000, 10000, 50000, 100000}) {
        std::vector<int> order(static_cast<std::size_t>(size));
        for (int i = 0; i < size; ++i)
            order[static_cast<std::size_t>(i)] = i + 1;
        std::shuffle(order.begin() + 1, order.end(), random);
        const int mergeRuns = smoke || size > total ? 1 : 5;
        auto recordFor = [&](int number, MessageRecord &m) {
            std::memcpy(&m, &records[static_cast<std::size_t>((number - 1) % kRecordPool)], sizeof m);
            m.number = number;
            m.lastNumber = size;
        };
        // The tab outlives the timing: closing it is not part of the merge.
        std::vector<store::TopicState> merged;
        merged.reserve(static_cast<std::size_t>(mergeRuns));
        const double merge = MedianMicros(mergeRuns, [&] {
            store::TopicState &topic = merged.emplace_back();
            topic.topicUrl = kTopicUrl;
            topic.rangeFirst = 1;
            topic.rangeLast = size;
            MessageRecord m;
            for (int number : order) {
                recordFor(number, m);
                store::MergeMessage(topic, m, 0, fetch, host);
            }
            g_sink = topic.lines.size();
        });
        const double mergeCopy = MedianMicros(mergeRuns, [&] {
            std::vector<std::string> copied;
            copied.reserve(static_cast<std::size_t>(size));
            MessageRecord m;
            for (int number : order) {
                recordFor(number, m);
                copied.emplace_back(m.text, ::strnlen(m.text, sizeof m.text));
            }
            g_sink = copied.size();
        });
        const double rate = size / (merge / 1e6);
        if (rateAtFirst == 0)
            rateAtFirst = rate;
        if (size == 10000)
            rateAtTenThousand = rate;
        char mergeLabel[64];
        std::snprintf(mergeLabel, sizeof mergeLabel, "MergeMessage %d messages", size);
        std::printf("%-40s %12.1f %12.1f %8.1f   (%.0f messages/s, %.2fx the rate at %d)\n", mergeLabel, merge,
                    mergeCopy, merge / mergeCopy, rate, rate / rateAtFirst, 1000);
    }

    std::printf("MergeMessage flatness: the rate at 10000 is %.2fx the rate at 1000\n",
                rateAtTenThousand / rateAtFirst);

    if (mergeOnly) {
        std::filesystem::remove_all(skinDir);
        return 0;
    }

    // FinishFetch of 5,000 unsorted lines: sort, then both files written and synced.
    const std::string logDir = (std::filesystem::temp_directory_path() / "nk-bench-log").string();
    host.dir = logDir;
    std::vector<std::string> unsorted(lines.begin(), lines.begin() + 5000);
    std::shuffle(unsorted.begin(), unsorted.end(), random);
    decltype(store::TopicState::heldNumbers) numbers;
    store::AddLoggedNumbers(unsorted, numbers);
    const int finishRuns = smoke ? 1 : 9;
    const double finish = MedianMicros(finishRuns, [&] {
        store::TopicState topic;
        topic.logName = "t1.dat";
        topic.lines = unsorted;
        topic.heldNumbers = numbers;
        g_sink = static_cast<std::size_t>(store::FinishFetch(topic, fetch, host).written);
    });
    std::size_t logBytes = 0;
    for (const std::string &line : unsorted)
        logBytes += line.size() + 2;
    const double finishCopy = MedianMicros(finishRuns, [&] {
        std::vector<std::string> copied = unsorted;
        base::WriteFileAtomic(logDir + "/copy.dat", base::JoinLines(copied));
        g_sink = copied.size();
    });
    char label[64];
    std::snprintf(label, sizeof label, "FinishFetch 5,000 lines (%zu KB)", logBytes / 1024);
    std::printf("%-40s %12.1f %12.1f %8.1f   (reference: copy and one synced write)\n", label, finish, finishCopy,
                finish / finishCopy);

    std::filesystem::remove_all(skinDir);
    std::filesystem::remove_all(logDir);
    return 0;
}
