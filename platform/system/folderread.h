#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string_view>
#include <sys/types.h>
#include <vector>

#include "platform/system/fd.h"

// Reading a folder in one pass, and looking at one of its entries without a path, for
// walks that meet hundreds of thousands of entries.

// One entry of a folder: its name (NUL-terminated where it lies) and the type the folder
// lists for it (DT_REG, DT_DIR, DT_LNK, ..., DT_UNKNOWN when the file system does not
// say).
struct TFolderEntry
{
    std::string_view Name;
    unsigned char Type = 0;
};

// Reads the entries of one folder at a time in the file system's order, straight from
// getdents64 into a buffer it keeps from one folder to the next.
class TFolderReader
{
public:
    TFolderReader();

    // Starts on the folder open as `dirFd` (O_PATH will do), through a descriptor of its
    // own so that the reading moves no other's place, or through `dirFd` itself when
    // `readThrough` says it is open for reading and nobody else reads it; false (errno
    // set) when the folder cannot be read.
    bool Start(int dirFd, bool readThrough = false);
    // The next entry, "." and ".." left out; false at the end or when the folder cannot
    // be read further. The entry lasts until the next call.
    bool Next(TFolderEntry &entry);
    // Whether every entry of the last batch read was given out: the descriptor read
    // through then stands at the next entry.
    bool BatchDone() const { return m_pos >= m_filled; }

private:
    bool Fill();

    TFd m_own; // a descriptor of its own, where it needs one
    int m_fd = -1; // what it reads through; -1 once at the end
    std::vector<char> m_buffer;
    std::size_t m_pos = 0;
    std::size_t m_filled = 0;
};

// The type bits (S_IFMT) of the entry `name` in the folder open as `dirFd`, through a
// link when `follow` says so; std::nullopt when it cannot be looked at.
std::optional<mode_t> EntryTypeAt(int dirFd, const char *name, bool follow);

// The size and last-write time of the entry `name` in the folder open as `dirFd`, in one
// statx(2) asking for those alone: of what a link leads to, or of the link itself when
// it leads nowhere (dangling, a loop); std::nullopt when the entry is gone.
struct TSizeAndTime
{
    std::int64_t Size = 0;
    struct timespec ModTime = {};
};
std::optional<TSizeAndTime> SizeAndTimeAt(int dirFd, const char *name);
