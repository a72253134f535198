#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include <QString>

#include "app/exporttree.h"
#include "app/readcommand.h"

class TFileList;

// Folder totals of a listing (--totals): each folder's own files, counted and summed,
// and the whole tree's.

struct TTotals
{
    std::int64_t Files = 0;
    std::int64_t Bytes = 0;
};

// "1 fichier", "1 204 fichiers": grouped as the user's locale groups thousands.
QString FileCountText(std::int64_t count);
// "(1 204 fichiers, 3 Go)", in the listing's size format.
QString FolderTotalsText(const TTotals &totals);
// "Total : 1 204 fichiers, 3 Go"
QString TreeTotalsText(const TTotals &totals);

// The totals of every folder of a read, by path relative to the root (ending in '/').
class TFolderTotals : private ITreeVisitor
{
public:
    // Looks at every file of `files` once.
    void Collect(const TFileList &files, const std::string &rootDir);
    TTotals Of(std::string_view folder) const;
    const TTotals &Tree() const { return m_tree; }

private:
    void BeginFolder(const TTreeFolder &folder) override;
    void File(const TTreeFolder &, const TTreeFile &) override { }
    void EndFolder(const TTreeFolder &folder, std::int64_t treeCount, std::int64_t treeBytes) override;

    std::unordered_map<std::string, TTotals> m_folders;
    TTotals m_tree;
};

// Passes a listing on to `target`, a line with the folder's totals beneath each heading,
// indented as the folder's files.
class TTotalsSink : public IReadSink
{
public:
    TTotalsSink(IReadSink &target, const TFolderTotals &totals)
        : m_target(target)
        , m_totals(totals)
    { }

    void BeginListing(const TFont &font) override { m_target.BeginListing(font); }
    void AppendLine(QStringView text, bool bold) override { m_target.AppendLine(text, bold); }
    void HeadingWritten(std::string_view folder) override;

private:
    IReadSink &m_target;
    const TFolderTotals &m_totals;
};
