#include "tests/support/heapinuse.h"

#include <malloc.h>

#if defined(__SANITIZE_ADDRESS__)
// From AddressSanitizer's run-time library (sanitizer/allocator_interface.h).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

std::size_t HeapInUse()
{
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    const auto info = ::mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}
