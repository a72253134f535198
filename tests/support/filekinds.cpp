#include "tests/support/filekinds.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <linux/fs.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

mode_t TypeOf(const std::string &path)
{
    struct stat status
    {
    };
    return ::lstat(path.c_str(), &status) == 0 ? status.st_mode & S_IFMT : 0;
}

bool SetImmutable(const std::string &path, bool on)
{
    const TFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd)
        return false;
    int flags = 0;
    if (::ioctl(fd.Get(), FS_IOC_GETFLAGS, &flags) != 0)
        return false;
    flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    return ::ioctl(fd.Get(), FS_IOC_SETFLAGS, &flags) == 0;
}

} // namespace

int MakeNullDevice(const std::string &path)
{
    return ::mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0 ? 0 : errno;
}

bool IsNullDevice(const std::string &path)
{
    struct stat status
    {
    };
    return ::lstat(path.c_str(), &status) == 0 && S_ISCHR(status.st_mode) && major(status.st_rdev) == 1
        && minor(status.st_rdev) == 3;
}

bool IsFifo(const std::string &path)
{
    return TypeOf(path) == S_IFIFO;
}

bool IsSocket(const std::string &path)
{
    return TypeOf(path) == S_IFSOCK;
}

bool IsFolder(const std::string &path)
{
    return TypeOf(path) == S_IFDIR;
}

unsigned long InodeOf(const std::string &path)
{
    struct stat status
    {
    };
    return ::stat(path.c_str(), &status) == 0 ? status.st_ino : 0;
}

std::string FileBytes(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    return file ? std::string(std::istreambuf_iterator<char>(file), {}) : std::string("<missing>");
}

std::vector<std::string> FolderEntries(const std::string &folder)
{
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TBoundSocket::TBoundSocket(const std::string &path)
    : m_fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0))
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        throw std::runtime_error("socket path too long: " + path);
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    if (!m_fd || ::bind(m_fd.Get(), reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0)
        throw std::runtime_error("bind " + path + ": " + std::strerror(errno));
}

TFifoReader::TFifoReader(const std::string &path)
    : m_fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC))
{
    if (!m_fd)
        throw std::runtime_error("open fifo " + path + ": " + std::strerror(errno));
    m_thread = std::thread([this] { Read(); });
}

TFifoReader::~TFifoReader()
{
    Finish();
}

// Before any writer has come, poll reports nothing on a fifo; once the last writer has
// gone, it reports a hang-up and read answers 0.
void TFifoReader::Read()
{
    char buffer[65536];
    for (;;) {
        pollfd entry{m_fd.Get(), POLLIN, 0};
        const bool stopping = m_stop;
        const int ready = ::poll(&entry, 1, stopping ? 0 : 50);
        if (ready > 0) {
            const ssize_t got = ::read(m_fd.Get(), buffer, sizeof buffer);
            if (got > 0) {
                m_bytes.append(buffer, got);
                continue;
            }
            if (got == 0 && (entry.revents & POLLHUP) != 0)
                return;
        }
        if (stopping)
            return;
    }
}

QByteArray TFifoReader::Finish()
{
    if (m_thread.joinable()) {
        m_stop = true;
        m_thread.join();
    }
    return m_bytes;
}

TImmutable::TImmutable(const std::string &path)
    : m_path(path)
    , m_set(SetImmutable(path, true))
{ }

TImmutable::~TImmutable()
{
    if (m_set)
        SetImmutable(m_path, false);
}

TFileSizeLimit::TFileSizeLimit(rlim_t bytes)
{
    ::getrlimit(RLIMIT_FSIZE, &m_saved);
    m_savedSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = m_saved;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

TFileSizeLimit::~TFileSizeLimit()
{
    ::setrlimit(RLIMIT_FSIZE, &m_saved);
    std::signal(SIGXFSZ, m_savedSignal);
}
