// Regular expressions over the Shift_JIS log lines: matches carried back to the bytes, fields,
// markup and case.
#include "qtbridge/sjis.h"
#include "search/logsearch.h"
#include "search/regexmatcher.h"

#include <QString>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <string>

namespace {

using search::RegexMatcher;
using search::Span;

std::string Line(const std::string &author, const std::string &title, const std::string &body, int number = 3)
{
    return std::to_string(number) + "\t1\t2024/05/06 12:34\t" + author + "\t" + title + "\t" + body;
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

TEST(RegexLiteral, TheTextEveryMatchHolds)
{
    struct Case {
        const char *pattern;
        const char *literal; // UTF-8
    };
    const Case cases[] = {
        {"needle\\w+", "needle"}, {"\\d+abc", "abc"},  {"ab?cd", "cd"},       {"x{2}yz", "yz"}, {"\\.txt", ".txt"},
        {"[abc]def", "def"},      {"[]x]yz", "yz"},    {"(foo)barr", "barr"}, {"a*?bc", "bc"},  {"ab+cd", "ab"},
        {"^start", "start"},      {"日本.語", "日本"}, {"foo|bar", ""},       {"(?i)abc", ""},  {"\\Qab\\E", ""},
        {"(a)\\1bc", ""},         {"a.b", ""},         {"[unclosed", ""},     {"a{2", ""},      {"(x|y)zw", "zw"},
        {"\\x41bc", ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(search::RequiredLiteral(QString::fromUtf8(c.pattern), false), QString::fromUtf8(c.literal))
            << c.pattern;
    // Folding wider than the lists' is not relied upon: Greek letters have two cases in Unicode.
    EXPECT_EQ(search::RequiredLiteral(QString::fromUtf8("αβγ"), true), QString());
    EXPECT_EQ(search::RequiredLiteral(QString::fromUtf8("αβγ"), false), QString::fromUtf8("αβγ"));
    EXPECT_EQ(search::RequiredLiteral(QString::fromUtf8("ＡＢ"), true), QString::fromUtf8("ＡＢ"));
    // A character Shift_JIS has no code for (the wave dash is written as the full-width tilde).
    EXPECT_EQ(search::RequiredLiteral(QString::fromUtf8("a〜b"), false), QString());
}

TEST(RegexLiteral, LookingForTheLiteralFirstFindsWhatReadingEveryLineFinds)
{
    // Lines of letters in both cases and widths, markup, Japanese and damaged bytes.
    const std::string pieces[] = {"Needle",
                                  "needle",
                                  "NEEDLE",
                                  "needles",
                                  "<br>",
                                  "&lt;b&gt;",
                                  "foo.bar",
                                  qtbridge::Sjis("日本語"),
                                  qtbridge::Sjis("ＮＥＥＤＬＥ"),
                                  qtbridge::Sjis("ｎｅｅｄｌｅ"),
                                  "\x83",
                                  "x\x95\x5c",
                                  " ",
                                  "\t",
                                  "abc123",
                                  "\xb1" "A"};
    std::mt19937 random(11);
    std::string text;
    for (int n = 1; n <= 400; ++n) {
        std::string body;
        for (int k = random() % 8; k > 0; --k)
            body += pieces[random() % std::size(pieces)];
        text += Line("n", pieces[random() % std::size(pieces)], body, n) + "\r\n";
    }
    const char *patterns[] = {"needle",  "ne+dle\\w*", "needle(s)?", "foo\\.bar", "日本", "ＮＥＥＤ",
                              "\\d+abc", "b.r",        "NEEDLE",     "ｎｅｅｄ",  "A$"};
    for (const char *pattern : patterns) {
        for (bool fold : {false, true}) {
            RegexMatcher m(QString::fromUtf8(pattern), fold);
            ASSERT_TRUE(m.isValid());
            std::vector<int> everyLine;
            std::size_t start = 0, lineNumber = 0;
            while (start < text.size()) {
                const std::size_t end = text.find("\r\n", start);
                const std::string_view line(text.data() + start, end - start);
                ++lineNumber;
                if (m.findInLine(line, line))
                    everyLine.push_back(static_cast<int>(lineNumber));
                start = end + 2;
            }
            std::vector<int> filtered;
            for (const search::Hit &h : search::SearchLogText(text, m, {}, 0))
                filtered.push_back(h.number);
            // Line numbers and message numbers agree: message n is line n.
            EXPECT_EQ(filtered, everyLine) << pattern << " fold " << fold << " prefilter " << m.prefilterBytes();
        }
    }
    EXPECT_FALSE(RegexMatcher(QStringLiteral("needle"), true).prefilterBytes().empty());
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
