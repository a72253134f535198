// Special folders and the paths of lists.
//
//   CSIDL_DESKTOP           the desktop (the empty list)
//   CSIDL_DRIVES            Computer
//   CSIDL_BITBUCKET         the trash (always there; a folder once $XDG_DATA_HOME/Trash/files is)
//   CSIDL_CONTROLS          Computer / Control Panel
//   CSIDL_PRINTERS          Computer / Control Panel / Printers
// and, each only when the folder exists on disk (else ERROR_FILE_NOT_FOUND):
//   CSIDL_PERSONAL          XDG DOCUMENTS dir, else ~/Documents, else the home folder
//   CSIDL_DESKTOPDIRECTORY  XDG DESKTOP dir, else ~/Desktop
//   CSIDL_TEMPLATES         XDG TEMPLATES dir, else ~/Templates
//   CSIDL_PROGRAMS          $XDG_DATA_HOME/applications (the user's menu entries)
//   CSIDL_STARTMENU         $XDG_DATA_HOME/applications as well: the menu has no other folder
//   CSIDL_STARTUP           $XDG_CONFIG_HOME/autostart
//   CSIDL_FONTS             $XDG_DATA_HOME/fonts, else ~/.fonts
//   CSIDL_RECENT            $XDG_DATA_HOME/RecentDocuments (the recently-used list of
//                           GTK is one file, not a folder)
//   CSIDL_SENDTO            $XDG_DATA_HOME/nautilus/scripts (the programs that take the
//                           selected files from the file manager's menu)
//   CSIDL_NETWORK, NETHOOD  $XDG_RUNTIME_DIR/gvfs (where the desktop mounts network places)
//   CSIDL_FAVORITES         nothing on this system: always ERROR_FILE_NOT_FOUND
// Folders on disk are parsed from the desktop like any path (through Computer), so a
// special folder's list is the one its path gives. An unknown CSIDL is E_INVALIDARG.

#include "platform/shell/private/shellfs.h"
#include "platform/shell/private/shellnamespace.h"

namespace {

// The first of the candidates that is a folder; empty when none is.
std::string FirstFolder(std::initializer_list<std::string> candidates)
{
    for (const std::string &path : candidates) {
        if (IsDirectory(path))
            return path;
    }
    return {};
}

// The folder of a CSIDL that lives on disk; nothing for an unknown CSIDL, an empty
// text when it does not exist.
std::optional<std::string> SpecialFolderPath(int csidl)
{
    switch (csidl) {
    case CSIDL_PERSONAL: {
        const TUserDirs dirs;
        return FirstFolder({dirs.Get("DOCUMENTS", "Documents"), dirs.Home()});
    }
    case CSIDL_DESKTOPDIRECTORY:
        return FirstFolder({DesktopDirectory(TUserDirs())});
    case CSIDL_TEMPLATES:
        return FirstFolder({TUserDirs().Get("TEMPLATES", "Templates")});
    case CSIDL_PROGRAMS:
    case CSIDL_STARTMENU:
        return FirstFolder({DataHome() + "/applications"});
    case CSIDL_STARTUP:
        return FirstFolder({ConfigHome() + "/autostart"});
    case CSIDL_FONTS:
        return FirstFolder({DataHome() + "/fonts", HomePath() + "/.fonts"});
    case CSIDL_RECENT:
        return FirstFolder({DataHome() + "/RecentDocuments"});
    case CSIDL_SENDTO:
        return FirstFolder({DataHome() + "/nautilus/scripts"});
    case CSIDL_NETWORK:
    case CSIDL_NETHOOD:
        return FirstFolder({RuntimeDir() + "/gvfs"});
    case CSIDL_FAVORITES:
        return std::string();
    default:
        return std::nullopt;
    }
}

std::vector<std::string> Items(std::initializer_list<std::pair<TItemKind, std::string>> parts)
{
    std::vector<std::string> items;
    for (const auto &[kind, name] : parts) {
        if (std::optional<std::string> item = EncodeItem(kind, name))
            items.push_back(std::move(*item));
    }
    return items;
}

} // namespace

HRESULT SHGetSpecialFolderLocation(HWND, int csidl, LPITEMIDLIST *idList)
{
    if (!idList)
        return E_INVALIDARG;
    *idList = nullptr;
    std::vector<std::string> items;
    switch (csidl) {
    case CSIDL_DESKTOP:
        break;
    case CSIDL_DRIVES:
        items = Items({{TItemKind::ikComputer, "Computer"}});
        break;
    case CSIDL_CONTROLS:
        items = Items({{TItemKind::ikComputer, "Computer"}, {TItemKind::ikControlPanel, "Control Panel"}});
        break;
    case CSIDL_PRINTERS:
        items = Items({{TItemKind::ikComputer, "Computer"}, {TItemKind::ikControlPanel, "Control Panel"},
            {TItemKind::ikPrinters, "Printers"}});
        break;
    case CSIDL_BITBUCKET:
        items = Items({{TItemKind::ikTrash, TrashFilesPath()}});
        if (items.empty() || !ReadItem(items.front().data()))
            return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        break;
    default: {
        const std::optional<std::string> path = SpecialFolderPath(csidl);
        if (!path)
            return E_INVALIDARG;
        if (path->empty())
            return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        const HRESULT hr = ParseNames(DesktopNode(), *path, items);
        if (FAILED(hr))
            return hr;
        break;
    }
    }
    *idList = AllocIdList(items);
    return *idList ? S_OK : E_OUTOFMEMORY;
}

bool SHGetPathFromIDList(LPCITEMIDLIST idList, std::string &path)
{
    path.clear();
    const std::optional<TResolvedList> resolved = ResolveIdList(DesktopNode(), idList);
    if (!resolved)
        return false;
    const TShellNode &node = resolved->Node;
    if (node.Kind == TItemKind::ikDesktop) {
        const std::string desktop = DesktopDirectory(TUserDirs());
        if (IsDirectory(desktop))
            path = desktop;
    } else if (node.Kind == TItemKind::ikTrash) {
        if (IsDirectory(node.Path))
            path = node.Path;
    } else {
        path = node.Path;
    }
    return !path.empty();
}
