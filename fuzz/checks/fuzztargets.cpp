#include "fuzz/checks/fuzzchecks.h"

const TFuzzTarget FuzzTargets[] = {
    {"rtfwriter", CheckRtfWriter},
    {"listing", CheckListing},
};
const std::size_t FuzzTargetCount = std::size(FuzzTargets);
