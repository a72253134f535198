#include <sstream>

#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include "platform/ui/imagelist.h"
#include "systree/pidlhelp.h"
#include "systree/shutdown.h"
#include "tests/support/gui/scripteddialogs.h"
#include "treefixture.h"

namespace {

using SystemTreeRoots = TTreeTest;
using SystemTreePopulation = TTreeTest;
using SystemTreeNodeData = TTreeTest;

TEST_F(SystemTreeRoots, DesktopRootShowsTheDesktopsOwnItemsExpanded)
{
    Tree().Folder("home/Desktop/project");
    auto tree = MakeTree(TRootFolder::rfDesktop);
    ASSERT_EQ(tree->TopCount(), 1);
    TTreeNode *top = tree->TopItem(0);
    EXPECT_TRUE(top->Expanded());
    EXPECT_EQ(Captions(top), (std::vector<std::string>{"home", "Computer", "Trash", "project"}));
    // The desktop root stays expandable whatever it held.
    EXPECT_TRUE(top->HasChildren());
    EXPECT_EQ(tree->Version(), "TorbSystemTreeView v0.98.4 Beta");
    tree->SetVersion("other");
    EXPECT_EQ(tree->Version(), "TorbSystemTreeView v0.98.4 Beta");
}

TEST_F(SystemTreeRoots, DrivesShowTheComputerAndFileSystemLeavesOutVirtualFolders)
{
    Tree().Folder("mnt/disk");
    SetVolumes({Tree().Path("mnt/disk")});
    auto drives = MakeTree(TRootFolder::rfDrives);
    ASSERT_EQ(drives->TopCount(), 1);
    EXPECT_EQ(drives->TopItem(0)->Text(), "Computer");
    const std::vector<std::string> all = Captions(drives->TopItem(0));
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all.back(), "Control Panel");

    auto fileSystem = MakeTree(TRootFolder::rfFileSystem);
    const std::vector<std::string> shown = Captions(fileSystem->TopItem(0));
    EXPECT_EQ(shown, std::vector<std::string>(all.begin(), all.end() - 1));
}

TEST_F(SystemTreeRoots, CustomRootShowsItsCaptionOrItsNameAndNothingWhenItDoesNotParse)
{
    Tree().Folder("home/files/Lettres");
    auto named = MakeTree(TRootFolder::rfCustom, Files());
    ASSERT_EQ(named->TopCount(), 1);
    EXPECT_EQ(named->TopItem(0)->Text(), "files");
    EXPECT_EQ(Captions(named->TopItem(0)), std::vector<std::string>{"Lettres"});

    auto captioned = MakeTree(TRootFolder::rfCustom, Files(),
        [](TorbSystemTreeView &tree) { tree.SetCustomDirCaption("Mes documents"); });
    EXPECT_EQ(captioned->TopItem(0)->Text(), "Mes documents");

    // The caption renames the first node at once, whatever the root.
    auto desktop = MakeTree(TRootFolder::rfDesktop);
    desktop->SetCustomDirCaption("Renamed");
    EXPECT_EQ(desktop->TopItem(0)->Text(), "Renamed");

    auto missing = MakeTree(TRootFolder::rfCustom, Files() + "/no such folder");
    EXPECT_EQ(missing->TopCount(), 0);
    auto special = MakeTree(TRootFolder::rfFonts);
    EXPECT_EQ(special->TopCount(), 0);
}

TEST_F(SystemTreeRoots, NothingIsBuiltBeforeTheWindowExists)
{
    TorbSystemTreeView tree;
    tree.SetRootFolder(TRootFolder::rfCustom);
    tree.SetCustomDir(Files());
    EXPECT_EQ(tree.TopCount(), 0);
    tree.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
    EXPECT_EQ(tree.TopCount(), 1);
}

TEST_F(SystemTreePopulation, ChildrenAreReadOnTheFirstExpansionOnly)
{
    Tree().Folder("home/files/a/early");
    auto tree = MakeTree(TRootFolder::rfCustom, Files());
    std::vector<std::string> populated;
    tree->OnPopulated = [&populated](QObject *, TTreeNode *node) { populated.push_back(node->Text()); };
    TTreeNode *a = Child(tree->TopItem(0), "a");
    ASSERT_TRUE(a);
    EXPECT_TRUE(a->HasChildren());
    EXPECT_EQ(a->Count(), 0);

    Tree().Folder("home/files/a/late");
    a->Expand(false);
    EXPECT_EQ(Captions(a), (std::vector<std::string>{"early", "late"}));
    Tree().Folder("home/files/a/later");
    a->Collapse(false);
    a->Expand(false);
    EXPECT_EQ(a->Count(), 2);
    EXPECT_EQ(populated, (std::vector<std::string>{"a", "a"}));
}

