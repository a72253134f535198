#include "systree/filechangethread.h"

namespace {

// The wait of one slice: the longest a stop request or a change waits to be seen.
constexpr DWORD SliceMs = 10;

} // namespace

DWORD ChangeFilterFlags(TFileChangeFilter filter)
{
    static constexpr std::pair<TFileChangeKind, DWORD> Flags[] = {
        {TFileChangeKind::fcFileName, FILE_NOTIFY_CHANGE_FILE_NAME},
        {TFileChangeKind::fcDirName, FILE_NOTIFY_CHANGE_DIR_NAME},
        {TFileChangeKind::fcAttributes, FILE_NOTIFY_CHANGE_ATTRIBUTES},
        {TFileChangeKind::fcSize, FILE_NOTIFY_CHANGE_SIZE},
        {TFileChangeKind::fcLastWrite, FILE_NOTIFY_CHANGE_LAST_WRITE},
        {TFileChangeKind::fcSecurity, FILE_NOTIFY_CHANGE_SECURITY},
    };
    DWORD flags = 0;
    for (const auto &[kind, flag] : Flags) {
        if (filter.Contains(kind))
            flags |= flag;
    }
    return flags;
}

TFileChangeThread::TFileChangeThread(const std::string &directory, TFileChangeFilter filter,
    bool watchSubtree, TChangeEvent onDirectoryChanged)
    : m_directory(directory)
    , m_filter(filter)
    , m_watchSubtree(watchSubtree)
    , m_onDirectoryChanged(std::move(onDirectoryChanged))
{ }

std::shared_ptr<TFileChangeThread> TFileChangeThread::Create(const std::string &directory,
    TFileChangeFilter filter, bool watchSubtree, TChangeEvent onDirectoryChanged)
{
    std::shared_ptr<TFileChangeThread> watcher(
        new TFileChangeThread(directory, filter, watchSubtree, std::move(onDirectoryChanged)));
    watcher->Start();
    return watcher;
}

void TFileChangeThread::Execute()
{
    m_changeHandle = FindFirstChangeNotification(m_directory, m_watchSubtree, ChangeFilterFlags(m_filter));
    if (m_changeHandle == INVALID_HANDLE_VALUE) {
        // Nothing to watch: end at once, without the ending step's report.
        m_changeHandle = 0;
        m_aborted = true;
        SetReturnValue(static_cast<int>(GetLastError()));
        return;
    }
    for (;;) {
        const DWORD result = WaitForSingleObject(m_changeHandle, SliceMs);
        if (Terminated()) {
            m_aborted = true;
            break;
        }
        // A change, or a wait that failed: either way the owner should read again.
        if (result != WAIT_TIMEOUT)
            break;
    }
}

void TFileChangeThread::DoTerminate()
{
    if (m_changeHandle == 0)
        return;
    FindCloseChangeNotification(m_changeHandle);
    m_changeHandle = 0;
    if (m_aborted || !m_onDirectoryChanged)
        return;
    // The stop request is made on the interface thread too, so this test there is exact.
    Synchronize([this] {
        if (!Terminated())
            m_onDirectoryChanged(this);
    });
}
