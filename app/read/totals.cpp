#include "app/read/totals.h"

#include <algorithm>
#include <stdexcept>

#include <QLocale>

#include "app/read/filefacts.h"
#include "app/read/filelist.h"
#include "app/read/listing.h"
#include "platform/system/dirsearch.h"
#include "platform/system/translation.h"

namespace {

void AppendFileCount(QString &text, const QLocale &locale, std::int64_t count)
{
    text += locale.toString(static_cast<qlonglong>(count));
    // French counts 0 and 1 in the singular; a catalogue gives each of the two words
    // its language's forms for the count.
    const int n = static_cast<int>(std::min<std::int64_t>(count, 2));
    text += count > 1 ? Translated("TFolderTotals", " fichiers", nullptr, n)
                      : Translated("TFolderTotals", " fichier", nullptr, n);
}

// "(" + the count's text + ", 3 Go)"
void AppendFolderTotals(QString &text, const QString &count, TByteCount bytes)
{
    text += u'(';
    text += count;
    text += QLatin1StringView(", ");
    AppendTotalSize(text, bytes);
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
    AppendFolderTotals(text, FileCountText(totals.Files), totals.Bytes);
    return text;
}

QString TreeTotalsText(const TTotals &totals)
{
    QString text
        = Translated("TFolderTotals", "Total : ") + FileCountText(totals.Files) + QStringLiteral(", ");
    AppendTotalSize(text, totals.Bytes);
    return text;
}

void TFolderTotals::Collect(const TFileList &files)
{
    const TFileFacts *facts = files.Facts();
    if (!facts)
        throw std::logic_error("TFolderTotals: the list did not look at its files");
    m_folders.clear();
    // A folder's files mostly come together: one look-up serves them all.
    std::string_view folder;
    TTotals *totals = nullptr;
    for (std::size_t i = 0; i < files.Count(); ++i) {
        const std::string_view entryFolder = FolderPartOf(files[i]);
        if (entryFolder.size() == files[i].size())
            continue; // a folder's mark
        if (!totals || entryFolder != folder) {
            folder = entryFolder;
            totals = &m_folders[std::string(folder)];
        }
        totals->Add(facts->Of(files.AddedIndex(i)));
    }
}

TTotals TFolderTotals::Of(std::string_view folder) const
{
    const auto found = m_folders.find(std::string(folder));
    return found == m_folders.end() ? TTotals() : found->second;
}

void TTotalsSink::HeadingWritten(std::string_view folder, const TTotals &filesBelow)
{
    if (m_sorted && !m_given.emplace(folder).second)
        return;
    m_line.resize(0);
    for (const char c : folder) {
        if (c == PathDelim)
            m_line += u'\t';
    }
    const TTotals totals = m_sorted ? m_sorted->Of(folder) : filesBelow;
    // Folders share their counts, and the locale's number text costs more than a look-up.
    auto count = m_countTexts.constFind(totals.Files);
    if (count == m_countTexts.cend()) {
        QString text;
        AppendFileCount(text, m_locale, totals.Files);
        count = m_countTexts.insert(totals.Files, text);
    }
    AppendFolderTotals(m_line, *count, totals.Bytes);
    m_target.AppendLine(m_line, false);
}
