#include "systree/pidlhelp.h"

#include <cstdint>
#include <cstring>

#include "platform/ui/systemimagelist.h"

namespace {

const std::uint8_t *Bytes(LPCITEMIDLIST list)
{
    return reinterpret_cast<const std::uint8_t *>(list);
}

std::uint8_t *Bytes(LPITEMIDLIST list)
{
    return reinterpret_cast<std::uint8_t *>(list);
}

DWORD DisplayNameFlags(TDisplayNameKind kind)
{
    switch (kind) {
    case TDisplayNameKind::dnInFolder:
        return SHGDN_INFOLDER;
    case TDisplayNameKind::dnForParsing:
        return SHGDN_FORPARSING;
    case TDisplayNameKind::dnNormal:
        break;
    }
    return SHGDN_NORMAL;
}

// The bytes before the first zero byte among the `limit` bytes at `text`.
std::string TextUpToZero(const char *text, std::size_t limit)
{
    const void *zero = std::memchr(text, 0, limit);
    return std::string(text, zero ? static_cast<std::size_t>(static_cast<const char *>(zero) - text) : limit);
}

// The text at `offset` bytes into the item, up to its first zero byte. The read stays
// inside the list: an offset at or past its end gives nothing, and the list's
// terminator ends a text that runs on.
std::string TextInsideItem(LPCITEMIDLIST item, UINT offset)
{
    const std::size_t size = IdListSize(item);
    if (offset >= size)
        return {};
    return TextUpToZero(reinterpret_cast<const char *>(item) + offset, size - offset);
}

} // namespace

IMalloc *ShellAllocator()
{
    // Taken on first use and held until the process ends. The allocator is itself a
    // function-local static that is complete before this one, so it is destroyed after
    // this reference is dropped.
    static const TComPtr<IMalloc> allocator = [] {
        TComPtr<IMalloc> result;
        SHGetMalloc(result.Receive());
        return result;
    }();
    return allocator.Get();
}

std::size_t IdListSize(LPCITEMIDLIST list)
{
    if (!list)
        return 0;
    std::size_t total = 2;
    const std::uint8_t *cursor = Bytes(list);
    while (const std::uint16_t count = ItemIdCount(cursor)) {
        total += count;
        cursor += count;
    }
    return total;
}

LPITEMIDLIST IdListAlloc(std::size_t size)
{
    void *block = ShellAllocator()->Alloc(size);
    if (!block)
        return nullptr;
    std::memset(block, 0, size);
    return static_cast<LPITEMIDLIST>(block);
}

void IdListFree(LPITEMIDLIST &list)
{
    if (!list)
        return;
    ShellAllocator()->Free(list);
    list = nullptr;
}

LPITEMIDLIST IdListJoin(LPCITEMIDLIST first, LPCITEMIDLIST second)
{
    // A missing second list is taken as the empty list rather than measured as size 0,
    // which would make the copy below run two bytes short of the first list's end and
    // leave the result without a terminator.
    if (!second) {
        if (!first)
            return nullptr;
        return IdListDuplicate(first);
    }
    const std::size_t firstBytes = first ? IdListSize(first) - 2 : 0;
    const std::size_t secondBytes = IdListSize(second);
    LPITEMIDLIST result = IdListAlloc(firstBytes + secondBytes);
    if (!result)
        return nullptr;
    if (firstBytes)
        std::memcpy(Bytes(result), first, firstBytes);
    std::memcpy(Bytes(result) + firstBytes, second, secondBytes);
    return result;
}

LPITEMIDLIST IdListDuplicate(LPCITEMIDLIST list)
{
    const std::size_t size = IdListSize(list);
    if (size == 0)
        return nullptr;
    LPITEMIDLIST result = IdListAlloc(size);
    if (result)
        std::memcpy(result, list, size);
    return result;
}

LPITEMIDLIST IdListNextItem(LPITEMIDLIST list)
{
    return const_cast<LPITEMIDLIST>(IdListNextItem(static_cast<LPCITEMIDLIST>(list)));
}

LPCITEMIDLIST IdListNextItem(LPCITEMIDLIST list)
{
    if (!list)
        return nullptr;
    const std::uint16_t count = ItemIdCount(list);
    if (count == 0)
        return nullptr;
    return reinterpret_cast<LPCITEMIDLIST>(Bytes(list) + count);
}

LPITEMIDLIST IdListFirstItem(LPCITEMIDLIST list)
{
    if (!list)
        return nullptr;
    const std::uint16_t count = ItemIdCount(list);
    LPITEMIDLIST result = IdListAlloc(std::size_t{count} + 2);
    if (result)
        std::memcpy(result, list, count); // the terminator is already zero
    return result;
}

std::string ItemDisplayName(IShellFolder *folder, LPCITEMIDLIST item, TDisplayNameKind kind)
{
    if (!folder)
        return {};
    STRRET name;
    std::memset(&name, 0, sizeof name);
    if (FAILED(folder->GetDisplayNameOf(item, DisplayNameFlags(kind), &name)))
        return {};
    switch (name.uType) {
    case STRRET_WSTR: {
        if (!name.pOleStr)
            return {};
        std::string text = SystemFromWide(name.pOleStr);
        // The shell handed the text over with the answer; nobody else will free it.
        ShellAllocator()->Free(name.pOleStr);
        return text;
    }
    case STRRET_OFFSET:
        return TextInsideItem(item, name.uOffset);
    case STRRET_CSTR:
        // A buffer without a zero byte ends with the buffer.
        return TextUpToZero(name.cStr, sizeof name.cStr);
    default:
        return {};
    }
}

int ItemIconIndex(LPCITEMIDLIST absolute, UINT flags)
{
    if (!absolute)
        return -1;
    SHFILEINFO info{};
    if (SHGetFileInfo(absolute, 0, &info, sizeof info, flags) == 0)
        return -1;
    return info.iIcon;
}

void ItemIconPair(LPCITEMIDLIST absolute, int &normalIcon, int &openIcon)
{
    // The answers of ItemIconIndex with SHGFI_SYSICONINDEX | SHGFI_PIDL | SHGFI_SMALLICON,
    // without and with SHGFI_OPENICON, from one look at the item: the tree asks for both
    // of every node it adds.
    if (!absolute || !ItemIconIndexes(absolute, normalIcon, openIcon))
        normalIcon = openIcon = -1;
}
