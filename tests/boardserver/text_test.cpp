// The encodings, URL and HTML escaping of the board server.
#include "boardserver/corpus.h"
#include "boardserver/text.h"
#include "tests/boardserver/fixture.h"

namespace {

using namespace boardserver;
using bstest::Sjis;

TEST(Encoding, EucToSjis_MatchesCp932ForJisX0208AndHalfWidthKatakana)
{
    const std::string text = "亜唖娃阿ーー！漢字かなカナｶﾞｷﾞｸﾞ 〓丼凜弌ABC";
    EXPECT_EQ(EucToSjis(*Utf8ToEucJp(text)), Sjis(text));
    // JIS X 0212 characters become the ideographic space, as the plug-in converts them.
    EXPECT_EQ(EucToSjis(*Utf8ToEucJp("森鷗外")), Sjis("森") + "\x81\x40" + Sjis("外"));
}

TEST(Encoding, EucToSjis_StopsAtTheFirstInvalidSequence)
{
    EXPECT_EQ(EucToSjis("ab\xFF" "cd"), "ab");
    EXPECT_EQ(EucToSjis("ab\xB0"), "ab");             // lead byte without its second byte
    EXPECT_EQ(EucToSjis("ab\x8E\x41" "cd"), "ab");     // katakana prefix with a wrong byte
    EXPECT_EQ(EucToSjis("ab\x8F\xB0"), "ab");          // JIS X 0212 cut short
    EXPECT_EQ(EucToSjis(std::string("ab\0cd", 5)), "ab");
    EXPECT_EQ(SjisLengthOfEuc("\x8E\xB6\x8F\xB0\xA1\xB0\xA1"), 1u + 2u + 2u);
}

TEST(Encoding, SjisToEuc_RoundTripsEveryJisX0208CodeAndNecRow13)
{
    // Every lead and trail byte pair of rows 1 to 94 comes back unchanged through the
    // plug-in's arithmetic, so posted text reads back byte for byte.
    for (unsigned lead = 0x81; lead <= 0xEF; ++lead) {
        if (lead >= 0xA0 && lead <= 0xDF)
            continue;
        for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F)
                continue;
            const std::string sjis{static_cast<char>(lead), static_cast<char>(trail)};
            const std::string euc = SjisToEuc(sjis);
            ASSERT_EQ(euc.size(), 2u) << std::hex << lead << " " << trail;
            ASSERT_EQ(EucToSjis(euc), sjis) << std::hex << lead << " " << trail;
        }
    }
    EXPECT_EQ(SjisToEuc(Sjis("ｱ")), "\x8E\xB1");
}

TEST(Encoding, SjisToEuc_ReplacesWhatEucJpCannotHold)
{
    EXPECT_EQ(SjisToEuc("\xFA\x40"), "\xA2\xAE"); // an IBM extension becomes the geta mark
    EXPECT_EQ(SjisToEuc("a\x81"), "a?");          // a lead byte at the end
    EXPECT_EQ(SjisToEuc("\x80\xA0\xFD"), "???");
    EXPECT_EQ(SjisToEuc("\x81\x20"), "?\x20");     // a lead byte before a byte that cannot follow
}

TEST(Encoding, UrlEncode_IsTheProgramsEncoding_AndPercentDecodeUndoesIt)
{
    EXPECT_EQ(UrlEncode(">>5\r\nabc"), "%3e%3e5%0d%0aabc");
    EXPECT_EQ(UrlEncode("A-z_0.9@!$'()* ~&="), "A-z_0.9@!$'()*+%7e%26%3d");
    EXPECT_EQ(UrlEncode("\x82\xa0\x7f"), "%82%a0%7f");
    std::string all;
    for (int c = 1; c < 256; ++c)
        all.push_back(static_cast<char>(c));
    EXPECT_EQ(PercentDecode(UrlEncode(all), true), all);
    EXPECT_EQ(PercentDecode("a+b%2B%zz%4", true), "a b+%zz%4");
    EXPECT_EQ(PercentDecode("a+b", false), "a+b");
}

TEST(Encoding, HtmlEscape_EscapesTheFourCharacters)
{
    std::string out;
    AppendHtmlEscaped(out, "a&b<c>d\"e'");
    EXPECT_EQ(out, "a&amp;b&lt;c&gt;d&quot;e'");
}

TEST(Corpus, NewsCategoryName_ConvertsToTheBytesThePluginDrops)
{
    ASSERT_TRUE(PrepareCorpus(nullptr));
    EXPECT_EQ(EucToSjis(GetCorpus().page.news),
              "\x83\x6a\x83\x85\x81\x5b\x83\x58\x81\x41\x8e\x9e\x8e\x96\x96\xe2\x91\xe8");
    for (const std::string &name : GetCorpus().atNames)
        EXPECT_NE(name.find('@'), std::string::npos);
}

TEST(Numbers, ParseDecimal_ReadsLeadingDigitsAndRefusesOverflow)
{
    EXPECT_EQ(ParseDecimal("123abc"), 123);
    EXPECT_FALSE(ParseDecimal("-1"));
    EXPECT_FALSE(ParseDecimal(""));
    EXPECT_FALSE(ParseDecimal("99999999999999999999"));
}

} // namespace
