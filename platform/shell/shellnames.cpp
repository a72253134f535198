// Display names and the order of items.
//
// Display names (GetDisplayNameOf):
//   entries of file-system folders   normal and in-folder: STRRET_OFFSET to the name in
//                                    the item; for parsing: STRRET_WSTR full path
//   home, volumes, desktop entries   normal and in-folder: STRRET_OFFSET to the last
//                                    component of the path the item holds; for
//                                    parsing: STRRET_WSTR full path
//   Computer, Control Panel,         normal and in-folder: STRRET_CSTR name in the
//   Printers, print queues, trash    user's language (a queue's own name); for parsing:
//                                    STRRET_WSTR "::{...}" names (the trash's folder
//                                    path once it exists)
//   the folder itself (empty list)   STRRET_WSTR
// Offsets count from the start of the list passed, so they also serve lists of several
// items (the name of the last item).
//
// Order (CompareIDs, by the first item that differs; an ancestor before what it holds):
// the fixed places first (home, Computer, trash on the desktop; "/" then the volumes in
// Computer, Control Panel last), then folders before other items, then display names
// in the user's locale ignoring case, then the bytes of the names. The fixed places
// are ordered by kind alone, so the language of their names never changes the order.
// The answer is -1, 0 or 1, so the low 8 bits and the low 16 bits read the same; 0 only
// for the same item.

#include <algorithm>
#include <cstring>

#include "platform/shell/private/shellnamespace.h"
#include "platform/system/locale.h"

namespace {

void SetCString(STRRET *name, std::string_view text)
{
    name->uType = STRRET_CSTR;
    const std::size_t length = std::min(text.size(), MAX_PATH - 1);
    std::memcpy(name->cStr, text.data(), length);
    name->cStr[length] = 0;
}

HRESULT SetWideString(STRRET *name, std::string_view text)
{
    name->uType = STRRET_WSTR;
    name->pOleStr = AllocWideText(text);
    return name->pOleStr ? S_OK : E_OUTOFMEMORY;
}

void SetOffset(STRRET *name, std::size_t offset)
{
    name->uType = STRRET_OFFSET;
    name->uOffset = static_cast<UINT>(offset);
}

// The order of the fixed places before the rest, and of folders before other items.
int Rank(const TItemView &item)
{
    switch (item.Kind) {
    case TItemKind::ikHome:
        return 0;
    case TItemKind::ikComputer:
        return 1;
    case TItemKind::ikTrash:
        return 2;
    case TItemKind::ikVolume:
        return item.Name == "/" ? 3 : 4;
    case TItemKind::ikControlPanel:
        return 7;
    default:
        return IsFolderKind(item.Kind) ? 5 : 6;
    }
}

// The name that the item's own bytes show: the last component of the absolute paths.
// The fixed places show a translated name instead (PlaceDisplayName).
std::string_view ShownName(const TItemView &item)
{
    switch (item.Kind) {
    case TItemKind::ikHome:
    case TItemKind::ikVolume:
    case TItemKind::ikDesktopFolder:
    case TItemKind::ikDesktopFile:
        return BaseName(item.Name);
    default:
        return item.Name;
    }
}

int Sign(int value)
{
    return (value > 0) - (value < 0);
}

int CompareItems(const TItemView &a, const TItemView &b)
{
    if (const int rank = Rank(a) - Rank(b))
        return Sign(rank);
    const std::string_view nameA = ShownName(a), nameB = ShownName(b);
    if (nameA != nameB) {
        // Sort keys are kept per name: a folder's sort computes each name's key once.
        if (const int order = TLocale::User().CompareUtf8Text(nameA, nameB); order != 0)
            return Sign(order);
    }
    // Names that collate alike (case, or bytes that are not UTF-8) still differ.
    if (const int bytes = a.Name.compare(b.Name))
        return Sign(bytes);
    return Sign(static_cast<int>(a.Kind) - static_cast<int>(b.Kind));
}

} // namespace

HRESULT ListDisplayName(const TResolvedList &resolved, DWORD flags, STRRET *name)
{
    const TShellNode &node = resolved.Node;
    const bool forParsing = flags & SHGDN_FORPARSING;
    const bool inFolder = flags & SHGDN_INFOLDER;
    if (!resolved.Last)
        return SetWideString(name, forParsing ? NodeParsingName(node) : NodeDisplayName(node));
    const TItemView &item = *resolved.Last;
    const std::size_t nameOffset = resolved.LastOffset + TItemView::NameOffset;
    switch (node.Kind) {
    case TItemKind::ikFolder:
    case TItemKind::ikFile:
        if (forParsing && !inFolder)
            return SetWideString(name, node.Path);
        SetOffset(name, nameOffset);
        return S_OK;
    case TItemKind::ikHome:
    case TItemKind::ikVolume:
    case TItemKind::ikDesktopFolder:
    case TItemKind::ikDesktopFile:
        if (forParsing)
            return SetWideString(name, node.Path);
        SetOffset(name, nameOffset + (ShownName(item).data() - item.Name.data()));
        return S_OK;
    default: {
        if (forParsing) {
            const std::string_view own = VirtualParsingName(node.Kind);
            if (inFolder && node.Kind != TItemKind::ikTrash)
                return SetWideString(name, own.empty() ? std::string_view(node.Name) : own);
            return SetWideString(name, NodeParsingName(node));
        }
        const std::string place = PlaceDisplayName(node.Kind);
        const std::string_view shown = place.empty() ? ShownName(item) : std::string_view(place);
        if (shown.size() >= MAX_PATH)
            return SetWideString(name, shown);
        SetCString(name, shown);
        return S_OK;
    }
    }
}

HRESULT CompareIdLists(LPCITEMIDLIST first, LPCITEMIDLIST second)
{
    if (!first || !second)
        return E_INVALIDARG;
    const auto *a = reinterpret_cast<const std::uint8_t *>(first);
    const auto *b = reinterpret_cast<const std::uint8_t *>(second);
    int order = 0;
    while (order == 0) {
        const bool endA = ItemIdCount(a) == 0, endB = ItemIdCount(b) == 0;
        if (endA || endB) {
            order = endB - endA; // the shorter list (the ancestor) first
            break;
        }
        const std::optional<TItemView> itemA = ReadItem(a), itemB = ReadItem(b);
        if (!itemA || !itemB)
            return E_INVALIDARG;
        order = CompareItems(*itemA, *itemB);
        a += itemA->Size;
        b += itemB->Size;
    }
    return MAKE_SCODE_SUCCESS(static_cast<std::uint16_t>(static_cast<short>(order)));
}
