#include "shellfixture.h"

namespace {

using ShellSpecial = TShellTest;

// The path of a special folder, or "" when the call fails (with a null list).
std::string SpecialPath(int csidl, HRESULT *result = nullptr)
{
    TIdList list;
    const HRESULT hr = SHGetSpecialFolderLocation(nullptr, csidl, list.Receive());
    if (result)
        *result = hr;
    if (FAILED(hr)) {
        EXPECT_FALSE(list);
        return {};
    }
    std::string path;
    SHGetPathFromIDList(list.Get(), path);
    return path;
}

TEST_F(ShellSpecial, DesktopHoldsHomeComputerTrashAndTheDesktopFolder)
{
    const TComPtr<IShellFolder> desktop = Desktop();
    const DWORD all = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS;
    EXPECT_EQ(Names(desktop.Get(), all), (std::vector<std::string>{"home", "Computer", "Trash"}));

    Tree().Folder("home/Desktop/project");
    Tree().File("home/Desktop/readme.txt");
    Tree().File("home/Desktop/.secret");
    EXPECT_EQ(Names(desktop.Get(), all).size(), 5u);
    EXPECT_EQ(Names(desktop.Get(), all | SHCONTF_INCLUDEHIDDEN).size(), 6u);
    EXPECT_EQ(Names(desktop.Get(), SHCONTF_NONFOLDERS), std::vector<std::string>{"readme.txt"});

    // The desktop folder named in user-dirs.dirs replaces ~/Desktop.
    Tree().Folder("home/Bureau/ici");
    WriteUserDirs("# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Bureau\"\n");
    const std::vector<std::string> names = Names(desktop.Get(), SHCONTF_FOLDERS);
    EXPECT_EQ(names, (std::vector<std::string>{"home", "Computer", "Trash", "ici"}));
    std::string path;
    EXPECT_TRUE(SHGetPathFromIDList(Parse(desktop.Get(), "ici").Get(), path));
    EXPECT_EQ(path, Home() + "/Bureau/ici");
}

TEST_F(ShellSpecial, DesktopItemsSortInTheirFixedOrderFirst)
{
    Tree().Folder("home/Desktop/Aardvark");
    const TComPtr<IShellFolder> desktop = Desktop();
    IEnumIDList *raw = nullptr;
    ASSERT_EQ(desktop->EnumObjects(nullptr, SHCONTF_FOLDERS, &raw), S_OK);
    const TComPtr<IEnumIDList> enumerator = TComPtr<IEnumIDList>::Adopt(raw);
    std::vector<TIdList> items;
    TIdList item;
    while (enumerator->Next(1, item.Receive(), nullptr) == S_OK)
        items.push_back(std::move(item));
    ASSERT_EQ(items.size(), 4u);
    for (std::size_t i = 0; i + 1 < items.size(); ++i)
        EXPECT_EQ(
            static_cast<std::uint16_t>(desktop->CompareIDs(0, items[i].Get(), items[i + 1].Get())), 0xFFFF);
}

TEST_F(ShellSpecial, HomeAndDesktopAttributesAndNames)
{
    const TComPtr<IShellFolder> desktop = Desktop();
    const TIdList home = Parse(desktop.Get(), "::{20D04FE0-3AEA-1069-A2D8-08002B30309D}");
    EXPECT_EQ(home.ItemCount(), 1u);
    TIdList empty;
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, empty.Receive()), S_OK);
    EXPECT_EQ(empty.Bytes(), std::string(2, '\0'));
    EXPECT_EQ(DisplayName(desktop.Get(), empty.Get(), SHGDN_NORMAL), "Desktop");
    EXPECT_EQ(Attributes(desktop.Get(), empty.Get(), SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_FILESYSTEM),
        SFGAO_FOLDER | SFGAO_FILESYSANCESTOR);
    std::string path;
    EXPECT_FALSE(SHGetPathFromIDList(empty.Get(), path)) << "no desktop folder yet";
    Tree().Folder("home/Desktop");
    EXPECT_TRUE(SHGetPathFromIDList(empty.Get(), path));
    EXPECT_EQ(path, Home() + "/Desktop");

    IEnumIDList *raw = nullptr;
    ASSERT_EQ(desktop->EnumObjects(nullptr, SHCONTF_FOLDERS, &raw), S_OK);
    const TComPtr<IEnumIDList> enumerator = TComPtr<IEnumIDList>::Adopt(raw);
    TIdList homeItem;
    ASSERT_EQ(enumerator->Next(1, homeItem.Receive(), nullptr), S_OK);
    UINT type = 0;
    EXPECT_EQ(DisplayName(desktop.Get(), homeItem.Get(), SHGDN_NORMAL, &type), "home");
    EXPECT_EQ(type, STRRET_OFFSET);
    EXPECT_EQ(DisplayName(desktop.Get(), homeItem.Get(), SHGDN_FORPARSING), Home());
    EXPECT_TRUE(SHGetPathFromIDList(homeItem.Get(), path));
    EXPECT_EQ(path, Home());
    const SFGAOF attributes = Attributes(desktop.Get(), homeItem.Get());
    EXPECT_TRUE(attributes & SFGAO_FILESYSTEM);
    EXPECT_TRUE(attributes & SFGAO_HASSUBFOLDER);
    EXPECT_FALSE(attributes & SFGAO_CANRENAME);
}

