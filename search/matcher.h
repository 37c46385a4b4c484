// Finding a text in the lines of a topic log: the matcher interface the log search runs, the
// plain-text matcher, and the excerpt shown for a match.
//
// Matches are looked for in the date and time, author, title and body of a line, each on its own:
// a match never runs from one field into the next. A match begins and ends on character
// boundaries of the Shift_JIS text, so the second byte of a double-byte character (0x5C, a
// letter, …) never matches an ASCII query. The log keeps titles and bodies as the page's HTML
// text, so the query is looked for as the page would write it ("<" as "&lt;"), and nothing is
// found inside a tag ("<br>") or an entity name.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace search {

/// A match in one log line: byte offset and length.
struct Span {
    std::size_t pos = 0;
    std::size_t length = 0;
    bool operator==(const Span &) const = default;
};

/// The fields of a log line, in their order.
enum class LogField { Number, ReplyTo, DateTime, Author, Title, Body };

/// What the log search asks of a matcher. Called from several threads at once: every method is
/// const and keeps no state between calls.
class Matcher {
public:
    virtual ~Matcher() = default;

    /// The bytes candidates are looked for in: text itself, or a copy of the same length in
    /// scratch (folded, say) whose offsets are those of text.
    virtual std::string_view prepare(std::string_view text, std::string &scratch) const;

    /// The first offset at or after from in prepared where a match may lie, or npos. The lines
    /// around no such offset are passed over unread.
    virtual std::size_t nextCandidate(std::string_view prepared, std::size_t from) const;

    /// The first match in line (without its line end); prepared is the line's prepared bytes.
    virtual std::optional<Span> findInLine(std::string_view line, std::string_view prepared) const = 0;
};

/// What the position of a candidate match means in its line.
struct MatchPlace {
    LogField field = LogField::Number;
    bool startsChar = false; ///< the match begins a character
    bool endsChar = false;   ///< the match ends where a character ends
    bool crossesField = false;
    bool inMarkup = false; ///< begins inside a tag or an entity name
};

/// Reads line from its start up to the end of the match at span.
MatchPlace PlaceOf(std::string_view line, Span span);

/// True when a match at span is one: on character boundaries, inside one searchable field, not
/// inside markup.
bool IsWholeMatch(std::string_view line, Span span);

/// IsWholeMatch for many candidates in one line: the line is read once, then each candidate is
/// checked without reading the line again (a long line full of near misses stays linear).
class LineMap {
public:
    /// Reads line, which must outlive the map's use. Reuses the map's memory.
    void read(std::string_view line);
    /// The same answer as IsWholeMatch(line, span).
    bool isWholeMatch(Span span) const;

private:
    std::vector<unsigned char> m_info; ///< per byte: its field, and the flags below
};

/// The query as the page's HTML text writes it: & < > " as entities.
std::string EncodeQuery(std::string_view query);

/// A text, found byte for byte or with letters folded as the NG lists fold them.
class TextMatcher : public Matcher {
public:
    /// query is Shift_JIS; an empty query finds nothing.
    TextMatcher(std::string_view query, bool ignoreCase);

    std::string_view prepare(std::string_view text, std::string &scratch) const override;
    std::size_t nextCandidate(std::string_view prepared, std::size_t from) const override;
    std::optional<Span> findInLine(std::string_view line, std::string_view prepared) const override;

    /// The byte patterns looked for (for tests).
    const std::vector<std::string> &patterns() const { return m_patterns; }

private:
    enum class Fold {
        None,  ///< bytes as they are
        Ascii, ///< every byte a-z raised, a superset of the candidates that the check narrows
        Full,  ///< folded character by character
    };
    std::vector<std::string> m_patterns; ///< as looked for in the prepared bytes
    std::vector<std::string> m_folded;   ///< each pattern folded, for the check of a candidate
    Fold m_fold = Fold::None;
};

/// Bytes that every match of some other matcher holds: looked for first, so that only the lines
/// holding them are read further. Letters are folded as TextMatcher folds them when asked.
class LiteralPrefilter {
public:
    /// literal is Shift_JIS and not empty.
    LiteralPrefilter(std::string_view literal, bool ignoreCase);
    std::string_view prepare(std::string_view text, std::string &scratch) const;
    std::size_t nextCandidate(std::string_view prepared, std::size_t from) const;
    const std::string &pattern() const { return m_pattern; }

private:
    std::string m_pattern;
    int m_fold = 0; ///< 0 none, 1 a-z raised, 2 folded character by character
};

/// The text around a match, shown in a result list: Shift_JIS, tags turned into blanks or
/// dropped, entities decoded, cut on character boundaries.
struct Excerpt {
    std::string before;
    std::string match;
    std::string after;
};

/// The excerpt of span in line: up to contextBefore bytes of its field before it and
/// contextAfter after it.
Excerpt MakeExcerpt(std::string_view line, Span span, std::size_t contextBefore = 40, std::size_t contextAfter = 80);

/// Text without its tags ("<br>" and the like as one blank) and with its entities decoded.
std::string PlainFieldText(std::string_view text);

} // namespace search
