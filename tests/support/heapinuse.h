#pragma once

#include <cstddef>

// The bytes the program has allocated now, small blocks and those mapped on their own
// alike: from the C library's counters, or from AddressSanitizer's allocator, which takes
// the place of the C library's in a sanitizer build.
std::size_t HeapInUse();
