// The number index of a topic in memory.
#include "store/numberset.h"

#include "base/text.h"

#include <algorithm>
#include <bit>

namespace store {

int MessageNumberSet::BitNumber(std::string_view text)
{
    // At most seven digits: kBitLimit has seven, and the value check below does the rest.
    if (text.empty() || text.size() > 7 || text.front() == '0')
        return 0;
    int number = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return 0;
        number = number * 10 + (c - '0');
    }
    return number < kBitLimit ? number : 0;
}

bool MessageNumberSet::testBit(int number) const
{
    const std::size_t word = static_cast<std::size_t>(number) / 64;
    return word < m_bits.size() && (m_bits[word] >> (static_cast<unsigned>(number) % 64) & 1u) != 0;
}

bool MessageNumberSet::setBit(int number, bool on)
{
    const std::size_t word = static_cast<std::size_t>(number) / 64;
    const std::uint64_t mask = std::uint64_t{1} << (static_cast<unsigned>(number) % 64);
    if (word >= m_bits.size()) {
        if (!on)
            return false;
        // Doubling: a download adds its numbers one by one, mostly each beyond the last.
        m_bits.resize(std::max(word + 1, m_bits.size() * 2), 0);
    }
    if (((m_bits[word] & mask) != 0) == on)
        return false;
    m_bits[word] ^= mask;
    if (on)
        ++m_bitCount;
    else
        --m_bitCount;
    m_itemsValid = false;
    return true;
}

bool MessageNumberSet::add(int number)
{
    if (number >= 1 && number < kBitLimit)
        return setBit(number, true);
    return add(std::to_string(number));
}

bool MessageNumberSet::add(std::string_view text)
{
    if (const int number = BitNumber(text))
        return setBit(number, true);
    if (!m_others.add(text))
        return false;
    m_itemsValid = false;
    return true;
}

bool MessageNumberSet::remove(std::string_view text)
{
    if (const int number = BitNumber(text))
        return setBit(number, false);
    if (!m_others.remove(text))
        return false;
    m_itemsValid = false;
    return true;
}

bool MessageNumberSet::contains(int number) const
{
    if (number >= 1 && number < kBitLimit)
        return testBit(number);
    return m_others.contains(std::to_string(number));
}

bool MessageNumberSet::contains(std::string_view text) const
{
    if (const int number = BitNumber(text))
        return testBit(number);
    return m_others.contains(text);
}

void MessageNumberSet::assign(const std::vector<std::string> &texts)
{
    clear();
    for (const std::string &text : texts)
        add(text);
}

void MessageNumberSet::clear()
{
    m_bits.clear();
    m_bitCount = 0;
    m_others.clear();
    m_items.clear();
    m_itemsValid = true;
}

const std::vector<std::string> &MessageNumberSet::items() const
{
    if (m_itemsValid)
        return m_items;
    // The held numbers in text order: 1, 10, 100, 101, ..., 11, ..., 2, ... up to the largest.
    std::vector<std::string> numbers;
    numbers.reserve(m_bitCount);
    long long largest = 0;
    for (std::size_t w = m_bits.size(); w-- > 0;) {
        if (m_bits[w] != 0) {
            largest = static_cast<long long>(w * 64 + 63 - static_cast<unsigned>(std::countl_zero(m_bits[w])));
            break;
        }
    }
    long long n = 1;
    for (long long step = 0; step < largest; ++step) {
        if (testBit(static_cast<int>(n)))
            numbers.push_back(std::to_string(n));
        if (n * 10 <= largest) {
            n *= 10;
        } else {
            if (n >= largest)
                n /= 10;
            ++n;
            while (n % 10 == 0)
                n /= 10;
        }
    }
    // Then the other entries merged in, under the comparison the list keeps them in.
    const std::vector<std::string> &others = m_others.items();
    m_items.clear();
    m_items.reserve(numbers.size() + others.size());
    std::size_t i = 0, j = 0;
    while (i < numbers.size() || j < others.size()) {
        if (j == others.size() || (i < numbers.size() && base::CompareTextNoCase(numbers[i], others[j]) < 0))
            m_items.push_back(std::move(numbers[i++]));
        else
            m_items.push_back(others[j++]);
    }
    m_itemsValid = true;
    return m_items;
}

} // namespace store
