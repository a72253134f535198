#include "platform/system/dirsearch.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "platform/system/datetime.h"
#include "platform/system/pathopen.h"

namespace {

// The attributes a request may leave out; any other entry is always returned.
constexpr int ExcludableAttr = faHidden | faSysFile | faVolumeID | faDirectory;

// Who the process is, for deciding which entries it may write.
struct TIdentity
{
    uid_t User = 0;
    gid_t Group = 0;
    std::vector<gid_t> Groups;

    bool InGroup(gid_t group) const
    {
        return group == Group || std::find(Groups.begin(), Groups.end(), group) != Groups.end();
    }
};

// The supplementary groups cost a call whose answer rarely changes; they are read
// again only when the effective user or group does.
TIdentity CurrentIdentity()
{
    static std::mutex mutex;
    static TIdentity cached;
    static bool known = false;

    const uid_t user = ::geteuid();
    const gid_t group = ::getegid();
    const std::lock_guard lock(mutex);
    if (!known || cached.User != user || cached.Group != group) {
        cached.User = user;
        cached.Group = group;
        const int count = ::getgroups(0, nullptr);
        cached.Groups.assign(static_cast<std::size_t>(std::max(count, 0)), 0);
        const int read = count > 0 ? ::getgroups(count, cached.Groups.data()) : 0;
        cached.Groups.resize(static_cast<std::size_t>(std::max(read, 0)));
        known = true;
    }
    return cached;
}

bool MayWrite(const struct stat &st, const TIdentity &identity)
{
    if (identity.User == 0)
        return true;
    if (st.st_uid == identity.User)
        return st.st_mode & S_IWUSR;
    if (identity.InGroup(st.st_gid))
        return st.st_mode & S_IWGRP;
    return st.st_mode & S_IWOTH;
}

bool IsDotOrDotDot(const char *name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

bool IsHiddenName(const char *name)
{
    return name[0] == '.' && !IsDotOrDotDot(name);
}

char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The length of the character at `pos`: a whole UTF-8 sequence when one starts there,
// otherwise the single byte, so that names that are not UTF-8 still match byte by byte.
std::size_t CharLength(std::string_view text, std::size_t pos)
{
    const auto lead = static_cast<unsigned char>(text[pos]);
    std::size_t length = 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    if (pos + length > text.size())
        return 1;
    for (std::size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[pos + i]) & 0xC0) != 0x80)
            return 1;
    }
    return length;
}

