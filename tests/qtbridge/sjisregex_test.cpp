// The NG lists' regular expressions over Shift_JIS text.
#include "qtbridge/sjis.h"
#include "qtbridge/sjisregex.h"

#include <gtest/gtest.h>

namespace {

using qtbridge::CompileSjisRegex;
using qtbridge::Sjis;

bool Finds(const char *patternUtf8, const char *textUtf8)
{
    auto pattern = CompileSjisRegex(Sjis(patternUtf8));
    EXPECT_TRUE(pattern) << patternUtf8;
    return pattern && pattern->search(Sjis(textUtf8));
}

TEST(SjisRegex, MatchesTheDecodedTextIgnoringCase)
{
    EXPECT_TRUE(Finds("^spa+m$", "SPAAM"));
    EXPECT_TRUE(Finds("宣伝|広告", "これは広告です"));
    EXPECT_TRUE(Finds("^.{3}$", "掲示板")) << "one character per double-byte character";
    EXPECT_FALSE(Finds("^.{6}$", "掲示板"));
    EXPECT_TRUE(Finds("表", "表示")) << "a trail byte 0x5C is no backslash";
    EXPECT_FALSE(Finds("^abc$", "xabc"));
}

TEST(SjisRegex, NoMatchStraddlesTwoCharacters)
{
    // "ア" (0x83 0x41) followed by "B": the bytes 0x41 0x42 spell "AB", but no character is "A".
    ASSERT_EQ(Sjis("アB"), "\x83\x41"
                           "B");
    EXPECT_FALSE(Finds("AB", "アB"));
    // "ソ" is 0x83 0x5C, "能" 0x94 0x5C: neither holds a backslash or a yen sign.
    EXPECT_FALSE(Finds("\\\\", "ソ能"));
    // "検索" is 0x8C 0x9F 0x8D 0xF5; the middle two bytes make a kanji of their own, which a
    // byte-wise search would find in it.
    ASSERT_EQ(Sjis("検索"), "\x8c\x9f\x8d\xf5");
    const std::string across("\x9f\x8d", 2);
    auto pattern = CompileSjisRegex(across);
    ASSERT_TRUE(pattern);
    EXPECT_FALSE(pattern->search(Sjis("検索")));
    EXPECT_TRUE(Finds("検索", "全文検索"));
}

TEST(SjisRegex, InvalidPatternsAreRefusedWithAReason)
{
    for (const char *bad : {"(unclosed", "[a-", "*x", "a{2,1}"}) {
        std::string error;
        EXPECT_FALSE(CompileSjisRegex(bad, &error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
    std::string error;
    EXPECT_FALSE(CompileSjisRegex("", &error)) << "an empty pattern would hide every message";
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(CompileSjisRegex("ok"));
    for (const char *everything : {"a*", "x|", "^", ".*", "(?:)"}) {
        error.clear();
        EXPECT_FALSE(CompileSjisRegex(everything, &error)) << everything << " would hide every message";
        EXPECT_FALSE(error.empty());
    }
    EXPECT_TRUE(CompileSjisRegex(".+")) << "a pattern needing a character is taken";
}

TEST(SjisRegex, ARunawayPatternEndsWithoutAMatch)
{
    auto pattern = CompileSjisRegex("(a+)+$");
    ASSERT_TRUE(pattern);
    EXPECT_FALSE(pattern->search(std::string(5000, 'a') + "!"));
}

TEST(SjisRegex, CompiledListsLeaveOutInvalidAndEmptyEntries)
{
    settings::NgLists lists;
    lists.nameRegex.add("bot$");
    lists.nameRegex.add("(");
    lists.titleRegex.add("");
    lists.wordRegex.add(Sjis("広告"));
    std::vector<std::string> invalid;
    const settings::NgPatterns patterns = qtbridge::CompileNgPatterns(lists, &invalid);
    ASSERT_EQ(patterns.names.size(), 1u);
    EXPECT_TRUE(patterns.names[0]->search("robot"));
    EXPECT_TRUE(patterns.titles.empty());
    ASSERT_EQ(patterns.words.size(), 1u);
    EXPECT_EQ(invalid, std::vector<std::string>{"("});
    EXPECT_TRUE(qtbridge::CompileNgPatterns(settings::NgLists{}).empty());
}

} // namespace
