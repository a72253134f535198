#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The properties the fuzz targets check. Each takes arbitrary bytes, builds a case from
// them, runs the code under test and returns an empty string when the property holds,
// otherwise a description of what went wrong. The fuzzers stop on a description; the
// regression tests run the same checks over saved inputs and random ones.

// Paragraphs of runs (text, bold) and a font name written as RTF must read back, with
// the project's test RTF reader, as well-formed RTF with the same text and boldness
// per character and the same font name.
std::string CheckRtfWriter(const std::uint8_t *data, std::size_t size);

// A list of relative file paths, sorted or not, written as a listing must read back as
// the same files (names as the listing shows them), in the list's order with the
// root's files last; folders only must read back as the folders of the list.
std::string CheckListing(const std::uint8_t *data, std::size_t size);

using TFuzzCheck = std::string (*)(const std::uint8_t *data, std::size_t size);

struct TFuzzTarget
{
    const char *Name; // also the folder of its corpus and regressions under fuzz/
    TFuzzCheck Check;
};

// Every target, for the regression tests.
extern const TFuzzTarget FuzzTargets[];
extern const std::size_t FuzzTargetCount;
