// The sorted, duplicate-free text list.
#include "base/textlist.h"

#include <algorithm>

#include "base/text.h"

namespace base {

namespace {

bool lessNoCase(const std::string &a, const std::string &b) { return CompareTextNoCase(a, b) < 0; }

} // namespace

std::size_t SortedTextList::FoldedHash::operator()(std::string_view text) const
{
    // FNV-1a over the characters as CompareTextNoCase folds them (ASCII and full-width letters
    // to upper case), so that texts it finds equal hash alike.
    std::size_t hash = 14695981039346656037ull;
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        if (IsSjisLeadByte(c) && i + 1 < text.size()) {
            unsigned code = (c << 8) | static_cast<unsigned char>(text[++i]);
            if (code >= 0x8281 && code <= 0x829A)
                code -= 0x21;
            hash = (hash ^ (code >> 8)) * 1099511628211ull;
            c = static_cast<unsigned char>(code & 0xff);
        } else if (c >= 'a' && c <= 'z') {
            c = static_cast<unsigned char>(c - 'a' + 'A');
        }
        hash = (hash ^ c) * 1099511628211ull;
    }
    return hash;
}

bool SortedTextList::FoldedEqual::operator()(std::string_view a, std::string_view b) const
{
    return CompareTextNoCase(a, b) == 0;
}

std::vector<std::string>::const_iterator SortedTextList::lowerBound(std::string_view text) const
{
    return std::lower_bound(m_items.begin(), m_items.end(), text, [](const std::string &item, std::string_view t) {
        return CompareTextNoCase(item, t) < 0;
    });
}

bool SortedTextList::inSorted(std::string_view text) const
{
    auto it = lowerBound(text);
    return it != m_items.end() && CompareTextNoCase(*it, text) == 0;
}

void SortedTextList::settle() const
{
    if (m_added.empty())
        return;
    std::vector<std::string> added;
    added.reserve(m_added.size());
    while (!m_added.empty())
        added.push_back(std::move(m_added.extract(m_added.begin()).value()));
    std::sort(added.begin(), added.end(), lessNoCase);
    const auto middle = static_cast<std::ptrdiff_t>(m_items.size());
    m_items.insert(m_items.end(), std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()));
    std::inplace_merge(m_items.begin(), m_items.begin() + middle, m_items.end(), lessNoCase);
}

bool SortedTextList::contains(std::string_view text) const
{
    if (!m_added.empty() && m_added.find(std::string(text)) != m_added.end())
        return true;
    return inSorted(text);
}

int SortedTextList::indexOf(std::string_view text) const
{
    settle();
    auto it = lowerBound(text);
    if (it == m_items.end() || CompareTextNoCase(*it, text) != 0)
        return -1;
    return static_cast<int>(it - m_items.begin());
}

bool SortedTextList::add(std::string_view text)
{
    if (inSorted(text))
        return false;
    return m_added.emplace(text).second;
}

bool SortedTextList::remove(std::string_view text)
{
    int i = indexOf(text);
    if (i < 0)
        return false;
    m_items.erase(m_items.begin() + i);
    return true;
}

void SortedTextList::assign(const std::vector<std::string> &texts)
{
    m_added.clear();
    m_items = texts;
    std::stable_sort(m_items.begin(), m_items.end(), lessNoCase);
    m_items.erase(std::unique(m_items.begin(), m_items.end(),
                              [](const std::string &a, const std::string &b) { return EqualsNoCase(a, b); }),
                  m_items.end());
}

void SortedTextList::clear()
{
    m_items.clear();
    m_added.clear();
}

const std::vector<std::string> &SortedTextList::items() const
{
    settle();
    return m_items;
}

} // namespace base
