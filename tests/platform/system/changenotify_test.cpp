#include <chrono>
#include <fstream>
#include <sys/stat.h>
#include <thread>

#include <gtest/gtest.h>

#include "platform/system/changenotify.h"
#include "tests/support/temptree.h"

namespace {

// A change handle that is closed when the test ends.
class TWatch
{
public:
    TWatch(const std::string &path, DWORD filter, bool subtree = false)
        : m_handle(FindFirstChangeNotification(path, subtree, filter))
    { }
    ~TWatch()
    {
        if (m_handle != INVALID_HANDLE_VALUE)
            FindCloseChangeNotification(m_handle);
    }
    HANDLE Handle() const { return m_handle; }
    // Whether the handle is signalled within a short while (events arrive at once, but
    // give the kernel a moment).
    bool Signalled() const { return WaitForSingleObject(m_handle, 50) == WAIT_OBJECT_0; }

private:
    HANDLE m_handle;
};

TEST(ChangeNotification, EachFilterSeesItsOwnKindOfChangeOnly)
{
    TTempTree tree;
    tree.Folder("w");
    tree.File("w/existing.txt");

    TWatch folders(tree.Path("w"), FILE_NOTIFY_CHANGE_DIR_NAME);
    TWatch files(tree.Path("w"), FILE_NOTIFY_CHANGE_FILE_NAME);
    TWatch sizes(tree.Path("w"), FILE_NOTIFY_CHANGE_SIZE);
    TWatch security(tree.Path("w"), FILE_NOTIFY_CHANGE_SECURITY);
    ASSERT_NE(folders.Handle(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(WaitForSingleObject(folders.Handle(), 10), WAIT_TIMEOUT);

    tree.File("w/new.txt");
    EXPECT_TRUE(files.Signalled());
    EXPECT_FALSE(folders.Signalled());
    EXPECT_FALSE(security.Signalled());

    std::ofstream(tree.Path("w/existing.txt"), std::ios::app) << "more";
    EXPECT_TRUE(sizes.Signalled());
    EXPECT_FALSE(folders.Signalled());

    tree.Chmod("w/existing.txt", 0600);
    EXPECT_TRUE(security.Signalled());

    tree.Folder("w/sub");
    EXPECT_TRUE(folders.Signalled());
    // A signalled handle stays signalled: it is never re-armed.
    EXPECT_EQ(WaitForSingleObject(folders.Handle(), 0), WAIT_OBJECT_0);
}

TEST(ChangeNotification, TheWatchedFolderGoingAwaySignalsWhateverTheFilter)
{
    TTempTree tree;
    tree.Folder("gone");
    tree.Folder("moved");
    TWatch deleted(tree.Path("gone"), FILE_NOTIFY_CHANGE_SIZE);
    TWatch renamed(tree.Path("moved"), FILE_NOTIFY_CHANGE_SIZE);
    ASSERT_EQ(::rmdir(tree.Path("gone").c_str()), 0);
    ASSERT_EQ(::rename(tree.Path("moved").c_str(), tree.Path("elsewhere").c_str()), 0);
    EXPECT_TRUE(deleted.Signalled());
    EXPECT_TRUE(renamed.Signalled());
}

TEST(ChangeNotification, SubtreeWatchesFoldersBelowAlsoNewOnes)
{
    TTempTree tree;
    tree.Folder("w/a/b");
    TWatch flat(tree.Path("w"), FILE_NOTIFY_CHANGE_FILE_NAME);
    TWatch deep(tree.Path("w"), FILE_NOTIFY_CHANGE_FILE_NAME, true);
    tree.Folder("w/a/b/new"); // a folder: not of the filter's kind, but now watched too
    EXPECT_FALSE(deep.Signalled());
    tree.File("w/a/b/new/file.txt");
    EXPECT_TRUE(deep.Signalled());
    EXPECT_FALSE(flat.Signalled());
}

TEST(ChangeNotification, FoldersThatCannotBeWatchedAndClosedHandles)
{
    TTempTree tree;
    tree.File("file.txt");
    EXPECT_EQ(FindFirstChangeNotification(tree.Path("missing"), false, FILE_NOTIFY_CHANGE_DIR_NAME),
        INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(FindFirstChangeNotification(tree.Path("file.txt"), false, FILE_NOTIFY_CHANGE_DIR_NAME),
        INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), 267u); // ERROR_DIRECTORY

    const HANDLE handle = FindFirstChangeNotification(tree.Root() + "/", false, FILE_NOTIFY_CHANGE_DIR_NAME);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(FindCloseChangeNotification(handle));
    EXPECT_FALSE(FindCloseChangeNotification(handle));
    EXPECT_EQ(WaitForSingleObject(handle, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(ChangeNotification, FoldersDeeperThanTheLongestPathAreWatched)
{
    TTempTree tree;
    const std::string relative = TTempTree::LongNamedFolders(24);
    const std::string deep = tree.DeepFolder(relative);
    ASSERT_GT(deep.size(), 5000u);
    TWatch watch(deep, FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_FILE_NAME, true);
    ASSERT_NE(watch.Handle(), INVALID_HANDLE_VALUE) << GetLastError();
    EXPECT_FALSE(watch.Signalled());
    tree.DeepFile(relative + "new.txt", 1, 1700000000);
    EXPECT_TRUE(watch.Signalled());
}

TEST(ChangeNotification, AnEventWakesAWaitThatHasNoTimeLimit)
{
    TTempTree tree;
    TWatch watch(tree.Root(), FILE_NOTIFY_CHANGE_DIR_NAME);
    const HANDLE event = CreateEvent();
    ASSERT_NE(event, INVALID_HANDLE_VALUE);
    const HANDLE both[] = {watch.Handle(), event};
    EXPECT_EQ(WaitForMultipleObjects(2, both, 20), WAIT_TIMEOUT);

    std::thread setter([event] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        SetEvent(event);
    });
    EXPECT_EQ(WaitForMultipleObjects(2, both, INFINITE), WAIT_OBJECT_0 + 1);
    setter.join();
    // An event stays signalled; a change ahead of it in the list is named first.
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    tree.Folder("new");
    EXPECT_EQ(WaitForMultipleObjects(2, both, INFINITE), WAIT_OBJECT_0);

    EXPECT_FALSE(SetEvent(watch.Handle()));
    EXPECT_TRUE(CloseHandle(event));
    EXPECT_FALSE(SetEvent(event));
    EXPECT_EQ(WaitForMultipleObjects(2, both, 0), WAIT_FAILED);
}

} // namespace
