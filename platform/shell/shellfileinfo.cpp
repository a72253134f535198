// SHGetFileInfo: the system image list and the icon indexes of items.
//
//   SHGFI_SYSICONINDEX without SHGFI_PIDL: the list (as the result); a non-empty path
//     (a UTF-8 text passed in place of the list) also gives its icon in iIcon
//   SHGFI_SYSICONINDEX | SHGFI_PIDL: the icon index of an absolute list in iIcon and
//     the list as the result; 0 for a list that is not ours or a file-system item that
//     is not there. SHGFI_OPENICON gives folders the open folder. SHGFI_SMALLICON
//     changes nothing: the icons scale.
// Other requests are not served (0).
//
// ItemIconIndexes gives both indexes of an item from one look at it.

#include <dirent.h>

#include "platform/shell/private/shellfs.h"
#include "platform/shell/private/shellnamespace.h"
#include "platform/ui/systemimagelist.h"

namespace {

bool IsEmptyFolder(const std::string &path)
{
    TFd dir = OpenDirectory(path, O_RDONLY);
    if (!dir)
        return true;
    const TDirStream stream = TDirStream::Over(dir);
    if (!stream)
        return true;
    while (const dirent *entry = ::readdir(stream.Get())) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            return false;
    }
    return true;
}

// The icon of the node closed; OpenIconIndex gives the open one from it.
int NodeIconIndex(TSystemImageList &list, const TShellNode &node)
{
    switch (node.Kind) {
    case TItemKind::ikDesktop:
        return TSystemImageList::siDesktop;
    case TItemKind::ikComputer:
        return TSystemImageList::siComputer;
    case TItemKind::ikControlPanel:
        return TSystemImageList::siControlPanel;
    case TItemKind::ikPrinters:
    case TItemKind::ikPrinter:
        return TSystemImageList::siPrinter;
    case TItemKind::ikTrash:
        return IsEmptyFolder(node.Path) ? TSystemImageList::siTrash : TSystemImageList::siTrashFull;
    case TItemKind::ikHome:
        return TSystemImageList::siHome;
    case TItemKind::ikVolume:
        return IsOnRemovableVolume(CurrentShellSources(), node.Path) ? TSystemImageList::siRemovable
                                                                     : TSystemImageList::siDrive;
    default:
        return list.FileIndex(node.Path);
    }
}

// Only folders look different open.
int OpenIconIndex(int index)
{
    return index == TSystemImageList::siFolder ? TSystemImageList::siFolderOpen : index;
}

} // namespace

DWORD_PTR SHGetFileInfo(LPCITEMIDLIST path, DWORD, SHFILEINFO *info, UINT, UINT flags)
{
    if (!(flags & SHGFI_SYSICONINDEX))
        return 0;
    TSystemImageList &list = TSystemImageList::Instance();
    const auto handle = reinterpret_cast<DWORD_PTR>(static_cast<HIMAGELIST>(&list));
    int index;
    if (flags & SHGFI_PIDL) {
        const std::optional<TResolvedList> resolved = ResolveIdList(DesktopNode(), path);
        if (!resolved)
            return 0;
        index = NodeIconIndex(list, resolved->Node);
    } else {
        const char *text = reinterpret_cast<const char *>(path);
        if (!text || !*text)
            return handle;
        index = list.FileIndex(text);
    }
    if (flags & SHGFI_OPENICON)
        index = OpenIconIndex(index);
    if (index < 0)
        return 0;
    if (info) {
        info->hIcon = nullptr;
        info->iIcon = index;
    }
    return handle;
}

bool ItemIconIndexes(LPCITEMIDLIST absolute, int &normal, int &open)
{
    normal = open = -1;
    const std::optional<TResolvedList> resolved = ResolveIdList(DesktopNode(), absolute);
    if (!resolved)
        return false;
    const int index = NodeIconIndex(TSystemImageList::Instance(), resolved->Node);
    if (index < 0)
        return false;
    normal = index;
    open = OpenIconIndex(index);
    return true;
}
