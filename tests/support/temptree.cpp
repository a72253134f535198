#include "tests/support/temptree.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

#include <QScopeGuard>

#include "platform/system/fd.h"
#include "platform/system/paths.h"
#include "platform/system/qtext.h"

namespace {

void Check(bool ok, const std::string &what)
{
    if (!ok)
        throw std::runtime_error(what + ": " + std::strerror(errno));
}

// Opens (and with `create` makes) each folder of `relative` below `root` relative to the
// one above; answers the last one's descriptor.
TFd OpenLevels(const std::string &root, const std::string &relative, bool create)
{
    TFd fd(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    Check(fd.Get() >= 0, "open " + root);
    std::size_t start = 0;
    while (start < relative.size()) {
        const std::size_t end = std::min(relative.find('/', start), relative.size());
        const std::string name = relative.substr(start, end - start);
        start = end + 1;
        if (name.empty())
            continue;
        if (create && ::mkdirat(fd.Get(), name.c_str(), 0755) != 0 && errno != EEXIST)
            Check(false, "mkdirat " + name);
        fd = TFd(::openat(fd.Get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        Check(fd.Get() >= 0, "openat " + name);
    }
    return fd;
}

// Removes everything in the folder open as `fd`, relative to it, so that no path length
// stops it (std::filesystem::remove_all builds whole paths).
void EmptyFolder(int fd)
{
    TFd copy(::dup(fd));
    const TDirStream dir = TDirStream::Over(copy);
    if (!dir)
        return;
    while (const dirent *entry = ::readdir(dir.Get())) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        if (::unlinkat(fd, name.c_str(), 0) == 0)
            continue;
        const TFd child(::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!child)
            continue;
        ::fchmod(child.Get(), 0755);
        EmptyFolder(child.Get());
        ::unlinkat(fd, name.c_str(), AT_REMOVEDIR);
    }
}

void MakeParents(const std::string &path)
{
    const auto parent = std::filesystem::path(path).parent_path();
    std::filesystem::create_directories(parent);
}

} // namespace

TTempTree::TTempTree()
{
    Check(m_dir.isValid(), "temporary folder");
    m_root = m_dir.path().toStdString();
}

TTempTree::TTempTree(const std::string &parent)
    : m_dir(ToQString(parent) + QStringLiteral("/vantrel-test-XXXXXX"))
{
    Check(m_dir.isValid(), "temporary folder in " + parent);
    m_root = m_dir.path().toStdString();
}

TTempTree::~TTempTree()
{
    // QTemporaryDir goes through QString and cannot name files whose names are not UTF-8,
    // and std::filesystem cannot name those that lie deeper than PATH_MAX.
    if (const TFd fd(::open(m_root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)); fd) {
        ::fchmod(fd.Get(), 0755);
        EmptyFolder(fd.Get());
    }
    std::error_code error;
    std::filesystem::remove_all(m_root, error);
}

std::string TTempTree::Path(const std::string &relative) const
{
    return relative.empty() ? m_root : JoinPath(m_root, relative);
}

void TTempTree::File(const std::string &relative, std::int64_t size)
{
    TextFile(relative, std::string(static_cast<size_t>(size), 'x'));
}

void TTempTree::TextFile(const std::string &relative, const std::string &text)
{
    const std::string path = Path(relative);
    MakeParents(path);
    const TFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644));
    Check(fd.Get() >= 0, "create " + path);
    Check(::write(fd.Get(), text.data(), text.size()) == static_cast<ssize_t>(text.size()), "write " + path);
}

void TTempTree::SparseFile(const std::string &relative, std::int64_t size)
{
    const std::string path = Path(relative);
    MakeParents(path);
    const TFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644));
    Check(fd.Get() >= 0, "create " + path);
    Check(::ftruncate(fd.Get(), size) == 0, "truncate " + path);
}

void TTempTree::Folder(const std::string &relative)
{
    std::filesystem::create_directories(Path(relative));
}

void TTempTree::Symlink(const std::string &relative, const std::string &target)
{
    const std::string path = Path(relative);
    MakeParents(path);
    Check(::symlink(target.c_str(), path.c_str()) == 0, "symlink " + path);
}

void TTempTree::Fifo(const std::string &relative)
{
    const std::string path = Path(relative);
    MakeParents(path);
    Check(::mkfifo(path.c_str(), 0644) == 0, "mkfifo " + path);
}

std::string TTempTree::DeepFolder(const std::string &relative)
{
    OpenLevels(m_root, relative, true);
    return Path(relative);
}

std::string TTempTree::LongNamedFolders(int levels)
{
    std::string relative;
    for (int level = 0; level < levels; ++level)
        relative += std::string(219, 'd') + char('a' + level) + '/';
    return relative;
}

void TTempTree::DeepFile(const std::string &relative, std::int64_t size, std::time_t seconds)
{
    const auto delim = relative.rfind('/');
    const TFd folder = OpenLevels(m_root, delim == std::string::npos ? "" : relative.substr(0, delim), false);
    const std::string name = relative.substr(delim + 1);
    const TFd fd(::openat(folder.Get(), name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    Check(fd.Get() >= 0, "create " + name);
    Check(::ftruncate(fd.Get(), size) == 0, "truncate " + name);
    const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    Check(::futimens(fd.Get(), times) == 0, "futimens " + name);
}

void TTempTree::Chmod(const std::string &relative, unsigned mode)
{
    Check(::chmod(Path(relative).c_str(), mode) == 0, "chmod " + relative);
}

void TTempTree::SetMTime(
    const std::string &relative, int year, int month, int day, int hour, int minute, int second)
{
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    SetMTime(relative, std::mktime(&tm));
}

void TTempTree::SetMTime(const std::string &relative, std::time_t seconds)
{
    const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    Check(::utimensat(AT_FDCWD, Path(relative).c_str(), times, AT_SYMLINK_NOFOLLOW) == 0,
        "utimensat " + relative);
}

bool TTempTree::AsUnprivilegedUser(const std::function<void()> &body)
{
    Chmod("", 0755);
    if (::geteuid() != 0) {
        body();
        return true;
    }
    constexpr uid_t Nobody = 65534;
    if (::setegid(Nobody) != 0)
        return false;
    if (::seteuid(Nobody) != 0) {
        Check(::setegid(0) == 0, "setegid");
        return false;
    }
    const auto restore = qScopeGuard([] {
        if (::seteuid(0) != 0 || ::setegid(0) != 0)
            std::abort(); // the rest of the run would not be what it claims to be
    });
    body();
    return true;
}
