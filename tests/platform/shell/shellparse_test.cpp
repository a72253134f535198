#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "shellfixture.h"

namespace {

using ShellParse = TShellTest;

std::string PathOf(LPCITEMIDLIST list)
{
    std::string path;
    EXPECT_TRUE(SHGetPathFromIDList(list, path));
    return path;
}

// Makes folders below `root` until the path is longer than `length` bytes; mkdirat from
// the deepest folder reached, since the kernel refuses such paths whole.
std::string MakeDeepFolder(const std::string &root, std::size_t length, const std::string &component)
{
    std::string path = root;
    int dir = ::open(root.c_str(), O_PATH | O_DIRECTORY);
    while (path.size() <= length) {
        EXPECT_EQ(::mkdirat(dir, component.c_str(), 0755), 0);
        const int next = ::openat(dir, component.c_str(), O_PATH | O_DIRECTORY);
        ::close(dir);
        dir = next;
        path += "/" + component;
    }
    ::close(dir);
    return path;
}

TEST_F(ShellParse, AbsolutePathsGoThroughComputerAndComeBack)
{
    Tree().Folder("a/b");
    Tree().File("a/b/c.txt");
    const TComPtr<IShellFolder> desktop = Desktop();
    const std::string path = Tree().Path("a/b/c.txt");
    const TIdList list = Parse(desktop.Get(), path);
    TIdList computer;
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, computer.Receive()), S_OK);
    ASSERT_TRUE(list.Bytes().starts_with(computer.Bytes().substr(0, computer.Bytes().size() - 2)));
    EXPECT_EQ(PathOf(list.Get()), path);
    EXPECT_EQ(PathOf(Parse(desktop.Get(), "/").Get()), "/");
    // Empty and "." components change nothing.
    EXPECT_EQ(Parse(desktop.Get(), "//" + path.substr(1) + "/.").Bytes(), list.Bytes());
}

TEST_F(ShellParse, ReportsEatenCharactersAndAttributes)
{
    Tree().Folder("x/y");
    const TComPtr<IShellFolder> desktop = Desktop();
    const std::u16string name = WideFromSystem(Tree().Path("x"));
    ULONG eaten = 0;
    SFGAOF attributes = SFGAO_FOLDER | SFGAO_HASSUBFOLDER | SFGAO_LINK;
    TIdList list;
    ASSERT_EQ(
        desktop->ParseDisplayName(nullptr, nullptr, name.c_str(), &eaten, list.Receive(), &attributes), S_OK);
    EXPECT_EQ(eaten, name.size());
    EXPECT_EQ(attributes, SFGAO_FOLDER | SFGAO_HASSUBFOLDER);
}

