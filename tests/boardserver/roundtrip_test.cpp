// Every page form the server emits, read back by the real Hakobune module (loaded the way the
// program loads it) into the data the page was made from.
#include <cstring>
#include <deque>
#include <map>
#include <set>

#include "boardserver/pages.h"
#include "boardserver/text.h"
#include "plugin_api/exports.h"
#include "plugin_api/loader.h"
#include "tests/boardserver/fixture.h"

namespace {

using namespace boardserver;
using bstest::Sjis;

struct Module {
    ParseCategoryFn category = nullptr;
    ParseThreadListFn topics = nullptr;
    ParseThreadFn thread = nullptr;
    ParsePostFormFn postForm = nullptr;
};

const Module &Hakobune()
{
    static const Module module = [] {
        Module m;
        plugin_api::PluginHandle h = plugin_api::LoadPlugin(NK_PROGRAM_DIR "/Hakobune.so", 1);
        if (!h)
            return m;
        m.category = plugin_api::FindExport<ParseCategoryFn>(h, plugin_api::kParseCategoryName);
        m.topics = plugin_api::FindExport<ParseThreadListFn>(h, plugin_api::kParseThreadListName);
        m.thread = plugin_api::FindExport<ParseThreadFn>(h, plugin_api::kParseThreadName);
        m.postForm = plugin_api::FindExport<ParsePostFormFn>(h, plugin_api::kParsePostFormName);
        return m;
    }();
    return module;
}

FetchRequest Request(const std::string &url)
{
    FetchRequest r{};
    std::strncpy(r.url, url.c_str(), sizeof r.url - 1);
    return r;
}

// The response as the program hands it over: the head without its blank line, and the body.
struct Fetched {
    std::string head;
    std::string body;
    int status = 0;
};

class RoundTrip : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Hakobune().category && Hakobune().topics && Hakobune().thread && Hakobune().postForm)
            << "Hakobune.so not found or incomplete in " NK_PROGRAM_DIR;
        ASSERT_TRUE(board.opened);
    }

    Fetched fetch(const std::string &url, const std::vector<std::string> &cookies = {})
    {
        const HttpResponse r = current->get(url, cookies);
        Fetched f;
        f.head = SerializeHead(r, r.body.size());
        f.head.resize(f.head.size() - 4);
        f.body = r.body;
        f.status = r.status;
        return f;
    }

    std::vector<CategoryRecord> categories(const std::string &url)
    {
        const Fetched f = fetch(url);
        std::vector<CategoryRecord> records(plugin_api::kMaxCategoryRecords);
        const FetchRequest req = Request(url);
        const int n = Hakobune().category(records.data(), &req, f.head.c_str(), f.body.c_str());
        records.resize(static_cast<std::size_t>(std::max(0, n)));
        return records;
    }

    std::vector<TopicRecord> topics(const std::string &url)
    {
        const Fetched f = fetch(url);
        std::vector<TopicRecord> records(plugin_api::kMaxTopicRecords);
        const FetchRequest req = Request(url);
        const int n = Hakobune().topics(records.data(), &req, f.head.c_str(), f.body.c_str());
        records.resize(static_cast<std::size_t>(std::max(0, n)));
        return records;
    }

    int message(const std::string &url, MessageRecord &record)
    {
        const Fetched f = fetch(url);
        record = MessageRecord{};
        const FetchRequest req = Request(url);
        return Hakobune().thread(&record, &req, f.head.c_str(), f.body.c_str());
    }

    void expectMessage(const MessageRecord &r, const MessageView &v, const std::string &where)
    {
        const std::string date = FormatMinute(v.minute);
        EXPECT_EQ(std::string(r.title), EucToSjis(v.title)) << where;
        EXPECT_EQ(std::string(r.text), EucToSjis(v.text)) << where;
        EXPECT_EQ(std::string(r.author), v.author) << where;
        EXPECT_EQ(std::string(r.date), date.substr(0, 10)) << where;
        EXPECT_EQ(std::string(r.time), date.substr(11)) << where;
        EXPECT_EQ(r.number, v.number) << where;
        EXPECT_EQ(r.lastNumber, v.highest) << where;
        EXPECT_EQ(r.replyTo, v.replyTo) << where;
    }

    bstest::Board board;
    const bstest::Board *current = &board; // the board the page helpers fetch from
    const Endpoints ep;
};

