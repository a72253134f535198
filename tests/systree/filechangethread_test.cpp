#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include "systree/filechangethread.h"
#include "tests/support/temptree.h"

namespace {

using namespace std::chrono_literals;

// Records the reports of a watcher.
struct TReports
{
    int Count = 0;
    bool OnInterfaceThread = false;

    TFileChangeThread::TChangeEvent Handler()
    {
        return [this](TFileChangeThread *) {
            ++Count;
            OnInterfaceThread = QThread::currentThread() == QCoreApplication::instance()->thread();
        };
    }
};

// Runs the interface thread's messages for `duration`, or until `done` holds.
template <typename F> void Pump(std::chrono::milliseconds duration, F done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < duration.count()) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(1ms);
    }
}
void Pump(std::chrono::milliseconds duration)
{
    Pump(duration, [] { return false; });
}

// The threads of this process, by id.
std::set<std::string> Tasks()
{
    std::set<std::string> tasks;
    for (const auto &entry : std::filesystem::directory_iterator("/proc/self/task"))
        tasks.insert(entry.path().filename().string());
    return tasks;
}

// What the kernel counts of a thread: processor time, and how often it went to sleep.
struct TThreadUse
{
    long long CpuNs = 0;
    long long Sleeps = 0;
};

TThreadUse UseOf(const std::set<std::string> &tasks)
{
    TThreadUse use;
    for (const auto &task : tasks) {
        const std::string folder = "/proc/self/task/" + task;
        std::ifstream schedstat(folder + "/schedstat");
        long long ns = 0;
        schedstat >> ns;
        use.CpuNs += ns;
        std::ifstream status(folder + "/status");
        for (std::string line; std::getline(status, line);) {
            if (line.starts_with("voluntary_ctxt_switches:"))
                use.Sleeps += std::stoll(line.substr(line.find(':') + 1));
        }
    }
    return use;
}

TEST(ChangeFilterFlags, MapsEachKindToItsSystemFlag)
{
    using K = TFileChangeKind;
    EXPECT_EQ(ChangeFilterFlags({K::fcDirName}), 0x2u);
    EXPECT_EQ(
        ChangeFilterFlags({K::fcFileName, K::fcDirName, K::fcAttributes, K::fcSize, K::fcLastWrite}), 0x1Fu);
    EXPECT_EQ(ChangeFilterFlags({K::fcSecurity}), 0x100u);
    EXPECT_EQ(ChangeFilterFlags({}), 0u);
}

TEST(TFileChangeThread, ABurstOfChangesGivesOneReportOnTheInterfaceThread)
{
    TTempTree tree;
    tree.Folder("w");
    TReports reports;
    auto watcher
        = TFileChangeThread::Create(tree.Path("w"), {TFileChangeKind::fcDirName}, false, reports.Handler());
    std::this_thread::sleep_for(20ms);
    tree.Folder("w/one");
    tree.Folder("w/two");
    tree.Folder("w/three");
    Pump(1000ms, [&] { return watcher->Finished(); });
    Pump(100ms);
    EXPECT_TRUE(watcher->Finished());
    EXPECT_FALSE(watcher->Aborted());
    EXPECT_EQ(reports.Count, 1);
    EXPECT_TRUE(reports.OnInterfaceThread);
}

TEST(TFileChangeThread, ChangesOfOtherKindsAreNotReported)
{
    TTempTree tree;
    tree.Folder("w");
    TReports reports;
    auto watcher
        = TFileChangeThread::Create(tree.Path("w"), {TFileChangeKind::fcDirName}, false, reports.Handler());
    std::this_thread::sleep_for(20ms);
    tree.File("w/file.txt");
    Pump(100ms);
    EXPECT_FALSE(watcher->Finished());
    EXPECT_EQ(reports.Count, 0);
    watcher->Terminate();
    Pump(500ms, [&] { return watcher->Finished(); });
    EXPECT_TRUE(watcher->Aborted());
}

TEST(TFileChangeThread, AStopRequestEndsItSoonWithoutAReportAndFreesIt)
{
    TTempTree tree;
    tree.Folder("w");
    TReports reports;
    const int liveBefore = LiveThreadObjects();
    auto watcher
        = TFileChangeThread::Create(tree.Path("w"), {TFileChangeKind::fcDirName}, false, reports.Handler());
    std::this_thread::sleep_for(20ms);
    const auto asked = std::chrono::steady_clock::now();
    watcher->Terminate();
    while (!watcher->Finished() && std::chrono::steady_clock::now() - asked < 1s)
        std::this_thread::sleep_for(1ms);
    const auto took = std::chrono::steady_clock::now() - asked;
    EXPECT_TRUE(watcher->Finished());
    EXPECT_LT(took, 250ms); // at once, with room for a loaded machine
    EXPECT_TRUE(watcher->Aborted());
    tree.Folder("w/late");
    Pump(50ms);
    EXPECT_EQ(reports.Count, 0);
    watcher.reset();
    EXPECT_EQ(LiveThreadObjects(), liveBefore);
}

