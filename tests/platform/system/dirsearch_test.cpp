#include <cerrno>
#include <fcntl.h>
#include <map>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/system/datetime.h"
#include "platform/system/dirsearch.h"
#include "tests/support/temptree.h"

namespace {

std::map<std::string, TSearchRec> SearchAll(
    const std::string &path, int attr, TSearchDetail detail = TSearchDetail::sdFull)
{
    std::map<std::string, TSearchRec> found;
    TSearchRec rec;
    TFindCloser closer(rec);
    for (int error = FindFirst(path, attr, rec, detail); error == 0; error = FindNext(rec))
        found[rec.Name] = rec;
    return found;
}

std::string Names(const std::map<std::string, TSearchRec> &found)
{
    std::string joined;
    for (const auto &entry : found)
        joined += entry.first + ' ';
    return joined;
}

// One entry of each kind the attributes tell apart.
class DirSearchKinds : public ::testing::Test
{
protected:
    void SetUp() override
    {
        tree.File("file.txt", 5);
        tree.File(".hidden", 1);
        tree.Folder("folder");
        tree.Folder(".hiddenfolder");
        tree.Fifo("pipe");
        tree.Symlink("dangling", "nowhere");
        tree.Symlink("linkdir", "folder");
        tree.Symlink("linkfile", "file.txt");
    }
    TTempTree tree;
};

} // namespace

TEST_F(DirSearchKinds, AttributesOfEachKind)
{
    const auto all = SearchAll(tree.Path("*"), faAnyFile);
    ASSERT_EQ(Names(all), ". .. .hidden .hiddenfolder dangling file.txt folder linkdir linkfile pipe ");
    const std::map<std::string, int> expected = {{".", faDirectory}, {"..", faDirectory},
        {"file.txt", faArchive}, {".hidden", faArchive | faHidden}, {"folder", faDirectory},
        {".hiddenfolder", faDirectory | faHidden}, {"pipe", faSysFile}, {"dangling", faSysFile},
        {"linkdir", faDirectory}, {"linkfile", faArchive}};
    for (const auto &[name, attr] : expected)
        EXPECT_EQ(all.at(name).Attr, attr) << name;
    // A link tells of its target; a dangling one of itself (its size is that of the name
    // it holds). Links are known as links whatever they lead to.
    EXPECT_EQ(all.at("linkdir").Id, all.at("folder").Id);
    EXPECT_EQ(all.at("linkfile").Size, 5);
    EXPECT_EQ(all.at("dangling").Size, 7);
    for (const auto &[name, rec] : all)
        EXPECT_EQ(rec.Link, name == "linkdir" || name == "linkfile" || name == "dangling") << name;

    // The type-only search agrees on every kind without looking at plain files.
    const auto typeOnly = SearchAll(tree.Path("*"), faAnyFile, TSearchDetail::sdTypeOnly);
    for (const auto &[name, attr] : expected)
        EXPECT_EQ(typeOnly.at(name).Attr, attr) << name;
    EXPECT_EQ(typeOnly.at("file.txt").Size, 0);
    EXPECT_EQ(typeOnly.at("linkfile").Size, 5);
    EXPECT_EQ(typeOnly.at("linkdir").Id, all.at("folder").Id);
    EXPECT_TRUE(typeOnly.at("linkdir").Link);
    EXPECT_FALSE(typeOnly.at("folder").Link);
}

TEST_F(DirSearchKinds, RequestSkipsOnlyWhatItDoesNotHold)
{
    const std::string path = tree.Path("*");
    EXPECT_EQ(Names(SearchAll(path, 0)), "file.txt linkfile ");
    EXPECT_EQ(Names(SearchAll(path, faReadOnly | faArchive)), "file.txt linkfile ");
    EXPECT_EQ(Names(SearchAll(path, faHidden)), ".hidden file.txt linkfile ");
    EXPECT_EQ(Names(SearchAll(path, faSysFile)), "dangling file.txt linkfile pipe ");
    EXPECT_EQ(Names(SearchAll(path, faDirectory, TSearchDetail::sdTypeOnly)),
        ". .. file.txt folder linkdir linkfile ");
}

