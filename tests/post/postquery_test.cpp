// Posting without a display: what a post sends, the title check, the reply a dialog starts
// with, the size counter, the preview page, and that a lost post is never sent again.
#include "net/pipeline.h"
#include "post/postquery.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

const char kPostBase[] = "http://post.messages.yahoo.co.jp/";
const char kTopicUrl[] = "http://messages.yahoo.co.jp/bbs?action=m&board=1834578&sid=1834578&tid=abc12&mid=1";

/// "　" (the full-width space) and "猫" in Shift_JIS.
const std::string kWideSpace = "\x81\x40";
const std::string kCat = "\x94\x4c";

std::string replyForm(int mid)
{
    return post::ReplyFormUrl(kPostBase, "1834578", "abc12", mid);
}

TEST(PostUrls, FormsOfTheThreeDialogs)
{
    EXPECT_EQ(replyForm(0), "http://post.messages.yahoo.co.jp/bbs?action=r&board=1834578&sid=1834578&tid=abc12&mid=0");
    EXPECT_EQ(replyForm(5), "http://post.messages.yahoo.co.jp/bbs?action=r&board=1834578&sid=1834578&tid=abc12&mid=5");
    // sid comes first in the new-topic form.
    EXPECT_EQ(post::NewTopicFormUrl(kPostBase, "1834578"),
              "http://post.messages.yahoo.co.jp/bbs?action=r&sid=1834578&board=1834578");
}

TEST(PostUrls, UrlEncodeKeepsOnlyTheUnreservedBytes)
{
    EXPECT_EQ(post::UrlEncode("AZaz09@!$'()*-._"), "AZaz09@!$'()*-._");
    EXPECT_EQ(post::UrlEncode("a b"), "a+b");
    EXPECT_EQ(post::UrlEncode("&+<>=%#?/\""), "%26%2b%3c%3e%3d%25%23%3f%2f%22");
    EXPECT_EQ(post::UrlEncode(std::string("\r\n\t\x7f\x01", 5)), "%0d%0a%09%7f%01");
    // Both bytes of a double-byte character, in lower-case hex; a trail byte that is a letter too.
    EXPECT_EQ(post::UrlEncode(kCat + "\x83\x58"), "%94%4c%83%58");
    EXPECT_EQ(post::UrlEncode(std::string(1, '\0')), "%00");
    // Single-byte katakana and a lead byte at the very end are single bytes.
    EXPECT_EQ(post::UrlEncode("\xb1"
                              "a\x94"),
              "%b1a%94");
}

TEST(PostQuery, ReplyCarriesTheFormsValuesTheNicknameAndTheEncodedTexts)
{
    post::PostContent content{0, post::WithCrLf(">>5\nabc"), "Re:" + kCat};
    EXPECT_EQ(post::ReplyQuery(replyForm(5), content),
              "action=post&board=1834578&sid=1834578&tid=abc12&mid=5&identity=chat_pf_1"
              "&posting=%3e%3e5%0d%0aabc&Subject=Re%3a%94%4c");
}

TEST(PostQuery, SecondNicknameIsIdentityTwo)
{
    post::PostContent content{1, "x", "t"};
    std::string query = post::ReplyQuery(replyForm(0), content);
    EXPECT_NE(query.find("&identity=chat_pf_2&"), std::string::npos) << query;
    EXPECT_NE(query.find("&mid=0&"), std::string::npos) << query;
}

TEST(PostQuery, NewTopicHasBoardAndSidButNoTopicOrMessage)
{
    post::PostContent content{0, "a b+c", "T"};
    std::string query = post::NewTopicQuery(post::NewTopicFormUrl(kPostBase, "777"), content);
    EXPECT_EQ(query, "action=post&board=777&sid=777&identity=chat_pf_1&posting=a+b%2bc&Subject=T");
}

TEST(PostQuery, TitleWithInnerWideSpacesIsSentAsTyped)
{
    std::string title = "a" + kWideSpace + "b ";
    post::PostContent content{0, "m", title};
    EXPECT_FALSE(post::TitleIsEmpty(title));
    EXPECT_NE(post::ReplyQuery(replyForm(0), content).find("&Subject=a%81%40b+"), std::string::npos);
}

