#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPalette>
#include <QTest>

#include "platform/system/devicewatch.h"
#include "platform/ui/imagelist.h"
#include "systree/pidlhelp.h"
#include "treefixture.h"

namespace {

// A list view of the family that records what its partners tell it and answers with a
// location of its own.
class TRecordingListView : public TorbCustomSystemListView
{
public:
    using TorbCustomSystemListView::TorbCustomSystemListView;

    struct TNotice
    {
        qint64 At;
        std::string Path;
    };
    std::vector<TNotice> Notices;
    QElapsedTimer Clock;

    void Choose(LPCITEMIDLIST location) { m_location.Reset(IdListDuplicate(location)); }

    LPITEMIDLIST GetSelectedIDList() override { return m_location.Get(); }
    TComPtr<IShellFolder> GetBaseFolder() override
    {
        IShellFolder *desktop = nullptr;
        SHGetDesktopFolder(&desktop);
        return TComPtr<IShellFolder>::Adopt(desktop);
    }
    void FollowLinkedSelection(IShellFolder *, LPCITEMIDLIST idList, bool) override
    {
        std::string path;
        SHGetPathFromIDList(idList, path);
        Notices.push_back({Clock.isValid() ? Clock.elapsed() : 0, path});
    }

private:
    TItemIdList m_location;
};

class TRecordingComboBox : public TorbCustomSystemComboBox
{
public:
    using TorbCustomSystemComboBox::TorbCustomSystemComboBox;
    int Followed = 0;
    LPITEMIDLIST GetSelectedIDList() override { return nullptr; }
    TComPtr<IShellFolder> GetBaseFolder() override { return {}; }
    void FollowLinkedSelection(IShellFolder *, LPCITEMIDLIST, bool) override { ++Followed; }
};

// A tree that records the colours it is given.
class TColourTree : public TorbSystemTreeView
{
public:
    std::vector<unsigned> Colours;
    void SetColor(unsigned color) override
    {
        Colours.push_back(color);
        TorbSystemTreeView::SetColor(color);
    }
    void Recolour() { SysColorChange(); }
};

using ShellControlLinks = TTreeTest;
using ShellControlReadDelay = TTreeTest;
using ShellControlFamily = TTreeTest;

TEST_F(ShellControlLinks, ControlsOfOneOwnerLinkBothWaysAndForgetThePartnerThatGoes)
{
    QWidget form;
    auto *tree = new TorbSystemTreeView(&form);
    auto *list = new TRecordingListView(&form);
    auto *combo = new TRecordingComboBox(&form);
    EXPECT_EQ(tree->ListView(), list);
    EXPECT_EQ(list->TreeView(), tree);
    EXPECT_EQ(tree->ComboBox(), combo);
    EXPECT_EQ(combo->TreeView(), tree);
    EXPECT_EQ(combo->ListView(), list);
    EXPECT_EQ(list->ComboBox(), combo);

    delete list;
    EXPECT_EQ(tree->ListView(), nullptr);
    EXPECT_EQ(combo->ListView(), nullptr);
    delete tree;
    EXPECT_EQ(combo->TreeView(), nullptr);

    // A link made through the property is one way only, and still cleared on removal.
    TorbSystemTreeView loose;
    auto *other = new TRecordingListView(&form);
    loose.SetListView(other);
    EXPECT_EQ(other->TreeView(), nullptr);
    delete other;
    EXPECT_EQ(loose.ListView(), nullptr);
}

TEST_F(ShellControlLinks, TheTreeFollowsItsListAndTheListHearsOfTheTree)
{
    Tree().Folder("home/files/a/b");
    QWidget form;
    auto *tree = new TorbSystemTreeView(&form);
    auto *list = new TRecordingListView(&form);
    tree->SetReadDelay(0);
    tree->HandleNeeded();

    LPITEMIDLIST location = nullptr;
    IShellFolder *desktop = nullptr;
    SHGetDesktopFolder(&desktop);
    const std::u16string wide = WideFromSystem(Files() + "/a/b");
    ASSERT_EQ(desktop->ParseDisplayName(nullptr, nullptr, wide.c_str(), nullptr, &location, nullptr), S_OK);
    desktop->Release();
    list->Choose(location);
    IdListFree(location);
    list->Notices.clear();
    list->NotifyLinkedControls(false);
    EXPECT_EQ(tree->Selection(), Files() + "/a/b");
    ASSERT_FALSE(list->Notices.empty());
    EXPECT_EQ(list->Notices.back().Path, Files() + "/a/b");
}

TEST_F(ShellControlReadDelay, ABurstOfChangesReachesThePartnersOnceAfterTheDelay)
{
    Tree().Folder("home/files/a");
    Tree().Folder("home/files/b");
    Tree().Folder("home/files/c");
    QWidget form;
    auto *tree = new TorbSystemTreeView(&form);
    auto *list = new TRecordingListView(&form);
    tree->SetRootFolder(TRootFolder::rfCustom);
    tree->SetCustomDir(Files());
    tree->HandleNeeded();
    list->Notices.clear();
    TTreeNode *top = tree->TopItem(0);

    // The first change after construction passes at once.
    EXPECT_TRUE(tree->ImmediateRead());
    list->Clock.start();
    tree->SetSelected(top->Item(0));
    ASSERT_EQ(list->Notices.size(), 1u);
    EXPECT_EQ(list->Notices[0].Path, Files() + "/a");
    EXPECT_FALSE(tree->ImmediateRead());

    list->Notices.clear();
    qint64 last = 0;
    for (int i = 1; i <= 3; ++i) {
        QTest::qWait(100);
        last = list->Clock.elapsed();
        tree->SetSelected(top->Item(i % 3));
    }
    EXPECT_TRUE(list->Notices.empty());
    EXPECT_NE(tree->ReadTimerID(), 0u);
    QTest::qWait(800);
    ASSERT_EQ(list->Notices.size(), 1u);
    EXPECT_EQ(list->Notices[0].Path, Files() + "/a");
    EXPECT_GE(list->Notices[0].At - last, 500);
    EXPECT_LE(list->Notices[0].At - last, 700);
    EXPECT_EQ(tree->ReadTimerID(), 0u);

    // Without a delay every change passes at once and no timer starts.
    tree->SetReadDelay(0);
    list->Notices.clear();
    tree->SetSelected(top->Item(1));
    tree->SetSelected(top->Item(2));
    EXPECT_EQ(list->Notices.size(), 2u);
    EXPECT_EQ(tree->ReadTimerID(), 0u);
}

TEST_F(ShellControlReadDelay, ATreeDestroyedWhileItsTimerRunsHearsNothingMore)
{
    Tree().Folder("home/files/a");
    Tree().Folder("home/files/b");
    auto tree = MakeTree(TRootFolder::rfCustom, Files());
    tree->SetSelected(tree->TopItem(0)->Item(0));
    tree->SetSelected(tree->TopItem(0)->Item(1));
    ASSERT_NE(tree->ReadTimerID(), 0u);
    tree.reset();
    QTest::qWait(600);
    // The fixture checks that no timer is left running.
}

TEST_F(ShellControlFamily, DeviceChangesRebuildTheTreeAndOtherMessagesAreIgnored)
{
    auto tree = MakeTree(TRootFolder::rfDrives);
    ASSERT_EQ(DeviceChangeSubscriber(), tree.get());
    EXPECT_EQ(tree->TopItem(0)->Count(), 2);

    Tree().Folder("media/user/stick");
    SetVolumes({Tree().Path("media/user/stick")});
    DeliverMainWindowMessage({WM_DEVICECHANGE, 0x0007, 0});
    EXPECT_EQ(tree->TopItem(0)->Count(), 2);
    DeliverMainWindowMessage({WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0});
    EXPECT_EQ(tree->TopItem(0)->Count(), 3);

    SetVolumes({});
    DeliverMainWindowMessage({WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, 0});
    EXPECT_EQ(tree->TopItem(0)->Count(), 2);
}

TEST_F(ShellControlFamily, TheSubscriptionPassesToTheNextControlWhenItsHolderGoes)
{
    auto first = std::make_unique<TorbSystemTreeView>();
    auto second = std::make_unique<TorbSystemTreeView>();
    EXPECT_EQ(DeviceChangeSubscriber(), first.get());
    first.reset();
    EXPECT_EQ(DeviceChangeSubscriber(), second.get());
    EXPECT_EQ(MainWindowHookCount(), 1);
    second.reset();
    EXPECT_EQ(DeviceChangeSubscriber(), nullptr);
    EXPECT_EQ(MainWindowHookCount(), 0);
}

TEST_F(ShellControlFamily, AColourChangeFlipsTheColourAndBackAndFetchesTheIcons)
{
    TColourTree tree;
    tree.SetColor(0);
    tree.Colours.clear();
    tree.Recolour();
    EXPECT_EQ(tree.Colours, (std::vector<unsigned>{0xFFFFFF, 0}));
    tree.SetColor(0x123456);
    tree.Colours.clear();
    tree.Recolour();
    EXPECT_EQ(tree.Colours, (std::vector<unsigned>{0, 0x123456}));
    EXPECT_GT(tree.Images()->Count(), 0);
}

// The desktop switching themes again and again: the tree and the list repaint in each
// new palette, and none stays pinned to an earlier one.
TEST_F(ShellControlFamily, ThemeSwitchesRepaintInTheNewPaletteAndPinNothing)
{
    // A desktop's theme gives the item views a palette of their own too.
    const QPalette original = QApplication::palette();
    const QPalette originalViews = QApplication::palette("QAbstractItemView");
    QWidget form;
    auto *tree = new TorbSystemTreeView(&form);
    auto *list = new TRecordingListView(&form);
    list->move(0, 200);
    form.resize(300, 400);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    for (const QColor base : {QColor(0x30, 0x30, 0x30), QColor(Qt::white), QColor(0x20, 0x20, 0x40)}) {
        QPalette colours = original;
        colours.setColor(QPalette::Base, base);
        colours.setColor(QPalette::Text, base.lightness() < 128 ? Qt::white : Qt::black);
        QApplication::setPalette(colours);
        QApplication::setPalette(colours, "QAbstractItemView");
        QEvent theme(QEvent::ThemeChange); // what the desktop sends with its new palette
        QApplication::sendEvent(tree, &theme);
        QApplication::sendEvent(list, &theme);
        for (QAbstractScrollArea *view :
            {static_cast<QAbstractScrollArea *>(tree), static_cast<QAbstractScrollArea *>(list)}) {
            const QImage picture = view->viewport()->grab().toImage();
            EXPECT_EQ(picture.pixelColor(picture.width() - 2, picture.height() - 2), base)
                << base.name().toStdString();
        }
    }
    QApplication::setPalette(original);
    QApplication::setPalette(originalViews, "QAbstractItemView");
}

TEST_F(ShellControlFamily, GetValidHandlePrefersTheControlsOwnWindow)
{
    QWidget form;
    auto *tree = new TorbSystemTreeView(&form);
    EXPECT_EQ(tree->GetValidHandle(), nullptr);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_EQ(tree->GetValidHandle(), tree);
}

} // namespace
