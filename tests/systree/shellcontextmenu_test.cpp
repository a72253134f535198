#include <cstring>
#include <functional>
#include <stdexcept>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QUrl>
#include <QWidget>

#include "platform/shell/private/shellfs.h"
#include "platform/shell/shellcontextmenu.h"
#include "platform/system/qtext.h"
#include "platform/ui/application.h"
#include "systree/shellcontextmenu.h"
#include "tests/support/gui/fakeapps.h"
#include "tests/support/gui/scripteddialogs.h"
#include "tests/systree/fakes.h"
#include "tests/systree/treefixture.h"

namespace {

QAction *FindId(const QMenu &menu, UINT id)
{
    for (QAction *action : menu.actions()) {
        if (action->menu()) {
            if (QAction *found = FindId(*action->menu(), id))
                return found;
        } else if (action->data().toUInt() == id) {
            return action;
        }
    }
    return nullptr;
}

QMenu *Submenu(const QMenu &menu)
{
    for (QAction *action : menu.actions()) {
        if (action->menu())
            return action->menu();
    }
    return nullptr;
}

// Stands in for the modal menu loop while it lives: shows the menu without blocking,
// lets `Body` act on it as the user would, closes it and answers Body's choice.
class TScriptedMenu
{
public:
    std::function<QAction *(QMenu &)> Body = [](QMenu &) { return nullptr; };
    int Calls = 0;
    TCursor CursorWhileOpen = TCursor::crDefault;
    QPoint Position;

    TScriptedMenu()
    {
        SetMenuTracker([this](QMenu &menu, QPoint position) {
            ++Calls;
            CursorWhileOpen = Application().Cursor();
            Position = position;
            menu.popup(position);
            QAction *chosen = Body(menu);
            menu.hide();
            return chosen;
        });
    }
    ~TScriptedMenu() { SetMenuTracker(nullptr); }
};

class ShellContextMenu : public TTreeTest
{
protected:
    void SetUp() override
    {
        TTreeTest::SetUp();
        m_seam.StartProgram = [this](const QString &program, const QStringList &arguments) {
            Started.push_back(QStringList{program} + arguments);
            return true;
        };
        SetLaunchSeam(&m_seam);
        Application().SetCursor(TCursor::crDefault);
        Application().SetHint(QString());
    }
    void TearDown() override
    {
        SetLaunchSeam(nullptr);
        Application().OnHint = nullptr;
        TTreeTest::TearDown();
    }

    // Shows the menu of the item `name` of the folder `folder` as the tree does.
    bool Show(const std::string &folder, const std::string &name, bool &rename, HWND owner = nullptr)
    {
        TComPtr<IShellFolder> desktop;
        SHGetDesktopFolder(desktop.Receive());
        LPITEMIDLIST folderList = nullptr;
        const std::u16string wideFolder = WideFromSystem(folder);
        EXPECT_EQ(
            desktop->ParseDisplayName(nullptr, nullptr, wideFolder.c_str(), nullptr, &folderList, nullptr),
            S_OK);
        void *object = nullptr;
        desktop->BindToObject(folderList, nullptr, IID_IShellFolder, &object);
        IdListFree(folderList);
        const auto parent = TComPtr<IShellFolder>::Adopt(static_cast<IShellFolder *>(object));
        LPITEMIDLIST item = nullptr;
        const std::u16string wideName = WideFromSystem(name);
        EXPECT_EQ(
            parent->ParseDisplayName(nullptr, nullptr, wideName.c_str(), nullptr, &item, nullptr), S_OK);
        LPCITEMIDLIST lists[] = {item};
        const bool result = ShowItemContextMenu(parent.Get(), lists, 1, owner, QPoint(40, 50), rename);
        IdListFree(item);
        return result;
    }

    std::vector<QStringList> Started;
    TScriptedDialogs Dialogs;
    TScriptedMenu Menu;

private:
    TLaunchSeam m_seam;
};

} // namespace

TEST_F(ShellContextMenu, RenameIsHandedBackNotCarriedOut)
{
    Tree().File("home/files/a.txt");
    std::vector<UINT> ids;
    Menu.Body = [&](QMenu &menu) {
        for (const QAction *action : menu.actions()) {
            if (action->data().isValid())
                ids.push_back(action->data().toUInt());
        }
        return FindId(menu, RenameCommandId);
    };
    Application().SetCursor(TCursor::crDefault);
    bool rename = false;
    EXPECT_TRUE(Show(Files(), "a.txt", rename));
    EXPECT_TRUE(rename);
    EXPECT_TRUE(PathExists(Files() + "/a.txt"));
    ASSERT_FALSE(ids.empty());
    EXPECT_EQ(*std::min_element(ids.begin(), ids.end()), 1u);
    EXPECT_EQ(Menu.Position, QPoint(40, 50));
    EXPECT_EQ(Menu.CursorWhileOpen, TCursor::crHourGlass);
    EXPECT_EQ(Application().Cursor(), TCursor::crDefault);
}

