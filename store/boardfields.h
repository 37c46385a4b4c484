// Field helpers shared by the store's line formats and the fixed-size plug-in records.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"

namespace store {

/// Appends text as one field of a tab-separated line: a tab or a line break inside it would
/// shift the fields or split the line, so each becomes a blank.
inline void AppendFieldText(std::string &out, std::string_view text)
{
    for (char c : text)
        out += (c == '\t' || c == '\r' || c == '\n') ? ' ' : c;
}

/// The text of a zero-terminated record field, never reading past the field, so that a record
/// a plug-in left unterminated is cut at its end.
template <std::size_t N>
std::string_view FieldText(const char (&field)[N])
{
    return std::string_view(field, strnlen(field, N));
}

/// Copies text into a record field, cut on a Shift_JIS character boundary so that it fits with
/// its terminator.
template <std::size_t N>
void SetFieldText(char (&field)[N], std::string_view text)
{
    auto cut = base::CutSjis(text, N - 1);
    if (!cut.empty())
        std::memcpy(field, cut.data(), cut.size());
    field[cut.size()] = '\0';
}

/// The i-th tab-separated field (0-based) of line, or empty when the line has fewer fields.
inline std::string_view TabField(std::string_view line, std::size_t index)
{
    std::size_t start = 0;
    for (std::size_t i = 0; i < index; ++i) {
        auto tab = line.find('\t', start);
        if (tab == std::string_view::npos)
            return {};
        start = tab + 1;
    }
    auto end = line.find('\t', start);
    return line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

} // namespace store
