#include "platform/system/temporaries.h"

#include <atomic>
#include <csignal>
#include <unistd.h>

namespace {

// More than the program ever writes at once: one file per save or print job.
constexpr int SlotCount = 64;

using TSlot = std::atomic<const char *>;
static_assert(TSlot::is_always_lock_free, "the signal handler may only use lock-free atomics");

TSlot g_slots[SlotCount];

constexpr int FatalSignals[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGPIPE, SIGXFSZ};

// Only async-signal-safe calls: unlink, sigaction, raise. The signal stays blocked while
// the handler runs, so the raised one is delivered, with the default action, on return.
extern "C" void RemoveTemporariesAndEnd(int signal)
{
    for (TSlot &slot : g_slots) {
        if (const char *path = slot.exchange(nullptr))
            ::unlink(path);
    }
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

bool TTemporaryName::Hold(std::string path)
{
    Release();
    m_path = std::move(path);
    for (int slot = 0; slot < SlotCount; ++slot) {
        const char *empty = nullptr;
        if (g_slots[slot].compare_exchange_strong(empty, m_path.c_str())) {
            m_slot = slot;
            return true;
        }
    }
    m_path.clear();
    return false;
}

void TTemporaryName::Release() noexcept
{
    if (m_slot < 0)
        return;
    const char *mine = m_path.c_str();
    if (!g_slots[m_slot].compare_exchange_strong(mine, nullptr)) {
        // A fatal signal's handler took the name on another thread and is removing the
        // file on its way to ending the process: the text must stay until the end.
        for (;;)
            ::pause();
    }
    m_slot = -1;
    m_path.clear();
}

void TTemporaryName::Remove() noexcept
{
    if (m_slot >= 0)
        ::unlink(m_path.c_str());
    Release();
}

void RemoveTemporariesOnFatalSignals()
{
    struct sigaction action
    {
    };
    action.sa_handler = RemoveTemporariesAndEnd;
    sigemptyset(&action.sa_mask);
    for (const int signal : FatalSignals)
        sigaddset(&action.sa_mask, signal);
    for (const int signal : FatalSignals) {
        struct sigaction current
        {
        };
        if (::sigaction(signal, nullptr, &current) != 0)
            continue;
        if ((current.sa_flags & SA_SIGINFO) == 0 && current.sa_handler == SIG_DFL)
            ::sigaction(signal, &action, nullptr);
    }
}
