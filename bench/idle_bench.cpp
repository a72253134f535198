// Measures what the program costs while it sits idle with a folder selected in the
// folder tree: the tree watches that folder and its parent, and nothing changes.
//
//   idle_bench FOLDER [SECONDS]
//
// Prints the processor time the whole process used over SECONDS (default 10) of
// waiting, once the watchers have started, and how many threads it had meanwhile.

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include "systree/systemtreeview.h"

namespace {

double ProcessCpuMs()
{
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Lets the event loop run for `ms` milliseconds.
void RunFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

std::size_t ThreadCount()
{
    std::size_t count = 0;
    for ([[maybe_unused]] const auto &task : std::filesystem::directory_iterator("/proc/self/task"))
        ++count;
    return count;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: idle_bench FOLDER [SECONDS]\n");
        return 2;
    }
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 10;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    {
        TorbSystemTreeView tree;
        tree.SetReadDelay(0);
        tree.show();
        tree.HandleNeeded();
        tree.SetSelection(argv[1]);
        if (tree.WatchedNode() == nullptr) {
            std::fprintf(stderr, "idle_bench: %s is not watched\n", argv[1]);
            return 1;
        }
        RunFor(500); // the watchers set their watches up
        const std::size_t threads = ThreadCount();
        const double start = ProcessCpuMs();
        RunFor(seconds * 1000);
        const double used = ProcessCpuMs() - start;
        std::printf(
            "idle with a watched folder: %.1f ms of CPU over %d s (%zu threads)\n", used, seconds, threads);
    }
    return 0;
}
