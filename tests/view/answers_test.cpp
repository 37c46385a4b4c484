// Who answered whom: answer counting over a topic, the reply count tag, the answers in the
// pop-ups, and the NG filter's patterns and chain over a page.
#include "pagetesting.h"
#include "view/answers.h"
#include "view/msgfilter.h"
#include "view/ngfilter.h"
#include "view/render.h"
#include "view/rendernav.h"
#include "view/texttransform.h"

#include <gtest/gtest.h>

using namespace pagetest;

namespace {

std::vector<int> AnswerNumbers(const std::vector<std::string> &lines, int number)
{
    const view::AnswerIndex index = view::BuildAnswerIndex(lines);
    const int line = index.lineOf(number);
    std::vector<int> out;
    if (line < 0)
        return out;
    for (int answer : index.answers[static_cast<std::size_t>(line)])
        out.push_back(store::LogLineNumber(lines[static_cast<std::size_t>(answer)], 0));
    return out;
}

// A pattern that finds a byte string: enough to test the filter without a regular expression
// engine.
class Substring : public settings::TextPattern {
public:
    explicit Substring(std::string part) : m_part(std::move(part)) {}
    bool search(std::string_view text) const override { return text.find(m_part) != std::string_view::npos; }

private:
    std::string m_part;
};

TEST(Answers, ReplyFieldAndMarkersCountForwardAndBackward)
{
    const std::vector<std::string> lines = {
        Line(1, "0", "a", "t", "see &gt;&gt;3"), // forward: 1 answers 3
        Line(2, "1", "b", "t", "yes"),           // by its reply field
        Line(3, "0", "c", "t", "&gt;&gt;1 and &gt;&gt;2"),
    };
    EXPECT_EQ(AnswerNumbers(lines, 1), (std::vector<int>{2, 3}));
    EXPECT_EQ(AnswerNumbers(lines, 2), (std::vector<int>{3}));
    EXPECT_EQ(AnswerNumbers(lines, 3), (std::vector<int>{1})) << "a reference to a later message counts";
}

TEST(Answers, MissingOutOfRangeAndSelfReferencesDoNotCount)
{
    const std::vector<std::string> lines = {
        Line(1, "0", "a", "t", ">>1 >>0 >>99999999999999999999 >>7"), // self, zero, overflow, absent
        Line(2, "7", "b", "t", "&gt;&gt;2"),                          // absent reply, self marker
        Line(3, "3", "c", "t", "x"),                                  // replies to itself
    };
    const view::AnswerIndex index = view::BuildAnswerIndex(lines);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_TRUE(index.answers[i].empty()) << i;
        EXPECT_TRUE(index.answered[i].empty()) << i;
    }
    EXPECT_EQ(index.lineOf(7), -1);
}

TEST(Answers, OneAnsweringMessageCountsOncePerTarget)
{
    const std::vector<std::string> lines = {Line(1), Line(2), Line(3, "1", "c", "t", ">>1 &gt;&gt;1 >>2 >>1")};
    EXPECT_EQ(AnswerNumbers(lines, 1), (std::vector<int>{3}));
    EXPECT_EQ(AnswerNumbers(lines, 2), (std::vector<int>{3}));
    EXPECT_EQ(view::AnsweredNumbers(store::SplitLogLine(lines[2])), (std::vector<int>{1, 2}));
}

TEST(Answers, RangesAreReadAsThePageLinksThem)
{
    // The page links ">>2-4" as a reference to 2 alone; the count follows the links.
    const std::vector<std::string> lines = {Line(2), Line(3), Line(4), Line(5, "0", "e", "t", ">>2-4")};
    EXPECT_EQ(AnswerNumbers(lines, 2), (std::vector<int>{5}));
    EXPECT_TRUE(AnswerNumbers(lines, 3).empty());
    EXPECT_TRUE(AnswerNumbers(lines, 4).empty());
    EXPECT_NE(view::LinkReferences(">>2-4", kLinkBase).find("mid=2\">>>2</a>-4"), std::string::npos);
}

TEST(Answers, MarkersInsideAKeptAddressAreNoAnswers)
{
    const std::vector<std::string> lines = {
        Line(1), Line(2, "0", "b", "t", "<a href=\"http://x/?q=>>1\">link</a> &gt;&gt; 1 &gt;&gt;x1")};
    EXPECT_TRUE(AnswerNumbers(lines, 1).empty());
}

TEST(Answers, ARepeatedNumberStandsForItsFirstLine)
{
    const std::vector<std::string> lines = {Line(4, "0", "first"), Line(4, "0", "second"), Line(5, "4")};
    const view::AnswerIndex index = view::BuildAnswerIndex(lines);
    EXPECT_EQ(index.answers[0], (std::vector<int>{2}));
    EXPECT_EQ(index.answers[1], (std::vector<int>{})) << "the second 4 is never looked up";
    EXPECT_EQ(index.answers[0].size() + index.answers[1].size(), 1u);
}

