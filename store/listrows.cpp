// The topic-list view's comparison, narrowing, colours and menus.
#include "store/listrows.h"

#include <algorithm>
#include <cstdio>

#include "base/text.h"
#include "store/boardtexts.h"

namespace store {

namespace {

// The next character of text at i as bytes to compare, letters folded to upper case: one byte,
// or the two bytes of a double-byte character (full-width ａ-ｚ 0x8281-0x829A onto Ａ-Ｚ
// 0x8260-0x8279, which keeps the lead byte and so the byte order).
std::size_t foldedChar(std::string_view text, std::size_t i, unsigned char out[2])
{
    auto c = static_cast<unsigned char>(text[i]);
    if (base::IsSjisLeadByte(c) && i + 1 < text.size()) {
        auto t = static_cast<unsigned char>(text[i + 1]);
        if (c == 0x82 && t >= 0x81 && t <= 0x9A)
            t = static_cast<unsigned char>(t - 0x21);
        out[0] = c;
        out[1] = t;
        return 2;
    }
    out[0] = (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
    return 1;
}

std::string paddedNumber(const std::string &text)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%07d", base::ParseInt(text, 0));
    return buffer;
}

} // namespace

int CompareListText(std::string_view a, std::string_view b)
{
    // Folded characters are compared as byte strings: a character of one text may be a single
    // byte where the other has two.
    std::size_t i = 0, j = 0;
    unsigned char ca[2], cb[2];
    std::size_t na = 0, nb = 0, pa = 0, pb = 0;
    for (;;) {
        if (pa == na && i < a.size()) {
            na = foldedChar(a, i, ca);
            i += na;
            pa = 0;
        }
        if (pb == nb && j < b.size()) {
            nb = foldedChar(b, j, cb);
            j += nb;
            pb = 0;
        }
        bool endA = pa == na, endB = pb == nb;
        if (endA || endB)
            return endA == endB ? 0 : (endA ? -1 : 1);
        if (ca[pa] != cb[pb])
            return ca[pa] < cb[pb] ? -1 : 1;
        ++pa;
        ++pb;
    }
}

int ListViewCompare(const TopicRow &a, const TopicRow &b, int key, bool descending)
{
    if (key == -1) {
        int result = std::to_string(a.entry.highlight).compare(std::to_string(b.entry.highlight));
        return -result;
    }
    int result = 0;
    if (key == 2 || (key >= 6 && key <= kSubItemCount)) {
        result = CompareListText(a.subItems[static_cast<std::size_t>(key - 1)],
                                 b.subItems[static_cast<std::size_t>(key - 1)]);
    } else if (key == 1 || (key >= 3 && key <= 5)) {
        result = CompareListText(paddedNumber(a.subItems[static_cast<std::size_t>(key - 1)]),
                                 paddedNumber(b.subItems[static_cast<std::size_t>(key - 1)]));
    } else if (key > kSubItemCount) {
        // A column the rows do not have: both texts are empty.
        result = 0;
    } else {
        result = CompareListText(std::to_string(a.image), std::to_string(b.image));
    }
    return descending ? -result : result;
}

void TopicRows::sort(int key, bool descending)
{
    std::stable_sort(m_rows.begin(), m_rows.end(), [&](const TopicRow &a, const TopicRow &b) {
        return ListViewCompare(a, b, key, descending) < 0;
    });
}

int HighlightMatchingRows(TopicRowList &rows, std::string_view text)
{
    if (text.empty())
        return 0;
    int changed = 0;
    for (int i = 0; i < rows.rowCount(); ++i) {
        const TopicRow &row = rows.row(i);
        if (row.entry.highlight != 0 || row.text(kTitleItem).find(text) == std::string::npos)
            continue;
        TopicRow highlighted = row;
        highlighted.entry.highlight = 1;
        rows.replaceRow(i, std::move(highlighted));
        ++changed;
    }
    return changed;
}

RowColors TopicRowColors(int position, bool highlighted, const settings::DesignSettings &design)
{
    RowColors colors;
    if (design.thrlstSep)
        colors.background = position % 2 == 0 ? design.thrlstOdd : design.thrlstEven;
    colors.text = highlighted ? kHighlightTextColor : design.thrlstFont.color;
    return colors;
}

OpenCommand OpenCommandForClick(int setting)
{
    switch (setting) {
    case 0:
        return OpenCommand::ActiveOpen;
    case 1:
        return OpenCommand::NewOpen;
    case 2:
        return OpenCommand::LocalActiveOpen;
    case 3:
        return OpenCommand::LocalNewOpen;
    default:
        return OpenCommand::None;
    }
}

std::vector<DlCountItem> DlCountMenuItems(const settings::NetworkSettings &network)
{
    std::vector<DlCountItem> items;
    items.push_back({false, kAllCountsCaption, network.dlCountIndex == 0});
    items.push_back({true, "", false});
    for (std::size_t i = 0; i < network.dlCount.size(); ++i)
        items.push_back({false, network.dlCount[i], network.dlCountIndex == static_cast<int>(i) + 1});
    return items;
}

} // namespace store
