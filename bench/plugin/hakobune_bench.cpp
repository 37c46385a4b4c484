// Throughput of the plug-in's parsers and its text conversion, and how their cost grows with
// the page: every parser must stay linear, so a 1 MB page may cost at most 15 times a 100 KB
// one. Run without arguments for the figures, with --smoke for one quick pass.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "plugin/endpoints.h"
#include "plugin/eucjp.h"
#include "plugin/parsers.h"

namespace {

const std::string kBoard = hakobune::kDefaultBoardUrl;
const std::string kListUrl = kBoard + "bbs?action=topics&board=1834578&sid=1834578&type=r";
const std::string kMessageUrl = kBoard + "bbs?action=m&board=1834578&sid=1834578&tid=bfa1a4d3&mid=57";
// EUC-JP: "親譲りの無鉄砲で小供の時から損ばかりしている。" and "坊っちゃんを読む".
const std::string kSentence = "\xbf\xc6\xbe\xf9\xa4\xea\xa4\xce\xcc\xb5\xc5\xb4\xcb\xa4\xa4\xc7\xbe\xae\xb6\xa1"
                              "\xa4\xce\xbb\xfe\xa4\xab\xa4\xe9\xc2\xbb\xa4\xd0\xa4\xab\xa4\xea\xa4\xb7\xa4\xc6"
                              "\xa4\xa4\xa4\xeb\xa1\xa3";
const std::string kTitle = "\xcb\xb7\xa4\xc3\xa4\xc1\xa4\xe3\xa4\xf3\xa4\xf2\xc6\xc9\xa4\xe0";

std::string messagePage(std::size_t size)
{
    std::string page = "<html><body><table><tr><td><big><b>Re: " + kTitle +
                       "</b></big></td>\n<td align=right><small>2003/05/12 14:33<br>No: 57 / 120</small></td></tr>"
                       "</table>\n<a href=\"http://profiles.yahoo.co.jp/natsume_fan\">natsume_fan</a>\n"
                       "<table><tr><td>\n<p>\n";
    while (page.size() < size - 200)
        page += kSentence + "&gt;&gt;56 <a href=\"http://www.aozora.gr.jp/\">link</a><br>\n";
    page += "\n</td></tr></table>\n<small>Re: <a href=\"/bbs?mid=56\">56</a></small></body></html>\n";
    return page;
}

/// A list page with topics spread evenly over it between rows that the parser must pass over.
std::string topicListPage(std::size_t size, int topics)
{
    const std::string filler = "<tr><td valign=top width=97%><a href=\"/bbs?action=m&board=1834578&sid=1834578"
                               "&tid=ffff0000&mid=3\">" + kTitle + "</a></td>\n<td align=right nowrap>3</td>\n"
                               "<td nowrap>2003/03/01 12:00</td></tr>\n";
    std::string page = "<html><body><table>\n";
    const std::size_t perTopic = size / static_cast<std::size_t>(topics);
    for (int i = 0; i < topics; ++i) {
        const std::size_t until = page.size() + perTopic;
        page += "<tr><td valign=top width=97%><a href=\"/bbs?action=m&board=1834578&sid=1834578&tid=t" +
                std::to_string(i) + "&mid=1&first=1\">" + kTitle + "</a></td>\n<td align=right nowrap>" +
                std::to_string(i + 1) + "</td>\n<td nowrap>2003/05/12 14:33</td></tr>\n";
        while (page.size() + filler.size() < until)
            page += filler;
    }
    return page + "</table></body></html>\n";
}

/// A board page: 100 boards spread over rows of category links that are skipped after the
/// first board.
std::string categoryPage(std::size_t size)
{
    const std::string filler = "<a href=/Arts/Design/>" + kTitle + " </a>&nbsp;|&nbsp;\n";
    std::string page = "<html><body><ul>\n";
    const int boards = 100;
    const std::size_t perBoard = size / boards;
    for (int i = 0; i < boards; ++i) {
        const std::size_t until = page.size() + perBoard;
        page += "<li><a href=/bbs?action=topics&board=" + std::to_string(1000 + i) + "&sid=" +
                std::to_string(1000 + i) + "&type=r>" + kTitle + "</a></li>\n";
        while (page.size() + filler.size() < until)
            page += filler;
    }
    return page + "</ul></body></html>\n";
}

/// Many links that all end at one far ">": the worst case for searching each link afresh.
std::string overlappingLinks(std::size_t size, const std::string &link)
{
    std::string page;
    while (page.size() < size)
        page += link;
    return page + ">x</a></strong>\n";
}

std::string postFormPage(std::size_t size)
{
    std::string page = "<html><body><form>\n<textarea name=body>\n";
    while (page.size() < size - 400)
        page += kSentence + "\n";
    page += "</textarea>\n<select name=yid>\n";
    for (int i = 0; i < 10; ++i)
        page += "<option value=" + std::to_string(i) + ">id_" + std::to_string(i) + "\n";
    return page + "</select></form></body></html>\n";
}

std::string eucText(std::size_t size)
{
    std::string text;
    while (text.size() < size)
        text += kSentence + "abc \x8e\xb1\x8e\xb2";
    return text;
}

volatile int g_sink;

/// Seconds per call: the best of several batches, each long enough to time.
double secondsPerCall(const std::function<int()> &call, bool smoke)
{
    if (smoke) {
        g_sink = call();
        return 0;
    }
    int calls = 1;
    for (;;) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < calls; ++i)
            g_sink = call();
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (elapsed > 0.05)
            break;
        calls *= 2;
    }
    double best = 1e9;
    for (int batch = 0; batch < 5; ++batch) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < calls; ++i)
            g_sink = call();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / calls);
    }
    return best;
}

