#pragma once

// Texts of the system code page (UTF-8 bytes in a std::string) for Qt's interfaces.

#include <string_view>

#include <QString>

// The UTF-8 bytes as a QString; an invalid sequence becomes U+FFFD.
inline QString ToQString(std::string_view bytes)
{
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// The bytes in double quotes, the way messages name a file or a folder.
inline QString Quoted(std::string_view bytes)
{
    return u'"' + ToQString(bytes) + u'"';
}
