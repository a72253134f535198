#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>
#include <type_traits>
#include <utility>

class TLocale;
class TSortKeys;
class TSortKeyWorker;

// An array of plain values in one block grown through realloc, which moves a large block
// by remapping its pages instead of copying them. It grows by an eighth at a time, so
// that little room stays unused, and never holds two copies of its values.
template <typename T> class TPackedArray
{
    static_assert(std::is_trivially_copyable_v<T>);

public:
    TPackedArray() = default;
    TPackedArray(TPackedArray &&other) noexcept { Swap(other); }
    TPackedArray &operator=(TPackedArray &&other) noexcept
    {
        TPackedArray(std::move(other)).Swap(*this);
        return *this;
    }
    ~TPackedArray() { std::free(m_data); }

    std::size_t Size() const { return m_size; }
    std::size_t Capacity() const { return m_capacity; }
    T *Data() { return m_data; }
    const T *Data() const { return m_data; }
    T &operator[](std::size_t index) { return m_data[index]; }
    const T &operator[](std::size_t index) const { return m_data[index]; }

    void PushBack(T value)
    {
        if (m_size == m_capacity)
            Grow(m_size + 1);
        m_data[m_size++] = value;
    }
    void Append(const T *values, std::size_t count)
    {
        if (count > m_capacity - m_size)
            Grow(m_size + count);
        if (count > 0)
            std::memcpy(m_data + m_size, values, count * sizeof(T));
        m_size += count;
    }
    // Makes room for `count` more values after the last (an eighth more when it must
    // grow) and answers where they go; AddSize counts those written.
    T *Room(std::size_t count)
    {
        if (count > m_capacity - m_size)
            Grow(m_size + count);
        return m_data + m_size;
    }
    void AddSize(std::size_t count) { m_size += count; }
    // Room for exactly `capacity` values in all, when it has less.
    void Reserve(std::size_t capacity)
    {
        if (capacity > m_capacity)
            Reallocate(capacity);
    }
    void ShrinkToFit() { Reallocate(m_size); }
    // Removes every value and gives the block back.
    void Clear() { TPackedArray().Swap(*this); }

private:
    void Swap(TPackedArray &other) noexcept
    {
        std::swap(m_data, other.m_data);
        std::swap(m_size, other.m_size);
        std::swap(m_capacity, other.m_capacity);
    }
    void Grow(std::size_t needed)
    {
        Reallocate(std::max({needed, m_capacity + m_capacity / 8, 4096 / sizeof(T)}));
    }
    void Reallocate(std::size_t capacity)
    {
        if (capacity == 0) {
            Clear();
            return;
        }
        if (capacity > SIZE_MAX / sizeof(T))
            throw std::bad_alloc();
        void *data = std::realloc(m_data, capacity * sizeof(T));
        if (!data)
            throw std::bad_alloc();
        m_data = static_cast<T *>(data);
        m_capacity = capacity;
    }

    T *m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
};

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
    std::size_t Count() const;
    // The entry's bytes; valid until the list next changes. Throws std::out_of_range past
    // the end.
    std::string_view operator[](std::size_t index) const;

private:
    // The path added `entry`th.
    std::string_view Entry(std::size_t entry) const;
    void HandOverKeys();
    void PutInOrder() const;
    std::unique_ptr<TSortKeys> AllKeys() const;

    // Entries handed to the key thread at a time.
    static constexpr std::size_t KeyBatchEntries = 16384;

    const TLocale &m_locale;
    bool m_sorted = false;
    mutable TPackedArray<char> m_bytes;
    mutable TPackedArray<std::uint64_t> m_ends; // entry i is [m_ends[i - 1], m_ends[i])
    // Sorted: the entries in their order, duplicates left out; up to date when m_inOrder.
    mutable TPackedArray<std::uint32_t> m_order;
    mutable bool m_inOrder = true;
    // Sorted: makes the keys of the entries before m_handedOver; none before the first
    // batch or once it failed to start.
    mutable std::unique_ptr<TSortKeyWorker> m_keyWorker;
    mutable std::size_t m_handedOver = 0;
    bool m_keysOnThread = true;
};
