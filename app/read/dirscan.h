#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

struct TSearchRec;

// A file the walk found: its name, and the folder it lies in, held open, so that the file
// can be looked at without its path.
struct TScanFile
{
    std::string_view Name; // NUL-terminated
    int FolderFd = -1; // for the *at() calls; valid during the callback only
};

// Receives each file found with the folder it lies in (ending in '/'); answers false to
// end the walk.
using TFileScanCallback = std::function<bool(const std::string &folderPath, const TScanFile &file)>;

// Walks the folder tree under `Root` (the current folder when empty) depth first and
// reports every file whose name matches `Mask` ("*.*" when empty): the files of a folder
// before anything in its subfolders, each folder's entries in the file system's order.
// Hidden, system and read-only files are reported; hidden and system folders are not
// walked, nor a folder that cannot be read. Links to folders are followed, but each
// folder (device and inode) is walked once per call, by the first path that reaches it,
// and no link leads into or out of a file system the kernel makes up (/proc, /sys, ...),
// so that every walk ends. Folders lie at any depth, whatever the length of their
// paths and however few descriptors the process may open: the walk holds the root and
// the deepest few levels open, and opens the others again on its way back up. The
// folder paths handed to the callback begin with `Root` as given. Exceptions
// thrown by the callback pass to the caller.
//
// Each folder is read once, in one pass; an entry is looked at only where the type the
// folder lists cannot tell a file from a folder (links, file systems that list no type).
void ScanFiles(std::string Root, std::string Mask, const TFileScanCallback &Callback);

// Which subfolders a walk enters beyond its own rules; a folder refused here is never
// opened.
struct TScanLimits
{
    // Folders deeper than this are not walked: the root lies at depth 0, its subfolders
    // at 1, so 0 walks the root's own files only.
    std::optional<int> MaxDepth;
    // Asked with each subfolder's name: false leaves it out.
    std::function<bool(std::string_view name)> EntersFolder;
    // Threads that open and read the subfolders ahead of the walk: by default as many as
    // the root's file system wants (eight on a network file system; on a local one none
    // until its folders prove slow to read, then four), or VANTREL_READ_AHEAD_THREADS; 0
    // reads each folder as the walk enters it. The walk and what it reports are the same
    // either way. EntersFolder is then asked from several threads at once.
    std::optional<unsigned> ReadAheadThreads;
};

// The walk of ScanFiles within `Limits`.
void ScanFiles(
    std::string Root, std::string Mask, const TFileScanCallback &Callback, const TScanLimits &Limits);

// Receives each file found with the folder it lies in (ending in '/'), described as a
// directory search describes it; answers false to end the walk.
using TScanCallback = std::function<bool(const std::string &folderPath, const TSearchRec &entry)>;

// The walk of ScanFiles, each file described in full (attributes, size, time): one more
// look at each file, for callers that need more than the name.
void ScanDirectory(std::string Root, std::string Mask, const TScanCallback &Callback);
