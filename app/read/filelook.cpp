#include "app/read/filelook.h"

#include <climits>
#include <fcntl.h>
#include <sys/stat.h>

#include "platform/system/dirsearch.h"
#include "platform/system/pathopen.h"

std::optional<struct timespec> TFileLook::EnterFolder(std::string_view folder)
{
    m_folder.assign(folder);
    m_opened = OpenFolder();
    struct stat info;
    if (m_opened && ::fstat(m_opened.Get(), &info) == 0)
        return info.st_mtim;
    return std::nullopt;
}

std::optional<TSizeAndTime> TFileLook::File(std::string_view name)
{
    m_name.assign(name);
    if (m_opened)
        return SizeAndTimeAt(m_opened.Get(), m_name.c_str());
    const auto info = EntryInfoAt(m_rootDir + m_folder + m_name);
    return info ? std::optional<TSizeAndTime>({info->Size, info->ModTime}) : std::nullopt;
}

// The folder, relative to the root held open where the path is short enough to be looked
// up in one call: that saves looking up the root's own path each time.
TFd TFileLook::OpenFolder() const
{
    constexpr int Flags = O_PATH | O_DIRECTORY | O_CLOEXEC;
    if (m_root && m_folder.empty())
        return TFd(::openat(m_root.Get(), ".", Flags));
    if (m_root && m_folder.size() < PATH_MAX)
        return TFd(::openat(m_root.Get(), m_folder.c_str(), Flags));
    return TFd(OpenPath(m_rootDir + m_folder, O_PATH | O_DIRECTORY));
}
