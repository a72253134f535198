#include "platform/ui/systemimagelist.h"

#include <sys/stat.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeDatabase>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>

#include "platform/system/pathopen.h"
#include "platform/system/paths.h"
#include "platform/system/qtext.h"
#include "platform/ui/paintediconengine.h"

namespace {

struct TStockName
{
    const char *Name;
    const char *Generic;
};

// Indexed by TSystemImageList::TStockIcon.
constexpr TStockName StockNames[] = {
    {"application-x-generic", "text-x-generic"},
    {"folder", "inode-directory"},
    {"folder-open", "folder"},
    {"computer", "drive-harddisk"},
    {"user-trash", "folder"},
    {"user-trash-full", "user-trash"},
    {"user-home", "folder"},
    {"drive-harddisk", "drive-harddisk"},
    {"drive-removable-media", "drive-harddisk"},
    {"printer", "printer"},
    {"preferences-system", "applications-system"},
    {"user-desktop", "folder"},
};
static_assert(std::size(StockNames) == TSystemImageList::siStockCount);

// A plain picture of the kind of item, for when neither a theme nor a style has one.
class TDrawnIconEngine final : public TPaintedIconEngine
{
public:
    explicit TDrawnIconEngine(TSystemImageList::TStockIcon kind)
        : m_kind(kind)
    { }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode, QIcon::State) override
    {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(QPen(QColor(60, 60, 60), 1));
        const QRectF box = QRectF(rect).adjusted(1.5, 1.5, -1.5, -1.5);
        switch (m_kind) {
        case TSystemImageList::siFile: {
            QPainterPath page;
            const qreal fold = box.width() / 3;
            page.moveTo(box.left() + box.width() * 0.15, box.top());
            page.lineTo(box.right() - fold, box.top());
            page.lineTo(box.right() - box.width() * 0.15, box.top() + fold);
            page.lineTo(box.right() - box.width() * 0.15, box.bottom());
            page.lineTo(box.left() + box.width() * 0.15, box.bottom());
            page.closeSubpath();
            painter->setBrush(Qt::white);
            painter->drawPath(page);
            break;
        }
        case TSystemImageList::siFolder:
        case TSystemImageList::siFolderOpen:
        case TSystemImageList::siHome:
        case TSystemImageList::siDesktop: {
            painter->setBrush(QColor(233, 185, 80));
            painter->drawRect(
                QRectF(box.left(), box.top() + box.height() * 0.25, box.width(), box.height() * 0.7));
            painter->drawRect(
                QRectF(box.left(), box.top() + box.height() * 0.1, box.width() * 0.4, box.height() * 0.15));
            break;
        }
        default:
            painter->setBrush(QColor(150, 170, 200));
            painter->drawRoundedRect(box.adjusted(0, box.height() * 0.2, 0, -box.height() * 0.2), 2, 2);
            break;
        }
        painter->restore();
    }

    QIconEngine *clone() const override { return new TDrawnIconEngine(m_kind); }
    QString key() const override { return QStringLiteral("vantrel-drawn"); }
    bool isNull() override { return false; }

private:
    TSystemImageList::TStockIcon m_kind;
};

QStyle::StandardPixmap StylePixmap(TSystemImageList::TStockIcon kind)
{
    switch (kind) {
    case TSystemImageList::siFolder:
        return QStyle::SP_DirClosedIcon;
    case TSystemImageList::siFolderOpen:
        return QStyle::SP_DirOpenIcon;
    case TSystemImageList::siComputer:
        return QStyle::SP_ComputerIcon;
    case TSystemImageList::siTrash:
    case TSystemImageList::siTrashFull:
        return QStyle::SP_TrashIcon;
    case TSystemImageList::siHome:
        return QStyle::SP_DirHomeIcon;
    case TSystemImageList::siDrive:
        return QStyle::SP_DriveHDIcon;
    case TSystemImageList::siRemovable:
        return QStyle::SP_DriveFDIcon;
    case TSystemImageList::siDesktop:
        return QStyle::SP_DesktopIcon;
    case TSystemImageList::siControlPanel:
        return QStyle::SP_FileDialogDetailedView;
    default:
        return QStyle::SP_FileIcon;
    }
}

// The freedesktop icon folders; a platform without a desktop theme (offscreen, a bare
// X session) gives Qt none of them.
QStringList FreedesktopIconFolders()
{
    QStringList folders{QDir::homePath() + QStringLiteral("/.icons")};
    const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    folders << (dataHome.startsWith(u'/') ? dataHome : QDir::homePath() + QStringLiteral("/.local/share"))
            + QStringLiteral("/icons");
    QString dataDirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dataDirs.isEmpty())
        dataDirs = QStringLiteral("/usr/local/share:/usr/share");
    for (const QString &folder : dataDirs.split(u':', Qt::SkipEmptyParts))
        folders << folder + QStringLiteral("/icons");
    return folders;
}