TEST(FindFirst, ReadOnlyIsWhatTheUserMayNotWrite)
{
    TTempTree tree;
    tree.File("mine", 1);
    tree.File("locked", 1);
    tree.Chmod("locked", 0444);
    tree.File("shared", 1);
    tree.Chmod("shared", 0666);
    if (::geteuid() == 0) { // root may write anything
        EXPECT_EQ(SearchAll(tree.Path("*"), 0).at("locked").Attr, faArchive);
    }

    const bool ran = tree.AsUnprivilegedUser([&] {
        const auto all = SearchAll(tree.Path("*"), 0);
        EXPECT_EQ(all.at("locked").Attr, faArchive | faReadOnly);
        EXPECT_EQ(all.at("shared").Attr, faArchive);
        // Created by the test's own user: writable for it, not for another.
        EXPECT_EQ(all.at("mine").Attr, ::geteuid() == ::getuid() ? faArchive : faArchive | faReadOnly);
    });
    if (!ran)
        GTEST_SKIP() << "cannot act as a user without privileges";
}

TEST(FindFirst, AnswersAndHandleLifetime)
{
    TTempTree tree;
    tree.File("a.txt");
    tree.File("b.txt");
    TSearchRec rec;
    EXPECT_EQ(FindFirst(tree.Path("missing/*"), faAnyFile, rec), ENOENT);
    EXPECT_EQ(rec.FolderId, TFileId{});
    EXPECT_EQ(FindFirst(tree.Path("a.txt/*"), faAnyFile, rec), ENOTDIR);
    // An opened folder without a match still names itself.
    EXPECT_EQ(FindFirst(tree.Path("*.doc"), faAnyFile, rec), ENOENT);
    EXPECT_FALSE(rec.FindHandle);
    EXPECT_EQ(rec.FolderId, FileInfoAt(tree.Root())->Id);

    ASSERT_EQ(FindFirst(tree.Path("?.TXT"), faAnyFile, rec), 0);
    EXPECT_EQ(FindNext(rec), 0);
    EXPECT_EQ(FindNext(rec), ENOENT);
    EXPECT_EQ(FindNext(rec), ENOENT);
    // Closing ends the search for copies of the record too, and may be repeated.
    ASSERT_EQ(FindFirst(tree.Path("*.txt"), faAnyFile, rec), 0);
    TSearchRec copy = rec;
    FindClose(rec);
    FindClose(rec);
    EXPECT_NE(FindNext(copy), 0);
}

