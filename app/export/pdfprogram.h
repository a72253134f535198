#pragma once

// Runs the PDF export program in place of this one, with the same arguments: it alone
// links the GUI toolkit, which the other formats do without. It lies beside this program
// in the build, in libexec once installed. Answers 1, with a message, when it cannot run.
int RunPdfProgram(char **argv);
