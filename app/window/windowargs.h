#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

// The window program's command line: vantrel-oruk [-r|--read] [FOLDER], --help, --version,
// in the GNU forms (options before or after the folder, "--" ends them).
struct TWindowArgs
{
    // Qt's own options (-platform xcb, -style=Fusion, -reverse, ...), as given, for the
    // application object.
    std::vector<std::string> QtOptions;
    std::string Folder; // as given; empty when none
    bool Read = false;
    bool Help = false;
    bool Version = false;
    std::string Error; // the usage error; empty when the line is valid
};

TWindowArgs ParseWindowArgs(const std::vector<std::string> &args);

// Answers what needs no window (the help, the version, a usage error, a folder that is
// not one) on `out` and `err`, and the exit status then; std::nullopt when the window
// is to open.
std::optional<int> AnswerWithoutWindow(const TWindowArgs &args, std::ostream &out, std::ostream &err);
