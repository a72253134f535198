#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "app/read/dirscan.h"
#include "platform/system/dirsearch.h"
#include "tests/support/temptree.h"

namespace {

struct TCall
{
    std::string Folder;
    std::string Name;
    int Attr = 0;
    bool operator==(const TCall &) const = default;
};

void PrintTo(const TCall &call, std::ostream *os)
{
    *os << '"' << call.Folder << "\" + \"" << call.Name << "\" " << call.Attr;
}

// The calls a walk makes, in order; a walk that loops is cut short so that it fails.
std::vector<TCall> Scan(const std::string &root, const std::string &mask = "*.*")
{
    std::vector<TCall> calls;
    ScanDirectory(root, mask, [&](const std::string &folder, const TSearchRec &entry) {
        calls.push_back({folder, entry.Name, entry.Attr});
        return calls.size() < 100;
    });
    return calls;
}

// The reported paths relative to `root` (which ends in '/'), sorted.
std::vector<std::string> Relative(const std::vector<TCall> &calls, const std::string &root)
{
    std::vector<std::string> paths;
    for (const auto &call : calls)
        paths.push_back(call.Folder.starts_with(root) ? call.Folder.substr(root.size()) + call.Name : "?");
    std::sort(paths.begin(), paths.end());
    return paths;
}

std::vector<std::string> Sorted(std::vector<std::string> paths)
{
    std::sort(paths.begin(), paths.end());
    return paths;
}

// The calls a walk should make, found by std::filesystem alone: a folder's files (all
// that is not a folder through links) in the order the folder lists them, then its
// folders in that order, those with hidden names and those walked already left out.
void ReferenceWalk(const std::string &folder, const std::string &mask,
    std::set<std::pair<dev_t, ino_t>> &walked, std::vector<TCall> &calls)
{
    namespace fs = std::filesystem;
    const std::vector<fs::directory_entry> entries{fs::directory_iterator(folder), fs::directory_iterator()};
    std::error_code error;
    for (const auto &entry : entries) {
        const std::string name = entry.path().filename();
        if (fs::is_directory(entry.path(), error) || !MatchesMask(name, mask))
            continue;
        const int kind = fs::is_regular_file(entry.path(), error) ? faArchive : faSysFile;
        calls.push_back({folder, name, kind | (name[0] == '.' ? faHidden : 0)});
    }
    for (const auto &entry : entries) {
        const std::string name = entry.path().filename();
        struct stat st = {};
        if (name[0] == '.' || !fs::is_directory(entry.path(), error)
            || ::stat(entry.path().c_str(), &st) != 0)
            continue;
        if (walked.insert({st.st_dev, st.st_ino}).second)
            ReferenceWalk(folder + name + '/', mask, walked, calls);
    }
}

std::vector<TCall> ReferenceScan(const std::string &root, const std::string &mask)
{
    struct stat st = {};
    std::set<std::pair<dev_t, ino_t>> walked;
    if (::stat(root.c_str(), &st) == 0)
        walked.insert({st.st_dev, st.st_ino});
    std::vector<TCall> calls;
    ReferenceWalk(root, mask, walked, calls);
    return calls;
}

// Files, folders, links to both, dangling links and a loop, fifos, hidden names, and
// folders that links reach a second and third time.
void MakeMixedTree(TTempTree &tree)
{
    tree.File("top.txt", 10);
    tree.File("b/one.txt", 20);
    tree.File("b/two", 30);
    tree.File(".hidden.txt");
    tree.File(".hid/inside.txt");
    tree.File("c/d/deep.txt");
    tree.File("c/d/e/deeper");
    tree.Folder("empty");
    tree.Symlink("tofile.txt", "top.txt");
    tree.Symlink(".hiddenlink.txt", "b/one.txt");
    tree.Symlink("todir", "c");
    tree.Symlink("c/back", "../b");
    tree.Symlink("c/d/e/up", "../..");
    tree.Symlink("c/.hiddendir", "../b");
    tree.Symlink("dangling.txt", "nowhere");
    tree.Symlink("loop", "loop");
    tree.Fifo("pipe");
    tree.Fifo("b/.hiddenpipe");
}

std::vector<std::string> FolderPaths(const TTempTree &tree, std::initializer_list<const char *> folders)
{
    std::vector<std::string> paths;
    for (const char *folder : folders)
        paths.push_back(tree.Root() + '/' + folder);
    return paths;
}

// Counts how often each folder is read while `body` runs.
std::map<std::string, int> FolderReads(
    const std::vector<std::string> &folders, const std::function<void()> &body)
{
    const int inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    std::map<int, std::string> watched;
    for (const auto &folder : folders)
        // A folder's reads are counted, not its opens: a folder reached again through a
        // link may be opened to be told from the others, never read again. A read may take
        // several calls, each an access; one read is one run of accesses of the folder,
        // which an open or a close of it ends.
        watched[::inotify_add_watch(inotify, folder.c_str(), IN_ACCESS | IN_OPEN | IN_CLOSE_NOWRITE)]
            = folder;
    body();
    std::map<std::string, int> reads;
    // The folders whose run of accesses goes on: runs of folders read at once on several
    // threads interleave.
    std::set<int> reading;
    alignas(inotify_event) char buffer[64 * 1024];
    for (ssize_t length; (length = ::read(inotify, buffer, sizeof buffer)) > 0;) {
        for (ssize_t at = 0; at < length;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
            at += ssize_t(sizeof(inotify_event) + event->len);
            // An event with a name is of an entry of the watched folder, not of itself.
            if (event->len != 0)
                continue;
            if (event->mask & IN_ACCESS) {
                if (reading.insert(event->wd).second)
                    ++reads[watched[event->wd]];
            } else {
                reading.erase(event->wd);
            }
        }
    }
    ::close(inotify);
    return reads;
}

} // namespace

