// The libFuzzer entry point of one target; FUZZ_CHECK names its check (see
// checks/fuzzchecks.h). A check that fails prints what went wrong and aborts, which
// libFuzzer reports as a crash and saves the input of.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/checks/fuzzchecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string failure = FUZZ_CHECK(data, size);
    if (!failure.empty()) {
        std::fprintf(stderr, "%s: %s\n", FUZZ_TARGET_NAME, failure.c_str());
        std::abort();
    }
    return 0;
}