struct Case {
    const char *name;
    std::function<std::string(std::size_t)> page;
    std::function<int(const std::string &)> parse;
    int expected100k; // records the 100 KB page must give, to catch a page the parser skips
};

} // namespace

int main(int argc, char **argv)
{
    const bool smoke = argc > 1 && std::strcmp(argv[1], "--smoke") == 0;
    std::vector<CategoryRecord> categories(150);
    std::vector<TopicRecord> topics(150);
    MessageRecord message{};
    std::vector<char> convertOut(2 * 1024 * 1024);
    char postTexts[10][256];
    char *postPointers[10];
    for (int i = 0; i < 10; ++i)
        postPointers[i] = postTexts[i];

    const auto parseCategory = [&](const std::string &page) {
        return hakobune::ParseCategoryPage(kBoard, categories.data(), 150, kBoard + "Arts/index.html", page.c_str());
    };
    const auto parseList = [&](const std::string &page) {
        return hakobune::ParseThreadListPage(kBoard, topics.data(), 150, kListUrl, page.c_str());
    };
    const auto parseMessage = [&](const std::string &page) {
        return hakobune::ParseThreadPage(hakobune::kDefaultProfileUrl, &message, kMessageUrl, page.c_str());
    };
    const std::vector<Case> cases = {
        {"ParseCategory", categoryPage, parseCategory, 100},
        {"ParseCategory (overlapping links)",
         [](std::size_t n) { return overlappingLinks(n, "<a href=x "); }, parseCategory, 0},
        {"ParseThreadList", [](std::size_t n) { return topicListPage(n, 150); }, parseList, 150},
        {"ParseThread", messagePage, parseMessage, 1},
        {"ParsePostForm", postFormPage,
         [&](const std::string &page) { return hakobune::ParsePostFormPage(postPointers, 10, page.c_str()); }, 10},
        {"EucToSjis", eucText,
         [&](const std::string &text) { return hakobune::EucToSjis(text, convertOut.data(), text.size()); }, -2},
    };

    std::printf("%-38s %12s %12s %12s %10s\n", "case", "100 KB MB/s", "1 MB MB/s", "1MB/100KB", "records");
    bool ok = true;
    // The fixed pages first: a 5 KB message page and a page of 150 topics.
    {
        const std::string page5k = messagePage(5 * 1024);
        const std::string page150 = topicListPage(150 * 300, 150);
        const double t5 = secondsPerCall([&] { return parseMessage(page5k); }, smoke);
        const double t150 = secondsPerCall([&] { return parseList(page150); }, smoke);
        if (!smoke) {
            std::printf("%-38s %9.1f MB/s  (%zu bytes, %.2f us)\n", "ParseThread, 5 KB message page",
                        page5k.size() / t5 / 1e6, page5k.size(), t5 * 1e6);
            std::printf("%-38s %9.1f MB/s  (%zu bytes, %.2f us)\n", "ParseThreadList, 150 topics",
                        page150.size() / t150 / 1e6, page150.size(), t150 * 1e6);
        }
        ok = ok && parseMessage(page5k) == 1 && parseList(page150) == 150;
    }
    for (const Case &c : cases) {
        const std::string small = c.page(100 * 1024);
        const std::string large = c.page(1024 * 1024);
        const int records = c.parse(small);
        if (c.expected100k != -2 && records != c.expected100k) {
            std::printf("%s: the 100 KB page gave %d records, expected %d\n", c.name, records, c.expected100k);
            ok = false;
        }
        const double tSmall = secondsPerCall([&] { return c.parse(small); }, smoke);
        const double tLarge = secondsPerCall([&] { return c.parse(large); }, smoke);
        if (smoke)
            continue;
        const double ratio = tLarge / tSmall;
        std::printf("%-38s %12.1f %12.1f %12.2f %10d%s\n", c.name, small.size() / tSmall / 1e6,
                    large.size() / tLarge / 1e6, ratio, records, ratio > 15 ? "  ABOVE 15" : "");
        ok = ok && ratio <= 15;
    }
    return ok ? 0 : 1;
}
