// The folder objects of the namespace. One class serves every folder: what a folder
// holds and how its items behave follows from its node (shellnamespace.cpp); display
// names and the order of items are in shellnames.cpp.
//
// EnumObjects of a folder that cannot be listed fails (E_ACCESSDENIED, or
// ERROR_PATH_NOT_FOUND for a folder that is gone) and gives no enumerator: callers test
// FAILED and show no children. A trash without its folder lists nothing.

#include <atomic>
#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>

#include "platform/shell/private/shellfs.h"
#include "platform/shell/private/shellnamespace.h"
#include "platform/shell/shellcontextmenu.h"

namespace {

bool AddItem(std::vector<std::string> &items, TItemKind kind, std::string_view name)
{
    std::optional<std::string> item = EncodeItem(kind, name);
    if (!item || !ReadItem(item->data()))
        return false;
    items.push_back(std::move(*item));
    return true;
}

bool IsSingleItem(LPCITEMIDLIST list)
{
    const std::uint16_t first = ItemIdCount(list);
    return first != 0 && ItemIdCount(reinterpret_cast<const std::uint8_t *>(list) + first) == 0;
}

class TShellFolder final : public TShellObject<IShellFolder, IID_IShellFolder>
{
public:
    explicit TShellFolder(TShellNode node)
        : m_node(std::move(node))
        , m_context(m_node.Path)
    { }

    HRESULT ParseDisplayName(
        HWND, void *, LPCWSTR displayName, ULONG *eaten, LPITEMIDLIST *idList, ULONG *attributes) override;
    HRESULT EnumObjects(HWND, DWORD flags, IEnumIDList **enumerator) override;
    HRESULT BindToObject(LPCITEMIDLIST idList, void *, REFIID iid, void **object) override;
    HRESULT BindToStorage(LPCITEMIDLIST, void *, REFIID, void **object) override
    {
        if (object)
            *object = nullptr;
        return E_NOTIMPL;
    }
    HRESULT CompareIDs(LPARAM, LPCITEMIDLIST first, LPCITEMIDLIST second) override;
    HRESULT CreateViewObject(HWND, REFIID, void **object) override
    {
        if (object)
            *object = nullptr;
        return E_NOTIMPL;
    }
    HRESULT GetAttributesOf(UINT count, LPCITEMIDLIST *items, SFGAOF *inOut) override;
    // The context menu of file-system items (shellcontextmenu.h); nothing else.
    HRESULT GetUIObjectOf(HWND, UINT count, LPCITEMIDLIST *items, REFIID iid, UINT *, void **object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (iid != IID_IContextMenu && iid != IID_IContextMenu2 && iid != IID_IContextMenu3)
            return E_NOINTERFACE;
        if (count == 0 || !items)
            return E_INVALIDARG;
        std::vector<TMenuItem> menuItems;
        for (UINT i = 0; i < count; ++i) {
            const std::optional<TResolvedList> resolved = ResolveIdList(m_node, items[i]);
            if (!resolved)
                return E_INVALIDARG;
            if (!resolved->Last || resolved->Node.Path.empty())
                return E_NOINTERFACE;
            menuItems.push_back({resolved->Node.Path, IsFolderKind(resolved->Node.Kind),
                AttributesOf(*resolved, SFGAO_CANRENAME | SFGAO_CANDELETE)});
        }
        IContextMenu3 *menu = NewItemContextMenu(std::move(menuItems));
        const HRESULT hr = menu->QueryInterface(iid, object);
        menu->Release();
        return hr;
    }
    HRESULT GetDisplayNameOf(LPCITEMIDLIST idList, DWORD flags, STRRET *name) override;
    HRESULT SetNameOf(
        HWND, LPCITEMIDLIST idList, LPCWSTR newName, DWORD flags, LPITEMIDLIST *newIdList) override;

private:
    SFGAOF AttributesOf(const TResolvedList &resolved, SFGAOF mask)
    {
        if (resolved.Parent.Kind == m_node.Kind && resolved.Parent.Path == m_node.Path
            && resolved.Node.Kind != TItemKind::ikDesktopFolder
            && resolved.Node.Kind != TItemKind::ikDesktopFile)
            return NodeAttributes(resolved.Node, mask, m_context);
        TAttributeContext context(ParentDirectory(resolved.Parent, resolved.Node));
        return NodeAttributes(resolved.Node, mask, context);
    }