TEST_F(ShellSpecial, ComputerHoldsRootVolumesAndControlPanel)
{
    Tree().Folder("media/user/STICK");
    Tree().Folder("mnt/backup");
    SetVolumes({Tree().Path("media/user/STICK"), Tree().Path("mnt/backup"), Tree().Path("media/user/STICK")});
    SetPrinters({"Laser", "Inkjet"});
    const TComPtr<IShellFolder> desktop = Desktop();
    TIdList computerList;
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, computerList.Receive()), S_OK);
    const TComPtr<IShellFolder> computer = Bind(desktop.Get(), computerList.Get());
    EXPECT_EQ(Names(computer.Get(), SHCONTF_FOLDERS | SHCONTF_NONFOLDERS),
        (std::vector<std::string>{"/", "STICK", "backup", "Control Panel"}));
    std::string path;
    EXPECT_FALSE(SHGetPathFromIDList(computerList.Get(), path));

    TIdList printersList;
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_PRINTERS, printersList.Receive()), S_OK);
    const TComPtr<IShellFolder> printers = Bind(desktop.Get(), printersList.Get());
    EXPECT_EQ(Names(printers.Get(), SHCONTF_NONFOLDERS), (std::vector<std::string>{"Laser", "Inkjet"}));
    EXPECT_TRUE(Names(printers.Get(), SHCONTF_FOLDERS).empty());
    EXPECT_FALSE(SHGetPathFromIDList(printersList.Get(), path));
    EXPECT_EQ(Attributes(desktop.Get(), printersList.Get(), SFGAO_TREE_MASK), SFGAO_FOLDER);

    TIdList controls;
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_CONTROLS, controls.Receive()), S_OK);
    EXPECT_EQ(Attributes(desktop.Get(), controls.Get(), SFGAO_TREE_MASK), SFGAO_FOLDER | SFGAO_HASSUBFOLDER);
    EXPECT_EQ(Attributes(desktop.Get(), computerList.Get(), SFGAO_TREE_MASK),
        SFGAO_FOLDER | SFGAO_HASSUBFOLDER | SFGAO_FILESYSANCESTOR);
}

TEST_F(ShellSpecial, TrashIsVirtualUntilItsFolderExists)
{
    const TComPtr<IShellFolder> desktop = Desktop();
    TIdList trash;
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_BITBUCKET, trash.Receive()), S_OK);
    std::string path;
    EXPECT_FALSE(SHGetPathFromIDList(trash.Get(), path));
    EXPECT_EQ(Attributes(desktop.Get(), trash.Get()), SFGAO_FOLDER);
    const TComPtr<IShellFolder> empty = Bind(desktop.Get(), trash.Get());
    EXPECT_TRUE(Names(empty.Get(), SHCONTF_FOLDERS | SHCONTF_NONFOLDERS).empty());

    Tree().File("home/.local/share/Trash/files/thrown.txt");
    EXPECT_TRUE(SHGetPathFromIDList(trash.Get(), path));
    EXPECT_EQ(path, Home() + "/.local/share/Trash/files");
    EXPECT_TRUE(Attributes(desktop.Get(), trash.Get()) & SFGAO_FILESYSTEM);
    EXPECT_EQ(Names(empty.Get(), SHCONTF_NONFOLDERS), std::vector<std::string>{"thrown.txt"});
    EXPECT_EQ(DisplayName(desktop.Get(), trash.Get(), SHGDN_NORMAL), "Trash");
}

