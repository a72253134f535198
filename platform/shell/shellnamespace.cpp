// The shell namespace over the Linux file system.
//
// Layout of the namespace
//
//   Desktop (the empty list)
//   +- Home        the home folder ($HOME), a file-system folder
//   +- Computer    virtual
//   |  +- /        the file-system root, a volume
//   |  +- volumes  each mount point right below /media/$USER, /run/media/$USER or /mnt
//   |  +- Control Panel          virtual
//   |     +- Printers            virtual
//   |        +- print queues     virtual, not folders
//   +- Trash       $XDG_DATA_HOME/Trash/files, a file-system folder (virtual while the
//   |              folder does not exist: then it has no path and lists nothing)
//   +- the entries of the user's desktop folder (xdg-user-dir DESKTOP), when it exists
//
// The desktop's own path is its desktop folder, when that exists. A path is parsed
// through Computer: the longest mount point that begins it gives the first item, each
// further component one item; home and desktop entries are never the result of a parse,
// so that one path always gives one list.
//
// Layout of an item
//
//   offset 0  16-bit little-endian count of the whole item, count bytes included
//   offset 2  type byte (TItemKind)
//   offset 3  the name bytes, as the file system has them (no NUL; any other byte)
//   count-1   0, so that the name is a C text that STRRET_OFFSET can point at
//
// The name is one path component for items inside a file-system folder, the absolute
// path for the desktop's home, trash and desktop entries and for volumes (so they do not
// depend on the environment after they were made), the English name of the virtual
// folders (a key: the name shown is translated when shown, so that a list made in one
// language reads the same in another) and the queue name of a printer. Nothing else is
// stored: attributes are always read from the file system, so an item never goes stale.
// An item is 4 bytes longer than its name, which keeps lists of deep paths small.

#include "platform/shell/private/shellnamespace.h"

#include <atomic>
#include <cstring>

#include "platform/shell/private/shellfs.h"
#include "platform/system/translation.h"

namespace {

constexpr std::string_view ComputerGuid = "::{20D04FE0-3AEA-1069-A2D8-08002B30309D}";
constexpr std::string_view ControlPanelGuid = "::{21EC2020-3AEA-1069-A2DD-08002B30309D}";
constexpr std::string_view PrintersGuid = "::{2227A280-3AEA-1069-A2DE-08002B30309D}";
constexpr std::string_view TrashGuid = "::{645FF040-5081-101B-9F08-00AA002F954E}";
constexpr std::string_view DesktopGuid = "::{00021400-0000-0000-C000-000000000046}";

std::atomic<long> g_liveObjects{0};

IMalloc &ShellMalloc()
{
    static IMalloc *const allocator = [] {
        IMalloc *result = nullptr;
        SHGetMalloc(&result);
        return result;
    }();
    return *allocator;
}

bool IsKnownKind(std::uint8_t value)
{
    return value >= static_cast<std::uint8_t>(TItemKind::ikHome)
        && value <= static_cast<std::uint8_t>(TItemKind::ikFile);
}

bool HoldsAbsolutePath(TItemKind kind)
{
    switch (kind) {
    case TItemKind::ikHome:
    case TItemKind::ikTrash:
    case TItemKind::ikDesktopFolder:
    case TItemKind::ikDesktopFile:
    case TItemKind::ikVolume:
        return true;
    default:
        return false;
    }
}

bool IsComponent(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos;
}

// An absolute path without empty, "." or ".." components and without a trailing '/'.
bool IsCleanAbsolutePath(std::string_view path)
{
    if (path.empty() || path.front() != '/')
        return false;
    if (path == "/")
        return true;
    std::size_t at = 1;
    while (at <= path.size()) {
        const std::size_t end = std::min(path.find('/', at), path.size());
        if (!IsComponent(path.substr(at, end - at)))
            return false;
        at = end + 1;
    }
    return true;
}

std::string ControlPanelParsingName()
{
    return JoinPath(ComputerGuid, ControlPanelGuid);
}

std::string PrintersParsingName()
{
    return JoinPath(ControlPanelParsingName(), PrintersGuid);
}

} // namespace

