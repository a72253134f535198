#include "platform/system/thread.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <set>
#include <thread>

#include <QCoreApplication>
#include <QThread>

#include "platform/system/guarded.h"

namespace {

// How long the end of the program waits for threads that do not heed a stop request.
constexpr auto ShutdownPatience = std::chrono::seconds(5);

// The state shared by all threads: who is running, and whether the program is ending.
struct TThreadRegistry
{
    std::mutex Mutex;
    std::condition_variable Changed; // a thread ended, a call returned, or shutdown began
    std::set<TThread *> Running;
    bool Closed = false; // shutdown began: no more synchronous calls
    bool PostRoutineAdded = false;
};

TThreadRegistry &Registry()
{
    // Never destroyed: threads may still consult it while static objects go away.
    static auto *registry = new TThreadRegistry;
    return *registry;
}

std::atomic<int> liveThreadObjects{0};

// One synchronous call on its way to the interface thread.
struct TSyncCall
{
    std::function<void()> Call;
    bool Done = false;
    bool Dropped = false; // the waiting thread gave up; the call must not run
};

void RunOnInterfaceThread(const std::shared_ptr<TSyncCall> &sync)
{
    TThreadRegistry &registry = Registry();
    {
        std::lock_guard lock(registry.Mutex);
        if (registry.Closed || sync->Dropped)
            return;
    }
    // The waiting thread cannot drop the call from here on: only the interface thread
    // (this one) closes the registry, and it is busy here.
    Guarded(sync->Call);
    std::lock_guard lock(registry.Mutex);
    sync->Done = true;
    registry.Changed.notify_all();
}

bool OnInterfaceThread()
{
    const QCoreApplication *app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

} // namespace

TThread::TThread()
{
    ++liveThreadObjects;
}

TThread::~TThread()
{
    --liveThreadObjects;
}

void TThread::Start()
{
    if (m_started)
        return;
    m_started = true;
    TThreadRegistry &registry = Registry();
    {
        std::lock_guard lock(registry.Mutex);
        registry.Running.insert(this);
        if (!registry.PostRoutineAdded && QCoreApplication::instance()) {
            registry.PostRoutineAdded = true;
            qAddPostRoutine(ShutdownThreads);
        }
    }
    try {
        std::thread(&TThread::Run, this, shared_from_this()).detach();
    } catch (...) {
        std::lock_guard lock(registry.Mutex);
        registry.Running.erase(this);
        throw;
    }
}

void TThread::Run(std::shared_ptr<TThread> self)
{
    try {
        Execute();
        DoTerminate();
    } catch (const std::exception &error) {
        std::fprintf(stderr, "thread ended by an error: %s\n", error.what());
    } catch (...) {
        std::fprintf(stderr, "thread ended by an unknown error\n");
    }
    TThreadRegistry &registry = Registry();
    {
        std::lock_guard lock(registry.Mutex);
        m_finished.store(true, std::memory_order_release);
        registry.Running.erase(this);
        registry.Changed.notify_all();
    }
    // The thread's own reference goes last; the object may go with it.
    self.reset();
}

bool TThread::Synchronize(const std::function<void()> &call)
{
    if (OnInterfaceThread()) {
        Guarded(call);
        return true;
    }
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return false;
    TThreadRegistry &registry = Registry();
    auto sync = std::make_shared<TSyncCall>();
    sync->Call = call;
    {
        std::lock_guard lock(registry.Mutex);
        if (registry.Closed)
            return false;
    }
    QMetaObject::invokeMethod(
        app, [sync] { RunOnInterfaceThread(sync); }, Qt::QueuedConnection);
    std::unique_lock lock(registry.Mutex);
    registry.Changed.wait(lock, [&] { return sync->Done || registry.Closed; });
    if (!sync->Done)
        sync->Dropped = true;
    return sync->Done;
}

int LiveThreadObjects()
{
    return liveThreadObjects.load();
}

int RunningThreads()
{
    TThreadRegistry &registry = Registry();
    std::lock_guard lock(registry.Mutex);
    return static_cast<int>(registry.Running.size());
}

void ShutdownThreads()
{
    TThreadRegistry &registry = Registry();
    std::unique_lock lock(registry.Mutex);
    registry.Closed = true;
    for (TThread *thread : registry.Running)
        thread->Terminate();
    registry.Changed.notify_all();
    if (!registry.Changed.wait_for(lock, ShutdownPatience, [&] { return registry.Running.empty(); }))
        std::fprintf(stderr, "%zu thread(s) did not stop in time\n", registry.Running.size());
}
