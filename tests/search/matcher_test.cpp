// Finding a text in log lines: Shift_JIS character boundaries, fields, markup, case folding and
// the excerpts of matches.
#include "base/text.h"
#include "search/matcher.h"
#include "search/sjisfold.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

using search::Span;
using search::TextMatcher;

// A log line with the given author, title and body.
std::string Line(const std::string &author, const std::string &title, const std::string &body, int number = 7)
{
    return std::to_string(number) + "\t0\t2024/05/06 12:34\t" + author + "\t" + title + "\t" + body;
}

std::optional<Span> Find(const std::string &query, const std::string &line, bool ignoreCase = true)
{
    TextMatcher m(query, ignoreCase);
    std::string scratch;
    const std::string_view prepared = m.prepare(line, scratch);
    return m.findInLine(line, prepared);
}

std::size_t BodyStart(const std::string &line)
{
    std::size_t at = 0;
    for (int i = 0; i < 5; ++i)
        at = line.find('\t', at) + 1;
    return at;
}

// 表 is 0x95 0x5C: its second byte is the backslash.
const std::string kHyou = "\x95\x5c";
// ア is 0x83 0x41 and ヂ 0x83 0x61: second bytes that are the letters A and a.
const std::string kA = "\x83\x41";
const std::string kDi = "\x83\x61";

TEST(SjisBoundaries, TheBackslashInsideADoubleByteCharacterIsNotABackslash)
{
    EXPECT_FALSE(Find("\\", Line("n", "t", "x" + kHyou + "y")));
    const std::string line = Line("n", "t", kHyou + "a\\b");
    const auto hit = Find("\\", line);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->pos, BodyStart(line) + 3);
}

TEST(SjisBoundaries, ALetterAsSecondByteNeverMatchesAnAsciiQuery)
{
    for (bool fold : {false, true}) {
        EXPECT_FALSE(Find("A", Line("n", "t", kA + kA), fold)) << fold;
        EXPECT_FALSE(Find("a", Line("n", "t", kDi), fold)) << fold;
        // "AB" stands in the bytes 41 42 of アB, beginning on ア's second byte.
        EXPECT_FALSE(Find("AB", Line("n", "t", kA + "B"), fold)) << fold;
    }
    const std::string line = Line("n", "t", kA + "B AB");
    const auto hit = Find("ab", line);
    ASSERT_TRUE(hit) << "the later, real AB is found";
    EXPECT_EQ(hit->pos, BodyStart(line) + 4);
    EXPECT_TRUE(Find("a", Line("n", "t", kDi + "a"), true));
}

TEST(SjisBoundaries, AMatchEndsWhereACharacterEnds)
{
    // A query cut after a lead byte does not match the first half of a character.
    EXPECT_FALSE(Find("x\x83", Line("n", "t", "x" + kA)));
    EXPECT_TRUE(Find("x" + kA, Line("n", "t", "zx" + kA)));
}

TEST(SjisBoundaries, HalfWidthKatakanaAreSingleBytes)
{
    // ｱ is the single byte 0xB1; after it the next byte begins a character of its own.
    const std::string line = Line("n", "t",
                                  "\xb1"
                                  "A\xb6\xc5");
    const auto hit = Find("A", line);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->pos, BodyStart(line) + 1);
    EXPECT_TRUE(Find("\xb6\xc5", line)); // ｶﾅ
    // 0xB1 as the second byte of 院 (0x89 0xB1) is not ｱ.
    EXPECT_FALSE(Find("\xb1", Line("n", "t", "\x89\xb1")));
}

TEST(LogFields, AMatchStaysInsideOneField)
{
    const std::string line = Line("abc", "def", "ghi");
    EXPECT_FALSE(Find("cd", line));
    EXPECT_FALSE(Find("c\td", line));
    EXPECT_FALSE(Find("f\tg", line));
    EXPECT_TRUE(Find("abc", line));
    EXPECT_TRUE(Find("def", line));
    // The body is the rest of the line: a tab there is its own text.
    EXPECT_TRUE(Find("h\ti", Line("abc", "def", "gh\ti")));
}

TEST(LogFields, NumbersAreNotSearchedButTheDateIs)
{
    const std::string line = Line("n", "t", "body", 4711);
    EXPECT_FALSE(Find("4711", line));
    EXPECT_FALSE(Find("9", Line("n", "t", "body", 9)));
    EXPECT_TRUE(Find("2024/05/06", line));
}

TEST(LogFields, ShortAndDamagedLinesAreSafe)
{
    for (const std::string &line : {std::string(), std::string("abc"), std::string("1\t0\tabc"),
                                    std::string("1\t0\t2024\tname\x83"), std::string("\x83"), std::string(3, '\0')}) {
        EXPECT_FALSE(Find("abc\x83", line));
        (void)Find("name", line);
        (void)Find("a", line);
    }
    EXPECT_TRUE(Find("abc", "1\t0\tabc")) << "a line cut short keeps its readable fields";
}