TEST_F(RoundTrip, DirectoryPages_ReadBackAsTheirLinks_AndTheCrawlReachesEveryListedBoard)
{
    const Dataset &data = board.data;
    std::set<std::string> boardsReached;
    std::set<std::string> categoriesReached;
    std::deque<std::string> queue{ep.boardBase() + "index.html"};
    int pages = 0;
    while (!queue.empty()) {
        const std::string url = queue.front();
        queue.pop_front();
        const Category *category = data.findCategory(url.substr(ep.boardBase().size(), url.size() - ep.boardBase().size() - 10));
        ASSERT_NE(category, nullptr) << url;
        ++pages;
        std::vector<DirectoryLink> expected;
        for (const DirectoryLink &link : DirectoryLinks(data, *category, ep))
            if (link.listed)
                expected.push_back(link);
        const auto records = categories(url);
        ASSERT_EQ(records.size(), expected.size()) << url;
        for (std::size_t i = 0; i < records.size(); ++i) {
            const CategoryRecord &r = records[i];
            EXPECT_EQ(std::string(r.url), expected[i].url) << url << " link " << i;
            EXPECT_EQ(std::string(r.parentUrl), url);
            EXPECT_EQ(std::string(r.name), EucToSjis(expected[i].name)) << url << " link " << i;
            EXPECT_EQ(r.isCategory, expected[i].board ? 0 : 1) << url << " link " << i;
            EXPECT_EQ(r.fetchChildren, expected[i].board ? 0 : 1);
            if (r.isCategory) {
                if (categoriesReached.insert(r.url).second)
                    queue.push_back(r.url);
            } else {
                boardsReached.insert(r.url);
            }
        }
    }
    std::size_t listedBoards = 0;
    for (const Board &b : data.boards()) {
        bool reachable = b.listed;
        for (int c = b.category; c > 0 && reachable; c = data.categories()[static_cast<std::size_t>(c)].parent)
            reachable = data.categories()[static_cast<std::size_t>(c)].listed;
        if (reachable) {
            ++listedBoards;
            EXPECT_TRUE(boardsReached.count(TopicListUrl(b.id, ep))) << b.id;
        }
    }
    EXPECT_EQ(boardsReached.size(), listedBoards);
    EXPECT_GT(pages, 10);
}

TEST_F(RoundTrip, DefaultSizes_DirectoryListsAndSampleMessagesReadBack)
{
    const bstest::Board defaults{DatasetOptions{}};
    current = &defaults;
    const Dataset &data = defaults.data;
    int categoryPages = 0, lists = 0, pages = 0;
    for (const Category &c : data.categories()) {
        std::size_t listed = 0;
        for (const DirectoryLink &link : DirectoryLinks(data, c, ep))
            listed += link.listed;
        EXPECT_EQ(categories(CategoryUrl(c, ep)).size(), listed) << c.path;
        ++categoryPages;
    }
    for (const Board &b : data.boards()) {
        const auto summaries = defaults.service->topicSummaries(b);
        const auto records = topics(TopicListUrl(b.id, ep));
        ASSERT_EQ(records.size(), b.listForm == TopicListForm::List ? summaries.size() : 1u) << b.id;
        for (std::size_t i = 0; i < records.size(); ++i) {
            EXPECT_EQ(std::string(records[i].title), EucToSjis(summaries[i].title));
            EXPECT_EQ(records[i].postCount, summaries[i].highest);
        }
        ++lists;
        for (const Topic &t : b.topics) {
            for (int mid : {1, 2, t.messageCount / 2, t.messageCount}) {
                const auto view = defaults.service->messageView(b, t.tid, mid);
                if (!view)
                    continue;
                MessageRecord r;
                ASSERT_EQ(message(MessageUrl(b.id, t.tid, mid, ep), r), 1);
                expectMessage(r, *view, MessageUrl(b.id, t.tid, mid, ep));
                ++pages;
            }
        }
    }
    EXPECT_GT(categoryPages, 50);
    EXPECT_GT(lists, 150);
    EXPECT_GT(pages, 15000);
}

