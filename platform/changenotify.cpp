#include "platform/changenotify.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <memory>
#include <mutex>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/shellnamespace.h"

namespace {

thread_local DWORD lastError = 0;

constexpr std::uint32_t NameEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
constexpr std::uint32_t SelfEvents = IN_DELETE_SELF | IN_MOVE_SELF;

std::uint32_t InotifyMask(DWORD filter, bool watchSubtree)
{
    std::uint32_t mask = SelfEvents | IN_ONLYDIR;
    if (filter & (FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME))
        mask |= NameEvents;
    if (filter & (FILE_NOTIFY_CHANGE_ATTRIBUTES | FILE_NOTIFY_CHANGE_SECURITY))
        mask |= IN_ATTRIB;
    if (filter & FILE_NOTIFY_CHANGE_SIZE)
        mask |= IN_MODIFY;
    if (filter & FILE_NOTIFY_CHANGE_LAST_WRITE)
        mask |= IN_MODIFY | IN_CLOSE_WRITE | IN_ATTRIB;
    if (watchSubtree)
        mask |= IN_CREATE | IN_MOVED_TO; // to watch folders that appear below
    return mask;
}

DWORD ErrorOf(int error)
{
    switch (error) {
    case ENOENT:
        return ERROR_PATH_NOT_FOUND;
    case ENOTDIR:
        return ERROR_DIRECTORY;
    case EACCES:
    case EPERM:
        return ERROR_ACCESS_DENIED;
    case ENOSPC:
    case EMFILE:
    case ENFILE:
        return ERROR_NO_SYSTEM_RESOURCES;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    default:
        return ERROR_INVALID_PARAMETER;
    }
}

class TChangeWatch
{
public:
    TChangeWatch(int fd, DWORD filter, bool watchSubtree)
        : m_fd(fd)
        , m_filter(filter)
        , m_subtree(watchSubtree)
        , m_mask(InotifyMask(filter, watchSubtree))
    { }
    ~TChangeWatch() { ::close(m_fd); }

    // Watches `path` (and its subtree when asked); false with errno set when the folder
    // itself cannot be watched or the system has no watches left.
    bool WatchRoot(const std::string &path)
    {
        m_root = inotify_add_watch(m_fd, path.c_str(), m_mask);
        if (m_root < 0)
            return false;
        m_rootPath = path;
        return !m_subtree || WatchBelow(path);
    }

    DWORD Wait(DWORD milliseconds)
    {
        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
        while (!m_signalled) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            pollfd pfd{m_fd, POLLIN, 0};
            const int ready = ::poll(&pfd, 1, static_cast<int>(std::max<long long>(left.count(), 0)));
            if (ready < 0 && errno != EINTR)
                return WAIT_FAILED;
            if (ready > 0 && !ReadEvents())
                return WAIT_FAILED;
            if (!m_signalled && Clock::now() >= deadline)
                return WAIT_TIMEOUT;
        }
        return WAIT_OBJECT_0;
    }

private:
    // Adds watches to every folder below `path`, not following links. Folders that
    // vanish or refuse are left out; running out of watches fails.
    bool WatchBelow(const std::string &path)
    {
        DIR *dir = ::opendir(path.c_str());
        if (!dir)
            return true;
        bool ok = true;
        while (dirent *entry = ::readdir(dir)) {
            const std::string_view name = entry->d_name;
            if (name == "." || name == "..")
                continue;
            if (entry->d_type != DT_DIR && entry->d_type != DT_UNKNOWN)
                continue;
            if (!WatchFolder(JoinPath(path, name))) {
                ok = false;
                break;
            }
        }
        const int error = errno;
        ::closedir(dir);
        errno = error;
        return ok;
    }

    bool WatchFolder(const std::string &path)
    {
        const int wd = inotify_add_watch(m_fd, path.c_str(), m_mask | IN_DONT_FOLLOW);
        if (wd < 0)
            return errno != ENOSPC && errno != ENOMEM;
        m_folders[wd] = path;
        return WatchBelow(path);
    }

