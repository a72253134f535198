#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>

#include "platform/system/thread.h"
#include "tests/support/gui/scripteddialogs.h"
#include "treefixture.h"

namespace {

// Lets events run until `done` holds or `ms` have passed; answers `done()`.
bool PumpUntil(const std::function<bool()> &done, int ms = 1000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

// A watcher sets its watch up on its own thread: give it that moment.
void LetWatchersSettle()
{
    PumpUntil([] { return false; }, 150);
}

class SystemTreeWatching : public TTreeTest
{
protected:
    void TearDown() override
    {
        EXPECT_TRUE(PumpUntil([] { return RunningThreads() == 0; }, 2000)) << "a watcher still runs";
        TTreeTest::TearDown();
    }

    // A desktop tree that watches at each selection change, with `relative` selected.
    std::unique_ptr<TorbSystemTreeView> WatchingTree(const std::string &relative)
    {
        auto tree
            = MakeTree(TRootFolder::rfDesktop, {}, [](TorbSystemTreeView &tree) { tree.SetReadDelay(0); });
        tree->SetSelection(Tree().Path(relative));
        EXPECT_EQ(tree->Selection(), Tree().Path(relative));
        EXPECT_EQ(tree->WatchedNode(), tree->Selected());
        LetWatchersSettle();
        return tree;
    }

    TScriptedDialogs m_dialogs;
};

TEST_F(SystemTreeWatching, ASubfolderMadeInTheSelectedFolderAppearsAndTheFolderStaysOpen)
{
    Tree().Folder("home/files/sel/old");
    auto tree = MakeTree(TRootFolder::rfDesktop);
    tree->SetSelection(Files() + "/sel");
    TTreeNode *sel = tree->Selected();
    ASSERT_TRUE(sel);
    // The selection change that the delay holds back starts the watchers when it passes.
    tree->SetSelected(sel->Parent());
    tree->SetSelected(sel);
    EXPECT_EQ(tree->WatchedNode(), nullptr);
    ASSERT_TRUE(PumpUntil([&] { return tree->WatchedNode() == sel; }, 2000));
    EXPECT_EQ(tree->WatchedDirectory(), Files() + "/sel");
    EXPECT_EQ(tree->WatchedParent(), sel->Parent());
    sel->Expand(false);
    LetWatchersSettle();

    // Each report reads the folder again and starts a new watch for the next change.
    const auto made = [&](const std::string &name, const std::vector<std::string> &captions) {
        Tree().Folder("home/files/sel/" + name);
        EXPECT_TRUE(PumpUntil([&] { return Child(sel, name) != nullptr; })) << name;
        EXPECT_TRUE(sel->Expanded());
        EXPECT_EQ(Captions(sel), captions);
        LetWatchersSettle();
    };
    made("new", {"new", "old"});
    made("newer", {"new", "newer", "old"});
}

TEST_F(SystemTreeWatching, DeletingTheSelectedFolderSelectsItsParent)
{
    Tree().Folder("home/files/a/b");
    Tree().Folder("home/files/a/keep");
    auto tree = WatchingTree("home/files/a/b");
    std::filesystem::remove(Tree().Path("home/files/a/b"));
    ASSERT_TRUE(PumpUntil([&] { return tree->Selection() == Files() + "/a"; }));
    EXPECT_EQ(Captions(tree->Selected()), std::vector<std::string>{"keep"});
    // The parent is watched in its turn.
    EXPECT_TRUE(PumpUntil([&] { return tree->WatchedNode() == tree->Selected(); }));
}

TEST_F(SystemTreeWatching, RenamingTheParentRebuildsWithTheDeepestSelectionLeft)
{
    Tree().Folder("home/files/x/a/b");
    auto tree = WatchingTree("home/files/x/a/b");
    // A change in the parent that leaves the selected folder alone changes nothing, and
    // the parent stays watched.
    Tree().Folder("home/files/x/a/sibling");
    LetWatchersSettle();
    EXPECT_EQ(tree->Selection(), Files() + "/x/a/b");
    std::filesystem::rename(Tree().Path("home/files/x/a"), Tree().Path("home/files/x/c"));
    ASSERT_TRUE(PumpUntil([&] { return tree->Selection() == Files() + "/x"; }));
    EXPECT_TRUE(Child(tree->Selected(), "c"));
    EXPECT_FALSE(Child(tree->Selected(), "a"));

    // The rebuilt tree goes on following the folder it selected.
    ASSERT_EQ(tree->WatchedNode(), tree->Selected());
    LetWatchersSettle();
    Tree().Folder("home/files/x/d");
    EXPECT_TRUE(PumpUntil([&] { return Child(tree->Selected(), "d") != nullptr; }));
}

TEST_F(SystemTreeWatching, AFileMadeBesideTheSelectedFileAppearsAndTheFileStaysSelected)
{
    Tree().File("home/files/f/one.txt");
    auto tree = MakeTree(TRootFolder::rfDesktop, {}, [](TorbSystemTreeView &tree) {
        tree.SetReadDelay(0);
        tree.SetShowFiles(true);
    });
    tree->SetSelection(Files() + "/f/one.txt");
    ASSERT_EQ(tree->Selection(), Files() + "/f/one.txt");
    EXPECT_EQ(tree->WatchedDirectory(), Files() + "/f/");
    LetWatchersSettle();
    Tree().File("home/files/f/two.txt");
    TTreeNode *folder = tree->Selected()->Parent();
    EXPECT_TRUE(PumpUntil([&] { return Child(folder, "two.txt") != nullptr; }));
    EXPECT_EQ(tree->Selection(), Files() + "/f/one.txt");
    EXPECT_EQ(tree->WatchedNode(), tree->Selected());
}

TEST_F(SystemTreeWatching, AReportWhoseNodeWasDeletedMeanwhileIsIgnored)
{
    Tree().Folder("home/files/s");
    auto tree = WatchingTree("home/files/s");
    const auto reportWaiting = [&](const char *name) {
        Tree().Folder(std::string("home/files/s/") + name);
        // No events may run here: the report has to wait while its node goes.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    };

    reportWaiting("one");
    tree->Rebuild();
    EXPECT_EQ(tree->Selection(), Files() + "/s");
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(tree->Selection(), Files() + "/s");
    EXPECT_EQ(tree->WatchedNode(), tree->Selected());

    LetWatchersSettle();
    reportWaiting("two");
    TTreeNode *files = tree->Selected()->Parent();
    tree->RefreshNode(files);
    PumpUntil([] { return false; }, 300);
    ASSERT_TRUE(Child(files, "s"));
    // The deleted selection gave way to another node, which is watched now.
    EXPECT_EQ(tree->WatchedNode(), tree->Selected());
}

TEST_F(SystemTreeWatching, SwitchingCheckboxesKeepsTheSelectionAndTheWatch)
{
    Tree().Folder("home/files/c/d");
    auto tree = WatchingTree("home/files/c/d");
    tree->SetCheckboxes(true);
    EXPECT_EQ(tree->Selection(), Files() + "/c/d");
    EXPECT_EQ(tree->WatchedNode(), tree->Selected());
    EXPECT_EQ(tree->WatchedDirectory(), Files() + "/c/d");
}

TEST_F(SystemTreeWatching, FoldersDeeperThanTheLongestPathAreWatchedToo)
{
    const std::string deep = "home/files/" + TTempTree::LongNamedFolders(20);
    Tree().DeepFolder(deep + "sel");
    auto tree = WatchingTree(deep + "sel");
    ASSERT_GT(tree->Selection().size(), 4096u);
    ASSERT_EQ(tree->WatchedNode(), tree->Selected());

    // A sibling made beside it leaves the selection where it is, still watched.
    TTreeNode *sel = tree->Selected();
    Tree().DeepFolder(deep + "sibling");
    LetWatchersSettle();
    EXPECT_EQ(tree->Selection(), Tree().Path(deep + "sel"));
    EXPECT_EQ(tree->Selected(), sel);
    EXPECT_EQ(tree->WatchedNode(), sel);

    // A folder made inside it shows.
    sel->Expand(false);
    LetWatchersSettle();
    Tree().DeepFolder(deep + "sel/inner");
    EXPECT_TRUE(PumpUntil([&] { return Child(sel, "inner") != nullptr; }));
    EXPECT_EQ(tree->Selection(), Tree().Path(deep + "sel"));
}

TEST_F(SystemTreeWatching, F5ReadsTheSelectedFolderAndTheFoldersOpenBelowIt)
{
    Tree().Folder("home/files/top/open/inner");
    Tree().Folder("home/files/top/shut/x");
    auto tree = WatchingTree("home/files/top");
    tree->resize(400, 600);
    tree->show();
    tree->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(tree.get()));
    TTreeNode *top = tree->Selected();
    top->Expand(false);
    Child(top, "open")->Expand(false);

    // Only the selected folder and its parent are watched: changes below them do not show
    // by themselves.
    Tree().Folder("home/files/top/open/made");
    Tree().Folder("home/files/top/open/inner/deeper");
    Tree().Folder("home/files/top/shut/y");
    LetWatchersSettle();
    EXPECT_FALSE(Child(Child(top, "open"), "made"));

    QTest::keyClick(tree.get(), Qt::Key_F5);
    EXPECT_EQ(tree->Selected(), top);
    TTreeNode *open = Child(top, "open");
    ASSERT_TRUE(open);
    EXPECT_TRUE(open->Expanded());
    EXPECT_EQ(Captions(open), (std::vector<std::string>{"inner", "made"}));
    EXPECT_TRUE(Child(open, "inner")->HasChildren());
    EXPECT_FALSE(Child(top, "shut")->Expanded());
    EXPECT_EQ(tree->WatchedNode(), top);

    // While a label is edited, F5 leaves the node and the editor alone.
    tree->EditLabel(open);
    ASSERT_TRUE(tree->IsEditing());
    QTest::keyClick(tree->viewport()->focusWidget(), Qt::Key_F5);
    EXPECT_TRUE(tree->IsEditing());
    EXPECT_EQ(Child(top, "open"), open);
    QTest::keyClick(tree->viewport()->focusWidget(), Qt::Key_Escape);
}

TEST_F(SystemTreeWatching, F5OnAFileReadsItsFolderAndOnAVanishedItemItsParent)
{
    Tree().File("home/files/f/one.txt");
    auto tree
        = MakeTree(TRootFolder::rfDesktop, {}, [](TorbSystemTreeView &tree) { tree.SetShowFiles(true); });
    tree->resize(400, 600);
    tree->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(tree.get()));
    tree->SetSelection(Files() + "/f/one.txt");
    ASSERT_EQ(tree->Selection(), Files() + "/f/one.txt");
    TTreeNode *folder = tree->Selected()->Parent();

    Tree().File("home/files/f/two.txt");
    QTest::keyClick(tree.get(), Qt::Key_F5);
    EXPECT_EQ(Captions(folder), (std::vector<std::string>{"one.txt", "two.txt"}));
    EXPECT_EQ(tree->Selection(), Files() + "/f/one.txt");

    std::filesystem::remove(Tree().Path("home/files/f/one.txt"));
    QTest::keyClick(tree.get(), Qt::Key_F5);
    EXPECT_EQ(tree->Selected(), folder);
    EXPECT_EQ(Captions(folder), std::vector<std::string>{"two.txt"});
}

} // namespace
