// Reply links, entities, line breaks and the pop-up text of stored messages.
#include "view/texttransform.h"

#include "base/text.h"
#include "store/threadlog.h"

namespace view {

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

std::string ReplaceAll(std::string_view text, std::string_view tag, std::string_view value)
{
    if (tag.empty())
        return std::string(text);
    std::string out;
    std::size_t from = 0;
    for (std::size_t at = text.find(tag); at != std::string_view::npos; at = text.find(tag, from)) {
        if (out.empty())
            out.reserve(text.size() + value.size());
        out.append(text, from, at - from);
        out.append(value);
        from = at + tag.size();
    }
    out.append(text, from);
    return out;
}

std::string LinkReferences(std::string_view text, std::string_view linkBase)
{
    static constexpr std::string_view kRaw = ">>";
    static constexpr std::string_view kEscaped = "&gt;&gt;";
    std::string out;
    out.reserve(text.size() + 64);
    std::size_t w = 0; // start of what remains
    // Where the next ">>" stands; W only ever loses its front, so once none remains none will,
    // and a found position stays valid until W moves past it.
    std::size_t raw = text.find(kRaw);
    while (w < text.size()) {
        if (raw != std::string_view::npos && raw < w)
            raw = text.find(kRaw, w);
        std::string_view marker;
        std::size_t p;
        if (raw != std::string_view::npos) {
            marker = kRaw;
            p = raw;
        } else {
            p = text.find(kEscaped, w);
            if (p == std::string_view::npos)
                break;
            marker = kEscaped;
        }
        out.append(text, w, p - w);
        std::size_t r = p + marker.size();
        std::size_t d = r;
        while (d < text.size() && IsDigit(text[d]))
            ++d;
        if (d > r) {
            const std::string_view digits = text.substr(r, d - r);
            out += "<a href=\"";
            out += linkBase;
            out += digits;
            out += "\">";
            out += marker;
            out += digits;
            out += "</a>";
        } else {
            out += marker;
        }
        w = d;
    }
    if (w < text.size())
        out.append(text, w);
    return out;
}

std::string DecodeEntities(std::string_view text)
{
    struct Entity {
        std::string_view name;
        char value;
    };
    static constexpr Entity kEntities[] = {{"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}};
    std::string out;
    out.reserve(text.size());
    std::size_t from = 0;
    for (std::size_t amp = text.find('&'); amp != std::string_view::npos; amp = text.find('&', amp + 1)) {
        for (const Entity &e : kEntities) {
            if (text.substr(amp, e.name.size()) == e.name) {
                out.append(text, from, amp - from);
                out.push_back(e.value);
                from = amp + e.name.size();
                amp = from - 1;
                break;
            }
        }
    }
    out.append(text, from);
    return out;
}

std::string ConvertBreaks(std::string_view text, bool addSpace, BreakDirection direction)
{
    const bool from = direction == BreakDirection::FromBreaks;
    std::string value = from ? "\n" : "<br>";
    if (addSpace)
        value += ' ';
    return ReplaceAll(text, from ? "<br>" : "\n", value);
}

bool ContainsAnyEntry(std::string_view text, const base::SortedTextList &list)
{
    for (const std::string &entry : list.items()) {
        if (!entry.empty() && text.find(entry) != std::string_view::npos)
            return true;
    }
    return false;
}

std::string PopupText(std::string_view line, const settings::NgLists &ng)
{
    const store::LogFields f = store::SplitLogLine(line);
    std::string out;
    out.reserve(line.size() + 64);
    out += f.number;
    out += ' ';
    const int reply = base::ParseInt(f.replyTo, 0);
    out += kPosterLabel;
    const bool ngName = ng.names.contains(f.author);
    if (ngName) {
        out += kNgText;
    } else {
        out += f.author;
        out += ' ';
    }
    out += kPostedAtLabel;
    out += f.dateTime;
    out += "\n ";
    if (ngName)
        return out;
    if (reply != 0) {
        out += std::to_string(reply);
        out += " << ";
    }
    const bool ngTitle = ContainsAnyEntry(f.title, ng.titles);
    // The log keeps the title as the page's HTML text; the pop-up is plain text, so it shows
    // the title decoded, as the page does ("<" rather than "&lt;").
    out += ngTitle ? std::string(kNgText) : DecodeEntities(f.title);
    out += "\n\n ";
    if (ngTitle)
        return out;
    if (ContainsAnyEntry(f.body, ng.words)) {
        out += kNgText;
        return out;
    }
    out += ConvertBreaks(DecodeEntities(f.body), true, BreakDirection::FromBreaks);
    return out;
}

} // namespace view
