// The limits every export keeps: record counts, field sizes, null inputs, and the exact size
// of what Plugin_Info writes.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/plugin/pluginmodule.h"

namespace {

using plugintest::Hakobune;
using plugintest::MakeRequest;

const std::string kBoard = "http://messages.yahoo.co.jp/";
const std::string kTopicListUrl = kBoard + "bbs?action=topics&board=1834578&sid=1834578&type=r";
const std::string kMessageUrl = kBoard + "bbs?action=m&board=1834578&sid=1834578&tid=bfa1a4d3&mid=57";

// EUC-JP "漢" and its Shift_JIS form.
const std::string kEucKan = "\xb4\xc1";
const std::string kSjisKan = "\x8a\xbf";

std::string repeat(const std::string &s, int n)
{
    std::string out;
    for (int i = 0; i < n; ++i)
        out += s;
    return out;
}

/// Asserts that field holds a terminated text that is the longest prefix of whole, of the
/// given double-byte unit, that fits the field.
void expectCutOnCharacter(const char *field, std::size_t size, const std::string &whole)
{
    const std::size_t length = ::strnlen(field, size);
    ASSERT_LT(length, size);
    EXPECT_EQ(std::string(field, length), whole.substr(0, length));
    EXPECT_GE(length + 2, size) << "cut shorter than the field needs";
    EXPECT_TRUE(whole.size() >= length) << "longer than the source";
}

class PluginLimits : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Hakobune().complete()) << "cannot load " << plugintest::kModulePath; }
};

TEST_F(PluginLimits, PluginInfo_WritesExactly322Bytes)
{
    unsigned char buffer[324];
    std::memset(buffer, 0xCC, sizeof buffer);
    EXPECT_EQ(Hakobune().info(reinterpret_cast<PluginInfo *>(buffer)), 1);
    EXPECT_EQ(buffer[322], 0xCC);
    EXPECT_EQ(buffer[323], 0xCC);
    for (std::size_t i = 0; i < 322; ++i)
        ASSERT_NE(buffer[i], 0xCC) << "byte " << i << " of the record was not written";

    PluginInfo info;
    std::memcpy(&info, buffer, sizeof info);
    // "Yahoo!掲示板" in Shift_JIS.
    EXPECT_STREQ(info.siteName, "Yahoo!\x8c\x66\x8e\xa6\x94\xc2");
    EXPECT_STREQ(info.baseUrl, kBoard.c_str());
    EXPECT_GT(std::strlen(info.author), 0u);
    EXPECT_EQ(info.version, 100);
}

TEST_F(PluginLimits, Parsers_ReturnZeroForNullBodyAndTouchNothing)
{
    std::vector<CategoryRecord> categories(plugin_api::kMaxCategoryRecords);
    std::vector<TopicRecord> topics(plugin_api::kMaxTopicRecords);
    MessageRecord message{};
    char texts[plugin_api::kPostFormTexts][plugin_api::kPostFormTextSize] = {};
    char *textPointers[plugin_api::kPostFormTexts];
    for (int i = 0; i < plugin_api::kPostFormTexts; ++i)
        textPointers[i] = texts[i];

    FetchRequest category = MakeRequest(kBoard);
    FetchRequest topicList = MakeRequest(kTopicListUrl);
    FetchRequest messagePage = MakeRequest(kMessageUrl);
    EXPECT_EQ(Hakobune().parseCategory(categories.data(), &category, "HTTP/1.0 200 OK", nullptr), 0);
    EXPECT_EQ(Hakobune().parseThreadList(topics.data(), &topicList, "HTTP/1.0 200 OK", nullptr), 0);
    EXPECT_EQ(Hakobune().parseThread(&message, &messagePage, "HTTP/1.0 200 OK", nullptr), 0);
    EXPECT_EQ(Hakobune().parsePostForm(textPointers, &messagePage, "HTTP/1.0 200 OK", nullptr), 0);
    // Missing output buffers or requests are refused as well.
    const char *page = "<a href=/Arts/><strong>x</strong></a><big><b><center><b><option value=1>a\n";
    EXPECT_EQ(Hakobune().parseCategory(nullptr, &category, "", page), 0);
    EXPECT_EQ(Hakobune().parseCategory(categories.data(), nullptr, "", page), 0);
    EXPECT_EQ(Hakobune().parseThread(nullptr, &messagePage, "", page), 0);
    EXPECT_EQ(Hakobune().parsePostForm(nullptr, &messagePage, "", page), 0);

    const MessageRecord zero{};
    EXPECT_EQ(std::memcmp(&message, &zero, sizeof message), 0);
    EXPECT_EQ(categories[0].url[0], '\0');
}

