// The caches and shortcuts that keep large folders fast give the answers the plain
// computations give: kept sort keys, both icon indexes from one look, attribute checks
// made through the opened holding folder.

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <QLocale>

#include "platform/system/locale.h"
#include "platform/system/qtext.h"
#include "platform/ui/systemimagelist.h"
#include "shellfixture.h"

namespace {

int Sign(int value)
{
    return (value > 0) - (value < 0);
}

// Names of the kinds a folder holds: ASCII punctuation, digits and both cases, accented
// letters, and bytes that are not UTF-8.
std::vector<std::string> RandomNames(std::size_t count, unsigned seed)
{
    static const std::vector<std::string> pieces = {"a", "A", "b", "B", "z", "Z", "0", "1", "9", "-", "_",
        ".", " ", "~", "!", "#", "(", "[", "{", "+", "=", ",", ";", "'", "@", "é", "É", "ä", "Ä", "ö", "ß",
        "œ", "ø", "å", "ch", "ll", "\xff", "\xc3", "日本", "x10", "x2"};
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::size_t> length(1, 8), piece(0, pieces.size() - 1);
    std::vector<std::string> names;
    names.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        std::string name;
        for (std::size_t n = length(random); n > 0; --n)
            name += pieces[piece(random)];
        names.push_back(std::move(name));
    }
    return names;
}

int PlainOrder(const TLocale &locale, const std::string &a, const std::string &b)
{
    return Sign(locale.CompareText(ToQString(a), ToQString(b)));
}

TEST(SortKeyCache, KeptKeysOrderLikeTheCollator)
{
    for (const char *name : {"en_US", "de_DE", "sv_SE", "cs_CZ", "C"}) {
        const TLocale locale{QLocale(QLatin1String(name))};
        const std::vector<std::string> names = RandomNames(3000, 7);
        for (std::size_t i = 0; i + 1 < names.size(); ++i) {
            const std::string &a = names[i], &b = names[(i * 7919 + 13) % names.size()];
            ASSERT_EQ(Sign(locale.CompareUtf8Text(a, b)), PlainOrder(locale, a, b))
                << name << ": " << a << " / " << b;
            // Asked again, from the kept keys, and the other way round.
            ASSERT_EQ(Sign(locale.CompareUtf8Text(a, b)), PlainOrder(locale, a, b)) << name;
            ASSERT_EQ(Sign(locale.CompareUtf8Text(b, a)), PlainOrder(locale, b, a)) << name;
        }
    }
}

TEST(SortKeyCache, OrderHoldsWhenMoreNamesThanAreKeptGoThrough)
{
    const TLocale locale{QLocale(QStringLiteral("en_US"))};
    // Well over two generations of kept keys, so the oldest are let go and computed again.
    const std::vector<std::string> names = RandomNames(80000, 11);
    for (std::size_t i = 0; i < names.size(); ++i)
        locale.CompareUtf8Text(names[i], names[(i + 1) % names.size()]);
    std::mt19937 random(3);
    std::uniform_int_distribution<std::size_t> pick(0, names.size() - 1);
    for (int i = 0; i < 5000; ++i) {
        const std::string &a = names[pick(random)], &b = names[pick(random)];
        ASSERT_EQ(Sign(locale.CompareUtf8Text(a, b)), PlainOrder(locale, a, b)) << a << " / " << b;
    }
}

TEST(SortKeyCache, CaseAndLocaleStillDecide)
{
    const TLocale german{QLocale(QStringLiteral("de_DE"))};
    const TLocale swedish{QLocale(QStringLiteral("sv_SE"))};
    EXPECT_EQ(german.CompareUtf8Text("Readme", "README"), 0);
    EXPECT_EQ(german.CompareUtf8Text("readme", "README"), 0);
    // The same texts, kept by each locale, keep each locale's order: 'ä' goes with 'a' in
    // German and after 'z' in Swedish.
    EXPECT_LT(german.CompareUtf8Text("äb", "z"), 0);
    EXPECT_GT(swedish.CompareUtf8Text("äb", "z"), 0);
    EXPECT_LT(german.CompareUtf8Text("äb", "z"), 0);
}

class ShellSpeed : public TShellTest
{
protected:
    void TearDown() override
    {
        TLocale::Pin(QLocale(QLocale::English, QLocale::UnitedStates));
        TShellTest::TearDown();
    }

    int Order(IShellFolder *folder, LPCITEMIDLIST a, LPCITEMIDLIST b)
    {
        const HRESULT hr = folder->CompareIDs(0, a, b);
        EXPECT_TRUE(SUCCEEDED(hr));
        return static_cast<int>(static_cast<std::int8_t>(hr & 0xFF));
    }
};

