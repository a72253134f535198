#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "app/read/dirscan.h"
#include "tests/support/temptree.h"

namespace {

// Every file a walk reports, as "folder|name", in its order.
std::vector<std::string> Walk(const std::string &root, std::optional<unsigned> threads,
    const TScanLimits &limits = {}, const std::function<bool(const std::string &)> &seen = {})
{
    TScanLimits withThreads = limits;
    withThreads.ReadAheadThreads = threads;
    std::vector<std::string> files;
    ScanFiles(
        root, "",
        [&](const std::string &folder, const TScanFile &file) {
            files.push_back(folder + '|' + std::string(file.Name));
            return !seen || seen(files.back());
        },
        withThreads);
    return files;
}

// Deep and wide: folders of folders four levels down, files at every level, links to
// folders (walked once), hidden folders (not walked), and many more folders than the
// read-ahead holds at once. With links, a folder of far more links than one thread looks
// at: to files, to folders, and to nothing.
void MakeRacingTree(TTempTree &tree, bool links = true)
{
    for (int a = 0; a < 12; ++a) {
        const std::string first = "a" + std::to_string(a) + "/";
        tree.File(first + "f");
        for (int b = 0; b < 12; ++b) {
            const std::string second = first + "b" + std::to_string(b) + "/";
            tree.File(second + "f" + std::to_string(b));
            for (int c = 0; c < 6; ++c)
                tree.File(second + "c" + std::to_string(c) + "/d/g");
        }
    }
    tree.File(".hidden/h");
    if (links) {
        tree.Symlink("a3/back", "../a7");
        tree.Symlink("a9/b2/up", "../../a1/b1");
        for (int i = 0; i < 150; ++i) {
            const std::string target = i % 3 == 0 ? "../a" + std::to_string(i % 12) + "/f"
                : i % 3 == 1 ? "../a" + std::to_string(i % 12) + "/b" + std::to_string(i % 7)
                             : "nowhere";
            tree.Symlink("links/l" + std::to_string(i), target);
        }
    }
}

} // namespace

TEST(ReadAhead, TheWalkIsTheSameWithItAndWithout)
{
    TTempTree tree;
    MakeRacingTree(tree);
    const std::string root = tree.Root() + '/';
    const std::vector<std::string> alone = Walk(root, 0);
    ASSERT_EQ(alone.size(), 12u + 12 * 12 * 7 + 50 + 50);
    for (const unsigned threads : {1u, 3u, 8u})
        EXPECT_EQ(Walk(root, threads), alone) << threads;
    // The limits too: a depth, and a folder left out (asked from the threads).
    TScanLimits limits;
    limits.MaxDepth = 2;
    limits.EntersFolder = [](std::string_view name) { return name != "b5"; };
    EXPECT_EQ(Walk(root, 4, limits), Walk(root, 0, limits));
}

TEST(ReadAhead, FoldersThatVanishAheadOfTheWalkAreListedAtMostOnce)
{
    for (int round = 0; round < 3; ++round) {
        // No links: a folder removed would change the path its files are listed under.
        TTempTree tree;
        MakeRacingTree(tree, false);
        const std::string root = tree.Root() + '/';
        // The first file seen removes the last half of the tree while it is read ahead.
        bool removed = false;
        const std::vector<std::string> files = Walk(root, 4, {}, [&](const std::string &) {
            if (!removed) {
                removed = true;
                for (int a = 6; a < 12; ++a)
                    std::filesystem::remove_all(root + "a" + std::to_string(a));
            }
            return true;
        });
        std::vector<std::string> sorted = files;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
        // What stayed is all there, in the walk's order.
        const std::vector<std::string> after = Walk(root, 0);
        std::vector<std::string> kept;
        for (const std::string &file : files) {
            if (std::find(after.begin(), after.end(), file) != after.end())
                kept.push_back(file);
        }
        EXPECT_EQ(kept, after);
    }
}

TEST(ReadAhead, AStopEndsTheWalkAtOnce)
{
    TTempTree tree;
    MakeRacingTree(tree);
    const std::string root = tree.Root() + '/';
    const std::vector<std::string> alone = Walk(root, 0);
    for (const std::size_t stop : {std::size_t(1), std::size_t(100), alone.size() - 1}) {
        const std::vector<std::string> files = Walk(
            root, 8, {}, [&, count = std::size_t(0)](const std::string &) mutable { return ++count < stop; });
        EXPECT_EQ(files, std::vector<std::string>(alone.begin(), alone.begin() + std::ptrdiff_t(stop)));
    }
}

TEST(ReadAhead, UnreadableFoldersAreLeftOutAsByTheWalkAlone)
{
    TTempTree tree;
    MakeRacingTree(tree);
    for (const char *folder : {"a2", "a5/b3", "a8/b1/c4"})
        tree.Chmod(folder, 0);
    tree.Chmod("a10/b6", 0311); // entered, not read
    const std::string root = tree.Root() + '/';
    std::vector<std::string> alone;
    std::vector<std::string> ahead;
    const bool ran = tree.AsUnprivilegedUser([&] {
        alone = Walk(root, 0);
        ahead = Walk(root, 6);
    });
    for (const char *folder : {"a2", "a5/b3", "a8/b1/c4", "a10/b6"})
        tree.Chmod(folder, 0755);
    ASSERT_TRUE(ran) << "cannot act as a user without privileges";
    EXPECT_LT(alone.size(), Walk(root, 0).size());
    EXPECT_EQ(ahead, alone);
}

TEST(ReadAhead, HugeFoldersAreReadOnByTheWalkWhereTheThreadsLeftThem)
{
    // Two folders of more than a thread reads of one, each with subfolders, and links to
    // each other's: whichever comes first in the walk, one is reached through a link
    // after a thread read it under its own name (the walk waits for the threads at its
    // first file, before it walks either).
    TTempTree tree;
    const std::string longName(240, 'n');
    tree.File("p/first");
    tree.File("q/first");
    for (const std::string folder : {"p/huge/", "q/huge/"}) {
        for (int i = 0; i < 1200; ++i)
            tree.File(folder + longName + std::to_string(i));
        for (int i = 0; i < 3; ++i)
            tree.File(folder + "sub" + std::to_string(i) + "/f");
    }
    tree.Symlink("p/link", "../q/huge");
    tree.Symlink("q/link", "../p/huge");
    const std::string root = tree.Root() + '/';
    const std::vector<std::string> alone = Walk(root, 0);
    ASSERT_EQ(alone.size(), 2u * 1204);
    const auto waitAtFirst = [waited = false](const std::string &) mutable {
        if (!std::exchange(waited, true))
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        return true;
    };
    EXPECT_EQ(Walk(root, 4, {}, waitAtFirst), alone);
    const std::size_t stop = 1800;
    const std::vector<std::string> stopped = Walk(
        root, 4, {}, [&, count = std::size_t(0)](const std::string &) mutable { return ++count < stop; });
    EXPECT_EQ(stopped, std::vector<std::string>(alone.begin(), alone.begin() + std::ptrdiff_t(stop)));
}
