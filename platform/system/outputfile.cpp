#include "platform/system/outputfile.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <fcntl.h>
#include <fstream>
#include <unistd.h>

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

std::optional<std::string> LinkText(const std::string &path)
{
    std::string text(256, '\0');
    for (;;) {
        const ssize_t length = ::readlink(path.c_str(), text.data(), text.size());
        if (length < 0)
            return std::nullopt;
        if (std::size_t(length) < text.size()) {
            text.resize(std::size_t(length));
            return text;
        }
        text.resize(text.size() * 2);
    }
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

} // namespace

std::optional<TOutputTarget> ResolveOutputTarget(const std::string &fileName)
{
    if (fileName.empty() || fileName.find('\0') != std::string::npos)
        return std::nullopt;
    TOutputTarget target;
    target.Path = fileName;
    for (int hop = 0; hop <= TOutputTarget::MaxLinkHops; ++hop) {
        if ((target.Descriptor = OwnDescriptorNamed(target.Path)))
            return target;
        struct stat status
        {
        };
        if (::lstat(target.Path.c_str(), &status) != 0) {
            if (errno == ENOENT)
                return target;
            return std::nullopt;
        }
        if (!S_ISLNK(status.st_mode)) {
            target.Existing = status;
            return target;
        }
        const auto link = LinkText(target.Path);
        if (!link || link->empty())
            return std::nullopt;
        target.Path = link->front() == '/' ? *link : FolderOf(target.Path) + *link;
    }
    return std::nullopt;
}

TOutputFile::TOutputFile(const std::string &fileName)
    : m_fileName(fileName)
{
    const auto target = ResolveOutputTarget(fileName);
    if (!target)
        RefuseCreate();
    m_target = target->Path;
    m_writesThrough = target->WritesThrough();
    if (target->Descriptor)
        OpenThroughDescriptor(*target->Descriptor);
    else if (m_writesThrough)
        OpenThroughEntry(*target);
    else
        CreateTemporary(*target);
}

void TOutputFile::RefuseCreate() const
{
    throw EFCreateError(CreateErrorMessage(m_fileName));
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
    m_fd = TFd(::open(target.Path.c_str(), O_WRONLY | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC));
    struct stat opened
    {
    };
    if (!m_fd || ::fstat(m_fd.Get(), &opened) != 0 || !SameEntry(opened, existing))
        RefuseCreate();
}

void TOutputFile::CreateTemporary(const TOutputTarget &target)
{
    if (target.Existing) {
        // The rename would replace a file that the process may not write.
        if (::faccessat(AT_FDCWD, target.Path.c_str(), W_OK, AT_EACCESS) != 0)
            RefuseCreate();
        m_replaced = target.Existing;
        m_mode = target.Existing->st_mode & 07777;
    } else {
        m_mode = 0666 & ~CurrentUmask();
    }
    for (int attempt = 0; attempt < 16; ++attempt) {
        // Held before the file exists, so that no moment passes with a file unheld.
        if (!m_temporary.Hold(target.Path + "." + std::to_string(QRandomGenerator::global()->generate())))
            RefuseCreate();
        m_fd = TFd(
            ::open(m_temporary.Path().c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (m_fd)
            return;
        const int error = errno;
        m_temporary.Release();
        if (error != EEXIST)
            break;
    }
    RefuseCreate();
}

void TOutputFile::Commit()
{
    if (!m_fd)
        throw EWriteError(SWriteError);
    if (m_writesThrough) {
        if (!m_fd.Close())
            throw EWriteError(SWriteError);
        return;
    }
    // The owner first: changing it clears the set-user-ID and set-group-ID bits. A user
    // may not give a file away: the new file then stays the process's.
    if (m_replaced) {
        [[maybe_unused]] const int given = ::fchown(m_fd.Get(), m_replaced->st_uid, m_replaced->st_gid);
    }
    const bool done = ::fchmod(m_fd.Get(), m_mode) == 0 && ::fsync(m_fd.Get()) == 0 && m_fd.Close()
        && ::rename(m_temporary.Path().c_str(), m_target.c_str()) == 0;
    if (!done) {
        m_temporary.Remove();
        throw EWriteError(SWriteError);
    }
    m_temporary.Release();
}
