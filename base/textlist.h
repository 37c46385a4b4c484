// A sorted list of texts without duplicates under the case-insensitive comparison of list
// entries: the NG lists and the favorites list.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace base {

class SortedTextList {
public:
    SortedTextList() = default;

    /// Adds text unless an equal entry (ignoring case) is present. True when it was added.
    bool add(std::string_view text);
    /// Removes the entry equal to text. True when there was one.
    bool remove(std::string_view text);
    bool contains(std::string_view text) const { return indexOf(text) >= 0; }
    /// Index of the entry equal to text, or -1.
    int indexOf(std::string_view text) const;

    /// Replaces the content by texts, sorted, keeping the first of equal entries.
    void assign(const std::vector<std::string> &texts);
    void clear() { m_items.clear(); }

    const std::vector<std::string> &items() const { return m_items; }
    std::size_t size() const { return m_items.size(); }
    bool empty() const { return m_items.empty(); }
    const std::string &operator[](std::size_t i) const { return m_items[i]; }

private:
    std::vector<std::string>::const_iterator lowerBound(std::string_view text) const;

    std::vector<std::string> m_items;
};

} // namespace base
