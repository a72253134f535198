#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

// Ends a thread that waits on `changed` for work and looks at `cancelled` while it works:
// sets `cancelled` under `mutex`, wakes the thread and waits for it to end. Nothing
// happens for a thread that never started.
inline void CancelAndJoin(
    std::thread &thread, std::mutex &mutex, std::condition_variable &changed, std::atomic<bool> &cancelled)
{
    if (!thread.joinable())
        return;
    {
        const std::lock_guard lock(mutex);
        cancelled = true;
    }
    changed.notify_all();
    thread.join();
}
