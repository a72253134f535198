#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

#include "platform/system/devicewatch.h"
#include "platform/system/error.h"
#include "platform/system/qtext.h"
#include "platform/system/timers.h"
#include "platform/ui/imagelist.h"
#include "platform/ui/systemimagelist.h"
#include "platform/ui/treeview.h"
#include "tests/support/gui/scripteddialogs.h"
#include "tests/support/temptree.h"

namespace {

// A tree that records its hooks and can be told to refuse or fail an expansion.
class THookedTree : public TCustomTreeView
{
public:
    std::vector<std::string> Log;
    std::string Refuse;
    std::string Fail;
    std::string NoEdit;
    bool HandleRightClick = false;

protected:
    bool CanExpand(TTreeNode *node) override
    {
        Log.push_back("may-expand " + node->Text());
        if (node->Text() == Fail)
            throw Exception("cannot bind");
        if (node->Text() == Refuse)
            return false;
        if (node->Count() == 0)
            AddChild(node, node->Text() + ".child");
        return TCustomTreeView::CanExpand(node);
    }
    void Expand(TTreeNode *node) override { Log.push_back("expanded " + node->Text()); }
    void Delete(TTreeNode *node) override { Log.push_back("deleted " + node->Text()); }
    bool CanEdit(TTreeNode *node) override { return node->Text() != NoEdit; }
    bool EditFinished(TTreeNode *node, const std::string &text) override
    {
        Log.push_back("edited " + node->Text() + " -> " + text);
        return TCustomTreeView::EditFinished(node, text);
    }
    bool RightButtonUp(const QPoint &) override
    {
        Log.push_back("right");
        return HandleRightClick;
    }
};

class TreeViewTest : public ::testing::Test
{
protected:
    TreeViewTest()
    {
        m_tree.resize(300, 200);
        m_tree.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&m_tree));
        m_a = m_tree.AddChild(nullptr, "a");
        m_a->SetHasChildren(true);
        m_b = m_tree.AddChild(nullptr, "b");
        m_b->SetHasChildren(true);
    }

    QPoint Centre(TTreeNode *node) { return m_tree.visualItemRect(node).center(); }
    // The editor open now (closed ones linger until their deferred deletion).
    QLineEdit *Editor()
    {
        for (QLineEdit *editor : m_tree.viewport()->findChildren<QLineEdit *>()) {
            if (editor->isVisible())
                return editor;
        }
        return nullptr;
    }

    TScriptedDialogs m_dialogs;
    THookedTree m_tree;
    TTreeNode *m_a = nullptr;
    TTreeNode *m_b = nullptr;
};

TEST_F(TreeViewTest, KeyboardMouseAndCodeExpandThroughTheSameHooks)
{
    m_tree.SetSelected(m_a);
    QTest::keyClick(m_tree.viewport(), Qt::Key_Right);
    EXPECT_TRUE(m_a->Expanded());
    QTest::mouseDClick(m_tree.viewport(), Qt::LeftButton, {}, Centre(m_b));
    EXPECT_TRUE(m_b->Expanded());
    TTreeNode *child = m_a->Item(0);
    child->SetHasChildren(true);
    child->Expand(false);
    EXPECT_EQ(m_tree.Log,
        (std::vector<std::string>{"may-expand a", "expanded a", "may-expand b", "expanded b",
            "may-expand a.child", "expanded a.child"}));
    // An expanded node is not asked again.
    m_tree.Log.clear();
    m_a->Expand(false);
    EXPECT_TRUE(m_tree.Log.empty());
}

TEST_F(TreeViewTest, ARefusedOrFailedExpansionDoesNotHappen)
{
    m_tree.Refuse = "a";
    m_a->Expand(false);
    EXPECT_FALSE(m_a->Expanded());
    EXPECT_EQ(m_tree.Log, std::vector<std::string>{"may-expand a"});

    m_tree.Fail = "b";
    EXPECT_THROW(m_b->Expand(false), Exception);
    EXPECT_FALSE(m_b->Expanded());
    // Expanded by the user, the failure reaches the error box instead.
    m_tree.SetSelected(m_b);
    QTest::keyClick(m_tree.viewport(), Qt::Key_Right);
    EXPECT_FALSE(m_b->Expanded());
    ASSERT_EQ(m_dialogs.Messages.size(), 1u);
    EXPECT_EQ(m_dialogs.Messages[0].Text, QStringLiteral("cannot bind."));
}

