#include "systree/filechangethread.h"

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
    , m_stopEvent(CreateEvent())
{ }

TFileChangeThread::~TFileChangeThread()
{
    if (m_stopEvent != INVALID_HANDLE_VALUE)
        CloseHandle(m_stopEvent);
}

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
    // Asleep until the folder changes or the owner asks to stop; without a stop event
    // (no descriptor left) the stop request is looked at every 10 ms instead.
    const HANDLE handles[] = {m_changeHandle, m_stopEvent};
    const bool withStop = m_stopEvent != INVALID_HANDLE_VALUE;
    for (;;) {
        const DWORD result
            = WaitForMultipleObjects(withStop ? 2 : 1, handles, withStop ? INFINITE : FallbackSliceMs);
        // The stop request takes precedence over a change seen at the same time.
        if (Terminated()) {
            m_aborted = true;
            break;
        }
        // A change, or a wait that failed: either way the owner should read again.
        if (result != WAIT_TIMEOUT)
            break;
    }
}

void TFileChangeThread::TerminateRequested()
{
    if (m_stopEvent != INVALID_HANDLE_VALUE)
        SetEvent(m_stopEvent);
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
