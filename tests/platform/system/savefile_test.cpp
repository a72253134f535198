#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <QIODevice>

#include <gtest/gtest.h>

#include "platform/system/error.h"
#include "platform/system/outputfile.h"
#include "platform/system/savefile.h"
#include "platform/system/temporaries.h"
#include "platform/ui/richedit.h"
#include "tests/support/filekinds.h"
#include "tests/support/temptree.h"

namespace {

// A name in UTF-8 and the same in Latin-1, which no QString spells.
const std::vector<std::string> Names = {"sortie \xC3\xA9.txt", "sortie \xE9.txt"};

void Save(const std::string &path, const std::string &text)
{
    SaveFileAtomically(path, [&text](QIODevice &out) { out.write(text.data(), qint64(text.size())); });
}

std::string CreateErrorOf(const std::function<void()> &body)
{
    try {
        body();
    } catch (const EFCreateError &error) {
        return error.Message();
    }
    return "no EFCreateError";
}

bool IsSymlink(const std::string &path)
{
    return std::filesystem::is_symlink(path);
}

} // namespace

TEST(SaveFileAtomically, ADeviceIsWrittenThroughAndStaysADevice)
{
    for (const std::string &name : Names) {
        SCOPED_TRACE(name);
        TTempTree tree;
        MAKE_NULL_DEVICE_OR_SKIP(tree.Path(name));
        Save(tree.Path(name), "into the device");
        EXPECT_TRUE(IsNullDevice(tree.Path(name)));
        EXPECT_EQ(FolderEntries(tree.Root()), std::vector<std::string>{name});
    }
}

