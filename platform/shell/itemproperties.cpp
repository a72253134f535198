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

namespace {

QString Kind(const std::string &path, const struct stat &status)
{
    if (S_ISLNK(status.st_mode)) {
        std::string target(4096, '\0');
        const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        target.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
        return QStringLiteral("Symbolic link to %1").arg(ToQString(target));
    }
    if (S_ISDIR(status.st_mode))
        return QStringLiteral("Folder");
    if (!S_ISREG(status.st_mode)) {
        return S_ISFIFO(status.st_mode) ? QStringLiteral("Named pipe")
            : S_ISSOCK(status.st_mode)  ? QStringLiteral("Socket")
                                        : QStringLiteral("Device");
    }
    const QMimeType type = QMimeDatabase().mimeTypeForFile(ToQString(path));
    return QStringLiteral("%1 (%2)").arg(type.comment(), type.name());
}

QString Size(const std::string &path, const struct stat &status)
{
    if (S_ISDIR(status.st_mode)) {
        const TDirStream folder(::opendir(path.c_str()));
        if (!folder)
            return QStringLiteral("Unknown");
        int count = 0;
        while (const dirent *entry = ::readdir(folder.Get())) {
            const std::string_view name(entry->d_name);
            if (name != "." && name != "..")
                ++count;
        }
        return count == 1 ? QStringLiteral("1 item") : QStringLiteral("%1 items").arg(count);
    }
    const QLocale locale;
    return QStringLiteral("%1 (%2 bytes)")
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
        {QStringLiteral("Path"), ToQString(path)},
        {QStringLiteral("Kind"), Kind(path, status)},
        {S_ISDIR(status.st_mode) ? QStringLiteral("Contents") : QStringLiteral("Size"), Size(path, status)},
        {QStringLiteral("Modified"), Time(status.st_mtim)},
        {QStringLiteral("Accessed"), Time(status.st_atim)},
        {QStringLiteral("Changed"), Time(status.st_ctim)},
        {QStringLiteral("Permissions"), Permissions(status.st_mode)},
        {QStringLiteral("Owner"), OwnerName(status.st_uid)},
        {QStringLiteral("Group"), GroupName(status.st_gid)},
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
    dialog->setWindowTitle(
        QStringLiteral("%1 Properties").arg(ToQString(last ? path : path.substr(slash + 1))));
    auto *form = new QFormLayout;
    for (const TPropertyRow &row : rows) {
        auto *value = new QLabel(row.Value);
        value->setTextFormat(Qt::PlainText);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(row.Label + u':', value);
    }
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::close);
    auto *layout = new QVBoxLayout(dialog);
    layout->addLayout(form);
    layout->addWidget(buttons);
    dialog->show();
    return 0;
}
