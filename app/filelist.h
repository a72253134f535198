#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <QCollatorSortKey>

class TLocale;

// The relative paths of the files a read found, in the order of the walk or sorted.
//
// A sorted list orders its entries by the locale's comparison ignoring case, ties broken
// by the exact bytes, so that "A.txt" and "a.txt" both stay; an entry identical to one
// already listed is dropped. Entries are collected with their sort keys and put in
// order once, when the list is first read after a change: O(n log n) for a whole read.
class TFileList
{
public:
    explicit TFileList(const TLocale &locale);

    void Clear();
    bool Sorted() const { return m_sorted; }
    // Takes effect for entries added after the call; call it on an empty list.
    void SetSorted(bool sorted) { m_sorted = sorted; }

    void Add(std::string path);
    std::size_t Count() const;
    const std::string &operator[](std::size_t index) const;

private:
    struct TEntry
    {
        std::string Path;
        QCollatorSortKey Key;
    };

    void PutInOrder() const;

    const TLocale &m_locale;
    bool m_sorted = false;
    mutable std::vector<TEntry> m_entries;
    mutable bool m_inOrder = true;
};
