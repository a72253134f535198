#include "platform/system/temporaries.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace {

// More than the program ever writes at once: one file per save or print job.
constexpr int SlotCount = 64;

using TSlot = std::atomic<const TTemporaryName::TEntry *>;
static_assert(TSlot::is_always_lock_free, "the signal handler may only use lock-free atomics");
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);

TSlot g_slots[SlotCount];

// Commit sections running now, the signal that waits for them, whether an output was
// committed, and whether that ends the process with success.
std::atomic<int> g_committing{0};
std::atomic<int> g_waiting{0};
std::atomic<bool> g_committed{false};
std::atomic<bool> g_successOnceCommitted{false};

// The signals of a fault in the code that runs: they are handled at once, where they
// happen, and a commit cannot make them a success.
bool IsFault(int signal)
{
    switch (signal) {
    case SIGILL:
    case SIGTRAP:
    case SIGABRT:
    case SIGBUS:
    case SIGFPE:
    case SIGSEGV:
    case SIGSYS:
        return true;
    default:
        return false;
    }
}

// A file, or a folder left empty (a private runtime folder).
void RemoveEntry(int folder, const char *name)
{
    if (::unlinkat(folder, name, 0) != 0 && errno == EISDIR)
        ::unlinkat(folder, name, AT_REMOVEDIR);
}

void RemoveHeldFiles()
{
    for (TSlot &slot : g_slots) {
        if (const TTemporaryName::TEntry *entry = slot.exchange(nullptr))
            RemoveEntry(entry->Folder, entry->Name);
    }
}

// Only async-signal-safe calls: unlinkat, sigaction, raise, _exit. The signal stays
// blocked while the handler runs, so the raised one is delivered, with the default
// action, on return. A signal sent while a commit section runs is left for the section
// to raise again when it ends; whichever of the handler and the section takes it from
// g_waiting handles it, once.
extern "C" void RemoveTemporariesAndEnd(int signal)
{
    if (!IsFault(signal)) {
        const int savedErrno = errno;
        g_waiting.store(signal);
        if (g_committing.load() > 0 || g_waiting.exchange(0) == 0) {
            errno = savedErrno;
            return;
        }
        if (g_successOnceCommitted.load() && g_committed.load()) {
            RemoveHeldFiles();
            ::_exit(0);
        }
    }
    RemoveHeldFiles();
    struct sigaction defaultAction
    {
    };
    defaultAction.sa_handler = SIG_DFL;
    sigemptyset(&defaultAction.sa_mask);
    ::sigaction(signal, &defaultAction, nullptr);
    ::raise(signal);
}

} // namespace

TTemporaryName::~TTemporaryName()
{
    Remove();
}

bool TTemporaryName::Hold(std::string path, int folder)
{
    Release();
    m_path = std::move(path);
    m_entry = TEntry{folder, m_path.c_str()};
    for (int slot = 0; slot < SlotCount; ++slot) {
        const TEntry *empty = nullptr;
        if (g_slots[slot].compare_exchange_strong(empty, &m_entry)) {
            m_slot = slot;
            return true;
        }
    }
    m_path.clear();
    m_entry = TEntry();
    return false;
}

void TTemporaryName::Release() noexcept
{
    if (m_slot < 0)
        return;
    const TEntry *mine = &m_entry;
    if (!g_slots[m_slot].compare_exchange_strong(mine, nullptr)) {
        // A fatal signal's handler took the name on another thread and is removing the
        // file on its way to ending the process: the text must stay until the end.
        for (;;)
            ::pause();
    }
    m_slot = -1;
    m_path.clear();
    m_entry = TEntry();
}

void TTemporaryName::Remove() noexcept
{
    if (m_slot >= 0)
        RemoveEntry(m_entry.Folder, m_path.c_str());
    Release();
}

std::vector<int> FatalSignals()
{
    std::vector<int> signals = {SIGHUP, SIGINT, SIGQUIT, SIGILL, SIGTRAP, SIGABRT, SIGBUS, SIGFPE, SIGUSR1,
        SIGSEGV, SIGUSR2, SIGPIPE, SIGALRM, SIGTERM, SIGSTKFLT, SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGIO,
        SIGPWR, SIGSYS};
    // The C library keeps the first real-time signals for itself; SIGRTMIN is the first
    // left to programs.
    for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal)
        signals.push_back(signal);
    return signals;
}

void RemoveTemporariesOnFatalSignals()
{
    const std::vector<int> signals = FatalSignals();
    struct sigaction action
    {
    };
    action.sa_handler = RemoveTemporariesAndEnd;
    // A signal left to wait for a commit section interrupts no call for good.
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (const int signal : signals)
        sigaddset(&action.sa_mask, signal);
    for (const int signal : signals) {
        struct sigaction current
        {
        };
        if (::sigaction(signal, nullptr, &current) != 0)
            continue;
        if ((current.sa_flags & SA_SIGINFO) == 0 && current.sa_handler == SIG_DFL)
            ::sigaction(signal, &action, nullptr);
    }
}

TCommitSection::TCommitSection()
{
    g_committing.fetch_add(1);
}

TCommitSection::~TCommitSection()
{
    g_committing.fetch_sub(1);
    if (const int signal = g_waiting.exchange(0))
        ::raise(signal);
}

void TCommitSection::Committed()
{
    g_committed.store(true);
}

void EndWithSuccessOnceCommitted()
{
    g_successOnceCommitted.store(true);
}