std::optional<TItemView> ReadItem(const void *item)
{
    if (!item)
        return std::nullopt;
    const auto *bytes = static_cast<const std::uint8_t *>(item);
    const std::uint16_t size = ItemIdCount(item);
    if (size < TItemView::NameOffset + 2 || !IsKnownKind(bytes[2]) || bytes[size - 1] != 0)
        return std::nullopt;
    TItemView view;
    view.Kind = static_cast<TItemKind>(bytes[2]);
    view.Size = size;
    view.Name = std::string_view(
        reinterpret_cast<const char *>(bytes) + TItemView::NameOffset, size - TItemView::NameOffset - 1);
    if (view.Name.find('\0') != std::string_view::npos)
        return std::nullopt;
    if (HoldsAbsolutePath(view.Kind)
            ? !IsCleanAbsolutePath(view.Name)
            : (view.Kind == TItemKind::ikFolder || view.Kind == TItemKind::ikFile) && !IsComponent(view.Name))
        return std::nullopt;
    return view;
}

std::optional<std::string> EncodeItem(TItemKind kind, std::string_view name)
{
    const std::size_t size = TItemView::NameOffset + name.size() + 1;
    if (size > 0xFFFF || name.empty())
        return std::nullopt;
    std::string item(size, '\0');
    SetItemIdCount(item.data(), static_cast<std::uint16_t>(size));
    item[2] = static_cast<char>(kind);
    std::memcpy(item.data() + TItemView::NameOffset, name.data(), name.size());
    return item;
}

LPITEMIDLIST AllocIdList(const std::vector<std::string> &items)
{
    std::size_t size = 2;
    for (const std::string &item : items)
        size += item.size();
    auto *block = static_cast<char *>(ShellMalloc().Alloc(size));
    if (!block)
        return nullptr;
    char *at = block;
    for (const std::string &item : items) {
        std::memcpy(at, item.data(), item.size());
        at += item.size();
    }
    at[0] = at[1] = 0;
    return reinterpret_cast<LPITEMIDLIST>(block);
}

LPITEMIDLIST AllocIdList(std::string_view item)
{
    auto *block = static_cast<char *>(ShellMalloc().Alloc(item.size() + 2));
    if (!block)
        return nullptr;
    std::memcpy(block, item.data(), item.size());
    block[item.size()] = block[item.size() + 1] = 0;
    return reinterpret_cast<LPITEMIDLIST>(block);
}

LPWSTR AllocWideText(std::string_view bytes)
{
    const std::u16string text = WideFromSystem(bytes);
    auto *block = static_cast<LPWSTR>(ShellMalloc().Alloc((text.size() + 1) * sizeof(WCHAR)));
    if (!block)
        return nullptr;
    std::memcpy(block, text.data(), text.size() * sizeof(WCHAR));
    block[text.size()] = 0;
    return block;
}

bool IsFolderKind(TItemKind kind)
{
    return kind != TItemKind::ikDesktopFile && kind != TItemKind::ikFile && kind != TItemKind::ikPrinter;
}

bool MayContain(TItemKind parent, TItemKind child)
{
    switch (parent) {
    case TItemKind::ikDesktop:
        return child == TItemKind::ikHome || child == TItemKind::ikComputer || child == TItemKind::ikTrash
            || child == TItemKind::ikDesktopFolder || child == TItemKind::ikDesktopFile;
    case TItemKind::ikComputer:
        return child == TItemKind::ikVolume || child == TItemKind::ikControlPanel;
    case TItemKind::ikControlPanel:
        return child == TItemKind::ikPrinters;
    case TItemKind::ikPrinters:
        return child == TItemKind::ikPrinter;
    case TItemKind::ikHome:
    case TItemKind::ikTrash:
    case TItemKind::ikDesktopFolder:
    case TItemKind::ikVolume:
    case TItemKind::ikFolder:
        return child == TItemKind::ikFolder || child == TItemKind::ikFile;
    default:
        return false;
    }
}

