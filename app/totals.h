#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include <QLocale>
#include <QString>

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
class TFolderTotals
{
public:
    // Adds up what `files` found of its files; it must have looked at them
    // (TFileList::LookAtFiles), or this throws std::logic_error. The totals refer to the
    // list's paths: they hold while the list stays as it is.
    void Collect(const TFileList &files);
    TTotals Of(std::string_view folder) const;
    const TTotals &Tree() const { return m_tree; }

private:
    std::unordered_map<std::string_view, TTotals> m_folders;
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
    const QLocale m_locale = QLocale::system();
    QString m_line; // the last line, its room kept from one heading to the next
};