TEST_F(RoundTrip, DirectoryPages_UseEveryLinkForm_AndDropNewsAndAtSignNames)
{
    const Dataset &data = board.data;
    std::set<CategoryLinkForm> categoryForms;
    std::set<BoardLinkForm> boardForms;
    int dropped = 0;
    for (const Category &c : data.categories()) {
        if (c.level > 0)
            categoryForms.insert(c.form);
        if (!c.listed)
            ++dropped;
    }
    for (const Board &b : data.boards()) {
        boardForms.insert(b.form);
        if (!b.listed)
            ++dropped;
    }
    EXPECT_EQ(categoryForms.size(), 3u);
    EXPECT_EQ(boardForms.size(), 2u);
    EXPECT_GE(dropped, 3);

    // The root page carries the news category, and the plug-in drops it.
    const Category &root = data.categories()[0];
    const auto rootRecords = categories(CategoryUrl(root, ep));
    EXPECT_EQ(rootRecords.size() + 1, root.children.size());
    for (const CategoryRecord &r : rootRecords)
        EXPECT_NE(std::string(r.name), Sjis("ニュース、時事問題"));
}

TEST_F(RoundTrip, TopicLists_InListAndSingleForms_ReadBackAsTheTopics)
{
    int singleA = 0, singleB = 0, lists = 0;
    for (const Board &b : board.data.boards()) {
        const auto summaries = board.service->topicSummaries(b);
        const std::string url = TopicListUrl(b.id, ep);
        const auto records = topics(url);
        if (b.listForm == TopicListForm::List) {
            ++lists;
            ASSERT_EQ(records.size(), std::min<std::size_t>(summaries.size(), 150)) << url;
        } else {
            ASSERT_EQ(records.size(), 1u) << url;
            (b.listForm == TopicListForm::SingleA ? singleA : singleB)++;
        }
        for (std::size_t i = 0; i < records.size(); ++i) {
            const TopicRecord &r = records[i];
            const TopicSummary &s = summaries[i];
            const std::string date = FormatMinute(s.lastMinute);
            EXPECT_EQ(std::string(r.topicId), s.tid);
            EXPECT_EQ(std::string(r.topicUrl), MessageUrl(b.id, s.tid, 1, ep));
            EXPECT_EQ(std::string(r.title), EucToSjis(s.title)) << url;
            EXPECT_EQ(r.postCount, s.highest);
            if (b.listForm == TopicListForm::SingleB) {
                EXPECT_STREQ(r.date, "1899/12/30");
                EXPECT_STREQ(r.time, "00:00");
            } else {
                EXPECT_EQ(std::string(r.date), date.substr(0, 10));
                EXPECT_EQ(std::string(r.time), date.substr(11));
            }
        }
    }
    EXPECT_GT(lists, 0);
    EXPECT_EQ(singleA, 1);
    EXPECT_EQ(singleB, 1);

    // Any board's list can be asked for in the single forms.
    const Board &b = board.data.boards().front();
    const auto newest = board.service->topicSummaries(b).front();
    for (const char *form : {"a", "b"}) {
        const auto records = topics(TopicListUrl(b.id, ep) + "&form=" + form);
        ASSERT_EQ(records.size(), 1u) << form;
        EXPECT_EQ(std::string(records[0].topicId), newest.tid);
        EXPECT_EQ(records[0].postCount, newest.highest);
    }
}

