// The message text transforms: tag replacement, reply links, entities, breaks and pop-up text.
#include <gtest/gtest.h>

#include "view/texttransform.h"

namespace {

std::string Line(const std::string &number, const std::string &reply, const std::string &author,
                 const std::string &title, const std::string &body)
{
    return number + "\t" + reply + "\t2004/01/02 03:04\t" + author + "\t" + title + "\t" + body;
}

TEST(ReplaceAll, EveryOccurrenceLeftToRightWithoutRescanningTheValue)
{
    EXPECT_EQ(view::ReplaceAll("<A/>x<A/>", "<A/>", "1"), "1x1");
    EXPECT_EQ(view::ReplaceAll("<A/>", "<A/>", "<A/><A/>"), "<A/><A/>");
    EXPECT_EQ(view::ReplaceAll("<<A/>A/>", "<A/>", ""), "<A/>") << "what the removal joins is not searched";
    EXPECT_EQ(view::ReplaceAll("none", "<A/>", "1"), "none");
    EXPECT_EQ(view::ReplaceAll("abc", "", "1"), "abc");
}

TEST(LinkReferences, EscapedMarkerWithDigitsIsLinkedAndWithoutDigitsStaysText)
{
    EXPECT_EQ(view::LinkReferences("see &gt;&gt;12 and &gt;&gt;x", "#Res"),
              "see <a href=\"#Res12\">&gt;&gt;12</a> and &gt;&gt;x");
    EXPECT_EQ(view::LinkReferences("&gt;&gt;7", "#Res"), "<a href=\"#Res7\">&gt;&gt;7</a>");
}

TEST(LinkReferences, ARawMarkerFurtherOnIsHandledFirst)
{
    EXPECT_EQ(view::LinkReferences("&gt;&gt;5 then >>x", "#Res"), "&gt;&gt;5 then >>x");
    // Once no ">>" remains, the escaped marker is used again.
    EXPECT_EQ(view::LinkReferences("a &gt;&gt;5 b >>6 c &gt;&gt;7", "B"),
              "a &gt;&gt;5 b <a href=\"B6\">>>6</a> c <a href=\"B7\">&gt;&gt;7</a>");
}

TEST(LinkReferences, DigitRunsEndAtAnyOtherByteAndHaveNoUpperBound)
{
    EXPECT_EQ(view::LinkReferences(">>12\x82\x4f", "B"), "<a href=\"B12\">>>12</a>\x82\x4f");
    EXPECT_EQ(view::LinkReferences(">>123456789012345678901", "B"),
              "<a href=\"B123456789012345678901\">>>123456789012345678901</a>");
    EXPECT_EQ(view::LinkReferences(">>>12", "B"), ">>>12") << "the marker is followed by '>', not digits";
    EXPECT_EQ(view::LinkReferences(">>1>>2", "B"), "<a href=\"B1\">>>1</a><a href=\"B2\">>>2</a>");
    EXPECT_EQ(view::LinkReferences("", "B"), "");
    EXPECT_EQ(view::LinkReferences("plain \x93\xfa\x96\x7b", "B"), "plain \x93\xfa\x96\x7b");
}

TEST(DecodeEntities, FourEntitiesEachDecodedOnce)
{
    EXPECT_EQ(view::DecodeEntities("&quot;a&quot; &lt;b&gt; c&amp;d"), "\"a\" <b> c&d");
    EXPECT_EQ(view::DecodeEntities("&amp;lt;"), "&lt;") << "a decoded & never forms a new entity";
    EXPECT_EQ(view::DecodeEntities("&amp;amp;"), "&amp;");
    EXPECT_EQ(view::DecodeEntities("&amp;&amp;"), "&&");
    EXPECT_EQ(view::DecodeEntities("&nbsp; & &lt &"), "&nbsp; & &lt &");
    EXPECT_EQ(view::DecodeEntities("&&lt;"), "&<");
}

TEST(ConvertBreaks, BothDirectionsWithAndWithoutSpace)
{
    using view::BreakDirection;
    EXPECT_EQ(view::ConvertBreaks("a<br>b<br><BR>", true, BreakDirection::FromBreaks), "a\n b\n <BR>");
    EXPECT_EQ(view::ConvertBreaks("a<br>b", false, BreakDirection::FromBreaks), "a\nb");
    EXPECT_EQ(view::ConvertBreaks("a\nb\n", false, BreakDirection::ToBreaks), "a<br>b<br>");
    EXPECT_EQ(view::ConvertBreaks("\n", true, BreakDirection::ToBreaks), "<br> ");
}

class PopupTextTest : public ::testing::Test {
protected:
    const std::string kPoster = view::kPosterLabel;
    const std::string kPosted = view::kPostedAtLabel;
    settings::NgLists m_ng;
};

TEST_F(PopupTextTest, NumberAuthorDateReplyTitleAndDecodedText)
{
    const std::string text = view::PopupText(Line("12", "3", "alice", "Re: tea", "a &lt;b&gt;<br>c<b>d</b>"), m_ng);
    EXPECT_EQ(text, "12 " + kPoster + "alice " + kPosted + "2004/01/02 03:04\n 3 << Re: tea\n\n a <b>\n c<b>d</b>");
}

TEST_F(PopupTextTest, TitleShowsTheCharactersThePageShows)
{
    // "<釣り>の疑問" as the log keeps it: the page's HTML text.
    const std::string title = "&lt;\x92\xde\x82\xe8&gt;\x82\xcc\x8b\x5e\x96\xe2";
    const std::string text = view::PopupText(Line("2", "1", "a", title, "x"), m_ng);
    EXPECT_NE(text.find("1 << <\x92\xde\x82\xe8>\x82\xcc\x8b\x5e\x96\xe2\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("&lt;"), std::string::npos);
}

TEST_F(PopupTextTest, ReplyZeroHasNoArrowPart)
{
    const std::string text = view::PopupText(Line("1", "0", "a", "T", "x"), m_ng);
    EXPECT_EQ(text, "1 " + kPoster + "a " + kPosted + "2004/01/02 03:04\n T\n\n x");
    EXPECT_EQ(view::PopupText(Line("1", "zz", "a", "T", "x"), m_ng), text) << "a reply that is no number counts as 0";
}

TEST_F(PopupTextTest, NgNameEndsRightAfterTheDate)
{
    m_ng.names.add("ALICE");
    EXPECT_EQ(view::PopupText(Line("5", "2", "alice", "T", "x"), m_ng),
              "5 " + kPoster + "-NG-" + kPosted + "2004/01/02 03:04\n ");
}

TEST_F(PopupTextTest, NgTitleMatchesAsSubstringAndEndsAfterTheTitle)
{
    m_ng.titles.add("spam");
    EXPECT_EQ(view::PopupText(Line("5", "0", "a", "buy spam now", "x"), m_ng),
              "5 " + kPoster + "a " + kPosted + "2004/01/02 03:04\n -NG-\n\n ");
    m_ng.titles.assign({"SPAM"});
    EXPECT_NE(view::PopupText(Line("5", "0", "a", "buy spam now", "x"), m_ng).find("spam now"), std::string::npos)
        << "the substring test is case-sensitive";
}

TEST_F(PopupTextTest, NgWordHidesTheTextAndEmptyEntriesNeverMatch)
{
    m_ng.words.add("");
    m_ng.titles.add("");
    const std::string shown = view::PopupText(Line("5", "0", "a", "T", "hello"), m_ng);
    EXPECT_TRUE(shown.ends_with("\n\n hello")) << shown;
    m_ng.words.add("ell");
    EXPECT_TRUE(view::PopupText(Line("5", "0", "a", "T", "hello"), m_ng).ends_with("\n\n -NG-"));
}

} // namespace