TEST_F(ShellSpeed, NamesEqualButForCaseOrderByTheirBytesEveryTime)
{
    TLocale::Pin(QLocale(QLocale::English, QLocale::UnitedStates));
    Tree().File("f/readme");
    Tree().File("f/README");
    Tree().File("f/Readme.txt");
    const TComPtr<IShellFolder> folder = FolderAt(Tree().Path("f"));
    const TIdList lower = Parse(folder.Get(), "readme"), upper = Parse(folder.Get(), "README");
    const TIdList longer = Parse(folder.Get(), "Readme.txt");
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(Order(folder.Get(), upper.Get(), lower.Get()), -1);
        EXPECT_EQ(Order(folder.Get(), lower.Get(), upper.Get()), 1);
        EXPECT_EQ(Order(folder.Get(), lower.Get(), lower.Get()), 0);
        EXPECT_EQ(Order(folder.Get(), lower.Get(), longer.Get()), -1);
        EXPECT_EQ(Order(folder.Get(), longer.Get(), upper.Get()), 1);
    }
}

TEST_F(ShellSpeed, AnotherLocaleGivesItsOwnOrder)
{
    Tree().File("f/äb");
    Tree().File("f/z");
    const TComPtr<IShellFolder> folder = FolderAt(Tree().Path("f"));
    const TIdList umlaut = Parse(folder.Get(), "äb"), zed = Parse(folder.Get(), "z");
    TLocale::Pin(QLocale(QStringLiteral("de_DE")));
    EXPECT_EQ(Order(folder.Get(), umlaut.Get(), zed.Get()), -1);
    TLocale::Pin(QLocale(QStringLiteral("sv_SE")));
    EXPECT_EQ(Order(folder.Get(), umlaut.Get(), zed.Get()), 1);
    TLocale::Pin(QLocale(QStringLiteral("de_DE")));
    EXPECT_EQ(Order(folder.Get(), umlaut.Get(), zed.Get()), -1);
}

TEST_F(ShellSpeed, RenamedItemTakesItsNewPlace)
{
    TLocale::Pin(QLocale(QLocale::English, QLocale::UnitedStates));
    Tree().File("f/b.txt");
    Tree().File("f/c.txt");
    const TComPtr<IShellFolder> folder = FolderAt(Tree().Path("f"));
    const TIdList b = Parse(folder.Get(), "b.txt");
    TIdList c = Parse(folder.Get(), "c.txt");
    EXPECT_EQ(Order(folder.Get(), b.Get(), c.Get()), -1);
    TIdList renamed;
    ASSERT_EQ(folder->SetNameOf(nullptr, c.Get(), u"A.txt", SHGDN_INFOLDER, renamed.Receive()), S_OK);
    EXPECT_EQ(Order(folder.Get(), renamed.Get(), b.Get()), -1);
    EXPECT_EQ(Order(folder.Get(), b.Get(), renamed.Get()), 1);
    EXPECT_EQ(Order(folder.Get(), b.Get(), c.Get()), -1) << "the old list keeps the old name";
}

TEST_F(ShellSpeed, BothIconIndexesFromOneLookMatchSHGetFileInfo)
{
    Tree().Folder("f/folder");
    Tree().File("f/text.txt");
    Tree().File("f/picture.png");
    Tree().File("f/unknown.zzqq");
    Tree().Symlink("f/link-to-folder", "folder");
    Tree().Symlink("f/dangling", "nowhere");
    Tree().Fifo("f/pipe");
    Tree().File("f/gone.txt");
    const TComPtr<IShellFolder> desktop = Desktop();
    std::vector<TIdList> lists;
    for (const char *name : {"folder", "text.txt", "picture.png", "unknown.zzqq", "link-to-folder",
             "dangling", "pipe", "gone.txt"})
        lists.push_back(Parse(desktop.Get(), Tree().Path(std::string("f/") + name)));
    for (const int csidl : {CSIDL_DESKTOP, CSIDL_DRIVES, CSIDL_PRINTERS, CSIDL_BITBUCKET}) {
        TIdList special;
        ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, csidl, special.Receive()), S_OK);
        lists.push_back(std::move(special));
    }
    lists.push_back(Parse(desktop.Get(), "/"));
    ASSERT_EQ(::unlink(Tree().Path("f/gone.txt").c_str()), 0);

    constexpr UINT Small = SHGFI_SYSICONINDEX | SHGFI_PIDL | SHGFI_SMALLICON;
    const auto viaFileInfo = [](LPCITEMIDLIST list, UINT flags) {
        SHFILEINFO info{};
        return SHGetFileInfo(list, 0, &info, sizeof info, flags) == 0 ? -1 : info.iIcon;
    };
    for (const TIdList &list : lists) {
        ASSERT_TRUE(list);
        int normal = -5, open = -5;
        const bool found = ItemIconIndexes(list.Get(), normal, open);
        EXPECT_EQ(normal, viaFileInfo(list.Get(), Small));
        EXPECT_EQ(open, viaFileInfo(list.Get(), Small | SHGFI_OPENICON));
        EXPECT_EQ(found, normal >= 0);
    }
    int normal = 0, open = 0;
    EXPECT_FALSE(ItemIconIndexes(nullptr, normal, open));
    EXPECT_EQ(normal, -1);
    EXPECT_EQ(open, -1);
}

