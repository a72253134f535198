#include "platform/system/changenotify.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <memory>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/system/fd.h"
#include "platform/system/pathopen.h"
#include "platform/system/paths.h"

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

// Something a thread can wait for: a descriptor that polls readable when something
// happened, and whether that something signals the handle.
class TWaitable
{
public:
    explicit TWaitable(int fd)
        : m_fd(fd)
    { }
    virtual ~TWaitable() = default;

    int Fd() const { return m_fd.Get(); }
    virtual bool Signalled() const = 0;
    // Takes in what made the descriptor readable; false when reading it fails.
    virtual bool Consume() = 0;

private:
    const TFd m_fd;
};

// Signalled once SetEvent ran; never reset, so its eventfd is never read.
class TEvent : public TWaitable
{
public:
    using TWaitable::TWaitable;

    void Set()
    {
        m_set.store(true);
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(Fd(), &one, sizeof one);
    }
    bool Signalled() const override { return m_set.load(); }
    bool Consume() override { return true; }

private:
    std::atomic<bool> m_set{false};
};

class TChangeWatch : public TWaitable
{
public:
    TChangeWatch(int fd, DWORD filter, bool watchSubtree)
        : TWaitable(fd)
        , m_filter(filter)
        , m_subtree(watchSubtree)
        , m_mask(InotifyMask(filter, watchSubtree))
    { }

    bool Signalled() const override { return m_signalled; }
    bool Consume() override { return ReadEvents(); }

    // Watches `path` (and its subtree when asked); false with errno set when the folder
    // itself cannot be watched or the system has no watches left.
    bool WatchRoot(const std::string &path)
    {
        m_root = AddWatch(path, m_mask);
        if (m_root < 0)
            return false;
        m_rootPath = path;
        return !m_subtree || WatchBelow(path);
    }

private:
    // Adds watches to every folder below `path`, not following links. Folders that
    // vanish or refuse are left out; running out of watches fails.
    bool WatchBelow(const std::string &path)
    {
        TFd fd(OpenPath(path, O_RDONLY | O_DIRECTORY));
        const TDirStream dir = TDirStream::Over(fd);
        if (!dir)
            return true;
        bool ok = true;
        while (dirent *entry = ::readdir(dir.Get())) {
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
        return ok;
    }

    bool WatchFolder(const std::string &path)
    {
        const int wd = AddWatch(path, m_mask | IN_DONT_FOLLOW);
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
            const ssize_t length = ::read(Fd(), buffer, sizeof buffer);
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

    // inotify_add_watch for a folder path of any length: a path the system does not take
    // in one call is opened a run at a time and watched through its descriptor.
    int AddWatch(const std::string &path, std::uint32_t mask)
    {
        const int wd = inotify_add_watch(Fd(), path.c_str(), mask);
        if (wd >= 0 || errno != ENAMETOOLONG)
            return wd;
        const TFd folder(OpenPath(path, O_PATH | O_DIRECTORY | ((mask & IN_DONT_FOLLOW) ? O_NOFOLLOW : 0)));
        if (!folder)
            return -1;
        return inotify_add_watch(Fd(), DescriptorPath(folder.Get()).c_str(), mask & ~IN_DONT_FOLLOW);
    }

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
    std::map<HANDLE, std::shared_ptr<TWaitable>> Watches;
    HANDLE Next = 1;
};

THandleTable &Handles()
{
    static auto *table = new THandleTable;
    return *table;
}

std::shared_ptr<TWaitable> Find(HANDLE handle)
{
    THandleTable &table = Handles();
    std::lock_guard lock(table.Mutex);
    const auto found = table.Watches.find(handle);
    return found == table.Watches.end() ? nullptr : found->second;
}

HANDLE Enter(std::shared_ptr<TWaitable> waitable)
{
    THandleTable &table = Handles();
    std::lock_guard lock(table.Mutex);
    const HANDLE handle = table.Next++;
    table.Watches.emplace(handle, std::move(waitable));
    return handle;
}

// The first signalled of `waitables`, or -1.
int FirstSignalled(const std::vector<std::shared_ptr<TWaitable>> &waitables)
{
    for (std::size_t i = 0; i < waitables.size(); ++i) {
        if (waitables[i]->Signalled())
            return static_cast<int>(i);
    }
    return -1;
}

DWORD Wait(const std::vector<std::shared_ptr<TWaitable>> &waitables, DWORD milliseconds)
{
    using Clock = std::chrono::steady_clock;
    const bool forever = milliseconds == INFINITE;
    const auto deadline = Clock::now() + std::chrono::milliseconds(forever ? 0 : milliseconds);
    std::vector<pollfd> polled;
    for (const auto &waitable : waitables)
        polled.push_back({waitable->Fd(), POLLIN, 0});
    // The first look takes in what is already there without waiting, so that of the
    // handles signalled by then the first in the list is named.
    for (int timeout = 0;;) {
        const int ready = ::poll(polled.data(), polled.size(), timeout);
        if (ready < 0 && errno != EINTR)
            return WAIT_FAILED;
        for (std::size_t i = 0; ready > 0 && i < polled.size(); ++i) {
            if (polled[i].revents != 0 && !waitables[i]->Consume())
                return WAIT_FAILED;
        }
        if (const int signalled = FirstSignalled(waitables); signalled >= 0)
            return WAIT_OBJECT_0 + static_cast<DWORD>(signalled);
        if (!forever) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0)
                return WAIT_TIMEOUT;
            timeout = static_cast<int>(left.count());
        } else {
            timeout = -1;
        }
    }
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
    return Enter(std::move(watch));
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds)
{
    return WaitForMultipleObjects(1, &handle, milliseconds);
}

bool CloseHandle(HANDLE handle)
{
    THandleTable &table = Handles();
    std::lock_guard lock(table.Mutex);
    if (table.Watches.erase(handle) == 0) {
        lastError = ERROR_INVALID_HANDLE;
        return false;
    }
    return true;
}

bool FindCloseChangeNotification(HANDLE handle)
{
    return CloseHandle(handle);
}

HANDLE CreateEvent()
{
    const int fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd < 0) {
        lastError = ErrorOf(errno);
        return INVALID_HANDLE_VALUE;
    }
    return Enter(std::make_shared<TEvent>(fd));
}

bool SetEvent(HANDLE handle)
{
    const auto event = std::dynamic_pointer_cast<TEvent>(Find(handle));
    if (!event) {
        lastError = ERROR_INVALID_HANDLE;
        return false;
    }
    event->Set();
    return true;
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE *handles, DWORD milliseconds)
{
    std::vector<std::shared_ptr<TWaitable>> waitables;
    for (DWORD i = 0; i < count; ++i) {
        waitables.push_back(Find(handles[i]));
        if (!waitables.back()) {
            lastError = ERROR_INVALID_HANDLE;
            return WAIT_FAILED;
        }
    }
    if (waitables.empty()) {
        lastError = ERROR_INVALID_PARAMETER;
        return WAIT_FAILED;
    }
    return Wait(waitables, milliseconds);
}

DWORD GetLastError()
{
    return lastError;
}