TEST_F(PluginLimits, ParseCategory_FillsAtMost150RecordsOf200Links)
{
    std::string page = "<html><body>\n";
    for (int i = 0; i < 200; ++i)
        page += "<a href=/Cat" + std::to_string(i) + "/><strong>c" + std::to_string(i) + "</strong></a><br>\n";
    // One record more than the caller's capacity, to see that it stays untouched.
    std::vector<CategoryRecord> records(plugin_api::kMaxCategoryRecords + 1);
    std::memset(&records.back(), 0x5A, sizeof(CategoryRecord));
    const FetchRequest request = MakeRequest(kBoard);

    ASSERT_EQ(Hakobune().parseCategory(records.data(), &request, "", page.c_str()), 150);
    EXPECT_STREQ(records[0].url, "http://messages.yahoo.co.jp/Cat0/index.html");
    EXPECT_STREQ(records[149].url, "http://messages.yahoo.co.jp/Cat149/index.html");
    EXPECT_STREQ(records[149].name, "c149");
    const unsigned char *guard = reinterpret_cast<const unsigned char *>(&records.back());
    for (std::size_t i = 0; i < sizeof(CategoryRecord); ++i)
        ASSERT_EQ(guard[i], 0x5A) << "written beyond the 150 records at byte " << i;
}

TEST_F(PluginLimits, ParseCategory_KeepsOverlongNameAndUrlInsideTheirFields)
{
    // "ab" + 200 x "漢": 2 + 2k bytes fit 127 only up to 126, so the cut falls before a
    // character that would end one byte beyond the field.
    const std::string longPath = repeat("p", 300);
    const std::string page = "<a href=/" + longPath + "/><strong>ab" + repeat(kEucKan, 200) +
                             "</strong></a>\n<a href=/Short/><strong>" + kEucKan + "</strong></a>\n";
    std::vector<CategoryRecord> records(plugin_api::kMaxCategoryRecords);
    const FetchRequest request = MakeRequest(kBoard);

    ASSERT_EQ(Hakobune().parseCategory(records.data(), &request, "", page.c_str()), 2);
    EXPECT_EQ(std::strlen(records[0].name), 126u);
    expectCutOnCharacter(records[0].name, sizeof records[0].name, "ab" + repeat(kSjisKan, 200));
    EXPECT_EQ(records[0].isCategory, 1);
    EXPECT_EQ(records[0].fetchChildren, 1);
    EXPECT_EQ(std::strlen(records[0].url), 255u);
    EXPECT_EQ(std::string(records[0].url), (kBoard + longPath).substr(0, 255));
    EXPECT_STREQ(records[0].parentUrl, kBoard.c_str());
    EXPECT_EQ(std::string(records[1].name), kSjisKan);
}

TEST_F(PluginLimits, ParseCategory_NameThatFillsTheFieldExactlyIsKeptWhole)
{
    // "a" + 63 x "漢" is 127 bytes in Shift_JIS: the whole field less its terminator.
    const std::string page = "<a href=/X/><strong>a" + repeat(kEucKan, 63) + "</strong></a>\n";
    std::vector<CategoryRecord> records(plugin_api::kMaxCategoryRecords);
    const FetchRequest request = MakeRequest(kBoard);
    ASSERT_EQ(Hakobune().parseCategory(records.data(), &request, "", page.c_str()), 1);
    EXPECT_EQ(std::string(records[0].name), "a" + repeat(kSjisKan, 63));
}

