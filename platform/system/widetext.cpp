// UTF-8 <-> UTF-16 for the shell's wide texts. A byte that does not belong to a valid
// UTF-8 sequence becomes the lone surrogate U+DC00 + byte (U+DC80..U+DCFF; ASCII bytes
// are always valid), so that any byte string without NUL survives the round trip.

#include "platform/system/utf8.h"
#include "platform/system/wintypes.h"

namespace {

constexpr char16_t StrayBase = 0xDC00;

void AppendUtf8(std::string &out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace

std::u16string WideFromSystem(std::string_view bytes)
{
    std::u16string text;
    text.reserve(bytes.size());
    std::size_t at = 0;
    while (at < bytes.size()) {
        char32_t cp = 0;
        const std::size_t length = Utf8SequenceLength(bytes, at, cp);
        if (length == 0) {
            text += static_cast<char16_t>(StrayBase + static_cast<unsigned char>(bytes[at]));
            ++at;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            text += static_cast<char16_t>(0xD800 + (cp >> 10));
            text += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            text += static_cast<char16_t>(cp);
        }
        at += length;
    }
    return text;
}

std::string SystemFromWide(std::u16string_view text)
{
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00
            && text[i + 1] <= 0xDFFF) {
            const char32_t cp = 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            AppendUtf8(bytes, cp);
            ++i;
        } else if (unit >= 0xDC80 && unit <= 0xDCFF) {
            bytes += static_cast<char>(unit - StrayBase);
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            AppendUtf8(bytes, 0xFFFD);
        } else {
            AppendUtf8(bytes, unit);
        }
    }
    return bytes;
}