TEST_F(ShellSpeed, MimeTypeIndexesAreKeptAlike)
{
    TSystemImageList &list = TSystemImageList::Instance();
    const int text = list.MimeTypeIndex(QStringLiteral("text/plain"));
    EXPECT_GE(text, TSystemImageList::siStockCount);
    EXPECT_EQ(list.MimeTypeIndex(QStringLiteral("text/plain")), text);
    EXPECT_EQ(list.IconName(text), QStringLiteral("text-plain"));
    EXPECT_EQ(list.MimeTypeIndex(QStringLiteral("application/octet-stream")), TSystemImageList::siFile);
    EXPECT_EQ(list.MimeTypeIndex(QStringLiteral("no/such-type")), TSystemImageList::siFile);
    EXPECT_EQ(list.MimeTypeIndex(QStringLiteral("no/such-type")), TSystemImageList::siFile);
}

TEST_F(ShellSpeed, AttributesThroughTheOpenedFolderMatchThoseByPath)
{
    Tree().Folder("f/with-sub/inner");
    Tree().Folder("f/with-files");
    Tree().File("f/with-files/a.txt");
    Tree().Folder("f/with-link");
    Tree().Symlink("f/with-link/to-folder", "../with-sub");
    Tree().Folder("f/empty");
    Tree().File("f/file.txt");
    Tree().Symlink("f/link-to-folder", "with-sub");
    Tree().Symlink("f/dangling", "nowhere");
    const std::vector<std::string> names
        = {"with-sub", "with-files", "with-link", "empty", "file.txt", "link-to-folder", "dangling"};
    const TComPtr<IShellFolder> folder = FolderAt(Tree().Path("f"));
    std::vector<TIdList> items;
    for (const std::string &name : names)
        items.push_back(Parse(folder.Get(), name));
    // Twice: the first round opens the holding folder on its second entry, the second
    // uses it from the start.
    for (int round = 0; round < 2; ++round) {
        for (std::size_t i = 0; i < names.size(); ++i) {
            const TComPtr<IShellFolder> fresh = FolderAt(Tree().Path("f"));
            EXPECT_EQ(Attributes(folder.Get(), items[i].Get()), Attributes(fresh.Get(), items[i].Get()))
                << names[i];
        }
    }
    EXPECT_TRUE(Attributes(folder.Get(), items[0].Get()) & SFGAO_HASSUBFOLDER);
    EXPECT_FALSE(Attributes(folder.Get(), items[1].Get()) & SFGAO_HASSUBFOLDER);
    EXPECT_TRUE(Attributes(folder.Get(), items[2].Get()) & SFGAO_HASSUBFOLDER) << "a link to a folder counts";
    EXPECT_FALSE(Attributes(folder.Get(), items[3].Get()) & SFGAO_HASSUBFOLDER);
    EXPECT_TRUE(Attributes(folder.Get(), items[5].Get()) & SFGAO_LINK);
    EXPECT_TRUE(Attributes(folder.Get(), items[0].Get()) & SFGAO_DROPTARGET);
}

TEST_F(ShellSpeed, ValidateLetsGoOfTheOpenedFolder)
{
    Tree().Folder("f/item");
    Tree().Folder("f/other");
    const TComPtr<IShellFolder> folder = FolderAt(Tree().Path("f"));
    const TIdList item = Parse(folder.Get(), "item"), other = Parse(folder.Get(), "other");
    EXPECT_FALSE(Attributes(folder.Get(), other.Get()) & SFGAO_HASSUBFOLDER);
    EXPECT_FALSE(Attributes(folder.Get(), item.Get()) & SFGAO_HASSUBFOLDER);
    // The folder is replaced by another of the same name, whose "item" has a subfolder.
    ASSERT_EQ(::rename(Tree().Path("f").c_str(), Tree().Path("f-old").c_str()), 0);
    Tree().Folder("f/item/sub");
    SFGAOF validate = SFGAO_VALIDATE;
    ASSERT_EQ(folder->GetAttributesOf(0, nullptr, &validate), S_OK);
    EXPECT_TRUE(Attributes(folder.Get(), item.Get()) & SFGAO_HASSUBFOLDER);
    EXPECT_FALSE(Attributes(folder.Get(), other.Get()) & SFGAO_HASSUBFOLDER);
}

} // namespace
