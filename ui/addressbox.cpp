// The address box's rules.
#include "ui/addressbox.h"

#include <cctype>

namespace ui {

namespace {

bool startsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i])
            return false;
    return true;
}

} // namespace

std::string AddressOfList(std::string_view listUrl)
{
    if (listUrl.empty() || listUrl.front() == ':')
        return {};
    return std::string(listUrl);
}

bool AddressAccepted(std::string_view text, store::OpenMode mode)
{
    if (text.empty())
        return true;
    // A web address needs a host after the scheme.
    for (std::string_view scheme : {std::string_view("http://"), std::string_view("https://")})
        if (startsWithNoCase(text, scheme) && text.size() > scheme.size())
            return true;
    return mode != store::OpenMode::Browser && text.find("action=") != std::string_view::npos;
}

} // namespace ui