TEST_F(SystemTreePopulation, ExpandButtonFollowsSubfoldersAndWithShowFilesTheFiles)
{
    Tree().Folder("home/files/sub/inner");
    Tree().File("home/files/withfile/x.txt");
    Tree().Folder("home/files/empty");
    auto folders = MakeTree(TRootFolder::rfCustom, Files());
    TTreeNode *top = folders->TopItem(0);
    EXPECT_TRUE(Child(top, "sub")->HasChildren());
    EXPECT_FALSE(Child(top, "withfile")->HasChildren());
    EXPECT_FALSE(Child(top, "empty")->HasChildren());

    auto files
        = MakeTree(TRootFolder::rfCustom, Files(), [](TorbSystemTreeView &tree) { tree.SetShowFiles(true); });
    top = files->TopItem(0);
    EXPECT_TRUE(Child(top, "withfile")->HasChildren());
    EXPECT_EQ(Captions(Child(top, "withfile")), std::vector<std::string>{});
    // An empty folder keeps its button until the first attempt to expand it.
    TTreeNode *empty = Child(top, "empty");
    EXPECT_TRUE(empty->HasChildren());
    empty->Expand(false);
    EXPECT_FALSE(empty->Expanded());
    EXPECT_FALSE(empty->HasChildren());
    TTreeNode *withFile = Child(top, "withfile");
    withFile->Expand(false);
    EXPECT_EQ(Captions(withFile), std::vector<std::string>{"x.txt"});
}

TEST_F(SystemTreePopulation, FileMaskMatchesFullPathsAndNeverHidesFolders)
{
    Tree().File("home/files/a.txt");
    Tree().File("home/files/b.doc");
    Tree().File("home/files/C.TXT");
    Tree().Folder("home/files/d.doc");
    auto tree = MakeTree(TRootFolder::rfCustom, Files(), [](TorbSystemTreeView &tree) {
        tree.SetShowFiles(true);
        tree.SetFileMask("*.txt");
    });
    EXPECT_EQ(Captions(tree->TopItem(0)), (std::vector<std::string>{"d.doc", "a.txt", "C.TXT"}));

    // The whole path is matched, so a mask without a leading "*" hides every file.
    tree->SetFileMask("a.txt");
    EXPECT_EQ(Captions(tree->TopItem(0)), std::vector<std::string>{"d.doc"});
    tree->SetFileMask("");
    EXPECT_EQ(tree->TopItem(0)->Count(), 4);
}

TEST_F(SystemTreePopulation, ChildrenAreSortedAfterEveryExpansionWithFoldersFirst)
{
    for (const char *name : {"zeta.txt", "Beta", "alpha.txt", "alpha", "Gamma"})
        std::string(name).find('.') == std::string::npos ? Tree().Folder(std::string("home/files/") + name)
                                                         : Tree().File(std::string("home/files/") + name);
    auto tree
        = MakeTree(TRootFolder::rfCustom, Files(), [](TorbSystemTreeView &tree) { tree.SetShowFiles(true); });
    EXPECT_EQ(Captions(tree->TopItem(0)),
        (std::vector<std::string>{"alpha", "Beta", "Gamma", "alpha.txt", "zeta.txt"}));
    EXPECT_EQ(tree->CompareNodes(tree->TopItem(0)->Item(0), tree->TopItem(0)->Item(1), 0), -1);
    EXPECT_EQ(tree->CompareNodes(nullptr, tree->TopItem(0), 0), -1);
    EXPECT_EQ(tree->CompareNodes(tree->TopItem(0), nullptr, 0), 1);
}

TEST_F(SystemTreePopulation, LinksShowTheLinkOverlayAndFoldersTheirOpenIconWhenSelected)
{
    Tree().Folder("home/files/real/inner");
    Tree().Symlink("home/files/link", Tree().Path("home/files/real"));
    auto tree = MakeTree(TRootFolder::rfCustom, Files());
    TTreeNode *link = Child(tree->TopItem(0), "link");
    TTreeNode *real = Child(tree->TopItem(0), "real");
    ASSERT_TRUE(link && real);
    EXPECT_EQ(link->OverlayIndex(), oiLink);
    EXPECT_EQ(real->OverlayIndex(), -1);
    EXPECT_GE(real->ImageIndex(), 0);
    EXPECT_NE(real->ImageIndex(), real->SelectedIndex());
    EXPECT_FALSE(real->icon(0).isNull());
}

TEST_F(SystemTreePopulation, AFolderThatCannotBeListedLosesItsExpandButton)
{
    Tree().Folder("home/files/locked/inner");
    auto tree = MakeTree(TRootFolder::rfCustom, Files());
    TTreeNode *locked = Child(tree->TopItem(0), "locked");
    ASSERT_TRUE(locked && locked->HasChildren());
    Tree().Chmod("home/files/locked", 0);
    const bool ran = Tree().AsUnprivilegedUser([&] { locked->Expand(false); });
    Tree().Chmod("home/files/locked", 0755);
    if (!ran)
        GTEST_SKIP() << "cannot drop privileges here";
    EXPECT_FALSE(locked->Expanded());
    EXPECT_FALSE(locked->HasChildren());
}