TEST(FindFirst, OnlyTheLastComponentIsAMask)
{
    TTempTree tree;
    tree.File("a*b/inner.txt");
    tree.File("axb/other.txt");
    EXPECT_EQ(Names(SearchAll(tree.Path("a*b/*.TXT"), 0)), "inner.txt ");
    // Without a folder part the current folder is searched.
    const int previous = ::open(".", O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(::chdir(tree.Path("axb").c_str()), 0);
    const auto here = SearchAll("*", 0);
    EXPECT_EQ(::fchdir(previous), 0);
    ::close(previous);
    EXPECT_EQ(Names(here), "other.txt ");
}

TEST(FindFirst, SizesTimesAndIdentities)
{
    TTempTree tree;
    tree.SparseFile("big", 3221225472LL);
    tree.File("odd", 1);
    tree.SetMTime("odd", 2024, 3, 5, 13, 47, 31);
    tree.File("midnight", 1);
    tree.SetMTime("midnight", 2001, 1, 1, 0, 0, 0);
    tree.File("old", 1);
    tree.SetMTime("old", 1975, 6, 1, 12, 0, 0);
    tree.File("late", 1);
    tree.SetMTime("late", 2150, 6, 1, 12, 0, 0);
    tree.Folder("sub");

    const auto all = SearchAll(tree.Path("*"), faAnyFile);
    EXPECT_EQ(all.at("big").Size, 3221225472LL);
    EXPECT_EQ(all.at("odd").Time, PackFileDate({2024, 3, 5, 13, 47, 30}));
    EXPECT_EQ(all.at("odd").Time & 0x1F, 15); // seconds / 2
    EXPECT_EQ(all.at("midnight").Time, PackFileDate({2001, 1, 1}));
    // Outside the packed form's years the time is 0 and the exact time is kept.
    EXPECT_EQ(all.at("old").Time, 0);
    EXPECT_EQ(all.at("late").Time, 0);
    EXPECT_EQ(LocalTimeOf(all.at("old").ModTime).Year, 1975);
    EXPECT_EQ(LocalTimeOf(all.at("late").ModTime).Year, 2150);
    EXPECT_EQ(LocalTimeOf(all.at("late").ModTime).Hour, 12);

    EXPECT_EQ(all.at("sub").Id, FileInfoAt(tree.Path("sub"))->Id);
    EXPECT_EQ(all.at("odd").FolderId, FileInfoAt(tree.Root())->Id);
}

TEST(FileInfoAt, LooksAtExactlyThatPath)
{
    TTempTree tree;
    tree.File("a*", 7);
    tree.File("abc", 1000);
    tree.Symlink("link", "abc");
    tree.Symlink("dangling", "nowhere");
    EXPECT_EQ(FileInfoAt(tree.Path("a*"))->Size, 7);
    EXPECT_FALSE(FileInfoAt(tree.Path("a*"))->IsDirectory);
    EXPECT_EQ(FileInfoAt(tree.Path("link"))->Id, FileInfoAt(tree.Path("abc"))->Id);
    EXPECT_TRUE(FileInfoAt(tree.Root())->IsDirectory);
    EXPECT_FALSE(FileInfoAt(tree.Path("dangling")));
    EXPECT_FALSE(FileInfoAt(tree.Path("a?")));
    EXPECT_FALSE(FileInfoAt(""));
}

TEST(MatchesMask, Wildcards)
{
    const std::pair<const char *, const char *> matching[]
        = {{"report.TXT", "*.txt"}, {"Report.txt", "r?PORT.*"}, {"a.b.c", "*.c"}, {"aXbXc", "a*b*c"},
            // "*.*" and "name.*" take names without a dot too.
            {"README", "*.*"}, {".profile", "*.*"}, {"readme", "README.*"}, {"readme.md", "README.*"},
            // '?' is one character: a whole UTF-8 sequence, or a byte that is not UTF-8.
            {"caf\xC3\xA9", "caf?"}, {"\xE2\x82\xAC.txt", "?.txt"}, {"\xE9\xFF", "??"},
            {"x\xC3\xA9y\xE9z", "*?y?z"}};
    const std::pair<const char *, const char *> other[]
        = {{"report.txt.bak", "*.txt"}, {"txt", "*.txt"}, {"ac", "a?c"}, {"abcd", "a?c"}, {"aXbXd", "a*b*c"},
            {"readmes", "README.*"}, {"name", ""}, {"\xE9\xFF", "?"}, {"\xC3\xA9", "\xC3\x89"}};
    for (const auto &[name, mask] : matching)
        EXPECT_TRUE(MatchesMask(name, mask)) << name << " ~ " << mask;
    for (const auto &[name, mask] : other)
        EXPECT_FALSE(MatchesMask(name, mask)) << name << " ~ " << mask;
}

TEST(GetCurrentDir, NamesTheCurrentFolder)
{
    TTempTree tree;
    tree.Folder("here");
    tree.Folder("gone");
    const int previous = ::open(".", O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(::chdir(tree.Path("here").c_str()), 0);
    const std::string here = GetCurrentDir();
    // A removed folder has no path; "." still lets the process search it.
    ASSERT_EQ(::chdir(tree.Path("gone").c_str()), 0);
    ASSERT_EQ(::rmdir(tree.Path("gone").c_str()), 0);
    const std::string gone = GetCurrentDir();
    EXPECT_EQ(::fchdir(previous), 0);
    ::close(previous);
    EXPECT_EQ(FileInfoAt(here)->Id, FileInfoAt(tree.Path("here"))->Id);
    EXPECT_EQ(gone, ".");
}
