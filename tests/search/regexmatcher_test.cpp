// Regular expressions over the Shift_JIS log lines: matches carried back to the bytes, fields,
// markup and case.
#include "qtbridge/sjis.h"
#include "search/regexmatcher.h"

#include <QString>
#include <gtest/gtest.h>
#include <string>

namespace {

using search::RegexMatcher;
using search::Span;

std::string Line(const std::string &author, const std::string &title, const std::string &body)
{
    return "3\t1\t2024/05/06 12:34\t" + author + "\t" + title + "\t" + body;
}

std::size_t BodyStart(const std::string &line)
{
    std::size_t at = 0;
    for (int i = 0; i < 5; ++i)
        at = line.find('\t', at) + 1;
    return at;
}

std::optional<Span> Find(const QString &pattern, const std::string &line, bool ignoreCase = true)
{
    RegexMatcher m(pattern, ignoreCase);
    return m.findInLine(line, line);
}

TEST(RegexMatcher, AMatchAfterJapaneseTextIsPlacedOnItsBytes)
{
    // 日本語の needle: six bytes of Japanese and a blank before the match.
    const std::string body = qtbridge::Sjis("日本語 ") + "neeedle end";
    const std::string line = Line("n", "t", body);
    const auto hit = Find(QStringLiteral("ne+dle"), line);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->pos, BodyStart(line) + 7);
    EXPECT_EQ(line.substr(hit->pos, hit->length), "neeedle");
}

TEST(RegexMatcher, JapaneseCharacterClassesMatchWholeCharacters)
{
    const std::string line = Line("n", "t", "abc" + qtbridge::Sjis("カタカナ") + "def");
    const auto hit = Find(QString::fromUtf8("[ア-ン]+"), line);
    ASSERT_TRUE(hit);
    EXPECT_EQ(line.substr(hit->pos, hit->length), qtbridge::Sjis("カタカナ"));
}

TEST(RegexMatcher, TheSecondByteOfACharacterIsNoBackslash)
{
    EXPECT_FALSE(Find(QStringLiteral("\\\\"), Line("n", "t", qtbridge::Sjis("表示"))));
    EXPECT_TRUE(Find(QStringLiteral("\\\\"), Line("n", "t", qtbridge::Sjis("表示") + "\\")));
}

TEST(RegexMatcher, FieldsAreMatchedOneByOne)
{
    const std::string line = Line("abc", "def", "ghi");
    EXPECT_FALSE(Find(QStringLiteral("c.d"), line));
    EXPECT_FALSE(Find(QStringLiteral("^3"), line)) << "the number is not searched";
    EXPECT_TRUE(Find(QStringLiteral("^def$"), line));
    EXPECT_TRUE(Find(QStringLiteral("^2024/05"), line));
}

TEST(RegexMatcher, MarkupIsPassedOverAndTheNextMatchTaken)
{
    const std::string line = Line("n", "t", "<br>br");
    const auto hit = Find(QStringLiteral("br"), line);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->pos, BodyStart(line) + 4);
    EXPECT_FALSE(Find(QStringLiteral("b."), Line("n", "t", "<br>")));
}

TEST(RegexMatcher, CaseIsIgnoredOnlyWhenAsked)
{
    EXPECT_TRUE(Find(QStringLiteral("NEEDLE"), Line("n", "t", "a needle")));
    EXPECT_FALSE(Find(QStringLiteral("NEEDLE"), Line("n", "t", "a needle"), false));
    EXPECT_TRUE(Find(QString::fromUtf8("ＡＢ"), Line("n", "t", qtbridge::Sjis("ａｂ"))));
}

TEST(RegexMatcher, BadPatternsAndBadBytesAreSafe)
{
    RegexMatcher bad(QStringLiteral("(unclosed"), true);
    EXPECT_FALSE(bad.isValid());
    EXPECT_FALSE(bad.errorString().isEmpty());
    const std::string line = Line("n", "t", "ab");
    EXPECT_FALSE(bad.findInLine(line, line));
    // Bytes that are no Shift_JIS before the match: the match still lands on its own bytes.
    const std::string damaged = Line("n", "t", std::string("\xff\xfd\x80", 3) + "xyz\x83");
    const auto hit = Find(QStringLiteral("xyz"), damaged);
    ASSERT_TRUE(hit);
    EXPECT_EQ(damaged.substr(hit->pos, hit->length), "xyz");
    EXPECT_FALSE(Find(QStringLiteral(""), damaged)) << "an empty match is none";
    // A lead byte cut off right before a tab: the fields stay where the tabs are.
    const std::string cut = Line("n\x83", "title\x83", "body needle");
    const auto inBody = Find(QStringLiteral("needle"), cut);
    ASSERT_TRUE(inBody);
    EXPECT_EQ(inBody->pos, BodyStart(cut) + 5);
    EXPECT_FALSE(Find(QStringLiteral("title.body"), cut));
    EXPECT_TRUE(Find(QStringLiteral("^title"), cut));
}

} // namespace
