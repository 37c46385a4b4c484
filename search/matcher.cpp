// The plain-text matcher, the rules every match keeps, and the excerpts of matches.
#include "search/matcher.h"

#include "base/text.h"
#include "search/sjisfold.h"

#include <cstdint>
#include <cstring>

namespace search {

namespace {

constexpr std::size_t kNone = std::string_view::npos;
constexpr int kLastTabField = static_cast<int>(LogField::Body);

bool IsEntityNameChar(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '#';
}

std::size_t CharWidth(std::string_view text, std::size_t i)
{
    return base::IsSjisLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
}

// Where markup stands while a field is read from its start: inside a tag after "<" until ">",
// inside an entity name after "&" until ";" or a character that cannot be in a name.
struct MarkupState {
    bool inTag = false;
    bool inEntity = false;

    bool inside() const { return inTag || inEntity; }

    /// Takes one single-byte character (double-byte characters only end an entity name).
    void take(unsigned char c)
    {
        if (inTag) {
            if (c == '>')
                inTag = false;
            return;
        }
        if (inEntity && (c == ';' || !IsEntityNameChar(c)))
            inEntity = false;
        if (c == '<')
            inTag = true;
        else if (c == '&')
            inEntity = true;
        else if (c == ';')
            inEntity = false;
    }
    void reset() { inTag = inEntity = false; }
};

std::size_t Find(std::string_view text, std::string_view pattern, std::size_t from)
{
    if (from >= text.size() || pattern.size() > text.size() - from)
        return kNone;
    const void *at = ::memmem(text.data() + from, text.size() - from, pattern.data(), pattern.size());
    return at ? static_cast<std::size_t>(static_cast<const char *>(at) - text.data()) : kNone;
}

// The bounds of the field that holds pos.
struct FieldBounds {
    std::size_t start = 0;
    std::size_t end = 0;
};

FieldBounds FieldAround(std::string_view line, std::size_t pos)
{
    FieldBounds b{0, line.size()};
    int field = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] != '\t' || field >= kLastTabField)
            continue;
        if (i >= pos) {
            b.end = i;
            return b;
        }
        ++field;
        b.start = i + 1;
    }
    return b;
}

} // namespace

std::string_view Matcher::prepare(std::string_view text, std::string &) const
{
    return text;
}

std::size_t Matcher::nextCandidate(std::string_view prepared, std::size_t from) const
{
    return from < prepared.size() ? from : kNone;
}

MatchPlace PlaceOf(std::string_view line, Span span)
{
    MatchPlace place;
    const std::size_t end = span.pos + span.length;
    int field = 0;
    MarkupState markup;
    std::size_t i = 0;
    while (i < line.size() && i <= end) {
        if (i == span.pos) {
            place.startsChar = true;
            place.field = static_cast<LogField>(field);
            place.inMarkup = markup.inside();
        }
        if (i == end) {
            place.endsChar = true;
            break;
        }
        const std::size_t width = CharWidth(line, i);
        if (width == 1) {
            const auto c = static_cast<unsigned char>(line[i]);
            if (c == '\t' && field < kLastTabField) {
                if (i >= span.pos && place.startsChar)
                    place.crossesField = true;
                ++field;
                markup.reset();
            } else {
                markup.take(c);
            }
        } else {
            markup.inEntity = false;
        }
        i += width;
    }
    if (i == end && end == line.size())
        place.endsChar = true;
    return place;
}

bool IsWholeMatch(std::string_view line, Span span)
{
    if (span.length == 0 || span.pos + span.length > line.size())
        return false;
    const MatchPlace place = PlaceOf(line, span);
    return place.startsChar && place.endsChar && !place.crossesField && !place.inMarkup &&
           place.field >= LogField::DateTime;
}

namespace {

// A byte of a LineMap: its field in the low three bits, then these.
constexpr unsigned char kFieldMask = 0x07;
constexpr unsigned char kCharStart = 0x08;
constexpr unsigned char kInMarkup = 0x10;  ///< a character that begins inside markup
constexpr unsigned char kSeparator = 0x20; ///< a tab that ends a field

} // namespace

void LineMap::read(std::string_view line)
{
    m_info.assign(line.size(), 0);
    int field = 0;
    MarkupState markup;
    std::size_t i = 0;
    while (i < line.size()) {
        const std::size_t width = CharWidth(line, i);
        unsigned char info = static_cast<unsigned char>(field) | kCharStart | (markup.inside() ? kInMarkup : 0);
        if (width == 1) {
            const auto c = static_cast<unsigned char>(line[i]);
            if (c == '\t' && field < kLastTabField) {
                info |= kSeparator;
                ++field;
                markup.reset();
            } else {
                markup.take(c);
            }
        } else {
            markup.inEntity = false;
        }
        m_info[i] = info;
        if (width == 2)
            m_info[i + 1] = static_cast<unsigned char>(info & kFieldMask);
        i += width;
    }
}

