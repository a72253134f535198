#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

class TLocale;

// The relative paths of the files a read found, in the order of the walk or sorted.
//
// A sorted list orders its entries by the locale's comparison ignoring case, ties broken
// by the exact bytes, so that "A.txt" and "a.txt" both stay; an entry identical to one
// already listed is dropped. Entries are put in order once, when the list is first read
// after a change: O(n log n) for a whole read.
//
// The paths lie end to end in one buffer, found by where each ends: a million paths cost
// their bytes and eight more each, not an allocation each. Sort keys exist only while the
// list puts itself in order.
class TFileList
{
public:
    explicit TFileList(const TLocale &locale);

    void Clear();
    bool Sorted() const { return m_sorted; }
    // Takes effect for entries added after the call; call it on an empty list.
    void SetSorted(bool sorted) { m_sorted = sorted; }

    void Add(std::string_view path);
    std::size_t Count() const;
    // The entry's bytes; valid until the list next changes. Throws std::out_of_range past
    // the end.
    std::string_view operator[](std::size_t index) const;

private:
    std::string_view At(std::size_t index) const;
    void PutInOrder() const;
    std::vector<std::size_t> SortedOrder() const;
    void Rearrange(const std::vector<std::size_t> &order) const;

    const TLocale &m_locale;
    bool m_sorted = false;
    mutable std::vector<char> m_bytes;
    mutable std::vector<std::uint64_t> m_ends; // entry i is [m_ends[i - 1], m_ends[i])
    mutable bool m_inOrder = true;
};
