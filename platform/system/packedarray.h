#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

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
    // Puts `count` values at `index`, moving those from there on; the values must not lie
    // in this array.
    void Insert(std::size_t index, const T *values, std::size_t count)
    {
        Room(count);
        T *const place = m_data + index;
        if (count > 0) {
            std::memmove(place + count, place, (m_size - index) * sizeof(T));
            std::memcpy(place, values, count * sizeof(T));
        }
        m_size += count;
    }
    // Removes the values from `from` up to `to`.
    void Erase(std::size_t from, std::size_t to)
    {
        if (to > from)
            std::memmove(m_data + from, m_data + to, (m_size - to) * sizeof(T));
        m_size -= to - from;
    }
    T &Back() { return m_data[m_size - 1]; }
    T *begin() { return m_data; }
    T *end() { return m_data + m_size; }
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