TEST(ReferenceScanner, FindsEveryMarkerWithOrWithoutDigits)
{
    view::ReferenceScanner scanner("a >> b &gt;&gt;12 >>3");
    std::vector<std::string> found;
    for (std::size_t w = 0;;) {
        auto ref = scanner.next(w);
        if (!ref)
            break;
        found.push_back(std::string(ref->marker) + "|" + std::string(ref->digits));
        w = ref->end();
    }
    // Each step takes the first ">>" left, so an escaped marker before a raw one is passed over,
    // as the page passes it over when linking.
    EXPECT_EQ(found, (std::vector<std::string>{">>|", ">>|3"}));
    EXPECT_EQ(view::ReferencedNumbers("a >> b &gt;&gt;12 >>3"), (std::vector<int>{3}));
    EXPECT_EQ(view::LinkReferences("a >> b &gt;&gt;12 >>3", "L").find("L12"), std::string::npos);
    EXPECT_EQ(view::ReferencedNumbers("&gt;&gt;12 x &gt;&gt;4"), (std::vector<int>{12, 4}));
}

class ReplyCount : public ::testing::Test {
protected:
    ReplyCount()
    {
        m_skin.header = "<H>\r\n";
        m_skin.footer = "<F>\r\n";
        m_options.boardBase = kBase;
        m_options.ng = &m_ng;
    }
    std::string Build(const store::TopicState &tab) const
    {
        return view::BuildTopicPage(m_skin, tab.lines, tab, m_options);
    }
    view::Skin m_skin;
    view::PageOptions m_options;
    settings::NgLists m_ng;
};

TEST_F(ReplyCount, TheTagShowsTheCountAsALinkAndNothingWithoutAnswers)
{
    m_skin.res = "[<NUMBER/>:<REPLYCOUNT/>]\r\n";
    m_skin.newRes = "{<NUMBER/>:<REPLYCOUNT/>}\r\n";
    store::TopicState tab = Tab({Line(1), Line(2, "1"), Line(3, "0", "c", "t", ">>1 >>2"), Line(4, "0")});
    tab.newNumbers = {"3"};
    const std::string page = Build(tab);
    EXPECT_NE(page.find(std::string("[1:<a href=\"answers:1\">") + view::kRepliesLabel + "2</a>]"), std::string::npos)
        << page;
    EXPECT_NE(page.find(std::string("[2:<a href=\"answers:2\">") + view::kRepliesLabel + "1</a>]"), std::string::npos);
    EXPECT_NE(page.find("{3:}"), std::string::npos) << "new templates take the tag too";
    EXPECT_NE(page.find("[4:]"), std::string::npos);
}

TEST_F(ReplyCount, AnswersOutsideThePageCount)
{
    m_skin.res = "[<NUMBER/>:<REPLYCOUNT/>]\r\n";
    m_options.msgview = 1;
    const std::string page = Build(Tab({Line(1), Line(2, "1"), Line(3, "1")}));
    EXPECT_NE(page.find(std::string("[1:<a href=\"answers:1\">") + view::kRepliesLabel + "2</a>]"), std::string::npos);
    EXPECT_EQ(Count(page, "["), 1);
}

TEST_F(ReplyCount, ASkinWithoutTheTagRendersAsBefore)
{
    // The page a skin without the tag gave before answers were counted, byte for byte.
    m_skin.res = "[R <NUMBER/>|<RESNUMBER/>|<NAME/>|<TITLE/>|<MESSAGE/>]\r\n";
    m_skin.newRes = m_skin.res;
    const std::string page = Build(Tab({Line(1, "0", "a", "t", "hi"), Line(2, "1", "b", "t", "&gt;&gt;1 ok")}));
    EXPECT_EQ(page, "<H>\r\n[R 1|<RESNUMBER/>|a|t|hi]\r\n[R 2|1|b|t|<a href=\"" + std::string(kLinkBase) +
                        "1\">&gt;&gt;1</a> ok]\r\n<F>\r\n");
}

TEST_F(ReplyCount, BoardTextCannotForgeTheTag)
{
    m_skin.res = "[<TITLE/>|<NAME/>|<REPLYCOUNT/>|<MESSAGE/>]\r\n";
    const std::string page =
        Build(Tab({Line(1, "0", "<REPLYCOUNT/>", "<REPLYCOUNT/>", "<REPLYCOUNT/>"), Line(2, "1")}));
    EXPECT_EQ(Count(page, "answers:"), 1) << page;
    EXPECT_EQ(Count(page, "&lt;REPLYCOUNT/"), 3);
}

