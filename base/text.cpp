// Number parsing, URL parameters and Shift_JIS-aware comparison.
#include "base/text.h"

#include <charconv>
#include <limits>

namespace base {

int ParseInt(std::string_view text, int fallback)
{
    auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return fallback;
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    if (error != std::errc() || end != text.data() + text.size())
        return fallback;
    return value;
}

std::optional<std::string> ExtractUrlParam(std::string_view name, std::string_view url)
{
    if (name.empty())
        return std::nullopt;
    auto at = url.find(name);
    if (at == std::string_view::npos)
        return std::nullopt;
    auto value = url.substr(at + name.size());
    return std::string(value.substr(0, value.find('&')));
}

std::string_view CutSjis(std::string_view text, std::size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return text;
    std::size_t i = 0;
    while (i < maxBytes) {
        std::size_t width = IsSjisLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
        if (i + width > maxBytes)
            break;
        i += width;
    }
    return text.substr(0, i);
}

namespace {

// One character of a Shift_JIS text as a comparable code: a single byte, or lead << 8 | trail.
// Letters are folded to upper case: ASCII a-z, and full-width ａ-ｚ (0x8281-0x829A) onto
// Ａ-Ｚ (0x8260-0x8279).
unsigned foldedChar(std::string_view text, std::size_t &i)
{
    auto c = static_cast<unsigned char>(text[i++]);
    if (IsSjisLeadByte(c) && i < text.size()) {
        unsigned code = (c << 8) | static_cast<unsigned char>(text[i++]);
        if (code >= 0x8281 && code <= 0x829A)
            code -= 0x21;
        return code;
    }
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 'A';
    return c;
}

} // namespace

int CompareTextNoCase(std::string_view a, std::string_view b)
{
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        unsigned ca = foldedChar(a, i);
        unsigned cb = foldedChar(b, j);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
}

} // namespace base
