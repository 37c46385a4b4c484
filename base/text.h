// Small text helpers shared by the core libraries: numbers, URL parameters, Shift_JIS
// character boundaries and the case-insensitive comparison of list entries.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace base {

/// A decimal integer, possibly negative, with optional blanks around it. Anything else (letters,
/// an empty text, a value out of the int range) yields fallback.
int ParseInt(std::string_view text, int fallback);

/// The text after the first occurrence of name (which includes its "=", as in "board=")
/// anywhere in url, up to the next "&" or the end; nullopt when name does not occur.
std::optional<std::string> ExtractUrlParam(std::string_view name, std::string_view url);

/// True when c is the first byte of a double-byte Shift_JIS character.
constexpr bool IsSjisLeadByte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

/// The longest prefix of text of at most maxBytes bytes that does not split a double-byte
/// character.
std::string_view CutSjis(std::string_view text, std::size_t maxBytes);

/// Compares two Shift_JIS texts whole, ignoring the case of ASCII and full-width Latin letters;
/// every other byte compares exactly. Negative, zero or positive like strcmp.
int CompareTextNoCase(std::string_view a, std::string_view b);

inline bool EqualsNoCase(std::string_view a, std::string_view b)
{
    return CompareTextNoCase(a, b) == 0;
}

} // namespace base