TEST_F(RoundTrip, MessagePages_ReadBackAsTheMessages_DeletedOnesAsErrorPages)
{
    std::map<std::string, int> features;
    int deleted = 0, messages = 0;
    for (const Board &b : board.data.boards()) {
        for (const Topic &t : b.topics) {
            for (int mid = 1; mid <= t.messageCount + 1; ++mid) {
                const std::string url = MessageUrl(b.id, t.tid, mid, ep);
                MessageRecord r;
                ASSERT_EQ(message(url, r), 1) << url;
                const auto view = board.service->messageView(b, t.tid, mid);
                if (!view) {
                    // Deleted, or one past the last: the error form, numbered from the URL.
                    EXPECT_TRUE(mid > t.messageCount || board.data.isDeleted(b, t, mid)) << url;
                    EXPECT_STREQ(r.date, "0000/00/00");
                    EXPECT_STREQ(r.time, "00:00");
                    EXPECT_EQ(r.number, mid);
                    EXPECT_EQ(r.lastNumber, mid);
                    EXPECT_EQ(std::string(r.title), Sjis("リクエストエラー"));
                    deleted += mid <= t.messageCount;
                    continue;
                }
                ++messages;
                expectMessage(r, *view, url);
                const std::string text = r.text;
                features["entity"] += text.find("&amp;") != std::string::npos || text.find("&quot;") != std::string::npos;
                features["raw reference"] += text.find(">>") != std::string::npos;
                features["escaped reference"] += text.find("&gt;&gt;") != std::string::npos;
                features["line break"] += text.find("<br>") != std::string::npos;
                features["near 4000 bytes"] += text.size() >= 3960;
                features["JIS X 0212 as ideographic space"] += text.find("\x81\x40") != std::string::npos;
                features["NEC row 13"] += text.find('\x87') != std::string::npos;
                features["half-width katakana"] += std::any_of(text.begin(), text.end(), [](char c) {
                    return static_cast<unsigned char>(c) >= 0xA1 && static_cast<unsigned char>(c) <= 0xDF;
                });
                features["reply"] += r.replyTo > 0;
            }
        }
    }
    EXPECT_GT(messages, 1000);
    EXPECT_GT(deleted, 0);
    for (const auto &[name, count] : features)
        EXPECT_GT(count, 0) << name;
    EXPECT_EQ(features.size(), 9u);
}

TEST_F(RoundTrip, PostForm_ListsTheNicknames_AndWithoutCookiesOffersNone)
{
    const Board &b = board.data.boards().front();
    const Topic &t = b.topics.front();
    const std::string url = ep.postBase() + "bbs?action=r&board=" + b.id + "&sid=" + b.id + "&tid=" + t.tid + "&mid=3";
    auto parse = [&](const std::vector<std::string> &cookies, int &status) {
        const Fetched f = fetch(url, cookies);
        status = f.status;
        std::vector<std::string> buffers(10, std::string(256, '\0'));
        std::vector<char *> pointers;
        for (auto &s : buffers)
            pointers.push_back(s.data());
        const FetchRequest req = Request(url);
        const int n = Hakobune().postForm(pointers.data(), &req, f.head.c_str(), f.body.c_str());
        std::vector<std::string> texts;
        for (int i = 0; i < n; ++i)
            texts.emplace_back(pointers[static_cast<std::size_t>(i)]);
        return texts;
    };
    int status = 0;
    EXPECT_TRUE(parse({}, status).empty());
    EXPECT_EQ(status, 302);
    const auto nicknames = parse(board.login(), status);
    EXPECT_EQ(status, 200);
    EXPECT_EQ(nicknames, DemoAccount().nicknames);
}

TEST_F(RoundTrip, PostedMessage_ReadsBackAsTheProgramSentIt)
{
    const Board &b = board.data.boards().front();
    const Topic &t = b.topics[1];
    const auto cookies = board.login();
    // Kanji, NEC row 13, half-width katakana, the special characters, CR LF line ends.
    const std::string text = Sjis("こんにちは①ｶﾀｶﾅ\r\n>>3 と \"引用\" & <タグ>\r\n二行目");
    const std::string subject = Sjis("Re: テスト　題名");
    const std::string query = "action=post&board=" + b.id + "&sid=" + b.id + "&tid=" + t.tid +
                              "&mid=3&identity=chat_pf_2&posting=" + UrlEncode(text) + "&Subject=" + UrlEncode(subject);
    const HttpResponse posted = board.get(ep.postBase() + "bbs?" + query, cookies);
    ASSERT_EQ(posted.status, 302);
    const std::string location = bstest::Board::location(posted);
    EXPECT_EQ(location, MessageUrl(b.id, t.tid, t.messageCount + 1, ep));

    MessageRecord r;
    ASSERT_EQ(message(location, r), 1);
    EXPECT_EQ(std::string(r.text),
              Sjis("こんにちは①ｶﾀｶﾅ<br>&gt;&gt;3 と &quot;引用&quot; &amp; &lt;タグ&gt;<br>二行目"));
    EXPECT_EQ(std::string(r.title), subject);
    EXPECT_EQ(std::string(r.author), DemoAccount().nicknames[1]);
    EXPECT_EQ(r.number, t.messageCount + 1);
    EXPECT_EQ(r.lastNumber, t.messageCount + 1);
    EXPECT_EQ(r.replyTo, 3);
    EXPECT_STREQ(r.date, "2007/06/05");
    EXPECT_STREQ(r.time, "04:03");

    // The topic list shows the new count and date, the topic first.
    const auto records = topics(TopicListUrl(b.id, ep));
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(std::string(records[0].topicId), t.tid);
    EXPECT_EQ(records[0].postCount, t.messageCount + 1);
    EXPECT_STREQ(records[0].date, "2007/06/05");
}

