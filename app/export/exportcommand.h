#pragma once

#include <exception>
#include <functional>
#include <string>

#include <QString>

#include "app/export/exportargs.h"
#include "app/read/readcommand.h"

std::string ExportUsage();

// Prints the listing the options ask for to a PDF file; answers the exit status. Only
// the program that has the GUI toolkit prints: the export itself hands PDF over to it.
using TPdfExport = std::function<int(const TExportOptions &options, char *programName)>;

// Runs the export command; answers the exit status: 0 done, 1 the listing or its
// output failed, 2 a usage error or a folder that cannot be read.
int RunExport(int argc, char **argv, const TPdfExport &exportPdf);

// Reads the folder into `target` as "Lecture répertoire" reads into the window's view,
// with the folder totals when asked; in the walk's order, the lines go to `target` as the
// walk finds the files. Answers the read's result.
TReadResult ReadListing(const TExportOptions &options, IReadSink &target);

// A failure on standard error: its message, then what failed and why when it says.
void ReportFailure(const std::exception &error);
// A read that failed, on standard error.
void ReportReadFailure(const QString &failure);
