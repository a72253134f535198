#include "platform/system/devicewatch.h"

#include <fcntl.h>
#include <memory>
#include <set>
#include <unistd.h>
#include <vector>

#include <QFileSystemWatcher>
#include <QSocketNotifier>

#include "platform/system/fd.h"
#include "platform/system/guarded.h"
#include "platform/system/qtext.h"

namespace {

constexpr const char *SystemMountTable = "/proc/self/mountinfo";

// The mount points of a table in the form of /proc/self/mountinfo (the fifth field) or
// of /proc/self/mounts (the second).
std::set<std::string> ReadMountPoints(const std::string &path)
{
    std::set<std::string> points;
    const TFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd)
        return points;
    std::string text;
    char buffer[8192];
    ssize_t got;
    while ((got = ::read(fd.Get(), buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(got));
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::vector<std::string> fields;
        std::size_t at = start;
        while (at < end && fields.size() < 5) {
            const std::size_t blank = std::min(text.find(' ', at), end);
            fields.push_back(text.substr(at, blank - at));
            at = blank + 1;
        }
        const bool mountInfo = path.size() >= 9 && path.compare(path.size() - 9, 9, "mountinfo") == 0;
        if (mountInfo && fields.size() >= 5)
            points.insert(fields[4]);
        else if (!mountInfo && fields.size() >= 2)
            points.insert(fields[1]);
        start = end + 1;
    }
    return points;
}

struct THook
{
    int Id;
    TWindowHook Hook;
};

// Watches the mount table while hooks are installed.
class TMountWatch
{
public:
    explicit TMountWatch(std::string path)
        : m_path(std::move(path))
        , m_points(ReadMountPoints(m_path))
    {
        // The kernel marks /proc/self/mountinfo with POLLPRI when the table changes; an
        // ordinary file (a test's) is watched for writes.
        if (m_path.rfind("/proc/", 0) == 0) {
            m_fd = TFd(::open(m_path.c_str(), O_RDONLY | O_CLOEXEC));
            if (m_fd) {
                m_notifier = std::make_unique<QSocketNotifier>(m_fd.Get(), QSocketNotifier::Exception);
                QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [] { CheckMountTable(); });
            }
        } else {
            m_watcher = std::make_unique<QFileSystemWatcher>();
            m_watcher->addPath(ToQString(m_path));
            QObject::connect(m_watcher.get(), &QFileSystemWatcher::fileChanged, [this](const QString &) {
                // An editor may replace the file: watch the new one.
                if (m_watcher->files().isEmpty())
                    m_watcher->addPath(ToQString(m_path));
                CheckMountTable();
            });
        }
    }

    // The changes since the last look: (arrived, removed).
    std::pair<bool, bool> Changes()
    {
        if (m_fd) {
            // Reading the table to its end clears the mark.
            ::lseek(m_fd.Get(), 0, SEEK_SET);
            char buffer[8192];
            while (::read(m_fd.Get(), buffer, sizeof buffer) > 0) { }
        }
        std::set<std::string> now = ReadMountPoints(m_path);
        bool arrived = false;
        bool removed = false;
        for (const std::string &point : now)
            arrived = arrived || !m_points.count(point);
        for (const std::string &point : m_points)
            removed = removed || !now.count(point);
        m_points = std::move(now);
        return {arrived, removed};
    }

    const std::string &Path() const { return m_path; }

private:
    std::string m_path;
    std::set<std::string> m_points;
    TFd m_fd;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::unique_ptr<QFileSystemWatcher> m_watcher;
};

struct TState
{
    std::vector<THook> Hooks;
    int LastId = 0;
    std::string TablePath = SystemMountTable;
    std::unique_ptr<TMountWatch> Watch;
};

TState &State()
{
    static TState state;
    return state;
}

void UpdateWatch()
{
    TState &state = State();
    if (state.Hooks.empty())
        state.Watch.reset();
    else if (!state.Watch || state.Watch->Path() != state.TablePath)
        state.Watch = std::make_unique<TMountWatch>(state.TablePath);
}

} // namespace

int HookMainWindow(TWindowHook hook)
{
    TState &state = State();
    state.Hooks.push_back({++state.LastId, std::move(hook)});
    UpdateWatch();
    return state.LastId;
}

void UnhookMainWindow(int identifier)
{
    TState &state = State();
    std::erase_if(state.Hooks, [identifier](const THook &hook) { return hook.Id == identifier; });
    UpdateWatch();
}

int MainWindowHookCount()
{
    return static_cast<int>(State().Hooks.size());
}

bool DeliverMainWindowMessage(TMessage message)
{
    // A hook may unhook itself or others: walk a copy, skipping those gone meanwhile.
    const std::vector<THook> hooks = State().Hooks;
    for (const THook &hook : hooks) {
        const auto &live = State().Hooks;
        if (std::none_of(live.begin(), live.end(), [&hook](const THook &h) { return h.Id == hook.Id; }))
            continue;
        bool consumed = false;
        Guarded([&] { consumed = hook.Hook(message); });
        if (consumed)
            return true;
    }
    return false;
}

void SetMountTablePath(const std::string &path)
{
    State().TablePath = path.empty() ? std::string(SystemMountTable) : path;
    UpdateWatch();
}

void CheckMountTable()
{
    TState &state = State();
    if (!state.Watch)
        return;
    const auto [arrived, removed] = state.Watch->Changes();
    if (arrived)
        DeliverMainWindowMessage({WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0});
    if (removed)
        DeliverMainWindowMessage({WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, 0});
}
