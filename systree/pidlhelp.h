#pragma once

// Item ID list helpers of the shell folder tree: measuring, allocating, releasing,
// joining and splitting lists, an item's display name and its icon indexes.
//
// Every list these routines return is a new block of the shell allocator owned by the
// caller, who releases it with IdListFree; the one exception is IdListNextItem, which
// points into the list it was given. A missing list is a null pointer. Lists must be
// well formed: the walks trust the item counts.

#include <cstddef>
#include <memory>
#include <string>

#include "platform/shell/shellapi.h"

// The shell allocator, obtained once for the life of the process. Every list is
// allocated and released through it.
IMalloc *ShellAllocator();

enum class TDisplayNameKind
{
    dnNormal, // SHGDN_NORMAL
    dnInFolder, // SHGDN_INFOLDER
    dnForParsing // SHGDN_FORPARSING
};

// The size in bytes including the terminator: 0 for no list, 2 for the empty list.
std::size_t IdListSize(LPCITEMIDLIST list);

// A zero-filled block of `size` bytes, or null when the allocator has none.
LPITEMIDLIST IdListAlloc(std::size_t size);

// Releases the list (when there is one) and empties the reference.
void IdListFree(LPITEMIDLIST &list);

// The items of `first` (which may be null) followed by all of `second`. A null `second`
// counts as the empty list. Null when the allocation fails or both are null.
LPITEMIDLIST IdListJoin(LPCITEMIDLIST first, LPCITEMIDLIST second);

// A byte-for-byte copy; null for no list or when the allocation fails.
LPITEMIDLIST IdListDuplicate(LPCITEMIDLIST list);

// The second item inside the same block (it may be the terminator); null for no list
// and for the empty list.
LPITEMIDLIST IdListNextItem(LPITEMIDLIST list);
LPCITEMIDLIST IdListNextItem(LPCITEMIDLIST list);

// A new one-item list holding a copy of the first item (a new empty list for the empty
// list); null for no list or when the allocation fails.
LPITEMIDLIST IdListFirstItem(LPCITEMIDLIST list);

// The folder's display name of the item in the system code page; empty when the folder
// fails or answers in a form that cannot be read. Never throws.
std::string ItemDisplayName(IShellFolder *folder, LPCITEMIDLIST item, TDisplayNameKind kind);

// The item's index in the system image list for the SHGFI_ `flags`; -1 when the shell
// has no information for it.
int ItemIconIndex(LPCITEMIDLIST absolute, UINT flags);

// The item's small normal icon and small open icon in the system image list.
void ItemIconPair(LPCITEMIDLIST absolute, int &normalIcon, int &openIcon);
