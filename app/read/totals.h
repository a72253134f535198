#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include <QHash>
#include <QLocale>
#include <QString>

#include "app/read/bytecount.h"
#include "app/read/readcommand.h"

class TFileList;

// Folder totals of a listing (--totals): each folder's own files, counted and summed,
// and the whole tree's.

struct TTotals
{
    std::int64_t Files = 0;
    TByteCount Bytes = 0;
};

// "1 fichier", "1 204 fichiers": grouped as the user's locale groups thousands.
QString FileCountText(std::int64_t count);
// "(1 204 fichiers, 3 Go)", in the listing's size format.
QString FolderTotalsText(const TTotals &totals);
// "Total : 1 204 fichiers, 3 Go"
QString TreeTotalsText(const TTotals &totals);

// The totals of the folders of a read, by path relative to the root (ending in '/').
class TFolderTotals
{
public:
    // Takes the files of a read to add up, which must have looked at them
    // (TFileList::LookAtFiles), or this throws std::logic_error. A sorted list is added
    // up at once. A list in the walk's order holds each folder's own files together,
    // before its subfolders': they are added up as the folder's heading comes, so that
    // the listing goes on while later files are still being looked at. The list must
    // stay as it is while the totals are read.
    void Collect(const TFileList &files);
    // The totals of the folder's own files, whose heading comes before the list's entry
    // `next`.
    TTotals Of(std::string_view folder, std::size_t next) const;
    // The whole tree's totals.
    TTotals Tree() const;

private:
    const TFileList *m_files = nullptr;
    std::unordered_map<std::string_view, TTotals> m_folders; // of a sorted list
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
    void HeadingWritten(std::string_view folder, std::size_t next) override;

private:
    IReadSink &m_target;
    const TFolderTotals &m_totals;
    const QLocale m_locale = QLocale::system();
    QHash<std::int64_t, QString> m_countTexts; // "12 fichiers", by count
    QString m_line; // the last line, its room kept from one heading to the next
};
