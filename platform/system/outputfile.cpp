#include "platform/system/outputfile.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>
#include <fcntl.h>
#include <fstream>
#include <sys/fsuid.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include <QRandomGenerator>

#include "platform/system/error.h"

namespace {

std::string WithoutRepeatedSlashes(const std::string &path)
{
    std::string result;
    for (const char c : path) {
        if (c != '/' || result.empty() || result.back() != '/')
            result += c;
    }
    return result;
}

// The number after `prefix` when `path` is exactly the prefix and a decimal number.
std::optional<int> NumberAfter(const std::string &path, const std::string &prefix)
{
    if (!path.starts_with(prefix) || path.size() == prefix.size())
        return std::nullopt;
    int number = -1;
    const char *end = path.data() + path.size();
    const auto [stop, error] = std::from_chars(path.data() + prefix.size(), end, number);
    if (error != std::errc() || stop != end || number < 0)
        return std::nullopt;
    return number;
}

std::optional<int> OwnDescriptorNamed(const std::string &name)
{
    const std::string path = WithoutRepeatedSlashes(name);
    if (path == "/dev/stdin")
        return STDIN_FILENO;
    if (path == "/dev/stdout")
        return STDOUT_FILENO;
    if (path == "/dev/stderr")
        return STDERR_FILENO;
    const std::string prefixes[] = {"/dev/fd/", "/proc/self/fd/", "/proc/thread-self/fd/",
        "/proc/" + std::to_string(::getpid()) + "/fd/"};
    for (const std::string &prefix : prefixes) {
        if (const auto number = NumberAfter(path, prefix))
            return number;
    }
    return std::nullopt;
}

// The folder part of `path` with its final '/', empty for a bare name.
std::string FolderOf(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Read from /proc rather than with umask(), which would change the mask of every thread
// for an instant.
mode_t CurrentUmask()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (!line.starts_with("Umask:"))
            continue;
        const std::size_t digits = line.find_first_of("01234567");
        unsigned mask = 0;
        if (digits != std::string::npos
            && std::from_chars(line.data() + digits, line.data() + line.size(), mask, 8).ec == std::errc())
            return mode_t(mask & 0777);
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

bool SameEntry(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && (a.st_mode & S_IFMT) == (b.st_mode & S_IFMT);
}

// The folder to open and the name in it: "." for a bare name's folder, and for the name
// of a path that ends in '/' (the folder itself).
std::pair<std::string, std::string> SplitPath(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {".", path};
    std::string name = path.substr(slash + 1);
    return {path.substr(0, slash + 1), name.empty() ? "." : name};
}

std::optional<std::string> LinkTextAt(int folder, const std::string &name)
{
    std::string text(256, '\0');
    for (;;) {
        const ssize_t length = ::readlinkat(folder, name.c_str(), text.data(), text.size());
        if (length < 0)
            return std::nullopt;
        if (std::size_t(length) < text.size()) {
            text.resize(std::size_t(length));
            return text;
        }
        text.resize(text.size() * 2);
    }
}

// The user whose rights file-system calls use: the effective user unless set apart. An
// invalid user changes nothing and answers the current one.
uid_t FileSystemUser()
{
    return uid_t(::setfsuid(uid_t(-1)));
}

// Whether the kernel's fs.protected_symlinks lets the process follow `link`, a link in
// the folder `folder`: a link in a sticky world-writable folder (as /tmp) is followed
// only by its owner, or when it belongs to the folder's owner.
bool MayFollow(const struct stat &link, const struct stat &folder)
{
    constexpr mode_t Shared = S_ISVTX | S_IWOTH;
    return (folder.st_mode & Shared) != Shared || link.st_uid == folder.st_uid
        || link.st_uid == FileSystemUser();
}

std::atomic<bool> g_namedTemporaries{false};

// A short name of the pattern ".vantrel-XXXXXX", which fits in any folder whatever the
// target's name.
std::string TemporaryName()
{
    static constexpr char Letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::string name = ".vantrel-";
    for (int i = 0; i < 6; ++i)
        name += Letters[QRandomGenerator::global()->bounded(int(sizeof Letters - 1))];
    return name;
}

// An extended attribute or the list of them, read through `read(buffer, size)`, which
// answers as getxattr and listxattr do; empty when it cannot be read.
template <typename TRead> std::optional<std::vector<char>> ReadAttribute(TRead read)
{
    std::vector<char> buffer(1024);
    for (int attempt = 0; attempt < 8; ++attempt) {
        const ssize_t length = read(buffer.data(), buffer.size());
        if (length >= 0) {
            buffer.resize(std::size_t(length));
            return buffer;
        }
        if (errno != ERANGE)
            return std::nullopt;
        const ssize_t needed = read(nullptr, 0);
        if (needed < 0)
            return std::nullopt;
        buffer.resize(std::size_t(needed) + 1024);
    }
    return std::nullopt;
}

} // namespace

std::optional<TOutputTarget> ResolveOutputTarget(const std::string &fileName)
{
    if (fileName.empty() || fileName.find('\0') != std::string::npos)
        return std::nullopt;
    TOutputTarget target;
    target.Path = fileName;
    for (int hop = 0; hop <= TOutputTarget::MaxLinkHops; ++hop) {
        if ((target.Descriptor = OwnDescriptorNamed(target.Path))) {
            target.Folder = TFd();
            target.Name.clear();
            return target;
        }
        const auto [folderPath, name] = SplitPath(target.Path);
        target.Folder = TFd(::open(folderPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!target.Folder)
            return std::nullopt;
        target.Name = name;
        struct stat status
        {
        };
        if (::fstatat(target.Folder.Get(), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT)
                return target;
            return std::nullopt;
        }
        if (!S_ISLNK(status.st_mode)) {
            target.Existing = status;
            return target;
        }
        struct stat folder
        {
        };
        if (::fstat(target.Folder.Get(), &folder) != 0 || !MayFollow(status, folder))
            return std::nullopt;
        const auto link = LinkTextAt(target.Folder.Get(), name);
        if (!link || link->empty())
            return std::nullopt;
        target.Path = link->front() == '/' ? *link : FolderOf(target.Path) + *link;
    }
    return std::nullopt;
}

TOutputFile::TOutputFile(const std::string &fileName)
    : m_fileName(fileName)
{
    auto target = ResolveOutputTarget(fileName);
    if (!target)
        RefuseCreate();
    m_writesThrough = target->WritesThrough();
    if (target->Descriptor)
        OpenThroughDescriptor(*target->Descriptor);
    else if (m_writesThrough)
        OpenThroughEntry(*target);
    else
        CreateTemporary(*target);
}

void TOutputFile::NameTemporariesForTests(bool named)
{
    g_namedTemporaries = named;
}

void TOutputFile::RefuseCreate() const
{
    throw EFCreateError(CreateErrorMessage(m_fileName));
}

EWriteError TOutputFile::WriteFailure(int error) const
{
    return EWriteError(WriteErrorText(), FileErrorDetail(m_fileName, error));
}

void TOutputFile::OpenThroughDescriptor(int descriptor)
{
    m_fd = TFd(::fcntl(descriptor, F_DUPFD_CLOEXEC, 3));
    struct stat status
    {
    };
    const int flags = m_fd ? ::fcntl(m_fd.Get(), F_GETFL) : -1;
    if (flags < 0 || (flags & O_ACCMODE) == O_RDONLY || ::fstat(m_fd.Get(), &status) != 0
        || S_ISDIR(status.st_mode))
        RefuseCreate();
}

void TOutputFile::OpenThroughEntry(const TOutputTarget &target)
{
    const struct stat &existing = *target.Existing;
    if (S_ISDIR(existing.st_mode) || S_ISSOCK(existing.st_mode))
        RefuseCreate();
    // No O_CREAT and no O_TRUNC: only what is there is opened, and a device or a fifo
    // has nothing to truncate. The entry must still be the one looked at.
    m_fd = TFd(
        ::openat(target.Folder.Get(), target.Name.c_str(), O_WRONLY | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC));
    struct stat opened
    {
    };
    if (!m_fd || ::fstat(m_fd.Get(), &opened) != 0 || !SameEntry(opened, existing))
        RefuseCreate();
}

void TOutputFile::CreateTemporary(TOutputTarget &target)
{
    m_folder = std::move(target.Folder);
    m_name = target.Name;
    m_targetPath = target.Path;
    if (target.Existing) {
        // The rename would replace a file that the process may not write.
        if (::faccessat(m_folder.Get(), m_name.c_str(), W_OK, AT_EACCESS | AT_SYMLINK_NOFOLLOW) != 0)
            RefuseCreate();
        m_replaced = target.Existing;
        m_mode = target.Existing->st_mode & 07777;
    } else {
        m_mode = 0666 & ~CurrentUmask();
    }
    if (!g_namedTemporaries) {
        m_fd = TFd(::openat(m_folder.Get(), ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
        if (m_fd) {
            m_unnamed = true;
            return;
        }
        // Only a file system without such files gets a named one.
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            RefuseCreate();
    }
    if (!CreateNamedTemporary())
        RefuseCreate();
}

bool TOutputFile::CreateNamedTemporary()
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        // Held before the file exists, so that no moment passes with a file unheld.
        if (!m_temporary.Hold(TemporaryName(), m_folder.Get()))
            return false;
        m_fd = TFd(::openat(m_folder.Get(), m_temporary.Path().c_str(),
            O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (m_fd)
            return true;
        const int error = errno;
        m_temporary.Release();
        if (error != EEXIST)
            return false;
    }
    return false;
}

// Gives the unnamed file a temporary name beside the target; false with errno set when
// the system refuses.
bool TOutputFile::LinkTemporary()
{
    const std::string self = "/proc/self/fd/" + std::to_string(m_fd.Get());
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (!m_temporary.Hold(TemporaryName(), m_folder.Get())) {
            errno = EMFILE;
            return false;
        }
        const char *name = m_temporary.Path().c_str();
        // Linking the descriptor itself needs CAP_DAC_READ_SEARCH on older kernels; its
        // name under /proc does not.
        if (::linkat(m_fd.Get(), "", m_folder.Get(), name, AT_EMPTY_PATH) == 0
            || (errno != EEXIST
                && ::linkat(AT_FDCWD, self.c_str(), m_folder.Get(), name, AT_SYMLINK_FOLLOW) == 0)) {
            m_unnamed = false;
            return true;
        }
        const int error = errno;
        m_temporary.Release(); // the name was never made
        if (error != EEXIST) {
            errno = error;
            return false;
        }
    }
    errno = EEXIST;
    return false;
}

// The replaced file's extended attributes, its POSIX ACL (system.posix_acl_access) among
// them, onto the new one; what the file system or the process's rights refuse is left.
void TOutputFile::CopyExtendedAttributes() const
{
    // The file itself, relative to its open folder whatever the path's length.
    std::string source = "/proc/self/fd/" + std::to_string(m_folder.Get()) + "/" + m_name;
    auto names = ReadAttribute(
        [&source](char *buffer, std::size_t size) { return ::llistxattr(source.c_str(), buffer, size); });
    if (!names && errno == ENOENT) {
        source = m_targetPath;
        names = ReadAttribute(
            [&source](char *buffer, std::size_t size) { return ::llistxattr(source.c_str(), buffer, size); });
    }
    if (!names)
        return;
    for (std::size_t at = 0; at < names->size();) {
        const std::string name(names->data() + at);
        at += name.size() + 1;
        const auto value = ReadAttribute([&](char *buffer, std::size_t size) {
            return ::lgetxattr(source.c_str(), name.c_str(), buffer, size);
        });
        if (value) [[maybe_unused]]
            const int set = ::fsetxattr(m_fd.Get(), name.c_str(), value->data(), value->size(), 0);
    }
}

void TOutputFile::FailCommit(int error)
{
    m_temporary.Remove();
    m_fd = TFd();
    throw WriteFailure(error);
}

void TOutputFile::Commit()
{
    if (!m_fd)
        throw EWriteError(WriteErrorText());
    if (m_writesThrough) {
        TCommitSection section;
        if (!m_fd.Close())
            throw WriteFailure(errno);
        section.Committed();
        return;
    }
    // The owner first: changing it clears the set-user-ID and set-group-ID bits and the
    // file capabilities, which the attributes and the mode then bring back. A user may
    // not give a file away: the new file then stays the process's.
    if (m_replaced) {
        [[maybe_unused]] const int given = ::fchown(m_fd.Get(), m_replaced->st_uid, m_replaced->st_gid);
        CopyExtendedAttributes();
    }
    if (::fchmod(m_fd.Get(), m_mode) != 0 || ::fsync(m_fd.Get()) != 0)
        FailCommit(errno);
    // From the moment the new file has a name until it has replaced the target, a signal
    // waits: the process never ends with the name left, and once the target is replaced
    // the work is done.
    TCommitSection section;
    if (m_unnamed && !LinkTemporary())
        FailCommit(errno);
    if (!m_fd.Close())
        FailCommit(errno);
    if (::renameat(m_folder.Get(), m_temporary.Path().c_str(), m_folder.Get(), m_name.c_str()) != 0)
        FailCommit(errno);
    section.Committed();
    m_temporary.Release();
}

int WhyWritesFail(int fd)
{
    struct stat status
    {
    };
    if (::fstat(fd, &status) != 0)
        return errno;
    if (!S_ISREG(status.st_mode))
        return 0;
    constexpr off_t Room = 1 << 20;
    int error = 0;
    if (::fallocate(fd, 0, status.st_size, Room) != 0) {
        error = errno;
        if (error == EOPNOTSUPP || error == ENOSYS || error == EINTR) {
            // Written out where the file system cannot reserve room.
            error = 0;
            static const char zeros[65536] = {};
            for (off_t done = 0; done < Room && error == 0;) {
                const ssize_t put = ::pwrite(fd, zeros, sizeof zeros, status.st_size + done);
                if (put > 0)
                    done += put;
                else if (put == 0)
                    break;
                else if (errno != EINTR)
                    error = errno;
            }
        }
    }
    [[maybe_unused]] const int given = ::ftruncate(fd, status.st_size);
    return error;
}