TEST(PostQuery, LineEndsOfEveryKindBecomeCrLf)
{
    EXPECT_EQ(post::WithCrLf("a\nb\r\nc\rd\n"), "a\r\nb\r\nc\r\nd\r\n");
    EXPECT_EQ(post::WithCrLf("\n\n"), "\r\n\r\n");
}

TEST(PostTitle, BlankTitlesCountAsEmpty)
{
    EXPECT_TRUE(post::TitleIsEmpty(""));
    EXPECT_TRUE(post::TitleIsEmpty(kWideSpace + kWideSpace));
    EXPECT_TRUE(post::TitleIsEmpty("   "));
    EXPECT_TRUE(post::TitleIsEmpty(" " + kWideSpace + "\t\r\n"));
    EXPECT_FALSE(post::TitleIsEmpty(kWideSpace + "x" + kWideSpace));
    EXPECT_FALSE(post::TitleIsEmpty(kCat));
    // A double-byte character whose trail byte is 0x40 is not a full-width space.
    EXPECT_FALSE(post::TitleIsEmpty("\x82\x40"));
}

TEST(PostTitle, CutToBytesNeverSplitsACharacter)
{
    std::string twenty;
    for (int i = 0; i < 20; ++i)
        twenty += kCat;
    EXPECT_EQ(post::CutToBytes(twenty, 40), twenty);
    EXPECT_EQ(post::CutToBytes("a" + twenty, 40).size(), 39u);
    EXPECT_EQ(post::CutToBytes(std::string(50, 'x'), 40).size(), 40u);
}

TEST(PostMemo, SizeCounterAndItsLimit)
{
    EXPECT_EQ(post::MemoSizeText(0), "0 / 4000 Bytes");
    EXPECT_FALSE(post::MemoOverLimit(4000));
    EXPECT_TRUE(post::MemoOverLimit(4001));
    // A memo over the limit is still a post like any other.
    post::PostContent content{0, std::string(4001, 'a'), "t"};
    EXPECT_NE(post::ReplyQuery(replyForm(0), content).find(std::string(4001, 'a')), std::string::npos);
}

std::vector<std::string> logLines()
{
    return {
        "1\t0\t2024/01/01 10:00\tneko\tfirst &amp; one\thello",
        "3\t1\t2024/01/01 10:05\tinu\tRe: first\tline &lt;a&gt;<br>second<br>&gt;&gt;1",
        "3x\t0\t2024/01/01 10:06\tbad\tnot a number\tx",
    };
}

TEST(ReplyStart, ToTheTopicTakesTheTabCaption)
{
    post::ReplyStart start = post::StartReply(kPostBase, kTopicUrl, "Cats &amp; dogs", logLines(), -1, true);
    EXPECT_EQ(start.formUrl, replyForm(0));
    EXPECT_EQ(start.caption, std::string("Cats & dogs") + post::kReplyCaptionSuffix);
    EXPECT_EQ(start.title, "Re:Cats & dogs");
    EXPECT_EQ(start.memo, "");
}

TEST(ReplyStart, ToAMessageNamesItAndTakesItsTitle)
{
    post::ReplyStart start = post::StartReply(kPostBase, kTopicUrl, "caption", logLines(), 1, false);
    EXPECT_EQ(start.formUrl, replyForm(1));
    EXPECT_EQ(start.title, "Re:first & one");
    EXPECT_EQ(start.memo, ">>1\n");
}

TEST(ReplyStart, QuotationTakesEveryLineOfTheMessageDecoded)
{
    post::ReplyStart start = post::StartReply(kPostBase, kTopicUrl, "caption", logLines(), 3, true);
    EXPECT_EQ(start.formUrl, replyForm(3));
    EXPECT_EQ(start.title, "Re:Re: first");
    EXPECT_EQ(start.memo, ">>3\n> line <a>\n> second\n> >>1\n");
}

TEST(ReplyStart, MessageMissingFromTheLogHasNoSubject)
{
    post::ReplyStart start = post::StartReply(kPostBase, kTopicUrl, "caption", logLines(), 9, true);
    EXPECT_EQ(start.formUrl, replyForm(9));
    EXPECT_EQ(start.caption, post::kReplyCaptionSuffix);
    EXPECT_EQ(std::string(post::kReplyCaptionSuffix), " \x82\xc9\x83\x8c\x83X");
    EXPECT_EQ(start.title, "Re:");
    EXPECT_EQ(start.memo, ">>9\n");
}

