// Byte-level text helpers of the board server.
#include "boardserver/text.h"

#include <iconv.h>

#include <cerrno>
#include <limits>

namespace boardserver {

namespace {

bool IsEucByte(unsigned char c) { return c >= 0xA1 && c <= 0xFE; }

// JIS X 0208 row and cell bytes (0x21 to 0x7E each) to their Shift_JIS pair.
void AppendJisAsSjis(std::string &out, unsigned j1, unsigned j2)
{
    const unsigned s1 = (j1 + 1) / 2 + (j1 <= 0x5E ? 0x70 : 0xB0);
    unsigned s2;
    if (j1 % 2 == 1)
        s2 = j2 + (j2 <= 0x5F ? 0x1F : 0x20);
    else
        s2 = j2 + 0x7E;
    out.push_back(static_cast<char>(s1));
    out.push_back(static_cast<char>(s2));
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::optional<std::string> Utf8ToEucJp(std::string_view utf8)
{
    iconv_t cd = ::iconv_open("EUC-JP", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::string out(utf8.size() * 2 + 4, '\0');
    std::string in(utf8);
    char *inPtr = in.data();
    std::size_t inLeft = in.size();
    char *outPtr = out.data();
    std::size_t outLeft = out.size();
    const std::size_t rc = ::iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    ::iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1) || inLeft != 0)
        return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

std::string EucToSjis(std::string_view euc)
{
    std::string out;
    out.reserve(euc.size());
    std::size_t i = 0;
    while (i < euc.size()) {
        const auto c = static_cast<unsigned char>(euc[i]);
        if (c == 0)
            break;
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            i += 1;
            continue;
        }
        const auto next = [&](std::size_t k) -> unsigned char {
            return i + k < euc.size() ? static_cast<unsigned char>(euc[i + k]) : 0;
        };
        if (c == 0x8E) {
            const unsigned char k = next(1);
            if (k < 0xA1 || k > 0xDF)
                break;
            out.push_back(static_cast<char>(k));
            i += 2;
        } else if (c == 0x8F) {
            if (!IsEucByte(next(1)) || !IsEucByte(next(2)))
                break;
            out.push_back('\x81');
            out.push_back('\x40');
            i += 3;
        } else if (IsEucByte(c)) {
            if (!IsEucByte(next(1)))
                break;
            AppendJisAsSjis(out, c - 0x80u, next(1) - 0x80u);
            i += 2;
        } else {
            break;
        }
    }
    return out;
}

std::size_t SjisLengthOfEuc(std::string_view euc)
{
    // Every EUC-JP unit but the half-width katakana pair keeps or shrinks to two bytes; counting
    // through the converter keeps the two definitions from drifting apart.
    return EucToSjis(euc).size();
}

std::string SjisToEuc(std::string_view sjis)
{
    std::string out;
    out.reserve(sjis.size() + sjis.size() / 4);
    std::size_t i = 0;
    while (i < sjis.size()) {
        const auto c = static_cast<unsigned char>(sjis[i]);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            i += 1;
            continue;
        }
        if (c >= 0xA1 && c <= 0xDF) {
            out.push_back('\x8E');
            out.push_back(static_cast<char>(c));
            i += 1;
            continue;
        }
        const bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
        const unsigned char t = i + 1 < sjis.size() ? static_cast<unsigned char>(sjis[i + 1]) : 0;
        const bool trail = (t >= 0x40 && t <= 0x7E) || (t >= 0x80 && t <= 0xFC);
        if (!lead || !trail) {
            out.push_back('?');
            i += 1;
            continue;
        }
        const unsigned base = c >= 0xE0 ? 0xB0 : 0x70;
        unsigned j1, j2;
        if (t >= 0x9F) {
            j1 = (c - base) * 2;
            j2 = t - 0x7Eu;
        } else {
            j1 = (c - base) * 2 - 1;
            j2 = t - (t >= 0x80 ? 0x20u : 0x1Fu);
        }
        if (j1 > 0x7E) {
            out.append("\xA2\xAE"); // 〓, the geta mark
        } else {
            out.push_back(static_cast<char>(j1 | 0x80));
            out.push_back(static_cast<char>(j2 | 0x80));
        }
        i += 2;
    }
    return out;
}

std::string PercentDecode(std::string_view text, bool plusIsSpace)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            out.push_back(static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
            i += 2;
        } else if (c == '+' && plusIsSpace) {
            out.push_back(' ');
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::string UrlEncode(std::string_view bytes)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 3);
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '@' ||
                           c == '!' || c == '$' || c == '\'' || c == '(' || c == ')' || c == '*' || c == '-' ||
                           c == '.' || c == '_';
        if (plain) {
            out.push_back(ch);
        } else if (c == ' ') {
            out.push_back('+');
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        }
    }
    return out;
}

void AppendHtmlEscaped(std::string &out, std::string_view text)
{
    for (const char c : text) {
        switch (c) {
        case '&':
            out.append("&amp;");
            break;
        case '<':
            out.append("&lt;");
            break;
        case '>':
            out.append("&gt;");
            break;
        case '"':
            out.append("&quot;");
            break;
        default:
            out.push_back(c);
        }
    }
}

std::string HexLower(std::string_view bytes)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        out.push_back(kHex[c >> 4]);
        out.push_back(kHex[c & 15]);
    }
    return out;
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

std::optional<long long> ParseDecimal(std::string_view text)
{
    if (text.empty() || text[0] < '0' || text[0] > '9')
        return std::nullopt;
    long long value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            break;
        if (value > (std::numeric_limits<long long>::max() - (c - '0')) / 10)
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace boardserver
