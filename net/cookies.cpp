// Keeping one cookie per name.
#include "net/cookies.h"

#include <algorithm>

namespace net {

std::string_view CookieName(std::string_view cookie)
{
    return cookie.substr(0, cookie.find('='));
}

void StoreCookie(CookieList &cookies, std::string_view text)
{
    if (text.empty())
        return;
    // Cookies are told apart by their whole name: telling them apart by the first character
    // alone let "B=…" replace "BX=…", and the server then lost one of its two cookies.
    std::string_view name = CookieName(text);
    auto same = std::find_if(cookies.begin(), cookies.end(),
                             [&](const std::string &stored) { return CookieName(stored) == name; });
    if (same != cookies.end())
        cookies.erase(same);
    cookies.emplace_back(text);
}

} // namespace net
