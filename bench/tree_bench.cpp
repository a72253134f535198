// Times the shell folder tree on a prepared folder: expanding a node of 10,000 folders
// and 10,000 files with ShowFiles off and on, and selecting a path 12 levels deep from
// the desktop root (every level expanded on the way).
//
//   tree_bench BIG_FOLDER DEEP_PATH [ROUNDS]
//
// Prints one line per measure with the median of the rounds in milliseconds.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <time.h>
#include <vector>

#include <QApplication>

#include "systree/systemtreeview.h"

namespace {

// The CPU time of this thread: on a loaded machine it varies far less than the wall time.
double ThreadCpuMs()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// The median wall time of the rounds; `cpuMs` gets the median CPU time.
double MedianMs(int rounds, const std::function<void()> &prepare, const std::function<void()> &measured,
    double *cpuMs = nullptr)
{
    std::vector<double> times, cpuTimes;
    for (int i = 0; i < rounds; ++i) {
        prepare();
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = ThreadCpuMs();
        measured();
        cpuTimes.push_back(ThreadCpuMs() - cpuStart);
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    std::sort(cpuTimes.begin(), cpuTimes.end());
    if (cpuMs)
        *cpuMs = cpuTimes[cpuTimes.size() / 2];
    return times[times.size() / 2];
}

std::string ParentOf(const std::string &path)
{
    return path.substr(0, path.rfind('/'));
}

std::string NameOf(const std::string &path)
{
    return path.substr(path.rfind('/') + 1);
}

void Expansion(const std::string &big, bool showFiles, int rounds)
{
    TorbSystemTreeView tree;
    tree.resize(300, 400);
    tree.SetRootFolder(TRootFolder::rfCustom);
    tree.SetCustomDir(ParentOf(big));
    tree.SetShowFiles(showFiles);
    tree.show();
    tree.HandleNeeded();
    TTreeNode *node = nullptr;
    double cpuMs = 0;
    const double ms = MedianMs(
        rounds,
        [&] {
            tree.Rebuild();
            node = nullptr;
            TTreeNode *top = tree.TopItem(0);
            for (int i = 0; top && i < top->Count(); ++i) {
                if (top->Item(i)->Text() == NameOf(big))
                    node = top->Item(i);
            }
            if (!node) {
                std::fprintf(stderr, "no node for %s\n", big.c_str());
                std::exit(1);
            }
        },
        [&] {
            node->Expand(false);
            QCoreApplication::processEvents();
        },
        &cpuMs);
    std::printf("expand, ShowFiles %-5s %6d children  median %8.1f ms  (cpu %8.1f ms)\n",
        showFiles ? "on" : "off", node->Count(), ms, cpuMs);
}

void DeepSelection(const std::string &deep, int rounds)
{
    std::unique_ptr<TorbSystemTreeView> tree;
    const double ms = MedianMs(
        rounds,
        [&] {
            tree = std::make_unique<TorbSystemTreeView>();
            tree->HandleNeeded();
        },
        [&] { tree->SetSelection(deep); });
    const bool found = tree->Selection() == deep;
    std::printf("select 12 levels deep%s          median %8.1f ms\n", found ? "" : " (NOT FOUND)", ms);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s BIG_FOLDER DEEP_PATH [ROUNDS]\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    Expansion(argv[1], false, rounds);
    Expansion(argv[1], true, rounds);
    DeepSelection(argv[2], rounds);
    return 0;
}
