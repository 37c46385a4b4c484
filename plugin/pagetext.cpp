// Field writing and small text helpers shared by the page parsers.
#include "plugin/pagetext.h"

#include <climits>
#include <cstring>

#include "plugin/eucjp.h"

namespace hakobune {

int LeadingNumber(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n'))
        ++i;
    long long value = 0;
    for (; i < text.size() && IsDigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX)
            return INT_MAX;
    }
    return static_cast<int>(value);
}

void WriteText(char *field, std::size_t fieldSize, std::string_view text)
{
    if (!field || fieldSize == 0)
        return;
    std::memset(field, 0, fieldSize);
    const std::size_t n = SjisPrefixLength(text, fieldSize - 1);
    if (n)
        std::memcpy(field, text.data(), n);
}

void WriteAscii(char *field, std::size_t fieldSize, std::string_view text)
{
    if (!field || fieldSize == 0)
        return;
    std::memset(field, 0, fieldSize);
    const std::size_t n = text.size() < fieldSize - 1 ? text.size() : fieldSize - 1;
    if (n)
        std::memcpy(field, text.data(), n);
}

void WriteConverted(char *field, std::size_t fieldSize, std::string_view eucText)
{
    if (!field || fieldSize == 0)
        return;
    std::memset(field, 0, fieldSize);
    // Shift_JIS is never longer than the EUC-JP it comes from, so the source length bounds the
    // output as it always has; the field bound cuts whatever is longer than the field.
    const std::size_t capacity = eucText.size() < fieldSize - 1 ? eucText.size() : fieldSize - 1;
    EucToSjis(eucText, field, capacity);
}

FieldBuilder::FieldBuilder(char *field, std::size_t fieldSize) : m_field(field), m_size(fieldSize)
{
    if (m_field && m_size)
        std::memset(m_field, 0, m_size);
}

FieldBuilder &FieldBuilder::append(std::string_view piece)
{
    if (piece.empty())
        return *this;
    m_last = piece.back();
    if (!m_field || m_size == 0)
        return *this;
    const std::size_t room = m_size - 1 - m_length;
    const std::size_t n = piece.size() < room ? piece.size() : room;
    if (n) {
        std::memcpy(m_field + m_length, piece.data(), n);
        m_length += n;
    }
    return *this;
}

int ExtractQueryValue(std::string_view name, std::string_view url, char *destination, std::size_t capacity)
{
    if (destination && capacity)
        destination[0] = '\0';
    const std::size_t at = url.find(name);
    if (at == std::string_view::npos)
        return 0;
    std::string_view value = url.substr(at + name.size());
    value = value.substr(0, value.find('&'));
    WriteAscii(destination, capacity, value);
    return 1;
}

} // namespace hakobune
