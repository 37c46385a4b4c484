// Conversion of the board pages' EUC-JP text to the Shift_JIS the program stores.
#pragma once

#include <cstddef>
#include <string_view>

namespace hakobune {

/// Converts EUC-JP text to Shift_JIS into destination, writing at most capacity bytes. The
/// source ends at its end or at its first zero byte; the terminator is written only when it fits
/// within capacity. JIS X 0212 characters become the ideographic space, half-width katakana keep
/// their one byte. Conversion stops, leaving what was converted so far without a terminator,
/// at a byte that is not EUC-JP or when the next character would not fit; a character is never
/// split, so a capacity below the destination's size cuts on a Shift_JIS character boundary.
/// Returns the number of bytes written without the terminator, or -1 when it stopped at a byte
/// that is not EUC-JP.
int EucToSjis(std::string_view source, char *destination, std::size_t capacity);

/// True when c is the first byte of a double-byte Shift_JIS (CP932) character.
constexpr bool IsSjisLeadByte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

/// The length of the longest prefix of text of at most maxBytes bytes that does not split a
/// double-byte Shift_JIS character.
std::size_t SjisPrefixLength(std::string_view text, std::size_t maxBytes);

} // namespace hakobune
