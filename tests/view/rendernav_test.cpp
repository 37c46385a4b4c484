// Paging, the jump box, link clicks and link hovers.
#include <gtest/gtest.h>

#include "pagetesting.h"
#include "view/rendernav.h"
#include "view/texttransform.h"

using namespace pagetest;

namespace {

// Lines whose numbers are 10 * (index + 1), so that indexes and numbers differ.
std::vector<std::string> Spaced(int count)
{
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i)
        lines.push_back(Line(10 * (i + 1)));
    return lines;
}

TEST(Paging, NextMovesAPageOrToTheLastPageAndScrollsToTheFirstMessageAfter)
{
    const std::vector<std::string> lines = Spaced(250);
    std::optional<view::PageMove> move = view::NextMessages(lines, 100, 100);
    ASSERT_TRUE(move);
    EXPECT_EQ(move->viewStart, 150);
    EXPECT_EQ(move->scrollTarget, 2010) << "the message of line 200";
    move = view::NextMessages(lines, 0, 100);
    ASSERT_TRUE(move);
    EXPECT_EQ(move->viewStart, 100);
    EXPECT_EQ(move->scrollTarget, 1010);
    EXPECT_FALSE(view::NextMessages(lines, 150, 100));
    EXPECT_TRUE(view::CanShowNextMessages(250, 149, 100));
    EXPECT_FALSE(view::CanShowNextMessages(250, 150, 100));
    EXPECT_FALSE(view::CanShowNextMessages(0, 0, 100));
}

TEST(Paging, PreviousGoesBackAPageNotBelowZero)
{
    const std::vector<std::string> lines = Spaced(250);
    std::optional<view::PageMove> move = view::PreviousMessages(lines, 150, 100);
    ASSERT_TRUE(move);
    EXPECT_EQ(move->viewStart, 50);
    EXPECT_EQ(move->scrollTarget, 510);
    move = view::PreviousMessages(lines, 30, 100);
    ASSERT_TRUE(move);
    EXPECT_EQ(move->viewStart, 0);
    EXPECT_EQ(move->scrollTarget, 10);
    EXPECT_FALSE(view::PreviousMessages(lines, 0, 100));
    EXPECT_FALSE(view::CanShowPreviousMessages(0));
    move = view::PreviousMessages({}, 400, 100);
    ASSERT_TRUE(move) << "a start beyond the lines";
    EXPECT_EQ(move->scrollTarget, 1);
}

TEST(JumpBox, StartsAtTheMessageOrAPageBeforeTheEnd)
{
    std::vector<std::string> lines;
    for (int n = 1; n <= 30; ++n)
        lines.push_back(Line(n));
    std::optional<view::PageMove> move = view::JumpToMessage(lines, "7", 100);
    ASSERT_TRUE(move);
    EXPECT_EQ(move->viewStart, 0);
    EXPECT_EQ(move->scrollTarget, 7);
    move = view::JumpToMessage(lines, "7", 10);
    ASSERT_TRUE(move);
    EXPECT_EQ(move->viewStart, 6);
    move = view::JumpToMessage(lines, "28", 10);
    ASSERT_TRUE(move);
    EXPECT_EQ(move->viewStart, 20) << "fewer than a page follow";
    EXPECT_FALSE(view::JumpToMessage(lines, "31", 10));
    EXPECT_FALSE(view::JumpToMessage(lines, "abc", 10));
    EXPECT_FALSE(view::JumpToMessage(lines, "0", 10));
    EXPECT_FALSE(view::JumpToMessage(lines, "-3", 10));
}

class OpenLink : public ::testing::Test {
protected:
    OpenLink()
    {
        m_tab = Tab(Spaced(250), 50);
        m_context.serviceDomain = "example.jp";
        m_context.profileBase = "http://profiles.example.jp/";
        m_context.active = &m_tab;
        m_context.msgview = 100;
    }
    view::LinkDecision Decide(const std::string &url) const { return view::DecideOpenLink(url, m_context); }
    static std::string SameTopic(const std::string &mid)
    {
        return std::string(kBase) + "bbs?action=m&board=b1&sid=b1&tid=t9&mid=" + mid;
    }

    store::TopicState m_tab;
    view::LinkContext m_context;
};

TEST_F(OpenLink, OutsideTheServiceAndTheProfileServerGoToTheBrowser)
{
    EXPECT_EQ(Decide("http://www.other.org/page").action, view::LinkAction::External);
    EXPECT_EQ(Decide("http://profiles.example.jp/alice").action, view::LinkAction::External);
    m_context.yahoourl = true;
    EXPECT_EQ(Decide("http://profiles.example.jp/bbs?board=b1&tid=t9&mid=10").action, view::LinkAction::External);
}

TEST_F(OpenLink, PopOpensTheMessageMenuForItsNumber)
{
    view::LinkDecision d = Decide("pop:12");
    EXPECT_EQ(d.action, view::LinkAction::MessageMenu);
    EXPECT_EQ(d.menuTarget, 12);
    EXPECT_EQ(Decide("pop:x").menuTarget, -1);
}

TEST_F(OpenLink, SameTopicMovesOnePageTowardsTheMessage)
{
    view::LinkDecision d = Decide(SameTopic("1010")); // line 100
    EXPECT_EQ(d.action, view::LinkAction::SameTopicPage);
    EXPECT_EQ(d.move.viewStart, 150);
    EXPECT_EQ(d.move.scrollTarget, 1010);
    d = Decide(SameTopic("10")); // line 0, before the page
    EXPECT_EQ(d.move.viewStart, 0);
    m_tab.viewStart = 200;
    d = Decide(SameTopic("2010")); // line 200: not after the start
    EXPECT_EQ(d.move.viewStart, 100);

    m_tab = Tab(Spaced(80), 0);
    d = Decide(SameTopic("500"));
    EXPECT_EQ(d.action, view::LinkAction::SameTopicPage);
    EXPECT_EQ(d.move.viewStart, 0) << "80 lines: the same page again";
    EXPECT_EQ(d.move.scrollTarget, 500);
}

