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

// A name and a mask string: each mask must match as the plain token rules say (and
// never where no glob would), the parsed list must hold exactly the string's masks,
// and matching against the list must agree with its masks.
std::string CheckMaskSearch(const std::uint8_t *data, std::size_t size);

// Item ID lists built by the namespace (parsed paths, special folders, enumerated
// children) and foreign lists made of the fuzzer's bytes, put through the list
// helpers: joins and splits keep every item in order, paths parse back to themselves,
// children name paths inside their folder, foreign lists are refused or answered
// without a crash, and every block of the shell allocator is released.
std::string CheckIdLists(const std::uint8_t *data, std::size_t size);

using TFuzzCheck = std::string (*)(const std::uint8_t *data, std::size_t size);

struct TFuzzTarget
{
    const char *Name; // also the folder of its corpus and regressions under fuzz/
    TFuzzCheck Check;
};

// Every target, for the regression tests.
extern const TFuzzTarget FuzzTargets[];
extern const std::size_t FuzzTargetCount;
