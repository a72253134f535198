#include "fuzz/checks/fuzzchecks.h"

const TFuzzTarget FuzzTargets[] = {
    {"rtfwriter", CheckRtfWriter},
    {"listing", CheckListing},
    {"masksearch", CheckMaskSearch},
    {"idlist", CheckIdLists},
};
const std::size_t FuzzTargetCount = std::size(FuzzTargets);
