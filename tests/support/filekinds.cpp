#include "tests/support/filekinds.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <linux/fs.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "tests/support/temptree.h"

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

TSmallFileSystem::TSmallFileSystem(const std::string &path, std::size_t bytes)
    : m_path(path)
{
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
    m_mounted = ::mount("vantrel-test", path.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
}

TSmallFileSystem::~TSmallFileSystem()
{
    if (m_mounted)
        ::umount2(m_path.c_str(), MNT_DETACH);
}

std::optional<std::string> Xattr(const std::string &path, const std::string &name)
{
    std::string value(65536, '\0');
    const ssize_t length = ::lgetxattr(path.c_str(), name.c_str(), value.data(), value.size());
    if (length < 0)
        return std::nullopt;
    value.resize(std::size_t(length));
    return value;
}

int SetXattr(const std::string &path, const std::string &name, const std::string &value)
{
    return ::lsetxattr(path.c_str(), name.c_str(), value.data(), value.size(), 0) == 0 ? 0 : errno;
}

std::string AccessAclWithReader(unsigned reader)
{
    // The kernel's posix_acl_xattr layout: a version, then (tag, permissions, id) entries
    // in the order of their tags, all little-endian.
    std::string bytes;
    auto put = [&bytes](std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            bytes += char((value >> (8 * i)) & 0xFF);
    };
    constexpr std::uint32_t Undefined = 0xFFFFFFFF;
    put(2, 4);
    const std::uint32_t entries[][3] = {{0x01, 6, Undefined}, {0x02, 4, reader}, {0x04, 4, Undefined},
        {0x10, 4, Undefined}, {0x20, 0, Undefined}};
    for (const auto &entry : entries) {
        put(entry[0], 2);
        put(entry[1], 2);
        put(entry[2], 4);
    }
    return bytes;
}

std::string FrenchOrEnglishErrorText(int error)
{
    const bool french = std::filesystem::exists("/usr/share/locale/fr/LC_MESSAGES/libc.mo");
    switch (error) {
    case ENOSPC:
        return french ? "Aucun espace disponible sur le périphérique" : "No space left on device";
    case EFBIG:
        return french ? "Fichier trop gros" : "File too large";
    default:
        return std::strerror(error);
    }
}

std::unique_ptr<TTempTree> TreeKeepingUserXattrs(std::string &tried)
{
    std::vector<std::string> parents = {""};
    for (const char *folder : {"/dev/shm", "/var/tmp", VANTREL_BINARY_DIR})
        parents.push_back(folder);
    for (const std::string &parent : parents) {
        std::unique_ptr<TTempTree> tree;
        try {
            tree = parent.empty() ? std::make_unique<TTempTree>() : std::make_unique<TTempTree>(parent);
        } catch (const std::exception &) {
            continue;
        }
        tree->TextFile("probe", "");
        const int error = SetXattr(tree->Path("probe"), "user.vantrel-probe", "1");
        std::filesystem::remove(tree->Path("probe"));
        if (error == 0)
            return tree;
        tried += (tried.empty() ? "" : ", ") + tree->Root() + " (" + std::strerror(error) + ")";
    }
    return nullptr;
}
