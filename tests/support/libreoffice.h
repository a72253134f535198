#pragma once

#include <optional>
#include <string>

// Whether `soffice` is on the PATH.
bool LibreOfficeAvailable();

// Converts a file with LibreOffice headless (`soffice --convert-to <filter>`) into outDir
// and returns the converted file's bytes; nullopt when LibreOffice is missing, fails, or
// takes more than two minutes. Each call has its own temporary user profile, so tests
// may convert in parallel. Filters: "txt:Text (encoded):UTF8" gives UTF-8 text, one
// paragraph a line; "html" gives HTML (bold as <b>). The output's extension is the
// filter's part before the first ':'.
std::optional<std::string> ConvertWithLibreOffice(
    const std::string &inputPath, const std::string &filter, const std::string &outDir);
