#include <chrono>
#include <thread>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include "platform/system/thread.h"

namespace {

// A thread that makes one synchronous call and records what became of it.
class TCallingThread : public TThread
{
public:
    std::atomic<bool> Called{false}, CalledOnInterfaceThread{false}, Returned{false};
    std::atomic<bool> Answer{false};

protected:
    void Execute() override
    {
        Answer = Synchronize([this] {
            Called = true;
            CalledOnInterfaceThread = QThread::currentThread() == QCoreApplication::instance()->thread();
        });
        Returned = true;
    }
};

// Lets the interface thread's messages run until `done` holds or a second has passed.
template <typename F> bool PumpUntil(F done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 1000) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return done();
}

TEST(TThread, SynchronousCallRunsOnTheInterfaceThreadAndTheObjectGoesWithItsLastReference)
{
    const int liveBefore = LiveThreadObjects();
    auto thread = std::make_shared<TCallingThread>();
    thread->Start();
    ASSERT_TRUE(PumpUntil([&] { return thread->Finished(); }));
    EXPECT_TRUE(thread->Called);
    EXPECT_TRUE(thread->CalledOnInterfaceThread);
    EXPECT_TRUE(thread->Answer);

    // The thread dropped its own reference; the owner's is the last.
    thread->Terminate(); // a stop request after the end is harmless
    EXPECT_EQ(LiveThreadObjects(), liveBefore + 1);
    thread.reset();
    EXPECT_EQ(LiveThreadObjects(), liveBefore);
    EXPECT_EQ(RunningThreads(), 0);
}

TEST(TThread, ObjectOutlivesItsOwnerUntilTheThreadEnds)
{
    const int liveBefore = LiveThreadObjects();
    {
        auto thread = std::make_shared<TCallingThread>();
        thread->Start();
    } // the owner lets go while the call waits for the interface thread
    EXPECT_EQ(LiveThreadObjects(), liveBefore + 1);
    ASSERT_TRUE(PumpUntil([&] { return LiveThreadObjects() == liveBefore; }));
}

// The end of the program while a thread waits for the interface thread, which does not
// run its messages any more: the wait is dropped, the call never runs, nothing hangs.
TEST(TThreadDeathTest, ShutdownReleasesAThreadWaitingForTheInterfaceThread)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            auto thread = std::make_shared<TCallingThread>();
            thread->Start();
            std::this_thread::sleep_for(std::chrono::milliseconds(20)); // now it waits
            ShutdownThreads();
            const bool ok = thread->Finished() && !thread->Called && !thread->Answer && RunningThreads() == 0;
            std::fprintf(stderr, ok ? "released\n" : "still waiting\n");
            std::exit(ok ? 0 : 1);
        },
        testing::ExitedWithCode(0), "released");
}

} // namespace
