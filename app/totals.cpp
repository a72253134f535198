#include "app/totals.h"

#include <algorithm>
#include <stdexcept>

#include <QLocale>

#include "app/filefacts.h"
#include "app/filelist.h"
#include "app/listing.h"
#include "platform/system/dirsearch.h"

QString FileCountText(std::int64_t count)
{
    // French counts 0 and 1 in the singular.
    const QString number = QLocale::system().toString(static_cast<qlonglong>(count));
    return number + (count > 1 ? QStringLiteral(" fichiers") : QStringLiteral(" fichier"));
}

QString FolderTotalsText(const TTotals &totals)
{
    return u'(' + FileCountText(totals.Files) + QStringLiteral(", ") + FormatSize(totals.Bytes) + u')';
}

QString TreeTotalsText(const TTotals &totals)
{
    return QStringLiteral("Total : ") + FileCountText(totals.Files) + QStringLiteral(", ")
        + FormatSize(totals.Bytes);
}

void TFolderTotals::Collect(const TFileList &files)
{
    const TFileFacts *facts = files.Facts();
    if (!facts)
        throw std::logic_error("TFolderTotals: the list did not look at its files");
    m_folders.clear();
    m_tree = {};
    // A folder's files mostly come together: one look-up serves them all.
    std::string_view folder;
    TTotals *totals = nullptr;
    for (std::size_t i = 0; i < files.Count(); ++i) {
        const std::string_view entry = files[i];
        const std::string_view entryFolder = entry.substr(0, entry.rfind(PathDelim) + 1);
        if (!totals || entryFolder != folder) {
            folder = entryFolder;
            totals = &m_folders[folder];
        }
        const auto sizeAndTime = facts->Of(files.AddedIndex(i));
        const std::int64_t bytes = sizeAndTime ? sizeAndTime->Size : 0;
        ++totals->Files;
        totals->Bytes += bytes;
        ++m_tree.Files;
        m_tree.Bytes += bytes;
    }
}

TTotals TFolderTotals::Of(std::string_view folder) const
{
    const auto found = m_folders.find(folder);
    return found == m_folders.end() ? TTotals() : found->second;
}

void TTotalsSink::HeadingWritten(std::string_view folder)
{
    const auto depth = std::count(folder.begin(), folder.end(), PathDelim);
    const QString line = QString(depth, u'\t') + FolderTotalsText(m_totals.Of(folder));
    m_target.AppendLine(line, false);
}