    TShellNode m_node;
    // The holding folder of this folder's own entries is the folder itself.
    TAttributeContext m_context;
};

HRESULT TShellFolder::ParseDisplayName(
    HWND, void *, LPCWSTR displayName, ULONG *eaten, LPITEMIDLIST *idList, ULONG *attributes)
{
    if (eaten)
        *eaten = 0;
    if (!idList)
        return E_POINTER;
    *idList = nullptr;
    if (!displayName)
        return E_INVALIDARG;
    const std::u16string_view wide(displayName);
    std::vector<std::string> items;
    const HRESULT hr = ParseNames(m_node, SystemFromWide(wide), items);
    if (FAILED(hr))
        return hr;
    LPITEMIDLIST list = AllocIdList(items);
    if (!list)
        return E_OUTOFMEMORY;
    if (attributes) {
        const std::optional<TResolvedList> resolved = ResolveIdList(m_node, list);
        *attributes = resolved ? AttributesOf(*resolved, *attributes) : 0;
    }
    if (eaten)
        *eaten = static_cast<ULONG>(wide.size());
    *idList = list;
    return S_OK;
}

HRESULT TShellFolder::EnumObjects(HWND, DWORD flags, IEnumIDList **enumerator)
{
    if (!enumerator)
        return E_POINTER;
    *enumerator = nullptr;
    std::vector<std::string> ready;
    TDirectorySource source;
    const bool folders = flags & SHCONTF_FOLDERS;
    switch (m_node.Kind) {
    case TItemKind::ikDesktop: {
        if (folders) {
            AddItem(ready, TItemKind::ikHome, HomePath());
            AddItem(ready, TItemKind::ikComputer, "Computer");
            AddItem(ready, TItemKind::ikTrash, TrashFilesPath());
        }
        // A desktop folder that is missing or unreadable leaves the fixed places.
        const std::string desktop = DesktopDirectory(TUserDirs());
        TFd dir = OpenDirectory(desktop, O_RDONLY);
        if (TDirStream stream = TDirStream::Over(dir))
            source = {std::move(stream), desktop, true};
        break;
    }
    case TItemKind::ikComputer:
        if (folders) {
            AddItem(ready, TItemKind::ikVolume, "/");
            for (const TVolume &volume : UserVolumes(CurrentShellSources()))
                AddItem(ready, TItemKind::ikVolume, volume.MountPoint);
            AddItem(ready, TItemKind::ikControlPanel, "Control Panel");
        }
        break;
    case TItemKind::ikControlPanel:
        if (folders)
            AddItem(ready, TItemKind::ikPrinters, "Printers");
        break;
    case TItemKind::ikPrinters:
        if (flags & SHCONTF_NONFOLDERS) {
            for (const std::string &queue : PrinterQueueNames(CurrentShellSources()))
                AddItem(ready, TItemKind::ikPrinter, queue);
        }
        break;
    default: {
        TFd dir = OpenDirectory(m_node.Path, O_RDONLY);
        if (!dir) {
            const int error = errno;
            if (m_node.Kind == TItemKind::ikTrash && error == ENOENT)
                break;
            return error == ENOENT || error == ENOTDIR ? HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)
                                                       : HResultFromErrno(error);
        }
        TDirStream stream = TDirStream::Over(dir);
        if (!stream)
            return HResultFromErrno(errno);
        source = {std::move(stream), m_node.Path, false};
        break;
    }
    }
    *enumerator = NewItemEnumerator(std::move(ready), std::move(source), flags);
    return S_OK;
}

