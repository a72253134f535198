#include "platform/shell/itemproperties.h"

#include <cerrno>
#include <dirent.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QMimeDatabase>
#include <QVBoxLayout>

#include "platform/system/fd.h"
#include "platform/system/qtext.h"
#include "platform/system/translation.h"

namespace {

QString Text(const char *source)
{
    return Translated("ItemProperties", source);
}

// "1 item", "3 items" in the user's language. Qt gives a %n text that no catalogue
// translates back as it stands, the number put in, and English has two forms: without
// a translation, the singular is written here.
QString ItemCount(int count)
{
    static constexpr char Source[] = QT_TRANSLATE_N_NOOP("ItemProperties", "%n items");
    const QString text = Translated("ItemProperties", Source, nullptr, count);
    if (text != QString::fromLatin1(Source).replace(QStringLiteral("%n"), QString::number(count)))
        return text;
    return count == 1 ? QStringLiteral("1 item") : text;
}

QString Kind(const std::string &path, const struct stat &status)
{
    if (S_ISLNK(status.st_mode)) {
        std::string target(4096, '\0');
        const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        target.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
        return Text(QT_TRANSLATE_NOOP("ItemProperties", "Symbolic link to %1")).arg(ToQString(target));
    }
    if (S_ISDIR(status.st_mode))
        return Text(QT_TRANSLATE_NOOP("ItemProperties", "Folder"));
    if (!S_ISREG(status.st_mode)) {
        return Text(S_ISFIFO(status.st_mode) ? QT_TRANSLATE_NOOP("ItemProperties", "Named pipe")
                : S_ISSOCK(status.st_mode)   ? QT_TRANSLATE_NOOP("ItemProperties", "Socket")
                                             : QT_TRANSLATE_NOOP("ItemProperties", "Device"));
    }
    const QMimeType type = QMimeDatabase().mimeTypeForFile(ToQString(path));
    return QStringLiteral("%1 (%2)").arg(type.comment(), type.name());
}

QString Size(const std::string &path, const struct stat &status)
{
    if (S_ISDIR(status.st_mode)) {
        const TDirStream folder(::opendir(path.c_str()));
        if (!folder)
            return Text(QT_TRANSLATE_NOOP("ItemProperties", "Unknown"));
        int count = 0;
        while (const dirent *entry = ::readdir(folder.Get())) {
            const std::string_view name(entry->d_name);
            if (name != "." && name != "..")
                ++count;
        }
        return ItemCount(count);
    }
    const QLocale locale;
    return Text(QT_TRANSLATE_NOOP("ItemProperties", "%1 (%2 bytes)"))
        .arg(locale.formattedDataSize(status.st_size),
            locale.toString(static_cast<qlonglong>(status.st_size)));
}

QString Time(const struct timespec &time)
{
    const QDateTime local = QDateTime::fromSecsSinceEpoch(time.tv_sec);
    return QLocale().toString(local, QLocale::LongFormat);
}

QString Permissions(mode_t mode)
{
    QString text;
    const char letters[] = "rwxrwxrwx";
    for (int bit = 0; bit < 9; ++bit)
        text += (mode & (0400 >> bit)) ? QChar::fromLatin1(letters[bit]) : u'-';
    return QStringLiteral("%1 (%2)").arg(text).arg(mode & 07777, 4, 8, QChar(u'0'));
}

// The name that the user or group database gives `id` through `find` (getpwuid_r,
// getgrgid_r), or the number itself.
template <typename TEntry, typename TId>
QString EntryName(TId id, int (*find)(TId, TEntry *, char *, std::size_t, TEntry **), char *TEntry::*name)
{
    TEntry entry;
    TEntry *found = nullptr;
    char buffer[4096];
    if (find(id, &entry, buffer, sizeof buffer, &found) == 0 && found)
        return ToQString(found->*name);
    return QString::number(id);
}

QString OwnerName(uid_t uid)
{
    return EntryName<passwd>(uid, ::getpwuid_r, &passwd::pw_name);
}

QString GroupName(gid_t gid)
{
    return EntryName<group>(gid, ::getgrgid_r, &group::gr_name);
}

} // namespace

std::vector<TPropertyRow> ItemPropertyRows(const std::string &path, int &error)
{
    struct stat status;
    if (::lstat(path.c_str(), &status) != 0) {
        error = errno;
        return {};
    }
    error = 0;
    return {
        {Text(QT_TRANSLATE_NOOP("ItemProperties", "Path")), ToQString(path)},
        {Text(QT_TRANSLATE_NOOP("ItemProperties", "Kind")), Kind(path, status)},
        {Text(S_ISDIR(status.st_mode) ? QT_TRANSLATE_NOOP("ItemProperties", "Contents")
                                      : QT_TRANSLATE_NOOP("ItemProperties", "Size")),
            Size(path, status)},
        {Text(QT_TRANSLATE_NOOP("ItemProperties", "Modified")), Time(status.st_mtim)},
        {Text(QT_TRANSLATE_NOOP("ItemProperties", "Accessed")), Time(status.st_atim)},
        {Text(QT_TRANSLATE_NOOP("ItemProperties", "Changed")), Time(status.st_ctim)},
        {Text(QT_TRANSLATE_NOOP("ItemProperties", "Permissions")), Permissions(status.st_mode)},
        {Text(QT_TRANSLATE_NOOP("ItemProperties", "Owner")), OwnerName(status.st_uid)},
        {Text(QT_TRANSLATE_NOOP("ItemProperties", "Group")), GroupName(status.st_gid)},
    };
}

int ShowItemProperties(QWidget *owner, const std::string &path)
{
    int error = 0;
    const std::vector<TPropertyRow> rows = ItemPropertyRows(path, error);
    if (error)
        return error;
    auto *dialog = new QDialog(owner);
    dialog->setObjectName(QStringLiteral("ItemPropertiesDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    const std::size_t slash = path.rfind('/');
    const bool last = slash == std::string::npos || slash + 1 == path.size();
    //: The dialog's title; %1 is the item's name.
    dialog->setWindowTitle(
        Translated("ItemProperties", "%1 Properties").arg(ToQString(last ? path : path.substr(slash + 1))));
    auto *form = new QFormLayout;
    for (const TPropertyRow &row : rows) {
        auto *value = new QLabel(row.Value);
        value->setTextFormat(Qt::PlainText);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        //: A label before its value; %1 is the label's text.
        form->addRow(Translated("ItemProperties", "%1:").arg(row.Label), value);
    }
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::close);
    auto *layout = new QVBoxLayout(dialog);
    layout->addLayout(form);
    layout->addWidget(buttons);
    dialog->show();
    return 0;
}
