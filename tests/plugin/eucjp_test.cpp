// The EUC-JP to Shift_JIS conversion, against the C library's converters and by its rules.
#include <iconv.h>

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "plugin/eucjp.h"

namespace {

using hakobune::EucToSjis;

// A byte no conversion below produces, marking what was not written.
constexpr char kUntouched = '\xee';

/// Converts through the C library; empty when it cannot.
std::string iconvConvert(const std::string &text, const char *from, const char *to)
{
    iconv_t cd = ::iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return {};
    std::string in = text;
    std::string out(16, '\0');
    char *src = in.data();
    char *dst = out.data();
    std::size_t srcLeft = in.size();
    std::size_t dstLeft = out.size();
    const std::size_t rc = ::iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    ::iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1) || srcLeft)
        return {};
    out.resize(out.size() - dstLeft);
    return out;
}

std::string convert(const std::string &euc, std::size_t capacity, int *result = nullptr)
{
    char out[64];
    std::memset(out, kUntouched, sizeof out);
    const int r = EucToSjis(euc, out, capacity);
    if (result)
        *result = r;
    // What was written: up to the terminator, or up to the first untouched byte.
    std::size_t n = 0;
    while (n < sizeof out && out[n] != '\0' && out[n] != kUntouched)
        ++n;
    return std::string(out, n);
}

TEST(EucToSjis, EveryJisX0208CharacterMatchesTheCLibrary)
{
    // glibc's EUC-JP decoder and CP932 encoder are an independent route through Unicode;
    // characters that either side cannot map are left out, the rest must agree byte for byte.
    int compared = 0;
    for (int row = 0xA1; row <= 0xFE; ++row) {
        for (int cell = 0xA1; cell <= 0xFE; ++cell) {
            const std::string euc{static_cast<char>(row), static_cast<char>(cell)};
            const std::string unicode = iconvConvert(euc, "EUC-JP", "UTF-8");
            if (unicode.empty())
                continue;
            const std::string expected = iconvConvert(unicode, "UTF-8", "CP932");
            if (expected.size() != 2)
                continue;
            ++compared;
            char out[3] = {};
            ASSERT_EQ(EucToSjis(euc, out, 2), 2);
            ASSERT_EQ(std::string(out, 2), expected) << std::hex << "EUC " << row << " " << cell;
        }
    }
    EXPECT_GT(compared, 6800) << "the C library converted too few characters to compare";
}

TEST(EucToSjis, RowsWithoutStandardCharactersUseTheSameArithmetic)
{
    // Row 9 (NEC special characters in CP932) and the last kanji of row 84.
    EXPECT_EQ(convert("\xa9\xa1", 2), "\x85\x40");
    EXPECT_EQ(convert("\xf4\xa6", 2), "\xea\xa4");
    EXPECT_EQ(convert("\xfe\xfe", 2), "\xef\xfc");
}

TEST(EucToSjis, SingleBytesHalfWidthKatakanaAndSupplementaryKanji)
{
    EXPECT_EQ(convert("abc ~\x7f", 7), std::string("abc ~\x7f"));
    // Half-width katakana keep their one byte.
    EXPECT_EQ(convert("\x8e\xb1\x8e\xdf", 4), "\xb1\xdf");
    // A JIS X 0212 character has no Shift_JIS code: the ideographic space stands for it.
    EXPECT_EQ(convert("a\x8f\xb0\xa1z", 5), "a\x81\x40z");
}

TEST(EucToSjis, StopsAtBytesThatAreNotEucJpKeepingWhatWasConverted)
{
    int result = 0;
    EXPECT_EQ(convert("ab\x80xyz", 6, &result), "ab");
    EXPECT_EQ(result, -1);
    EXPECT_EQ(convert("a\xa4\x41z", 4, &result), "a") << "a lead byte followed by ASCII";
    EXPECT_EQ(convert("a\x8e\xe0z", 4, &result), "a") << "half-width katakana out of range";
    EXPECT_EQ(convert("a\x8f\xb0\x20z", 5, &result), "a") << "JIS X 0212 with a bad third byte";
    EXPECT_EQ(convert("a\xff", 2, &result), "a");
    EXPECT_EQ(convert(std::string("a\xa4", 2), 2, &result), "a") << "a lead byte at the end";
}

TEST(EucToSjis, NeverSplitsACharacterAtTheCapacity)
{
    // "あい" is four bytes either way; with room for three only the first character is written
    // and the byte after it is left alone.
    char out[8];
    std::memset(out, kUntouched, sizeof out);
    EXPECT_EQ(EucToSjis("\xa4\xa2\xa4\xa4", out, 3), 2);
    EXPECT_EQ(std::string(out, 2), "\x82\xa0");
    EXPECT_EQ(out[2], kUntouched);

    // The terminator is written only when it fits.
    std::memset(out, kUntouched, sizeof out);
    EXPECT_EQ(EucToSjis("\xa4\xa2", out, 2), 2);
    EXPECT_EQ(out[2], kUntouched);
    EXPECT_EQ(EucToSjis("\xa4\xa2", out, 3), 2);
    EXPECT_EQ(out[2], '\0');

    // Text that shrinks (half-width katakana) is terminated within its own length.
    std::memset(out, kUntouched, sizeof out);
    EXPECT_EQ(EucToSjis("\x8e\xb1\x8e\xb2", out, 4), 2);
    EXPECT_EQ(out[2], '\0');
    EXPECT_EQ(out[3], kUntouched);

    std::memset(out, kUntouched, sizeof out);
    EXPECT_EQ(EucToSjis("abc", out, 0), 0);
    EXPECT_EQ(out[0], kUntouched) << "capacity 0 writes nothing";
}

TEST(EucToSjis, EndsAtAZeroByteInsideTheSource)
{
    EXPECT_EQ(convert(std::string("ab\0cd", 5), 5), "ab");
}

} // namespace
