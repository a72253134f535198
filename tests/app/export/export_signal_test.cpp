#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <ostream>
#include <poll.h>
#include <set>
#include <string>
#include <sys/inotify.h>
#include <unistd.h>
#include <vector>

#include <QScopeGuard>

#include <gtest/gtest.h>

#include "platform/system/fd.h"
#include "tests/app/export/exportrun.h"
#include "tests/support/filekinds.h"
#include "tests/support/temptree.h"

namespace {

// Reports the entries moved into a folder.
class TNewEntries
{
public:
    explicit TNewEntries(const std::string &folder)
        : m_fd(::inotify_init1(IN_CLOEXEC | IN_NONBLOCK))
    {
        if (!m_fd || ::inotify_add_watch(m_fd.Get(), folder.c_str(), IN_MOVED_TO) < 0)
            throw std::runtime_error("inotify on " + folder);
    }

    // Waits up to `milliseconds` for an entry to be renamed to `name`.
    bool MovedTo(const std::string &name, int milliseconds)
    {
        return Wait(milliseconds, [&name](const inotify_event &event) {
            return (event.mask & IN_MOVED_TO) != 0 && name == event.name;
        });
    }

private:
    template <typename TMatch> bool Wait(int milliseconds, TMatch match)
    {
        pollfd entry{m_fd.Get(), POLLIN, 0};
        if (::poll(&entry, 1, milliseconds) <= 0)
            return false;
        alignas(inotify_event) char buffer[8192];
        const ssize_t length = ::read(m_fd.Get(), buffer, sizeof buffer);
        for (ssize_t at = 0; at < length;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
            if (event->len > 0 && match(*event))
                return true;
            at += ssize_t(sizeof(inotify_event) + event->len);
        }
        return false;
    }

    TFd m_fd;
};

// What the process's descriptors name in `folder` other than `target`: the file it is
// writing there, named ("folder/.name") or not yet ("folder/#123 (deleted)" for O_TMPFILE),
// once however many descriptors it holds on it.
std::set<std::string> WrittenIn(pid_t pid, const std::string &folder, const std::string &target)
{
    std::set<std::string> found;
    const std::string fds = "/proc/" + std::to_string(pid) + "/fd";
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(fds, error)) {
        char text[4096];
        const ssize_t length = ::readlink(entry.path().c_str(), text, sizeof text);
        const std::string name = length > 0 ? std::string(text, std::size_t(length)) : std::string();
        if (name.starts_with(folder + "/") && name != target)
            found.insert(name);
    }
    return found;
}

struct TSignalCase
{
    std::string Format;
    std::string Name;
    int Signal;
};

void PrintTo(const TSignalCase &test, std::ostream *out)
{
    *out << test.Format << " to \"" << test.Name << "\", signal " << test.Signal;
}

// A listing long enough that its writing lasts a while: 30,000 files with sizes and dates.
class ExportSignalTree
{
protected:
    static void MakeTree()
    {
        s_tree = new TTempTree;
        for (int folder = 0; folder < 100; ++folder) {
            const std::string path = s_tree->Path("folder " + std::to_string(folder));
            std::filesystem::create_directory(path);
            for (int file = 0; file < 300; ++file)
                ::close(::creat((path + "/file_" + std::to_string(file) + ".txt").c_str(), 0644));
        }
    }
    static void DropTree()
    {
        delete s_tree;
        s_tree = nullptr;
    }

    static TTempTree *s_tree;
};

TTempTree *ExportSignalTree::s_tree = nullptr;

class ExportSignals : public ExportSignalTree, public ::testing::TestWithParam<TSignalCase>
{
protected:
    static void SetUpTestSuite() { MakeTree(); }
    static void TearDownTestSuite() { DropTree(); }
};

class ExportCommit : public ExportSignalTree, public ::testing::TestWithParam<TSignalCase>
{
protected:
    static void SetUpTestSuite() { MakeTree(); }
    static void TearDownTestSuite() { DropTree(); }
};

} // namespace

