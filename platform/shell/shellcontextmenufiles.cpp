// The file-system commands of the context menu: the trash, new folders, file URLs.
//
// The trash follows the freedesktop.org trash layout in $XDG_DATA_HOME/Trash: the item
// is renamed into files/ and described by info/<name>.trashinfo (its original path,
// percent-encoded byte for byte, and the deletion time). The info file is created first
// with O_EXCL, which reserves the name; the rename never replaces an entry. Only the
// home trash is used: an item on another file system is refused rather than copied,
// so that nothing is lost half-way.

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <linux/limits.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QUrl>

#include "platform/shell/private/shellfs.h"
#include "platform/shell/private/shellnamespace.h"
#include "platform/shell/shellcontextmenu.h"
#include "platform/system/translation.h"

namespace {

int MakeFolders(const std::string &path)
{
    std::string sofar;
    for (std::size_t at = 1; at <= path.size(); ++at) {
        if (at != path.size() && path[at] != '/')
            continue;
        sofar = path.substr(0, at);
        if (::mkdir(sofar.c_str(), 0700) != 0 && errno != EEXIST)
            return errno;
    }
    return IsDirectory(path) ? 0 : ENOTDIR;
}

std::string PercentEncoded(const std::string &path)
{
    return QByteArray::fromStdString(path).toPercentEncoding("/").toStdString();
}

// The first `limit` bytes of `name`, not cutting a UTF-8 sequence.
std::string Shortened(const std::string &name, std::size_t limit)
{
    if (name.size() <= limit)
        return name;
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80)
        --end;
    return name.substr(0, end);
}

std::string DeletionDate()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

int RenameExclusive(const std::string &from, const std::string &to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    const int error = errno;
    if (error != EINVAL && error != ENOSYS && error != EOPNOTSUPP)
        return error;
    struct stat existing;
    if (::lstat(to.c_str(), &existing) == 0)
        return EEXIST;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int WriteAll(int fd, const std::string &text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? errno : EIO;
        done += static_cast<std::size_t>(written);
    }
    return 0;
}

} // namespace

QUrl FileUrl(const std::string &path)
{
    return QUrl::fromEncoded(QByteArray("file://") + QByteArray::fromStdString(PercentEncoded(path)));
}

int MoveToTrash(const std::string &path)
{
    const std::string item = CleanPath(path);
    const std::string trash = CleanPath(DataHome() + "/Trash");
    if (item.empty() || item.front() != '/')
        return EINVAL;
    if (item == trash || item.starts_with(trash + "/") || trash.starts_with(item + "/"))
        return EINVAL;
    struct stat itemStat;
    if (::lstat(item.c_str(), &itemStat) != 0)
        return errno;
    const std::string files = trash + "/files";
    const std::string info = trash + "/info";
    if (const int error = MakeFolders(files))
        return error;
    if (const int error = MakeFolders(info))
        return error;
    struct stat filesStat;
    if (::stat(files.c_str(), &filesStat) != 0)
        return errno;
    if (filesStat.st_dev != itemStat.st_dev)
        return EXDEV;

    const std::string text
        = "[Trash Info]\nPath=" + PercentEncoded(item) + "\nDeletionDate=" + DeletionDate() + "\n";
    const std::string base(BaseName(item));
    constexpr std::size_t InfoSuffix = sizeof ".trashinfo" - 1;
    for (int number = 1; number < 100000; ++number) {
        const std::string suffix = number == 1 ? std::string() : "." + std::to_string(number);
        const std::string name = Shortened(base, NAME_MAX - InfoSuffix - suffix.size()) + suffix;
        const std::string infoPath = JoinPath(info, name + ".trashinfo");
        TFd fd(::open(infoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (!fd) {
            if (errno == EEXIST)
                continue;
            return errno;
        }
        int error = WriteAll(fd.Get(), text);
        if (!fd.Close() && error == 0)
            error = errno;
        if (error == 0)
            error = RenameExclusive(item, JoinPath(files, name));
        if (error == 0)
            return 0;
        ::unlink(infoPath.c_str());
        if (error != EEXIST)
            return error;
    }
    return EEXIST;
}

std::string CreateNewFolder(const std::string &folder, int &error)
{
    // The names are the user's language's, as the desktop's file managers give them.
    const std::string first = TranslatedUtf8("ShellContextMenu", "New Folder");
    const QString next = Translated("ShellContextMenu", "New Folder (%1)");
    for (int number = 1; number < 10000; ++number) {
        const std::string name = number == 1 ? first : next.arg(number).toStdString();
        const std::string path = JoinPath(folder, name);
        if (::mkdir(path.c_str(), 0777) == 0) {
            error = 0;
            return path;
        }
        if (errno != EEXIST) {
            error = errno;
            return {};
        }
    }
    error = EEXIST;
    return {};
}
