#include "platform/savefile.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include <QFile>
#include <QRandomGenerator>
#include <QSaveFile>

#include "platform/error.h"

namespace {

// A descriptor closed with the object unless handed back by Close().
class TFileHandle
{
public:
    explicit TFileHandle(int fd)
        : m_fd(fd)
    { }
    ~TFileHandle()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    TFileHandle(const TFileHandle &) = delete;
    TFileHandle &operator=(const TFileHandle &) = delete;

    bool Close() { return ::close(std::exchange(m_fd, -1)) == 0; }

private:
    int m_fd;
};

// The temporary beside the target, removed unless it has become the target.
struct TTemporaryPath
{
    std::string Path;
    bool Kept = false;

    ~TTemporaryPath()
    {
        if (!Kept && !Path.empty())
            ::unlink(Path.c_str());
    }
};

// QSaveFile's steps for a name that no QString spells (bytes that are not UTF-8, which
// QFile::decodeName would turn into U+FFFD and so into another file): write a temporary
// beside the target, then rename it over the target once complete.
void SaveUnderByteName(const std::string &fileName, const std::function<void(QIODevice &)> &write)
{
    std::string target = fileName;
    // Like QSaveFile, replace the file a symbolic link names rather than the link.
    if (char *resolved = ::realpath(fileName.c_str(), nullptr)) {
        target = resolved;
        std::free(resolved);
    }
    struct stat existing
    {
    };
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && (S_ISDIR(existing.st_mode) || ::access(target.c_str(), W_OK) != 0))
        throw EFCreateError(CreateErrorMessage(fileName));

    TTemporaryPath temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 16; ++attempt) {
        temporary.Path = target + "." + std::to_string(QRandomGenerator::global()->generate());
        fd = ::open(temporary.Path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        temporary.Path.clear();
        throw EFCreateError(CreateErrorMessage(fileName));
    }
    TFileHandle handle(fd);
    if (exists)
        ::fchmod(fd, existing.st_mode & 07777);

    QFile file;
    if (!file.open(fd, QIODevice::WriteOnly, QFileDevice::DontCloseHandle))
        throw EWriteError(SWriteError);
    write(file);
    file.close();
    if (file.error() != QFileDevice::NoError || ::fsync(fd) != 0 || !handle.Close()
        || ::rename(temporary.Path.c_str(), target.c_str()) != 0)
        throw EWriteError(SWriteError);
    temporary.Kept = true;
}

} // namespace

void SaveFileAtomically(const std::string &fileName, const std::function<void(QIODevice &)> &write)
{
    // The system's calls would stop at a NUL and write to another file.
    if (fileName.find('\0') != std::string::npos)
        throw EFCreateError(CreateErrorMessage(fileName));
    const QByteArray bytes = QByteArray::fromStdString(fileName);
    const QString name = QFile::decodeName(bytes);
    if (QFile::encodeName(name) != bytes) {
        SaveUnderByteName(fileName, write);
        return;
    }

    // QSaveFile writes beside the target and renames over it only at commit; destroyed
    // before that, it removes its temporary and leaves the target as it was.
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly))
        throw EFCreateError(CreateErrorMessage(fileName));
    write(file);
    if (!file.commit())
        throw EWriteError(SWriteError);
}
