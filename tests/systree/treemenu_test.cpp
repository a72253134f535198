#include <filesystem>

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

#include "systree/shellcontextmenu.h"
#include "tests/support/gui/menudriver.h"
#include "tests/support/gui/scripteddialogs.h"
#include "treefixture.h"

namespace {

// Records the shell menus asked for and answers with `Handled`.
class TMenuTree : public TorbSystemTreeView
{
public:
    bool ShowItemMenu(TTreeNode *node, const QPoint &) override
    {
        Shown.push_back(node->Text());
        return Handled;
    }

    std::vector<std::string> Shown;
    bool Handled = true;
};

class SystemTreeMenu : public TTreeTest
{
protected:
    void SetUp() override
    {
        TTreeTest::SetUp();
        Tree().Folder("home/files/a");
    }
    void TearDown() override
    {
        SetMenuTracker(nullptr);
        TTreeTest::TearDown();
    }

    template <typename T> void Show(T &tree)
    {
        tree.SetRootFolder(TRootFolder::rfCustom);
        tree.SetCustomDir(Files());
        tree.resize(300, 400);
        tree.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
        ASSERT_EQ(Captions(tree.TopItem(0)), std::vector<std::string>{"a"});
    }

    TScriptedDialogs m_dialogs;
};

TEST_F(SystemTreeMenu, TheMethodChoosesBetweenTheShellMenuAndThePopupMenu)
{
    struct TCase
    {
        TPopupMenuMethod Method;
        bool ShellHandles;
        bool ShellOnNode;
        bool PopupOnNode;
        bool PopupElsewhere;
    };
    using enum TPopupMenuMethod;
    for (const TCase &c :
        {TCase{pmmNone, true, false, false, false}, TCase{pmmContext, true, true, false, false},
            TCase{pmmUser, true, false, true, true}, TCase{pmmContextUser, true, true, false, true},
            TCase{pmmContextUser, false, true, true, true}}) {
        const int method = static_cast<int>(c.Method);
        TMenuTree tree;
        QMenu popup;
        tree.SetPopupMenu(&popup);
        tree.SetPopupMenuMethod(c.Method);
        tree.Handled = c.ShellHandles;
        Show(tree);
        TTreeNode *a = tree.TopItem(0)->Item(0);

        QTest::mouseClick(tree.viewport(), Qt::RightButton, {}, tree.visualItemRect(a).center());
        EXPECT_EQ(tree.Shown, c.ShellOnNode ? std::vector<std::string>{"a"} : std::vector<std::string>{})
            << method;
        EXPECT_EQ(tree.Selected(), a) << method;
        EXPECT_EQ(popup.isVisible(), c.PopupOnNode) << method;
        popup.hide();

        QTest::mouseClick(tree.viewport(), Qt::RightButton, {}, QPoint(150, 380));
        EXPECT_EQ(tree.Shown.size(), c.ShellOnNode ? 1u : 0u) << method;
        EXPECT_EQ(popup.isVisible(), c.PopupElsewhere) << method;
        popup.hide();
    }
}

TEST_F(SystemTreeMenu, TheRenameEntryStartsEditingTheLabel)
{
    TorbSystemTreeView tree;
    Show(tree);
    TTreeNode *a = tree.TopItem(0)->Item(0);
    const QPoint point = tree.viewport()->mapToGlobal(tree.visualItemRect(a).center());
    std::function<void()> whileOpen = [] {};
    SetMenuTracker([&](QMenu &menu, QPoint) -> QAction * {
        whileOpen();
        for (QAction *action : menu.actions()) {
            if (action->data().toUInt() == RenameCommandId)
                return action;
        }
        return nullptr;
    });

    EXPECT_TRUE(tree.ShowItemMenu(a, point));
    EXPECT_TRUE(tree.IsEditing());
    QTest::keyClick(tree.viewport()->focusWidget(), Qt::Key_Escape);
    QCoreApplication::processEvents();
    EXPECT_FALSE(tree.IsEditing());

    // The node went while the menu was open (a watcher's report): nothing is edited.
    whileOpen = [&] { tree.RefreshNode(tree.TopItem(0)); };
    tree.ShowItemMenu(a, point);
    EXPECT_FALSE(tree.IsEditing());

    TTreeNode *bare = tree.AddChild(nullptr, "no data");
    EXPECT_FALSE(tree.ShowItemMenu(bare, point));
}

TEST_F(SystemTreeMenu, NewFolderIsSelectedWithItsNameOpenForEditing)
{
    Tree().Folder("home/files/a/New Folder");
    TorbSystemTreeView tree;
    Show(tree);
    TTreeNode *a = tree.TopItem(0)->Item(0);
    // The folder is watched: the report of the folder made must not end the editing.
    tree.SetSelected(a);
    ASSERT_TRUE(QTest::qWaitFor([&] { return tree.WatchedNode() == a; }));
    QTest::qWait(150);
    TMenuDriver menu;
    menu.Click(u"New Folder"_qs);
    QTest::mouseClick(tree.viewport(), Qt::RightButton, {}, tree.visualItemRect(a).center());
    ASSERT_TRUE(menu.Done());
    ASSERT_TRUE(std::filesystem::is_directory(Files() + "/a/New Folder (2)"));

    EXPECT_TRUE(a->Expanded());
    EXPECT_EQ(Captions(a), (std::vector<std::string>{"New Folder", "New Folder (2)"}));
    EXPECT_EQ(tree.Selection(), Files() + "/a/New Folder (2)");
    // Neither the watcher's report nor the end of the read delay ends the editing.
    QTest::qWait(700);
    ASSERT_TRUE(tree.IsEditing());
    QLineEdit *editor = nullptr;
    for (QLineEdit *line : tree.viewport()->findChildren<QLineEdit *>()) {
        if (line->isVisible())
            editor = line;
    }
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->text(), u"New Folder (2)");

    // The name typed replaces the one given.
    QTest::keyClicks(editor, u"Projets"_qs);
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_FALSE(tree.IsEditing());
    EXPECT_TRUE(std::filesystem::is_directory(Files() + "/a/Projets"));
    EXPECT_FALSE(std::filesystem::exists(Files() + "/a/New Folder (2)"));
    EXPECT_EQ(tree.Selection(), Files() + "/a/Projets");
    EXPECT_EQ(tree.WatchedNode(), tree.Selected());
    EXPECT_TRUE(m_dialogs.Messages.empty());
}

} // namespace
