#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// UTF-8 as the system's names are written: checked, decoded one sequence at a time.

// The length of the valid UTF-8 sequence at `at` (1 to 4) and its code point, or 0 when
// it is not one: a stray or missing continuation byte, an overlong form, an encoded
// surrogate or a code point above U+10FFFF.
std::size_t Utf8SequenceLength(std::string_view bytes, std::size_t at, char32_t &codePoint);
// Whether the bytes are UTF-8 throughout.
bool IsUtf8(std::string_view bytes);
// The bytes as UTF-8, each invalid sequence replaced by U+FFFD, as ToQString reads it.
std::string ValidUtf8(std::string_view bytes);
