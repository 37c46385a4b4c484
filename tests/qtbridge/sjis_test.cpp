#include "qtbridge/sjis.h"

#include <gtest/gtest.h>

#include "settings/settings.h"

namespace {

using qtbridge::FromSjis;
using qtbridge::ToSjis;

void expectRoundTrip(const char *utf8, std::string_view sjis)
{
    QString text = QString::fromUtf8(utf8);
    EXPECT_EQ(ToSjis(text), sjis) << utf8;
    EXPECT_EQ(FromSjis(sjis), text) << utf8;
}

TEST(Sjis, Jisx0208RoundTrips)
{
    expectRoundTrip("あ", "\x82\xa0");
    expectRoundTrip("表示", "\x95\x5c\x8e\xa6"); // trail byte 0x5C
    expectRoundTrip("ソ", "\x83\x5c");
    expectRoundTrip("掲示板", "\x8c\x66\x8e\xa6\x94\xc2");
    expectRoundTrip("～", "\x81\x60"); // FULLWIDTH TILDE is what CP932 decodes 0x8160 to
}

TEST(Sjis, NecAndIbmExtensionsRoundTrip)
{
    expectRoundTrip("①", "\x87\x40");   // NEC row 13
    expectRoundTrip("㈱", "\x87\x8a");
    expectRoundTrip("Ⅰ", "\x87\x54");
    expectRoundTrip("髙", "\xfb\xfc");   // IBM extension
    expectRoundTrip("﨑", "\xfa\xb1");
    expectRoundTrip("ⅰ", "\xfa\x40");
}

TEST(Sjis, HalfWidthKatakanaAndBackslash)
{
    expectRoundTrip("ｱｲｳ", "\xb1\xb2\xb3");
    expectRoundTrip("C:\\dir", "C:\\dir");
    EXPECT_EQ(FromSjis("\x5c"), QString(u'\\')) << "0x5C is a backslash, not a yen sign";
}

TEST(Sjis, LookAlikesAreWrittenForCharactersWithoutACode)
{
    EXPECT_EQ(ToSjis(QString(QChar(0x301C))), "\x81\x60") << "wave dash";
    EXPECT_EQ(ToSjis(QString(QChar(0x00A5))), "\x5c") << "yen sign";
    EXPECT_EQ(ToSjis(QString(QChar(0x2212))), "\x81\x7c") << "minus sign";
}

TEST(Sjis, InvalidBytesDoNotVanish)
{
    QString text = FromSjis("a\x82z\xa0\xff");
    EXPECT_TRUE(text.startsWith(u'a'));
    EXPECT_TRUE(text.contains(QChar(0xFFFD)));
}

TEST(Sjis, StoredLiteralsHaveTheirShiftJisBytes)
{
    EXPECT_EQ(qtbridge::Sjis("ＭＳ Ｐゴシック"), settings::kDefaultFontName);
}

TEST(Sjis, ALogPathShowsItsFolderAsTheFileSystemNamesItAndTheBoardFoldersAsShiftJis)
{
    const std::string root = "/home/ユーザー/ログ";
    const std::string path = root + "/" + qtbridge::Sjis("ビジネスと経済/大阪愛好会") + "/1.dat";
    EXPECT_EQ(qtbridge::FromLogPath(path, root), QString::fromUtf8("/home/ユーザー/ログ/ビジネスと経済/大阪愛好会/1.dat"));
    // Elsewhere the whole path is Shift_JIS names.
    EXPECT_EQ(qtbridge::FromLogPath(qtbridge::Sjis("経済/1.dat"), root), QString::fromUtf8("経済/1.dat"));
}

} // namespace
