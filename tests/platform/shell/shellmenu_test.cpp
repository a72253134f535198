#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

#include "platform/shell/itemproperties.h"
#include "platform/shell/private/shellfs.h"
#include "platform/shell/shellcontextmenu.h"
#include "platform/system/qtext.h"
#include "tests/platform/shell/shellfixture.h"
#include "tests/support/gui/fakeapps.h"
#include "tests/support/gui/scripteddialogs.h"

namespace {

std::string ReadText(const std::string &path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<UINT> Ids(const QMenu &menu)
{
    std::vector<UINT> ids;
    for (const QAction *action : menu.actions()) {
        if (action->data().isValid())
            ids.push_back(action->data().toUInt());
    }
    return ids;
}

bool Has(const std::vector<UINT> &ids, UINT id)
{
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

class ShellMenu : public TShellTest
{
protected:
    void SetUp() override
    {
        TShellTest::SetUp();
        m_seam.StartProgram = [this](const QString &program, const QStringList &arguments) {
            Started.push_back(QStringList{program} + arguments);
            return true;
        };
        SetLaunchSeam(&m_seam);
        Tree().Folder("home/files");
    }
    void TearDown() override
    {
        SetLaunchSeam(nullptr);
        TShellTest::TearDown();
    }

    std::string Files() { return Tree().Path("home/files"); }

    // The menu object of the item at `path`, asked of the folder that holds it.
    TComPtr<IContextMenu3> MenuOf(const std::string &path, HRESULT *result = nullptr)
    {
        const std::size_t slash = path.rfind('/');
        TComPtr<IShellFolder> folder = FolderAt(path.substr(0, slash));
        TIdList item = Parse(folder.Get(), path.substr(slash + 1));
        LPCITEMIDLIST items[] = {item.Get()};
        void *object = nullptr;
        const HRESULT hr = folder->GetUIObjectOf(nullptr, 1, items, IID_IContextMenu3, nullptr, &object);
        if (result)
            *result = hr;
        return TComPtr<IContextMenu3>::Adopt(static_cast<IContextMenu3 *>(object));
    }

    static HRESULT Invoke(IContextMenu *menu, UINT offset)
    {
        CMINVOKECOMMANDINFO info{};
        info.cbSize = sizeof info;
        info.lpVerb = MAKEINTRESOURCEA(offset);
        info.nShow = SW_SHOWNORMAL;
        return menu->InvokeCommand(&info);
    }

    static std::string Text(IContextMenu *menu, UINT offset, UINT type, UINT size = MAX_PATH)
    {
        std::vector<char> buffer(size + 1, 'X');
        if (FAILED(menu->GetCommandString(offset, type, nullptr, buffer.data(), size)))
            return buffer[0] ? "(failed, not emptied)" : "(failed)";
        EXPECT_EQ(buffer[size], 'X') << "wrote past the buffer";
        return buffer.data();
    }

    std::vector<QStringList> Started;
    TScriptedDialogs Dialogs;

private:
    TLaunchSeam m_seam;
};

} // namespace

TEST_F(ShellMenu, AnsweredForFileSystemItemsOnly)
{
    Tree().File("home/files/a.txt");
    HRESULT hr = E_FAIL;
    EXPECT_TRUE(MenuOf(Files() + "/a.txt", &hr));
    EXPECT_EQ(hr, S_OK);

    TComPtr<IShellFolder> desktop = Desktop();
    TIdList computer = Parse(desktop.Get(), "::{20D04FE0-3AEA-1069-A2D8-08002B30309D}");
    LPCITEMIDLIST items[] = {computer.Get()};
    void *object = reinterpret_cast<void *>(1);
    EXPECT_EQ(desktop->GetUIObjectOf(nullptr, 1, items, IID_IContextMenu, nullptr, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);

    TComPtr<IShellFolder> files = FolderAt(Files());
    TIdList file = Parse(files.Get(), "a.txt");
    items[0] = file.Get();
    EXPECT_EQ(files->GetUIObjectOf(nullptr, 1, items, IID_IShellFolder, nullptr, &object), E_NOINTERFACE);
    EXPECT_EQ(files->GetUIObjectOf(nullptr, 0, items, IID_IContextMenu, nullptr, &object), E_INVALIDARG);
}

TEST_F(ShellMenu, EntriesAreNumberedFromTheFirstIdentifierByOffset)
{
    Tree().File("home/files/a.txt");
    TComPtr<IContextMenu3> file = MenuOf(Files() + "/a.txt");
    QMenu menu;
    const HRESULT hr = file->QueryContextMenu(&menu, 0, 1, 0x7FFF, CMF_EXPLORE | CMF_CANRENAME);
    ASSERT_TRUE(SUCCEEDED(hr));
    EXPECT_EQ(hr, IDM_OPENWITHFIRST + MaxOpenWithEntries);
    const std::vector<UINT> ids = Ids(menu);
    EXPECT_EQ(ids.front(), 1u);
    EXPECT_TRUE(menu.actions().front()->font().bold()) << "the default entry";
    EXPECT_TRUE(Has(ids, 1 + IDM_DELETE));
    EXPECT_TRUE(Has(ids, 1 + IDM_RENAME));
    EXPECT_TRUE(Has(ids, 1 + IDM_PROPERTIES));
    EXPECT_FALSE(Has(ids, 1 + IDM_NEWFOLDER)) << "a file holds no folder";

    // Without CMF_CANRENAME there is no rename entry; the home folder cannot be
    // renamed or trashed (its parent is not ours), but it can hold a new folder.
    QMenu plain;
    file->QueryContextMenu(&plain, 0, 100, 0x7FFF, CMF_EXPLORE);
    EXPECT_FALSE(Has(Ids(plain), 100 + IDM_RENAME));
    EXPECT_EQ(Ids(plain).front(), 100u);

    TComPtr<IShellFolder> desktop = Desktop();
    IEnumIDList *raw = nullptr;
    ASSERT_EQ(desktop->EnumObjects(nullptr, SHCONTF_FOLDERS, &raw), S_OK);
    const auto places = TComPtr<IEnumIDList>::Adopt(raw);
    TIdList home;
    ULONG fetched = 0;
    ASSERT_EQ(places->Next(1, home.Receive(), &fetched), S_OK);
    ASSERT_EQ(DisplayName(desktop.Get(), home.Get(), SHGDN_FORPARSING), Home());
    LPCITEMIDLIST items[] = {home.Get()};
    void *object = nullptr;
    ASSERT_EQ(desktop->GetUIObjectOf(nullptr, 1, items, IID_IContextMenu, nullptr, &object), S_OK);
    const auto homeMenu = TComPtr<IContextMenu>::Adopt(static_cast<IContextMenu *>(object));
    QMenu homeEntries;
    homeMenu->QueryContextMenu(&homeEntries, 0, 1, 0x7FFF, CMF_EXPLORE | CMF_CANRENAME);
    EXPECT_TRUE(Has(Ids(homeEntries), 1 + IDM_NEWFOLDER));
    EXPECT_FALSE(Has(Ids(homeEntries), 1 + IDM_DELETE));
    EXPECT_FALSE(Has(Ids(homeEntries), 1 + IDM_RENAME));
    EXPECT_EQ(Invoke(homeMenu.Get(), IDM_DELETE), E_INVALIDARG) << "an entry that is not offered";
}

TEST_F(ShellMenu, CommandStringsAreVerbAndHelpTextWithinTheBuffer)
{
    Tree().File("home/files/a.txt");
    TComPtr<IContextMenu3> menu = MenuOf(Files() + "/a.txt");
    QMenu entries;
    menu->QueryContextMenu(&entries, 0, 1, 0x7FFF, CMF_CANRENAME);
    EXPECT_EQ(Text(menu.Get(), IDM_DELETE, GCS_VERBA), "delete");
    EXPECT_EQ(Text(menu.Get(), IDM_DELETE, GCS_HELPTEXTA), "Moves the item to the trash.");
    EXPECT_EQ(Text(menu.Get(), IDM_RENAME, GCS_VERBA), "rename");
    EXPECT_EQ(Text(menu.Get(), IDM_PROPERTIES, GCS_VERBA, 5), "prop");
    EXPECT_EQ(Text(menu.Get(), IDM_NEWFOLDER, GCS_VERBA), "(failed)") << "not offered: empty and failed";
    EXPECT_EQ(Text(menu.Get(), 17, GCS_HELPTEXTA), "(failed)");
    char one[1] = {'X'};
    EXPECT_TRUE(SUCCEEDED(menu->GetCommandString(IDM_OPEN, GCS_VERBA, nullptr, one, 1)));
    EXPECT_EQ(one[0], 0);
    EXPECT_EQ(menu->GetCommandString(IDM_OPEN, GCS_VERBA, nullptr, one, 0), E_INVALIDARG);
}

TEST_F(ShellMenu, NewFolderNeverReplacesAnEntry)
{
    Tree().Folder("home/files/box/New Folder");
    Tree().File("home/files/box/New Folder (2)");
    TComPtr<IContextMenu3> menu = MenuOf(Files() + "/box");
    QMenu entries;
    menu->QueryContextMenu(&entries, 0, 1, 0x7FFF, CMF_NORMAL);
    ASSERT_EQ(Invoke(menu.Get(), IDM_NEWFOLDER), S_OK);
    EXPECT_TRUE(IsDirectory(Files() + "/box/New Folder (3)"));
    struct stat status;
    ASSERT_EQ(::stat((Files() + "/box/New Folder (2)").c_str(), &status), 0);
    EXPECT_TRUE(S_ISREG(status.st_mode));

    // A folder that may not be written: the user is told why, and the call fails.
    Tree().Chmod("home/files/box", 0500);
    bool ran = Tree().AsUnprivilegedUser(
        [&] { EXPECT_EQ(Invoke(menu.Get(), IDM_NEWFOLDER), HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED)); });
    Tree().Chmod("home/files/box", 0700);
    if (ran) {
        ASSERT_EQ(Dialogs.Messages.size(), 1u);
        EXPECT_TRUE(Dialogs.Messages[0].Text.startsWith(u"Cannot create a new folder in"));
        EXPECT_TRUE(Dialogs.Messages[0].Flags & MB_ICONERROR);
    }
}

TEST_F(ShellMenu, TrashKeepsTheOriginalPathAndNeverReplaces)
{
    const std::string trash = Home() + "/.local/share/Trash";
    Tree().TextFile("home/files/one/same name.txt", "first");
    Tree().TextFile("home/files/two/same name.txt", "second");
    for (const char *folder : {"/one", "/two"}) {
        TComPtr<IContextMenu3> menu = MenuOf(Files() + folder + "/same name.txt");
        QMenu entries;
        menu->QueryContextMenu(&entries, 0, 1, 0x7FFF, CMF_NORMAL);
        ASSERT_EQ(Invoke(menu.Get(), IDM_DELETE), S_OK);
        EXPECT_FALSE(PathExists(Files() + folder + "/same name.txt"));
    }
    EXPECT_EQ(ReadText(trash + "/files/same name.txt"), "first");
    EXPECT_EQ(ReadText(trash + "/files/same name.txt.2"), "second");
    const std::string info = ReadText(trash + "/info/same name.txt.2.trashinfo");
    EXPECT_TRUE(info.starts_with("[Trash Info]\nPath=" + Files().substr(0, 1))) << info;
    EXPECT_NE(info.find("/two/same%20name.txt\n"), std::string::npos) << info;
    EXPECT_NE(info.find("\nDeletionDate="), std::string::npos) << info;

    // The trash's own folder is refused: nothing moves, the user is told.
    EXPECT_EQ(MoveToTrash(trash + "/files/same name.txt"), EINVAL);
    EXPECT_EQ(MoveToTrash(Files() + "/gone"), ENOENT);
    EXPECT_TRUE(PathExists(trash + "/files/same name.txt"));
}

TEST_F(ShellMenu, OpenAndCopyPathHandOverTheBytesOfTheName)
{
    TFakeApplications applications(Tree());
    applications.Entry("home/.local/share/applications/opener.desktop",
        "Name=Opener\nExec=opener %u\nMimeType=text/plain;\n");
    applications.Entry("home/.local/share/applications/browser.desktop",
        "Name=Browser\nExec=browser %f\nMimeType=inode/directory;\n");
    const std::string name = "caf\xC3\xA9 \xFF.txt"; // UTF-8 and a stray byte
    Tree().File("home/files/" + name);
    TComPtr<IContextMenu3> menu = MenuOf(Files() + "/" + name);
    QMenu entries;
    menu->QueryContextMenu(&entries, 0, 1, 0x7FFF, CMF_NORMAL);
    ASSERT_EQ(Invoke(menu.Get(), IDM_OPEN), S_OK);
    ASSERT_EQ(Invoke(menu.Get(), IDM_OPENCONTAINING), S_OK);
    ASSERT_EQ(Started.size(), 2u);
    ASSERT_EQ(Started[0].size(), 2);
    EXPECT_EQ(Started[0][0], u"opener");
    EXPECT_EQ(QByteArray::fromPercentEncoding(QUrl(Started[0][1]).path(QUrl::FullyEncoded).toLatin1())
                  .toStdString(),
        Files() + "/" + name);
    EXPECT_EQ(Started[1], (QStringList{u"browser"_qs, ToQString(Files())}));

    ASSERT_EQ(Invoke(menu.Get(), IDM_COPYPATH), S_OK);
    const QMimeData *copied = QApplication::clipboard()->mimeData();
    ASSERT_TRUE(copied);
    EXPECT_TRUE(copied->text().startsWith(ToQString(Files() + "/caf\xC3\xA9 ")));
    EXPECT_EQ(copied->urls().size(), 1);

    // No application opens the type: the user is told and the call fails.
    Tree().File("home/files/plain.unknown-type");
    TComPtr<IContextMenu3> unknown = MenuOf(Files() + "/plain.unknown-type");
    QMenu unknownEntries;
    unknown->QueryContextMenu(&unknownEntries, 0, 1, 0x7FFF, CMF_NORMAL);
    EXPECT_EQ(Invoke(unknown.Get(), IDM_OPEN), E_FAIL);
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_TRUE(Dialogs.Messages[0].Text.contains(u"no application is set up to open items of type"))
        << Dialogs.Messages[0].Text.toStdString();
    EXPECT_EQ(Started.size(), 2u);
    EXPECT_EQ(Invoke(menu.Get(), IDM_RENAME), E_NOTIMPL) << "renaming is the caller's";
}

TEST_F(ShellMenu, OpenWithIsFilledWhenItOpensAndStartsTheProgramWithoutAShell)
{
    const char *dataDirs = std::getenv("XDG_DATA_DIRS");
    const std::string savedDirs = dataDirs ? dataDirs : "";
    // /usr/share stays for the MIME database; its applications may add entries.
    ::setenv("XDG_DATA_DIRS", (Tree().Path("system") + ":/usr/share").c_str(), 1);
    Tree().TextFile("system/applications/viewer.desktop",
        "[Desktop Entry]\nType=Application\nName=Viewer\nExec=viewer --open %f\nMimeType=inode/directory;\n");
    Tree().TextFile("system/applications/hidden.desktop",
        "[Desktop Entry]\nType=Application\nName=Hidden\nExec=hidden %f\nMimeType=inode/directory;\n");
    // The user's entry with the same id hides the system's.
    Tree().TextFile("home/.local/share/applications/hidden.desktop", "[Desktop Entry]\nHidden=true\n");
    Tree().TextFile("home/.local/share/applications/browse.desktop",
        "[Desktop Entry]\nType=Application\nName=Browse\nExec=\"/opt/my browser\" \"$HOME; rm -rf\" %U\n"
        "MimeType=text/plain;inode/directory\n");
    Tree().Folder("home/files/box");
    TComPtr<IContextMenu3> menu = MenuOf(Files() + "/box");
    QMenu entries;
    menu->QueryContextMenu(&entries, 0, 1, 0x7FFF, CMF_NORMAL);
    QMenu *openWith = nullptr;
    for (QAction *action : entries.actions()) {
        if (action->menu())
            openWith = action->menu();
    }
    ASSERT_TRUE(openWith);
    EXPECT_TRUE(openWith->actions().isEmpty()) << "filled only when it opens";

    LRESULT answer = -1;
    EXPECT_EQ(menu->HandleMenuMsg2(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(openWith), 0, &answer), S_OK);
    EXPECT_EQ(answer, 0);
    ::setenv("XDG_DATA_DIRS", savedDirs.c_str(), 1);
    QStringList names;
    for (const QAction *action : openWith->actions())
        names << action->text();
    EXPECT_FALSE(names.contains(u"Hidden"_qs));
    ASSERT_TRUE(names.contains(u"Viewer"_qs) && names.contains(u"Browse"_qs))
        << names.join(u',').toStdString();
    EXPECT_LT(names.indexOf(u"Browse"_qs), names.indexOf(u"Viewer"_qs));
    const UINT browse = openWith->actions()[names.indexOf(u"Browse"_qs)]->data().toUInt();
    const UINT viewer = openWith->actions()[names.indexOf(u"Viewer"_qs)]->data().toUInt();
    EXPECT_GE(browse, 1 + IDM_OPENWITHFIRST);
    EXPECT_EQ(Text(menu.Get(), browse - 1, GCS_HELPTEXTA), "Opens the item with Browse.");

    ASSERT_EQ(Invoke(menu.Get(), browse - 1), S_OK);
    ASSERT_EQ(Invoke(menu.Get(), viewer - 1), S_OK);
    ASSERT_EQ(Started.size(), 2u);
    const QString box = ToQString(Files() + "/box");
    EXPECT_EQ(Started[0],
        (QStringList{u"/opt/my browser"_qs, u"$HOME; rm -rf"_qs, QUrl::fromLocalFile(box).toString()}));
    EXPECT_EQ(Started[1], (QStringList{u"viewer"_qs, u"--open"_qs, box}));
}

TEST(ExecArguments, FieldCodesAndQuoting)
{
    const std::string path = "/tmp/a b";
    EXPECT_EQ(
        ExecArguments(u"app %F --x=%%f"_qs, path), (QStringList{u"app"_qs, u"/tmp/a b"_qs, u"--x=%f"_qs}));
    EXPECT_EQ(ExecArguments(u"app %i %c %k"_qs, path), (QStringList{u"app"_qs, u"/tmp/a b"_qs}))
        << "dropped codes; the path is appended when none takes it";
    EXPECT_EQ(ExecArguments(u"\"a \\\"q\\\" \\\\\" %u"_qs, path),
        (QStringList{u"a \"q\" \\"_qs, u"file:///tmp/a%20b"_qs}));
    EXPECT_TRUE(ExecArguments(u"\"unterminated %f"_qs, path).isEmpty());
    EXPECT_TRUE(ExecArguments(u"%f"_qs, path).size() == 1) << "the path itself as the program";
    EXPECT_TRUE(ExecArguments(u"  "_qs, path).isEmpty());
}

TEST_F(ShellMenu, PropertiesShowWithoutBlockingAndFailForAVanishedItem)
{
    Tree().File("home/files/a.txt", 1234);
    Tree().Chmod("home/files/a.txt", 0640);
    int error = -1;
    const std::vector<TPropertyRow> rows = ItemPropertyRows(Files() + "/a.txt", error);
    EXPECT_EQ(error, 0);
    ASSERT_EQ(rows.size(), 9u);
    EXPECT_EQ(rows[0].Value.toStdString(), Files() + "/a.txt");
    EXPECT_TRUE(rows[2].Value.contains(u"1,234 bytes") || rows[2].Value.contains(u"1234 bytes"))
        << rows[2].Value.toStdString();
    EXPECT_EQ(rows[6].Value, u"rw-r----- (0640)");

    TComPtr<IContextMenu3> menu = MenuOf(Files() + "/a.txt");
    QMenu entries;
    menu->QueryContextMenu(&entries, 0, 1, 0x7FFF, CMF_NORMAL);
    ASSERT_EQ(Invoke(menu.Get(), IDM_PROPERTIES), S_OK);
    QDialog *dialog = nullptr;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == u"ItemPropertiesDialog" && widget->isVisible())
            dialog = qobject_cast<QDialog *>(widget);
    }
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->windowTitle(), u"a.txt Properties");
    dialog->close();

    ::unlink((Files() + "/a.txt").c_str());
    EXPECT_EQ(Invoke(menu.Get(), IDM_PROPERTIES), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_TRUE(Dialogs.Messages[0].Text.contains(u"No such file or directory"));
}
