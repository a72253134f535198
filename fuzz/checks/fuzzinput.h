#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Reads a fuzzer's bytes as a sequence of small values. Past the end every read gives
// zeros and empty strings, so any input, also an empty one, is a valid case.
class TFuzzInput
{
public:
    TFuzzInput(const std::uint8_t *data, std::size_t size)
        : m_data(data)
        , m_size(size)
    { }

    bool AtEnd() const { return m_pos >= m_size; }

    std::uint8_t Byte() { return AtEnd() ? 0 : m_data[m_pos++]; }

    // A string of up to `maxLength` bytes, its length taken from the next byte.
    std::string Bytes(std::size_t maxLength)
    {
        const std::size_t wanted = Byte() % (maxLength + 1);
        const std::size_t length = std::min(wanted, m_size - std::min(m_pos, m_size));
        std::string result(reinterpret_cast<const char *>(m_data) + m_pos, length);
        m_pos += length;
        return result;
    }

    // A string over a small alphabet, which finds the interesting cases far sooner
    // than raw bytes: each input byte picks one character.
    std::string Over(std::string_view alphabet, std::size_t maxLength)
    {
        std::string result = Bytes(maxLength);
        for (char &c : result)
            c = alphabet[static_cast<unsigned char>(c) % alphabet.size()];
        return result;
    }

private:
    const std::uint8_t *m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};
