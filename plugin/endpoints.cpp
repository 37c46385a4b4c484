// Endpoint defaults and the [endpoint] section of the plug-in's settings file.
#include "plugin/endpoints.h"

#include <cstring>

namespace hakobune {

namespace {

std::string_view trim(std::string_view s)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

/// Stores value as a base URL when it fits with its final "/"; otherwise keeps the default.
void setBaseUrl(char (&field)[256], std::string_view value)
{
    if (value.empty())
        return;
    const bool needsSlash = value.back() != '/';
    if (value.size() + (needsSlash ? 1 : 0) > sizeof field - 1)
        return;
    std::memset(field, 0, sizeof field);
    std::memcpy(field, value.data(), value.size());
    if (needsSlash)
        field[value.size()] = '/';
}

} // namespace

Endpoints DefaultEndpoints()
{
    Endpoints e{};
    std::memcpy(e.board, kDefaultBoardUrl, sizeof kDefaultBoardUrl);
    std::memcpy(e.profile, kDefaultProfileUrl, sizeof kDefaultProfileUrl);
    return e;
}

Endpoints ParseEndpointIni(std::string_view text)
{
    Endpoints e = DefaultEndpoints();
    bool inSection = false;
    while (!text.empty()) {
        const std::size_t eol = text.find_first_of("\r\n");
        std::string_view line = trim(text.substr(0, eol));
        text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);

        if (line.empty() || line.front() == ';' || line.front() == '#')
            continue;
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            inSection = close != std::string_view::npos && equalsNoCase(trim(line.substr(1, close - 1)), "endpoint");
            continue;
        }
        const std::size_t eq = line.find('=');
        if (!inSection || eq == std::string_view::npos)
            continue;
        const std::string_view key = trim(line.substr(0, eq));
        const std::string_view value = trim(line.substr(eq + 1));
        if (equalsNoCase(key, "board"))
            setBaseUrl(e.board, value);
        else if (equalsNoCase(key, "profile"))
            setBaseUrl(e.profile, value);
    }
    return e;
}

} // namespace hakobune