TEST_F(RoundTrip, NewTopic_AppearsInTheListAndReadsBack)
{
    const Board &b = board.data.boards()[2];
    const std::string subject = Sjis("新しい話題です");
    const std::string query = "action=post&board=" + b.id + "&sid=" + b.id + "&identity=chat_pf_1&posting=" +
                              UrlEncode(Sjis("最初の書き込み")) + "&Subject=" + UrlEncode(subject);
    const HttpResponse posted = board.get(ep.postBase() + "bbs?" + query, board.login());
    ASSERT_EQ(posted.status, 302);
    const std::string location = bstest::Board::location(posted);
    MessageRecord r;
    ASSERT_EQ(message(location, r), 1);
    EXPECT_EQ(std::string(r.title), subject);
    EXPECT_EQ(std::string(r.text), Sjis("最初の書き込み"));
    EXPECT_EQ(r.number, 1);
    EXPECT_EQ(r.lastNumber, 1);

    const auto records = topics(TopicListUrl(b.id, ep));
    ASSERT_EQ(records.size(), b.topics.size() + 1);
    EXPECT_EQ(std::string(records[0].topicUrl), location);
    EXPECT_EQ(std::string(records[0].title), subject);
    EXPECT_EQ(records[0].postCount, 1);
}

TEST_F(RoundTrip, LongPost_AtTheLimit_ReadsBackWhole)
{
    const Board &b = board.data.boards().front();
    const Topic &t = b.topics.front();
    std::string text;
    while (text.size() + 2 <= kMaxPostText)
        text += Sjis("長");
    ASSERT_EQ(text.size(), kMaxPostText);
    const std::string query = "action=post&board=" + b.id + "&sid=" + b.id + "&tid=" + t.tid +
                              "&mid=0&identity=chat_pf_1&posting=" + UrlEncode(text) + "&Subject=x";
    const HttpResponse posted = board.get(ep.postBase() + "bbs?" + query, board.login());
    ASSERT_EQ(posted.status, 302);
    MessageRecord r;
    ASSERT_EQ(message(bstest::Board::location(posted), r), 1);
    EXPECT_EQ(std::string(r.text), text);
    EXPECT_EQ(r.replyTo, 0);
}

// What a parser made of one page: its result and the whole record array as bytes (compared), the
// filled records' fields (for a failure message), and the page itself.
struct Reading {
    int result = 0;
    std::string raw;
    std::string fields;
    std::string page;
};

template <typename Record>
std::string RawBytes(const Record *records, std::size_t count)
{
    return std::string(reinterpret_cast<const char *>(records), sizeof(Record) * count);
}

std::string Fields(const CategoryRecord &r)
{
    return std::string(r.url) + " | " + r.parentUrl + " | " + r.name + " | " + std::to_string(r.isCategory) + "/" +
           std::to_string(r.fetchChildren);
}

std::string Fields(const TopicRecord &r)
{
    return std::string(r.topicId) + " | " + r.topicUrl + " | " + r.title + " | " + r.date + " " + r.time + " | " +
           std::to_string(r.postCount);
}

