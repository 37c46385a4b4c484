// The search through the stored logs of 200,000 messages (about 100 MB of Shift_JIS logs across
// boards and topics): warm (the files in the page cache, the median of several runs) and cold
// (the files' cached pages dropped first), for a Japanese query and for a query with letters
// (folded), against a plain memmem pass over the same bytes in the same process. --smoke runs a
// small set once.
#include "base/textfile.h"
#include "search/catalog.h"
#include "search/logsearch.h"
#ifdef NK_SEARCH_REGEX
#include "search/regexmatcher.h"
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Millis(const std::function<void()> &work)
{
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// 探索語 (search word): placed into one message in a thousand, the Japanese query.
const std::string kRareWord = "\x92\x54\x8d\xf5\x8c\xea";
const char *kPieces[] = {
    "\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x95\xb6\x8f\xcd\x82\xc5\x82\xb7\x81\x42", // 日本語の文章です。
    "<br>",
    "&lt;tag&gt; &amp; &quot;q&quot;",
    "abc def ghi ",
    "<br><br>",
    "\x83\x65\x83\x58\x83\x67",                                                 // テスト
    "\x95\x5c\x8e\xa6\x82\xb7\x82\xe9\x81\x42",                                 // 表示する。 (表 ends in 0x5C)
    "\xb6\xc0\xb6\xc5 ",                                                        // ｶﾀｶﾅ
    "\x8d\xa1\x93\xfa\x82\xcd\x93\x56\x8b\x43\x82\xaa\x97\xc7\x82\xa2\x81\x42", // 今日は天気が良い。
};

std::string BodyFor(std::mt19937 &random, int number)
{
    std::string body;
    if (number > 1)
        body += (random() % 2 ? ">>" : "&gt;&gt;") + std::to_string(1 + random() % number) + "<br>";
    const std::size_t target = 150 + random() % 600;
    while (body.size() < target)
        body += kPieces[random() % (sizeof kPieces / sizeof *kPieces)];
    if (random() % 1000 == 0)
        body += kRareWord;
    if (random() % 1000 == 0)
        body += " NeedleWord ";
    return body;
}

struct Generated {
    std::vector<search::LogSource> sources;
    std::size_t bytes = 0;
    int messages = 0;
};

Generated Generate(const std::string &root, int boards, int topicsPerBoard, int messagesPerTopic)
{
    Generated g;
    std::mt19937 random(20240506);
    for (int b = 0; b < boards; ++b) {
        const std::string dir = root + "/Category" + std::to_string(b % 3) + "/Board" + std::to_string(b);
        std::filesystem::create_directories(dir);
        for (int t = 0; t < topicsPerBoard; ++t) {
            std::string text;
            for (int n = 1; n <= messagesPerTopic; ++n) {
                text += std::to_string(n) + "\t" + std::to_string(n > 1 ? random() % n : 0) + "\t2024/05/" +
                        std::to_string(10 + n % 20) + " 12:34\t\x96\xbc\x96\xb3\x82\xb5" + std::to_string(n % 97) +
                        "\tRe: \x98\x62\x91\xe8 " + std::to_string(t) + "\t" + BodyFor(random, n) + "\r\n";
                ++g.messages;
            }
            const std::string path = dir + "/" + std::to_string(1000000 + b * 1000 + t) + ".dat";
            if (!base::WriteFileAtomic(path, text)) {
                std::fprintf(stderr, "cannot write %s\n", path.c_str());
                std::exit(1);
            }
            g.bytes += text.size();
            search::LogSource s;
            s.path = path;
            s.boardName = "Board" + std::to_string(b);
            s.topicId = std::to_string(1000000 + b * 1000 + t);
            g.sources.push_back(std::move(s));
        }
    }
    return g;
}

// Drops the cached pages of every log: the files were written and synced, so the kernel lets
// them go. (Dropping the whole page cache would also cost everyone else on the machine theirs.)
void DropCaches(const std::vector<search::LogSource> &sources)
{
    for (const auto &s : sources) {
        const int fd = ::open(s.path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        ::fdatasync(fd);
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        ::close(fd);
    }
}

// The share of the logs' pages in the page cache, to show that a cold run starts cold.
double ResidentShare(const std::vector<search::LogSource> &sources)
{
    const long page = ::sysconf(_SC_PAGESIZE);
    std::size_t resident = 0, total = 0;
    for (const auto &s : sources) {
        const int fd = ::open(s.path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && st.st_size > 0) {
            const auto size = static_cast<std::size_t>(st.st_size);
            void *map = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
            if (map != MAP_FAILED) {
                std::vector<unsigned char> pages((size + static_cast<std::size_t>(page) - 1) /
                                                 static_cast<std::size_t>(page));
                if (::mincore(map, size, pages.data()) == 0)
                    for (unsigned char p : pages) {
                        resident += p & 1;
                        ++total;
                    }
                ::munmap(map, size);
            }
        }
        ::close(fd);
    }
    return total ? static_cast<double>(resident) / static_cast<double>(total) : 0;
}

std::size_t Run(const std::vector<search::LogSource> &sources, std::shared_ptr<const search::Matcher> matcher)
{
    search::LogSearch s;
    std::size_t hits = 0;
    search::SearchCallbacks cb;
    cb.finished = [&](const search::Progress &p, bool) { hits = p.hits; };
    search::SearchOptions options;
    options.threads = 2;
    options.maxHits = 1000000;
    s.start(sources, std::move(matcher), cb, options);
    s.wait();
    return hits;
}

std::size_t Search(const std::vector<search::LogSource> &sources, const std::string &query, bool ignoreCase)
{
    return Run(sources, std::make_shared<search::TextMatcher>(query, ignoreCase));
}

// The reference: every file read and one memmem pass over its bytes, on one thread.
std::size_t PlainPass(const std::vector<search::LogSource> &sources, const std::string &needle)
{
    std::size_t found = 0;
    std::string bytes;
    for (const auto &s : sources) {
        if (!search::ReadLogFile(s.path, bytes))
            continue;
        const char *p = bytes.data();
        const char *end = p + bytes.size();
        while (const void *at = ::memmem(p, static_cast<std::size_t>(end - p), needle.data(), needle.size())) {
            ++found;
            p = static_cast<const char *>(at) + needle.size();
        }
    }
    return found;
}

} // namespace

int main(int argc, char **argv)
{
    const bool smoke = argc > 1 && std::strcmp(argv[1], "--smoke") == 0;
    std::string tmpl = (std::filesystem::temp_directory_path() / "nk-search-bench-XXXXXX").string();
    if (!::mkdtemp(tmpl.data()))
        return 1;
    const int boards = smoke ? 2 : 8;
    const int topics = smoke ? 5 : 50;
    const int messages = smoke ? 200 : 500;
    const Generated g = Generate(tmpl, boards, topics, messages);
    const double mb = static_cast<double>(g.bytes) / 1e6;
    std::printf("generated %d messages in %zu logs, %.1f MB\n", g.messages, g.sources.size(), mb);

    // The catalog is part of every search the window starts.
    std::vector<search::LogSource> sources;
    const double catalogMs = Millis([&] { sources = search::AllSources(search::FindBoardLogDirs(tmpl, tmpl, "")); });
    std::printf("catalog: %zu logs in %.1f ms\n", sources.size(), catalogMs);

    const int runs = smoke ? 1 : 7;
    double warmJapanese = 0, warmLetters = 0, warmPlain = 0, coldJapanese = 0, coldPlain = 0;
    std::size_t hitsJapanese = 0, hitsLetters = 0, plainFound = 0;
    {
        Search(sources, kRareWord, true); // into the page cache
        std::vector<double> t, l, p;
        for (int i = 0; i < runs; ++i) {
            t.push_back(Millis([&] { hitsJapanese = Search(sources, kRareWord, true); }));
            l.push_back(Millis([&] { hitsLetters = Search(sources, "needleword", true); }));
            p.push_back(Millis([&] { plainFound = PlainPass(sources, kRareWord); }));
        }
        warmJapanese = Median(t);
        warmLetters = Median(l);
        warmPlain = Median(p);
    }
    {
        std::vector<double> t, p;
        for (int i = 0; i < (smoke ? 1 : 3); ++i) {
            DropCaches(sources);
            if (i == 0)
                std::printf("cold runs start with %.0f%% of the logs' pages cached\n", 100 * ResidentShare(sources));
            t.push_back(Millis([&] { Search(sources, kRareWord, true); }));
            DropCaches(sources);
            p.push_back(Millis([&] { PlainPass(sources, kRareWord); }));
        }
        coldJapanese = Median(t);
        coldPlain = Median(p);
    }

    std::printf("japanese query: %zu hits (plain memmem counts %zu), warm %.1f ms, cold %.1f ms\n", hitsJapanese,
                plainFound, warmJapanese, coldJapanese);
    std::printf("letters, folded: %zu hits, warm %.1f ms\n", hitsLetters, warmLetters);
#ifdef NK_SEARCH_REGEX
    {
        std::size_t regexHits = 0;
        const double regexMs = Millis([&] {
            regexHits = Run(sources, std::make_shared<search::RegexMatcher>(QStringLiteral("needle\\w+"), true));
        });
        std::printf("regular expression needle\\w+: %zu hits, warm %.1f ms (only lines holding \"needle\" decoded)\n",
                    regexHits, regexMs);
    }
#endif
    std::printf("reference (read + memmem, one thread): warm %.1f ms, cold %.1f ms; ratio warm %.2f, cold %.2f\n",
                warmPlain, coldPlain, warmJapanese / warmPlain, coldJapanese / coldPlain);
    std::printf("search: %d messages (%.0f MB) warm %.0f ms cold %.0f ms\n", g.messages, mb, warmJapanese,
                coldJapanese);
    std::filesystem::remove_all(tmpl);
    if (hitsJapanese != plainFound || hitsJapanese == 0 || hitsLetters == 0) {
        std::fprintf(stderr, "the search and the plain pass disagree\n");
        return 1;
    }
    return 0;
}
