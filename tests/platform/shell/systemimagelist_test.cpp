#include <QFileInfo>

#include "platform/ui/systemimagelist.h"
#include "shellfixture.h"

namespace {

using SystemImageList = TShellTest;

constexpr UINT SmallIcon = SHGFI_SYSICONINDEX | SHGFI_PIDL | SHGFI_SMALLICON; // 0x4009
constexpr UINT OpenIcon = SmallIcon | SHGFI_OPENICON; // 0x400B

int IconOf(LPCITEMIDLIST list, UINT flags = SmallIcon)
{
    SHFILEINFO info{};
    info.iIcon = -7;
    const DWORD_PTR result = SHGetFileInfo(list, 0, &info, sizeof info, flags);
    return result == 0 ? -1 : info.iIcon;
}

TEST_F(SystemImageList, GivesTheListForAnEmptyPath)
{
    const DWORD_PTR list = SHGetFileInfo(nullptr, 0, nullptr, sizeof(SHFILEINFO), 0x4001);
    EXPECT_EQ(list, reinterpret_cast<DWORD_PTR>(&TSystemImageList::Instance()));
    EXPECT_EQ(SHGetFileInfo(reinterpret_cast<LPCITEMIDLIST>(""), 0, nullptr, 0, 0x4000), list);
    EXPECT_EQ(SHGetFileInfo(nullptr, 0, nullptr, 0, 0), 0u);
}

TEST_F(SystemImageList, IndexesFollowTheKindAndStayStable)
{
    Tree().Folder("f/g");
    Tree().File("f/a.txt");
    Tree().File("f/b.txt");
    Tree().File("f/c.png");
    const TComPtr<IShellFolder> desktop = Desktop();
    const TIdList folder = Parse(desktop.Get(), Tree().Path("f/g"));
    const TIdList a = Parse(desktop.Get(), Tree().Path("f/a.txt"));
    const TIdList b = Parse(desktop.Get(), Tree().Path("f/b.txt"));
    const TIdList png = Parse(desktop.Get(), Tree().Path("f/c.png"));

    EXPECT_EQ(IconOf(folder.Get()), TSystemImageList::siFolder);
    EXPECT_EQ(IconOf(folder.Get(), OpenIcon), TSystemImageList::siFolderOpen);
    const int text = IconOf(a.Get());
    EXPECT_GE(text, TSystemImageList::siStockCount);
    EXPECT_EQ(IconOf(b.Get()), text);
    EXPECT_EQ(IconOf(b.Get(), OpenIcon), text);
    EXPECT_NE(IconOf(png.Get()), text);
    EXPECT_EQ(IconOf(a.Get()), text) << "asked again, after another type was added";
    EXPECT_EQ(TSystemImageList::Instance().IconName(text), QStringLiteral("text-plain"));

    TIdList special;
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, special.Receive()), S_OK);
    EXPECT_EQ(IconOf(special.Get()), TSystemImageList::siDesktop);
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, special.Receive()), S_OK);
    EXPECT_EQ(IconOf(special.Get()), TSystemImageList::siComputer);
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_PRINTERS, special.Receive()), S_OK);
    EXPECT_EQ(IconOf(special.Get()), TSystemImageList::siPrinter);
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_BITBUCKET, special.Receive()), S_OK);
    EXPECT_EQ(IconOf(special.Get()), TSystemImageList::siTrash);
    Tree().File("home/.local/share/Trash/files/x");
    EXPECT_EQ(IconOf(special.Get()), TSystemImageList::siTrashFull);
    EXPECT_EQ(IconOf(Parse(desktop.Get(), "/").Get()), TSystemImageList::siDrive);
}

TEST_F(SystemImageList, NothingForMissingItemsOrForeignLists)
{
    Tree().File("gone.txt");
    const TComPtr<IShellFolder> desktop = Desktop();
    const TIdList gone = Parse(desktop.Get(), Tree().Path("gone.txt"));
    ASSERT_EQ(::unlink(Tree().Path("gone.txt").c_str()), 0);
    EXPECT_EQ(IconOf(gone.Get()), -1);
    const std::uint8_t garbage[] = {5, 0, 0x01, 0, 0, 0, 0};
    EXPECT_EQ(IconOf(reinterpret_cast<LPCITEMIDLIST>(garbage)), -1);
    EXPECT_EQ(IconOf(nullptr), -1);
}

TEST_F(SystemImageList, IconsAreNeverNull)
{
    TSystemImageList &list = TSystemImageList::Instance();
    list.MimeTypeIndex(QStringLiteral("application/x-no-theme-has-this-icon"));
    const int made = list.MimeTypeIndex(QStringLiteral("application/pdf"));
    for (int index = 0; index < list.Count(); ++index)
        EXPECT_FALSE(list.Icon(index).isNull()) << list.IconName(index).toStdString();
    EXPECT_FALSE(list.Icon(-1).isNull());
    EXPECT_FALSE(list.Icon(list.Count() + 10).isNull());
    EXPECT_EQ(list.MimeTypeIndex(QStringLiteral("application/pdf")), made);
    EXPECT_FALSE(list.Icon(TSystemImageList::siFolder).pixmap(16, 16).isNull());
    // With a freedesktop theme installed, the icons come from it, not from the fallbacks.
    if (QFileInfo::exists(QStringLiteral("/usr/share/icons/Adwaita/index.theme"))) {
        EXPECT_EQ(list.Icon(TSystemImageList::siFolder).name(), QStringLiteral("folder"));
    }
}

} // namespace
