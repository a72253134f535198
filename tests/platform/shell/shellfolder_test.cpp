#include <algorithm>
#include <cstring>

#include <QLocale>

#include "platform/system/locale.h"
#include "shellfixture.h"

namespace {

constexpr DWORD AllItems = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN;

std::vector<std::string> Sorted(std::vector<std::string> names)
{
    std::sort(names.begin(), names.end());
    return names;
}

class ShellFolder : public TShellTest
{
protected:
    void SetUp() override
    {
        TShellTest::SetUp();
        Tree().Folder("data/sub/inner");
        Tree().Folder("data/empty");
        Tree().Folder("data/.hidden-dir");
        Tree().File("data/file.txt", 3);
        Tree().File("data/.hidden-file");
        Tree().Symlink("data/link-to-sub", "sub");
        Tree().Symlink("data/dangling", "nowhere");
        Tree().Fifo("data/pipe");
        m_folder = FolderAt(Tree().Path("data"));
        ASSERT_TRUE(m_folder);
    }
    void TearDown() override
    {
        m_folder.Reset();
        TShellTest::TearDown();
    }

    TIdList Item(const std::string &name) { return Parse(m_folder.Get(), name); }

    TComPtr<IShellFolder> m_folder;
};

TEST_F(ShellFolder, EnumeratesFoldersFilesAndHiddenEntriesAsAsked)
{
    EXPECT_EQ(Sorted(Names(m_folder.Get(), SHCONTF_FOLDERS)),
        (std::vector<std::string>{"empty", "link-to-sub", "sub"}));
    EXPECT_EQ(Sorted(Names(m_folder.Get(), SHCONTF_NONFOLDERS)),
        (std::vector<std::string>{"dangling", "file.txt", "pipe"}));
    EXPECT_EQ(Sorted(Names(m_folder.Get(), AllItems)),
        (std::vector<std::string>{
            ".hidden-dir", ".hidden-file", "dangling", "empty", "file.txt", "link-to-sub", "pipe", "sub"}));
    EXPECT_TRUE(Names(m_folder.Get(), SHCONTF_INCLUDEHIDDEN).empty());
}

TEST_F(ShellFolder, EnumeratorHandsOutSeveralItemsSkipsResetsAndClones)
{
    IEnumIDList *raw = nullptr;
    ASSERT_EQ(m_folder->EnumObjects(nullptr, AllItems, &raw), S_OK);
    const TComPtr<IEnumIDList> enumerator = TComPtr<IEnumIDList>::Adopt(raw);

    LPITEMIDLIST items[10] = {};
    ULONG fetched = 99;
    ASSERT_EQ(enumerator->Next(3, items, &fetched), S_OK);
    ASSERT_EQ(fetched, 3u);
    std::vector<TIdList> first;
    for (ULONG i = 0; i < fetched; ++i)
        first.emplace_back(items[i]);

    IEnumIDList *rawClone = nullptr;
    ASSERT_EQ(enumerator->Clone(&rawClone), S_OK);
    const TComPtr<IEnumIDList> clone = TComPtr<IEnumIDList>::Adopt(rawClone);
    EXPECT_EQ(enumerator->Skip(2), S_OK);
    ASSERT_EQ(enumerator->Next(10, items, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 3u); // 8 entries: 3 given, 2 skipped
    for (ULONG i = 0; i < fetched; ++i)
        TIdList owned(items[i]);
    EXPECT_EQ(enumerator->Skip(1), S_FALSE);

    // The clone goes on from where it was made; Reset starts over in the same order.
    TIdList fourth;
    ASSERT_EQ(clone->Next(1, fourth.Receive(), nullptr), S_OK);
    ASSERT_EQ(enumerator->Reset(), S_OK);
    TIdList again;
    ASSERT_EQ(enumerator->Next(1, again.Receive(), nullptr), S_OK);
    EXPECT_EQ(again.Bytes(), first[0].Bytes());
    EXPECT_NE(fourth.Bytes(), first[2].Bytes());
    EXPECT_EQ(enumerator->Next(2, items, nullptr), E_INVALIDARG);
}

TEST_F(ShellFolder, UnreadableFolderFailsWithoutEnumerator)
{
    Tree().Folder("data/locked/inside");
    Tree().Chmod("data/locked", 0);
    const TIdList locked = Item("locked");
    const TComPtr<IShellFolder> folder = Bind(m_folder.Get(), locked.Get());
    bool ran = Tree().AsUnprivilegedUser([&] {
        IEnumIDList *enumerator = reinterpret_cast<IEnumIDList *>(1);
        EXPECT_EQ(folder->EnumObjects(nullptr, AllItems, &enumerator), E_ACCESSDENIED);
        EXPECT_EQ(enumerator, nullptr);
    });
    Tree().Chmod("data/locked", 0755);
    if (!ran)
        GTEST_SKIP() << "cannot run as an unprivileged user";
}

TEST_F(ShellFolder, FolderGoneFailsWithPathNotFound)
{
    const TIdList empty = Item("empty");
    const TComPtr<IShellFolder> folder = Bind(m_folder.Get(), empty.Get());
    ASSERT_EQ(::rmdir(Tree().Path("data/empty").c_str()), 0);
    IEnumIDList *enumerator = nullptr;
    EXPECT_EQ(folder->EnumObjects(nullptr, AllItems, &enumerator), HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(enumerator, nullptr);
}

TEST_F(ShellFolder, AttributesOfFoldersFilesAndLinks)
{
    const SFGAOF sub = Attributes(m_folder.Get(), Item("sub").Get());
    EXPECT_EQ(sub,
        SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER | SFGAO_CANCOPY
            | SFGAO_CANMOVE | SFGAO_CANLINK | SFGAO_CANRENAME | SFGAO_CANDELETE | SFGAO_HASPROPSHEET
            | SFGAO_DROPTARGET);
    EXPECT_FALSE(Attributes(m_folder.Get(), Item("empty").Get()) & SFGAO_HASSUBFOLDER);

    const SFGAOF file = Attributes(m_folder.Get(), Item("file.txt").Get());
    EXPECT_EQ(file & (SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER | SFGAO_DROPTARGET), 0u);
    EXPECT_TRUE(file & SFGAO_FILESYSTEM);
    EXPECT_TRUE(file & SFGAO_CANRENAME);

    const SFGAOF link = Attributes(m_folder.Get(), Item("link-to-sub").Get());
    EXPECT_TRUE(link & SFGAO_LINK);
    EXPECT_TRUE(link & SFGAO_FOLDER);
    EXPECT_TRUE(link & SFGAO_HASSUBFOLDER); // through the link
    EXPECT_TRUE(Attributes(m_folder.Get(), Item("dangling").Get()) & SFGAO_LINK);
    EXPECT_FALSE(sub & SFGAO_LINK);

    // A folder whose only subfolder is reached through a link still has one.
    Tree().Folder("data/viaLink");
    Tree().Symlink("data/viaLink/up", "..");
    EXPECT_TRUE(Attributes(m_folder.Get(), Item("viaLink").Get()) & SFGAO_HASSUBFOLDER);
}

TEST_F(ShellFolder, AttributesAreCutToTheMaskAndShareNever)
{
    EXPECT_EQ(Attributes(m_folder.Get(), Item("sub").Get(), SFGAO_FOLDER | SFGAO_LINK), SFGAO_FOLDER);
    EXPECT_EQ(Attributes(m_folder.Get(), Item("sub").Get(), SFGAO_SHARE), 0u);
    EXPECT_EQ(Attributes(m_folder.Get(), Item(".hidden-dir").Get(), SFGAO_GHOSTED | SFGAO_FOLDER),
        SFGAO_GHOSTED | SFGAO_FOLDER);
    EXPECT_EQ(Attributes(m_folder.Get(), Item(".hidden-file").Get(), SFGAO_HIDDEN), SFGAO_HIDDEN);

    // Several items share what all of them have.
    const TIdList sub = Item("sub"), file = Item("file.txt");
    LPCITEMIDLIST both[] = {sub.Get(), file.Get()};
    SFGAOF shared = SFGAO_FOLDER | SFGAO_FILESYSTEM;
    ASSERT_EQ(m_folder->GetAttributesOf(2, both, &shared), S_OK);
    EXPECT_EQ(shared, SFGAO_FILESYSTEM);
}

TEST_F(ShellFolder, ReadOnlyAndParentPermissionsCountForTheUser)
{
    Tree().Folder("data/ro");
    Tree().File("data/ro/inside");
    const TIdList ro = Item("ro");
    const TComPtr<IShellFolder> roFolder = Bind(m_folder.Get(), ro.Get());
    const TIdList inside = Parse(roFolder.Get(), "inside");
    Tree().Chmod("data", 0777);
    Tree().Chmod("data/ro", 0555);
    Tree().Chmod("data/ro/inside", 0444);
    const bool ran = Tree().AsUnprivilegedUser([&] {
        SFGAOF validate = SFGAO_VALIDATE;
        EXPECT_EQ(m_folder->GetAttributesOf(0, nullptr, &validate), S_OK);
        const SFGAOF folder = Attributes(m_folder.Get(), ro.Get(), SFGAO_TREE_MASK | SFGAO_READONLY);
        EXPECT_TRUE(folder & SFGAO_READONLY);
        EXPECT_FALSE(folder & SFGAO_DROPTARGET);
        EXPECT_TRUE(folder & SFGAO_CANRENAME) << "its parent is writable";
        const SFGAOF file = Attributes(roFolder.Get(), inside.Get(), SFGAO_TREE_MASK | SFGAO_READONLY);
        EXPECT_TRUE(file & SFGAO_READONLY);
        EXPECT_FALSE(file & (SFGAO_CANRENAME | SFGAO_CANDELETE | SFGAO_CANMOVE));
        EXPECT_TRUE(file & SFGAO_CANCOPY);
    });
    Tree().Chmod("data/ro", 0755);
    if (!ran)
        GTEST_SKIP() << "cannot run as an unprivileged user";
}

TEST_F(ShellFolder, ValidateChecksThatItemsStillExist)
{
    const TIdList file = Item("file.txt");
    LPCITEMIDLIST items[] = {file.Get()};
    SFGAOF mask = SFGAO_VALIDATE | SFGAO_FILESYSTEM;
    EXPECT_EQ(m_folder->GetAttributesOf(1, items, &mask), S_OK);
    EXPECT_EQ(mask, SFGAO_FILESYSTEM);
    ASSERT_EQ(::unlink(Tree().Path("data/file.txt").c_str()), 0);
    mask = SFGAO_VALIDATE | SFGAO_FILESYSTEM;
    EXPECT_EQ(m_folder->GetAttributesOf(1, items, &mask), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
}

TEST_F(ShellFolder, DisplayNamesInAllThreeForms)
{
    const TIdList file = Item("file.txt");
    UINT type = 99;
    EXPECT_EQ(DisplayName(m_folder.Get(), file.Get(), SHGDN_NORMAL, &type), "file.txt");
    EXPECT_EQ(type, STRRET_OFFSET);
    EXPECT_EQ(DisplayName(m_folder.Get(), file.Get(), SHGDN_INFOLDER, &type), "file.txt");
    EXPECT_EQ(type, STRRET_OFFSET);
    EXPECT_EQ(DisplayName(m_folder.Get(), file.Get(), SHGDN_FORPARSING, &type), Tree().Path("data/file.txt"));
    EXPECT_EQ(type, STRRET_WSTR);
    EXPECT_EQ(DisplayName(m_folder.Get(), file.Get(), SHGDN_INFOLDER | SHGDN_FORPARSING), "file.txt");

    // Virtual items answer with their own text.
    const TComPtr<IShellFolder> desktop = Desktop();
    TIdList computer;
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, computer.Receive()), S_OK);
    EXPECT_EQ(DisplayName(desktop.Get(), computer.Get(), SHGDN_NORMAL, &type), "Computer");
    EXPECT_EQ(type, STRRET_CSTR);
    EXPECT_EQ(DisplayName(desktop.Get(), computer.Get(), SHGDN_FORPARSING, &type),
        "::{20D04FE0-3AEA-1069-A2D8-08002B30309D}");
    EXPECT_EQ(type, STRRET_WSTR);
}

TEST_F(ShellFolder, DisplayNamesOfDeepListsNameTheLastItem)
{
    // As the tree asks the desktop about a root it got from a path.
    const TComPtr<IShellFolder> desktop = Desktop();
    const TIdList inner = Parse(desktop.Get(), Tree().Path("data/sub/inner"));
    EXPECT_EQ(DisplayName(desktop.Get(), inner.Get(), SHGDN_NORMAL), "inner");
    EXPECT_EQ(DisplayName(desktop.Get(), inner.Get(), SHGDN_FORPARSING), Tree().Path("data/sub/inner"));
    EXPECT_EQ(Attributes(desktop.Get(), inner.Get(), SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_HASSUBFOLDER),
        SFGAO_FOLDER | SFGAO_FILESYSTEM);
}

TEST_F(ShellFolder, NamesThatAreNotUtf8SurviveEveryForm)
{
    const std::string odd = "caf\xE9-\xFF";
    Tree().File("data/" + odd);
    const TIdList item = Item(odd);
    ASSERT_TRUE(item);
    EXPECT_EQ(DisplayName(m_folder.Get(), item.Get(), SHGDN_NORMAL), odd);
    EXPECT_EQ(DisplayName(m_folder.Get(), item.Get(), SHGDN_FORPARSING), Tree().Path("data/" + odd));
    const std::vector<std::string> names = Names(m_folder.Get(), SHCONTF_NONFOLDERS);
    EXPECT_NE(std::find(names.begin(), names.end(), odd), names.end());
}

TEST_F(ShellFolder, CompareIdsPutsFoldersFirstThenNamesIgnoringCase)
{
    TLocale::Pin(QLocale(QLocale::English, QLocale::UnitedStates));
    Tree().File("data/B.txt");
    Tree().File("data/a.txt");
    Tree().Folder("data/Zeta");
    const auto order = [&](const std::string &a, const std::string &b) {
        const TIdList first = Item(a), second = Item(b);
        const HRESULT hr = m_folder->CompareIDs(0, first.Get(), second.Get());
        EXPECT_TRUE(SUCCEEDED(hr));
        return static_cast<int>(static_cast<std::int8_t>(hr & 0xFF));
    };
    EXPECT_EQ(order("Zeta", "a.txt"), -1);
    EXPECT_EQ(order("a.txt", "Zeta"), 1);
    EXPECT_EQ(order("a.txt", "B.txt"), -1);
    EXPECT_EQ(order("B.txt", "a.txt"), 1);
    EXPECT_EQ(order("sub", "sub"), 0);
    EXPECT_EQ(
        static_cast<std::uint16_t>(m_folder->CompareIDs(0, Item("B.txt").Get(), Item("a.txt").Get())), 1);
    EXPECT_EQ(static_cast<std::uint16_t>(m_folder->CompareIDs(0, Item("a.txt").Get(), Item("B.txt").Get())),
        0xFFFF);

    // Names equal but for case still differ, so only the same item compares equal.
    Tree().File("data/CASE");
    Tree().File("data/case");
    EXPECT_NE(order("CASE", "case"), 0);
    EXPECT_EQ(order("CASE", "case"), -order("case", "CASE"));
}

TEST_F(ShellFolder, CompareIdsOfParsedAndEnumeratedItemsAgree)
{
    const TComPtr<IShellFolder> desktop = Desktop();
    const TIdList parsed = Parse(desktop.Get(), Tree().Path("data/sub"));
    const TIdList deeper = Parse(desktop.Get(), Tree().Path("data/sub/inner"));
    EXPECT_EQ(desktop->CompareIDs(0, parsed.Get(), parsed.Get()), 0);
    EXPECT_EQ(static_cast<std::uint16_t>(desktop->CompareIDs(0, parsed.Get(), deeper.Get())), 0xFFFF);

    IEnumIDList *raw = nullptr;
    ASSERT_EQ(m_folder->EnumObjects(nullptr, SHCONTF_FOLDERS, &raw), S_OK);
    const TComPtr<IEnumIDList> enumerator = TComPtr<IEnumIDList>::Adopt(raw);
    const TIdList byName = Item("sub");
    int same = 0;
    TIdList item;
    while (enumerator->Next(1, item.Receive(), nullptr) == S_OK)
        same += m_folder->CompareIDs(0, item.Get(), byName.Get()) == 0;
    EXPECT_EQ(same, 1);
}

TEST_F(ShellFolder, BindsDeepListsAndRefusesFilesAndOtherInterfaces)
{
    const TComPtr<IShellFolder> desktop = Desktop();
    const TIdList inner = Parse(desktop.Get(), Tree().Path("data/sub"));
    const TComPtr<IShellFolder> sub = Bind(desktop.Get(), inner.Get());
    EXPECT_EQ(Names(sub.Get(), SHCONTF_FOLDERS), std::vector<std::string>{"inner"});

    void *object = reinterpret_cast<void *>(1);
    EXPECT_EQ(
        m_folder->BindToObject(Item("file.txt").Get(), nullptr, IID_IShellFolder, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(m_folder->BindToObject(Item("sub").Get(), nullptr, IID_IEnumIDList, &object), E_NOINTERFACE);
    EXPECT_EQ(m_folder->BindToStorage(Item("sub").Get(), nullptr, IID_IShellFolder, &object), E_NOTIMPL);
    EXPECT_EQ(m_folder->CreateViewObject(nullptr, IID_IShellFolder, &object), E_NOTIMPL);
    const TIdList sub2 = Item("sub");
    LPCITEMIDLIST items[] = {sub2.Get()};
    EXPECT_EQ(m_folder->GetUIObjectOf(nullptr, 1, items, IID_IShellFolder, nullptr, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
}

TEST_F(ShellFolder, ForeignOrMisplacedItemsAreRefused)
{
    // A volume item does not belong in a file-system folder, and bytes of no item of ours.
    TIdList computer;
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, computer.Receive()), S_OK);
    const std::uint8_t garbage[] = {6, 0, 0x99, 'x', 0, 0, 0, 0};
    const auto *foreign = reinterpret_cast<LPCITEMIDLIST>(garbage);
    STRRET name;
    EXPECT_EQ(m_folder->GetDisplayNameOf(computer.Get(), SHGDN_NORMAL, &name), E_INVALIDARG);
    EXPECT_EQ(m_folder->GetDisplayNameOf(foreign, SHGDN_NORMAL, &name), E_INVALIDARG);
    SFGAOF mask = SFGAO_TREE_MASK;
    EXPECT_EQ(m_folder->GetAttributesOf(1, &foreign, &mask), E_INVALIDARG);
    EXPECT_EQ(m_folder->CompareIDs(0, foreign, Item("sub").Get()), E_INVALIDARG);
    std::string path;
    EXPECT_FALSE(SHGetPathFromIDList(foreign, path));
}

} // namespace
