// Accounts with their nicknames, and the login sessions their cookies name.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "boardserver/dataset.h"

namespace boardserver {

struct Account {
    std::string id;
    std::string password;
    std::vector<std::string> nicknames; ///< ASCII; the post form offers them in this order
};

/// The account every server has unless told otherwise; --help prints it.
Account DemoAccount();

/// Parses "ID:PASSWORD[:NICK,NICK...]" (the password may hold ":"; without nicknames the id is
/// the one nickname). Nicknames must be printable ASCII without blanks, at most ten of them.
bool ParseAccount(std::string_view spec, Account &out, std::string *error);

/// The two cookies of a login.
struct SessionCookies {
    std::string y; ///< the value of the "Y" cookie
    std::string t; ///< the value of the "T" cookie
};

/// Login sessions in memory, oldest dropped beyond a bound. A restart forgets them, as a real
/// service forgets sessions it has expired: the user logs in again.
class Sessions {
public:
    explicit Sessions(std::uint64_t seed);

    SessionCookies create(int account);
    /// The account whose session the Cookie header names (both cookies must match), or -1.
    int find(std::string_view cookieHeader) const;
    /// Ends the session the Cookie header names, if any.
    void remove(std::string_view cookieHeader);
    std::size_t size() const { return m_byToken.size(); }

    static constexpr std::size_t kMaxSessions = 10000;

private:
    struct Session {
        int account;
        std::string tToken;
    };
    std::string token();
    /// The Y token and T token a Cookie header carries (empty when absent).
    static std::pair<std::string, std::string> tokensOf(std::string_view cookieHeader);

    Random m_random;
    std::unordered_map<std::string, Session> m_byToken;
    std::deque<std::string> m_order;
};

} // namespace boardserver
