#pragma once

#include <cstdint>
#include <initializer_list>
#include <type_traits>

// A set of values of a small enum class (at most 32 values), as a bit mask.
template <typename E> class TSet
{
    static_assert(std::is_enum_v<E>);

public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> values)
    {
        for (E value : values)
            m_bits |= Bit(value);
    }

    constexpr bool Contains(E value) const { return (m_bits & Bit(value)) != 0; }
    constexpr bool Empty() const { return m_bits == 0; }
    constexpr void Include(E value) { m_bits |= Bit(value); }
    constexpr void Exclude(E value) { m_bits &= ~Bit(value); }
    constexpr void Set(E value, bool on) { on ? Include(value) : Exclude(value); }
    constexpr std::uint32_t Bits() const { return m_bits; }

    constexpr bool operator==(const TSet &) const = default;
    constexpr TSet operator+(TSet other) const { return FromBits(m_bits | other.m_bits); }
    constexpr TSet operator-(TSet other) const { return FromBits(m_bits & ~other.m_bits); }
    constexpr TSet operator*(TSet other) const { return FromBits(m_bits & other.m_bits); }

    static constexpr TSet FromBits(std::uint32_t bits)
    {
        TSet set;
        set.m_bits = bits;
        return set;
    }

private:
    static constexpr std::uint32_t Bit(E value) { return std::uint32_t(1) << static_cast<unsigned>(value); }

    std::uint32_t m_bits = 0;
};