TEST_F(ReplyCount, ChainHidesAnswersTransitivelyAcrossPagesAndCyclesEnd)
{
    m_skin.res = "[<NUMBER/>|<NAME/>|<MESSAGE/>]\r\n";
    m_skin.newRes = m_skin.res;
    m_ng.names.add("troll");
    // 2 answers the troll, 3 answers 2, 4 and 5 answer each other and 4 answers 3; 6 stands apart
    // but is answered by 5.
    const std::vector<std::string> lines = {Line(1, "0", "troll", "t", "bait"), Line(2, "1", "b", "t", "x"),
                                            Line(3, "0", "c", "t", ">>2"),      Line(4, "5", "d", "t", "&gt;&gt;3"),
                                            Line(5, "4", "e", "t", ">>4 >>6"),  Line(6, "0", "f", "t", "fine")};
    EXPECT_EQ(Count(Build(Tab(lines)), "-NG-"), 2) << "the chain is off by default";
    m_options.ngChain = true;
    const std::string page = Build(Tab(lines));
    for (int n = 1; n <= 5; ++n)
        EXPECT_NE(page.find("[" + std::to_string(n) + "|-NG-|-NG-]"), std::string::npos) << n;
    EXPECT_NE(page.find("[6|f|fine]"), std::string::npos) << "a message answered by hidden ones stays";

    m_options.msgview = 1;
    const std::string last = Build(Tab(lines, 4));
    EXPECT_NE(last.find("[5|-NG-|-NG-]"), std::string::npos) << "the hidden root lies on another page";
}

TEST_F(ReplyCount, PatternsHideLikeTheLists)
{
    m_skin.res = "[<NUMBER/>|<NAME/>|<TITLE/>|<MESSAGE/>]\r\n";
    settings::NgPatterns patterns;
    patterns.words.push_back(std::make_shared<Substring>("spam"));
    patterns.names.push_back(std::make_shared<Substring>("bot"));
    patterns.titles.push_back(std::make_shared<Substring>("AD"));
    m_options.ngPatterns = &patterns;
    const std::string page = Build(Tab({Line(1, "0", "a", "t", "buy spam"), Line(2, "0", "robot7", "t", "x"),
                                        Line(3, "0", "c", "BIG AD", "y"), Line(4, "0", "d", "spam", "bot")}));
    EXPECT_NE(page.find("[1|-NG-|-NG-|-NG-]"), std::string::npos);
    EXPECT_NE(page.find("[2|-NG-|-NG-|-NG-]"), std::string::npos);
    EXPECT_NE(page.find("[3|-NG-|-NG-|-NG-]"), std::string::npos);
    EXPECT_NE(page.find("[4|d|spam|bot]"), std::string::npos) << "each pattern looks at its own field only";
}

TEST(HiddenLines, WithoutChainOnlyTheFilterHidesAndEmptyPatternsHideNothing)
{
    settings::NgLists lists;
    settings::NgPatterns patterns;
    patterns.words.push_back(nullptr); // an entry that did not compile
    const std::vector<std::string> lines = {Line(1), Line(2, "1"), Line(3, "2")};
    EXPECT_EQ(view::HiddenLines(lines, view::NgFilter{&lists, &patterns, true}),
              (std::vector<bool>{false, false, false}));
    lists.words.add("body");
    EXPECT_EQ(view::HiddenLines(lines, view::NgFilter{&lists, &patterns, false}),
              (std::vector<bool>{true, true, true}));
}

TEST(HiddenLines, AnIndexOfOtherLinesIsNotTrusted)
{
    settings::NgLists lists;
    lists.names.add("x");
    const std::vector<std::string> lines = {Line(1, "0", "x"), Line(2, "1"), Line(3, "2")};
    const view::AnswerIndex other = view::BuildAnswerIndex({Line(1)});
    EXPECT_EQ(view::HiddenLines(lines, view::NgFilter{&lists, nullptr, true}, &other),
              (std::vector<bool>{true, true, true}));
}

TEST(AnswerPopups, TheMessagePopupEndsWithItsAnswers)
{
    const settings::NgLists ng;
    const std::vector<std::string> lines = {Line(1), Line(2, "1"), Line(3, "0", "c", "t", ">>1"), Line(4)};
    const std::optional<std::string> text = view::PopupForMessage("1", lines, ng);
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, view::PopupText(lines[0], ng) + "\n\n " + view::kRepliesLabel + ": 2, 3");
    EXPECT_EQ(*view::PopupForMessage("4", lines, ng), view::PopupText(lines[3], ng)) << "no answers, no list";
}

