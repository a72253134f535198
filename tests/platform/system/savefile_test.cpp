#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <QIODevice>
#include <QScopeGuard>

#include <gtest/gtest.h>

#include "platform/system/error.h"
#include "platform/system/outputfile.h"
#include "platform/system/savefile.h"
#include "platform/system/temporaries.h"
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

namespace {

// The signals whose default action ends the process, as signal(7) lists them.
std::vector<int> DefaultFatalSignals()
{
    std::vector<int> signals = {SIGHUP, SIGINT, SIGQUIT, SIGILL, SIGTRAP, SIGABRT, SIGBUS, SIGFPE, SIGUSR1,
        SIGSEGV, SIGUSR2, SIGPIPE, SIGALRM, SIGTERM, SIGSTKFLT, SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGIO,
        SIGPWR, SIGSYS};
    for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal)
        signals.push_back(signal);
    return signals;
}

// Whether this process is the child of a death test, which runs the test's body again.
bool InDeathTestChild()
{
    return !GTEST_FLAG_GET(internal_run_death_test).empty();
}

// A folder that a death test's child shares with its parent (the child runs the test's
// body again, where a new temporary tree would be another folder): made by the parent,
// which passes it down through the environment.
std::string DeathTestFolder(std::optional<TTempTree> &tree)
{
    constexpr const char *Variable = "VANTREL_DEATH_TEST_FOLDER";
    if (InDeathTestChild())
        return std::getenv(Variable);
    tree.emplace();
    ::setenv(Variable, tree->Root().c_str(), 1);
    return tree->Root();
}

bool HasDefaultAction(int signal)
{
    struct sigaction current
    {
    };
    return ::sigaction(signal, nullptr, &current) == 0 && (current.sa_flags & SA_SIGINFO) == 0
        && current.sa_handler == SIG_DFL;
}

// Saves into `folder`, raising `signal` part-way through the write (with no core file to
// dump) once the folder holds what it should: a named temporary beside the target, or
// nothing but the target when the file has no name yet.
void SaveAndRaise(const std::string &folder, const std::string &path, int signal, bool named)
{
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    SaveFileAtomically(path, [&](QIODevice &out) {
        out.write("partial", 7);
        if (FolderEntries(folder).size() == (named ? 2u : 1u))
            ::raise(signal);
    });
}

struct TSignalCase
{
    int Signal;
    bool Named;
};

void PrintTo(const TSignalCase &test, std::ostream *out)
{
    *out << "signal " << test.Signal << (test.Named ? ", named temporary" : ", unnamed file");
}

std::vector<TSignalCase> SignalCases()
{
    std::vector<TSignalCase> cases;
    for (const bool named : {true, false}) {
        for (const int signal : DefaultFatalSignals())
            cases.push_back({signal, named});
    }
    return cases;
}

} // namespace

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

// A link is followed only where the kernel's fs.protected_symlinks would follow it: one
// that another user planted in a sticky world-writable folder is not, at any step of a
// chain, so that the file it names stays and a dangling one creates nothing.
TEST(SaveFileAtomically, ALinkPlantedByAnotherUserInAStickyFolderIsNotFollowed)
{
    constexpr uid_t Nobody = 65534;
    TTempTree tree;
    tree.Folder("shared");
    tree.Chmod("shared", 01777);
    tree.TextFile("private/secret", "secret");
    tree.Symlink("shared/planted", tree.Path("private/secret"));
    tree.Symlink("shared/dangling", tree.Path("private/made"));
    tree.Symlink("shared/chain", "planted");
    tree.Symlink("to chain", "shared/chain");
    for (const char *link : {"shared/planted", "shared/dangling"}) {
        // Only a privileged user may give a link away.
        const int given = ::lchown(tree.Path(link).c_str(), Nobody, Nobody);
        if (given != 0 && errno == EPERM)
            GTEST_SKIP() << "lchown to another user is not permitted here";
        ASSERT_EQ(given, 0);
    }
    for (const char *link : {"shared/planted", "shared/dangling", "shared/chain", "to chain"}) {
        SCOPED_TRACE(link);
        EXPECT_EQ(CreateErrorOf([&] { Save(tree.Path(link), "new"); }),
            "Impossible de créer le fichier " + tree.Path(link));
        EXPECT_TRUE(IsSymlink(tree.Path(link)));
    }
    EXPECT_EQ(FileBytes(tree.Path("private/secret")), "secret");
    EXPECT_EQ(FolderEntries(tree.Path("private")), std::vector<std::string>{"secret"});

    // Where the kernel follows, so does the save: a link of the folder's owner, a link in
    // a folder that is sticky but not world-writable or world-writable but not sticky.
    tree.Symlink("shared/owners", tree.Path("private/owners"));
    tree.Folder("sticky");
    tree.Chmod("sticky", 01775);
    tree.Symlink("sticky/theirs", tree.Path("private/sticky"));
    tree.Folder("open");
    tree.Chmod("open", 0777);
    tree.Symlink("open/theirs", tree.Path("private/open"));
    for (const char *link : {"sticky/theirs", "open/theirs"})
        ASSERT_EQ(::lchown(tree.Path(link).c_str(), Nobody, Nobody), 0);
    for (const char *link : {"shared/owners", "sticky/theirs", "open/theirs"})
        Save(tree.Path(link), link);
    EXPECT_EQ(FileBytes(tree.Path("private/owners")), "shared/owners");
    EXPECT_EQ(FileBytes(tree.Path("private/sticky")), "sticky/theirs");
    EXPECT_EQ(FileBytes(tree.Path("private/open")), "open/theirs");

    // In a folder the link's owner owns, the link is followed.
    tree.Folder("nobodys");
    tree.Chmod("nobodys", 01777);
    ASSERT_EQ(::chown(tree.Path("nobodys").c_str(), Nobody, Nobody), 0);
    tree.Symlink("nobodys/theirs", tree.Path("private/nobodys"));
    ASSERT_EQ(::lchown(tree.Path("nobodys/theirs").c_str(), Nobody, Nobody), 0);
    Save(tree.Path("nobodys/theirs"), "followed");
    EXPECT_EQ(FileBytes(tree.Path("private/nobodys")), "followed");
}

