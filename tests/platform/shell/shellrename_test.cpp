#include <fstream>
#include <sys/stat.h>

#include "shellfixture.h"

namespace {

class ShellRename : public TShellTest
{
protected:
    void SetUp() override
    {
        TShellTest::SetUp();
        Tree().Folder("dir/folder");
        Tree().TextFile("dir/old.txt", "kept");
        Tree().TextFile("dir/taken.txt", "other");
        m_folder = FolderAt(Tree().Path("dir"));
        ASSERT_TRUE(m_folder);
    }
    void TearDown() override
    {
        m_folder.Reset();
        TShellTest::TearDown();
    }

    HRESULT Rename(const std::string &from, const std::string &to, TIdList *renamed = nullptr)
    {
        const TIdList item = Parse(m_folder.Get(), from);
        const std::u16string wide = WideFromSystem(to);
        TIdList result;
        const HRESULT hr
            = m_folder->SetNameOf(nullptr, item.Get(), wide.c_str(), SHGDN_INFOLDER, result.Receive());
        if (FAILED(hr)) {
            EXPECT_FALSE(result);
        }
        if (renamed)
            *renamed = std::move(result);
        return hr;
    }

    bool Exists(const std::string &relative)
    {
        struct stat info;
        return ::lstat(Tree().Path(relative).c_str(), &info) == 0;
    }

    TComPtr<IShellFolder> m_folder;
};

TEST_F(ShellRename, RenamesAndGivesTheNewItem)
{
    TIdList renamed;
    ASSERT_EQ(Rename("old.txt", "new name.txt", &renamed), S_OK);
    EXPECT_FALSE(Exists("dir/old.txt"));
    EXPECT_TRUE(Exists("dir/new name.txt"));
    EXPECT_EQ(DisplayName(m_folder.Get(), renamed.Get(), SHGDN_NORMAL), "new name.txt");
    EXPECT_EQ(m_folder->CompareIDs(0, renamed.Get(), Parse(m_folder.Get(), "new name.txt").Get()), 0);

    ASSERT_EQ(Rename("folder", "\xE9t\xE9", &renamed), S_OK);
    EXPECT_TRUE(Exists("dir/\xE9t\xE9"));
    EXPECT_TRUE(Attributes(m_folder.Get(), renamed.Get(), SFGAO_FOLDER) & SFGAO_FOLDER);
}

TEST_F(ShellRename, SameNameSucceedsWithoutChange)
{
    TIdList renamed;
    EXPECT_EQ(Rename("old.txt", "old.txt", &renamed), S_OK);
    EXPECT_TRUE(renamed);
    EXPECT_TRUE(Exists("dir/old.txt"));
}

TEST_F(ShellRename, RefusesBadNamesAndNeverReplaces)
{
    EXPECT_EQ(Rename("old.txt", "", nullptr), HRESULT_FROM_WIN32(ERROR_INVALID_NAME));
    EXPECT_EQ(Rename("old.txt", ".", nullptr), HRESULT_FROM_WIN32(ERROR_INVALID_NAME));
    EXPECT_EQ(Rename("old.txt", "..", nullptr), HRESULT_FROM_WIN32(ERROR_INVALID_NAME));
    EXPECT_EQ(Rename("old.txt", "sub/escape", nullptr), HRESULT_FROM_WIN32(ERROR_INVALID_NAME));
    EXPECT_EQ(Rename("old.txt", "../escape", nullptr), HRESULT_FROM_WIN32(ERROR_INVALID_NAME));
    EXPECT_EQ(Rename("old.txt", "taken.txt", nullptr), HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(Rename("old.txt", "folder", nullptr), HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(
        Rename("old.txt", std::string(300, 'n'), nullptr), HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE));
    // Nothing moved and nothing was overwritten.
    EXPECT_TRUE(Exists("dir/old.txt"));
    std::ifstream taken(Tree().Path("dir/taken.txt"));
    std::string text;
    taken >> text;
    EXPECT_EQ(text, "other");
}

TEST_F(ShellRename, ItemGoneOrFolderLocked)
{
    const TIdList item = Parse(m_folder.Get(), "old.txt");
    ASSERT_EQ(::unlink(Tree().Path("dir/old.txt").c_str()), 0);
    TIdList result;
    EXPECT_EQ(m_folder->SetNameOf(nullptr, item.Get(), u"x", 0, result.Receive()),
        HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));

    Tree().Chmod("dir", 0555);
    const bool ran = Tree().AsUnprivilegedUser([&] {
        const TIdList taken = Parse(m_folder.Get(), "taken.txt");
        EXPECT_EQ(m_folder->SetNameOf(nullptr, taken.Get(), u"y", 0, nullptr), E_ACCESSDENIED);
    });
    Tree().Chmod("dir", 0755);
    if (!ran)
        GTEST_SKIP() << "cannot run as an unprivileged user";
    EXPECT_TRUE(Exists("dir/taken.txt"));
}

TEST_F(ShellRename, OnlyEntriesOfAFolderCanBeRenamed)
{
    const TComPtr<IShellFolder> desktop = Desktop();
    TIdList computer;
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, computer.Receive()), S_OK);
    EXPECT_EQ(desktop->SetNameOf(nullptr, computer.Get(), u"Mine", 0, nullptr), E_ACCESSDENIED);
    EXPECT_FALSE(Attributes(desktop.Get(), computer.Get()) & SFGAO_CANRENAME);
    // A list of two items is not an item of this folder.
    const TIdList deep = Parse(desktop.Get(), Tree().Path("dir/old.txt"));
    EXPECT_EQ(desktop->SetNameOf(nullptr, deep.Get(), u"x", 0, nullptr), E_INVALIDARG);
    EXPECT_EQ(m_folder->SetNameOf(nullptr, Parse(m_folder.Get(), "old.txt").Get(), nullptr, 0, nullptr),
        E_INVALIDARG);
}

TEST_F(ShellRename, DesktopEntriesRenameInTheDesktopFolder)
{
    Tree().File("home/Desktop/note.txt");
    const TComPtr<IShellFolder> desktop = Desktop();
    const TIdList note = Parse(desktop.Get(), "note.txt");
    ASSERT_TRUE(note);
    TIdList renamed;
    ASSERT_EQ(desktop->SetNameOf(nullptr, note.Get(), u"memo.txt", 0, renamed.Receive()), S_OK);
    EXPECT_TRUE(Exists("home/Desktop/memo.txt"));
    std::string path;
    EXPECT_TRUE(SHGetPathFromIDList(renamed.Get(), path));
    EXPECT_EQ(path, Home() + "/Desktop/memo.txt");
}

} // namespace