TEST(AnswerPopups, TheReplyCountPopupShowsTheAnswersWithTheirNgState)
{
    settings::NgLists ng;
    ng.names.add("troll");
    std::vector<std::string> lines = {Line(1), Line(2, "1", "troll", "t", "bad"), Line(3, "2", "c", "t", "re bad"),
                                      Line(4, "0", "d", "t", ">>1 kind")};
    const std::optional<std::string> chained = view::AnswersPopup("2", lines, ng, nullptr, true);
    ASSERT_TRUE(chained);
    EXPECT_EQ(*chained, view::PopupText(lines[2], ng, true)) << "3 answers a hidden message";
    EXPECT_EQ(chained->find("re bad"), std::string::npos);
    EXPECT_EQ(*view::AnswersPopup("2", lines, ng), view::PopupText(lines[2], ng));
    EXPECT_EQ(*view::AnswersPopup("1", lines, ng),
              view::PopupText(lines[1], ng) + "\n\n" + view::PopupText(lines[3], ng));
    EXPECT_FALSE(view::AnswersPopup("3", lines, ng)) << "no answers";
    EXPECT_FALSE(view::AnswersPopup("9", lines, ng)) << "no such message";

    lines = {Line(1)};
    for (int n = 2; n <= 13; ++n)
        lines.push_back(Line(n, "1"));
    const std::string many = *view::AnswersPopup("1", lines, ng);
    EXPECT_EQ(Count(many, view::kPosterLabel), static_cast<int>(view::kAnswersShown));
    EXPECT_TRUE(many.ends_with("\n\n \x81\x63"
                               "2"))
        << "two of twelve left out";
}

TEST(AnswerPopups, AMessageHiddenByAPatternOrTheChainIsCutAsAnNgName)
{
    const std::string line = Line(7, "3", "alice", "title", "text");
    settings::NgLists byName;
    byName.names.add("alice");
    EXPECT_EQ(view::PopupText(line, settings::NgLists{}, true), view::PopupText(line, byName));
    EXPECT_EQ(view::PopupText(line, settings::NgLists{}, true).find("alice"), std::string::npos);
    settings::NgPatterns patterns;
    patterns.words.push_back(std::make_shared<Substring>("text"));
    const std::vector<std::string> lines = {line};
    EXPECT_EQ(*view::PopupForMessage("7", lines, settings::NgLists{}, &patterns), view::PopupText(line, byName));
}

TEST(AnswerLinks, HoveringTheCountAsksForTheAnswersAndClickingDoesNothing)
{
    view::HoverState state;
    view::HoverEffect effect = view::HoverElement(state, true, std::string("answers:12"), true);
    ASSERT_TRUE(effect.popupAnswersOf);
    EXPECT_EQ(*effect.popupAnswersOf, "12");
    EXPECT_FALSE(effect.popupMid);
    EXPECT_FALSE(view::HoverElement(state, true, std::string("answers:12"), true).popupAnswersOf) << "shown once";
    view::HoverState off;
    EXPECT_FALSE(view::HoverElement(off, true, std::string("answers:12"), false).popupAnswersOf)
        << "pop-ups switched off";
    view::LinkContext context{"example.jp", "http://profiles.example.jp/", nullptr, 100, true};
    EXPECT_EQ(view::DecideOpenLink("answers:12", context).action, view::LinkAction::Nothing)
        << "never handed to the browser";
}

TEST(RegexTabs, ThePatternCheckGuardsOnlyTheRegexTabsAndTheirListsReachOk)
{
    settings::NgLists lists;
    lists.wordRegex.add("^old");
    view::MsgFilterModel model(lists);
    EXPECT_EQ(model.items(view::NgTab::WordRegex), std::vector<std::string>{"^old"});
    model.setPatternCheck([](std::string_view pattern, std::string *error) {
        *error = "bad";
        return pattern.find('(') == std::string_view::npos;
    });
    EXPECT_EQ(model.add(view::NgTab::NameRegex, "(unclosed"), -1);
    EXPECT_EQ(model.addError(), "bad");
    EXPECT_TRUE(model.items(view::NgTab::NameRegex).empty());
    EXPECT_EQ(model.add(view::NgTab::Names, "(plain"), 0) << "plain lists take any text";
    EXPECT_TRUE(model.addError().empty());
    EXPECT_EQ(model.add(view::NgTab::TitleRegex, "ad+"), 0);
    const settings::NgLists out = model.lists();
    EXPECT_EQ(out.titleRegex.items(), std::vector<std::string>{"ad+"});
    EXPECT_EQ(out.wordRegex.items(), std::vector<std::string>{"^old"});
    EXPECT_EQ(out.names.items(), std::vector<std::string>{"(plain"});
    EXPECT_TRUE(out.nameRegex.items().empty());
    EXPECT_EQ(view::AddFromMessage({Line(1)}, 1, view::NgTab::NameRegex, lists), view::NgAddResult::NotFound);
}

} // namespace