// Replacing keeps the extended attributes and the POSIX ACL of the file, as careful
// editors do; a hard link's other names keep the old file.
TEST(SaveFileAtomically, AReplacedFileKeepsItsExtendedAttributesAndAcl)
{
    std::string tried;
    const std::unique_ptr<TTempTree> tree = TreeKeepingUserXattrs(tried);
    if (!tree)
        GTEST_SKIP() << "no writable folder keeps user extended attributes; tried " << tried;
    tree->TextFile(Names[1], "old");
    const std::string target = tree->Path(Names[1]);
    ASSERT_EQ(SetXattr(target, "user.first", "one"), 0);
    ASSERT_EQ(SetXattr(target, "user.second", std::string(3000, 'v')), 0);
    const bool acl = SetXattr(target, "system.posix_acl_access", AccessAclWithReader(65534)) == 0;
    const bool trusted = SetXattr(target, "trusted.note", "for root") == 0;
    const auto aclBefore = Xattr(target, "system.posix_acl_access");
    ASSERT_EQ(::link(target.c_str(), tree->Path("other name").c_str()), 0);

    Save(target, "new");
    EXPECT_EQ(FileBytes(target), "new");
    EXPECT_EQ(Xattr(target, "user.first"), "one");
    EXPECT_EQ(Xattr(target, "user.second"), std::string(3000, 'v'));
    if (acl) {
        EXPECT_EQ(Xattr(target, "system.posix_acl_access"), aclBefore);
    }
    if (trusted) {
        EXPECT_EQ(Xattr(target, "trusted.note"), "for root");
    }
    EXPECT_EQ(FileBytes(tree->Path("other name")), "old");
    EXPECT_EQ(FolderEntries(tree->Root()), (std::vector<std::string>{"other name", Names[1]}));
}

// The temporary's name fits whatever the target's, named or not.
TEST(SaveFileAtomically, NamesOfUpTo255BytesAreWritten)
{
    TTempTree tree;
    const auto unnamed = qScopeGuard([] { TOutputFile::NameTemporariesForTests(false); });
    for (const auto &[length, named] :
        {std::pair(245u, false), std::pair(255u, false), std::pair(245u, true), std::pair(255u, true)}) {
        SCOPED_TRACE(named ? "named temporary" : "unnamed file");
        TOutputFile::NameTemporariesForTests(named);
        const std::string name = std::string(length - 4, '\xE9') + ".txt";
        Save(tree.Path(name), "new");
        EXPECT_EQ(FileBytes(tree.Path(name)), "new");
        Save(tree.Path(name), "again");
        EXPECT_EQ(FileBytes(tree.Path(name)), "again");
        EXPECT_EQ(FolderEntries(tree.Root()), std::vector<std::string>{name});
        std::filesystem::remove(tree.Path(name));
    }
}

// Every signal that ends the process by default, raised while the output is written,
// removes the temporary, and the process still ends by it. A signal that the process
// already handles (a sanitizer's) keeps its handler and is not tried.
class TTemporaryNameSignalDeathTest : public ::testing::TestWithParam<TSignalCase>
{
};

TEST_P(TTemporaryNameSignalDeathTest, ASignalDuringTheWriteRemovesTheTemporaryAndEndsTheProcessByIt)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const int signal = GetParam().Signal;
    const bool named = GetParam().Named;
    if (!InDeathTestChild() && !HasDefaultAction(signal))
        GTEST_SKIP() << "the process already handles signal " << signal;
    std::optional<TTempTree> tree;
    const std::string folder = DeathTestFolder(tree);
    const std::string target = folder + "/" + Names[1];
    if (tree)
        tree->TextFile(Names[1], "old");
    EXPECT_EXIT(
        {
            if (!HasDefaultAction(signal))
                std::signal(signal, SIG_DFL); // set by the test runner in its child alone
            TOutputFile::NameTemporariesForTests(named);
            RemoveTemporariesOnFatalSignals();
            SaveAndRaise(folder, target, signal, named);
            std::_Exit(3);
        },
        ::testing::KilledBySignal(signal), "");
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{Names[1]});
    EXPECT_EQ(FileBytes(target), "old");
}

