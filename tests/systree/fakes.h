#pragma once

// Hand-made item ID lists and a scripted shell folder for the systree tests.

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

#include "platform/shell/shellapi.h"
#include "systree/pidlhelp.h"

// The shell's list owner, read with get() like the tests' other owners.
class TOwnedIdList : public TItemIdList
{
public:
    using TItemIdList::TItemIdList;
    LPITEMIDLIST get() const { return Get(); }
};

inline const std::uint8_t *BytesOf(const TOwnedIdList &list)
{
    return reinterpret_cast<const std::uint8_t *>(list.get());
}

// A list with items of the given byte counts; every data byte of item i holds `tag + i`.
inline TOwnedIdList MakeIdList(std::initializer_list<std::uint16_t> counts, std::uint8_t tag = 0x40)
{
    std::size_t size = 2;
    for (std::uint16_t count : counts)
        size += count;
    TOwnedIdList list(IdListAlloc(size));
    auto *cursor = reinterpret_cast<std::uint8_t *>(list.get());
    for (std::uint16_t count : counts) {
        SetItemIdCount(cursor, count);
        std::fill(cursor + 2, cursor + count, tag++);
        cursor += count;
    }
    return list;
}

// The count and first data byte of each item, walking the list.
inline std::vector<std::pair<int, int>> WalkIdList(LPCITEMIDLIST list)
{
    std::vector<std::pair<int, int>> items;
    for (auto *at = reinterpret_cast<const std::uint8_t *>(list); ItemIdCount(at); at += ItemIdCount(at))
        items.emplace_back(ItemIdCount(at), ItemIdCount(at) > 2 ? at[2] : -1);
    return items;
}

// Counts its references (it lives on the test's stack) and answers GetDisplayNameOf with
// `Answer`; everything else is not implemented.
class TFakeShellFolder : public IShellFolder
{
public:
    std::function<HRESULT(STRRET *)> Answer = [](STRRET *) { return E_NOTIMPL; };
    DWORD LastFlags = 0xFFFFFFFF;
    ULONG References = 1;

    HRESULT QueryInterface(REFIID, void **object) override { return *object = nullptr, E_NOINTERFACE; }
    ULONG AddRef() override { return ++References; }
    ULONG Release() override { return --References; }
    HRESULT GetDisplayNameOf(LPCITEMIDLIST, DWORD flags, STRRET *name) override
    {
        LastFlags = flags;
        return Answer(name);
    }
    HRESULT ParseDisplayName(HWND, void *, LPCWSTR, ULONG *, LPITEMIDLIST *, ULONG *) override
    {
        return E_NOTIMPL;
    }
    HRESULT EnumObjects(HWND, DWORD, IEnumIDList **) override { return E_NOTIMPL; }
    HRESULT BindToObject(LPCITEMIDLIST, void *, REFIID, void **) override { return E_NOTIMPL; }
    HRESULT BindToStorage(LPCITEMIDLIST, void *, REFIID, void **) override { return E_NOTIMPL; }
    HRESULT CompareIDs(LPARAM, LPCITEMIDLIST, LPCITEMIDLIST) override { return E_NOTIMPL; }
    HRESULT CreateViewObject(HWND, REFIID, void **) override { return E_NOTIMPL; }
    HRESULT GetAttributesOf(UINT, LPCITEMIDLIST *, SFGAOF *) override { return E_NOTIMPL; }
    HRESULT GetUIObjectOf(HWND, UINT, LPCITEMIDLIST *, REFIID, UINT *, void **) override { return E_NOTIMPL; }
    HRESULT SetNameOf(HWND, LPCITEMIDLIST, LPCWSTR, DWORD, LPITEMIDLIST *) override { return E_NOTIMPL; }
};