TEST(LogFields, TheLineMapAgreesWithTheLineReadForEachCandidate)
{
    // Random lines of the bytes that matter (tabs, markup, lead and second bytes, a half-width
    // kana) and every span in them: the map that checks candidates in constant time gives the
    // same answers as reading the line for each one.
    const unsigned char alphabet[] = {'a', 'A', '\t', '<', '>', '&', ';', 'l', 't', 0x83, 0x41, 0x95, 0x5c, 0xb1, ' '};
    std::mt19937 random(7);
    search::LineMap map;
    for (int round = 0; round < 400; ++round) {
        std::string line;
        const std::size_t n = random() % 40;
        for (std::size_t i = 0; i < n; ++i)
            line += static_cast<char>(alphabet[random() % sizeof alphabet]);
        map.read(line);
        for (std::size_t pos = 0; pos <= n; ++pos)
            for (std::size_t length = 0; length <= n - pos + 1; ++length)
                ASSERT_EQ(map.isWholeMatch({pos, length}), search::IsWholeMatch(line, {pos, length}))
                    << round << " " << pos << " " << length;
    }
}

TEST(LogFields, ALongLineOfNearMissesIsReadOnce)
{
    // Every second byte of this line is the letter A, none of them a character: a check that
    // read the line again for each candidate would take minutes here.
    std::string body;
    for (int i = 0; i < 200000; ++i)
        body += kA;
    EXPECT_FALSE(Find("A", Line("n", "t", body)));
    EXPECT_TRUE(Find("A", Line("n", "t", body + "A")));
}

TEST(Markup, TagsAndEntityNamesAreNotText)
{
    EXPECT_FALSE(Find("br", Line("n", "t", "one<br>two")));
    EXPECT_FALSE(Find("href", Line("n", "t", "<a href=\"x\">y</a>")));
    EXPECT_FALSE(Find("lt", Line("n", "t", "a &lt; b")));
    EXPECT_FALSE(Find("quot", Line("n", "t", "&quot;q&quot;")));
    EXPECT_TRUE(Find("<", Line("n", "t", "a &lt; b")));
    EXPECT_TRUE(Find("a&b", Line("n", "t", "a&amp;b")));
    EXPECT_TRUE(Find("\"q\"", Line("n", "t", "&quot;q&quot;")));
    EXPECT_TRUE(Find("two", Line("n", "t", "one<br>two")));
    EXPECT_TRUE(Find("x < y", Line("n", "x &lt; y", "b")));
}

TEST(Markup, ReplyReferencesAreFoundInBothForms)
{
    EXPECT_TRUE(Find(">>12", Line("n", "t", ">>12<br>ok")));
    EXPECT_TRUE(Find(">>12", Line("n", "t", "&gt;&gt;12<br>ok")));
    EXPECT_FALSE(Find(">>12", Line("n", "t", ">>13")));
}

TEST(CaseFolding, LettersFoldInTheirOwnWidth)
{
    EXPECT_TRUE(Find("abc", Line("n", "t", "xABCx")));
    EXPECT_TRUE(Find("AbC", Line("n", "t", "xaBcx")));
    // ａｂ against ＡＢ (full width): folded alike.
    EXPECT_TRUE(Find("\x82\x81\x82\x82", Line("n", "t", "\x82\x60\x82\x61")));
    EXPECT_TRUE(Find("\x82\x60\x82\x61", Line("n", "t", "\x82\x81\x82\x82")));
    // The widths stay apart, as in the NG lists.
    EXPECT_FALSE(Find("ab", Line("n", "t", "\x82\x60\x82\x61")));
    // Without folding the case counts.
    EXPECT_FALSE(Find("abc", Line("n", "t", "ABC"), false));
    EXPECT_TRUE(Find("ABC", Line("n", "t", "ABC"), false));
    // ア (83 41) and ヂ (83 61) differ only in a second byte that is a letter: a query with
    // letters, looked for with them folded, still tells the two apart.
    EXPECT_FALSE(Find("a" + kA, Line("n", "t", "A" + kDi)));
    EXPECT_TRUE(Find("a" + kDi, Line("n", "t", "A" + kDi)));
    // A folded letter in an entity name still is no text: "&LT;" is not looked into.
    EXPECT_FALSE(Find("LT", Line("n", "t", "&lt;")));
}