std::string Fields(const MessageRecord &r)
{
    return std::to_string(r.number) + "/" + std::to_string(r.lastNumber) + " re " + std::to_string(r.replyTo) + " | " +
           r.date + " " + r.time + " | " + r.author + " | " + r.title + " | " + r.text;
}

// Page bytes for a failure message, with the line ends visible.
std::string Shown(const std::string &page)
{
    std::string out;
    for (char c : page) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n\n";
        else
            out += c;
    }
    return out;
}

// Free choices a varied page can show, each found by a piece of its bytes. The comparison proves
// nothing unless the varied pages really take them.
const std::vector<std::pair<std::string, std::string>> kVariations = {
    {"CR LF line ends", "\r\n"},
    {"comment line", "<!-- "},
    {"doctype", "<!DOCTYPE"},
    {"upper-case tag", "<TABLE"},
    {"capitalised tag", "<Tr"},
    {"blank before a tag's end", "<ul >"},
    {"attribute before href", " target=_top href="},
    {"two blanks before href", "<a  href="},
    {"unquoted absolute link", "href=http://messages.yahoo.co.jp/>"},
    {"quoted rooted link", "href=\"/"},
    {"unquoted topic link", "&first=1>"},
    {"quoted single-topic link", "<td><a href=\"/bbs"},
    {"board id, CR LF, dash", "</a>\r\n- "},
    {"board id, two blanks, dash", "</a>  - "},
    {"row link losing a tab", "\t</a>&nbsp;|&nbsp;"},
    {"blanks before a count", "nowrap>  "},
    {"attribute before nowrap", "valign=top nowrap>"},
    {"numeric entity in a date", "&#160;"},
    {"blank after <p>", "<p> "},
    {"unquoted option value", "<option value=chat_pf_1 selected>"},
    {"attribute after an option value", "\" class=nick>"},
};

/// The same boards served twice, plainly and with the markup varied: every page of the varied
/// board must read back into the very bytes the plain page gives.
class VariedRoundTrip : public RoundTrip {
protected:
    void SetUp() override
    {
        RoundTrip::SetUp();
        ASSERT_TRUE(varied.opened);
    }

    void vary(std::uint64_t seed)
    {
        varied.markupSeed = seed;
        varied.reopen();
        plainCookies = board.login();
        variedCookies = varied.login();
    }

    const std::vector<std::string> &cookies() const { return current == &varied ? variedCookies : plainCookies; }

    template <typename Record, typename Parse>
    Reading read(const std::string &url, std::size_t capacity, Parse parse)
    {
        const Fetched f = fetch(url, cookies());
        std::vector<Record> records(capacity);
        const FetchRequest req = Request(url);
        Reading r;
        r.page = f.body;
        r.result = parse(records.data(), &req, f.head.c_str(), f.body.c_str());
        r.raw = RawBytes(records.data(), records.size());
        for (std::size_t i = 0; i < records.size() && static_cast<int>(i) < r.result; ++i)
            r.fields += Fields(records[i]) + "\n";
        return r;
    }

    Reading readPostForm(const std::string &url)
    {
        const Fetched f = fetch(url, cookies());
        std::vector<std::string> buffers(plugin_api::kPostFormTexts, std::string(plugin_api::kPostFormTextSize, '\0'));
        std::vector<char *> pointers;
        for (auto &b : buffers)
            pointers.push_back(b.data());
        const FetchRequest req = Request(url);
        Reading r;
        r.page = f.body;
        r.result = Hakobune().postForm(pointers.data(), &req, f.head.c_str(), f.body.c_str());
        for (const std::string &b : buffers)
            r.raw += b;
        for (int i = 0; i < r.result; ++i)
            r.fields += std::string(pointers[static_cast<std::size_t>(i)]) + "\n";
        return r;
    }

    /// Reads url from both boards with read and expects the same result and records.
    template <typename Read>
    void expectSame(const std::string &url, Read read)
    {
        current = &board;
        const Reading plain = read(url);
        current = &varied;
        const Reading other = read(url);
        current = &board;
        ++compared;
        changed += other.page != plain.page;
        for (const auto &[name, bytes] : kVariations)
            seen[name] += other.page.find(bytes) != std::string::npos;
        if (other.result == plain.result && other.raw == plain.raw)
            return;
        ADD_FAILURE() << "seed " << *varied.markupSeed << ", " << url << "\nplain page gives " << plain.result
                      << ":\n" << Shown(plain.fields) << "varied page gives " << other.result << ":\n"
                      << Shown(other.fields) << "varied page:\n" << Shown(other.page);
    }

