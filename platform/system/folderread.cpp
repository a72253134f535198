#include "platform/system/folderread.h"

#include <cerrno>
#include <cstddef>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Large enough for a few hundred entries per call.
constexpr std::size_t BufferSize = 64 * 1024;

bool IsDotOrDotDot(const char *name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

std::optional<struct statx> StatxAt(int dirFd, const char *name, int flags, unsigned mask)
{
    struct statx st = {};
    if (::statx(dirFd, name, flags, mask, &st) != 0)
        return std::nullopt;
    return st;
}

} // namespace

TFolderReader::TFolderReader()
    : m_buffer(BufferSize)
{ }

bool TFolderReader::Start(int dirFd, bool readThrough)
{
    m_own = readThrough ? TFd() : TFd(::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    m_fd = readThrough ? dirFd : m_own.Get();
    m_pos = m_filled = 0;
    return m_fd >= 0;
}

bool TFolderReader::Fill()
{
    if (m_fd < 0)
        return false;
    const ssize_t read = ::getdents64(m_fd, m_buffer.data(), m_buffer.size());
    m_pos = 0;
    m_filled = read > 0 ? static_cast<std::size_t>(read) : 0;
    if (read <= 0) {
        // The end, or a folder that cannot be read further.
        m_own = TFd();
        m_fd = -1;
    }
    return read > 0;
}

bool TFolderReader::Next(TFolderEntry &entry)
{
    for (;;) {
        if (m_pos >= m_filled && !Fill())
            return false;
        const auto *record = reinterpret_cast<const struct dirent64 *>(m_buffer.data() + m_pos);
        m_pos += record->d_reclen;
        if (IsDotOrDotDot(record->d_name))
            continue;
        entry.Name = record->d_name;
        entry.Type = record->d_type;
        return true;
    }
}

std::optional<mode_t> EntryTypeAt(int dirFd, const char *name, bool follow)
{
    const auto st = StatxAt(dirFd, name, follow ? 0 : AT_SYMLINK_NOFOLLOW, STATX_TYPE);
    return st ? std::optional<mode_t>(st->stx_mode & S_IFMT) : std::nullopt;
}

std::optional<TSizeAndTime> SizeAndTimeAt(int dirFd, const char *name)
{
    constexpr unsigned Wanted = STATX_SIZE | STATX_MTIME;
    auto st = StatxAt(dirFd, name, 0, Wanted);
    if (!st)
        st = StatxAt(dirFd, name, AT_SYMLINK_NOFOLLOW, Wanted);
    if (!st)
        return std::nullopt;
    TSizeAndTime info;
    info.Size = static_cast<std::int64_t>(st->stx_size);
    info.ModTime.tv_sec = st->stx_mtime.tv_sec;
    info.ModTime.tv_nsec = st->stx_mtime.tv_nsec;
    return info;
}
