#pragma once

#include <string>

#include "app/exportargs.h"

std::string ExportUsage();

// Runs the export command; answers the exit status: 0 done, 1 the listing or its
// output failed, 2 a usage error or a folder that cannot be read.
int RunExport(int argc, char **argv);
