// The keyword index: parsing, refusing unsound lines, lookup as Shift_JIS, the index page.
#include "help/helpindex.h"

#include <gtest/gtest.h>

namespace {

using help::HelpIndex;

QString U(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

TEST(HelpIndex, Parse_SkipsCommentsAndBlankLinesAndReadsEveryLineEnd)
{
    const HelpIndex index =
        HelpIndex::Parse("# comment\r\n"
                         "\xE6\x9B\xB8\xE3\x81\x8D\xE8\xBE\xBC\xE3\x81\xBF\tpost.html\r\n" // 書き込み
                         "\r\n"
                         "   \n"
                         "Proxy\tsettings-network.html#proxy\r"
                         "last\tstart.html");
    ASSERT_EQ(index.entries().size(), 3u);
    EXPECT_TRUE(index.rejectedLines().empty());
    EXPECT_EQ(index.entries()[0].keyword, U("書き込み"));
    EXPECT_EQ(index.entries()[0].target, U("post.html"));
    EXPECT_EQ(index.entries()[1].target, U("settings-network.html#proxy"));
    EXPECT_EQ(index.entries()[2].keyword, U("last")); // a last line without a break counts
}

TEST(HelpIndex, Parse_LeavesOutUnsoundLinesAndKeepsTheRest)
{
    const HelpIndex index = HelpIndex::Parse("good\tstart.html\n"            // 1
                                             "no tab here\n"                 // 2
                                             "\tstart.html\n"                // 3 empty keyword
                                             "up\t../secret.html\n"          // 4 leaves the directory
                                             "web\thttp://example.com/\n"    // 5 a scheme
                                             "abs\t/etc/passwd\n"            // 6 absolute
                                             "emptyanchor\tstart.html#\n"    // 7
                                             "blank\tmy page.html\n"         // 8
                                             "GOOD\tpost.html\n"             // 9 listed before (case folded)
                                             "bad\xFF\xFEutf8\tstart.html\n" // 10 not UTF-8
                                             "sub\timages/cat.png\n"         // 11 fine: a file below the directory
                                             "empty\t\n");                   // 12 no target
    EXPECT_EQ(index.rejectedLines(), (std::vector<int>{2, 3, 4, 5, 6, 7, 8, 9, 10, 12}));
    ASSERT_EQ(index.entries().size(), 2u);
    EXPECT_EQ(index.find(U("good"))->target, U("start.html")); // the first of the duplicates wins
    EXPECT_NE(index.find(U("sub")), nullptr);
}

TEST(HelpIndex, Parse_SkipsAByteOrderMark)
{
    const HelpIndex index = HelpIndex::Parse("\xEF\xBB\xBFkey\tstart.html\n");
    ASSERT_EQ(index.entries().size(), 1u);
    EXPECT_EQ(index.entries()[0].keyword, U("key"));
}

TEST(HelpIndex, Find_ComparesWholeShiftJisTextIgnoringLatinCase)
{
    const HelpIndex index = HelpIndex::Parse("HTML\xE5\xA4\x89\xE6\x8F\x9B\xE3\x83\x84\xE3\x83\xBC\xE3\x83\xAB\tconvert"
                                             ".html\n"                                // HTML変換ツール
                                             "\xEF\xBC\xA1\xEF\xBC\xA2\tstart.html\n" // full-width ＡＢ
                                             "\xE3\x83\x8D\xE3\x83\x83\xE3\x83\x88\xE3\x83\xAF\xE3\x83\xBC\xE3\x82\xAF"
                                             "\tsettings-network.html\n" // ネットワーク
                                             "a\xEF\xBD\x9E"
                                             "b\tstart.html#keys\n"); // a～b with the full-width tilde
    ASSERT_NE(index.find(U("html変換ツール")), nullptr);
    EXPECT_EQ(index.find(U("html変換ツール"))->target, U("convert.html"));
    EXPECT_NE(index.find(U("ａｂ")), nullptr);           // full-width Latin letters fold too
    EXPECT_NE(index.find(U(" ネットワーク ")), nullptr); // blanks around a caption do not matter
    EXPECT_EQ(index.find(U("ネット")), nullptr);         // a prefix is not the keyword
    EXPECT_EQ(index.find(U("ネットワークス")), nullptr);
    EXPECT_EQ(index.find(QString()), nullptr);
    // The wave dash has no code of its own in CP932: it is the full-width tilde there, so both
    // spellings name the same keyword.
    EXPECT_NE(index.find(QStringLiteral("a\u301Cb")), nullptr);
}

TEST(HelpIndex, Sorted_FollowsShiftJisOrderWithLatinLettersFolded)
{
    const HelpIndex index = HelpIndex::Parse("\xE3\x82\xA2\tstart.html\n" // ア (0x8341)
                                             "b\tstart.html\n"
                                             "\xE3\x81\x82\tstart.html\n" // あ (0x82A0)
                                             "A\tstart.html\n");
    std::vector<QString> order;
    for (const help::IndexEntry *entry : index.sorted())
        order.push_back(entry->keyword);
    EXPECT_EQ(order, (std::vector<QString>{U("A"), U("b"), U("あ"), U("ア")}));
}

TEST(HelpIndex, IndexPage_LinksEveryKeywordAndEscapesIt)
{
    const HelpIndex index = HelpIndex::Parse("<b>&\tstart.html#keys\nzeta\tpost.html\n");
    const QString html = index.indexPageHtml();
    EXPECT_TRUE(html.contains(U("<a href=\"start.html#keys\">&lt;b&gt;&amp;</a>")));
    EXPECT_TRUE(html.contains(U("<a href=\"post.html\">zeta</a>")));
    EXPECT_FALSE(html.contains(U("<b>&")));
}

TEST(HelpIndex, Targets_StayInsideTheHelpDirectory)
{
    EXPECT_TRUE(help::IsHelpTarget(u"start.html"));
    EXPECT_TRUE(help::IsHelpTarget(u"start.html#keys"));
    EXPECT_TRUE(help::IsHelpTarget(u"images/cat.png"));
    EXPECT_FALSE(help::IsHelpTarget(u""));
    EXPECT_FALSE(help::IsHelpTarget(u"#keys"));
    EXPECT_FALSE(help::IsHelpTarget(u"../x.html"));
    EXPECT_FALSE(help::IsHelpTarget(u"a/../../x.html"));
    EXPECT_FALSE(help::IsHelpTarget(u"./x.html"));
    EXPECT_FALSE(help::IsHelpTarget(u"a//x.html"));
    EXPECT_FALSE(help::IsHelpTarget(u"file:x.html"));
    EXPECT_FALSE(help::IsHelpTarget(u"x.html#a#b"));
    EXPECT_FALSE(help::IsHelpTarget(u"x\\y.html"));
    EXPECT_EQ(help::TargetPage(U("a.html#b")), U("a.html"));
    EXPECT_EQ(help::TargetAnchor(U("a.html#b")), U("b"));
    EXPECT_EQ(help::TargetAnchor(U("a.html")), QString());
}

} // namespace
