// The topic-list view's rules: the comparison behind every sort, narrowing, row colours, click
// settings and the download-count submenu.
#include <gtest/gtest.h>

#include "boardtesting.h"
#include "store/boardtexts.h"
#include "store/listrows.h"

using store::TopicRow;
using store::TopicRows;

namespace {

TopicRow row(std::string title, std::string posts = "0", int image = 5, int highlight = 0)
{
    TopicRow r;
    r.image = image;
    r.subItems[store::kTitleItem] = std::move(title);
    r.subItems[store::kPostsItem] = std::move(posts);
    r.entry.topicUrl = "u:" + r.subItems[store::kTitleItem];
    r.entry.highlight = highlight;
    return r;
}

std::vector<std::string> titles(const TopicRows &rows)
{
    std::vector<std::string> out;
    for (const auto &r : rows.rows())
        out.push_back(r.text(store::kTitleItem));
    return out;
}

TopicRows rowsOf(std::initializer_list<TopicRow> list)
{
    TopicRows rows;
    for (const auto &r : list)
        rows.appendRow(r);
    return rows;
}

constexpr int kTitleKey = 2, kPostsKey = 3, kFetchedKey = 4, kDateKey = 6, kBoardKey = 7;

} // namespace

TEST(ListViewCompare, CountColumnsCompareAsNumbersAndNonNumbersAsZero)
{
    EXPECT_LT(store::ListViewCompare(row("a", "9"), row("b", "10"), kPostsKey, false), 0);
    EXPECT_GT(store::ListViewCompare(row("a", "9"), row("b", "10"), kPostsKey, true), 0);
    EXPECT_EQ(store::ListViewCompare(row("a", "x"), row("b", "0"), kPostsKey, false), 0);
    EXPECT_EQ(store::ListViewCompare(row("a", ""), row("b", "0"), kPostsKey, false), 0);
    EXPECT_LT(store::ListViewCompare(row("a", "abc"), row("b", "1"), kPostsKey, false), 0);

    // The fetched column is a count too; the "No." column (key 1) as well.
    TopicRow a = row("a"), b = row("b");
    a.subItems[store::kFetchedItem] = "100";
    b.subItems[store::kFetchedItem] = "20";
    EXPECT_GT(store::ListViewCompare(a, b, kFetchedKey, false), 0);
    a.subItems[store::kNumberItem] = "2";
    b.subItems[store::kNumberItem] = "11";
    EXPECT_LT(store::ListViewCompare(a, b, 1, false), 0);
}

TEST(ListViewCompare, TextColumnsFoldLettersOnlyAndKeepTheByteOrder)
{
    EXPECT_EQ(store::ListViewCompare(row("Hello World"), row("hello world"), kTitleKey, false), 0);
    EXPECT_GT(store::ListViewCompare(row("B"), row("a"), kTitleKey, false), 0);
    // A prefix is smaller; "_" sorts after the letters because they are folded up, not down.
    EXPECT_LT(store::ListViewCompare(row("abc"), row("abcd"), kTitleKey, false), 0);
    EXPECT_LT(store::ListViewCompare(row("z"), row("_"), kTitleKey, false), 0);
    // Full-width letters fold too.
    EXPECT_EQ(store::CompareListText(boardtest::sjis("ａｂｃ"), boardtest::sjis("ＡＢＣ")), 0);

    // ア is 0x83 0x41, ビ 0x83 0x72: folding the second byte as a letter would make the two
    // characters equal; ソ (0x83 0x5C) must not meet a folded backslash either.
    EXPECT_NE(store::CompareListText(boardtest::sjis("ア"), "\x83" "a"), 0);
    EXPECT_LT(store::CompareListText(boardtest::sjis("ア"), boardtest::sjis("ビ")), 0);
    // Byte order: half-width katakana (0xB1) after a 0x83 double-byte character, before 0xE0.
    EXPECT_GT(store::CompareListText("\xb1", boardtest::sjis("ア")), 0);
    EXPECT_LT(store::CompareListText("\xb1", "\xe0\x40"), 0);
    // A lone lead byte at the end is compared as a byte.
    EXPECT_LT(store::CompareListText("a\x83", "a\x84"), 0);

    TopicRow a = row("t"), b = row("t");
    a.subItems[store::kLatestItem] = "2004/01/02 10:00";
    b.subItems[store::kLatestItem] = "2004/01/02 09:59";
    EXPECT_GT(store::ListViewCompare(a, b, kDateKey, false), 0);
    a.subItems[store::kBoardItem] = "beta";
    b.subItems[store::kBoardItem] = "Alpha";
    EXPECT_GT(store::ListViewCompare(a, b, kBoardKey, false), 0);
    EXPECT_EQ(store::ListViewCompare(a, b, 8, false), 0);
}