bool LineMap::isWholeMatch(Span span) const
{
    const std::size_t n = m_info.size();
    if (span.length == 0 || span.pos >= n || span.length > n - span.pos)
        return false;
    const unsigned char first = m_info[span.pos];
    const std::size_t end = span.pos + span.length;
    const unsigned char last = m_info[end - 1];
    if (!(first & kCharStart) || (first & kInMarkup) || (first & kSeparator))
        return false;
    if (end < n && !(m_info[end] & kCharStart))
        return false;
    if ((first & kFieldMask) != (last & kFieldMask) || (last & kSeparator))
        return false;
    return (first & kFieldMask) >= static_cast<unsigned char>(LogField::DateTime);
}

std::string EncodeQuery(std::string_view query)
{
    std::string out;
    out.reserve(query.size() + 8);
    for (std::size_t i = 0; i < query.size(); i += CharWidth(query, i)) {
        if (CharWidth(query, i) == 2) {
            out.append(query.substr(i, 2));
            continue;
        }
        switch (query[i]) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += query[i];
        }
    }
    return out;
}

namespace {

// Raises every byte a-z, wherever it stands. Any two texts equal under the NG lists' folding
// are equal after this too (the folding raises a-z where they begin characters and keeps other
// bytes of those characters), so a search over these bytes misses no match; what it finds besides
// (a second byte raised, say) the check of each candidate turns down. Eight bytes at a time: this
// pass runs over every byte the search reads.
void RaiseAsciiBytes(std::string_view text, char *out)
{
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    const std::size_t n = text.size();
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t x;
        std::memcpy(&x, text.data() + i, 8);
        const std::uint64_t low7 = x & (0x7F * kOnes);
        const std::uint64_t atLeastA = low7 + (0x80 - 'a') * kOnes;   // high bit: low7 >= 'a'
        const std::uint64_t aboveZ = low7 + (0x80 - 'z' - 1) * kOnes; // high bit: low7 > 'z'
        const std::uint64_t lower = atLeastA & ~aboveZ & ~x & (0x80 * kOnes);
        x ^= lower >> 2; // 0x20 off each lower-case letter
        std::memcpy(out + i, &x, 8);
    }
    for (; i < n; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        out[i] = static_cast<char>(c >= 'a' && c <= 'z' ? c - 0x20 : c);
    }
}

bool HasFullWidthLetter(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); i += CharWidth(text, i)) {
        if (CharWidth(text, i) == 2 && static_cast<unsigned char>(text[i]) == 0x82) {
            const auto trail = static_cast<unsigned char>(text[i + 1]);
            if ((trail >= 0x60 && trail <= 0x79) || (trail >= 0x81 && trail <= 0x9A))
                return true;
        }
    }
    return false;
}

} // namespace

TextMatcher::TextMatcher(std::string_view query, bool ignoreCase)
{
    if (query.empty())
        return;
    if (ignoreCase && HasFoldableLetter(query))
        m_fold = HasFullWidthLetter(query) ? Fold::Full : Fold::Ascii;
    auto add = [this](const std::string &pattern) {
        std::string p = pattern;
        if (m_fold == Fold::Ascii)
            RaiseAsciiBytes(pattern, p.data());
        else if (m_fold == Fold::Full)
            p = FoldedSjis(pattern);
        for (std::size_t k = 0; k < m_patterns.size(); ++k)
            if (m_patterns[k] == p && m_folded[k] == FoldedSjis(pattern))
                return;
        m_patterns.push_back(std::move(p));
        m_folded.push_back(FoldedSjis(pattern));
    };
    add(EncodeQuery(query));
    // Reply references are kept as ">>12" as often as "&gt;&gt;12": a query whose only markup
    // character is ">" is looked for as it stands too.
    if (query.find_first_of("&<\"") == std::string_view::npos)
        add(std::string(query));
}

std::string_view TextMatcher::prepare(std::string_view text, std::string &scratch) const
{
    if (m_fold == Fold::None)
        return text;
    scratch.resize(text.size());
    if (m_fold == Fold::Ascii)
        RaiseAsciiBytes(text, scratch.data());
    else
        FoldSjis(text, scratch.data());
    return scratch;
}

