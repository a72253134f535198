#include "app/totals.h"

#include <stdexcept>

#include <QLocale>

#include "app/filefacts.h"
#include "app/filelist.h"
#include "app/listing.h"
#include "platform/system/dirsearch.h"

namespace {

void AppendFileCount(QString &text, const QLocale &locale, std::int64_t count)
{
    text += locale.toString(static_cast<qlonglong>(count));
    // French counts 0 and 1 in the singular.
    text += count > 1 ? QLatin1StringView(" fichiers") : QLatin1StringView(" fichier");
}

void AppendFolderTotals(QString &text, const QLocale &locale, const TTotals &totals)
{
    text += u'(';
    AppendFileCount(text, locale, totals.Files);
    text += QLatin1StringView(", ");
    AppendSize(text, totals.Bytes);
    text += u')';
}

} // namespace

QString FileCountText(std::int64_t count)
{
    QString text;
    AppendFileCount(text, QLocale::system(), count);
    return text;
}

QString FolderTotalsText(const TTotals &totals)
{
    QString text;
    AppendFolderTotals(text, QLocale::system(), totals);
    return text;
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
    m_line.resize(0);
    for (const char c : folder) {
        if (c == PathDelim)
            m_line += u'\t';
    }
    AppendFolderTotals(m_line, m_locale, m_totals.Of(folder));
    m_target.AppendLine(m_line, false);
}
