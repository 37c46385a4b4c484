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

ReferenceScanner::ReferenceScanner(std::string_view text) : m_text(text), m_raw(text.find(kRawMarker)) {}

std::optional<Reference> ReferenceScanner::next(std::size_t from)
{
    // The text is only ever read further on, so once no ">>" remains none will, and a found
    // position stays valid until the reading moves past it.
    if (m_raw != std::string_view::npos && m_raw < from)
        m_raw = m_text.find(kRawMarker, from);
    Reference ref;
    if (m_raw != std::string_view::npos) {
        ref.at = m_raw;
        ref.marker = kRawMarker;
    } else {
        ref.at = m_text.find(kEscapedMarker, from);
        if (ref.at == std::string_view::npos)
            return std::nullopt;
        ref.marker = kEscapedMarker;
    }
    const std::size_t r = ref.at + ref.marker.size();
    std::size_t d = r;
    while (d < m_text.size() && IsDigit(m_text[d]))
        ++d;
    ref.digits = m_text.substr(r, d - r);
    return ref;
}

std::string LinkReferences(std::string_view text, std::string_view linkBase)
{
    std::string out;
    out.reserve(text.size() + 64);
    std::size_t w = 0; // start of what remains
    ReferenceScanner scanner(text);
    while (w < text.size()) {
        const std::optional<Reference> ref = scanner.next(w);
        if (!ref)
            break;
        out.append(text, w, ref->at - w);
        if (!ref->digits.empty()) {
            out += "<a href=\"";
            out += linkBase;
            out += ref->digits;
            out += "\">";
            out += ref->marker;
            out += ref->digits;
            out += "</a>";
        } else {
            out += ref->marker;
        }
        w = ref->end();
    }
    if (w < text.size())
        out.append(text, w);
    return out;
}

std::vector<int> ReferencedNumbers(std::string_view text)
{
    std::vector<int> numbers;
    ReferenceScanner scanner(text);
    for (std::size_t w = 0; w < text.size();) {
        const std::optional<Reference> ref = scanner.next(w);
        if (!ref)
            break;
        // Digits too many for a number link to nothing that can be held: they are no answer.
        if (const int n = base::ParseInt(ref->digits, 0); n > 0)
            numbers.push_back(n);
        w = ref->end();
    }
    return numbers;
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

std::string PopupText(std::string_view line, const settings::NgLists &ng, bool hidden)
{
    const store::LogFields f = store::SplitLogLine(line);
    std::string out;
    out.reserve(line.size() + 64);
    out += f.number;
    out += ' ';
    const int reply = base::ParseInt(f.replyTo, 0);
    out += kPosterLabel;
    const bool ngName = hidden || ng.names.contains(f.author);
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
