#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <ostream>
#include <poll.h>
#include <string>
#include <sys/inotify.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "platform/system/fd.h"
#include "tests/app/exportrun.h"
#include "tests/support/filekinds.h"
#include "tests/support/temptree.h"

namespace {

// Reports the entries created in a folder.
class TNewEntries
{
public:
    explicit TNewEntries(const std::string &folder)
        : m_fd(::inotify_init1(IN_CLOEXEC | IN_NONBLOCK))
    {
        if (!m_fd || ::inotify_add_watch(m_fd.Get(), folder.c_str(), IN_CREATE) < 0)
            throw std::runtime_error("inotify on " + folder);
    }

    // Waits up to `milliseconds` for an entry named otherwise than `name` to be created.
    bool OtherThan(const std::string &name, int milliseconds)
    {
        pollfd entry{m_fd.Get(), POLLIN, 0};
        if (::poll(&entry, 1, milliseconds) <= 0)
            return false;
        alignas(inotify_event) char buffer[8192];
        const ssize_t length = ::read(m_fd.Get(), buffer, sizeof buffer);
        for (ssize_t at = 0; at < length;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
            if (event->len > 0 && name != event->name)
                return true;
            at += ssize_t(sizeof(inotify_event) + event->len);
        }
        return false;
    }

private:
    TFd m_fd;
};

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
class ExportSignals : public ::testing::TestWithParam<TSignalCase>
{
protected:
    static void SetUpTestSuite()
    {
        s_tree = new TTempTree;
        for (int folder = 0; folder < 100; ++folder) {
            const std::string path = s_tree->Path("folder " + std::to_string(folder));
            std::filesystem::create_directory(path);
            for (int file = 0; file < 300; ++file)
                ::close(::creat((path + "/file_" + std::to_string(file) + ".txt").c_str(), 0644));
        }
    }
    static void TearDownTestSuite()
    {
        delete s_tree;
        s_tree = nullptr;
    }

    static TTempTree *s_tree;
};

TTempTree *ExportSignals::s_tree = nullptr;

} // namespace

// The export is stopped once its temporary exists beside the target, sent the signal and
// let go on: it ends by that signal, and the folder holds the old target alone.
TEST_P(ExportSignals, ASignalDuringTheWriteLeavesTheOldFileAndNoTemporary)
{
    const TSignalCase &test = GetParam();
    TTempTree out;
    const std::string target = out.Path(test.Name);
    for (int attempt = 0; attempt < 10; ++attempt) {
        std::filesystem::remove_all(out.Root());
        std::filesystem::create_directory(out.Root());
        out.TextFile(test.Name, "old");
        TNewEntries created(out.Root());
        TExportProcess process({"-SD", "--format", test.Format, "-o", target, s_tree->Root()});
        bool caught = false;
        while (!caught && !process.Ended()) {
            if (created.OtherThan(test.Name, 100)) {
                // Stopped too late, the temporary may already have become the target.
                caught = process.Stop() && FolderEntries(out.Root()).size() == 2;
                if (!caught)
                    ::kill(process.Pid(), SIGCONT);
                break;
            }
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
        return;
    }
    FAIL() << "no temporary was ever seen beside the target";
}

INSTANTIATE_TEST_SUITE_P(EveryFormatAndName, ExportSignals,
    ::testing::Values(TSignalCase{"text", "liste \xE9.txt", SIGTERM},
        TSignalCase{"text", "liste \xC3\xA9.txt", SIGHUP}, TSignalCase{"rtf", "liste \xE9.rtf", SIGINT},
        TSignalCase{"rtf", "liste.rtf", SIGTERM}, TSignalCase{"pdf", "liste \xE9.pdf", SIGTERM},
        TSignalCase{"pdf", "liste \xC3\xA9.pdf", SIGINT}),
    [](const ::testing::TestParamInfo<TSignalCase> &info) {
        return info.param.Format + "_" + std::to_string(info.index);
    });
