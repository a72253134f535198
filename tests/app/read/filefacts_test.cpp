#include <algorithm>
#include <fcntl.h>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>
#include <utility>
#include <vector>

#include <QLocale>

#include <gtest/gtest.h>

#include "app/read/filefacts.h"
#include "app/read/filelist.h"
#include "app/read/readcommand.h"
#include "app/read/totals.h"
#include "platform/system/fd.h"
#include "platform/system/folderread.h"
#include "platform/system/locale.h"
#include "tests/support/temptree.h"

namespace {

// What SizeAndTimeAt says of the entry, looked at on its own.
std::optional<TSizeAndTime> LookedAtAlone(const TTempTree &tree, const std::string &path)
{
    const auto slash = path.rfind('/');
    const std::string folder = tree.Root() + "/" + (slash == std::string::npos ? "" : path.substr(0, slash));
    const TFd fd(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return fd ? SizeAndTimeAt(fd.Get(), name.c_str()) : std::nullopt;
}

struct timespec FolderTime(const TTempTree &tree, const std::string &folder)
{
    struct stat st = {};
    ::stat((tree.Root() + "/" + folder).c_str(), &st);
    return st.st_mtim;
}

void ExpectSame(const std::optional<TSizeAndTime> &found, const std::optional<TSizeAndTime> &alone,
    const std::string &path)
{
    ASSERT_EQ(found.has_value(), alone.has_value()) << path;
    if (!found)
        return;
    EXPECT_EQ(found->Size, alone->Size) << path;
    EXPECT_EQ(found->ModTime.tv_sec, alone->ModTime.tv_sec) << path;
    EXPECT_EQ(found->ModTime.tv_nsec, alone->ModTime.tv_nsec) << path;
}

} // namespace

// Enough files for many batches, so that both threads look at some, in runs of one folder
// that batches cut: each file's size and time, and its folder's time, as looked at alone.
TEST(FileFacts, EveryFileAsLookedAtAloneAcrossBatchesAndThreads)
{
    TTempTree tree;
    std::vector<std::string> paths;
    const std::size_t count = 5 * TFileFacts::BatchEntries + 17;
    for (std::size_t i = 0; i < count; ++i) {
        // Runs of one to seven files: every seventh file lies in a folder of its own.
        const std::size_t folder = i / 700 + (i % 7 == 0 ? 100 : 0);
        const std::string path
            = "d" + std::to_string(folder) + (folder % 2 ? "/sub/" : "/") + "f" + std::to_string(i);
        tree.File(path, static_cast<std::int64_t>(i % 97));
        tree.SetMTime(path, static_cast<std::time_t>(1'000'000'000 + i * 3));
        paths.push_back(path);
    }
    tree.File("root-file", 5);
    paths.push_back("root-file");
    // A link leads to its target; a link that leads nowhere is itself; an entry gone
    // since the walk saw it is gone.
    tree.Symlink("d0/link", "f1");
    tree.Symlink("d0/dangling", "nowhere");
    tree.File("v/vanished", 3);
    // Times before 1970, and beyond 2262, where nanoseconds from 1970 no longer fit in
    // 64 bits.
    for (const auto &[name, seconds] : {std::pair{"d0/1938", -1'000'000'000LL}, {"d0/2286", 10'000'000'000LL},
             {"d0/1970", 0LL}, {"d0/2262", 9'223'372'036LL}}) {
        tree.File(name, 8);
        const struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(seconds), 123'456'789}};
        ASSERT_EQ(::utimensat(AT_FDCWD, tree.Path(name).c_str(), times, 0), 0) << name;
        paths.push_back(name);
    }
    paths.insert(paths.end(), {"d0/link", "d0/dangling", "v/vanished"});
    // A folder's time may lie beyond 2262 too.
    const struct timespec farFolder[2] = {{0, UTIME_OMIT}, {10'000'000'000, 5}};
    ASSERT_EQ(::utimensat(AT_FDCWD, tree.Path("d1/sub").c_str(), farFolder, 0), 0);

    TFileFacts facts(tree.Root() + "/");
    for (const std::string &path : paths)
        facts.Add(path);
    // The last batch goes to be looked at once closed, after this.
    ::unlink(tree.Path("v/vanished").c_str());
    facts.Close();
    facts.Close();

    for (std::size_t i = 0; i < paths.size(); ++i) {
        ExpectSame(facts.Of(i), LookedAtAlone(tree, paths[i]), paths[i]);
        const std::string folder = paths[i].substr(0, paths[i].rfind('/') + 1);
        const auto folderTime = facts.FolderTimeOf(i);
        ASSERT_TRUE(folderTime) << paths[i];
        EXPECT_EQ(folderTime->tv_sec, FolderTime(tree, folder).tv_sec) << paths[i];
        EXPECT_EQ(folderTime->tv_nsec, FolderTime(tree, folder).tv_nsec) << paths[i];
    }
    EXPECT_EQ(facts.Of(paths.size() - 3)->Size, 1); // the link: "f1" holds one byte
    EXPECT_EQ(facts.Of(paths.size() - 7)->ModTime.tv_sec, -1'000'000'000);
    EXPECT_EQ(facts.Of(paths.size() - 6)->ModTime.tv_sec, 10'000'000'000);
    EXPECT_EQ(facts.Of(paths.size() - 6)->ModTime.tv_nsec, 123'456'789);
    EXPECT_FALSE(facts.Of(paths.size() - 1));
    EXPECT_THROW(facts.Of(paths.size()), std::out_of_range);
}

TEST(FileFacts, FilesOfAFolderGoneOrBeyondThePathLimit)
{
    TTempTree tree;
    const std::string deep = TTempTree::LongNamedFolders(24);
    tree.DeepFolder(deep);
    tree.DeepFile(deep + "far.txt", 42, 1'600'000'000);
    tree.File("gone/a.txt", 1);
    TFileFacts facts(tree.Root() + "/");
    facts.Add(deep + "far.txt");
    facts.Add("gone/a.txt");
    facts.Add("gone/b.txt");
    ::unlink(tree.Path("gone/a.txt").c_str());
    ::rmdir(tree.Path("gone").c_str());
    facts.Close();
    ASSERT_TRUE(facts.Of(0));
    EXPECT_EQ(facts.Of(0)->Size, 42);
    EXPECT_EQ(facts.Of(0)->ModTime.tv_sec, 1'600'000'000);
    EXPECT_TRUE(facts.FolderTimeOf(0));
    EXPECT_FALSE(facts.Of(1));
    EXPECT_FALSE(facts.Of(2));
    EXPECT_FALSE(facts.FolderTimeOf(1));
}

TEST(FileFacts, NothingIsReadBeforeTheEndAndDroppingMidwayStops)
{
    TTempTree tree;
    tree.File("a", 1);
    {
        TFileFacts facts(tree.Root() + "/");
        facts.Add("a");
        EXPECT_THROW(facts.Of(0), std::out_of_range);
    }
    // Many batches waiting: the thread stops without looking at them all, and nothing
    // leaks (the sanitizer build checks).
    TFileFacts facts(tree.Root() + "/");
    for (std::size_t i = 0; i < 40 * TFileFacts::BatchEntries; ++i)
        facts.Add("missing/" + std::to_string(i));
}

// A sorted list keeps what it found of each file with the file, whatever its place.
TEST(FileFacts, ASortedListFindsEachFilesFacts)
{
    TTempTree tree;
    const std::vector<std::string> paths = {"z/1", "b/2", "a", "B/3", "b/c/4", "y"};
    for (std::size_t i = 0; i < paths.size(); ++i)
        tree.File(paths[i], static_cast<std::int64_t>(i + 1) * 10);
    const TLocale locale(QLocale(QStringLiteral("fr_FR")));
    for (const bool sorted : {false, true}) {
        TFileList files(locale);
        files.SetSorted(sorted);
        EXPECT_EQ(files.Facts(), nullptr);
        files.LookAtFiles(tree.Root() + "/");
        for (const std::string &path : paths)
            files.Add(path);
        files.Finish();
        ASSERT_NE(files.Facts(), nullptr);
        for (std::size_t i = 0; i < files.Count(); ++i) {
            const std::string path(files[i]);
            const auto added = std::find(paths.begin(), paths.end(), path) - paths.begin();
            EXPECT_EQ(files.AddedIndex(i), static_cast<std::size_t>(added)) << path;
            EXPECT_EQ(files.Facts()->Of(files.AddedIndex(i))->Size, (added + 1) * 10) << path;
        }
        EXPECT_THROW(files.Add("late"), std::logic_error);
        EXPECT_EQ(files.Count(), paths.size());
        files.ForgetFacts();
        EXPECT_EQ(files.Facts(), nullptr);
        EXPECT_THROW(files.LookAtFiles(tree.Root() + "/"), std::logic_error);
    }
}

// A sorted list may come back to a folder after one of its subfolders: its totals are
// all of its own files still. In the walk's order each folder's own files come together,
// right beneath its heading, and the writer adds them up there.
TEST(FolderTotals, OwnFilesOfEachFolderSortedOrBeneathEachHeading)
{
    TTempTree tree;
    tree.File("top", 1);
    tree.File("a/b/x", 10);
    tree.File("a/b/y/q", 100);
    tree.File("a/b/z", 1000);
    const TLocale locale(QLocale(QStringLiteral("fr_FR")));
    const std::vector<const char *> walkOrder = {"top", "a/b/z", "a/b/x", "a/b/gone", "a/b/y/q"};

    TFileList files(locale);
    files.SetSorted(true);
    TFolderTotals sorted;
    EXPECT_THROW(sorted.Collect(files), std::logic_error);
    files.LookAtFiles(tree.Root() + "/");
    for (const char *path : walkOrder)
        files.Add(path);
    files.Finish();
    sorted.Collect(files);

    struct THeadings : IListingSink
    {
        std::map<std::string, TTotals> Below;
        void AppendLine(QStringView, bool) override { }
        void HeadingWritten(std::string_view folder, const TTotals &filesBelow) override
        {
            Below[std::string(folder)] = filesBelow;
        }
    } headings;
    const TListingOptions options;
    TListingWriter writer(options, locale, headings);
    for (const char *path : walkOrder) {
        const std::string name = std::string(path).substr(std::string(path).rfind('/') + 1);
        const std::string folder
            = tree.Root() + "/" + std::string(path).substr(0, std::string(path).size() - name.size());
        const TFd folderFd(::open(folder.c_str(), O_PATH | O_DIRECTORY));
        writer.Add(path, SizeAndTimeAt(folderFd.Get(), name.c_str()));
    }
    writer.Finish();

    for (const auto &[folder, files, bytes] :
        {std::tuple("a/", 0, 0), {"a/b/", 3, 1010}, {"a/b/y/", 1, 100}}) {
        // A file gone since the walk counts, with no bytes.
        EXPECT_EQ(sorted.Of(folder).Files, files) << folder;
        EXPECT_EQ(sorted.Of(folder).Bytes, bytes) << folder;
        EXPECT_EQ(headings.Below[folder].Files, files) << folder;
        EXPECT_EQ(headings.Below[folder].Bytes, bytes) << folder;
    }
    EXPECT_EQ(writer.Tree().Files, 5);
    EXPECT_EQ(writer.Tree().Bytes, 1111);
}

// A read looks at its files during the walk when its listing needs them or its caller
// asks, and keeps what it found only for a caller that asked.
TEST(FileFacts, AReadKeepsWhatItFoundOnlyWhenAsked)
{
    TTempTree tree;
    tree.File("a/x", 7);
    struct TNoSink : IReadSink
    {
        void BeginListing(const TFont &) override { }
        void AppendLine(QStringView, bool) override { }
    } sink;
    TReadRequest request;
    request.Folder = tree.Root();
    request.Style.Options.Sizes = true;
    EXPECT_EQ(ReadFolder(request, sink).Files->Facts(), nullptr);
    request.LookAtFiles = true;
    request.Style.Options.Sizes = false;
    const TReadResult read = ReadFolder(request, sink);
    ASSERT_NE(read.Files->Facts(), nullptr);
    EXPECT_EQ(read.Files->Facts()->Of(0)->Size, 7);
}
