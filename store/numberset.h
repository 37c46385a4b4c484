// The number index of a topic in memory: the set of message numbers already stored, asked once
// for every message a download merges and once for every number of the range it walks.
#pragma once

#include "base/textlist.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace store {

/// A set of message numbers read as texts, as the number index file holds them. Numbers in their
/// plain decimal form (no sign, no leading zero) are kept as bits, so that adding and asking cost
/// the same whatever the topic's size; any other entry an index file may hold ("007", "x") is kept
/// as it stands, compared as list entries are (base::SortedTextList). Ordered reads give every
/// entry as text in ascending text order (so 10 comes before 9), as the index file is written.
/// Main thread only.
class MessageNumberSet {
public:
    /// Adds the plain form of number. True when it was not held.
    bool add(int number);
    /// Adds text unless it is held. True when it was added.
    bool add(std::string_view text);
    /// Removes text. True when it was held.
    bool remove(std::string_view text);
    /// True when the plain form of number is held.
    bool contains(int number) const;
    bool contains(std::string_view text) const;

    /// Replaces the content by texts, dropping repeated entries.
    void assign(const std::vector<std::string> &texts);
    void clear();

    /// Every entry, in ascending text order.
    const std::vector<std::string> &items() const;
    std::size_t size() const { return m_bitCount + m_others.size(); }
    bool empty() const { return size() == 0; }

private:
    /// Plain numbers at or above this are kept as texts: a hostile index file naming a number in
    /// the hundreds of millions must not make the bits take hundreds of megabytes.
    static constexpr int kBitLimit = 1 << 22;

    /// The number text is the plain form of, or 0 when it is no plain number below kBitLimit.
    static int BitNumber(std::string_view text);
    bool testBit(int number) const;
    /// Sets or clears the bit of number; true when that changed it.
    bool setBit(int number, bool on);

    std::vector<std::uint64_t> m_bits;        ///< bit n: number n is held
    std::size_t m_bitCount = 0;               ///< bits set
    base::SortedTextList m_others;            ///< every entry that is no plain number below kBitLimit
    mutable std::vector<std::string> m_items; ///< items() as last built
    mutable bool m_itemsValid = true;
};

} // namespace store
