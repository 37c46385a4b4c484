// Accounts and login sessions.
#include "boardserver/accounts.h"

#include <algorithm>

namespace boardserver {

namespace {

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// The value of name= among the "&"-separated pairs of a cookie value.
std::string PairValue(std::string_view value, std::string_view name)
{
    while (!value.empty()) {
        const std::size_t amp = value.find('&');
        const std::string_view pair = value.substr(0, amp);
        if (pair.size() > name.size() && pair.substr(0, name.size()) == name && pair[name.size()] == '=')
            return std::string(pair.substr(name.size() + 1));
        if (amp == std::string_view::npos)
            break;
        value.remove_prefix(amp + 1);
    }
    return {};
}

} // namespace

Account DemoAccount()
{
    return Account{"nekodemo", "nekopass", {"nekodemo", "neko_writer"}};
}

bool ParseAccount(std::string_view spec, Account &out, std::string *error)
{
    auto fail = [&](const char *why) {
        if (error)
            *error = std::string(why) + ": " + std::string(spec);
        return false;
    };
    const std::size_t first = spec.find(':');
    if (first == std::string_view::npos || first == 0)
        return fail("an account is ID:PASSWORD[:NICK,...]");
    Account account;
    account.id = std::string(spec.substr(0, first));
    std::string_view rest = spec.substr(first + 1);
    const std::size_t last = rest.rfind(':');
    std::string_view nicks;
    if (last != std::string_view::npos) {
        account.password = std::string(rest.substr(0, last));
        nicks = rest.substr(last + 1);
    } else {
        account.password = std::string(rest);
    }
    if (account.password.empty())
        return fail("an account needs a password");
    while (!nicks.empty()) {
        const std::size_t comma = nicks.find(',');
        account.nicknames.emplace_back(nicks.substr(0, comma));
        if (comma == std::string_view::npos)
            break;
        nicks.remove_prefix(comma + 1);
    }
    if (account.nicknames.empty())
        account.nicknames.push_back(account.id);
    if (account.nicknames.size() > 10)
        return fail("at most ten nicknames");
    for (const std::string &nick : account.nicknames) {
        const bool printable = std::all_of(nick.begin(), nick.end(), [](char c) { return c > ' ' && c < 0x7F; });
        if (nick.empty() || nick.size() > 64 || !printable)
            return fail("nicknames are printable ASCII without blanks");
    }
    out = std::move(account);
    return true;
}

Sessions::Sessions(std::uint64_t seed) : m_random(seed) {}

std::string Sessions::token()
{
    static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuv";
    std::string out;
    for (int part = 0; part < 2; ++part) {
        std::uint64_t bits = m_random.next();
        for (int i = 0; i < 12; ++i, bits >>= 5)
            out.push_back(kDigits[bits & 31]);
    }
    return out;
}

SessionCookies Sessions::create(int account)
{
    std::string y = token();
    while (m_byToken.count(y))
        y = token();
    const std::string t = token();
    if (m_byToken.size() >= kMaxSessions) {
        m_byToken.erase(m_order.front());
        m_order.pop_front();
    }
    m_byToken.emplace(y, Session{account, t});
    m_order.push_back(y);
    return SessionCookies{"v=1&n=" + y + "&p=m2", "z=" + t + "&a=QAE&sk=DAA"};
}

std::pair<std::string, std::string> Sessions::tokensOf(std::string_view header)
{
    std::string y, t;
    while (!header.empty()) {
        const std::size_t semi = header.find(';');
        const std::string_view cookie = Trim(header.substr(0, semi));
        const std::size_t eq = cookie.find('=');
        if (eq != std::string_view::npos) {
            const std::string_view name = cookie.substr(0, eq);
            const std::string_view value = cookie.substr(eq + 1);
            if (name == "Y" && y.empty())
                y = PairValue(value, "n");
            else if (name == "T" && t.empty())
                t = PairValue(value, "z");
        }
        if (semi == std::string_view::npos)
            break;
        header.remove_prefix(semi + 1);
    }
    return {y, t};
}

int Sessions::find(std::string_view cookieHeader) const
{
    const auto [y, t] = tokensOf(cookieHeader);
    if (y.empty() || t.empty())
        return -1;
    auto it = m_byToken.find(y);
    return it != m_byToken.end() && it->second.tToken == t ? it->second.account : -1;
}

void Sessions::remove(std::string_view cookieHeader)
{
    const auto [y, t] = tokensOf(cookieHeader);
    auto it = m_byToken.find(y);
    if (it == m_byToken.end() || it->second.tToken != t)
        return;
    m_byToken.erase(it);
    m_order.erase(std::find(m_order.begin(), m_order.end(), y));
}

} // namespace boardserver
