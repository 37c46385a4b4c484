// Byte-level text helpers of the board server: the three encodings it meets, URL and HTML escaping.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace boardserver {

/// UTF-8 to EUC-JP (JIS X 0208, half-width katakana as 0x8E pairs, JIS X 0212 as 0x8F triples).
/// Used once per literal at start-up; nullopt when a character has no EUC-JP form or the
/// conversion is not available.
std::optional<std::string> Utf8ToEucJp(std::string_view utf8);

/// EUC-JP to Shift_JIS exactly as the site plug-in converts page text: JIS X 0208 by the standard
/// row and cell arithmetic, half-width katakana to single bytes, JIS X 0212 to the ideographic
/// space, and the conversion stops at the first byte sequence that is not EUC-JP.
std::string EucToSjis(std::string_view euc);

/// Length in bytes of EucToSjis(euc), without building it.
std::size_t SjisLengthOfEuc(std::string_view euc);

/// Shift_JIS (CP932) to EUC-JP, for text that arrives in posts. Characters of the rows that
/// EUC-JP cannot hold (lead bytes 0xF0 to 0xFC) become the geta mark; a stray byte becomes "?".
std::string SjisToEuc(std::string_view sjis);

/// Percent-decoding of a query value; "+" becomes a space when plusIsSpace. A "%" that is not
/// followed by two hexadecimal digits is kept as it stands.
std::string PercentDecode(std::string_view text, bool plusIsSpace);

/// The program's UrlEncode of post texts: A-Z a-z 0-9 @ ! $ ' ( ) * - . _ stay, a space becomes
/// "+", every other byte "%xx" in lower-case hexadecimal.
std::string UrlEncode(std::string_view bytes);

/// Escapes the four characters that HTML text may not hold raw: & < > and the double quote.
void AppendHtmlEscaped(std::string &out, std::string_view text);

/// Lower-case hexadecimal of the bytes.
std::string HexLower(std::string_view bytes);

/// ASCII-only case-insensitive equality.
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);

/// The decimal number at the start of text (no sign); nullopt when there is none or it overflows.
std::optional<long long> ParseDecimal(std::string_view text);

} // namespace boardserver
