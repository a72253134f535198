#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include <QHash>
#include <QLocale>
#include <QString>

#include "app/read/bytecount.h"
#include "app/read/readcommand.h"

class TFileList;

// Folder totals of a listing (--totals): each folder's own files, counted and summed,
// and the whole tree's.

// "1 fichier", "1 204 fichiers": grouped as the user's locale groups thousands.
QString FileCountText(std::int64_t count);
// "(1 204 fichiers, 3 Go)", in the listing's size format.
QString FolderTotalsText(const TTotals &totals);
// "Total : 1 204 fichiers, 3 Go"
QString TreeTotalsText(const TTotals &totals);

// The totals of the folders of a sorted list, by path relative to the root (ending in
// '/'): a folder's files need not come together there, and its heading comes before the
// first of them.
class TFolderTotals
{
public:
    // Takes the files of a sorted read to add up, which must have looked at them
    // (TFileList::LookAtFiles), or this throws std::logic_error.
    void Collect(const TFileList &files);
    // The totals of the folder's own files.
    TTotals Of(std::string_view folder) const;

private:
    std::unordered_map<std::string, TTotals> m_folders;
};

// Passes a listing on to `target`, a line with the folder's totals beneath each heading,
// indented as the folder's files: those of `sorted` where the list is sorted, or else
// those of the files listed beneath the heading, which are all the folder's own in the
// walk's order. A sorted list may come back to a folder after one of its subfolders and
// write its heading again: the totals come beneath its first heading only.
class TTotalsSink : public IReadSink
{
public:
    TTotalsSink(IReadSink &target, const TFolderTotals *sorted)
        : m_target(target)
        , m_sorted(sorted)
    { }

    void BeginListing(const TFont &font) override { m_target.BeginListing(font); }
    void AppendLine(QStringView text, bool bold) override { m_target.AppendLine(text, bold); }
    void HeadingWritten(std::string_view folder, const TTotals &filesBelow) override;

private:
    IReadSink &m_target;
    const TFolderTotals *m_sorted;
    const QLocale m_locale = QLocale::system();
    QHash<std::int64_t, QString> m_countTexts; // "12 fichiers", by count
    std::unordered_set<std::string> m_given; // the folders given their totals, sorted
    QString m_line; // the last line, its room kept from one heading to the next
};
