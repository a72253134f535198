#pragma once

#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>

#include "platform/system/fd.h"
#include "platform/system/temporaries.h"

// Where a file name given for output leads. Names are bytes and may hold any byte but
// NUL, also bytes that are not UTF-8.
//
// Symbolic links are followed one by one with readlink (a relative link against its own
// folder, at most MaxLinkHops links), so a dangling link leads to the file it names. A
// name of one of the process's own descriptors (/dev/stdin, /dev/stdout, /dev/stderr,
// /dev/fd/N, /proc/self/fd/N, /proc/thread-self/fd/N, /proc/<pid>/fd/N), met at any
// step, stands for that descriptor and is not followed further.
struct TOutputTarget
{
    static constexpr int MaxLinkHops = 40;

    // The entry the name leads to (the name itself for a descriptor's name).
    std::string Path;
    // The process's own descriptor the name stands for.
    std::optional<int> Descriptor;
    // The entry at Path when there is one; never a link.
    std::optional<struct stat> Existing;

    // Output goes into what is there rather than replacing it: a descriptor of the
    // process, or an entry that is not a regular file (device, fifo, and the directories
    // and sockets that are refused).
    bool WritesThrough() const { return Descriptor || (Existing && !S_ISREG(Existing->st_mode)); }
};

// Empty when no entry can be reached: a NUL in the name, a loop or too long a chain of
// links, a folder on the way that is missing a search right or is not a folder.
std::optional<TOutputTarget> ResolveOutputTarget(const std::string &fileName);

// The output of one file written whole, or not at all.
//
// A regular file (existing or new) is never written in place: the output goes into a
// temporary beside it (mode 0600 while it is written, its name held by a TTemporaryName
// so that a fatal signal removes it), which Commit() flushes to disk and renames over
// the file. The new file takes the old one's mode and, where the process may, its owner;
// a new file gets 0666 less the umask. Destroyed before Commit(), it removes the
// temporary and the old file stays as it was.
//
// Anything else is written through and never deleted or replaced: a device or a fifo is
// opened for writing (a fifo waits for its reader), a descriptor of the process is
// duplicated (so output lands where that descriptor writes). Directories and sockets
// are refused.
class TOutputFile
{
public:
    // Throws EFCreateError ("Impossible de créer le fichier %s", with the name as given)
    // when the output cannot be opened: an entry that cannot be reached, a directory or
    // a socket, an existing file the process may not write, a folder that takes no new
    // file, a descriptor that is not open for writing.
    explicit TOutputFile(const std::string &fileName);
    ~TOutputFile() = default;
    TOutputFile(const TOutputFile &) = delete;
    TOutputFile &operator=(const TOutputFile &) = delete;

    // Where to write, until Commit(). A temporary is open for reading too.
    int Descriptor() const { return m_fd.Get(); }
    bool WritesThrough() const { return m_writesThrough; }
    // Delivers the output; throws EWriteError when the system refuses (and, for a
    // temporary, removes it).
    void Commit();

private:
    void OpenThroughDescriptor(int descriptor);
    void OpenThroughEntry(const TOutputTarget &target);
    void CreateTemporary(const TOutputTarget &target);
    [[noreturn]] void RefuseCreate() const;

    std::string m_fileName;
    std::string m_target;
    bool m_writesThrough = false;
    TFd m_fd;
    TTemporaryName m_temporary;
    mode_t m_mode = 0;
    std::optional<struct stat> m_replaced;
};