    Reading categoriesOf(const std::string &url)
    {
        return read<CategoryRecord>(url, plugin_api::kMaxCategoryRecords, Hakobune().category);
    }
    Reading topicsOf(const std::string &url)
    {
        return read<TopicRecord>(url, plugin_api::kMaxTopicRecords, Hakobune().topics);
    }
    Reading messageOf(const std::string &url)
    {
        return read<MessageRecord>(url, 1, Hakobune().thread);
    }

    bstest::Board varied;
    std::vector<std::string> plainCookies;
    std::vector<std::string> variedCookies;
    int compared = 0;
    int changed = 0;
    std::map<std::string, int> seen;
};

TEST_F(VariedRoundTrip, EveryPageForm_ReadsBackAsThePlainPage_ForSeveralSeeds)
{
    const Dataset &data = board.data;
    // Posted messages and a posted topic belong to the pages too: the same posts on both boards.
    const Board &replied = data.boards().front();
    const Board &withNewTopic = data.boards()[2];
    for (bstest::Board *b : {&board, &varied}) {
        const auto cookies = b->login();
        const std::string reply =
            "action=post&board=" + replied.id + "&sid=" + replied.id + "&tid=" + replied.topics[1].tid +
            "&mid=2&identity=chat_pf_2&posting=" + UrlEncode(Sjis("返信①ｶﾅ\r\n>>2 \"引用\" & <b>\r\n")) +
            "&Subject=" + UrlEncode(Sjis("Re: 題"));
        ASSERT_EQ(b->get(ep.postBase() + "bbs?" + reply, cookies).status, 302);
        const std::string topic = "action=post&board=" + withNewTopic.id + "&sid=" + withNewTopic.id +
                                  "&identity=chat_pf_1&posting=" + UrlEncode(Sjis("最初")) + "&Subject=" +
                                  UrlEncode(Sjis("新しい話題"));
        ASSERT_EQ(b->get(ep.postBase() + "bbs?" + topic, cookies).status, 302);
    }

    auto categoriesOf = [this](const std::string &url) { return this->categoriesOf(url); };
    auto topicsOf = [this](const std::string &url) { return this->topicsOf(url); };
    auto messageOf = [this](const std::string &url) { return this->messageOf(url); };
    auto postFormOf = [this](const std::string &url) { return readPostForm(url); };
    for (std::uint64_t seed : {1ULL, 2ULL, 3ULL, 20070605ULL}) {
        vary(seed);
        for (const Category &c : data.categories())
            expectSame(CategoryUrl(c, ep), categoriesOf);
        for (const Board &b : data.boards()) {
            const std::string list = TopicListUrl(b.id, ep);
            for (const std::string &url : {list, list + "&form=list", list + "&form=a", list + "&form=b"})
                expectSame(url, topicsOf);
            for (const TopicSummary &t : board.service->topicSummaries(b))
                for (int mid = 1; mid <= t.highest + 1; ++mid)
                    expectSame(MessageUrl(b.id, t.tid, mid, ep), messageOf);
            const std::string form = ep.postBase() + "bbs?action=r&board=" + b.id + "&sid=" + b.id;
            expectSame(form, postFormOf);
            expectSame(form + "&tid=" + b.topics.front().tid + "&mid=1", postFormOf);
        }
        expectSame(TopicListUrl("nosuchboard", ep), topicsOf);
        expectSame(MessageUrl("nosuchboard", "x", 1, ep), messageOf);
        if (HasFailure())
            return; // one seed's failures say enough
    }
    EXPECT_GT(compared, 40000);
    EXPECT_EQ(changed, compared) << "a varied page came out plain";
    for (const auto &[name, bytes] : kVariations)
        EXPECT_GT(seen[name], 0) << "no varied page shows: " << name;
}

} // namespace
