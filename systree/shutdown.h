#pragma once

// The end of the shell control units, once every shell control is gone. The units shut
// down in the reverse order of their start: the tree's unit (systemtreeview), which
// starts after the family's bases, checks its count of node data records first
// (SystemTreeViewShutdown), then the family checks its count of folder data records
// (ShellControlsShutdown). Either check raises ELeaking with "Memory Leak Detected.  Not
// all folder data was freed.". main() presents that failure, which happens after the
// last window is gone, as a message on standard error and exit status 1:
//
//     int status = 0;
//     {
//         TForm1 form;
//         form.show();
//         status = app.exec();
//     } // every shell control is gone here
//     return ShellControlsExitStatus(status);

#include <iosfwd>

// Runs the units' shutdown checks in order; the first that fails raises ELeaking.
void ShellUnitsShutdown();

// The process's exit status once every shell control is gone: `status` when the shutdown
// checks pass. Otherwise the failure's message goes to `errors` on a line of its own and
// the status becomes 1, unless `status` already reports a failure.
int ShellControlsExitStatus(int status, std::ostream &errors);
int ShellControlsExitStatus(int status);