std::string topicRow(int i, const std::string &title = "t", const std::string &tid = "")
{
    const std::string id = tid.empty() ? "id" + std::to_string(i) : tid;
    return "<tr><td valign=top width=97%><a href=\"/bbs?action=m&board=1834578&sid=1834578&tid=" + id +
           "&mid=1&first=1\">" + title + "</a></td>\n<td align=right nowrap>" + std::to_string(i) +
           "</td>\n<td nowrap>2003/05/12 14:33</td></tr>\n";
}

TEST_F(PluginLimits, ParseThreadList_FillsAtMost150RecordsOf160Topics)
{
    std::string page = "<table>\n";
    for (int i = 0; i < 160; ++i)
        page += topicRow(i);
    std::vector<TopicRecord> records(plugin_api::kMaxTopicRecords + 1);
    std::memset(&records.back(), 0x5A, sizeof(TopicRecord));
    const FetchRequest request = MakeRequest(kTopicListUrl);

    ASSERT_EQ(Hakobune().parseThreadList(records.data(), &request, "", page.c_str()), 150);
    EXPECT_STREQ(records[149].topicId, "id149");
    EXPECT_EQ(records[149].postCount, 149);
    const unsigned char *guard = reinterpret_cast<const unsigned char *>(&records.back());
    for (std::size_t i = 0; i < sizeof(TopicRecord); ++i)
        ASSERT_EQ(guard[i], 0x5A) << "written beyond the 150 records at byte " << i;
}

TEST_F(PluginLimits, ParseThreadList_KeepsOverlongTitleAndTopicIdInsideTheirFields)
{
    const std::string tid = repeat("f", 200);
    const std::string page = "<table>\n" + topicRow(1, "x" + repeat(kEucKan, 100), tid);
    std::vector<TopicRecord> records(plugin_api::kMaxTopicRecords);
    const FetchRequest request = MakeRequest(kTopicListUrl);

    ASSERT_EQ(Hakobune().parseThreadList(records.data(), &request, "", page.c_str()), 1);
    EXPECT_EQ(std::strlen(records[0].title), 127u);
    expectCutOnCharacter(records[0].title, sizeof records[0].title, "x" + repeat(kSjisKan, 100));
    EXPECT_EQ(std::string(records[0].topicId), tid.substr(0, 127));
    // The URL names the topic by the id as stored, so both stay consistent.
    EXPECT_EQ(std::string(records[0].topicUrl),
              kBoard + "bbs?action=m&board=1834578&sid=1834578&tid=" + tid.substr(0, 127) + "&mid=1");
    EXPECT_STREQ(records[0].date, "2003/05/12");
    EXPECT_EQ(records[0].postCount, 1);
}

std::string messagePage(const std::string &author, const std::string &text, const std::string &smallPrint)
{
    return "<td><big><b>title</b></big></td>\n<td align=right><small>2003/05/12 14:33<br>No: 1201 / "
           "1300</small></td>\n<a href=\"http://profiles.yahoo.co.jp/" +
           author + "\">" + author + "</a>\n<table><tr><td>\n<p>\n" + text + "\n</td></tr></table>\n" + smallPrint +
           "\n";
}

TEST_F(PluginLimits, ParseThread_KeepsOverlongTextAndAuthorInsideTheirFields)
{
    const std::string author = repeat("n", 300);
    const std::string page = messagePage(author, "y" + repeat(kEucKan, 2500),
                                         "<small>Re: <a href=\"/bbs?mid=1200\">1200</a></small>");
    MessageRecord record{};
    const FetchRequest request = MakeRequest(kMessageUrl);

    ASSERT_EQ(Hakobune().parseThread(&record, &request, "", page.c_str()), 1);
    EXPECT_EQ(std::strlen(record.text), 3999u);
    expectCutOnCharacter(record.text, sizeof record.text, "y" + repeat(kSjisKan, 2500));
    EXPECT_EQ(std::string(record.author), author.substr(0, 127));
    EXPECT_STREQ(record.date, "2003/05/12");
    EXPECT_STREQ(record.time, "14:33");
    EXPECT_EQ(record.number, 1201);
    EXPECT_EQ(record.lastNumber, 1300);
    EXPECT_EQ(record.replyTo, 1200);
}

