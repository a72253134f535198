#pragma once

#include <atomic>
#include <functional>
#include <memory>

// A worker thread with a stop request and a synchronous call into the interface
// thread.
//
// A thread object is shared: the running thread holds one reference to itself until
// its ending step is over, and whoever started it may hold others. The object is freed
// when the last reference goes, so a stop request through a kept reference is always
// safe, even after the thread has ended, and nothing outlives both the thread and its
// owner.
//
// At the end of the program (when the application object goes, or at exit without
// one) ShutdownThreads() asks every live thread to stop, drops the synchronous calls
// still waiting for the interface thread, and waits for the threads to end. A thread
// blocked in Synchronize() is released by that, so the interface thread never waits for
// a thread that waits for it.
class TThread : public std::enable_shared_from_this<TThread>
{
public:
    TThread();
    virtual ~TThread();

    TThread(const TThread &) = delete;
    TThread &operator=(const TThread &) = delete;

    // Starts the system thread. Call it once, on a thread object held by a shared_ptr.
    void Start();

    // Asks the thread to stop and returns at once; the body polls Terminated(), or waits
    // for what TerminateRequested() does.
    void Terminate()
    {
        m_terminated.store(true, std::memory_order_release);
        TerminateRequested();
    }
    bool Terminated() const { return m_terminated.load(std::memory_order_acquire); }

    // True once the body and the ending step are over.
    bool Finished() const { return m_finished.load(std::memory_order_acquire); }
    int ReturnValue() const { return m_returnValue.load(std::memory_order_acquire); }

protected:
    // The thread's body.
    virtual void Execute() = 0;
    // The ending step, on the thread, after Execute().
    virtual void DoTerminate() { }
    // Runs on the thread that asks for the stop, right after the flag is set: a body that
    // sleeps until something happens wakes itself up here.
    virtual void TerminateRequested() { }

    void SetReturnValue(int value) { m_returnValue.store(value, std::memory_order_release); }

    // Runs `call` on the interface thread and waits until it has returned. Returns false
    // without running it when the program is shutting down or has no application object.
    // Called on the interface thread itself, it runs `call` at once.
    static bool Synchronize(const std::function<void()> &call);

private:
    void Run(std::shared_ptr<TThread> self);

    std::atomic<bool> m_terminated{false};
    std::atomic<bool> m_finished{false};
    std::atomic<int> m_returnValue{0};
    bool m_started = false;
};

// The number of thread objects that are alive (started or not, ended or not).
int LiveThreadObjects();
// The number of system threads of TThread objects that have not ended yet.
int RunningThreads();

// Asks every running thread to stop, drops pending synchronous calls, and waits until
// every thread has ended. Threads started afterwards are refused their synchronous
// calls. Runs by itself when the application object is destroyed.
void ShutdownThreads();