TEST_F(OpenLink, SameTopicWithoutMidOrWithoutSuchMessageDoesNothing)
{
    EXPECT_EQ(Decide(std::string(kBase) + "bbs?action=m&board=b1&tid=t9").action, view::LinkAction::Nothing);
    EXPECT_EQ(Decide(SameTopic("15")).action, view::LinkAction::Nothing);
    EXPECT_EQ(Decide(SameTopic("0010")).action, view::LinkAction::Nothing) << "compared as text";
}

TEST_F(OpenLink, AnotherTopicOpensInANewTabOrTheBrowser)
{
    view::LinkDecision d = Decide(std::string(kBase) + "bbs?action=m&board=b1&sid=b1&tid=t10&mid=42");
    EXPECT_EQ(d.action, view::LinkAction::OpenOtherTopic);
    EXPECT_EQ(d.messageNumber, 42);
    EXPECT_EQ(Decide(std::string(kBase) + "bbs?action=topics&board=b1").action, view::LinkAction::Nothing)
        << "no mid: nothing";
    EXPECT_EQ(Decide(std::string(kBase) + "bbs?action=m&tid=t9&mid=3").action, view::LinkAction::OpenOtherTopic)
        << "a missing board counts as different";
    m_context.yahoourl = false;
    EXPECT_EQ(Decide(std::string(kBase) + "bbs?action=m&board=b1&tid=t10&mid=42").action, view::LinkAction::External);
    m_context.active = nullptr;
    m_context.yahoourl = true;
    EXPECT_EQ(Decide(SameTopic("1010")).action, view::LinkAction::OpenOtherTopic) << "no topic tab";
}

TEST(HostOf, HostWithoutSchemePortOrPath)
{
    EXPECT_EQ(view::HostOf("http://profiles.yahoo.co.jp/"), "profiles.yahoo.co.jp");
    EXPECT_EQ(view::HostOf("http://h.jp:8080/x?y"), "h.jp");
    EXPECT_EQ(view::HostOf("h.jp"), "h.jp");
    EXPECT_EQ(view::HostOf(""), "");
}

TEST(Hover, PopLinksChangeNothingAndAShownPopupWaitsForANonLink)
{
    view::HoverState state;
    view::HoverEffect e = view::HoverElement(state, true, std::string("pop:3"), true);
    EXPECT_FALSE(e.status);
    EXPECT_TRUE(state.hoveredLink.empty());

    e = view::HoverElement(state, true, std::string("http://x/bbs?board=b"), true);
    EXPECT_EQ(e.status.value_or(""), "http://x/bbs?board=b");
    EXPECT_FALSE(e.popupMid) << "no mid: no pop-up, but the flag is set";
    EXPECT_TRUE(state.popupShown);
    e = view::HoverElement(state, true, std::string("http://x/bbs?mid=4"), true);
    EXPECT_FALSE(e.status);
    EXPECT_FALSE(e.popupMid);

    e = view::HoverElement(state, false, std::nullopt, true);
    EXPECT_TRUE(e.hidePopup);
    EXPECT_EQ(e.status.value_or("x"), "");
    e = view::HoverElement(state, true, std::string("http://x/bbs?mid=4"), true);
    EXPECT_EQ(e.popupMid.value_or(""), "4");
}

TEST(Hover, MovingOverThePageKeepsAStatusThatIsNoLinksAddress)
{
    view::HoverState state;
    view::HoverEffect e = view::HoverElement(state, false, std::nullopt, true);
    EXPECT_TRUE(e.hidePopup);
    EXPECT_FALSE(e.status) << "\"スレッドの取得終了\" must stay after the page is rebuilt";
    e = view::HoverElement(state, true, std::string("http://x/bbs?board=b"), false);
    EXPECT_EQ(e.status.value_or(""), "http://x/bbs?board=b");
    EXPECT_EQ(view::HoverElement(state, false, std::nullopt, false).status.value_or("x"), "")
        << "leaving the link takes its address off";
    EXPECT_FALSE(view::HoverElement(state, false, std::nullopt, false).status);
}

TEST(Hover, WithPopupsOffEveryLinkUpdatesTheStatus)
{
    view::HoverState state;
    EXPECT_TRUE(view::HoverElement(state, true, std::string("http://a/?mid=1"), false).status);
    EXPECT_TRUE(view::HoverElement(state, true, std::string("http://b/?mid=2"), false).status);
    EXPECT_EQ(state.hoveredLink, "http://b/?mid=2");
    EXPECT_FALSE(state.popupShown);
    EXPECT_FALSE(view::HoverElement(state, true, std::nullopt, false).status) << "an unreadable href";
}

TEST(Hover, PopupForMessageReadsTheFirstLineWithThatNumber)
{
    const settings::NgLists ng;
    const std::vector<std::string> lines = {Line(4, "0", "a", "first"), Line(4, "0", "b", "second")};
    const std::optional<std::string> text = view::PopupForMessage("4", lines, ng);
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, view::PopupText(lines[0], ng));
    EXPECT_FALSE(view::PopupForMessage("5", lines, ng));
}

} // namespace
