// Searching a page by its markers and writing what was found into fixed-size record fields.
#pragma once

#include <cstddef>
#include <string_view>

namespace hakobune {

inline constexpr std::size_t kNotFound = std::string_view::npos;

/// Finds one marker in a page, remembering its last answer. A page can hold many links that
/// all end at one far ">" or "</a>"; asking again from anywhere between the last start and the
/// last answer returns that answer without scanning, which keeps every parser linear in the
/// page size however the links overlap.
class MarkerFinder {
public:
    MarkerFinder(std::string_view page, std::string_view marker) : m_page(page), m_marker(marker) {}

    /// Position of the first occurrence at or after from, or kNotFound.
    std::size_t next(std::size_t from)
    {
        if (m_asked && from >= m_from && from <= m_at)
            return m_at;
        m_asked = true;
        m_from = from;
        m_at = from > m_page.size() ? kNotFound : m_page.find(m_marker, from);
        return m_at;
    }

private:
    std::string_view m_page;
    std::string_view m_marker;
    bool m_asked = false;
    std::size_t m_from = 0;
    std::size_t m_at = kNotFound;
};

/// The byte at pos, or 0 at and beyond the end (where the zero-terminated page has its
/// terminator).
inline unsigned char ByteAt(std::string_view text, std::size_t pos)
{
    return pos < text.size() ? static_cast<unsigned char>(text[pos]) : 0;
}

/// The text from from up to to, both clamped to the text, empty when to is before from.
inline std::string_view Slice(std::string_view text, std::size_t from, std::size_t to)
{
    if (from > text.size())
        from = text.size();
    if (to > text.size())
        to = text.size();
    return to > from ? text.substr(from, to - from) : std::string_view();
}

inline bool StartsWithAt(std::string_view text, std::size_t pos, std::string_view prefix)
{
    return pos <= text.size() && text.substr(pos).starts_with(prefix);
}

inline bool IsDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}

/// The decimal number at the start of text after leading blanks; 0 when there is none. Values
/// beyond the int range stay at its maximum.
int LeadingNumber(std::string_view text);

/// Zero-fills the field, then copies text cut to fieldSize - 1 bytes on a Shift_JIS character
/// boundary. Used for page texts that are copied without conversion.
void WriteText(char *field, std::size_t fieldSize, std::string_view text);

/// Zero-fills the field, then copies text cut to fieldSize - 1 bytes (ASCII: URLs, ids, dates).
void WriteAscii(char *field, std::size_t fieldSize, std::string_view text);

/// Zero-fills the field, then converts EUC-JP text into it, cut on a Shift_JIS character
/// boundary to fit with its terminator.
void WriteConverted(char *field, std::size_t fieldSize, std::string_view eucText);

template <std::size_t N>
void WriteText(char (&field)[N], std::string_view text)
{
    WriteText(field, N, text);
}
template <std::size_t N>
void WriteAscii(char (&field)[N], std::string_view text)
{
    WriteAscii(field, N, text);
}
template <std::size_t N>
void WriteConverted(char (&field)[N], std::string_view eucText)
{
    WriteConverted(field, N, eucText);
}

/// Builds an ASCII text from pieces into a fixed-size field, cutting what does not fit. Keeps
/// the last character of the whole text, as it would be uncut.
class FieldBuilder {
public:
    FieldBuilder(char *field, std::size_t fieldSize);
    FieldBuilder &append(std::string_view piece);
    char lastChar() const { return m_last; }

private:
    char *m_field;
    std::size_t m_size;
    std::size_t m_length = 0;
    char m_last = '\0';
};

/// Finds the first occurrence of name (for example "tid=") anywhere in url and copies what
/// follows it, up to the next "&" or the end, into destination, terminated and cut to
/// capacity - 1 bytes. Returns 1, or 0 when name does not occur (destination then holds an
/// empty text).
int ExtractQueryValue(std::string_view name, std::string_view url, char *destination, std::size_t capacity);

} // namespace hakobune