TEST(CaseFolding, TheFoldingIsTheOneOfTheNgLists)
{
    // Every character of Shift_JIS, one and two bytes: two characters fold alike exactly when the
    // list comparison finds them equal.
    std::vector<std::string> chars;
    for (int c = 0; c < 0x100; ++c)
        if (!base::IsSjisLeadByte(static_cast<unsigned char>(c)))
            chars.push_back(std::string(1, static_cast<char>(c)));
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!base::IsSjisLeadByte(static_cast<unsigned char>(lead)))
            continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail)
            chars.push_back(std::string{static_cast<char>(lead), static_cast<char>(trail)});
    }
    std::sort(chars.begin(), chars.end(),
              [](const std::string &a, const std::string &b) { return base::CompareTextNoCase(a, b) < 0; });
    std::set<std::string> foldedForms;
    std::size_t classes = 0;
    for (std::size_t i = 0; i < chars.size(); ++i) {
        const std::string folded = search::FoldedSjis(chars[i]);
        foldedForms.insert(folded);
        if (i == 0 || !base::EqualsNoCase(chars[i - 1], chars[i]))
            ++classes;
        ASSERT_EQ(folded.size(), chars[i].size());
        ASSERT_TRUE(base::EqualsNoCase(folded, chars[i])) << i;
        if (i > 0) {
            const bool equalInList = base::EqualsNoCase(chars[i - 1], chars[i]);
            ASSERT_EQ(search::FoldedSjis(chars[i - 1]) == folded, equalInList) << i;
        }
    }
    EXPECT_EQ(foldedForms.size(), classes) << "characters the lists tell apart fold apart";
}

TEST(CaseFolding, EveryByteAndEveryAlignmentOfTheFoldedScan)
{
    // All 256 byte values at every offset of a long text: the letters found with folding are
    // exactly the ASCII letters standing as characters of their own.
    std::string text;
    for (int round = 0; round < 3; ++round)
        for (int c = 0; c < 0x100; ++c)
            text += static_cast<char>(c);
    for (char letter : {'a', 'q', 'z', 'A', 'Z'}) {
        const std::string query(1, letter);
        for (std::size_t shift = 0; shift < 9; ++shift) {
            const std::string line = Line("n", "t", std::string(shift, ' ') + text);
            TextMatcher m(query, true);
            std::string scratch;
            const std::string_view prepared = m.prepare(line, scratch);
            ASSERT_EQ(prepared.size(), line.size());
            for (std::size_t i = 0; i < line.size(); ++i) {
                const auto c = static_cast<unsigned char>(line[i]);
                const auto p = static_cast<unsigned char>(prepared[i]);
                const bool lower = c >= 'a' && c <= 'z';
                ASSERT_EQ(p, lower ? c - 0x20 : c) << "byte " << i << " shift " << shift;
            }
        }
    }
}

TEST(CaseFolding, FoldingReadsCharactersFromTheStart)
{
    // 0x82 0x81 is ａ only where 0x82 begins a character: in 83 82 | 81 82 the 0x82 is a second
    // byte and 0x81 begins the next character.
    const std::string text = "\x83\x82\x81\x82";
    EXPECT_EQ(search::FoldedSjis(text), text);
    EXPECT_EQ(search::FoldedSjis("\x82\x81"), "\x82\x60");
    EXPECT_EQ(search::FoldedSjis(kDi + "a"), kDi + "A") << "a second byte is not a letter";
    EXPECT_TRUE(search::HasFoldableLetter("x\x82\x81"));
    EXPECT_FALSE(search::HasFoldableLetter(kA + kDi + "12"));
}

TEST(Excerpts, TheTextAroundAMatchIsPlainText)
{
    const std::string line = Line("n", "t", "one<br>two &amp; three<br>four five");
    const auto hit = Find("three", line);
    ASSERT_TRUE(hit);
    const search::Excerpt e = search::MakeExcerpt(line, *hit);
    EXPECT_EQ(e.before, "one two & ");
    EXPECT_EQ(e.match, "three");
    EXPECT_EQ(e.after, " four five");
}

TEST(Excerpts, AnExcerptIsCutOnCharactersAndOutsideTags)
{
    std::string body;
    for (int i = 0; i < 30; ++i)
        body += kA + "<br>";
    const std::string line = Line("n", "t", body + "XYZ" + kHyou + kHyou + kHyou);
    const auto hit = Find("xyz", line);
    ASSERT_TRUE(hit);
    const search::Excerpt e = search::MakeExcerpt(line, *hit, 13, 3);
    EXPECT_EQ(e.match, "XYZ");
    EXPECT_EQ(e.after, kHyou) << "three bytes hold one whole character";
    EXPECT_EQ(e.before.find('<'), std::string::npos);
    EXPECT_EQ(e.before.find('>'), std::string::npos);
    EXPECT_EQ(e.before.back(), ' ');
    // Whole characters only: every lead byte has its second byte.
    for (std::size_t i = 0; i < e.before.size(); ++i) {
        if (base::IsSjisLeadByte(static_cast<unsigned char>(e.before[i]))) {
            ASSERT_LT(++i, e.before.size());
        }
    }
}

TEST(Excerpts, TheExcerptKeepsToTheFieldOfTheMatch)
{
    const std::string line = Line("author", "title here", "body text");
    const auto hit = Find("here", line);
    ASSERT_TRUE(hit);
    const search::Excerpt e = search::MakeExcerpt(line, *hit);
    EXPECT_EQ(e.before, "title ");
    EXPECT_EQ(e.after, "");
}

} // namespace
