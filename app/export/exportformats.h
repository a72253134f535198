#pragma once

#include <string>

class QIODevice;
class TFileList;

// The data formats of the export: the files of a read written as CSV, JSON or HTML,
// streamed folder by folder (own files first, then subfolders), each file looked at once.

enum class TDataFormat
{
    Csv,
    Json,
    Html
};

struct TDataSettings
{
    std::string RootName; // the root folder as given
    bool DirsOnly = false; // folders only
    bool Sizes = false; // HTML: the size column (CSV and JSON always give sizes)
    bool Dates = false; // HTML: the date column (CSV and JSON always give times)
    bool Totals = false; // each folder's file count and size, and the tree's
};

// Writes `files` (relative to `rootDir`, which ends in '/') to `out`; throws EWriteError
// when `out` fails.
void WriteDataFormat(TDataFormat format, const TFileList &files, const std::string &rootDir,
    const TDataSettings &settings, QIODevice &out);