// '*' and '?' over the whole of `name`, with backtracking to the last '*' only.
bool MatchesWildcards(std::string_view name, std::string_view mask)
{
    std::size_t n = 0, m = 0;
    std::size_t starMask = std::string_view::npos, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == '*') {
            starMask = m++;
            starName = n;
        } else if (m < mask.size() && mask[m] == '?') {
            ++m;
            n += CharLength(name, n);
        } else if (m < mask.size() && LowerAscii(mask[m]) == LowerAscii(name[n])) {
            ++m;
            ++n;
        } else if (starMask != std::string_view::npos) {
            m = starMask + 1;
            starName += CharLength(name, starName);
            n = starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

bool MaskMatch(std::string_view name, std::string_view mask)
{
    if (MatchesWildcards(name, mask))
        return true;
    // "name.*" also stands for the name that has no extension at all.
    return mask.ends_with(".*") && name.find('.') == std::string_view::npos
        && MatchesWildcards(name, mask.substr(0, mask.size() - 2));
}

int KindAttr(bool isDirectory, bool isRegular)
{
    if (isDirectory)
        return faDirectory;
    return isRegular ? faArchive : faSysFile;
}

TFileId IdOf(const struct stat &st)
{
    return {st.st_dev, st.st_ino};
}

// What looking at an entry found.
enum class TLook
{
    lkGone,
    lkFollowed, // the entry, or what it links to
    lkDangling // a link whose target is missing, or a loop of links
};

// Sets the attributes, time, size and identity of the entry `name` of the folder open as
// `dirFd` from what it leads to. A link whose target is missing still shows in its
// folder, as a system file with its own size and time. `readOnly`: whether to tell a
// read-only file. Link is set only for a dangling link.
TLook LookAt(int dirFd, const char *name, const TIdentity *readOnly, TSearchRec &rec)
{
    const int hidden = IsHiddenName(name) ? faHidden : 0;
    struct stat st = {};
    const bool followed = ::fstatat(dirFd, name, &st, 0) == 0;
    if (!followed && ::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return TLook::lkGone;
    rec.ModTime = st.st_mtim;
    rec.Time = FileDateOf(st.st_mtim).value_or(0);
    rec.Size = st.st_size;
    rec.Id = IdOf(st);
    if (!followed) {
        rec.Attr = hidden | faSysFile;
        rec.Link = S_ISLNK(st.st_mode);
        return TLook::lkDangling;
    }
    rec.Attr = hidden | KindAttr(S_ISDIR(st.st_mode), S_ISREG(st.st_mode));
    if (readOnly && !MayWrite(st, *readOnly))
        rec.Attr |= faReadOnly;
    return TLook::lkFollowed;
}

bool IsLinkAt(int dirFd, const char *name)
{
    struct stat own = {};
    return ::fstatat(dirFd, name, &own, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(own.st_mode);
}

} // namespace

struct TSearchHandle
{
    TDirStream Dir;
    std::string Mask;
    TSearchDetail Detail = TSearchDetail::sdFull;
    TIdentity Identity;

    // Reads entries until one passes the mask and the request; 0, or an errno value.
    int Next(TSearchRec &rec);

private:
    bool Describe(const dirent &entry, TSearchRec &rec) const;
};

int TSearchHandle::Next(TSearchRec &rec)
{
    if (!Dir)
        return EBADF;
    const bool hiddenExcluded = rec.ExcludeAttr & faHidden;
    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(Dir.Get());
        if (!entry)
            return errno != 0 ? errno : ENOENT;
        // Name tests first: they cost no look at the entry itself.
        if (hiddenExcluded && IsHiddenName(entry->d_name))
            continue;
        if (!MaskMatch(entry->d_name, Mask))
            continue;
        if (!Describe(*entry, rec))
            continue; // vanished since the folder listed it
        if (rec.Attr & rec.ExcludeAttr)
            continue;
        rec.Name = entry->d_name;
        return 0;
    }
}

// Sets the attributes, time, size and identity of `entry`; false when it is gone.
bool TSearchHandle::Describe(const dirent &entry, TSearchRec &rec) const
{
    const int hidden = IsHiddenName(entry.d_name) ? faHidden : 0;
    rec.Link = entry.d_type == DT_LNK;
    if (Detail == TSearchDetail::sdTypeOnly && entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN) {
        rec.Attr = hidden | KindAttr(entry.d_type == DT_DIR, entry.d_type == DT_REG);
        rec.Time = 0;
        rec.Size = 0;
        rec.ModTime = {};
        rec.Id = {rec.FolderId.Device, entry.d_ino};
        return true;
    }

    const int dirFd = ::dirfd(Dir.Get());
    const TLook look
        = LookAt(dirFd, entry.d_name, Detail == TSearchDetail::sdFull ? &Identity : nullptr, rec);
    // A folder may be a link even where the folder does not list the entry's type.
    if (look == TLook::lkFollowed && entry.d_type == DT_UNKNOWN && (rec.Attr & faDirectory))
        rec.Link = IsLinkAt(dirFd, entry.d_name);
    return look != TLook::lkGone;
}

namespace {

// Starts a search over the folder open for reading as `fd`, which it takes over.
int StartSearch(TFd fd, const std::string &mask, TSearchRec &rec, TSearchDetail detail)
{
    if (!fd)
        return errno;
    struct stat st = {};
    if (::fstat(fd.Get(), &st) != 0)
        return errno;
    auto handle = std::make_shared<TSearchHandle>();
    handle->Dir = TDirStream::Over(fd);
    if (!handle->Dir)
        return errno;
    rec.FolderId = IdOf(st);
    handle->Mask = mask;
    handle->Detail = detail;
    if (detail == TSearchDetail::sdFull)
        handle->Identity = CurrentIdentity();

    const int error = handle->Next(rec);
    if (error == 0)
        rec.FindHandle = std::move(handle);
    return error;
}

void ResetSearch(TSearchRec &rec, int attr)
{
    // A search the record still holds is let go, not closed: a copy of the record may
    // be going on with it.
    rec.FindHandle.reset();
    rec.FolderId = {};
    rec.ExcludeAttr = ~attr & ExcludableAttr;
}

constexpr int FolderReadFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

} // namespace

int FindFirst(const std::string &path, int attr, TSearchRec &rec, TSearchDetail detail)
{
    ResetSearch(rec, attr);
    const auto delim = path.rfind(PathDelim);
    const std::string folder = delim == std::string::npos ? std::string(".") : path.substr(0, delim + 1);
    const std::string mask = delim == std::string::npos ? path : path.substr(delim + 1);
    return StartSearch(TFd(OpenPath(folder, FolderReadFlags)), mask, rec, detail);
}

int FindNext(TSearchRec &rec)
{
    return rec.FindHandle ? rec.FindHandle->Next(rec) : EBADF;
}

void FindClose(TSearchRec &rec)
{
    // Copies of the record share the handle; closing the folder ends the search for
    // all of them.
    if (rec.FindHandle)
        rec.FindHandle->Dir = TDirStream();
    rec.FindHandle.reset();
}

namespace {

// stat(2) or lstat(2) of a path of any length.
bool StatPath(const std::string &path, struct stat &st, int flags)
{
    if (path.empty())
        return false;
    if (::fstatat(AT_FDCWD, path.c_str(), &st, flags) == 0)
        return true;
    if (errno != ENAMETOOLONG)
        return false;
    std::string name;
    const TFd parent(OpenParentOf(path, name));
    return parent && ::fstatat(parent.Get(), name.c_str(), &st, flags) == 0;
}

TFileInfo InfoOf(const struct stat &st)
{
    TFileInfo info;
    info.Size = st.st_size;
    info.ModTime = st.st_mtim;
    info.Id = IdOf(st);
    info.IsDirectory = S_ISDIR(st.st_mode);
    return info;
}

} // namespace

std::optional<TFileInfo> FileInfoAt(const std::string &path)
{
    struct stat st = {};
    if (!StatPath(path, st, 0))
        return std::nullopt;
    return InfoOf(st);
}

std::optional<TFileInfo> EntryInfoAt(const std::string &path)
{
    struct stat st = {};
    if (!StatPath(path, st, 0) && !StatPath(path, st, AT_SYMLINK_NOFOLLOW))
        return std::nullopt;
    return InfoOf(st);
}

TFolder TFolder::Adopt(int fd, bool readable)
{
    TFolder folder;
    TFd held(fd);
    struct stat st = {};
    if (!held || ::fstat(fd, &st) != 0)
        return folder;
    folder.m_fd = std::move(held);
    folder.m_id = IdOf(st);
    folder.m_readable = readable;
    return folder;
}

TFolder TFolder::Open(const std::string &path)
{
    return Adopt(OpenPath(path, O_PATH | O_DIRECTORY));
}

TFolder TFolder::OpenChild(const std::string &name, bool followLink) const
{
    if (!IsOpen()) {
        errno = EBADF;
        return {};
    }
    const int flags = O_DIRECTORY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW);
    // A folder reached through a link may be one walked already: it is opened for
    // reading only once the caller knows which it is.
    const int fd = followLink ? -1 : ::openat(m_fd.Get(), name.c_str(), flags | O_RDONLY);
    if (fd >= 0)
        return Adopt(fd, true);
    // A folder that may not be read may still be passed through.
    if (!followLink && errno != EACCES)
        return {};
    return Adopt(::openat(m_fd.Get(), name.c_str(), flags | O_PATH));
}

TFolder TFolder::Duplicate() const
{
    TFolder copy;
    if (!IsOpen()) {
        errno = EBADF;
        return copy;
    }
    copy.m_fd = TFd(::fcntl(m_fd.Get(), F_DUPFD_CLOEXEC, 0));
    if (copy.m_fd) {
        copy.m_id = m_id;
        copy.m_readable = m_readable;
    }
    return copy;
}

bool MatchesMask(const std::string &name, const std::string &mask)
{
    return MaskMatch(name, mask);
}

std::string GetCurrentDir()
{
    std::string buffer(256, '\0');
    for (;;) {
        if (::getcwd(buffer.data(), buffer.size())) {
            buffer.resize(std::char_traits<char>::length(buffer.c_str()));
            return buffer;
        }
        if (errno != ERANGE)
            return ".";
        buffer.resize(buffer.size() * 2);
    }
}

bool DescribeEntryAt(int dirFd, const std::string &name, TSearchRec &rec)
{
    const TIdentity identity = CurrentIdentity();
    const TLook look = LookAt(dirFd, name.c_str(), &identity, rec);
    if (look == TLook::lkFollowed)
        rec.Link = IsLinkAt(dirFd, name.c_str());
    return look != TLook::lkGone;
}
