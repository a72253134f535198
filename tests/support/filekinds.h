#pragma once

#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <vector>

#include <QByteArray>

#include <gtest/gtest.h>

#include "platform/system/fd.h"

// Entries of the file system other than regular files and folders, made for real in a
// test's temporary folder, and ways to make writing fail as root.

// Makes a character device with the numbers of the null device (1, 3) at `path`: it
// takes every byte and stays what it is. Answers 0, or mknod's errno: EPERM when the
// process lacks CAP_MKNOD (root has it, so the test suite in CI always makes them).
int MakeNullDevice(const std::string &path);
// In a test body: makes the null device at `path`, skipping the test where the process
// lacks the right and failing it on any other refusal.
#define MAKE_NULL_DEVICE_OR_SKIP(path)                                                                       \
    do {                                                                                                     \
        if (const int nullDeviceError = MakeNullDevice(path); nullDeviceError == EPERM)                      \
            GTEST_SKIP() << "this process may not make device nodes (mknod needs CAP_MKNOD)";                \
        else                                                                                                 \
            ASSERT_EQ(nullDeviceError, 0) << std::strerror(nullDeviceError);                                 \
    } while (false)
bool IsNullDevice(const std::string &path);
bool IsFifo(const std::string &path);
bool IsSocket(const std::string &path);
bool IsFolder(const std::string &path);
// The entry's inode number, following links; 0 when there is none.
unsigned long InodeOf(const std::string &path);

// The file's bytes ("<missing>" when it cannot be read) and a folder's entry names in
// byte order; paths are bytes, as the system takes them.
std::string FileBytes(const std::string &path);
std::vector<std::string> FolderEntries(const std::string &folder);

// A Unix-domain socket bound at a path, closed (its entry stays) with the object.
class TBoundSocket
{
public:
    explicit TBoundSocket(const std::string &path);

private:
    TFd m_fd;
};

// A reader of a fifo, open from construction (so that a writer never waits for it) and
// reading in a thread until the writer closes its end. A writer that never comes costs
// no hang: Finish() stops the reader.
class TFifoReader
{
public:
    explicit TFifoReader(const std::string &path);
    ~TFifoReader();
    TFifoReader(const TFifoReader &) = delete;
    TFifoReader &operator=(const TFifoReader &) = delete;

    // Waits for the writer's end (or, once the writer has been and gone or never came,
    // stops) and answers every byte read.
    QByteArray Finish();

private:
    void Read();

    TFd m_fd;
    std::atomic<bool> m_stop{false};
    QByteArray m_bytes;
    std::thread m_thread;
};

// Sets the immutable attribute (chattr +i) of a file or folder while the object lives:
// nobody, root included, may then write, replace or delete it, or add to the folder.
// Ok() is false where the file system or the process's rights do not allow it.
class TImmutable
{
public:
    explicit TImmutable(const std::string &path);
    ~TImmutable();
    TImmutable(const TImmutable &) = delete;
    TImmutable &operator=(const TImmutable &) = delete;

    bool Ok() const { return m_set; }

private:
    std::string m_path;
    bool m_set = false;
};

// Lets the process write files of at most `bytes` bytes while it lives, the way a full
// disk stops a write part-way (SIGXFSZ is ignored meanwhile, so the write just fails).
class TFileSizeLimit
{
public:
    explicit TFileSizeLimit(rlim_t bytes);
    ~TFileSizeLimit();
    TFileSizeLimit(const TFileSizeLimit &) = delete;
    TFileSizeLimit &operator=(const TFileSizeLimit &) = delete;

private:
    rlimit m_saved{};
    void (*m_savedSignal)(int) = nullptr;
};

// A tmpfs of `bytes` bytes mounted on the folder `path` while the object lives (unmounted
// with it), on which a write stops with ENOSPC once it is full. Ok() is false where the
// process may not mount (mount needs CAP_SYS_ADMIN, which root has in CI).
class TSmallFileSystem
{
public:
    TSmallFileSystem(const std::string &path, std::size_t bytes);
    ~TSmallFileSystem();
    TSmallFileSystem(const TSmallFileSystem &) = delete;
    TSmallFileSystem &operator=(const TSmallFileSystem &) = delete;

    bool Ok() const { return m_mounted; }

private:
    std::string m_path;
    bool m_mounted = false;
};

class TTempTree;

// A temporary tree in a folder whose file system keeps user extended attributes (the
// system's temporary folder, /dev/shm, /var/tmp or the build folder, the first that
// does), or none; `tried` then says where it tried and why each refused.
std::unique_ptr<TTempTree> TreeKeepingUserXattrs(std::string &tried);

// Extended attributes of an entry itself (never of what a link names), read and set
// through the system calls.
std::optional<std::string> Xattr(const std::string &path, const std::string &name);
// 0 or the system's errno.
int SetXattr(const std::string &path, const std::string &name, const std::string &value);
// The bytes of a POSIX access ACL (system.posix_acl_access) giving the owner read and
// write, user `reader` and the owning group read, and others nothing: mode 0640 with a
// mask of read.
std::string AccessAclWithReader(unsigned reader);

// The text the C library gives for `error` in French (libc's French catalogue, from the
// package libc-l10n), or its English text where that catalogue is not installed; known
// for ENOSPC and EFBIG.
std::string FrenchOrEnglishErrorText(int error);