TEST_F(ShellContextMenu, DismissAndFailureAfterRenameReportNoRename)
{
    Tree().File("home/files/a.txt");
    bool rename = true;
    EXPECT_TRUE(Show(Files(), "a.txt", rename)) << "dismissed";
    EXPECT_FALSE(rename);

    Menu.Body = [](QMenu &menu) { return FindId(menu, RenameCommandId); };
    ASSERT_TRUE(Show(Files(), "a.txt", rename));
    ASSERT_TRUE(rename);

    // The desktop gives no menu for Computer: nothing is shown.
    TComPtr<IShellFolder> desktop;
    SHGetDesktopFolder(desktop.Receive());
    LPITEMIDLIST computer = nullptr;
    desktop->ParseDisplayName(
        nullptr, nullptr, u"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}", nullptr, &computer, nullptr);
    LPCITEMIDLIST lists[] = {computer};
    Application().SetCursor(TCursor::crHourGlass);
    EXPECT_FALSE(ShowItemContextMenu(desktop.Get(), lists, 1, nullptr, QPoint(), rename));
    EXPECT_FALSE(rename);
    EXPECT_EQ(Menu.Calls, 2);
    EXPECT_EQ(Application().Cursor(), TCursor::crHourGlass) << "the cursor found is put back";
    EXPECT_FALSE(ShowItemContextMenu(desktop.Get(), lists, 0, nullptr, QPoint(), rename));
    IdListFree(computer);
}

TEST_F(ShellContextMenu, EachCommandRunsAtItsIdentifier)
{
    TFakeApplications applications(Tree());
    applications.Entry("home/.local/share/applications/opener.desktop",
        "Name=Opener\nExec=opener %f\nMimeType=text/plain;\n");
    Tree().File("home/files/a.txt");
    Tree().Folder("home/files/box");
    bool rename = false;
    const auto choose = [&](UINT id) { Menu.Body = [id](QMenu &menu) { return FindId(menu, id); }; };

    choose(1 + IDM_NEWFOLDER);
    EXPECT_TRUE(Show(Files(), "box", rename));
    EXPECT_TRUE(IsDirectory(Files() + "/box/New Folder"));

    choose(1 + IDM_COPYPATH);
    EXPECT_TRUE(Show(Files(), "a.txt", rename));
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), Files() + "/a.txt");

    choose(1 + IDM_OPEN);
    EXPECT_TRUE(Show(Files(), "a.txt", rename));
    ASSERT_EQ(Started.size(), 1u);
    EXPECT_EQ(Started[0], (QStringList{u"opener"_qs, ToQString(Files() + "/a.txt")}));

    choose(5); // offset 4: the trash
    EXPECT_TRUE(Show(Files(), "a.txt", rename));
    EXPECT_FALSE(PathExists(Files() + "/a.txt"));
    EXPECT_TRUE(PathExists(Home() + "/.local/share/Trash/files/a.txt"));
    EXPECT_TRUE(PathExists(Home() + "/.local/share/Trash/info/a.txt.trashinfo"));
    EXPECT_FALSE(rename);
    EXPECT_TRUE(Dialogs.Messages.empty());

    // A command that fails (no application opens folders): the user is told, the call
    // answers false.
    choose(1 + IDM_OPEN);
    EXPECT_FALSE(Show(Files(), "box", rename));
    EXPECT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Application().Cursor(), TCursor::crDefault);
}

TEST_F(ShellContextMenu, HintFollowsThePointerAndEmptiesOnClose)
{
    Tree().File("home/files/a.txt");
    std::vector<QString> hints;
    Application().OnHint = [&] { hints.push_back(Application().Hint()); };
    Menu.Body = [&](QMenu &menu) {
        menu.setActiveAction(FindId(menu, 1 + IDM_DELETE));
        menu.setActiveAction(Submenu(menu)->menuAction()); // a submenu entry has no identifier
        return nullptr;
    };
    bool rename = false;
    EXPECT_TRUE(Show(Files(), "a.txt", rename));
    EXPECT_EQ(hints, (std::vector<QString>{u"delete|Moves the item to the trash."_qs, QString()}));
    EXPECT_TRUE(Application().Hint().isEmpty());
}

