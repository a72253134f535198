#pragma once

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

// A thread of its own that works through the items handed to it, oldest first, while the
// thread that hands them over goes on.
//
// The thread starts with the first item; where it cannot start, each item is worked on
// as it is handed over. At most `maxWaiting` items wait: past that, handing over either
// waits for room (twWait) or works on the oldest item on the calling thread (twWorkHere),
// so that the memory the items hold stays bounded either way. What the work throws on
// the thread ends the thread and is thrown again by Finish() and HelpUntil(). Destroyed,
// or cancelled, the thread takes no more items and is joined; a long piece of work looks
// at Cancelled() to stop early.
template <typename TItem> class TBatchWorker
{
public:
    enum class TWhenFull
    {
        twWait,
        twWorkHere,
    };

    TBatchWorker(std::function<void(TItem &)> work, std::size_t maxWaiting, TWhenFull whenFull)
        : m_work(std::move(work))
        , m_maxWaiting(maxWaiting)
        , m_whenFull(whenFull)
    { }
    ~TBatchWorker() { Cancel(); }
    TBatchWorker(const TBatchWorker &) = delete;
    TBatchWorker &operator=(const TBatchWorker &) = delete;

    void HandOver(TItem item)
    {
        StartOnce();
        if (!m_thread.joinable()) {
            Work(item);
            return;
        }
        std::optional<TItem> here;
        {
            std::unique_lock lock(m_mutex);
            if (m_whenFull == TWhenFull::twWait)
                m_changed.wait(lock, [this] { return m_waiting.size() < m_maxWaiting || m_failure; });
            m_waiting.push_back(std::move(item));
            if (m_whenFull == TWhenFull::twWorkHere && m_waiting.size() > m_maxWaiting)
                here = TakeOldest();
        }
        m_changed.notify_all();
        if (here)
            Work(*here);
    }

    // No more items come: the thread ends once it has worked through those waiting.
    void Close()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_closing = true;
        }
        m_changed.notify_all();
    }

    // Closes, joins the thread once every item is worked on, and throws what failed on it.
    void Finish()
    {
        Close();
        if (m_thread.joinable())
            m_thread.join();
        if (m_failure)
            std::rethrow_exception(m_failure);
    }

    // Returns once `done` holds, meanwhile working here on the items waiting, those that
    // `wanted` picks first, so that neither thread waits idle. Throws what failed on the
    // thread. `done` must come true once the items it waits for are worked on.
    void HelpUntil(const std::function<bool()> &done, const std::function<bool(const TItem &)> &wanted)
    {
        if (done())
            return;
        std::unique_lock lock(m_mutex);
        while (!done()) {
            std::optional<TItem> next;
            const auto found = std::find_if(m_waiting.begin(), m_waiting.end(), wanted);
            if (found != m_waiting.end()) {
                next = std::move(*found);
                m_waiting.erase(found);
            } else if (m_failure) {
                std::rethrow_exception(m_failure);
            } else if (!m_waiting.empty()) {
                next = TakeOldest();
            }
            if (!next) {
                m_changed.wait(lock);
                continue;
            }
            lock.unlock();
            Work(*next);
            lock.lock();
        }
    }

    // Takes no more items, stops the thread's work at its next look at Cancelled() and
    // joins it.
    void Cancel()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_cancelled = true;
        }
        m_changed.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }

    bool Cancelled() const { return m_cancelled.load(std::memory_order_relaxed); }

private:
    void StartOnce()
    {
        if (m_started)
            return;
        m_started = true;
        try {
            m_thread = std::thread([this] { Run(); });
        } catch (const std::system_error &) { }
    }

    void Run()
    {
        try {
            for (;;) {
                std::optional<TItem> item;
                {
                    std::unique_lock lock(m_mutex);
                    m_changed.wait(lock, [this] { return !m_waiting.empty() || m_closing || m_cancelled; });
                    if (m_cancelled || m_waiting.empty())
                        return;
                    item = TakeOldest();
                }
                m_changed.notify_all(); // room for an item waiting to be handed over
                Work(*item);
            }
        } catch (...) {
            {
                const std::lock_guard lock(m_mutex);
                m_failure = std::current_exception();
            }
            m_changed.notify_all();
        }
    }

    // Works on the item and tells whoever waits: what the work did is seen by a thread
    // that looks after taking the mutex.
    void Work(TItem &item)
    {
        m_work(item);
        {
            const std::lock_guard lock(m_mutex);
        }
        m_changed.notify_all();
    }

    // The oldest item waiting, taken off the queue; m_mutex is held.
    TItem TakeOldest()
    {
        TItem item = std::move(m_waiting.front());
        m_waiting.pop_front();
        return item;
    }

    const std::function<void(TItem &)> m_work;
    const std::size_t m_maxWaiting;
    const TWhenFull m_whenFull;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<TItem> m_waiting;
    bool m_closing = false;
    std::atomic<bool> m_cancelled = false;
    std::exception_ptr m_failure; // under m_mutex while the thread runs
    bool m_started = false;
    std::thread m_thread;
};
