#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <time.h>

#include "app/read/bytecount.h"

class TFileList;

// The files of a read as a tree of folders, for the data formats and the folder totals:
// each folder comes once, with its own files (in the list's order) before its subfolders
// (in the order the list first reaches them). The folders are those the listing shows:
// every folder on the way to a file found, the root first.

struct TTreeFile
{
    std::string_view Name; // the name's bytes
    std::int64_t Size = 0;
    std::optional<struct timespec> ModTime; // nothing when the file is gone since the walk
};

struct TTreeFolder
{
    std::string_view Path; // relative to the root, ending in '/'; empty for the root
    std::string_view Name; // empty for the root
    int Depth = 0; // the root's is 0
    std::optional<struct timespec> ModTime;
    std::int64_t FileCount = 0; // its own files, not those of its subfolders
    TByteCount FileBytes = 0;
};

class ITreeVisitor
{
public:
    virtual ~ITreeVisitor() = default;
    // Before the folder's files and subfolders, its own totals known.
    virtual void BeginFolder(const TTreeFolder &folder) = 0;
    virtual void File(const TTreeFolder &folder, const TTreeFile &file) = 0;
    // After its subfolders; `treeCount` and `treeBytes` count the files of the whole
    // subtree.
    virtual void EndFolder(const TTreeFolder &folder, std::int64_t treeCount, TByteCount treeBytes) = 0;
};

// Visits the tree of `files` (paths relative to `rootDir`, which ends in '/'), looking at
// each file's size and time once, relative to its folder held open.
void VisitTree(const TFileList &files, const std::string &rootDir, ITreeVisitor &visitor);
