// Fault rules and what they do to a response.
#include "boardserver/faults.h"

#include "boardserver/text.h"

namespace boardserver {

namespace {

bool ParseNumber(std::string_view text, long long low, long long high, long long &out)
{
    const auto value = ParseDecimal(text);
    if (!value || std::to_string(*value).size() != text.size() || *value < low || *value > high)
        return false;
    out = *value;
    return true;
}

// The byte offset of the first multi-byte EUC-JP character at or after the middle of the body,
// found along character boundaries; the boundary at the middle when no such character follows.
std::size_t FaultPosition(const std::string &body)
{
    const std::size_t middle = body.size() / 2;
    std::size_t i = 0;
    auto step = [&](std::size_t at) -> std::size_t {
        const auto c = static_cast<unsigned char>(body[at]);
        return c == 0x8F ? 3 : (c >= 0x80 ? 2 : 1);
    };
    while (i < middle)
        i += step(i);
    if (i > body.size())
        i = body.size();
    const std::size_t boundary = i;
    while (i < body.size()) {
        if (static_cast<unsigned char>(body[i]) >= 0x80)
            return i;
        i += step(i);
    }
    return boundary;
}

} // namespace

bool GlobMatch(std::string_view pattern, std::string_view text)
{
    std::size_t p = 0, t = 0;
    std::size_t starP = std::string_view::npos, starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starT = t;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

bool FaultSet::add(std::string_view spec, std::string *error)
{
    auto fail = [&](const std::string &why) {
        if (error)
            *error = why + ": " + std::string(spec);
        return false;
    };
    Rule rule;
    std::string_view rest = spec;
    if (const std::size_t hash = rest.rfind('#'); hash != std::string_view::npos) {
        if (!ParseNumber(rest.substr(hash + 1), 1, 1LL << 40, rule.remaining))
            return fail("the count after \"#\" must be a positive number");
        rest = rest.substr(0, hash);
    }
    if (const std::size_t at = rest.find('@'); at != std::string_view::npos) {
        rule.pattern = std::string(rest.substr(at + 1));
        if (rule.pattern.empty())
            return fail("empty pattern after \"@\"");
        rest = rest.substr(0, at);
    }
    const std::size_t eq = rest.find('=');
    const std::string_view mode = rest.substr(0, eq);
    const std::string_view arg = eq == std::string_view::npos ? std::string_view() : rest.substr(eq + 1);
    const bool hasArg = eq != std::string_view::npos;
    if (mode == "delay") {
        rule.mode = Mode::Delay;
        if (!ParseNumber(arg, 0, 600000, rule.a))
            return fail("delay=MS needs milliseconds (up to 600000)");
    } else if (mode == "silent") {
        rule.mode = Mode::Silent;
        if (hasArg)
            return fail("silent takes no value");
    } else if (mode == "cut") {
        rule.mode = Mode::Cut;
        rule.a = -1;
        if (hasArg && !ParseNumber(arg, 0, 1 << 20, rule.a))
            return fail("cut=BYTES needs a byte count");
    } else if (mode == "short") {
        rule.mode = Mode::Short;
        rule.a = 50;
        if (hasArg && !ParseNumber(arg, 0, 99, rule.a))
            return fail("short=PERCENT needs a share of the body from 0 to 99");
    } else if (mode == "trickle") {
        rule.mode = Mode::Trickle;
        const std::size_t slash = arg.find('/');
        if (slash == std::string_view::npos || !ParseNumber(arg.substr(0, slash), 1, 1 << 24, rule.a) ||
            !ParseNumber(arg.substr(slash + 1), 0, 60000, rule.b))
            return fail("trickle=BYTES/MS needs a byte count and milliseconds");
    } else if (mode == "drop") {
        rule.mode = Mode::Drop;
        rule.a = 100;
        if (hasArg && !ParseNumber(arg, 0, 100, rule.a))
            return fail("drop=PERCENT needs a share from 0 to 100");
    } else if (mode == "status") {
        rule.mode = Mode::Status;
        if (!ParseNumber(arg, 100, 599, rule.a))
            return fail("status=CODE needs a status from 100 to 599");
    } else if (mode == "huge") {
        rule.mode = Mode::Huge;
        rule.a = static_cast<long long>(kDefaultHugeBytes);
        if (hasArg && !ParseNumber(arg, 1, 1LL << 28, rule.a))
            return fail("huge=BYTES needs a size up to 256 MB");
    } else if (mode == "nul") {
        rule.mode = Mode::Nul;
    } else if (mode == "badeuc") {
        rule.mode = Mode::BadEuc;
    } else {
        return fail("unknown fault (delay, silent, cut, short, trickle, drop, status, huge, nul, badeuc)");
    }
    if ((rule.mode == Mode::Nul || rule.mode == Mode::BadEuc) && hasArg)
        return fail("this fault takes no value");
    m_rules.push_back(std::move(rule));
    return true;
}

FaultPlan FaultSet::plan(std::string_view url)
{
    FaultPlan plan;
    for (Rule &rule : m_rules) {
        if (rule.remaining == 0)
            continue;
        if (!rule.pattern.empty() && !GlobMatch(rule.pattern, url))
            continue;
        const std::uint64_t k = rule.matched++;
        if (rule.remaining > 0)
            --rule.remaining;
        switch (rule.mode) {
        case Mode::Delay:
            plan.delayMs += static_cast<int>(rule.a);
            break;
        case Mode::Silent:
            plan.silent = true;
            break;
        case Mode::Cut:
            plan.cutBytes = static_cast<int>(rule.a);
            if (plan.cutBytes < 0)
                plan.cutBytes = 0x7FFFFFFF; // half of the head, decided when the head exists
            break;
        case Mode::Short:
            plan.shortPercent = static_cast<int>(rule.a);
            break;
        case Mode::Trickle:
            plan.trickleBytes = static_cast<int>(rule.a);
            plan.trickleMs = static_cast<int>(rule.b);
            break;
        case Mode::Drop: {
            const auto p = static_cast<std::uint64_t>(rule.a);
            if ((k + 1) * p / 100 > k * p / 100)
                plan.drop = true;
            break;
        }
        case Mode::Status:
            plan.status = static_cast<int>(rule.a);
            break;
        case Mode::Huge:
            plan.hugeBytes = static_cast<std::size_t>(rule.a);
            break;
        case Mode::Nul:
            plan.nul = true;
            break;
        case Mode::BadEuc:
            plan.badEuc = true;
            break;
        }
    }
    return plan;
}

void ApplyBodyFaults(const FaultPlan &plan, std::string &body)
{
    if (plan.badEuc || plan.nul) {
        const std::size_t at = FaultPosition(body);
        if (plan.badEuc)
            body.insert(at, "\x80\xFF\x8E\x41");
        if (plan.nul)
            body.insert(at, std::string(4, '\0'));
    }
    if (plan.hugeBytes > body.size()) {
        // An HTML comment of filler lines, so that the page itself still reads as before.
        std::size_t room = plan.hugeBytes - body.size();
        if (room < 9) {
            body.append(room, ' ');
            return;
        }
        body += "\n<!--";
        room -= 9;
        static const std::string kLine = "0123456789abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ\n";
        body.reserve(plan.hugeBytes);
        while (room >= kLine.size()) {
            body += kLine;
            room -= kLine.size();
        }
        body.append(room, '.');
        body += "-->\n";
    }
}

} // namespace boardserver
