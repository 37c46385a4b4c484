// The sorted, duplicate-free text list.
#include "base/textlist.h"

#include <algorithm>

#include "base/text.h"

namespace base {

std::vector<std::string>::const_iterator SortedTextList::lowerBound(std::string_view text) const
{
    return std::lower_bound(m_items.begin(), m_items.end(), text, [](const std::string &item, std::string_view t) {
        return CompareTextNoCase(item, t) < 0;
    });
}

int SortedTextList::indexOf(std::string_view text) const
{
    auto it = lowerBound(text);
    if (it == m_items.end() || CompareTextNoCase(*it, text) != 0)
        return -1;
    return static_cast<int>(it - m_items.begin());
}

bool SortedTextList::add(std::string_view text)
{
    auto it = lowerBound(text);
    if (it != m_items.end() && CompareTextNoCase(*it, text) == 0)
        return false;
    m_items.insert(it, std::string(text));
    return true;
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
    m_items = texts;
    std::stable_sort(m_items.begin(), m_items.end(),
                     [](const std::string &a, const std::string &b) { return CompareTextNoCase(a, b) < 0; });
    m_items.erase(std::unique(m_items.begin(), m_items.end(),
                              [](const std::string &a, const std::string &b) { return EqualsNoCase(a, b); }),
                  m_items.end());
}

} // namespace base
