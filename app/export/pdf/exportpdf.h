#pragma once

#include "app/export/exportargs.h"

// Reads the folder into a view of the window's design, never shown, and prints it to a
// PDF file through the printing component, as the window prints; answers the exit
// status. Printing needs the GUI toolkit, with the offscreen platform when there is no
// display.
int ExportPdf(const TExportOptions &options, char *programName);