TEST(TFileChangeThread, AStopRequestWhileTheReportWaitsForTheInterfaceThreadDropsIt)
{
    TTempTree tree;
    tree.Folder("w");
    TReports reports;
    auto watcher
        = TFileChangeThread::Create(tree.Path("w"), {TFileChangeKind::fcDirName}, false, reports.Handler());
    std::this_thread::sleep_for(20ms);
    tree.Folder("w/new");
    // The watcher sees the change at once and then waits for this thread, which
    // runs no messages until after the stop request.
    std::this_thread::sleep_for(100ms);
    watcher->Terminate();
    Pump(500ms, [&] { return watcher->Finished(); });
    EXPECT_TRUE(watcher->Finished());
    EXPECT_EQ(reports.Count, 0);
}

TEST(TFileChangeThread, AFolderThatCannotBeWatchedEndsAtOnceAndStaysSafeToStop)
{
    TTempTree tree;
    TReports reports;
    const int liveBefore = LiveThreadObjects();
    auto watcher = TFileChangeThread::Create(
        tree.Path("missing"), {TFileChangeKind::fcDirName}, false, reports.Handler());
    Pump(500ms, [&] { return watcher->Finished(); });
    EXPECT_TRUE(watcher->Finished());
    EXPECT_TRUE(watcher->Aborted());
    EXPECT_EQ(watcher->ReturnValue(), 3); // ERROR_PATH_NOT_FOUND
    watcher->Terminate();
    EXPECT_EQ(reports.Count, 0);
    watcher.reset();
    EXPECT_EQ(LiveThreadObjects(), liveBefore); // no leak
}

TEST(TFileChangeThread, AWatcherSleepsUntilSomethingHappens)
{
    TTempTree tree;
    tree.Folder("w");
    TReports reports;
    const auto before = Tasks();
    using K = TFileChangeKind;
    auto folder = TFileChangeThread::Create(tree.Path("w"),
        {K::fcFileName, K::fcDirName, K::fcAttributes, K::fcSize, K::fcLastWrite}, false, reports.Handler());
    auto parent = TFileChangeThread::Create(tree.Root(), {K::fcDirName}, false, reports.Handler());
    std::this_thread::sleep_for(100ms);
    std::set<std::string> watchers;
    for (const auto &task : Tasks()) {
        if (!before.contains(task))
            watchers.insert(task);
    }
    ASSERT_EQ(watchers.size(), 2u);

    // Once they have set up their watches (which takes longer on a busy machine), a
    // second of nothing: the watchers neither wake up nor use the processor.
    TThreadUse start = UseOf(watchers);
    for (int settling = 0; settling < 50; ++settling) {
        std::this_thread::sleep_for(100ms);
        const TThreadUse now = UseOf(watchers);
        const bool settled = now.Sleeps == start.Sleeps && now.CpuNs == start.CpuNs;
        start = now;
        if (settled)
            break;
    }
    std::this_thread::sleep_for(1s);
    const TThreadUse end = UseOf(watchers);
    EXPECT_LE(end.Sleeps - start.Sleeps, 2);
    EXPECT_LT(end.CpuNs - start.CpuNs, 2'000'000);

    // A stop request still ends them at once.
    const auto asked = std::chrono::steady_clock::now();
    folder->Terminate();
    parent->Terminate();
    while (!(folder->Finished() && parent->Finished()) && std::chrono::steady_clock::now() - asked < 1s)
        std::this_thread::sleep_for(1ms);
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 250ms);
    EXPECT_TRUE(folder->Aborted());
    EXPECT_TRUE(parent->Aborted());
    EXPECT_EQ(reports.Count, 0);
}

TEST(TFileChangeThread, FoldersDeeperThanTheLongestPathAreWatched)
{
    TTempTree tree;
    const std::string relative = TTempTree::LongNamedFolders(24);
    TReports reports;
    auto watcher = TFileChangeThread::Create(
        tree.DeepFolder(relative), {TFileChangeKind::fcDirName}, false, reports.Handler());
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(watcher->Finished());
    tree.DeepFolder(relative + "sibling");
    Pump(1000ms, [&] { return reports.Count > 0; });
    EXPECT_EQ(reports.Count, 1);
    EXPECT_FALSE(watcher->Aborted());
}

} // namespace
