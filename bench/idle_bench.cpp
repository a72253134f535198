// Measures what the program costs while it sits idle with a folder selected in the
// folder tree: the tree watches that folder and its parent, and nothing changes.
//
//   idle_bench FOLDER [SECONDS]
//
// Prints the processor time the whole process and each of its threads used over SECONDS
// (default 10) of waiting, once the watchers have started.

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
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

// The processor time of each thread of this process, in nanoseconds, by thread id and
// name, as the kernel counts it.
std::map<std::string, std::pair<std::string, long long>> ThreadTimes()
{
    std::map<std::string, std::pair<std::string, long long>> times;
    for (const auto &task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::ifstream schedstat(task.path() / "schedstat");
        std::string name;
        long long ns = 0;
        std::getline(comm, name);
        schedstat >> ns;
        times[task.path().filename().string()] = {name, ns};
    }
    return times;
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
        const auto before = ThreadTimes();
        const double start = ProcessCpuMs();
        RunFor(seconds * 1000);
        const double used = ProcessCpuMs() - start;
        const auto after = ThreadTimes();
        std::printf("idle with a watched folder: %.1f ms of CPU over %d s, by thread:\n", used, seconds);
        for (const auto &[id, thread] : after) {
            const auto was = before.find(id);
            const long long ns = thread.second - (was == before.end() ? 0 : was->second.second);
            std::printf("  %-16s %8.1f ms\n", thread.first.c_str(), static_cast<double>(ns) / 1e6);
        }
    }
    return 0;
}