TEST(ListViewCompare, IconColumnComparesTheImageIndexAsText)
{
    // "17" < "4" < "5" < "6" as texts.
    TopicRows rows = rowsOf({row("five", "0", 5), row("refreshed", "0", 17), row("four", "0", 4), row("six", "0", 6)});
    rows.sort(0, false);
    EXPECT_EQ(titles(rows), (std::vector<std::string>{"refreshed", "four", "five", "six"}));
}

TEST(ListViewCompare, HighlightKeyBringsHighlightedRowsFirstWhateverTheDirection)
{
    TopicRow lit = row("lit", "0", 5, 1), plain = row("plain");
    EXPECT_LT(store::ListViewCompare(lit, plain, -1, false), 0);
    EXPECT_LT(store::ListViewCompare(lit, plain, -1, true), 0);
    EXPECT_EQ(store::ListViewCompare(plain, plain, -1, true), 0);
}

TEST(ListViewSort, TwoHeaderClicksOnOneColumnGiveDescendingThenAscending)
{
    TopicRows rows = rowsOf({row("b", "10"), row("a", "9"), row("c", "100")});
    // The shared flag starts false and every header click inverts it before sorting.
    bool sortDescending = false;
    sortDescending = !sortDescending;
    rows.sort(kPostsKey, sortDescending);
    EXPECT_EQ(titles(rows), (std::vector<std::string>{"c", "b", "a"}));
    sortDescending = !sortDescending;
    rows.sort(kPostsKey, sortDescending);
    EXPECT_EQ(titles(rows), (std::vector<std::string>{"a", "b", "c"}));
}

TEST(Narrowing, HighlightsTitlesByByteMatchAndKeepsEarlierHighlights)
{
    TopicRows rows = rowsOf({row("apple pie"), row("banana"), row("Apple tart"), row("cherry"), row("pineapple")});
    EXPECT_EQ(store::HighlightMatchingRows(rows, "apple"), 2);
    rows.sort(-1, false);
    EXPECT_EQ(store::HighlightMatchingRows(rows, "cherry"), 1);
    // A second narrowing keeps the first one's rows; sorting keeps the rows' relative order.
    rows.sort(-1, true);
    EXPECT_EQ(titles(rows), (std::vector<std::string>{"apple pie", "pineapple", "cherry", "banana", "Apple tart"}));
    EXPECT_EQ(store::HighlightMatchingRows(rows, "apple"), 0);
    EXPECT_EQ(store::HighlightMatchingRows(rows, ""), 0);
    int lit = 0;
    for (const auto &r : rows.rows())
        lit += r.entry.highlight;
    EXPECT_EQ(lit, 3);
}

TEST(RowColors, StripesFollowPositionsAndHighlightedTextIsRed)
{
    settings::DesignSettings design;
    design.thrlstFont.color = 0x123456;
    EXPECT_FALSE(store::TopicRowColors(0, false, design).background);
    EXPECT_EQ(store::TopicRowColors(0, false, design).text, 0x123456);
    EXPECT_EQ(store::TopicRowColors(3, true, design).text, 255);

    design.thrlstSep = true;
    design.thrlstOdd = 0x0000AA;
    design.thrlstEven = 0x00BB00;
    EXPECT_EQ(store::TopicRowColors(0, false, design).background, 0x0000AA); // row 1 of the view
    EXPECT_EQ(store::TopicRowColors(1, true, design).background, 0x00BB00);
    EXPECT_EQ(store::TopicRowColors(2, false, design).background, 0x0000AA);
}

TEST(DlCountMenu, ListsAllThenTheEntriesWithTheChosenOneChecked)
{
    settings::NetworkSettings network;
    network.dlCount = {"100", "300"};
    network.dlCountIndex = 2;
    EXPECT_EQ(store::DlCountMenuItems(network),
              (std::vector<store::DlCountItem>{{false, store::kAllCountsCaption, false},
                                               {true, "", false},
                                               {false, "100", false},
                                               {false, "300", true}}));
    network.dlCountIndex = 0;
    EXPECT_TRUE(store::DlCountMenuItems(network)[0].checked);
    EXPECT_EQ(std::string(store::kAllCountsCaption), boardtest::sjis("すべて"));
}