std::size_t TextMatcher::nextCandidate(std::string_view prepared, std::size_t from) const
{
    std::size_t best = kNone;
    for (const std::string &p : m_patterns) {
        const std::size_t at = Find(prepared, p, from);
        if (at < best)
            best = at;
    }
    return best;
}

std::optional<Span> TextMatcher::findInLine(std::string_view line, std::string_view prepared) const
{
    std::optional<Span> best;
    thread_local LineMap map;
    bool mapped = false;
    for (std::size_t k = 0; k < m_patterns.size(); ++k) {
        const std::string &p = m_patterns[k];
        for (std::size_t at = Find(prepared, p, 0); at != kNone; at = Find(prepared, p, at + 1)) {
            if (best && at >= best->pos)
                break;
            if (!mapped) {
                map.read(line);
                mapped = true;
            }
            if (map.isWholeMatch({at, p.size()}) &&
                (m_fold != Fold::Ascii || FoldedSjis(line.substr(at, p.size())) == m_folded[k])) {
                best = Span{at, p.size()};
                break;
            }
        }
    }
    return best;
}

LiteralPrefilter::LiteralPrefilter(std::string_view literal, bool ignoreCase)
{
    if (ignoreCase && HasFoldableLetter(literal))
        m_fold = HasFullWidthLetter(literal) ? 2 : 1;
    m_pattern = std::string(literal);
    if (m_fold == 1)
        RaiseAsciiBytes(literal, m_pattern.data());
    else if (m_fold == 2)
        m_pattern = FoldedSjis(literal);
}

std::string_view LiteralPrefilter::prepare(std::string_view text, std::string &scratch) const
{
    if (m_fold == 0)
        return text;
    scratch.resize(text.size());
    if (m_fold == 1)
        RaiseAsciiBytes(text, scratch.data());
    else
        FoldSjis(text, scratch.data());
    return scratch;
}

std::size_t LiteralPrefilter::nextCandidate(std::string_view prepared, std::size_t from) const
{
    if (m_pattern.empty())
        return from < prepared.size() ? from : kNone;
    return Find(prepared, m_pattern, from);
}

std::string PlainFieldText(std::string_view text)
{
    struct Entity {
        std::string_view name;
        char value;
    };
    static constexpr Entity kEntities[] = {{"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}};
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t width = CharWidth(text, i);
        const char c = text[i];
        if (width == 2) {
            out.append(text.substr(i, 2));
        } else if (c == '<') {
            const std::size_t close = text.find('>', i);
            if (close == kNone)
                break; // a tag cut off by the excerpt
            const std::string_view tag = text.substr(i, close - i + 1);
            if (tag.size() >= 3 && (tag[1] == 'b' || tag[1] == 'B') && (tag[2] == 'r' || tag[2] == 'R'))
                out += ' ';
            i = close + 1;
            continue;
        } else if (c == '&') {
            bool decoded = false;
            for (const Entity &e : kEntities) {
                if (text.substr(i, e.name.size()) == e.name) {
                    out += e.value;
                    i += e.name.size();
                    decoded = true;
                    break;
                }
            }
            if (decoded)
                continue;
            out += c;
        } else if (c == '\t' || c == '\r' || c == '\n') {
            out += ' ';
        } else {
            out += c;
        }
        i += width;
    }
    return out;
}

Excerpt MakeExcerpt(std::string_view line, Span span, std::size_t contextBefore, std::size_t contextAfter)
{
    Excerpt e;
    if (span.pos > line.size())
        return e;
    span.length = std::min(span.length, line.size() - span.pos);
    const FieldBounds field = FieldAround(line, span.pos);
    const std::size_t low = span.pos > field.start + contextBefore ? span.pos - contextBefore : field.start;
    // The first character at or after low that stands outside markup.
    std::size_t from = span.pos;
    MarkupState markup;
    for (std::size_t i = field.start; i < span.pos; i += CharWidth(line, i)) {
        if (i >= low && !markup.inside()) {
            from = i;
            break;
        }
        if (CharWidth(line, i) == 1)
            markup.take(static_cast<unsigned char>(line[i]));
        else
            markup.inEntity = false;
    }
    const std::size_t matchEnd = span.pos + span.length;
    const std::size_t fieldEnd = std::max(field.end, matchEnd);
    const std::string_view rest = line.substr(matchEnd, fieldEnd - matchEnd);
    e.before = PlainFieldText(line.substr(from, span.pos - from));
    e.match = PlainFieldText(line.substr(span.pos, span.length));
    e.after = PlainFieldText(base::CutSjis(rest, contextAfter));
    return e;
}

} // namespace search
