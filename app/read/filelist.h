#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/system/packedarray.h"

class TFileFacts;
class TLocale;
class TSortKeys;
class TSortKeyWorker;

// The folder part of a list entry: up to and including its last delimiter, empty for a
// file of the root.
std::string_view FolderPartOf(std::string_view entry);

// The relative paths of the files a read found, in the order of the walk or sorted.
//
// A sorted list orders its entries by the locale's comparison ignoring case, ties broken
// by the exact bytes, so that "A.txt" and "a.txt" both stay; an entry identical to one
// already listed is dropped. Entries are put in order once, when the list is first read
// after a change: O(n log n) for a whole read.
//
// The paths lie end to end in one buffer, found by where each ends: a million paths cost
// their bytes and eight more each, not an allocation each; a sorted list adds four for
// the order. Sort keys exist only while the list puts itself in order, end to end in one
// buffer too. While a sorted list is being filled, a thread of its own makes the keys of
// the entries added so far, so that most are made when the last entry comes.
//
// Once filled, the list is finished (Finish()): that is where it waits for its threads.
// A sorted list is read only once finished after its last change.
//
// A list told to look at its files gets the size and time of each file added from then
// on, on another thread while it is being filled (TFileFacts).
class TFileList
{
public:
    explicit TFileList(const TLocale &locale);
    ~TFileList();

    void Clear();
    bool Sorted() const { return m_sorted; }
    // Meant for an empty list: entries already held are listed in the new order too.
    void SetSorted(bool sorted);

    // Throws std::length_error past 2^32 - 1 entries.
    void Add(std::string_view path);
    // No more entries come for now: puts a sorted list in order, once its sort keys are
    // all made, and closes what is found of the files (Facts()) to further entries.
    void Finish();
    // Throws std::logic_error for a sorted list changed since it was last finished.
    std::size_t Count() const;
    // The entry's bytes; valid until the list next changes. Throws std::out_of_range past
    // the end.
    std::string_view operator[](std::size_t index) const;
    // The place of the entry at `index` in the order the entries were added, from 0:
    // where TFileFacts keeps what it found of the entry.
    std::size_t AddedIndex(std::size_t index) const;

    // Looks at the size and time of each file added from now on, the paths relative to
    // `rootDir` (ending in '/'). Throws std::logic_error unless the list is empty.
    void LookAtFiles(const std::string &rootDir);
    // What is found of the files, each read as soon as it is looked at (TFileFacts::Of
    // waits for that) once the list is finished; nullptr unless the list was told to look
    // at them. A finished list then takes no more entries (std::logic_error) until it
    // forgets what it found.
    const TFileFacts *Facts() const { return m_facts.get(); }
    // Looks at no more files and lets go of what it found.
    void ForgetFacts();

private:
    // The path added `entry`th.
    std::string_view Entry(std::size_t entry) const;
    void HandOverKeys();
    std::unique_ptr<TSortKeys> AllKeys();
    // Throws std::logic_error unless the list may be read.
    void CheckFinished() const;

    // Entries handed to the key thread at a time.
    static constexpr std::size_t KeyBatchEntries = 16384;

    const TLocale &m_locale;
    bool m_sorted = false;
    TPackedArray<char> m_bytes;
    TPackedArray<std::uint64_t> m_ends; // entry i is [m_ends[i - 1], m_ends[i])
    // Sorted: the entries in their order, duplicates left out; up to date when m_inOrder.
    TPackedArray<std::uint32_t> m_order;
    bool m_inOrder = true;
    // Sorted: makes the keys of the entries before m_handedOver; none before the first
    // batch.
    std::unique_ptr<TSortKeyWorker> m_keyWorker;
    std::size_t m_handedOver = 0;
    std::unique_ptr<TFileFacts> m_facts; // while the list looks at its files
};
