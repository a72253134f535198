#pragma once

// The data record of a shell folder tree node and the leak accounting of the shell
// control family.
//
// Every TFolderItemData alive is counted in one family-wide count (a plain int: records
// live on the interface thread only). When the family shuts down the count must be back
// at 0; otherwise the shutdown check raises ELeaking. The tree keeps its own count of the
// records it attached (LiveNodeDataCount); systree/shutdown.h runs both checks at exit.

#include <cstdint>

#include "platform/shell/shellapi.h"
#include "platform/system/error.h"

extern const char *const SNoFolderData; // "Could not get folder data."
extern const char *const SLeaking; // "Memory Leak Detected.  Not all folder data was freed."

// A tree node that must carry folder data carries none.
class ENoFolderData : public Exception
{
public:
    ENoFolderData();
    using Exception::Exception;
};

// Folder data records are still alive when the shell controls shut down.
class ELeaking : public Exception
{
public:
    ELeaking();
    using Exception::Exception;
};

// Which shell item a tree node stands for. The creator fills the fields right after
// construction.
//
// ParentFolder is owned (released with the record). The two item ID lists are NOT owned:
// whoever destroys the record frees both with IdListFree just before, or they leak.
class TFolderItemData
{
public:
    TFolderItemData();
    virtual ~TFolderItemData();

    TFolderItemData(const TFolderItemData &) = delete;
    TFolderItemData &operator=(const TFolderItemData &) = delete;

    // True when at least one bit of `mask` is set in Attributes.
    bool HasAttribute(std::uint32_t mask) const { return (Attributes & mask) != 0; }

    bool Populated = false;
    TComPtr<IShellFolder> ParentFolder;
    std::uint32_t Attributes = 0; // SFGAO_ flags
    LPITEMIDLIST RelativeIDList = nullptr;
    LPITEMIDLIST AbsoluteIDList = nullptr;
};

// The number of TFolderItemData records alive.
int LiveFolderDataCount();

// Raises ELeaking when `liveCount` is above 0. The tree runs its own count of attached
// records through it too.
void CheckLeaks(int liveCount);

// The shutdown check of the shell control family, run once the last control is gone:
// ELeaking when folder data records are still alive.
void ShellControlsShutdown();
