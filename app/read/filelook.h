#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <time.h>

#include "platform/system/fd.h"
#include "platform/system/folderread.h"

// Looks at files by their paths relative to a root, one folder at a time: the folder is
// opened once (O_PATH) for the run of its files, and each file is looked at relative to
// it as SizeAndTimeAt looks (through a link, or the link itself when it leads nowhere);
// by its whole path where the folder cannot be opened. The one way the read looks at a
// file after the walk has passed it.
class TFileLook
{
public:
    // `rootDir` ends in '/'; `root` is the root held open, or an invalid descriptor;
    // both outlive the look.
    TFileLook(const std::string &rootDir, const TFd &root)
        : m_rootDir(rootDir)
        , m_root(root)
    { }

    // Moves to the folder at the path relative to the root (ending in '/', empty for the
    // root). Answers the folder's own last-write time, std::nullopt when it cannot be
    // looked at.
    std::optional<struct timespec> EnterFolder(std::string_view folder);
    // The file of the folder entered last; std::nullopt when it is gone.
    std::optional<TSizeAndTime> File(std::string_view name);

private:
    TFd OpenFolder() const;

    const std::string &m_rootDir;
    const TFd &m_root;
    std::string m_folder; // the folder entered last, relative to the root
    TFd m_opened; // that folder, invalid where it cannot be opened
    std::string m_name; // the last file's name, NUL-terminated, its room kept
};
