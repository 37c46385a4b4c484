// The message filter: editing the three lists as the dialog does, the additions from the message
// menu, and how each NG list matches on the page and in the pop-up.
#include "pagetesting.h"
#include "store/threadlog.h"
#include "view/msgfilter.h"
#include "view/render.h"
#include "view/texttransform.h"

#include <gtest/gtest.h>

namespace {

using pagetest::Line;
using view::NgTab;

// Shift_JIS texts: full-width "ＡＢＣ" and "ａｂｃ", and "表示" whose first trail byte is 0x5C.
const std::string kWideUpper = "\x82\x60\x82\x61\x82\x62";
const std::string kWideLower = "\x82\x81\x82\x82\x82\x83";
const std::string kHyouji = "\x95\x5c\x8e\xa6";

TEST(MsgFilterModel, AddingAnEqualTextSelectsTheListedItemInsteadOfAddingIt)
{
    settings::NgLists lists;
    lists.names.assign({"ABC", "zed"});
    view::MsgFilterModel model(lists);
    EXPECT_EQ(model.items(NgTab::Names), (std::vector<std::string>{"ABC", "zed"}));
    EXPECT_EQ(model.add(NgTab::Names, "abc"), 0);
    EXPECT_EQ(model.selected(NgTab::Names), 0);
    EXPECT_EQ(model.items(NgTab::Names).size(), 2u);

    EXPECT_EQ(model.add(NgTab::Names, kWideLower), 2) << "appended at the end, not sorted in";
    EXPECT_EQ(model.add(NgTab::Names, kWideUpper), 2) << "full-width letters compare ignoring case";
    EXPECT_EQ(model.add(NgTab::Names, ""), -1);
    EXPECT_EQ(model.selected(NgTab::Names), 2) << "an empty edit leaves the selection";
    EXPECT_EQ(model.items(NgTab::Names).size(), 3u);
    EXPECT_TRUE(model.items(NgTab::Titles).empty()) << "each tab edits its own list";
}

TEST(MsgFilterModel, DeleteRemovesOnlyTheSelectedItemOfItsTab)
{
    settings::NgLists lists;
    lists.words.assign({"a", "b", "c"});
    lists.titles.assign({"t"});
    view::MsgFilterModel model(lists);
    EXPECT_FALSE(model.removeSelected(NgTab::Words)) << "nothing selected";
    model.select(NgTab::Words, 7);
    EXPECT_EQ(model.selected(NgTab::Words), -1) << "a row out of range selects nothing";
    model.select(NgTab::Words, 1);
    EXPECT_TRUE(model.removeSelected(NgTab::Words));
    EXPECT_EQ(model.items(NgTab::Words), (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(model.selected(NgTab::Words), -1);
    EXPECT_FALSE(model.removeSelected(NgTab::Words));
    EXPECT_EQ(model.items(NgTab::Titles), std::vector<std::string>{"t"});
}

TEST(MsgFilterModel, OkSortsTheItemsAgainAndDropsDuplicates)
{
    view::MsgFilterModel model(settings::NgLists{});
    for (const char *text : {"b", "A", "c"})
        model.add(NgTab::Words, text);
    model.add(NgTab::Titles, kWideLower);
    settings::NgLists out = model.lists();
    EXPECT_EQ(out.words.items(), (std::vector<std::string>{"A", "b", "c"}));
    EXPECT_EQ(out.titles.items(), std::vector<std::string>{kWideLower});
    EXPECT_TRUE(out.names.empty());
}

TEST(AddFromMessage, TakesTheAuthorOrTitleOfTheFirstLineOfTheTargetOnce)
{
    const std::vector<std::string> lines = {Line(3, "0", "carol", "first"), Line(3, "0", "dave", "second"),
                                            "x\t0\td\tnobody\tnone\tbody", Line(9, "0", kWideUpper, kHyouji)};
    settings::NgLists lists;
    EXPECT_EQ(view::AddFromMessage(lines, 3, NgTab::Names, lists), view::NgAddResult::Added);
    EXPECT_EQ(lists.names.items(), std::vector<std::string>{"carol"});
    EXPECT_EQ(view::AddFromMessage(lines, 9, NgTab::Names, lists), view::NgAddResult::Added);
    EXPECT_EQ(view::AddFromMessage(lines, 9, NgTab::Titles, lists), view::NgAddResult::Added);
    EXPECT_EQ(view::AddFromMessage(lines, 9, NgTab::Titles, lists), view::NgAddResult::Listed) << "twice: one entry";
    EXPECT_EQ(lists.titles.items(), std::vector<std::string>{kHyouji});
    lists.names.assign({"CAROL"});
    EXPECT_EQ(view::AddFromMessage(lines, 3, NgTab::Names, lists), view::NgAddResult::Listed)
        << "an author already listed in another case changes nothing";
    EXPECT_EQ(lists.names.items(), std::vector<std::string>{"CAROL"});
    EXPECT_EQ(view::AddFromMessage(lines, 0, NgTab::Names, lists), view::NgAddResult::Added)
        << "a number that is not one reads as 0";
    EXPECT_TRUE(lists.names.contains("nobody"));
    EXPECT_EQ(view::AddFromMessage(lines, 4, NgTab::Names, lists), view::NgAddResult::NotFound);
    EXPECT_EQ(view::AddFromMessage(lines, 3, NgTab::Words, lists), view::NgAddResult::NotFound);
    EXPECT_TRUE(lists.words.empty());
}

TEST(TreeNodeTarget, TheNumberBeforeTheFirstBlankOrOne)
{
    EXPECT_EQ(view::TreeNodeTarget("12 alice Re: tea"), 12);
    EXPECT_EQ(view::TreeNodeTarget("7"), 7);
    EXPECT_EQ(view::TreeNodeTarget("x12 alice"), 1);
    EXPECT_EQ(view::TreeNodeTarget(""), 1);
}

// How each list matches: on the page (IsNgMessage) and in the pop-up (PopupText).
class NgMatching : public ::testing::Test {
protected:
    bool OnPage(const std::string &line) { return view::IsNgMessage(store::SplitLogLine(line), m_ng); }
    bool InPopup(const std::string &line) { return view::PopupText(line, m_ng).find("-NG-") != std::string::npos; }
    settings::NgLists m_ng;
};

TEST_F(NgMatching, NamesAreWholeTextsIgnoringAsciiAndFullWidthCaseEverywhere)
{
    m_ng.names.assign({"Alice", kWideLower});
    for (const std::string &author : {std::string("alice"), std::string("ALICE"), kWideUpper}) {
        EXPECT_TRUE(OnPage(Line(1, "0", author))) << author;
        EXPECT_TRUE(InPopup(Line(1, "0", author))) << author;
    }
    for (const std::string &author : {std::string("alice2"), std::string(" alice"), std::string("ABC")}) {
        EXPECT_FALSE(OnPage(Line(1, "0", author))) << author;
        EXPECT_FALSE(InPopup(Line(1, "0", author))) << author;
    }
}

TEST_F(NgMatching, TitlesAreWholeOnThePageButCaseSensitiveSubstringsInThePopup)
{
    m_ng.titles.assign({"spam"});
    EXPECT_TRUE(OnPage(Line(1, "0", "a", "SPAM")));
    EXPECT_FALSE(OnPage(Line(1, "0", "a", "about spam")));
    EXPECT_TRUE(InPopup(Line(1, "0", "a", "about spam")));
    EXPECT_FALSE(InPopup(Line(1, "0", "a", "SPAM"))) << "the pop-up's substring test keeps case";
    m_ng.titles.assign({kWideLower});
    EXPECT_TRUE(OnPage(Line(1, "0", "a", kWideUpper)));
    EXPECT_FALSE(InPopup(Line(1, "0", "a", "x" + kWideUpper)));
}

TEST_F(NgMatching, WordsAreCaseSensitiveSubstringsOfTheStoredTextAndEmptyEntriesNeverMatch)
{
    m_ng.words.assign({"", "&gt;&gt;9"});
    EXPECT_FALSE(OnPage(Line(1, "0", "a", "t", "plain")));
    EXPECT_FALSE(InPopup(Line(1, "0", "a", "t", "plain")));
    EXPECT_TRUE(OnPage(Line(1, "0", "a", "t", "see &gt;&gt;99")));
    EXPECT_TRUE(InPopup(Line(1, "0", "a", "t", "see &gt;&gt;99")));
    EXPECT_FALSE(OnPage(Line(1, "0", "a", "t", "see >>99"))) << "the stored HTML, not the decoded text";
    m_ng.words.assign({"Word"});
    EXPECT_FALSE(OnPage(Line(1, "0", "a", "t", "a word")));
    EXPECT_FALSE(OnPage(Line(1, "0", "Word", "Word", "x"))) << "only the text is searched";
}

TEST_F(NgMatching, AnEmptyNameEntryMatchesOnlyAnEmptyAuthor)
{
    m_ng.names.assign({""});
    EXPECT_TRUE(OnPage(Line(1, "0", "", "t")));
    EXPECT_FALSE(OnPage(Line(1, "0", "a", "t")));
    m_ng.names.clear();
    m_ng.titles.assign({""});
    EXPECT_TRUE(OnPage(Line(1, "0", "a", ""))) << "an empty title on the page equals it";
    EXPECT_FALSE(InPopup(Line(1, "0", "a", ""))) << "as a substring it never matches";
}

} // namespace
