// The smallest Qt program there is: a QCoreApplication that prints one line and ends.
// What it costs to start and stop is the floor under any command-line program of the
// project, and the export's own start is measured against it.
//
//   minimal_core_bench [ANY...]     arguments are ignored

#include <cstdio>

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    std::puts("minimal");
    return 0;
}