TEST(SaveFileAtomically, AFifoIsWrittenThroughToItsReaderAndStaysAFifo)
{
    for (const std::string &name : Names) {
        SCOPED_TRACE(name);
        TTempTree tree;
        tree.Fifo(name);
        TFifoReader reader(tree.Path(name));
        const std::string big(300'000, 'x'); // more than a pipe holds: the writer waits for the reader
        Save(tree.Path(name), big + "end\n");
        EXPECT_EQ(reader.Finish().toStdString(), big + "end\n");
        EXPECT_TRUE(IsFifo(tree.Path(name)));
        EXPECT_EQ(FolderEntries(tree.Root()), std::vector<std::string>{name});
    }
}

TEST(SaveFileAtomically, DirectoriesAndSocketsAreRefusedAndStay)
{
    for (const std::string &name : Names) {
        SCOPED_TRACE(name);
        TTempTree tree;
        tree.TextFile("folder " + name + "/inside", "kept");
        const std::string folder = tree.Path("folder " + name);
        EXPECT_EQ(CreateErrorOf([&] { Save(folder, "x"); }), "Impossible de créer le fichier " + folder);
        EXPECT_EQ(FileBytes(folder + "/inside"), "kept");

        const TBoundSocket socket(tree.Path("socket " + name));
        const std::string socketPath = tree.Path("socket " + name);
        EXPECT_EQ(
            CreateErrorOf([&] { Save(socketPath, "x"); }), "Impossible de créer le fichier " + socketPath);
        EXPECT_TRUE(IsSocket(socketPath));
        EXPECT_EQ(FolderEntries(tree.Root()), (std::vector<std::string>{"folder " + name, "socket " + name}));
    }
}

TEST(SaveFileAtomically, LinksKeepPointingAtTheFileTheyNameAndADanglingLinkGetsItsFile)
{
    for (const std::string &name : Names) {
        SCOPED_TRACE(name);
        TTempTree tree;
        // A chain of relative links, each read against its own folder.
        tree.TextFile("files/" + name, "old");
        tree.Symlink("links/step", "../files/" + name);
        tree.Symlink("first", "links/step");
        Save(tree.Path("first"), "new");
        EXPECT_EQ(FileBytes(tree.Path("files/" + name)), "new");
        EXPECT_TRUE(IsSymlink(tree.Path("first")));
        EXPECT_TRUE(IsSymlink(tree.Path("links/step")));
        EXPECT_EQ(FolderEntries(tree.Path("files")), std::vector<std::string>{name});

        tree.Folder("made");
        tree.Symlink("links/dangling", "../made/" + name);
        Save(tree.Path("links/dangling"), "created");
        EXPECT_EQ(FileBytes(tree.Path("made/" + name)), "created");
        EXPECT_TRUE(IsSymlink(tree.Path("links/dangling")));
        tree.Symlink("absolute", tree.Path("made/other " + name));
        Save(tree.Path("absolute"), "other");
        EXPECT_EQ(FileBytes(tree.Path("made/other " + name)), "other");
        EXPECT_TRUE(IsSymlink(tree.Path("absolute")));

        // A loop leads nowhere.
        tree.Symlink("loop a", "loop b");
        tree.Symlink("loop b", "loop a");
        EXPECT_EQ(CreateErrorOf([&] { Save(tree.Path("loop a"), "x"); }),
            "Impossible de créer le fichier " + tree.Path("loop a"));
        EXPECT_TRUE(IsSymlink(tree.Path("loop a")));
        EXPECT_EQ(FolderEntries(tree.Path("made")), (std::vector<std::string>{"other " + name, name}));
    }
}

TEST(SaveFileAtomically, NamesOfTheProcesssOwnDescriptorsWriteThroughThem)
{
    TTempTree tree;
    tree.TextFile("held.txt", "head\n");
    const unsigned long inode = InodeOf(tree.Path("held.txt"));
    const int fd = ::open(tree.Path("held.txt").c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    const std::string number = std::to_string(fd);
    Save("/dev/fd/" + number, "first\n");
    Save("/proc/self/fd/" + number, "second\n");
    Save("//proc//" + std::to_string(::getpid()) + "/fd/" + number, "third\n");
    ::close(fd);
    // Written where the descriptor writes, never replaced.
    EXPECT_EQ(FileBytes(tree.Path("held.txt")), "head\nfirst\nsecond\nthird\n");
    EXPECT_EQ(InodeOf(tree.Path("held.txt")), inode);
    EXPECT_EQ(FolderEntries(tree.Root()), std::vector<std::string>{"held.txt"});

    // A link to such a name leads to the descriptor too.
    const int again = ::open(tree.Path("held.txt").c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    tree.Symlink("to descriptor", "/dev/fd/" + std::to_string(again));
    Save(tree.Path("to descriptor"), "fourth\n");
    ::close(again);
    EXPECT_EQ(FileBytes(tree.Path("held.txt")), "head\nfirst\nsecond\nthird\nfourth\n");
    EXPECT_TRUE(IsSymlink(tree.Path("to descriptor")));

    // A descriptor that is closed or open for reading only cannot take the output.
    const int reading = ::open(tree.Path("held.txt").c_str(), O_RDONLY | O_CLOEXEC);
    EXPECT_EQ(CreateErrorOf([&] { Save("/dev/fd/" + std::to_string(reading), "x"); }),
        "Impossible de créer le fichier /dev/fd/" + std::to_string(reading));
    ::close(reading);
    EXPECT_EQ(CreateErrorOf([&] { Save("/dev/fd/" + std::to_string(reading), "x"); }),
        "Impossible de créer le fichier /dev/fd/" + std::to_string(reading));
    EXPECT_EQ(InodeOf(tree.Path("held.txt")), inode);
}

TEST(SaveFileAtomically, AReplacedFileKeepsItsOwnerAndMode)
{
    TTempTree tree;
    tree.TextFile("owned.txt", "old");
    tree.Chmod("owned.txt", 0640);
    // Root gives the file away first and must give the new one back; a user keeps it.
    const uid_t owner = ::geteuid() == 0 ? 65534 : ::geteuid();
    const gid_t group = ::geteuid() == 0 ? 65534 : ::getegid();
    ASSERT_EQ(::chown(tree.Path("owned.txt").c_str(), owner, group), 0);
    Save(tree.Path("owned.txt"), "new");
    struct stat status
    {
    };
    ASSERT_EQ(::stat(tree.Path("owned.txt").c_str(), &status), 0);
    EXPECT_EQ(status.st_uid, owner);
    EXPECT_EQ(status.st_gid, group);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
    EXPECT_EQ(FileBytes(tree.Path("owned.txt")), "new");
}

TEST(SaveFileAtomically, AFileThatMayNotBeWrittenIsRefusedAlsoForRoot)
{
    TTempTree tree;
    tree.TextFile("plain", "a file, not a folder");
    EXPECT_EQ(CreateErrorOf([&] { Save(tree.Path("plain/x.txt"), "x"); }),
        "Impossible de créer le fichier " + tree.Path("plain/x.txt"));

    // Immutable stops root too, where the file system has the attribute; a user is
    // stopped by the permissions.
    tree.TextFile("locked/keep.txt", "old");
    for (const auto &[locked, mode] : {std::pair("locked/keep.txt", 0444), std::pair("locked", 0555)}) {
        SCOPED_TRACE(locked);
        const TImmutable immutable(tree.Path(locked));
        if (!immutable.Ok() && ::geteuid() == 0)
            continue;
        if (!immutable.Ok())
            tree.Chmod(locked, mode);
        EXPECT_THROW(Save(tree.Path("locked/keep.txt"), "new"), EFCreateError);
        if (!immutable.Ok())
            tree.Chmod(locked, mode | 0200);
    }
    EXPECT_EQ(FileBytes(tree.Path("locked/keep.txt")), "old");
    EXPECT_EQ(FolderEntries(tree.Path("locked")), std::vector<std::string>{"keep.txt"});
}

TEST(TRichEdit, SaveToFileWritesThroughADeviceAndLeavesItADevice)
{
    TRichEdit view;
    view.AppendLine(u"\tnotes.txt");
    TTempTree tree;
    MAKE_NULL_DEVICE_OR_SKIP(tree.Path("null.rtf"));
    view.SaveToFile(tree.Path("null.rtf"));
    EXPECT_TRUE(IsNullDevice(tree.Path("null.rtf")));
    EXPECT_EQ(FolderEntries(tree.Root()), std::vector<std::string>{"null.rtf"});
}

TEST(TRichEdit, SaveToFileWritesThroughAFifoToItsReaderAndLeavesItAFifo)
{
    TRichEdit view;
    view.AppendLine(u"\tnotes.txt");
    TTempTree tree;
    tree.Fifo("fifo.rtf");
    TFifoReader reader(tree.Path("fifo.rtf"));
    view.SaveToFile(tree.Path("fifo.rtf"));
    const QByteArray rtf = reader.Finish();
    EXPECT_TRUE(rtf.startsWith("{\\rtf1")) << rtf.left(40).toStdString();
    EXPECT_TRUE(rtf.contains("notes.txt"));
    EXPECT_TRUE(IsFifo(tree.Path("fifo.rtf")));
    EXPECT_EQ(FolderEntries(tree.Root()), std::vector<std::string>{"fifo.rtf"});
}

TEST(TTemporaryNameDeathTest, AFatalSignalRemovesTheTemporaryAndEndsTheProcessByThatSignal)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        TTempTree tree;
        tree.TextFile(Names[1], "old");
        EXPECT_EXIT(
            {
                RemoveTemporariesOnFatalSignals();
                TOutputFile output(tree.Path(Names[1]));
                const bool wrote = ::write(output.Descriptor(), "partial", 7) == 7;
                const bool temporaryExists = FolderEntries(tree.Root()).size() == 2;
                if (wrote && temporaryExists)
                    ::raise(signal);
                std::_Exit(3);
            },
            ::testing::KilledBySignal(signal), "");
        EXPECT_EQ(FolderEntries(tree.Root()), std::vector<std::string>{Names[1]});
        EXPECT_EQ(FileBytes(tree.Path(Names[1])), "old");
    }
}

TEST(TTemporaryNameDeathTest, AnIgnoredSignalStaysIgnored)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            std::signal(SIGHUP, SIG_IGN);
            RemoveTemporariesOnFatalSignals();
            ::raise(SIGHUP);
            std::_Exit(7);
        },
        ::testing::ExitedWithCode(7), "");
}