TEST_F(TreeViewTest, EveryDeletedNodeGetsItsNotice)
{
    m_a->Expand(false);
    m_tree.AddChild(m_a->Item(0), "deep");
    m_tree.Log.clear();
    m_a->Delete();
    EXPECT_EQ(m_tree.Log, (std::vector<std::string>{"deleted a", "deleted a.child", "deleted deep"}));
    m_b->Expand(false);
    m_tree.Log.clear();
    m_b->DeleteChildren();
    EXPECT_EQ(m_tree.Log, std::vector<std::string>{"deleted b.child"});
    m_tree.Log.clear();
    m_tree.ClearNodes();
    EXPECT_EQ(m_tree.Log, std::vector<std::string>{"deleted b"});
    EXPECT_EQ(m_tree.TopCount(), 0);
}

TEST_F(TreeViewTest, ChildrenSortByTheComparisonKeepingEqualNodesInOrder)
{
    for (const char *name : {"c2", "a1", "b1", "a2"})
        m_tree.AddChild(m_a, name);
    m_a->setExpanded(true);
    m_tree.SetSelected(m_a->Item(1));
    const TTVCompare byLetter = [](TTreeNode *x, TTreeNode *y, TTVSortData) {
        return x->Text()[0] < y->Text()[0] ? -1 : x->Text()[0] > y->Text()[0] ? 1 : 0;
    };
    EXPECT_TRUE(m_tree.SortChildren(m_a, byLetter, 0, false));
    std::vector<std::string> order;
    for (int i = 0; i < m_a->Count(); ++i)
        order.push_back(m_a->Item(i)->Text());
    EXPECT_EQ(order, (std::vector<std::string>{"a1", "a2", "b1", "c2"}));
    EXPECT_EQ(m_tree.Selected()->Text(), "a1");
    EXPECT_TRUE(m_a->Expanded());
    EXPECT_FALSE(m_tree.SortChildren(m_a, nullptr, 0, false));
}