TEST_F(ShellSpecial, FoldersOnDiskResolveOnlyWhenTheyExist)
{
    struct TCase
    {
        int Csidl;
        const char *Folder; // relative to the tree's home
    };
    const TCase cases[] = {
        {CSIDL_DESKTOPDIRECTORY, "Desktop"},
        {CSIDL_TEMPLATES, "Templates"},
        {CSIDL_PROGRAMS, ".local/share/applications"},
        {CSIDL_STARTMENU, ".local/share/applications"},
        {CSIDL_STARTUP, ".config/autostart"},
        {CSIDL_FONTS, ".local/share/fonts"},
        {CSIDL_RECENT, ".local/share/RecentDocuments"},
        {CSIDL_SENDTO, ".local/share/nautilus/scripts"},
    };
    HRESULT hr = S_OK;
    for (const TCase &test : cases) {
        EXPECT_EQ(SpecialPath(test.Csidl, &hr), "");
        EXPECT_EQ(hr, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)) << test.Csidl;
    }
    for (const TCase &test : cases)
        Tree().Folder(std::string("home/") + test.Folder);
    for (const TCase &test : cases)
        EXPECT_EQ(SpecialPath(test.Csidl), Home() + "/" + test.Folder) << test.Csidl;
    SpecialPath(CSIDL_FAVORITES, &hr);
    EXPECT_EQ(hr, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    SpecialPath(0x7F, &hr);
    EXPECT_EQ(hr, E_INVALIDARG);
    EXPECT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, nullptr), E_INVALIDARG);
}

TEST_F(ShellSpecial, NetworkAndFontsFallBack)
{
    HRESULT hr = S_OK;
    SpecialPath(CSIDL_NETWORK, &hr);
    EXPECT_TRUE(FAILED(hr));
    Tree().Folder("run/gvfs");
    EXPECT_EQ(SpecialPath(CSIDL_NETWORK), Tree().Path("run/gvfs"));
    EXPECT_EQ(SpecialPath(CSIDL_NETHOOD), Tree().Path("run/gvfs"));
    Tree().Folder("home/.fonts");
    EXPECT_EQ(SpecialPath(CSIDL_FONTS), Home() + "/.fonts");
}

TEST_F(ShellSpecial, DocumentsFollowUserDirsThenHome)
{
    EXPECT_EQ(SpecialPath(CSIDL_PERSONAL), Home());
    Tree().Folder("home/Documents");
    EXPECT_EQ(SpecialPath(CSIDL_PERSONAL), Home() + "/Documents");
    Tree().Folder("home/Mes documents");
    Tree().Folder("elsewhere/Modeles");
    WriteUserDirs("XDG_DOCUMENTS_DIR=\"$HOME/Mes documents\"\n"
                  "  XDG_TEMPLATES_DIR=\""
        + Tree().Path("elsewhere/Modeles")
        + "/\"\n"
          "XDG_DESKTOP_DIR=relative/ignored\n");
    EXPECT_EQ(SpecialPath(CSIDL_PERSONAL), Home() + "/Mes documents");
    EXPECT_EQ(SpecialPath(CSIDL_TEMPLATES), Tree().Path("elsewhere/Modeles"));

    // XDG_CONFIG_HOME is read at each call.
    Tree().Folder("other-config");
    ::setenv("XDG_CONFIG_HOME", Tree().Path("other-config").c_str(), 1);
    EXPECT_EQ(SpecialPath(CSIDL_PERSONAL), Home() + "/Documents");
}

} // namespace