TEST_F(ShellParse, MissingPathsFailWithTheWin32Codes)
{
    Tree().File("f");
    const TComPtr<IShellFolder> desktop = Desktop();
    HRESULT hr = S_OK;
    TIdList list = Parse(desktop.Get(), Tree().Path("missing"), &hr);
    EXPECT_EQ(hr, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(list);
    Parse(desktop.Get(), Tree().Path("missing/deeper"), &hr);
    EXPECT_EQ(hr, HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
    Parse(desktop.Get(), Tree().Path("f/under-a-file"), &hr);
    EXPECT_EQ(hr, HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
    Parse(desktop.Get(), Tree().Path("f/../f"), &hr);
    EXPECT_EQ(hr, HRESULT_FROM_WIN32(ERROR_INVALID_NAME));
    Parse(desktop.Get(), "", &hr);
    EXPECT_EQ(hr, E_INVALIDARG);
    TIdList out;
    EXPECT_EQ(
        desktop->ParseDisplayName(nullptr, nullptr, nullptr, nullptr, out.Receive(), nullptr), E_INVALIDARG);
}

TEST_F(ShellParse, RelativeAndContainedAbsolutePathsOnAFolder)
{
    Tree().Folder("root/one/two");
    const TComPtr<IShellFolder> root = FolderAt(Tree().Path("root"));
    const TIdList relative = Parse(root.Get(), "one/two");
    EXPECT_EQ(relative.ItemCount(), 2u);
    EXPECT_EQ(Parse(root.Get(), Tree().Path("root/one/two")).Bytes(), relative.Bytes());
    HRESULT hr = S_OK;
    Parse(root.Get(), Tree().Path("elsewhere"), &hr);
    EXPECT_EQ(hr, E_INVALIDARG);
    Parse(root.Get(), "../root", &hr);
    EXPECT_EQ(hr, HRESULT_FROM_WIN32(ERROR_INVALID_NAME));
    // A name relative to a folder equals the item its enumeration gives.
    EXPECT_EQ(root->CompareIDs(0, Parse(root.Get(), "one").Get(), Parse(root.Get(), "one/").Get()), 0);
}

TEST_F(ShellParse, DeepPathsRoundTrip)
{
    Tree().Folder("deep");
    const std::string deep = MakeDeepFolder(Tree().Path("deep"), 5000, std::string(60, 'd'));
    ASSERT_GT(deep.size(), 4096u);
    const TComPtr<IShellFolder> desktop = Desktop();
    const TIdList list = Parse(desktop.Get(), deep);
    ASSERT_TRUE(list);
    EXPECT_EQ(PathOf(list.Get()), deep);
    EXPECT_EQ(DisplayName(desktop.Get(), list.Get(), SHGDN_FORPARSING), deep);
    EXPECT_EQ(DisplayName(desktop.Get(), list.Get(), SHGDN_NORMAL), std::string(60, 'd'));
    EXPECT_TRUE(Attributes(desktop.Get(), list.Get(), SFGAO_FOLDER | SFGAO_FILESYSTEM) & SFGAO_FILESYSTEM);

    // The deepest folder can be listed, its items named and renamed.
    const TComPtr<IShellFolder> folder = Bind(desktop.Get(), list.Get());
    EXPECT_TRUE(Names(folder.Get(), SHCONTF_FOLDERS | SHCONTF_NONFOLDERS).empty());
    const std::string parent = deep.substr(0, deep.rfind('/'));
    const TComPtr<IShellFolder> up = Bind(desktop.Get(), Parse(desktop.Get(), parent).Get());
    EXPECT_EQ(Names(up.Get(), SHCONTF_FOLDERS), std::vector<std::string>{std::string(60, 'd')});
}

TEST_F(ShellParse, NamesThatAreNotUtf8RoundTrip)
{
    const std::string odd = "\xE9t\xE9/\xC3(";
    Tree().Folder(odd);
    const TComPtr<IShellFolder> desktop = Desktop();
    const TIdList list = Parse(desktop.Get(), Tree().Path(odd));
    ASSERT_TRUE(list);
    EXPECT_EQ(PathOf(list.Get()), Tree().Path(odd));
    EXPECT_EQ(DisplayName(desktop.Get(), list.Get(), SHGDN_NORMAL), "\xC3(");
    // The wide parsing name parses back to the same list.
    EXPECT_EQ(
        Parse(desktop.Get(), DisplayName(desktop.Get(), list.Get(), SHGDN_FORPARSING)).Bytes(), list.Bytes());
}

TEST_F(ShellParse, LongestMountPointGivesTheVolume)
{
    Tree().Folder("media/user/USB Stick/docs");
    Tree().Folder("mnt/data/inner");
    SetVolumes({Tree().Path("media/user/USB Stick"), Tree().Path("mnt/data"), Tree().Path("elsewhere/x")});
    const TComPtr<IShellFolder> desktop = Desktop();
    const TIdList list = Parse(desktop.Get(), Tree().Path("media/user/USB Stick/docs"));
    ASSERT_EQ(list.ItemCount(), 3u); // Computer, the volume, docs
    EXPECT_EQ(PathOf(list.Get()), Tree().Path("media/user/USB Stick/docs"));
    EXPECT_TRUE(Attributes(desktop.Get(), list.Get(), SFGAO_REMOVABLE) & SFGAO_REMOVABLE);

    const TIdList fixed = Parse(desktop.Get(), Tree().Path("mnt/data/inner"));
    EXPECT_EQ(fixed.ItemCount(), 3u);
    EXPECT_FALSE(Attributes(desktop.Get(), fixed.Get(), SFGAO_REMOVABLE));

    // Not below a known root: through "/".
    Tree().Folder("elsewhere/x");
    EXPECT_GT(Parse(desktop.Get(), Tree().Path("elsewhere/x")).ItemCount(), 3u);
}

TEST_F(ShellParse, VirtualParsingNamesParseBack)
{
    SetPrinters({"Office_Laser"});
    const TComPtr<IShellFolder> desktop = Desktop();
    TIdList printers;
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_PRINTERS, printers.Receive()), S_OK);
    const std::string name = DisplayName(desktop.Get(), printers.Get(), SHGDN_FORPARSING);
    EXPECT_EQ(Parse(desktop.Get(), name).Bytes(), printers.Bytes());

    const TComPtr<IShellFolder> folder = Bind(desktop.Get(), printers.Get());
    const TIdList queue = Parse(folder.Get(), "Office_Laser");
    EXPECT_EQ(DisplayName(folder.Get(), queue.Get(), SHGDN_NORMAL), "Office_Laser");
    EXPECT_EQ(Parse(desktop.Get(), name + "/Office_Laser").ItemCount(), 4u);
    HRESULT hr = S_OK;
    Parse(folder.Get(), "No_Such_Queue", &hr);
    EXPECT_EQ(hr, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
}

} // namespace
