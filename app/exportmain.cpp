#include "app/exportcommand.h"

int main(int argc, char **argv)
{
    return RunExport(argc, argv);
}
