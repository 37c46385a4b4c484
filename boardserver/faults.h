// Fault injection: rules that make answers slow, silent, cut short, huge or broken, for every
// request or for the URLs that match a pattern.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace boardserver {

/// What the server does to one connection: the sum of every rule that matched its URL.
struct FaultPlan {
    int delayMs = 0;          ///< wait this long before the first byte of the answer
    bool silent = false;      ///< never answer; close when the client does
    int cutBytes = -1;        ///< send only this many bytes of the head, then close (-1: off)
    int shortPercent = -1;    ///< send the whole head and this share of the body, then close (-1: off)
    int trickleBytes = 0;     ///< send this many bytes ...
    int trickleMs = 0;        ///< ... every this many milliseconds
    bool drop = false;        ///< close at once without an answer
    int status = 0;           ///< answer with this status and an error page instead
    std::size_t hugeBytes = 0; ///< pad the body to this size
    bool nul = false;         ///< NUL bytes in the middle of the body
    bool badEuc = false;      ///< bytes that are not EUC-JP in the middle of the body

    bool any() const
    {
        return delayMs || silent || cutBytes >= 0 || shortPercent >= 0 || trickleBytes || drop || status || hugeBytes || nul || badEuc;
    }
};

/// The rules in force. A rule is written MODE[=ARG][@PATTERN][#COUNT]:
///   delay=MS  silent  cut[=BYTES]  short[=PERCENT]  trickle=BYTES/MS  drop=PERCENT  status=CODE
///   huge[=BYTES]  nul  badeuc
/// short closes the connection in the middle of the body (half of it by default), after a head
/// that announced the whole length.
/// PATTERN is a glob ("*" any text, "?" one character) matched against the whole absolute URL
/// ("http://host/path?query"); without it the rule matches every request. COUNT limits the rule
/// to the first COUNT requests it matches. drop=PERCENT drops exactly that share of the
/// matching requests, spread evenly.
class FaultSet {
public:
    /// Adds a rule; false with the reason when the text is not a rule.
    bool add(std::string_view spec, std::string *error);
    void clear() { m_rules.clear(); }
    bool empty() const { return m_rules.empty(); }
    /// The plan for a request to url; counts the request against the rules it matches.
    FaultPlan plan(std::string_view url);

    static constexpr std::size_t kDefaultHugeBytes = 10 * 1024 * 1024;

private:
    enum class Mode { Delay, Silent, Cut, Short, Trickle, Drop, Status, Huge, Nul, BadEuc };
    struct Rule {
        Mode mode;
        long long a = 0;
        long long b = 0;
        std::string pattern;
        long long remaining = -1;
        std::uint64_t matched = 0;
    };
    std::vector<Rule> m_rules;
};

/// Glob match of text against pattern: "*" any run of characters, "?" any one character.
bool GlobMatch(std::string_view pattern, std::string_view text);

/// Applies the plan's changes of content to a response body: padding to hugeBytes, NUL bytes or
/// invalid EUC-JP bytes placed at the first multi-byte character from the middle on.
void ApplyBodyFaults(const FaultPlan &plan, std::string &body);

} // namespace boardserver
