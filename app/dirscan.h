#pragma once

#include <functional>
#include <string>

struct TSearchRec;

// Receives each file found with the folder it lies in (ending in '/'); answers false to
// end the walk.
using TScanCallback = std::function<bool(const std::string &folderPath, const TSearchRec &entry)>;

// Walks the folder tree under `Root` (the current folder when empty) depth first and
// reports every file whose name matches `Mask` ("*.*" when empty): the files of a folder
// before anything in its subfolders, each folder's entries in the file system's order.
// Hidden, system and read-only files are reported; hidden and system folders are not
// walked, nor a folder that cannot be read. Links to folders are followed, but each
// folder (device and inode) is walked once per call, by the first path that reaches it,
// and no link leads into or out of a file system the kernel makes up (/proc, /sys, ...),
// so that every walk ends. Folders lie at any depth, whatever the length of their
// paths. The folder paths handed to the callback begin with `Root` as given. Exceptions thrown by the
// callback pass to the caller.
void ScanDirectory(std::string Root, std::string Mask, const TScanCallback &Callback);
