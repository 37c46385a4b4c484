// The cookie list kept while logged in: one text per cookie, sent back in every request.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace net {

/// The cookie texts in the order they were stored. Each is a Set-Cookie value up to its first
/// blank, such as "B=abc;".
using CookieList = std::vector<std::string>;

/// The part of a cookie text that names it: everything before the first "=" (the whole text
/// when it has none).
std::string_view CookieName(std::string_view cookie);

/// Stores a cookie the login answered with: the first stored cookie of the same name (only that
/// one) is removed, and text is appended at the end. Cookies of other names keep their places.
/// An empty text stores nothing.
void StoreCookie(CookieList &cookies, std::string_view text);

} // namespace net
