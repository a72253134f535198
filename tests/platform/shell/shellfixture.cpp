#include "shellfixture.h"

#include <cstring>
#include <fstream>

namespace {

IMalloc *Malloc()
{
    static IMalloc *const malloc = [] {
        IMalloc *result = nullptr;
        SHGetMalloc(&result);
        return result;
    }();
    return malloc;
}

} // namespace

std::size_t TIdList::ItemCount() const
{
    std::size_t count = 0;
    for (auto *at = reinterpret_cast<const std::uint8_t *>(Get()); ItemIdCount(at) != 0;
         at += ItemIdCount(at))
        ++count;
    return count;
}

std::string TIdList::Bytes() const
{
    std::size_t size = 2;
    for (auto *at = reinterpret_cast<const std::uint8_t *>(Get()); ItemIdCount(at) != 0;
         at += ItemIdCount(at))
        size += ItemIdCount(at);
    return std::string(reinterpret_cast<const char *>(Get()), size);
}

void TShellTest::SetUp()
{
    m_blocksBefore = ShellAllocatorLiveBlocks();
    m_objectsBefore = ShellNamespaceLiveObjects();
    m_home.emplace(m_tree);
}

void TShellTest::TearDown()
{
    m_home.reset();
    EXPECT_EQ(ShellAllocatorLiveBlocks(), m_blocksBefore) << "a list or a wide name was not freed";
    EXPECT_EQ(ShellNamespaceLiveObjects(), m_objectsBefore) << "a folder or an enumerator was not released";
}

void TShellTest::WriteUserDirs(const std::string &text)
{
    m_tree.TextFile("home/.config/user-dirs.dirs", text);
}

TComPtr<IShellFolder> TShellTest::Desktop()
{
    IShellFolder *desktop = nullptr;
    EXPECT_EQ(SHGetDesktopFolder(&desktop), S_OK);
    return TComPtr<IShellFolder>::Adopt(desktop);
}

TIdList TShellTest::Parse(IShellFolder *folder, const std::string &name, HRESULT *result)
{
    TIdList list;
    const std::u16string wide = WideFromSystem(name);
    const HRESULT hr
        = folder->ParseDisplayName(nullptr, nullptr, wide.c_str(), nullptr, list.Receive(), nullptr);
    if (result)
        *result = hr;
    else
        EXPECT_EQ(hr, S_OK) << name;
    return list;
}

TComPtr<IShellFolder> TShellTest::Bind(IShellFolder *folder, LPCITEMIDLIST list)
{
    void *object = nullptr;
    EXPECT_EQ(folder->BindToObject(list, nullptr, IID_IShellFolder, &object), S_OK);
    return TComPtr<IShellFolder>::Adopt(static_cast<IShellFolder *>(object));
}

TComPtr<IShellFolder> TShellTest::FolderAt(const std::string &path)
{
    TComPtr<IShellFolder> desktop = Desktop();
    const TIdList list = Parse(desktop.Get(), path);
    if (!list)
        return {};
    return Bind(desktop.Get(), list.Get());
}

std::vector<std::string> TShellTest::Names(IShellFolder *folder, DWORD flags)
{
    std::vector<std::string> names;
    IEnumIDList *raw = nullptr;
    EXPECT_EQ(folder->EnumObjects(nullptr, flags, &raw), S_OK);
    if (!raw)
        return names;
    const TComPtr<IEnumIDList> enumerator = TComPtr<IEnumIDList>::Adopt(raw);
    TIdList item;
    ULONG fetched = 0;
    while (enumerator->Next(1, item.Receive(), &fetched) == S_OK) {
        EXPECT_EQ(fetched, 1u);
        names.push_back(DisplayName(folder, item.Get(), SHGDN_NORMAL));
    }
    return names;
}

std::string TShellTest::DisplayName(IShellFolder *folder, LPCITEMIDLIST list, DWORD flags, UINT *type)
{
    STRRET name;
    std::memset(&name, 0xAB, sizeof name);
    const HRESULT hr = folder->GetDisplayNameOf(list, flags, &name);
    EXPECT_EQ(hr, S_OK);
    if (FAILED(hr))
        return {};
    if (type)
        *type = name.uType;
    switch (name.uType) {
    case STRRET_WSTR: {
        std::string text = SystemFromWide(name.pOleStr);
        Malloc()->Free(name.pOleStr);
        return text;
    }
    case STRRET_OFFSET:
        return reinterpret_cast<const char *>(list) + name.uOffset;
    case STRRET_CSTR:
        return std::string(name.cStr, strnlen(name.cStr, MAX_PATH));
    default:
        ADD_FAILURE() << "STRRET type " << name.uType;
        return {};
    }
}

SFGAOF TShellTest::Attributes(IShellFolder *folder, LPCITEMIDLIST list, SFGAOF mask)
{
    SFGAOF attributes = mask;
    EXPECT_EQ(folder->GetAttributesOf(1, &list, &attributes), S_OK);
    return attributes;
}