TEST_F(PluginLimits, ParseThread_PageWithoutAuthorLinkGivesNothing)
{
    std::string page = messagePage("someone", "text", "<small>&nbsp;</small>");
    page.replace(page.find("http://profiles.yahoo.co.jp/"), 28, "http://www.example.com/");
    MessageRecord record{};
    const FetchRequest request = MakeRequest(kMessageUrl);
    EXPECT_EQ(Hakobune().parseThread(&record, &request, "", page.c_str()), 0);
    const MessageRecord zero{};
    EXPECT_EQ(std::memcmp(&record, &zero, sizeof record), 0) << "a page that was not read must leave the record as it was";
}

TEST_F(PluginLimits, ParsePostForm_FillsAtMostTenTextsAndCutsLongOnes)
{
    std::string page = "<select name=yid>\n<option value=0>" + repeat(kSjisKan, 150) + "\n";
    for (int i = 1; i < 12; ++i)
        page += "<option value=" + std::to_string(i) + ">id" + std::to_string(i) + "\n";
    page += "</select>\n";
    // Eleven buffers, the last only to see that it stays untouched.
    char texts[plugin_api::kPostFormTexts + 1][plugin_api::kPostFormTextSize];
    std::memset(texts, 0, sizeof texts);
    std::memset(texts[plugin_api::kPostFormTexts], 0x5A, plugin_api::kPostFormTextSize);
    char *pointers[plugin_api::kPostFormTexts + 1];
    for (int i = 0; i <= plugin_api::kPostFormTexts; ++i)
        pointers[i] = texts[i];
    const FetchRequest request = MakeRequest(kMessageUrl);

    ASSERT_EQ(Hakobune().parsePostForm(pointers, &request, "", page.c_str()), 10);
    EXPECT_EQ(std::strlen(texts[0]), 254u);
    expectCutOnCharacter(texts[0], plugin_api::kPostFormTextSize, repeat(kSjisKan, 150));
    EXPECT_STREQ(texts[1], "id1");
    EXPECT_STREQ(texts[9], "id9");
    for (unsigned char c : texts[plugin_api::kPostFormTexts])
        ASSERT_EQ(c, 0x5A);
}

TEST_F(PluginLimits, Parsers_SurviveMarkersAtTheVeryEndOfTheBody)
{
    // Each body ends right where a parser reads a few characters past a marker.
    const char *bodies[] = {"href",        "href=",          "href=\"",      "<a href=\">",    "href=/>",
                            "href=/bbs>1</a>", "<big><b>",   "<big><b></b>t><small>", "<center><b>",
                            "option value", "option value>", "<td valign=top width=97%>href=\"/bbs first=1\">"};
    std::vector<CategoryRecord> categories(plugin_api::kMaxCategoryRecords);
    std::vector<TopicRecord> topics(plugin_api::kMaxTopicRecords);
    MessageRecord message{};
    char text[plugin_api::kPostFormTextSize] = {};
    char *pointers[plugin_api::kPostFormTexts] = {text};
    const FetchRequest category = MakeRequest(kBoard);
    const FetchRequest topicList = MakeRequest(kTopicListUrl);
    const FetchRequest messageUrl = MakeRequest(kMessageUrl);
    for (const char *body : bodies) {
        // Heap copies sized exactly, so that a read past the terminator is caught by the
        // sanitizer run.
        std::vector<char> copy(body, body + std::strlen(body) + 1);
        const int c = Hakobune().parseCategory(categories.data(), &category, "", copy.data());
        EXPECT_TRUE(c >= 0 && c <= 1) << body;
        const int t = Hakobune().parseThreadList(topics.data(), &topicList, "", copy.data());
        EXPECT_TRUE(t >= 0 && t <= 1) << body;
        const int m = Hakobune().parseThread(&message, &messageUrl, "", copy.data());
        EXPECT_TRUE(m >= 0 && m <= 1) << body;
        EXPECT_EQ(Hakobune().parsePostForm(pointers, &messageUrl, "", copy.data()), 0) << body;
    }
}

} // namespace
