// Folding Shift_JIS text as the NG lists compare it.
#include "search/sjisfold.h"

#include "base/text.h"

namespace search {

namespace {

// ａ (0x8281) to ｚ (0x829A) fold onto Ａ (0x8260) to Ｚ (0x8279): lead 0x82, trail minus 0x21.
constexpr unsigned char kFullWidthLead = 0x82;
constexpr unsigned char kFullWidthLowerFirst = 0x81;
constexpr unsigned char kFullWidthLowerLast = 0x9A;
constexpr unsigned char kFullWidthShift = 0x21;

bool IsLowerFullWidthTrail(unsigned char trail)
{
    return trail >= kFullWidthLowerFirst && trail <= kFullWidthLowerLast;
}

} // namespace

void FoldSjis(std::string_view text, char *out)
{
    const std::size_t n = text.size();
    const auto *in = reinterpret_cast<const unsigned char *>(text.data());
    std::size_t i = 0;
    while (i < n) {
        const unsigned char c = in[i];
        if (c < 0x80) {
            out[i] = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
            ++i;
        } else if (base::IsSjisLeadByte(c) && i + 1 < n) {
            const unsigned char trail = in[i + 1];
            out[i] = static_cast<char>(c);
            out[i + 1] = static_cast<char>(c == kFullWidthLead && IsLowerFullWidthTrail(trail) ? trail - kFullWidthShift
                                                                                               : trail);
            i += 2;
        } else {
            out[i] = static_cast<char>(c);
            ++i;
        }
    }
}

std::string FoldedSjis(std::string_view text)
{
    std::string out(text.size(), '\0');
    FoldSjis(text, out.data());
    return out;
}

bool HasFoldableLetter(std::string_view text)
{
    const auto *in = reinterpret_cast<const unsigned char *>(text.data());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = in[i];
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))
            return true;
        if (base::IsSjisLeadByte(c) && i + 1 < text.size()) {
            const unsigned char trail = in[++i];
            if (c == kFullWidthLead && ((trail >= 0x60 && trail <= 0x79) || IsLowerFullWidthTrail(trail)))
                return true;
        }
    }
    return false;
}

std::size_t CharStartAt(std::string_view text, std::size_t at)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t width =
            base::IsSjisLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
        if (at < i + width)
            return i;
        i += width;
    }
    return text.size();
}

} // namespace search
