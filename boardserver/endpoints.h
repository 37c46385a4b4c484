// The host names the server answers for, one per endpoint role of the service.
#pragma once

#include <string>

namespace boardserver {

/// The servers of the service that this one stands in for. Every base URL ends with "/".
struct Endpoints {
    std::string boardHost = "messages.yahoo.co.jp";
    std::string postHost = "post.messages.yahoo.co.jp";
    std::string loginHost = "login.yahoo.co.jp";
    std::string profileHost = "profiles.yahoo.co.jp";
    std::string domain = "yahoo.co.jp"; ///< the cookies' domain

    std::string boardBase() const { return "http://" + boardHost + "/"; }
    std::string postBase() const { return "http://" + postHost + "/"; }
    std::string loginBase() const { return "http://" + loginHost + "/"; }
    std::string profileBase() const { return "http://" + profileHost + "/"; }
    /// Where a successful login redirects; the program compares it exactly.
    std::string verifyUrl() const { return loginBase() + "config/verify"; }
};

} // namespace boardserver