TShellNode DesktopNode()
{
    return {};
}

std::optional<TShellNode> ChildNode(const TShellNode &parent, const TItemView &item)
{
    if (!MayContain(parent.Kind, item.Kind))
        return std::nullopt;
    TShellNode node{item.Kind, std::string(item.Name), {}};
    if (HoldsAbsolutePath(item.Kind))
        node.Path = node.Name;
    else if (item.Kind == TItemKind::ikFolder || item.Kind == TItemKind::ikFile)
        node.Path = JoinPath(parent.Path, item.Name);
    return node;
}

std::optional<TResolvedList> ResolveIdList(const TShellNode &start, LPCITEMIDLIST list)
{
    if (!list)
        return std::nullopt;
    TResolvedList result{start, start, std::nullopt, 0};
    const auto *begin = reinterpret_cast<const std::uint8_t *>(list);
    for (const std::uint8_t *at = begin; ItemIdCount(at) != 0; at += ItemIdCount(at)) {
        const std::optional<TItemView> item = ReadItem(at);
        if (!item)
            return std::nullopt;
        std::optional<TShellNode> child = ChildNode(result.Node, *item);
        if (!child)
            return std::nullopt;
        result.Parent = std::move(result.Node);
        result.Node = std::move(*child);
        result.Last = item;
        result.LastOffset = static_cast<std::size_t>(at - begin);
    }
    return result;
}

std::string_view VirtualParsingName(TItemKind kind)
{
    switch (kind) {
    case TItemKind::ikComputer:
        return ComputerGuid;
    case TItemKind::ikControlPanel:
        return ControlPanelGuid;
    case TItemKind::ikPrinters:
        return PrintersGuid;
    case TItemKind::ikTrash:
        return TrashGuid;
    default:
        return {};
    }
}

std::string PlaceDisplayName(TItemKind kind)
{
    const char *name = nullptr;
    switch (kind) {
    case TItemKind::ikDesktop:
        name = QT_TRANSLATE_NOOP("ShellPlaces", "Desktop");
        break;
    case TItemKind::ikComputer:
        name = QT_TRANSLATE_NOOP("ShellPlaces", "Computer");
        break;
    case TItemKind::ikTrash:
        name = QT_TRANSLATE_NOOP("ShellPlaces", "Trash");
        break;
    case TItemKind::ikControlPanel:
        name = QT_TRANSLATE_NOOP("ShellPlaces", "Control Panel");
        break;
    case TItemKind::ikPrinters:
        name = QT_TRANSLATE_NOOP("ShellPlaces", "Printers");
        break;
    default:
        return {};
    }
    return TranslatedUtf8("ShellPlaces", name);
}

std::string NodeDisplayName(const TShellNode &node)
{
    switch (node.Kind) {
    case TItemKind::ikDesktop:
    case TItemKind::ikTrash:
    case TItemKind::ikComputer:
    case TItemKind::ikControlPanel:
    case TItemKind::ikPrinters:
        return PlaceDisplayName(node.Kind);
    case TItemKind::ikPrinter:
        return node.Name;
    default:
        return std::string(BaseName(node.Path));
    }
}

std::string NodeParsingName(const TShellNode &node)
{
    switch (node.Kind) {
    case TItemKind::ikDesktop: {
        const std::string desktop = DesktopDirectory(TUserDirs());
        return IsDirectory(desktop) ? desktop : std::string(DesktopGuid);
    }
    case TItemKind::ikComputer:
        return std::string(ComputerGuid);
    case TItemKind::ikControlPanel:
        return ControlPanelParsingName();
    case TItemKind::ikPrinters:
        return PrintersParsingName();
    case TItemKind::ikPrinter:
        return JoinPath(PrintersParsingName(), node.Name);
    case TItemKind::ikTrash:
        return IsDirectory(node.Path) ? node.Path : std::string(TrashGuid);
    default:
        return node.Path;
    }
}

long ShellNamespaceLiveObjects()
{
    return g_liveObjects.load();
}

void CountShellObject(int delta)
{
    g_liveObjects += delta;
}