    // Reads what the kernel queued; false when the read itself fails.
    bool ReadEvents()
    {
        alignas(inotify_event) char buffer[16 * 1024];
        for (;;) {
            const ssize_t length = ::read(m_fd, buffer, sizeof buffer);
            if (length < 0)
                return errno == EAGAIN || errno == EINTR;
            if (length == 0)
                return true;
            for (ssize_t at = 0; at < length;) {
                inotify_event event;
                std::memcpy(&event, buffer + at, sizeof event);
                const char *name = buffer + at + sizeof event;
                Consider(event,
                    event.len ? std::string_view(name, ::strnlen(name, event.len)) : std::string_view());
                at += static_cast<ssize_t>(sizeof event + event.len);
            }
        }
    }

    void Consider(const inotify_event &event, std::string_view name)
    {
        const std::uint32_t mask = event.mask;
        const bool root = event.wd == m_root;
        if (mask & (IN_Q_OVERFLOW | IN_UNMOUNT))
            m_signalled = true;
        if (root && (mask & (SelfEvents | IN_IGNORED)))
            m_signalled = true;
        const bool folder = mask & IN_ISDIR;
        if (mask & NameEvents) {
            const DWORD kind = folder ? FILE_NOTIFY_CHANGE_DIR_NAME : FILE_NOTIFY_CHANGE_FILE_NAME;
            if (m_filter & kind)
                m_signalled = true;
            if (m_subtree && folder && (mask & (IN_CREATE | IN_MOVED_TO)) && !m_signalled)
                WatchFolder(JoinPath(root ? m_rootPath : m_folders[event.wd], name));
        }
        if ((mask & IN_ATTRIB)
            && (m_filter
                & (FILE_NOTIFY_CHANGE_ATTRIBUTES | FILE_NOTIFY_CHANGE_SECURITY
                    | FILE_NOTIFY_CHANGE_LAST_WRITE)))
            m_signalled = true;
        if ((mask & IN_MODIFY) && (m_filter & (FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE)))
            m_signalled = true;
        if ((mask & IN_CLOSE_WRITE) && (m_filter & FILE_NOTIFY_CHANGE_LAST_WRITE))
            m_signalled = true;
    }

    int m_fd;
    DWORD m_filter;
    bool m_subtree;
    std::uint32_t m_mask;
    int m_root = -1;
    std::string m_rootPath;
    std::map<int, std::string> m_folders; // the folders below the root, by watch
    bool m_signalled = false;
};

// The open handles. A handle is used by one thread at a time; the table itself may be
// reached from several.
struct THandleTable
{
    std::mutex Mutex;
    std::map<HANDLE, std::shared_ptr<TChangeWatch>> Watches;
    HANDLE Next = 1;
};

THandleTable &Handles()
{
    static auto *table = new THandleTable;
    return *table;
}

std::shared_ptr<TChangeWatch> Find(HANDLE handle)
{
    THandleTable &table = Handles();
    std::lock_guard lock(table.Mutex);
    const auto found = table.Watches.find(handle);
    return found == table.Watches.end() ? nullptr : found->second;
}

} // namespace

HANDLE FindFirstChangeNotification(const std::string &path, bool watchSubtree, DWORD filter)
{
    const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0) {
        lastError = ErrorOf(errno);
        return INVALID_HANDLE_VALUE;
    }
    auto watch = std::make_shared<TChangeWatch>(fd, filter, watchSubtree);
    // The root is watched with the folder's own path: the subtree's paths build on it.
    std::string root = path;
    while (root.size() > 1 && root.back() == '/')
        root.pop_back();
    if (!watch->WatchRoot(root.empty() ? std::string("/") : root)) {
        lastError = ErrorOf(errno);
        return INVALID_HANDLE_VALUE;
    }
    THandleTable &table = Handles();
    std::lock_guard lock(table.Mutex);
    const HANDLE handle = table.Next++;
    table.Watches.emplace(handle, std::move(watch));
    return handle;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds)
{
    const std::shared_ptr<TChangeWatch> watch = Find(handle);
    if (!watch) {
        lastError = ERROR_INVALID_HANDLE;
        return WAIT_FAILED;
    }
    return watch->Wait(milliseconds);
}

bool FindCloseChangeNotification(HANDLE handle)
{
    THandleTable &table = Handles();
    std::lock_guard lock(table.Mutex);
    if (table.Watches.erase(handle) == 0) {
        lastError = ERROR_INVALID_HANDLE;
        return false;
    }
    return true;
}

DWORD GetLastError()
{
    return lastError;
}
