#pragma once

#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>

#include "platform/system/error.h"
#include "platform/system/fd.h"
#include "platform/system/temporaries.h"

// Where a file name given for output leads. Names are bytes and may hold any byte but
// NUL, also bytes that are not UTF-8.
//
// Symbolic links are followed one by one with readlink (a relative link against its own
// folder, at most MaxLinkHops links), so a dangling link leads to the file it names. A
// link is followed only where the kernel's fs.protected_symlinks would follow it, at
// every step, whatever that setting is: when it belongs to the process's file-system
// user, or lies in a folder that is not both sticky and world-writable, or belongs to
// that folder's owner. A link that another user planted in a shared folder such as /tmp
// leads nowhere. A name of one of the process's own descriptors (/dev/stdin, /dev/stdout,
// /dev/stderr, /dev/fd/N, /proc/self/fd/N, /proc/thread-self/fd/N, /proc/<pid>/fd/N), met
// at any step, stands for that descriptor and is not followed further.
struct TOutputTarget
{
    static constexpr int MaxLinkHops = 40;

    // The entry the name leads to (the name itself for a descriptor's name).
    std::string Path;
    // The process's own descriptor the name stands for.
    std::optional<int> Descriptor;
    // Otherwise the folder of the entry, open (O_PATH), and the entry's name in it.
    TFd Folder;
    std::string Name;
    // The entry when there is one; never a link.
    std::optional<struct stat> Existing;

    // Output goes into what is there rather than replacing it: a descriptor of the
    // process, or an entry that is not a regular file (device, fifo, and the directories
    // and sockets that are refused).
    bool WritesThrough() const { return Descriptor || (Existing && !S_ISREG(Existing->st_mode)); }
};

// Empty when no entry can be reached: a NUL in the name, a loop or too long a chain of
// links, a link that may not be followed, a folder on the way that is missing a search
// right or is not a folder.
std::optional<TOutputTarget> ResolveOutputTarget(const std::string &fileName);

// The output of one file written whole, or not at all.
//
// A regular file (existing or new) is never written in place. The output goes into a
// file of the target's folder that has no name yet (O_TMPFILE), or, where the file
// system has no such files, into a temporary beside it with a short name of its own
// (".vantrel-XXXXXX", so that any valid target name can be written), held by a
// TTemporaryName so that a fatal signal removes it. Either is mode 0600 while it is
// written. Commit() gives the new file the old one's owner (where the process may),
// extended attributes and POSIX ACL (those the file system takes) and mode, flushes it to
// disk, and puts it in place of the target: the unnamed file is linked in under a short
// temporary name, which is then renamed over the target. A new file gets 0666 less the
// umask. Destroyed before Commit(), it leaves no file and the old one as it was. A hard
// link's other names keep the old file.
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

    // Where to write, until Commit(). A file to replace the target is open for reading
    // too.
    int Descriptor() const { return m_fd.Get(); }
    bool WritesThrough() const { return m_writesThrough; }
    // Delivers the output inside a TCommitSection; throws EWriteError (with the file and
    // the system's reason as its detail) when the system refuses, and then leaves the
    // target as it was.
    void Commit();

    // The failure to write this output for the system error `error` (0: unknown):
    // "Erreur à l'enregistrement de flux", detailed with the name as given.
    EWriteError WriteFailure(int error) const;

    // For tests: gives every file that replaces a target a name from the start, as on a
    // file system without O_TMPFILE.
    static void NameTemporariesForTests(bool named);

private:
    void OpenThroughDescriptor(int descriptor);
    void OpenThroughEntry(const TOutputTarget &target);
    void CreateTemporary(TOutputTarget &target);
    bool CreateNamedTemporary();
    bool LinkTemporary();
    void CopyExtendedAttributes() const;
    [[noreturn]] void RefuseCreate() const;
    [[noreturn]] void FailCommit(int error);

    std::string m_fileName;
    bool m_writesThrough = false;
    TFd m_folder; // before m_temporary, whose name lies in it
    std::string m_name;
    std::string m_targetPath;
    TFd m_fd;
    TTemporaryName m_temporary;
    bool m_unnamed = false; // an O_TMPFILE file, not linked in yet
    mode_t m_mode = 0;
    std::optional<struct stat> m_replaced;
};

// Why writing more to the regular file open as `fd` fails now, for a writer that does
// not say (the PDF engine): the system's error when the file is made longer by up to a
// mebibyte (ENOSPC on a full disk, EDQUOT, EFBIG beyond the file size limit), then given
// back its length; 0 when it can be.
int WhyWritesFail(int fd);