TEST_F(TreeViewTest, LabelEditingAsksFirstAndReportsTheTextOrTheCancel)
{
    m_tree.NoEdit = "b";
    m_tree.EditLabel(m_b);
    EXPECT_FALSE(m_tree.IsEditing());

    m_tree.EditLabel(m_a);
    ASSERT_TRUE(m_tree.IsEditing());
    auto *editor = Editor();
    ASSERT_TRUE(editor);
    editor->setText(QStringLiteral("renamed"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(m_a->Text(), "renamed");

    m_tree.EditLabel(m_a);
    editor = Editor();
    ASSERT_TRUE(editor);
    editor->setText(QStringLiteral("dropped"));
    QTest::keyClick(editor, Qt::Key_Escape);
    QCoreApplication::processEvents();
    EXPECT_EQ(m_a->Text(), "renamed");
    EXPECT_EQ(m_tree.Log, (std::vector<std::string>{"edited a -> renamed", "edited renamed -> "}));
}

TEST_F(TreeViewTest, OnlyF2OpensTheLabelEditorNeverAClick)
{
    // A second click on the selected node, then typing: type-ahead moves the selection,
    // no editor opens and nothing is renamed.
    QTest::mouseClick(m_tree.viewport(), Qt::LeftButton, {}, Centre(m_a));
    ASSERT_EQ(m_tree.Selected(), m_a);
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    QTest::mouseClick(m_tree.viewport(), Qt::LeftButton, {}, Centre(m_a));
    QTest::qWait(QApplication::doubleClickInterval() + 600);
    EXPECT_FALSE(m_tree.IsEditing());
    EXPECT_FALSE(Editor());
    QTest::keyClicks(m_tree.viewport(), QStringLiteral("b"));
    QTest::keyClick(m_tree.viewport(), Qt::Key_Return);
    EXPECT_EQ(m_tree.Selected(), m_b);
    EXPECT_EQ(m_a->Text(), "a");

    // F2 edits the selected node's label.
    QTest::keyClick(m_tree.viewport(), Qt::Key_F2);
    ASSERT_TRUE(m_tree.IsEditing());
    ASSERT_TRUE(Editor());
    QTest::keyClick(Editor(), Qt::Key_Escape);
    EXPECT_EQ(std::count(m_tree.Log.begin(), m_tree.Log.end(), "edited a -> b"), 0);
    EXPECT_EQ(m_tree.Log.back(), "edited b -> ");
}

TEST_F(TreeViewTest, TheRightButtonShowsThePopupMenuUnlessTheHookHandledIt)
{
    QMenu menu;
    m_tree.SetPopupMenu(&menu);
    m_tree.HandleRightClick = true;
    QTest::mouseClick(m_tree.viewport(), Qt::RightButton, {}, Centre(m_a));
    EXPECT_FALSE(menu.isVisible());
    m_tree.HandleRightClick = false;
    QTest::mouseClick(m_tree.viewport(), Qt::RightButton, {}, Centre(m_a));
    EXPECT_TRUE(menu.isVisible());
    menu.hide();
    EXPECT_EQ(m_tree.Log, (std::vector<std::string>{"right", "right"}));
}

TEST_F(TreeViewTest, CheckboxesRecreateTheWindowAndKeepTheNodes)
{
    EXPECT_TRUE(m_tree.HandleAllocated());
    m_tree.SetCheckboxes(true);
    EXPECT_EQ(m_a->checkState(0), Qt::Unchecked);
    EXPECT_EQ(m_tree.TopCount(), 2);
    EXPECT_TRUE(m_tree.HandleAllocated());
    m_tree.SetCheckboxes(false);
    EXPECT_FALSE(m_a->data(0, Qt::CheckStateRole).isValid());
}

TEST_F(TreeViewTest, OverlaysAreDrawnOnTheIcon)
{
    TImageList images;
    images.SetHandle(&TSystemImageList::Instance());
    m_tree.SetImages(&images);
    m_a->SetImageIndex(TSystemImageList::siFolder);
    m_a->SetSelectedIndex(TSystemImageList::siFolder);
    m_b->SetImageIndex(TSystemImageList::siFolder);
    m_b->SetSelectedIndex(TSystemImageList::siFolder);
    m_b->SetOverlayIndex(oiLink);
    const QImage plain = m_a->icon(0).pixmap(32, 32).toImage();
    const QImage linked = m_b->icon(0).pixmap(32, 32).toImage();
    EXPECT_NE(plain, linked);
    // The overlay keeps to the lower left quarter.
    EXPECT_EQ(plain.copy(16, 0, 16, 16), linked.copy(16, 0, 16, 16));
}

// A screen reader selects an item through its "Toggle" action: it becomes the selected node,
// as a click makes it, and the tree tells of the change; also below the top level.
TEST_F(TreeViewTest, AnItemThatAssistiveTechnologiesSelectBecomesTheSelectedNode)
{
    m_a->Expand(false);
    std::vector<TTreeNode *> changes;
    m_tree.OnChange = [&](QObject *, TTreeNode *node) { changes.push_back(node); };
    QCoreApplication::processEvents(); // the tree lays its items out
    QAccessibleInterface *tree = QAccessible::queryAccessibleInterface(&m_tree);
    for (TTreeNode *node : {m_a->Item(0), m_b}) {
        // After the header's cell: a, a.child, b.
        QAccessibleInterface *item = tree->child(node == m_b ? 3 : 2);
        ASSERT_NE(item, nullptr);
        ASSERT_EQ(item->text(QAccessible::Name), ToQString(node->Text()));
        item->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        EXPECT_EQ(m_tree.Selected(), node);
    }
    EXPECT_EQ(changes, (std::vector<TTreeNode *>{m_a->Item(0), m_b}));
}

TEST(Timers, CallTheirCallbackWithTheirIdentifierUntilKilled)
{
    static std::vector<UINT_PTR> calls;
    calls.clear();
    const UINT_PTR first = SetTimer(nullptr, 33, 20, [](HWND, UINT message, UINT_PTR id, DWORD) {
        EXPECT_EQ(message, WM_TIMER);
        calls.push_back(id);
        if (calls.size() == 2)
            KillTimer(nullptr, id);
    });
    const UINT_PTR second = SetTimer(nullptr, 33, 1000, [](HWND, UINT, UINT_PTR, DWORD) {});
    EXPECT_NE(first, 0u);
    EXPECT_NE(first, second);
    QTest::qWait(150);
    EXPECT_EQ(calls, (std::vector<UINT_PTR>{first, first}));
    EXPECT_TRUE(KillTimer(nullptr, second));
    EXPECT_FALSE(KillTimer(nullptr, second));
    EXPECT_EQ(SetTimer(nullptr, 33, 10, nullptr), 0u);
}

TEST(DeviceWatch, MountTableChangesReachTheHooksAsDeviceChanges)
{
    TTempTree tree;
    tree.TextFile("mountinfo", "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n");
    std::vector<WPARAM> seen;
    const int hook = HookMainWindow([&seen](TMessage &message) {
        if (message.Msg == WM_DEVICECHANGE)
            seen.push_back(message.WParam);
        return false;
    });
    SetMountTablePath(tree.Path("mountinfo"));
    tree.TextFile("mountinfo",
        "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n30 22 8:17 / /media/u/STICK rw - vfat /dev/sdb1 rw\n");
    CheckMountTable();
    tree.TextFile("mountinfo", "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n");
    CheckMountTable();
    CheckMountTable();
    EXPECT_EQ(seen, (std::vector<WPARAM>{DBT_DEVICEARRIVAL, DBT_DEVICEREMOVECOMPLETE}));
    UnhookMainWindow(hook);
    SetMountTablePath("");
    EXPECT_EQ(MainWindowHookCount(), 0);
}

} // namespace
