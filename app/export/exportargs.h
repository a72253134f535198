#pragma once

#include <optional>
#include <string>
#include <vector>

#include <QString>

#include "app/read/readfilter.h"

// The command line of vantrel-oruk-export.
struct TExportOptions
{
    enum class TFormat
    {
        Text,
        Rtf,
        Pdf,
        Csv,
        Json,
        Html
    };

    bool DirsOnly = false;
    bool Sorted = false;
    bool Sizes = false;
    bool Dates = false;
    bool Totals = false; // each folder's file count and size, and the tree's
    bool CsvSafe = false; // CSV cells that a spreadsheet would run as formulas, quoted
    TReadFilter Filter; // --include, --exclude, --exclude-dir, --max-depth
    std::optional<QString> FontName;
    std::optional<int> FontPoints;
    std::string Output; // empty (no -o) or "-": standard output; -o '' is a usage error
    TFormat Format = TFormat::Text;
    std::string Folder;
    bool Help = false;
    bool Version = false;
};

struct TExportParse
{
    TExportOptions Options;
    std::string Error; // empty when the command line is valid
};

// Reads the arguments (without the program name) in the GNU forms: short options bundled
// ("-sSD", "-sSDo FILE", "-oFILE"), long options with "=VALUE" or the next argument as
// their value, and cut to any prefix that names one alone ("--tot", "--form json");
// options and the folder in any order, "--" ending the options. Keeps the folder's and
// the output file's bytes as given.
TExportParse ParseExportArgs(const std::vector<std::string> &args);