// Where the desktop's theme has no icons (no desktop at all, as on a build machine), the
// installed freedesktop themes serve as the fallback.
void EnsureFallbackTheme()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (QIcon::hasThemeIcon(QStringLiteral("folder")))
            return;
        QStringList searchPaths = QIcon::themeSearchPaths();
        for (const QString &folder : FreedesktopIconFolders()) {
            if (!searchPaths.contains(folder) && QFileInfo(folder).isDir())
                searchPaths << folder;
        }
        QIcon::setThemeSearchPaths(searchPaths);
        if (QIcon::hasThemeIcon(QStringLiteral("folder")))
            return;
        for (const char *theme : {"Adwaita", "breeze", "Papirus", "gnome"}) {
            for (const QString &folder : searchPaths) {
                if (QFileInfo::exists(
                        folder + u'/' + QLatin1String(theme) + QStringLiteral("/index.theme"))) {
                    // Qt looks at the fallback only behind a theme; with none, this is it.
                    if (QIcon::themeName().isEmpty())
                        QIcon::setThemeName(QLatin1String(theme));
                    else
                        QIcon::setFallbackThemeName(QLatin1String(theme));
                    return;
                }
            }
        }
    });
}

QIcon FallbackIcon(TSystemImageList::TStockIcon kind)
{
    if (auto *application = qobject_cast<QApplication *>(QCoreApplication::instance())) {
        QIcon icon = application->style()->standardIcon(StylePixmap(kind));
        if (!icon.isNull())
            return icon;
    }
    return QIcon(new TDrawnIconEngine(kind));
}

QString MimeTypeOfFile(const std::string &path, const struct stat &info)
{
    if (S_ISFIFO(info.st_mode))
        return QStringLiteral("inode/fifo");
    if (S_ISCHR(info.st_mode))
        return QStringLiteral("inode/chardevice");
    if (S_ISBLK(info.st_mode))
        return QStringLiteral("inode/blockdevice");
    if (S_ISSOCK(info.st_mode))
        return QStringLiteral("inode/socket");
    if (S_ISLNK(info.st_mode))
        return QStringLiteral("inode/symlink"); // a link that leads nowhere
    static const QMimeDatabase database;
    const std::string_view name = BaseName(path);
    const QList<QMimeType> byName = database.mimeTypesForFileName(ToQString(name));
    if (!byName.isEmpty())
        return byName.front().name();
    return database.mimeTypeForFile(ToQString(path), QMimeDatabase::MatchContent).name();
}

} // namespace

TSystemImageList::TSystemImageList()
{
    for (int i = 0; i < siStockCount; ++i) {
        m_entries.push_back({QLatin1String(StockNames[i].Name), QLatin1String(StockNames[i].Generic),
            static_cast<TStockIcon>(i)});
        m_byName.insert(m_entries.back().Name, i);
    }
    m_icons.resize(m_entries.size());
}

TSystemImageList &TSystemImageList::Instance()
{
    static TSystemImageList list;
    return list;
}

int TSystemImageList::Count() const
{
    const std::lock_guard lock(m_mutex);
    return static_cast<int>(m_entries.size());
}

int TSystemImageList::MimeTypeIndex(const QString &mimeName)
{
    {
        const std::lock_guard lock(m_mutex);
        if (const auto known = m_byMimeName.constFind(mimeName); known != m_byMimeName.cend())
            return known.value();
    }
    static const QMimeDatabase database;
    const QMimeType type = database.mimeTypeForName(mimeName);
    const std::lock_guard lock(m_mutex);
    int index = siFile;
    if (type.isValid() && !type.isDefault()) {
        const QString name = type.iconName();
        if (const auto found = m_byName.constFind(name); found != m_byName.cend()) {
            index = found.value();
        } else {
            m_entries.push_back({name, type.genericIconName(), siFile});
            m_icons.emplace_back();
            index = static_cast<int>(m_entries.size()) - 1;
            m_byName.insert(name, index);
        }
    }
    m_byMimeName.insert(mimeName, index);
    return index;
}

int TSystemImageList::FileIndex(const std::string &path)
{
    const TPathAt at = PathAt(path);
    struct stat info;
    if (!at.Ok() || ::fstatat(at.Dir, at.Name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return -1;
    if (S_ISLNK(info.st_mode)) {
        struct stat target;
        if (::fstatat(at.Dir, at.Name.c_str(), &target, 0) == 0)
            info = target;
    }
    if (S_ISDIR(info.st_mode))
        return siFolder;
    return MimeTypeIndex(MimeTypeOfFile(path, info));
}

QIcon TSystemImageList::Icon(int index) const
{
    const std::lock_guard lock(m_mutex);
    if (index < 0 || index >= static_cast<int>(m_entries.size()))
        index = siFile;
    // Themes and styles need a GUI application; without one (a command-line tool) the
    // drawn icon is all there is, and it is not kept so that a later GUI gets the theme.
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return QIcon(new TDrawnIconEngine(m_entries[index].Fallback));
    EnsureFallbackTheme();
    std::optional<QIcon> &icon = m_icons[index];
    if (!icon) {
        const TEntry &entry = m_entries[index];
        QIcon found = QIcon::fromTheme(entry.Name);
        if (found.isNull())
            found = QIcon::fromTheme(entry.Generic);
        if (found.isNull() && entry.Fallback != index)
            found = QIcon::fromTheme(m_entries[entry.Fallback].Name);
        icon = found.isNull() ? FallbackIcon(entry.Fallback) : found;
    }
    return *icon;
}

QString TSystemImageList::IconName(int index) const
{
    const std::lock_guard lock(m_mutex);
    if (index < 0 || index >= static_cast<int>(m_entries.size()))
        index = siFile;
    return m_entries[index].Name;
}