TEST_F(ShellContextMenu, OpenWithIsFilledWhenTheSubmenuOpens)
{
    Tree().TextFile("home/.local/share/applications/viewer.desktop",
        "[Desktop Entry]\nType=Application\nName=Zz Test Viewer\nExec=viewer "
        "%f\nMimeType=text/plain;inode/directory;\n");
    Tree().Folder("home/files/box");
    int filled = -1;
    Menu.Body = [&](QMenu &menu) -> QAction * {
        QMenu *openWith = Submenu(menu);
        if (!openWith)
            return nullptr;
        openWith->popup(QPoint(80, 50));
        filled = static_cast<int>(openWith->actions().size());
        for (QAction *action : openWith->actions()) {
            if (action->text() == u"Zz Test Viewer")
                return action;
        }
        return nullptr;
    };
    bool rename = false;
    EXPECT_TRUE(Show(Files(), "box", rename));
    EXPECT_GE(filled, 1);
    ASSERT_EQ(Started.size(), 1u);
    EXPECT_EQ(Started[0], (QStringList{u"viewer"_qs, ToQString(Files() + "/box")}));
}

namespace {

// A menu object of one, two or three interface levels, counting what reaches it.
class TFakeMenu : public IContextMenu3
{
public:
    int Level = 3;
    HRESULT QueryAnswer = MAKE_SCODE_SUCCESS(20);
    std::function<HRESULT(CMINVOKECOMMANDINFO *)> Invoke = [](CMINVOKECOMMANDINFO *) { return S_OK; };
    std::function<HRESULT(UINT_PTR, UINT, char *, UINT)> Text
        = [](UINT_PTR, UINT, char *, UINT) { return E_FAIL; };
    int Messages = 0;
    int Messages2 = 0;
    ULONG References = 1;

    HRESULT QueryInterface(REFIID iid, void **object) override
    {
        const bool has = iid == IID_IContextMenu || (iid == IID_IContextMenu2 && Level >= 2)
            || (iid == IID_IContextMenu3 && Level >= 3);
        *object = has ? this : nullptr;
        if (has)
            AddRef();
        return has ? S_OK : E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++References; }
    ULONG Release() override { return --References; }
    HRESULT QueryContextMenu(HMENU menu, UINT, UINT first, UINT, UINT) override
    {
        menu->addAction(QStringLiteral("One"))->setData(first);
        menu->addMenu(QStringLiteral("Sub"))->addAction(QStringLiteral("Five"))->setData(first + 4);
        return QueryAnswer;
    }
    HRESULT InvokeCommand(CMINVOKECOMMANDINFO *info) override { return Invoke(info); }
    HRESULT GetCommandString(UINT_PTR id, UINT type, UINT *, char *name, UINT size) override
    {
        return Text(id, type, name, size);
    }
    HRESULT HandleMenuMsg(UINT, WPARAM, LPARAM) override { return ++Messages, S_OK; }
    HRESULT HandleMenuMsg2(UINT, WPARAM, LPARAM, LRESULT *) override { return ++Messages2, S_OK; }
};

class TMenuFolder : public TFakeShellFolder
{
public:
    TFakeMenu *Menu = nullptr;
    HRESULT GetUIObjectOf(HWND, UINT, LPCITEMIDLIST *, REFIID iid, UINT *, void **object) override
    {
        return Menu ? Menu->QueryInterface(iid, object) : E_NOINTERFACE;
    }
};

} // namespace

TEST_F(ShellContextMenu, MenuMessagesReachTheRichestInterface)
{
    TOwnedIdList item = MakeIdList({6});
    LPCITEMIDLIST lists[] = {item.get()};
    for (int level : {1, 2, 3}) {
        TFakeMenu fake;
        fake.Level = level;
        TMenuFolder folder;
        folder.Menu = &fake;
        Menu.Body = [](QMenu &menu) {
            Submenu(menu)->popup(QPoint());
            return nullptr;
        };
        bool rename = true;
        EXPECT_TRUE(ShowItemContextMenu(&folder, lists, 1, nullptr, QPoint(), rename)) << level;
        EXPECT_FALSE(rename);
        EXPECT_EQ(fake.Messages, level == 2 ? 2 : 0) << "two popups: the menu and its submenu";
        EXPECT_EQ(fake.Messages2, level == 3 ? 2 : 0);
        EXPECT_EQ(fake.References, 1u) << "every interface released";
    }

    // Draw and measure are answered as handled whatever the level; a plain menu hears none.
    TFakeMenu plain;
    plain.Level = 1;
    TMenuHelperWindow helper(&plain, TContextMenuKind::cmkContextMenu);
    EXPECT_EQ(MenuHelperWndProc(&helper, WM_DRAWITEM, 0, 0), 1);
    EXPECT_EQ(MenuHelperWndProc(&helper, WM_MEASUREITEM, 0, 0), 1);
    EXPECT_EQ(MenuHelperWndProc(&helper, WM_INITMENUPOPUP, 0, 0), 0);
    EXPECT_EQ(plain.Messages + plain.Messages2, 0);

    TMenuHelperWindow empty(nullptr, TContextMenuKind::cmkContextMenu2);
    try {
        MenuHelperWndProc(&empty, WM_DRAWITEM, 0, 0);
        ADD_FAILURE() << "no assertion";
    } catch (const std::exception &error) {
        EXPECT_TRUE(std::string(error.what()).starts_with("NIL Context Menu!"));
    }
}

