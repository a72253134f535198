#include "app/export/exporttext.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include <QString>

#include "platform/system/qtext.h"
#include "platform/system/utf8.h"

namespace {

// Appends `value` (0 or more) in `width` digits at least, zeros before it.
void AppendDigits(std::string &out, int value, int width)
{
    char digits[16];
    char *end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(std::max<std::ptrdiff_t>(0, width - (end - digits)), '0');
    out.append(digits, end);
}

void AppendHex4(std::string &out, unsigned value)
{
    char text[8];
    std::snprintf(text, sizeof text, "\\u%04x", value);
    out += text;
}

} // namespace

std::string Base64(std::string_view bytes)
{
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())).toBase64().toStdString();
}

std::string IsoLocalTime(const struct timespec &moment)
{
    struct tm parts;
    if (::localtime_r(&moment.tv_sec, &parts) == nullptr)
        return {};
    // ISO 8601 and RFC 3339 offsets are whole minutes; a zone's old local mean time may
    // be off UTC by seconds too (Paris was +00:09:21), and such a moment is written in
    // UTC, exact and readable by every reader.
    const bool utc = parts.tm_gmtoff % 60 != 0;
    if (utc && ::gmtime_r(&moment.tv_sec, &parts) == nullptr)
        return {};
    // Written digit by digit: this runs for every second that files were written in.
    std::string text;
    const long long year = static_cast<long long>(parts.tm_year) + 1900;
    if (year < 0 || year > 9999) {
        // The expanded form: a sign, then at least four digits.
        text += year < 0 ? '-' : '+';
        char digits[24];
        text.append(digits, std::snprintf(digits, sizeof digits, "%04lld", std::llabs(year)));
    } else {
        AppendDigits(text, static_cast<int>(year), 4);
    }
    const long offset = utc ? 0 : parts.tm_gmtoff / 60;
    const int fields[] = {parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec,
        static_cast<int>(std::labs(offset) / 60), static_cast<int>(std::labs(offset) % 60)};
    const char before[] = {'-', '-', 'T', ':', ':', offset < 0 ? '-' : '+', ':'};
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        if (utc && i == 5) {
            text += 'Z';
            break;
        }
        text += before[i];
        AppendDigits(text, fields[i], 2);
    }
    return text;
}

bool AppendCsvField(std::string &line, std::string_view field)
{
    const auto special = [](char c) { return c == ',' || c == '"' || c == '\r' || c == '\n'; };
    if (std::none_of(field.begin(), field.end(), special)) {
        line += field;
        return false;
    }
    line += '"';
    for (const char c : field) {
        if (c == '"')
            line += '"';
        line += c;
    }
    line += '"';
    return true;
}

void AppendJsonString(std::string &out, std::string_view utf8)
{
    out += '"';
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            AppendHex4(out, c);
        } else if (c == 0xE2 && i + 2 < utf8.size() && utf8[i + 1] == '\x80'
            && (utf8[i + 2] == '\xA8' || utf8[i + 2] == '\xA9')) {
            AppendHex4(out, utf8[i + 2] == '\xA8' ? 0x2028 : 0x2029);
            i += 2;
        } else {
            out += static_cast<char>(c);
        }
    }
    out += '"';
}

void AppendHtmlText(std::string &out, std::string_view utf8)
{
    for (const char c : utf8) {
        switch (c) {
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '&':
            out += "&amp;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
}
