#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>

#include "platform/system/fd.h"

// Directory searches with the attribute bits of a desktop file system, over POSIX.
//
// Attributes of an entry: directory when it is a folder (following a link); hidden when
// its name begins with '.'; system when it is neither a regular file nor a folder
// (device, fifo, socket, dangling link); read-only when the user may not write it;
// archive for a regular file; volume label never.
//
// A search skips an entry whose attributes hold any of hidden, system, volume label or
// directory that the request does not hold. Only the last component of the pattern is
// a wildcard mask ('*' any run, '?' one character, case-insensitive; "*.*" matches
// every name, and a mask ending in ".*" also matches the name without the dot); the
// folder part is taken literally. "." and ".." are returned like other folders.

// Separates the components of a path.
constexpr char PathDelim = '/';

constexpr int faReadOnly = 0x01;
constexpr int faHidden = 0x02;
constexpr int faSysFile = 0x04;
constexpr int faVolumeID = 0x08;
constexpr int faDirectory = 0x10;
constexpr int faArchive = 0x20;
constexpr int faAnyFile = 0x3F;

// Identifies a file-system object: the same device and inode is the same object.
struct TFileId
{
    dev_t Device = 0;
    ino_t Inode = 0;
    bool operator==(const TFileId &) const = default;
};

struct TFileIdHash
{
    std::size_t operator()(const TFileId &id) const noexcept
    {
        return std::hash<std::uint64_t>()(
            std::uint64_t(id.Inode) * 0x9E3779B97F4A7C15ULL ^ std::uint64_t(id.Device));
    }
};

// A folder held open, so that what lies in it is reached relative to it whatever the
// length of its path. Moves, never copies; closes the folder when it goes.
class TFolder
{
public:
    // The folder at `path` (any length), following links; an empty folder object, with
    // errno set, when it cannot be opened.
    static TFolder Open(const std::string &path);
    // The folder `name` in this one; a link is followed only when `followLink` says so.
    // A folder that is not reached through a link is opened for reading where it may be
    // read (Readable()), so that one descriptor serves to read it and to reach what lies
    // in it.
    TFolder OpenChild(const std::string &name, bool followLink) const;
    // The same folder through a descriptor of its own; an empty folder object, with errno
    // set, when none can be had.
    TFolder Duplicate() const;

    bool IsOpen() const { return static_cast<bool>(m_fd); }
    int Fd() const { return m_fd.Get(); }
    const TFileId &Id() const { return m_id; }
    // Whether Fd() is open for reading the folder's entries (else it is an O_PATH one).
    bool Readable() const { return m_readable; }

private:
    static TFolder Adopt(int fd, bool readable = false);

    TFd m_fd;
    TFileId m_id;
    bool m_readable = false;
};

struct TSearchHandle;

// How much a search finds out about each entry.
enum class TSearchDetail
{
    sdFull, // every field
    sdTypeOnly, // Attr without faReadOnly; Time and Size 0 unless the entry had to be examined
};

struct TSearchRec
{
    // Last-write time in local time in the 32-bit date-time form (high word the date:
    // years since 1980 in bits 9-15, month 5-8, day 0-4; low word the time: hours
    // 11-15, minutes 5-10, seconds / 2 in 0-4), or 0 when the year lies outside 1980
    // to 2107. ModTime keeps the exact time.
    std::int32_t Time = 0;
    // The whole size in bytes, 64 bits wide.
    std::int64_t Size = 0;
    int Attr = 0;
    // The entry's name, its bytes as the file system holds them.
    std::string Name;

    // The search's own state.
    int ExcludeAttr = 0;
    struct timespec ModTime = {};
    TFileId Id; // of the entry (following a link)
    TFileId FolderId; // of the folder being searched
    bool Link = false; // the entry itself is a symbolic link
    std::shared_ptr<TSearchHandle> FindHandle;
};

// Starts a search for `path` (folder part + mask) with the attribute request `attr`
// and fills `rec` with the first entry. Answers 0, or an errno value (ENOENT when the
// folder holds no match); on failure `rec` holds no open handle. A path without a
// delimiter searches the current folder. rec.FolderId is set whenever the folder could
// be opened (also when nothing matches) and is {} otherwise.
//
// The folder's path may be of any length. A link that cannot be followed (dangling, or a
// loop) is reported as a system file with the time, size and identity of the link itself.
// With sdTypeOnly an entry the folder already names a folder or regular file is not
// examined: its Id is then the folder's device with the inode number the folder lists.
int FindFirst(
    const std::string &path, int attr, TSearchRec &rec, TSearchDetail detail = TSearchDetail::sdFull);
// Fills `rec` with the next entry; 0, or ENOENT at the end (EBADF on a closed search,
// another errno value when the folder cannot be read further).
int FindNext(TSearchRec &rec);
// Closes the search; harmless on a closed one.
void FindClose(TSearchRec &rec);
// Describes the entry `name` of the folder open as `dirFd` (O_PATH will do) as a search
// with every field does: Name is left as it is, and of the search's own state only
// ModTime, Id and Link are set. False when the entry is gone.
bool DescribeEntryAt(int dirFd, const std::string &name, TSearchRec &rec);

// Closes a search when it goes out of scope.
class TFindCloser
{
public:
    explicit TFindCloser(TSearchRec &rec)
        : m_rec(rec)
    { }
    ~TFindCloser() { FindClose(m_rec); }
    TFindCloser(const TFindCloser &) = delete;
    TFindCloser &operator=(const TFindCloser &) = delete;

private:
    TSearchRec &m_rec;
};

// What the file system says of the object at exactly `path` (no wildcard, any length),
// following a link; std::nullopt when it cannot be read.
struct TFileInfo
{
    std::int64_t Size = 0;
    struct timespec ModTime = {};
    TFileId Id;
    bool IsDirectory = false;
};
std::optional<TFileInfo> FileInfoAt(const std::string &path);
// The same, except that a link that cannot be followed answers its own size and time,
// as a directory search reports it.
std::optional<TFileInfo> EntryInfoAt(const std::string &path);

// Whether `name` matches the wildcard `mask` by the rules above.
bool MatchesMask(const std::string &name, const std::string &mask);

// The process's current folder, or "." when it has no path the process may learn
// (it was removed, or a folder above it may not be read).
std::string GetCurrentDir();