TEST(ScanDirectory, RootFormsAndDefaults)
{
    TTempTree tree;
    tree.File("top.txt");
    tree.File("sub/inner.dat");
    const std::string root = tree.Root() + '/';
    const auto calls = Scan(root);
    ASSERT_EQ(Relative(calls, root), Sorted({"sub/inner.dat", "top.txt"}));
    EXPECT_EQ(Scan(tree.Root()), calls);
    EXPECT_EQ(Scan(root, ""), calls);

    // An empty root is the current folder.
    const int previous = ::open(".", O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(::chdir(root.c_str()), 0);
    const auto here = Scan("");
    const std::string current = GetCurrentDir() + '/';
    EXPECT_EQ(::fchdir(previous), 0);
    ::close(previous);
    EXPECT_EQ(Relative(here, current), Relative(calls, root));
}

TEST(ScanDirectory, FolderPathsAndOrder)
{
    TTempTree tree;
    tree.File("a/one");
    tree.File("a/deep/two");
    tree.File("b/three");
    tree.File("root1");
    tree.File("root2");
    const std::string root = tree.Root() + '/';
    const auto calls = Scan(root);
    ASSERT_EQ(calls.size(), 5u);
    // A folder's files come before anything below it; a subtree is done before its sibling.
    EXPECT_EQ(calls[0].Folder, root);
    EXPECT_EQ(calls[1].Folder, root);
    const std::vector<TCall> a = {{root + "a/", "one", faArchive}, {root + "a/deep/", "two", faArchive}};
    const TCall b{root + "b/", "three", faArchive};
    EXPECT_TRUE((std::vector<TCall>(calls.begin() + 2, calls.begin() + 4) == a && calls[4] == b)
        || (calls[2] == b && std::vector<TCall>(calls.begin() + 3, calls.end()) == a))
        << ::testing::PrintToString(calls);

    // Nothing in the root itself, nor a root that does not exist, is no trouble.
    TTempTree deep;
    deep.File("x/y/z.txt");
    deep.Folder("w");
    EXPECT_EQ(Scan(deep.Root()), (std::vector<TCall>{{deep.Path("x/y/"), "z.txt", faArchive}}));
    EXPECT_TRUE(Scan(deep.Path("missing")).empty());
}

TEST(ScanDirectory, MaskSelectsFilesButEveryFolderIsWalked)
{
    TTempTree tree;
    tree.File("a.txt");
    tree.File("a.doc");
    tree.File("x/y/deep.TXT");
    tree.File("x/y/deep.txt.bak");
    tree.File("x.doc/inside.txt");
    const std::string root = tree.Root() + '/';
    EXPECT_EQ(Relative(Scan(root, "*.txt"), root), Sorted({"a.txt", "x.doc/inside.txt", "x/y/deep.TXT"}));
}

TEST(ScanDirectory, HiddenAndSystemFilesButNotSuchFolders)
{
    TTempTree tree;
    tree.File(".hidden");
    tree.File(".secret/inside");
    tree.File("visible/.dotfile");
    tree.Fifo("pipe");
    tree.Symlink("dangling", "nowhere");
    tree.File("locked");
    tree.Chmod("locked", 0444);
    const std::string root = tree.Root() + '/';
    const auto calls = Scan(root);
    EXPECT_EQ(Relative(calls, root), Sorted({".hidden", "dangling", "locked", "pipe", "visible/.dotfile"}));
    for (const auto &call : calls) {
        if (call.Name == "pipe" || call.Name == "dangling") {
            EXPECT_EQ(call.Attr, faSysFile) << call.Name;
        }
    }
}

TEST(ScanDirectory, CallbackEndsTheWalk)
{
    TTempTree tree;
    tree.File("r1");
    tree.File("a/f1");
    tree.File("a/b/f2");
    tree.File("c/f3");
    const std::string root = tree.Root() + '/';
    int count = 0;
    ScanDirectory(root, "", [&](const std::string &, const TSearchRec &) { return ++count, false; });
    EXPECT_EQ(count, 1);

    // A stop deep down ends the walk of the folders above too.
    std::vector<std::string> names;
    ScanDirectory(root, "", [&](const std::string &, const TSearchRec &entry) {
        names.push_back(entry.Name);
        return entry.Name != "f2";
    });
    EXPECT_EQ(names.back(), "f2");
    EXPECT_EQ(std::count(names.begin(), names.end(), "f2"), 1);

    count = 0;
    const auto throwing = [&](const std::string &, const TSearchRec &) -> bool {
        if (++count == 2)
            throw std::runtime_error("stop");
        return true;
    };
    EXPECT_THROW(ScanDirectory(root, "", throwing), std::runtime_error);
    EXPECT_EQ(count, 2);
}

TEST(ScanDirectory, UnreadableFolderIsSkipped)
{
    TTempTree tree;
    tree.File("ok/visible");
    tree.File("closed/inside");
    tree.File("after");
    tree.Chmod("closed", 0);
    const std::string root = tree.Root() + '/';
    std::vector<std::string> found;
    const bool ran = tree.AsUnprivilegedUser([&] { found = Relative(Scan(root), root); });
    tree.Chmod("closed", 0755);
    if (!ran)
        GTEST_SKIP() << "cannot act as a user without privileges";
    EXPECT_EQ(found, Sorted({"after", "ok/visible"}));
}

TEST(ScanDirectory, LinksToFoldersAreFollowedButEachFolderIsWalkedOnce)
{
    TTempTree tree;
    tree.File("a/b/file");
    tree.File("sibling/s");
    tree.Symlink("a/b/up", "..");
    tree.Symlink("a/b/top", "../..");
    tree.Symlink("a/self", ".");
    tree.Symlink("a/tosibling", "../sibling");
    tree.Symlink("sibling/back", "../a");
    tree.File("elsewhere/far");
    tree.Symlink("a/out", "../elsewhere");
    const std::string root = tree.Path("a") + '/';
    // Whichever path reaches a folder first walks it, the links that lead above the
    // root included; no file comes twice.
    const auto calls = Scan(root);
    std::vector<std::string> names;
    for (const auto &call : calls)
        names.push_back(call.Name);
    EXPECT_EQ(Sorted(names), Sorted({"far", "file", "s"})) << ::testing::PrintToString(Relative(calls, root));
}

TEST(ScanDirectory, ManyPathsToOneFolderCostOneWalk)
{
    // f0 links twice to f1, f1 twice to f2, ...: 2^22 paths lead to f22, one folder.
    TTempTree tree;
    constexpr int Folders = 23;
    for (int i = 0; i < Folders; ++i) {
        const std::string folder = "f" + std::to_string(i);
        tree.File(folder + "/n" + std::to_string(i));
        if (i + 1 < Folders) {
            tree.Symlink(folder + "/a", "../f" + std::to_string(i + 1));
            tree.Symlink(folder + "/b", "../f" + std::to_string(i + 1));
        }
    }
    std::map<std::string, int> seen;
    ScanDirectory(tree.Path("f0"), "",
        [&](const std::string &, const TSearchRec &entry) { return ++seen[entry.Name] < 2; });
    ASSERT_EQ(seen.size(), std::size_t(Folders));
    for (const auto &[name, count] : seen)
        EXPECT_EQ(count, 1) << name;
}

TEST(ScanDirectory, NoLinkLeadsIntoOrOutOfTheKernelsFileSystems)
{
    TTempTree tree;
    tree.File("mine/f");
    tree.Symlink("proc", "/proc/self");
    tree.Symlink("sys", "/sys/kernel");
    const std::string root = tree.Root() + '/';
    const auto calls = Scan(root);
    EXPECT_EQ(Relative(calls, root), Sorted({"mine/f"}));

    // Read from /proc itself, the folders there are walked but none of its links (cwd,
    // root, exe, fd/*) is followed, so the walk ends and never leaves /proc.
    std::size_t files = 0;
    bool left = false;
    ScanDirectory("/proc/self", "", [&](const std::string &folder, const TSearchRec &) {
        left = left || !folder.starts_with("/proc/self/");
        left
            = left || folder.find("/cwd/") != std::string::npos || folder.find("/root/") != std::string::npos;
        return ++files < 1000000;
    });
    EXPECT_FALSE(left);
    EXPECT_GT(files, 10u);
    EXPECT_LT(files, 1000000u);
}

TEST(ScanDirectory, AFolderHoldingALinkToTheRootEnds)
{
    TTempTree tree;
    tree.File("hostname");
    tree.Symlink("up", "/");
    const std::string root = tree.Root() + '/';
    // The whole file system is read once through the link; the tree itself, reached again
    // below it, is not read a second time.
    std::map<std::string, int> found;
    ScanDirectory(root, "hostname",
        [&](const std::string &folder, const TSearchRec &entry) { return ++found[folder + entry.Name] < 2; });
    EXPECT_EQ(found[root + "hostname"], 1);
    if (FileInfoAt("/etc/hostname"))
        EXPECT_EQ(found[root + "up/etc/hostname"], 1);
    for (const auto &[path, count] : found) {
        EXPECT_EQ(count, 1) << path;
        EXPECT_FALSE(path.starts_with(root + "up" + root)) << path;
    }
}

TEST(ScanDirectory, FoldersDeeperThanTheLongestPathAreWalked)
{
    TTempTree tree;
    const std::string folder = TTempTree::LongNamedFolders(24);
    tree.DeepFolder(TTempTree::LongNamedFolders(13));
    tree.DeepFile(TTempTree::LongNamedFolders(13) + "middle", 10, 1700000000);
    tree.DeepFolder(folder);
    tree.DeepFile(folder + "bottom", 1234, 1700000000);
    tree.DeepFolder(folder + ".hidden");
    tree.DeepFile(folder + ".hidden/unseen", 1, 1700000000);
    const std::string root = tree.Root() + '/';
    ASSERT_GT((root + folder).size(), 5000u);

    std::vector<TCall> calls;
    std::vector<std::int64_t> sizes;
    ScanDirectory(root, "", [&](const std::string &path, const TSearchRec &entry) {
        calls.push_back({path, entry.Name, entry.Attr});
        sizes.push_back(entry.Size);
        EXPECT_NE(entry.Time, 0) << entry.Name;
        return true;
    });
    const std::string middle = root + TTempTree::LongNamedFolders(13);
    EXPECT_EQ(
        calls, (std::vector<TCall>{{middle, "middle", faArchive}, {root + folder, "bottom", faArchive}}));
    EXPECT_EQ(sizes, (std::vector<std::int64_t>{10, 1234}));
}

// Folders deeper than the descriptors the process may hold: every level holds a file and
// a sibling folder walked on the way back up, and a link leads down a second chain whose
// ".." is not the folder the walk came from.
TEST(ScanDirectory, EveryFileIsListedWhateverTheDescriptorLimit)
{
    TTempTree tree;
    std::string chain;
    for (int level = 0; level < 300; ++level) {
        chain += "c/";
        tree.File(chain + "f");
        tree.File(chain + "s/g");
    }
    std::string hidden = ".real/";
    for (int level = 0; level < 80; ++level, hidden += "h/")
        tree.File(hidden + "f");
    tree.Symlink("x/y/link", "../../.real");
    tree.File("x/y/after/g");
    tree.File("x/z/g");
    const std::string root = tree.Root() + '/';
    const std::vector<TCall> expected = ReferenceScan(root, "*.*");
    ASSERT_EQ(expected.size(), 300u * 2 + 80 + 2);

    // In a process of its own, whose descriptors run out at 48, with folders read ahead
    // or not.
    const auto walkWithFewDescriptors = [&](const char *readAhead) {
        ::setenv("VANTREL_READ_AHEAD_THREADS", readAhead, 1);
        const struct rlimit limit = {48, 48};
        ::setrlimit(RLIMIT_NOFILE, &limit);
        std::vector<TCall> calls;
        ScanDirectory(root, "", [&](const std::string &folder, const TSearchRec &entry) {
            calls.push_back({folder, entry.Name, entry.Attr});
            return true;
        });
        std::fprintf(stderr, "%zu of %zu files\n", calls.size(), expected.size());
        std::exit(Relative(calls, root) == Relative(expected, root) ? 0 : 1);
    };
    EXPECT_EXIT(walkWithFewDescriptors("0"), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(walkWithFewDescriptors("4"), ::testing::ExitedWithCode(0), "");
}

TEST(ScanDirectory, NamesAndSizesKeepTheirBytes)
{
    TTempTree tree;
    const std::vector<std::string> names
        = {"star*", "what?", "{braces}", "back\\slash", "tab\there", "new\nline", "latin\xE9\xFF", "starry"};
    std::vector<std::string> expected = {"big"};
    for (const auto &name : names) {
        tree.File("dir\xE9/" + name, name == "starry" ? 5000 : 3);
        expected.push_back("dir\xE9/" + name);
    }
    tree.SparseFile("big", 3221225472LL);
    const std::string root = tree.Root() + '/';

    std::vector<std::string> found;
    ScanDirectory(root, "", [&](const std::string &folder, const TSearchRec &entry) {
        found.push_back(folder.substr(root.size()) + entry.Name);
        EXPECT_EQ(entry.Size, entry.Name == "big" ? 3221225472LL : entry.Name == "starry" ? 5000 : 3);
        // Looked up by its path, the file is that file and not another the name matches.
        EXPECT_EQ(FileInfoAt(folder + entry.Name)->Size, entry.Size) << entry.Name;
        return true;
    });
    EXPECT_EQ(Sorted(found), Sorted(expected));
}

TEST(ScanDirectory, MixedKindsComeInTheFileSystemsOrder)
{
    TTempTree tree;
    MakeMixedTree(tree);
    const std::string root = tree.Root() + '/';
    for (const std::string mask : {"*.*", "*.txt", "t*"}) {
        std::vector<TCall> expected = ReferenceScan(root, mask);
        ASSERT_GE(expected.size(), 3u) << mask;
        EXPECT_EQ(Scan(root, mask), expected) << mask;

        // The lean walk finds the same files, each with its folder still open.
        std::vector<TCall> names;
        ScanFiles(root, mask, [&](const std::string &folder, const TScanFile &file) {
            struct stat st = {};
            const bool there = ::fstatat(file.FolderFd, file.Name.data(), &st, AT_SYMLINK_NOFOLLOW) == 0;
            names.push_back({folder, std::string(file.Name), there ? 0 : -1});
            return true;
        });
        for (auto &call : expected)
            call.Attr = 0;
        EXPECT_EQ(names, expected) << mask;
    }
}

TEST(ScanDirectory, ReadsEachFolderOnce)
{
    TTempTree tree;
    MakeMixedTree(tree);
    const auto folders = FolderPaths(tree, {"", "b", "c", "c/d", "c/d/e", "empty", ".hid"});
    std::size_t found = 0;
    const auto count = [&](const std::string &, const TSearchRec &) { return ++found, true; };
    // Each folder once, however many links reach it; the hidden one not at all; with
    // folders read ahead too.
    std::map<std::string, int> expected;
    for (std::size_t i = 0; i + 1 < folders.size(); ++i)
        expected[folders[i]] = 1;
    for (const unsigned threads : {0u, 4u}) {
        TScanLimits limits;
        limits.ReadAheadThreads = threads;
        found = 0;
        const auto reads = FolderReads(folders, [&] {
            ScanFiles(
                tree.Root(), "", [&](const std::string &, const TScanFile &) { return ++found, true; },
                limits);
        });
        EXPECT_EQ(reads, expected) << threads;
        EXPECT_EQ(found, ReferenceScan(tree.Root() + '/', "*.*").size());
    }
}