INSTANTIATE_TEST_SUITE_P(EveryFatalSignal, TTemporaryNameSignalDeathTest, ::testing::ValuesIn(SignalCases()),
    [](const ::testing::TestParamInfo<TSignalCase> &info) {
        return (info.param.Named ? "named_" : "unnamed_") + std::to_string(info.param.Signal);
    });

// A signal sent while an output is put in place waits for the end of the commit: the
// process ends by it only once the section is over.
TEST(TCommitSectionDeathTest, ASignalSentDuringTheCommitWaitsForItsEnd)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    std::optional<TTempTree> tree;
    const std::string folder = DeathTestFolder(tree);
    EXPECT_EXIT(
        {
            RemoveTemporariesOnFatalSignals();
            {
                TCommitSection section;
                ::raise(SIGTERM);
                Save(folder + "/after the signal", "written");
            }
            std::_Exit(3);
        },
        ::testing::KilledBySignal(SIGTERM), "");
    EXPECT_EQ(FileBytes(folder + "/after the signal"), "written");
}

// For a command whose work is its output, a signal sent once the output is committed
// ends it with 0, whether it came during the commit or after; a fault still ends it by
// its signal.
TEST(TCommitSectionDeathTest, OnceCommittedASignalEndsACommandWithSuccessButAFaultDoesNot)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            RemoveTemporariesOnFatalSignals();
            EndWithSuccessOnceCommitted();
            TCommitSection section;
            ::raise(SIGTERM);
            section.Committed();
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(
        {
            RemoveTemporariesOnFatalSignals();
            EndWithSuccessOnceCommitted();
            TCommitSection().Committed();
            ::raise(SIGUSR1);
            std::_Exit(3);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(
        {
            RemoveTemporariesOnFatalSignals();
            EndWithSuccessOnceCommitted();
            {
                TCommitSection section;
                section.Committed();
            }
            ::raise(SIGABRT);
            std::_Exit(3);
        },
        ::testing::KilledBySignal(SIGABRT), "");
    // Without a commit, or for a program that did not ask, the signal ends the process.
    EXPECT_EXIT(
        {
            RemoveTemporariesOnFatalSignals();
            EndWithSuccessOnceCommitted();
            {
                TCommitSection section;
                ::raise(SIGHUP);
            }
            std::_Exit(3);
        },
        ::testing::KilledBySignal(SIGHUP), "");
    EXPECT_EXIT(
        {
            RemoveTemporariesOnFatalSignals();
            TCommitSection().Committed();
            ::raise(SIGTERM);
            std::_Exit(3);
        },
        ::testing::KilledBySignal(SIGTERM), "");
}

// A full file system: the message stays, its detail names the file as given and the
// system's reason; the old file stays and nothing is left beside it.
TEST(SaveFileAtomically, AFullFileSystemGivesTheFileAndTheReason)
{
    TTempTree tree;
    tree.Folder("small");
    const TSmallFileSystem small(tree.Path("small"), 64 * 1024);
    std::optional<TFileSizeLimit> limit;
    if (!small.Ok())
        limit.emplace(64 * 1024);
    const std::string target = tree.Path("small/" + Names[1]);
    tree.TextFile("small/" + Names[1], "old");
    for (const bool named : {false, true}) {
        SCOPED_TRACE(named ? "named temporary" : "unnamed file");
        TOutputFile::NameTemporariesForTests(named);
        std::string message, detail;
        try {
            Save(target, std::string(200'000, 'x'));
        } catch (const EWriteError &error) {
            message = error.Message();
            detail = error.Detail();
        }
        TOutputFile::NameTemporariesForTests(false);
        EXPECT_EQ(message, "Erreur à l'enregistrement de flux");
        EXPECT_EQ(detail, target + " : " + SystemErrorText(small.Ok() ? ENOSPC : EFBIG));
        EXPECT_EQ(FileBytes(target), "old");
        EXPECT_EQ(FolderEntries(tree.Path("small")), std::vector<std::string>{Names[1]});
    }
}

// System errors read in French where the C library has its French catalogue, whatever the
// locale, and in its own words otherwise.
TEST(SystemErrorText, IsTheCLibrarysTextInFrenchWhereItHasFrench)
{
    EXPECT_EQ(SystemErrorText(ENOSPC), FrenchOrEnglishErrorText(ENOSPC));
    EXPECT_EQ(SystemErrorText(EFBIG), FrenchOrEnglishErrorText(EFBIG));
    EXPECT_FALSE(SystemErrorText(EACCES).empty());
    EXPECT_FALSE(SystemErrorText(100000).empty());
    EXPECT_EQ(FileErrorDetail("out.txt", 0), "out.txt");
    EXPECT_EQ(FileErrorDetail("out.txt", ENOSPC), "out.txt : " + SystemErrorText(ENOSPC));
}
