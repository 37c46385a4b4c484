// EUC-JP to Shift_JIS by the arithmetic mapping of JIS X 0208 rows and cells.
#include "plugin/eucjp.h"

namespace hakobune {

namespace {

constexpr bool isEucTrailByte(unsigned c)
{
    return c >= 0xA1 && c <= 0xFE;
}

} // namespace

int EucToSjis(std::string_view source, char *destination, std::size_t capacity)
{
    if (!destination)
        return -1;
    std::size_t out = 0;
    std::size_t i = 0;
    const auto at = [&](std::size_t k) -> unsigned {
        return k < source.size() ? static_cast<unsigned char>(source[k]) : 0u;
    };
    const auto put = [&](unsigned b) { destination[out++] = static_cast<char>(b); };

    for (;;) {
        const unsigned c = at(i);
        if (c == 0) {
            if (out < capacity)
                destination[out] = '\0';
            return static_cast<int>(out);
        }
        if (c < 0x80) {
            if (out + 1 > capacity)
                return static_cast<int>(out);
            put(c);
            i += 1;
            continue;
        }
        const unsigned c2 = at(i + 1);
        if (c == 0x8E) {
            if (c2 < 0xA1 || c2 > 0xDF)
                return -1;
            if (out + 1 > capacity)
                return static_cast<int>(out);
            put(c2);
            i += 2;
        } else if (c == 0x8F) {
            // JIS X 0212 has no Shift_JIS code: the ideographic space holds its place.
            if (!isEucTrailByte(c2) || !isEucTrailByte(at(i + 2)))
                return -1;
            if (out + 2 > capacity)
                return static_cast<int>(out);
            put(0x81);
            put(0x40);
            i += 3;
        } else if (isEucTrailByte(c)) {
            if (!isEucTrailByte(c2))
                return -1;
            if (out + 2 > capacity)
                return static_cast<int>(out);
            const unsigned row = c - 0x80; // 0x21..0x7E
            const unsigned cell = c2 - 0x80;
            const unsigned lead = ((row + 1) >> 1) + (row < 0x5F ? 0x70 : 0xB0);
            unsigned trail;
            if (row & 1)
                trail = cell + (cell < 0x60 ? 0x1F : 0x20);
            else
                trail = cell + 0x7E;
            put(lead);
            put(trail);
            i += 2;
        } else {
            return -1;
        }
    }
}

std::size_t SjisPrefixLength(std::string_view text, std::size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return text.size();
    std::size_t i = 0;
    while (i < maxBytes) {
        const std::size_t width = IsSjisLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
        if (i + width > maxBytes)
            break;
        i += width;
    }
    return i;
}

} // namespace hakobune
