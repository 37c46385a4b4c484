// A sorted list of texts without duplicates under the case-insensitive comparison of list
// entries: the NG lists, the favorites list and a topic's number index.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace base {

/// Adding and the membership test cost the same whatever the list's size: entries added since the
/// list was last read in order wait in a hash set and are merged into the sorted entries by the
/// next ordered read (items, operator[], indexOf, remove). A topic's number index takes one entry
/// per downloaded message and is read in order only when it is written.
///
/// One thread at a time, readers included: an ordered read may merge the waiting entries.
class SortedTextList {
public:
    SortedTextList() = default;

    /// Adds text unless an equal entry (ignoring case) is present. True when it was added.
    bool add(std::string_view text);
    /// Removes the entry equal to text. True when there was one.
    bool remove(std::string_view text);
    bool contains(std::string_view text) const;
    /// Index of the entry equal to text, or -1.
    int indexOf(std::string_view text) const;

    /// Replaces the content by texts, sorted, keeping the first of equal entries.
    void assign(const std::vector<std::string> &texts);
    void clear();

    const std::vector<std::string> &items() const;
    std::size_t size() const { return m_items.size() + m_added.size(); }
    bool empty() const { return size() == 0; }
    const std::string &operator[](std::size_t i) const { return items()[i]; }

private:
    /// Hash and equality under the list's comparison (letters folded as CompareTextNoCase does).
    struct FoldedHash {
        std::size_t operator()(std::string_view text) const;
    };
    struct FoldedEqual {
        bool operator()(std::string_view a, std::string_view b) const;
    };

    std::vector<std::string>::const_iterator lowerBound(std::string_view text) const;
    bool inSorted(std::string_view text) const;
    /// Merges the waiting entries into the sorted ones.
    void settle() const;

    mutable std::vector<std::string> m_items; ///< sorted, no two equal
    /// Added since the last ordered read; none equal to each other or to an entry of m_items.
    mutable std::unordered_set<std::string, FoldedHash, FoldedEqual> m_added;
};

} // namespace base
