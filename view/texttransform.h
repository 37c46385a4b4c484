// The transforms of stored message text (a one-line HTML fragment, Shift_JIS): reply references
// as links, entities decoded, "<br>" against line feeds, and the plain-text pop-up of a message.
// Every search is a byte-wise, case-sensitive substring search; the markers searched for all
// begin with a byte below 0x40, so none can match inside a double-byte character.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/nglists.h"

namespace view {

/// Replaces every occurrence of tag in text by value, left to right; the inserted value is not
/// searched again.
std::string ReplaceAll(std::string_view text, std::string_view tag, std::string_view value);

/// A reply marker found in text: ">>" or "&gt;&gt;" at `at`, with the digits right after it
/// (empty when none follow).
struct Reference {
    std::size_t at = 0;
    std::string_view marker;
    std::string_view digits;
    std::size_t end() const { return at + marker.size() + digits.size(); }
};

inline constexpr std::string_view kRawMarker = ">>";
inline constexpr std::string_view kEscapedMarker = "&gt;&gt;";

/// Reads the reply markers of one text from front to back, as LinkReferences links them: at
/// each step the first ">>" at or after the position when there is one, else the first
/// "&gt;&gt;". Positions handed to next() must not decrease.
class ReferenceScanner {
public:
    explicit ReferenceScanner(std::string_view text);
    std::optional<Reference> next(std::size_t from);

private:
    std::string_view m_text;
    std::size_t m_raw; ///< the next ">>" at or after the last position, or npos
};

/// The message numbers that the reply markers of text link to, in text order, repeats kept;
/// digits that make no number above 0 are left out.
std::vector<int> ReferencedNumbers(std::string_view text);

/// Turns each reference ">>" or "&gt;&gt;" followed by digits into a link to linkBase + digits,
/// with the marker and the digits as its text. In every pass the marker is the first ">>" of
/// what remains when there is one, else the first "&gt;&gt;".
std::string LinkReferences(std::string_view text, std::string_view linkBase);

/// Decodes "&lt;", "&gt;", "&amp;" and "&quot;" in one pass from left to right: a decoded "&"
/// never forms a new entity with the text after it ("&amp;lt;" gives "&lt;").
std::string DecodeEntities(std::string_view text);

enum class BreakDirection {
    FromBreaks, ///< every "<br>" (exactly these lower-case bytes) becomes LF
    ToBreaks,   ///< every LF becomes "<br>"
};

/// Converts between "<br>" and line feeds; with addSpace one blank follows every replacement.
std::string ConvertBreaks(std::string_view text, bool addSpace, BreakDirection direction);

/// The pop-up text of one log line: number, author, date, the reply number, title and the
/// decoded text with line feeds, cut short after the author or the title when the NG lists hide
/// them. Plain text: the pop-up must show it as such (tags in it stay visible text). hidden: the
/// message is hidden by other means than the lists (a pattern, an answer to a hidden one) and
/// is cut short after the author as an NG name is.
std::string PopupText(std::string_view line, const settings::NgLists &ng, bool hidden = false);

/// "-NG-", shown for what an NG list hides.
inline constexpr const char kNgText[] = "-NG-";

/// "投稿者：" (poster) and "投稿日時：" (posted at).
inline constexpr const char kPosterLabel[] = "\x93\x8a\x8d\x65\x8e\xd2\x81\x46";
inline constexpr const char kPostedAtLabel[] = "\x93\x8a\x8d\x65\x93\xfa\x8e\x9e\x81\x46";

/// True when some entry of list occurs in text as a byte substring; an empty entry never does.
bool ContainsAnyEntry(std::string_view text, const base::SortedTextList &list);

} // namespace view