TEST_F(SystemTreeNodeData, EveryNodeCarriesOneRecordFreedWithTheNode)
{
    Tree().Folder("home/files/a/b/c");
    Tree().File("home/files/a/x.txt");
    const int before = LiveNodeDataCount();
    {
        auto tree = MakeTree(
            TRootFolder::rfCustom, Files(), [](TorbSystemTreeView &tree) { tree.SetShowFiles(true); });
        Child(tree->TopItem(0), "a")->Expand(true);
        EXPECT_EQ(LiveNodeDataCount() - before, tree->NodeCount());
        const TFolderItemData *data = tree->GetNodeData(Child(tree->TopItem(0), "a"));
        ASSERT_TRUE(data);
        EXPECT_EQ(IdListSize(data->RelativeIDList), 2u + ItemIdCount(data->RelativeIDList));
        std::string path;
        EXPECT_TRUE(SHGetPathFromIDList(data->AbsoluteIDList, path));
        EXPECT_EQ(path, Files() + "/a");

        tree->Rebuild();
        EXPECT_EQ(LiveNodeDataCount() - before, tree->NodeCount());
        Child(tree->TopItem(0), "a")->Delete();
        EXPECT_EQ(LiveNodeDataCount() - before, tree->NodeCount());
    }
    EXPECT_EQ(LiveNodeDataCount(), before);
    EXPECT_NO_THROW(SystemTreeViewShutdown());
}

TEST_F(SystemTreeNodeData, ANodeWithoutDataIsReportedInAMessageBox)
{
    TScriptedDialogs dialogs;
    auto tree = MakeTree(TRootFolder::rfCustom, Files());
    TTreeNode *bare = tree->AddChild(nullptr, "bare");
    EXPECT_EQ(tree->GetNodeData(bare), nullptr);
    EXPECT_EQ(tree->GetNodePath(bare), "");
    ASSERT_EQ(dialogs.Messages.size(), 2u);
    EXPECT_EQ(dialogs.Messages[0].Text, QStringLiteral("Could not get folder data."));
    EXPECT_EQ(dialogs.Messages[0].Flags, MB_OK | MB_ICONERROR);
    EXPECT_EQ(tree->GetNodeData(nullptr), nullptr);
    EXPECT_EQ(dialogs.Messages.size(), 2u);
}

TEST_F(SystemTreeNodeData, ALeakedRecordFailsTheShutdownCheck)
{
    auto tree = MakeTree(TRootFolder::rfCustom, Files());
    TTreeNode *top = tree->TopItem(0);
    void *record = top->Data();
    top->SetData(nullptr);
    tree.reset();
    EXPECT_THROW(SystemTreeViewShutdown(), ELeaking);
    std::ostringstream errors;
    EXPECT_EQ(ShellControlsExitStatus(0, errors), 1);
    EXPECT_EQ(errors.str(), "Memory Leak Detected.  Not all folder data was freed.\n");

    // Another tree takes the record over and frees it with its node.
    auto keeper = MakeTree(TRootFolder::rfCustom, Files() + "/missing");
    keeper->AddChild(nullptr, "keeper")->SetData(record);
    keeper.reset();
    EXPECT_NO_THROW(SystemTreeViewShutdown());
}

} // namespace

namespace {

using SystemTreeAutoscroll = TTreeTest;

TEST_F(SystemTreeAutoscroll, MovesNearTheEdgesScrollOneLine)
{
    for (int i = 0; i < 60; ++i)
        Tree().Folder("home/files/folder-" + std::to_string(100 + i));
    TorbSystemTreeView tree;
    QFont font = tree.font();
    font.setPixelSize(11);
    tree.setFont(font);
    tree.resize(200, 150);
    tree.SetRootFolder(TRootFolder::rfCustom);
    tree.SetCustomDir(Files());
    tree.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
    QScrollBar *bar = tree.verticalScrollBar();
    bar->setValue(bar->maximum() / 2);
    const int middle = bar->value();

    QTest::mouseMove(tree.viewport(), QPoint(50, 5));
    EXPECT_EQ(bar->value(), middle) << "Autoscroll is off by default";
    tree.SetAutoscroll(true);
    QTest::mouseMove(tree.viewport(), QPoint(50, 60));
    EXPECT_EQ(bar->value(), middle);
    QTest::mouseMove(tree.viewport(), QPoint(50, 5));
    EXPECT_EQ(bar->value(), middle - bar->singleStep());
    QTest::mouseMove(tree.viewport(), QPoint(50, tree.height() - 16 - 5));
    EXPECT_EQ(bar->value(), middle);
}

} // namespace
