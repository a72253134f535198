#pragma once

#include <dirent.h>

#include "platform/system/folderread.h"

// What an entry of a folder is, looking through a link.
struct TEntryKind
{
    bool Exists = true; // false: gone since the folder listed it
    bool Folder = false;
    bool Link = false; // the entry itself is a link
};

// The kind of `entry` of the folder open as `dirFd`, from the type the folder lists where
// it tells: only links and entries of unknown type are looked at. A link that leads
// nowhere (dangling, a loop) is a file, as a directory search reports it.
TEntryKind KindOf(int dirFd, const TFolderEntry &entry);

// Whether KindOf looks at the entry (else the folder's listing tells).
inline bool KindNeedsLook(const TFolderEntry &entry)
{
    return entry.Type == DT_LNK || entry.Type == DT_UNKNOWN;
}
