#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/read/treevisit.h"

class QIODevice;
class TFileList;
class TFormatWriter;

// The data formats of the export: the files of a read written as CSV, JSON or HTML,
// folder by folder (own files first, then subfolders), each file looked at once.

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
    // CSV: a "'" before a cell that begins with "=", "+", "-", "@", a tab or a CR, which
    // a spreadsheet would take for a formula.
    bool CsvSafe = false;
};

// Writes `files` (relative to `rootDir`, which ends in '/') to `out`; throws EWriteError
// when `out` fails.
void WriteDataFormat(TDataFormat format, const TFileList &files, const std::string &rootDir,
    const TDataSettings &settings, QIODevice &out);

// Writes the files of a streamed read in a data format as they come, in the walk's order
// (StreamFolder); throws EWriteError when `out` fails.
class TDataFormatStream : public IFileStream
{
public:
    // Writes the beginning of the document.
    TDataFormatStream(
        TDataFormat format, const TDataSettings &settings, const std::string &rootDir, QIODevice &out);
    ~TDataFormatStream() override;

    void Add(std::string_view path, const std::optional<TSizeAndTime> &facts,
        const std::optional<struct timespec> &folderTime) override;
    // Ends the tree and the document, and writes out what is buffered.
    void Finish();

private:
    std::unique_ptr<TFormatWriter> m_writer;
    TTreeStream m_tree;
};
