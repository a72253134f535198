// Display names to items. A name is split at '/'; empty and "." components are skipped
// and ".." is refused (ERROR_INVALID_NAME) so that a name given to a folder never leads
// out of it. Every component must exist: a missing last one fails with
// ERROR_FILE_NOT_FOUND, a missing or non-folder one before it with ERROR_PATH_NOT_FOUND.
// File-system components are looked up relative to an opened folder, so paths longer
// than the kernel takes parse too.

#include <cerrno>
#include <sys/stat.h>

#include "platform/shell/private/shellfs.h"
#include "platform/shell/private/shellnamespace.h"

namespace {

using TParts = std::vector<std::string_view>;

HRESULT Add(std::vector<std::string> &items, TItemKind kind, std::string_view name)
{
    std::optional<std::string> item = EncodeItem(kind, name);
    if (!item || !ReadItem(item->data()))
        return HRESULT_FROM_WIN32(ERROR_INVALID_NAME);
    items.push_back(std::move(*item));
    return S_OK;
}

HRESULT NotFound(bool last)
{
    return HRESULT_FROM_WIN32(last ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
}

// Walks `parts` from the file-system folder `folder`, one item per component; with
// `desktopEntry` the first becomes a desktop entry, which holds its absolute path.
HRESULT WalkFileSystem(const std::string &folder, TParts::const_iterator begin, TParts::const_iterator end,
    std::vector<std::string> &items, bool desktopEntry)
{
    if (begin == end)
        return S_OK;
    TFd dir = OpenDirectory(folder, O_PATH);
    if (!dir)
        return errno == ENOENT || errno == ENOTDIR ? NotFound(false) : HResultFromErrno(errno);
    for (auto it = begin; it != end; ++it) {
        const bool last = std::next(it) == end;
        const std::string name(*it);
        struct stat info;
        bool folderEntry;
        if (::fstatat(dir.Get(), name.c_str(), &info, 0) == 0) {
            folderEntry = S_ISDIR(info.st_mode);
        } else if (errno == ENOENT && ::fstatat(dir.Get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
            folderEntry = false; // a link that leads nowhere is listed as a file
        } else {
            return errno == ENOENT || errno == ENOTDIR ? NotFound(last) : HResultFromErrno(errno);
        }
        if (!last && !folderEntry)
            return NotFound(false);
        HRESULT hr;
        if (it == begin && desktopEntry)
            hr = Add(items, folderEntry ? TItemKind::ikDesktopFolder : TItemKind::ikDesktopFile,
                JoinPath(folder, name));
        else
            hr = Add(items, folderEntry ? TItemKind::ikFolder : TItemKind::ikFile, name);
        if (FAILED(hr))
            return hr;
        if (!last) {
            dir = TFd(::openat(dir.Get(), name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
            if (!dir)
                return HResultFromErrno(errno);
        }
    }
    return S_OK;
}

TParts SplitPath(std::string_view path)
{
    TParts parts;
    std::size_t at = 0;
    while (at <= path.size()) {
        const std::size_t end = std::min(path.find('/', at), path.size());
        const std::string_view part = path.substr(at, end - at);
        if (!part.empty() && part != ".")
            parts.push_back(part);
        at = end + 1;
    }
    return parts;
}

bool StartsWithParts(const TParts &parts, const TParts &prefix)
{
    if (prefix.size() > parts.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (parts[i] != prefix[i])
            return false;
    }
    return true;
}

// An absolute path inside Computer: the longest mount point that begins it is the volume.
HRESULT ParseInComputer(const TParts &parts, std::vector<std::string> &items)
{
    std::string volume = "/";
    std::size_t volumeDepth = 0;
    for (const TVolume &mounted : UserVolumes(CurrentShellSources())) {
        const TParts mountParts = SplitPath(mounted.MountPoint);
        if (mountParts.size() > volumeDepth && StartsWithParts(parts, mountParts)) {
            volume = mounted.MountPoint;
            volumeDepth = mountParts.size();
        }
    }
    const HRESULT hr = Add(items, TItemKind::ikVolume, volume);
    if (FAILED(hr))
        return hr;
    return WalkFileSystem(volume, parts.begin() + volumeDepth, parts.end(), items, false);
}

// Components below a virtual folder: "::{...}" names, print queue names.
HRESULT ParseVirtual(
    TItemKind folder, TParts::const_iterator it, TParts::const_iterator end, std::vector<std::string> &items)
{
    for (; it != end; ++it) {
        const bool last = std::next(it) == end;
        const std::string_view part = *it;
        switch (folder) {
        case TItemKind::ikDesktop:
            if (part == VirtualParsingName(TItemKind::ikComputer)) {
                folder = TItemKind::ikComputer;
                Add(items, folder, "Computer");
                continue;
            }
            if (part == VirtualParsingName(TItemKind::ikTrash)) {
                const std::string trash = TrashFilesPath();
                const HRESULT hr = Add(items, TItemKind::ikTrash, trash);
                return FAILED(hr) ? hr : WalkFileSystem(trash, std::next(it), end, items, false);
            }
            return WalkFileSystem(DesktopDirectory(TUserDirs()), it, end, items, true);
        case TItemKind::ikComputer:
            if (part != VirtualParsingName(TItemKind::ikControlPanel))
                return NotFound(last);
            folder = TItemKind::ikControlPanel;
            Add(items, folder, "Control Panel");
            continue;
        case TItemKind::ikControlPanel:
            if (part != VirtualParsingName(TItemKind::ikPrinters))
                return NotFound(last);
            folder = TItemKind::ikPrinters;
            Add(items, folder, "Printers");
            continue;
        case TItemKind::ikPrinters: {
            bool known = false;
            for (const std::string &queue : PrinterQueueNames(CurrentShellSources()))
                known = known || queue == part;
            if (!known || !last)
                return NotFound(last);
            return Add(items, TItemKind::ikPrinter, part);
        }
        default:
            return NotFound(last);
        }
    }
    return S_OK;
}

} // namespace

HRESULT ParseNames(const TShellNode &start, std::string_view text, std::vector<std::string> &items)
{
    if (text.empty() || text.find('\0') != std::string_view::npos)
        return E_INVALIDARG;
    const TParts parts = SplitPath(text);
    for (const std::string_view part : parts) {
        if (part == "..")
            return HRESULT_FROM_WIN32(ERROR_INVALID_NAME);
    }
    const bool absolute = text.front() == '/';
    if (!start.Path.empty() && start.Kind != TItemKind::ikDesktop) {
        if (!IsFolderKind(start.Kind))
            return HRESULT_FROM_WIN32(ERROR_DIRECTORY);
        if (!absolute)
            return WalkFileSystem(start.Path, parts.begin(), parts.end(), items, false);
        // A full path is taken when it lies inside this folder.
        const TParts own = SplitPath(start.Path);
        if (!StartsWithParts(parts, own))
            return E_INVALIDARG;
        return WalkFileSystem(start.Path, parts.begin() + own.size(), parts.end(), items, false);
    }
    if (absolute) {
        if (start.Kind == TItemKind::ikDesktop) {
            Add(items, TItemKind::ikComputer, "Computer");
            return ParseInComputer(parts, items);
        }
        if (start.Kind == TItemKind::ikComputer)
            return ParseInComputer(parts, items);
        return E_INVALIDARG;
    }
    if (parts.empty())
        return E_INVALIDARG;
    return ParseVirtual(start.Kind, parts.begin(), parts.end(), items);
}
