#pragma once

// The system image list: the icons of namespace items, addressed by indexes that stay
// the same for the life of the process. The first indexes are the stock icons below;
// file types get the next ones as they are first asked for, one per icon name of their
// MIME type. Icons come from the icon theme (QIcon::fromTheme), then from the style of
// the application, then from a drawn picture, so Icon never gives a null icon.

#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <QHash>
#include <QIcon>
#include <QString>

class TSystemImageList
{
public:
    enum TStockIcon
    {
        siFile, // a file of unknown type
        siFolder,
        siFolderOpen,
        siComputer,
        siTrash,
        siTrashFull,
        siHome,
        siDrive,
        siRemovable,
        siPrinter,
        siControlPanel,
        siDesktop,
        siStockCount
    };

    static TSystemImageList &Instance();

    int Count() const;
    // The index for files whose MIME type is `mimeName` ("text/plain"); the unknown type
    // and names that are no MIME type give siFile.
    int MimeTypeIndex(const QString &mimeName);
    // The index for the file at `path`, by its name's MIME type (its content when the name
    // tells nothing); folders give siFolder. -1 when nothing is at the path.
    int FileIndex(const std::string &path);

    // The icon at `index`; an index out of range gives the file icon.
    QIcon Icon(int index) const;
    // The theme name looked up first for `index`.
    QString IconName(int index) const;

private:
    TSystemImageList();

    struct TEntry
    {
        QString Name;
        QString Generic; // the theme name tried next
        TStockIcon Fallback;
    };

    mutable std::mutex m_mutex;
    std::vector<TEntry> m_entries;
    QHash<QString, int> m_byName;
    // The index of each MIME type name asked for, so a type is looked up in the MIME
    // database once.
    QHash<QString, int> m_byMimeName;
    mutable std::vector<std::optional<QIcon>> m_icons;
};
