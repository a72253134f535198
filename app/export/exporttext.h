#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <time.h>

#include "platform/system/utf8.h"

// Texts of the data formats (CSV, JSON, HTML), written as UTF-8 bytes.

std::string Base64(std::string_view bytes);

// The moment in ISO 8601 with the local offset, to the second ("2024-03-05T13:47:30+01:00"),
// or in UTC ("1850-01-01T00:00:00Z") where the local offset is not a whole minute; years
// past 9999 or before 0 in the expanded form ("+10000-01-01T..."). Empty when it has no
// local time.
std::string IsoLocalTime(const struct timespec &moment);

// Appends the field to a CSV line (RFC 4180): in double quotes, its quotes doubled,
// when it holds a comma, a quote, a CR or a LF; answers whether it did so.
bool AppendCsvField(std::string &line, std::string_view field);
// Appends the UTF-8 text as a JSON string, quotes included: control characters and the
// line and paragraph separators (U+2028, U+2029) escaped.
void AppendJsonString(std::string &out, std::string_view utf8);
// Appends the UTF-8 text with "<", ">", "&" and both quotes escaped for HTML.
void AppendHtmlText(std::string &out, std::string_view utf8);
