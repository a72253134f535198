#include "platform/system/utf8.h"

#include <cstdint>
#include <cstring>

#include "platform/system/qtext.h"

namespace {

bool IsContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

} // namespace

std::size_t Utf8SequenceLength(std::string_view bytes, std::size_t at, char32_t &codePoint)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[at + i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (at + length > bytes.size())
        return 0;
    if (byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (!IsContinuation(byte(i)))
            return 0;
    }
    char32_t value = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i)
        value = (value << 6) | (byte(i) & 0x3F);
    codePoint = value;
    return length;
}

bool IsUtf8(std::string_view bytes)
{
    // ASCII, most names, eight bytes at a time.
    std::size_t ascii = 0;
    for (std::uint64_t eight; ascii + 8 <= bytes.size(); ascii += 8) {
        std::memcpy(&eight, bytes.data() + ascii, 8);
        if (eight & 0x8080808080808080)
            break;
    }
    char32_t codePoint = 0;
    for (std::size_t i = ascii; i < bytes.size();) {
        const std::size_t length = Utf8SequenceLength(bytes, i, codePoint);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

std::string ValidUtf8(std::string_view bytes)
{
    if (IsUtf8(bytes))
        return std::string(bytes);
    return ToQString(bytes).toStdString();
}
