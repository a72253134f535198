#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <new>
#include <type_traits>

// A vector of plain values for buffers of hundreds of megabytes. It grows by a quarter
// rather than doubling, and through realloc, which the C library serves for large blocks
// by remapping their pages: growing or trimming a big buffer neither copies it nor holds
// the old and the new copy at once, so the peak stays close to the contents.
template <typename T> class TGrowingArray
{
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);

public:
    using value_type = T;
    using iterator = T *;
    using const_iterator = const T *;

    TGrowingArray() = default;
    TGrowingArray(std::initializer_list<T> values) { insert(end(), values.begin(), values.end()); }
    TGrowingArray(const TGrowingArray &) = delete;
    TGrowingArray &operator=(const TGrowingArray &) = delete;
    ~TGrowingArray() { std::free(m_data); }

    T *data() { return m_data; }
    const T *data() const { return m_data; }
    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    iterator begin() { return m_data; }
    iterator end() { return m_data + m_size; }
    const_iterator begin() const { return m_data; }
    const_iterator end() const { return m_data + m_size; }
    T &operator[](std::size_t i) { return m_data[i]; }
    const T &operator[](std::size_t i) const { return m_data[i]; }
    T &back() { return m_data[m_size - 1]; }
    const T &back() const { return m_data[m_size - 1]; }

    void push_back(T value)
    {
        if (m_size == m_capacity)
            Grow(m_size + 1);
        m_data[m_size++] = value;
    }

    // Inserts the values of [first, last), which must not lie in this array; answers where
    // the first of them went.
    template <typename It> iterator insert(const_iterator at, It first, It last)
    {
        const auto index = std::size_t(at - m_data);
        const auto count = std::size_t(std::distance(first, last));
        if (m_size + count > m_capacity)
            Grow(m_size + count);
        T *const place = m_data + index;
        if (count > 0)
            std::memmove(place + count, place, (m_size - index) * sizeof(T));
        std::copy(first, last, place);
        m_size += count;
        return place;
    }

    iterator erase(const_iterator first, const_iterator last)
    {
        T *const from = m_data + (first - m_data);
        const auto count = std::size_t(last - first);
        if (count > 0)
            std::memmove(from, from + count, std::size_t(end() - (from + count)) * sizeof(T));
        m_size -= count;
        return from;
    }

    // Empties the array and gives its memory back.
    void clear()
    {
        std::free(m_data);
        m_data = nullptr;
        m_size = m_capacity = 0;
    }

    void shrink_to_fit()
    {
        if (m_size < m_capacity)
            Resize(m_size);
    }

private:
    void Grow(std::size_t needed)
    {
        Resize(std::max({needed, m_capacity + m_capacity / 4, std::size_t(256)}));
    }

    void Resize(std::size_t capacity)
    {
        if (capacity == 0) {
            clear();
            return;
        }
        void *grown = std::realloc(m_data, capacity * sizeof(T));
        if (grown == nullptr)
            throw std::bad_alloc();
        m_data = static_cast<T *>(grown);
        m_capacity = capacity;
    }

    T *m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
};
