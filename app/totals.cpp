#include "app/totals.h"

#include <algorithm>

#include <QLocale>

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

void TFolderTotals::Collect(const TFileList &files, const std::string &rootDir)
{
    m_folders.clear();
    VisitTree(files, rootDir, *this);
}

TTotals TFolderTotals::Of(std::string_view folder) const
{
    const auto found = m_folders.find(std::string(folder));
    return found == m_folders.end() ? TTotals() : found->second;
}

void TFolderTotals::BeginFolder(const TTreeFolder &folder)
{
    m_folders.emplace(std::string(folder.Path), TTotals{folder.FileCount, folder.FileBytes});
}

void TFolderTotals::EndFolder(const TTreeFolder &folder, std::int64_t treeCount, std::int64_t treeBytes)
{
    if (folder.Depth == 0)
        m_tree = {treeCount, treeBytes};
}

void TTotalsSink::HeadingWritten(std::string_view folder)
{
    const auto depth = std::count(folder.begin(), folder.end(), PathDelim);
    const QString line = QString(depth, u'\t') + FolderTotalsText(m_totals.Of(folder));
    m_target.AppendLine(line, false);
}
