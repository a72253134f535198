#include "platform/shell/private/shellfs.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/shell/private/shellnamespace.h"
#include "platform/system/pathopen.h"

TFd OpenDirectory(const std::string &path, int flags)
{
    return TFd(OpenPath(path, flags | O_DIRECTORY));
}

bool IsDirectory(const std::string &path)
{
    const TPathAt at = PathAt(path);
    struct stat info;
    return at.Ok() && ::fstatat(at.Dir, at.Name.c_str(), &info, 0) == 0 && S_ISDIR(info.st_mode);
}

bool PathExists(const std::string &path)
{
    const TPathAt at = PathAt(path);
    struct stat info;
    return at.Ok() && ::fstatat(at.Dir, at.Name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
}

static bool DifferOnlyInCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size() || a == b)
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

// Renames without ever replacing an entry: `to` must not exist. Where the file system
// cannot refuse on its own (RENAME_NOREPLACE unsupported), the check comes first. A
// change of case only is allowed where the file system ignores case and so reports
// the new name as taken by the entry itself.
int RenameNoReplace(int dir, const std::string &from, const std::string &to)
{
    if (::renameat2(dir, from.c_str(), dir, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    int error = errno;
    struct stat source, target;
    if (error == EINVAL || error == ENOSYS || error == EOPNOTSUPP) {
        if (::fstatat(dir, to.c_str(), &target, AT_SYMLINK_NOFOLLOW) == 0)
            return EEXIST;
        return ::renameat(dir, from.c_str(), dir, to.c_str()) == 0 ? 0 : errno;
    }
    if (error == EEXIST && DifferOnlyInCase(from, to)
        && ::fstatat(dir, from.c_str(), &source, AT_SYMLINK_NOFOLLOW) == 0
        && ::fstatat(dir, to.c_str(), &target, AT_SYMLINK_NOFOLLOW) == 0 && source.st_dev == target.st_dev
        && source.st_ino == target.st_ino)
        return ::renameat(dir, from.c_str(), dir, to.c_str()) == 0 ? 0 : errno;
    return error;
}

HRESULT HResultFromErrno(int error)
{
    switch (error) {
    case 0:
        return S_OK;
    case ENOENT:
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    case ENOTDIR:
    case ELOOP:
        return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    case EACCES:
    case EPERM:
        return E_ACCESSDENIED;
    case EROFS:
        return HRESULT_FROM_WIN32(ERROR_WRITE_PROTECT);
    case EEXIST:
    case ENOTEMPTY:
        return HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS);
    case ENAMETOOLONG:
        return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    case EXDEV:
        return HRESULT_FROM_WIN32(ERROR_NOT_SAME_DEVICE);
    case EBUSY:
        return HRESULT_FROM_WIN32(ERROR_BUSY);
    case ENOSPC:
    case EDQUOT:
        return HRESULT_FROM_WIN32(ERROR_DISK_FULL);
    case EINVAL:
        return HRESULT_FROM_WIN32(ERROR_INVALID_NAME);
    case ENOMEM:
        return E_OUTOFMEMORY;
    default:
        return E_FAIL;
    }
}
