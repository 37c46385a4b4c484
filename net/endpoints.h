// The URLs the program fetches from the board service: each is a role's base URL (ending with
// "/") followed by a fixed path and query.
#pragma once

#include <string>
#include <string_view>

namespace net {

/// Percent-encodes a query value byte by byte: letters, digits and "@!$'()*-._" stay, a blank
/// becomes "+", every other byte becomes "%" and two lower-case hex digits.
std::string EscapeQueryValue(std::string_view value);

/// The login request: loginBase + "config/login?login=%s&passwd=%s". id and password are escaped
/// with EscapeQueryValue so that "&", "#" or "=" in them reach the server as part of the value.
std::string LoginUrl(std::string_view loginBase, std::string_view id, std::string_view password);

/// The logout request: loginBase + "config/login?logout=1".
std::string LogoutUrl(std::string_view loginBase);

/// A board's topic list: boardBase + "bbs?action=topics&board=%s&sid=%s&type=r".
std::string TopicListUrl(std::string_view boardBase, std::string_view board);

/// One message page: boardBase + "bbs?action=m&board=%s&sid=%s&tid=%s&mid=%d".
std::string MessageUrl(std::string_view boardBase, std::string_view board, std::string_view topic, int number);

/// What every message request of the topic at topicUrl begins with: the message URL of its board
/// ("board=") and topic ("tid=") up to and including "mid=". ThrStop removes the waiting
/// requests whose URL contains it.
std::string TopicRequestPrefix(std::string_view boardBase, std::string_view topicUrl);

/// The post target: postBase + "bbs?"; the post query follows it.
std::string PostUrl(std::string_view postBase);

/// The Referer header value of posts: postBase + "bbs".
std::string PostReferer(std::string_view postBase);

} // namespace net
