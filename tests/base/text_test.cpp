#include "base/text.h"

#include <gtest/gtest.h>

namespace {

TEST(ParseInt, DecimalsWithSignAndBlanks)
{
    EXPECT_EQ(base::ParseInt("100", 7), 100);
    EXPECT_EQ(base::ParseInt("-2147483643", 7), -2147483643);
    EXPECT_EQ(base::ParseInt(" 42 ", 7), 42);
    EXPECT_EQ(base::ParseInt("+5", 7), 5);
    EXPECT_EQ(base::ParseInt("0", 7), 0);
}

TEST(ParseInt, AnythingElseYieldsTheFallback)
{
    EXPECT_EQ(base::ParseInt("abc", 100), 100);
    EXPECT_EQ(base::ParseInt("", 100), 100);
    EXPECT_EQ(base::ParseInt("12abc", 100), 100);
    EXPECT_EQ(base::ParseInt("1 2", 100), 100);
    EXPECT_EQ(base::ParseInt("-", 100), 100);
    EXPECT_EQ(base::ParseInt("0x10", 100), 100);
    EXPECT_EQ(base::ParseInt("99999999999", 100), 100) << "out of range";
    EXPECT_EQ(base::ParseInt("\x82\x50", 100), 100) << "full-width digit";
}

TEST(ExtractUrlParam, ValueRunsToNextAmpersandOrEnd)
{
    const char *url = "http://h/bbs?action=m&board=1834578&sid=1834578&tid=a5a5&mid=12";
    EXPECT_EQ(base::ExtractUrlParam("board=", url), "1834578");
    EXPECT_EQ(base::ExtractUrlParam("mid=", url), "12");
    EXPECT_EQ(base::ExtractUrlParam("action=", url), "m");
    EXPECT_FALSE(base::ExtractUrlParam("type=", url).has_value());
    EXPECT_EQ(base::ExtractUrlParam("tid=", "x?tid=&mid=1"), "") << "present but empty";
}

TEST(ExtractUrlParam, FindsTheNameAnywhereIncludingInsideLongerNames)
{
    // The first occurrence wins, even inside another parameter's name: "sid=" contains "id=".
    EXPECT_EQ(base::ExtractUrlParam("id=", "bbs?sid=5&id=9"), "5");
    EXPECT_EQ(base::ExtractUrlParam("mid=", "bbs?mid=3&mid=4"), "3");
}

TEST(CutSjis, NeverSplitsADoubleByteCharacter)
{
    std::string text = "ab\x82\xa0\x82\xa2"; // "ab" + "あい"
    EXPECT_EQ(base::CutSjis(text, 10), text);
    EXPECT_EQ(base::CutSjis(text, 4), "ab\x82\xa0");
    EXPECT_EQ(base::CutSjis(text, 3), "ab") << "half of あ is dropped";
    EXPECT_EQ(base::CutSjis(text, 5), "ab\x82\xa0");
    EXPECT_EQ(base::CutSjis("\xb1\xb2", 1), "\xb1") << "half-width katakana is one byte";
}

TEST(CompareTextNoCase, FoldsAsciiAndFullWidthLetters)
{
    EXPECT_TRUE(base::EqualsNoCase("abc", "ABC"));
    EXPECT_TRUE(base::EqualsNoCase("\x82\x81\x82\x82", "\x82\x60\x82\x61")) << "ａｂ vs Ａｂ";
    EXPECT_FALSE(base::EqualsNoCase("abc", "abcd"));
    EXPECT_FALSE(base::EqualsNoCase("\x82\xa0", "\x82\xa2"));
    EXPECT_LT(base::CompareTextNoCase("abc", "abd"), 0);
    EXPECT_GT(base::CompareTextNoCase("abc", "ab"), 0);
}

TEST(CompareTextNoCase, TrailBytesThatLookLikeLettersAreNotFolded)
{
    // 0x83 0x61 is "ダ"; 0x83 0x41 is "ア". Folding the trail byte 'a' to 'A' would equate them.
    EXPECT_FALSE(base::EqualsNoCase("\x83\x61", "\x83\x41"));
    EXPECT_FALSE(base::EqualsNoCase("\x82\x9a", "\x82\x79\x01")) << "ｚ vs Ｚ plus a byte";
    EXPECT_TRUE(base::EqualsNoCase("\x82\x9a", "\x82\x79"));
}

} // namespace