TEST_F(ShellContextMenu, InvokeGetsTheOffsetAndTheCursorComesBackWhateverHappens)
{
    TOwnedIdList item = MakeIdList({6});
    LPCITEMIDLIST lists[] = {item.get()};
    TFakeMenu fake;
    TMenuFolder folder;
    folder.Menu = &fake;
    bool rename = false;

    UINT offset = 0xFFFF;
    HWND hwnd = reinterpret_cast<HWND>(1);
    fake.Invoke = [&](CMINVOKECOMMANDINFO *info) {
        offset = LOWORD(reinterpret_cast<std::uintptr_t>(info->lpVerb));
        hwnd = info->hwnd;
        EXPECT_EQ(info->nShow, SW_SHOWNORMAL);
        return E_FAIL;
    };
    // The owner goes away while the menu is open: the command gets no dead window.
    auto *owner = new QWidget;
    Menu.Body = [&](QMenu &menu) {
        delete owner;
        return FindId(menu, 5);
    };
    EXPECT_FALSE(ShowItemContextMenu(&folder, lists, 1, owner, QPoint(), rename)) << "the command failed";
    EXPECT_EQ(offset, 4u);
    EXPECT_EQ(hwnd, nullptr);

    fake.Invoke = [](CMINVOKECOMMANDINFO *) -> HRESULT { throw std::runtime_error("broken"); };
    Menu.Body = [](QMenu &menu) { return FindId(menu, 1); };
    EXPECT_THROW(ShowItemContextMenu(&folder, lists, 1, nullptr, QPoint(), rename), std::runtime_error);
    EXPECT_EQ(Application().Cursor(), TCursor::crDefault);
    EXPECT_FALSE(rename);
    EXPECT_EQ(fake.References, 1u);

    fake.QueryAnswer = E_FAIL;
    const int shown = Menu.Calls;
    EXPECT_FALSE(ShowItemContextMenu(&folder, lists, 1, nullptr, QPoint(), rename));
    EXPECT_EQ(Menu.Calls, shown) << "a menu that cannot be filled is not shown";
    EXPECT_EQ(Application().Cursor(), TCursor::crDefault);
}

TEST_F(ShellContextMenu, HintTextsAreBoundedAndMissingPartsEmpty)
{
    TFakeMenu fake;
    fake.Text = [](UINT_PTR id, UINT type, char *name, UINT size) {
        if (type == GCS_HELPTEXTA)
            return std::strcpy(name, "half"), E_FAIL; // written, yet failed: not shown
        std::memset(name, 'v', size); // fills the whole buffer, no terminator
        return id == 2 ? S_OK : E_FAIL;
    };
    TMenuHelperWindow helper(&fake, TContextMenuKind::cmkContextMenu3);
    MenuHelperWndProc(&helper, WM_MENUSELECT, MAKEWPARAM(3, MF_HILITE), 1);
    EXPECT_EQ(Application().Hint(), QString(259, u'v') + u'|');
    MenuHelperWndProc(&helper, WM_MENUSELECT, MAKEWPARAM(0, MF_SEPARATOR | MF_HILITE), 1);
    MenuHelperWndProc(&helper, WM_MENUSELECT, MAKEWPARAM(0, MF_HILITE), 1);
    MenuHelperWndProc(&helper, WM_MENUSELECT, MAKEWPARAM(1, MF_POPUP | MF_HILITE), 1);
    EXPECT_EQ(Application().Hint().size(), 260) << "separators and submenu entries leave the hint";
    MenuHelperWndProc(&helper, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    EXPECT_TRUE(Application().Hint().isEmpty());
}
