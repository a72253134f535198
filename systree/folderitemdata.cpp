#include "systree/folderitemdata.h"

const char *const SNoFolderData = "Could not get folder data.";
const char *const SLeaking = "Memory Leak Detected.  Not all folder data was freed.";

namespace {

int liveFolderDataCount = 0;

} // namespace

ENoFolderData::ENoFolderData()
    : Exception(SNoFolderData)
{ }

ELeaking::ELeaking()
    : Exception(SLeaking)
{ }

TFolderItemData::TFolderItemData()
{
    ++liveFolderDataCount;
}

TFolderItemData::~TFolderItemData()
{
    --liveFolderDataCount;
}

int LiveFolderDataCount()
{
    return liveFolderDataCount;
}

void CheckLeaks(int liveCount)
{
    if (liveCount > 0)
        throw ELeaking();
}

void ShellControlsShutdown()
{
    CheckLeaks(liveFolderDataCount);
}