TEST(NewTopicStart, BoardOfTheListAndItsName)
{
    post::NewTopicStart start =
        post::StartNewTopic(kPostBase, "http://messages.yahoo.co.jp/bbs?action=topics&board=42&sid=42&type=r", "Cats");
    EXPECT_EQ(start.formUrl, post::NewTopicFormUrl(kPostBase, "42"));
    EXPECT_EQ(start.caption, std::string("Cats") + post::kNewTopicCaptionSuffix);
    // From the favorites list: the board of the selected row's topic.
    post::NewTopicStart favorite = post::StartNewTopic(kPostBase, kTopicUrl, "Board");
    EXPECT_EQ(favorite.formUrl, post::NewTopicFormUrl(kPostBase, "1834578"));
}

TEST(Preview, DateWithoutLeadingZerosInTheTime)
{
    std::tm t{};
    t.tm_year = 2024 - 1900;
    t.tm_mon = 0;
    t.tm_mday = 5;
    t.tm_hour = 7;
    t.tm_min = 3;
    EXPECT_EQ(post::PreviewDate(t), "2024/01/05 7:3");
}

TEST(Preview, PageShowsTheTextsAsTheBoardWill)
{
    std::string header = post::PreviewHeader();
    ASSERT_NE(header.find("<html"), std::string::npos);
    std::string page = post::PreviewPage(header, "2024/01/05 7:3", "neko", "<b>&amp;</b>", "a<i>\r\nb & c\nd");
    EXPECT_EQ(page.compare(0, header.size(), header), 0);
    EXPECT_NE(page.find("<big><b>&lt;b&gt;&amp;amp;&lt;/b&gt;</b></big>"), std::string::npos) << page;
    EXPECT_NE(page.find("<td colspan=2><br>a&lt;i&gt;<br>b &amp; c<br>d</td>"), std::string::npos) << page;
    EXPECT_NE(page.find("2024/01/05 7:3<br>"), std::string::npos);
    EXPECT_NE(page.find(": neko</small>"), std::string::npos);
    EXPECT_EQ(page.find("<TITLE/>"), std::string::npos);
    // A typed tag name of the template stays text and is not replaced again.
    std::string tags = post::PreviewPage(header, "d", "<MESSAGE/>", "<NAME/>", "m");
    EXPECT_NE(tags.find("&lt;NAME/&gt;"), std::string::npos);
    EXPECT_NE(tags.find("&lt;MESSAGE/&gt;"), std::string::npos);
}

/// A pipeline that is never started: its queue is only inspected.
class LostPost : public ::testing::Test {
protected:
    std::shared_ptr<net::NoticeQueue> notices = std::make_shared<net::NoticeQueue>();
    net::Pipeline pipeline{notices};

    FetchRequest request(int kind, const std::string &url)
    {
        FetchRequest r{};
        std::memcpy(r.url, url.c_str(), url.size() + 1);
        std::strcpy(r.key, "http://post.messages.yahoo.co.jp/bbs?action=r&board=1&sid=1&tid=t&mid=0");
        r.kind = kind;
        return r;
    }
};

TEST_F(LostPost, PostWhoseExchangeFailedIsNeverRetried)
{
    net::RetryOutcome outcome =
        pipeline.handleRequestFailed(request(plugin_api::kPost, "http://post.messages.yahoo.co.jp/bbs?"));
    EXPECT_EQ(outcome.answer, 0);
    EXPECT_EQ(pipeline.waitingGeneral(), 0u);
}

TEST_F(LostPost, PostFormIsRetriedLikeAnyPage)
{
    net::RetryOutcome outcome = pipeline.handleRequestFailed(
        request(plugin_api::kPostForm, "http://post.messages.yahoo.co.jp/bbs?action=r&board=1&sid=1&tid=t&mid=0"));
    EXPECT_EQ(outcome.answer, 1);
    EXPECT_EQ(pipeline.waitingGeneral(), 1u);
}

} // namespace
