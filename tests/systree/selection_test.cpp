#include <QElapsedTimer>
#include <QTest>

#include "systree/pidlhelp.h"
#include "treefixture.h"

namespace {

using SystemTreeSelection = TTreeTest;

// The names of the expanded nodes from the top down to `node`'s parent.
std::vector<std::string> ExpandedAbove(const TTreeNode *node)
{
    std::vector<std::string> names;
    for (const TTreeNode *at = node->Parent(); at; at = at->Parent()) {
        if (at->Expanded())
            names.insert(names.begin(), at->Text());
    }
    return names;
}

TEST_F(SystemTreeSelection, ReadsThePathOfRealNodesAndNothingForVirtualOnes)
{
    auto tree = MakeTree(TRootFolder::rfDesktop);
    EXPECT_EQ(tree->Selection(), "");
    tree->SetSelected(Child(tree->TopItem(0), "Computer"));
    EXPECT_EQ(tree->Selection(), "");
    tree->SetSelected(Child(tree->TopItem(0), "home"));
    EXPECT_EQ(tree->Selection(), Home());
    EXPECT_EQ(tree->Directory(), Home());

    TorbSystemTreeView unshown;
    EXPECT_EQ(unshown.Selection(), "");
}

TEST_F(SystemTreeSelection, WritingADeepPathExpandsEveryLevelOnTheWay)
{
    Tree().Folder("home/files/one/two/three");
    Tree().Folder("home/files/one/other");
    auto tree = MakeTree(TRootFolder::rfDesktop);
    const std::string path = Files() + "/one/two/three";
    tree->SetSelection(path);
    ASSERT_TRUE(tree->Selected());
    EXPECT_EQ(tree->Selected()->Text(), "three");
    EXPECT_EQ(tree->Selection(), path);
    const std::vector<std::string> expanded = ExpandedAbove(tree->Selected());
    ASSERT_GE(expanded.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(expanded.end() - 3, expanded.end()),
        (std::vector<std::string>{"files", "one", "two"}));

    // An empty path and a path that does not exist keep the selection.
    tree->SetSelection("");
    tree->SetSelection(Files() + "/one/missing/deeper");
    EXPECT_EQ(tree->Selection(), path);
}

TEST_F(SystemTreeSelection, PathsLongerThanTheDesktopsBufferAreSelectedWhole)
{
    std::string relative = "home/files";
    for (int i = 0; i < 12; ++i)
        relative += "/level-" + std::to_string(i) + std::string(20, 'x');
    Tree().Folder(relative);
    auto tree = MakeTree(TRootFolder::rfDesktop);
    const std::string path = Tree().Path(relative);
    ASSERT_GT(path.size(), 300u);
    tree->SetSelection(path);
    EXPECT_EQ(tree->Selection(), path);
}

TEST_F(SystemTreeSelection, ACaptionedRootTakesPathsThroughItsCaption)
{
    Tree().Folder("home/files/Lettres/2024");
    auto tree = MakeTree(TRootFolder::rfCustom, Files(),
        [](TorbSystemTreeView &tree) { tree.SetCustomDirCaption("Mes documents"); });
    tree->SetSelection("mes documents/Lettres");
    EXPECT_EQ(tree->Selection(), Files() + "/Lettres");
    tree->SetSelection(Files() + "/Lettres/2024");
    EXPECT_EQ(tree->Selection(), Files() + "/Lettres/2024");

    EXPECT_EQ(TorbSystemTreeView::StripRootCaption("Mes documents", "MES DOCUMENTS/a"), "a");
    EXPECT_EQ(TorbSystemTreeView::StripRootCaption("Mes documents/", "Mes documents/a"), "a");
    EXPECT_EQ(TorbSystemTreeView::StripRootCaption("Mes documents", "Mes documentsa"), "Mes documentsa");
    EXPECT_EQ(TorbSystemTreeView::StripRootCaption("", "/x"), "/x");
}

TEST_F(SystemTreeSelection, ATopNodeWithoutChildrenLeavesTheSelectionAlone)
{
    auto tree = MakeTree(TRootFolder::rfCustom, Files());
    ASSERT_EQ(tree->TopCount(), 1);
    ASSERT_EQ(tree->TopItem(0)->Count(), 0);
    tree->SetSelected(tree->TopItem(0));
    EXPECT_NO_THROW(tree->SetSelection(Files() + "/anything"));
    EXPECT_EQ(tree->Selected(), tree->TopItem(0));
}

TEST_F(SystemTreeSelection, APathGivenEarlyWaitsAndSurvivesTheWindowsRecreation)
{
    Tree().Folder("home/files/a/b");
    TorbSystemTreeView tree;
    tree.SetRootFolder(TRootFolder::rfCustom);
    tree.SetCustomDir(Files());
    tree.SetSelection(Files() + "/a/b");
    EXPECT_EQ(tree.PendingSelection(), Files() + "/a/b");
    tree.HandleNeeded();
    EXPECT_EQ(tree.PendingSelection(), "");
    EXPECT_EQ(tree.Selection(), Files() + "/a/b");

    const int nodes = tree.NodeCount();
    tree.SetCheckboxes(true);
    EXPECT_TRUE(tree.Checkboxes());
    EXPECT_EQ(tree.Selection(), Files() + "/a/b");
    EXPECT_EQ(tree.NodeCount(), nodes);
    EXPECT_EQ(tree.PendingSelection(), "");
}

TEST_F(SystemTreeSelection, RebuildKeepsTheSelectedNodeAndItsExpansion)
{
    Tree().Folder("mnt/disk/data/inner");
    SetVolumes({Tree().Path("mnt/disk")});
    auto tree = MakeTree(TRootFolder::rfDrives);
    tree->SetSelection(Tree().Path("mnt/disk/data"));
    ASSERT_EQ(tree->Selection(), Tree().Path("mnt/disk/data"));
    tree->Selected()->Expand(false);
    tree->Rebuild();
    ASSERT_TRUE(tree->Selected());
    EXPECT_EQ(tree->Selection(), Tree().Path("mnt/disk/data"));
    EXPECT_TRUE(tree->Selected()->Expanded());
}

} // namespace