// The export is stopped while it writes its output (a descriptor of it names a file in
// the target's folder, the target still old), sent the signal and let go on: it ends by
// that signal, and the folder holds the old target alone.
TEST_P(ExportSignals, ASignalDuringTheWriteLeavesTheOldFileAndNoTemporary)
{
    const TSignalCase &test = GetParam();
    TTempTree out;
    const std::string target = out.Path(test.Name);
    // Where the PDF program makes its private runtime folder (there is no XDG_RUNTIME_DIR).
    TTempTree temporaries;
    const std::optional<std::string> oldTemporaries
        = std::getenv("TMPDIR") ? std::optional<std::string>(std::getenv("TMPDIR")) : std::nullopt;
    ::setenv("TMPDIR", temporaries.Root().c_str(), 1);
    const auto restore = qScopeGuard(
        [&] { oldTemporaries ? ::setenv("TMPDIR", oldTemporaries->c_str(), 1) : ::unsetenv("TMPDIR"); });
    for (int attempt = 0; attempt < 10; ++attempt) {
        std::filesystem::remove_all(out.Root());
        std::filesystem::create_directory(out.Root());
        out.TextFile(test.Name, "old");
        TExportProcess process({"-SD", "--format", test.Format, "-o", target, s_tree->Root()});
        bool caught = false;
        while (!caught && !process.Ended()) {
            if (WrittenIn(process.Pid(), out.Root(), target).empty()) {
                ::usleep(500);
                continue;
            }
            // Stopped too late, the output may be on its way to becoming the target: only
            // a file still being written counts (one not named yet, or the one entry
            // beside the target that it writes).
            if (process.Stop()) {
                const std::set<std::string> written = WrittenIn(process.Pid(), out.Root(), target);
                const std::vector<std::string> entries = FolderEntries(out.Root());
                caught = written.size() == 1 && FileBytes(target) == "old"
                    && (entries == std::vector<std::string>{test.Name}
                        || (entries.size() == 2 && !written.begin()->ends_with(" (deleted)")));
                if (!caught)
                    ::kill(process.Pid(), SIGCONT);
            }
            break;
        }
        if (!caught) {
            process.Wait();
            continue;
        }
        ::kill(process.Pid(), test.Signal);
        ::kill(process.Pid(), SIGCONT);
        const TRun run = process.Wait();
        EXPECT_EQ(run.Signal, test.Signal) << run.Err.toStdString();
        EXPECT_EQ(FolderEntries(out.Root()), std::vector<std::string>{test.Name});
        EXPECT_EQ(FileBytes(target), "old");
        EXPECT_EQ(FolderEntries(temporaries.Root()), std::vector<std::string>{});
        return;
    }
    FAIL() << "the export was never caught while writing its output";
}

INSTANTIATE_TEST_SUITE_P(EveryFormatAndName, ExportSignals,
    ::testing::Values(TSignalCase{"text", "liste \xE9.txt", SIGTERM},
        TSignalCase{"text", "liste \xC3\xA9.txt", SIGHUP}, TSignalCase{"rtf", "liste \xE9.rtf", SIGINT},
        TSignalCase{"rtf", "liste.rtf", SIGTERM}, TSignalCase{"pdf", "liste \xE9.pdf", SIGTERM},
        TSignalCase{"pdf", "liste \xC3\xA9.pdf", SIGINT}),
    [](const ::testing::TestParamInfo<TSignalCase> &info) {
        return info.param.Format + "_" + std::to_string(info.index);
    });

// Signals beyond the usual three end the process too: none may leave a temporary.
INSTANTIATE_TEST_SUITE_P(EveryFatalSignal, ExportSignals,
    ::testing::Values(TSignalCase{"pdf", "out.pdf", SIGUSR1}, TSignalCase{"pdf", "out.pdf", SIGALRM},
        TSignalCase{"rtf", "out.rtf", SIGUSR1}, TSignalCase{"rtf", "out.rtf", SIGALRM},
        TSignalCase{"html", "out.html", SIGUSR1}, TSignalCase{"html", "out.html", SIGALRM},
        TSignalCase{"text", "out.txt", SIGUSR2}, TSignalCase{"csv", "out.csv", SIGVTALRM},
        TSignalCase{"json", "out.json", SIGPWR}, TSignalCase{"pdf", "out.pdf", SIGRTMIN + 2}),
    [](const ::testing::TestParamInfo<TSignalCase> &info) {
        return info.param.Format + "_" + std::to_string(info.param.Signal);
    });

// The export is stopped just after its output replaced the target, sent the signal and
// let go on: its work is done, and it ends with 0.
TEST_P(ExportCommit, ASignalOnceTheTargetIsReplacedEndsTheExportWithZero)
{
    const TSignalCase &test = GetParam();
    TTempTree out;
    const std::string target = out.Path(test.Name);
    for (int attempt = 0; attempt < 20; ++attempt) {
        std::filesystem::remove_all(out.Root());
        std::filesystem::create_directory(out.Root());
        out.TextFile(test.Name, "old");
        TNewEntries created(out.Root());
        TExportProcess process({"-SD", "--format", test.Format, "-o", target, s_tree->Root()});
        bool caught = false;
        while (!process.Ended()) {
            if (created.MovedTo(test.Name, 100)) {
                caught = process.Stop();
                break;
            }
        }
        if (!caught) {
            process.Wait();
            continue;
        }
        EXPECT_NE(FileBytes(target), "old");
        ::kill(process.Pid(), test.Signal);
        ::kill(process.Pid(), SIGCONT);
        const TRun run = process.Wait();
        EXPECT_EQ(run.Signal, 0);
        EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
        EXPECT_EQ(FolderEntries(out.Root()), std::vector<std::string>{test.Name});
        return;
    }
    FAIL() << "the export was never caught after replacing its target";
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, ExportCommit,
    ::testing::Values(TSignalCase{"text", "out.txt", SIGTERM}, TSignalCase{"pdf", "out.pdf", SIGTERM},
        TSignalCase{"rtf", "out.rtf", SIGHUP}, TSignalCase{"html", "out.html", SIGINT}),
    [](const ::testing::TestParamInfo<TSignalCase> &info) {
        return info.param.Format + "_" + std::to_string(info.param.Signal);
    });