HRESULT TShellFolder::BindToObject(LPCITEMIDLIST idList, void *, REFIID iid, void **object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    const std::optional<TResolvedList> resolved = ResolveIdList(m_node, idList);
    if (!resolved)
        return E_INVALIDARG;
    if (iid != IID_IShellFolder || !IsFolderKind(resolved->Node.Kind))
        return E_NOINTERFACE;
    if (!resolved->Last) {
        AddRef();
        *object = static_cast<IShellFolder *>(this);
        return S_OK;
    }
    *object = NewShellFolder(resolved->Node);
    return S_OK;
}

HRESULT TShellFolder::CompareIDs(LPARAM, LPCITEMIDLIST first, LPCITEMIDLIST second)
{
    return CompareIdLists(first, second);
}

HRESULT TShellFolder::GetAttributesOf(UINT count, LPCITEMIDLIST *items, SFGAOF *inOut)
{
    if (!inOut)
        return E_POINTER;
    const SFGAOF mask = *inOut;
    if (mask & SFGAO_VALIDATE)
        m_context.Forget();
    if (count == 0)
        return S_OK;
    if (!items)
        return E_INVALIDARG;
    SFGAOF shared = mask & ~SFGAO_VALIDATE;
    for (UINT i = 0; i < count; ++i) {
        const std::optional<TResolvedList> resolved = ResolveIdList(m_node, items[i]);
        if (!resolved)
            return E_INVALIDARG;
        if ((mask & SFGAO_VALIDATE) && !resolved->Node.Path.empty()
            && resolved->Node.Kind != TItemKind::ikTrash && !PathExists(resolved->Node.Path))
            return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        shared &= AttributesOf(*resolved, mask);
    }
    *inOut = shared;
    return S_OK;
}

HRESULT TShellFolder::GetDisplayNameOf(LPCITEMIDLIST idList, DWORD flags, STRRET *name)
{
    if (!name)
        return E_POINTER;
    name->uType = STRRET_CSTR;
    name->cStr[0] = 0;
    const std::optional<TResolvedList> resolved = ResolveIdList(m_node, idList);
    return resolved ? ListDisplayName(*resolved, flags, name) : E_INVALIDARG;
}

HRESULT TShellFolder::SetNameOf(HWND, LPCITEMIDLIST idList, LPCWSTR newName, DWORD, LPITEMIDLIST *newIdList)
{
    if (newIdList)
        *newIdList = nullptr;
    if (!idList || !newName)
        return E_INVALIDARG;
    const std::optional<TResolvedList> resolved = ResolveIdList(m_node, idList);
    if (!resolved || !IsSingleItem(idList))
        return E_INVALIDARG;
    const TShellNode &node = resolved->Node;
    const std::string folder = ParentDirectory(resolved->Parent, node);
    if (folder.empty())
        return E_ACCESSDENIED;
    const std::string to = SystemFromWide(newName);
    if (to.empty() || to == "." || to == ".." || to.find('/') != std::string::npos
        || to.find('\0') != std::string::npos)
        return HRESULT_FROM_WIN32(ERROR_INVALID_NAME);
    const std::string from(BaseName(node.Path));
    if (to != from) {
        const TFd dir = OpenDirectory(folder, O_PATH);
        if (!dir)
            return HResultFromErrno(errno);
        if (const int error = RenameNoReplace(dir.Get(), from, to))
            return HResultFromErrno(error);
        m_context.Forget();
    }
    if (!newIdList)
        return S_OK;
    const bool absolute = node.Kind == TItemKind::ikDesktopFolder || node.Kind == TItemKind::ikDesktopFile;
    std::optional<std::string> item = EncodeItem(node.Kind, absolute ? JoinPath(folder, to) : to);
    if (!item)
        return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    *newIdList = AllocIdList(std::string_view(*item));
    return *newIdList ? S_OK : E_OUTOFMEMORY;
}

} // namespace

IShellFolder *NewShellFolder(TShellNode node)
{
    return new TShellFolder(std::move(node));
}

HRESULT SHGetDesktopFolder(IShellFolder **desktop)
{
    if (!desktop)
        return E_INVALIDARG;
    *desktop = NewShellFolder(DesktopNode());
    return S_OK;
}
