#include <cstring>
#include <vector>

#include "fuzz/checks/fuzzchecks.h"
#include "fuzz/checks/fuzzinput.h"
#include "platform/shell/shellapi.h"
#include "systree/pidlhelp.h"

namespace {

// Folders that every Linux machine has, and virtual places of the namespace.
const char *const Paths[] = {"/", "/usr", "/usr/share", "/tmp", "/proc/self", "/etc", "/dev/null"};
const int SpecialFolders[] = {CSIDL_DESKTOP, CSIDL_DRIVES, CSIDL_CONTROLS, CSIDL_PRINTERS, CSIDL_BITBUCKET};

std::vector<std::uint8_t> BytesOf(LPCITEMIDLIST list)
{
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(list);
    return {bytes, bytes + IdListSize(list)};
}

std::vector<std::vector<std::uint8_t>> ItemsOf(LPCITEMIDLIST list)
{
    std::vector<std::vector<std::uint8_t>> items;
    for (LPCITEMIDLIST item = list; ItemIdCount(item) != 0; item = IdListNextItem(item)) {
        const auto *bytes = reinterpret_cast<const std::uint8_t *>(item);
        items.emplace_back(bytes, bytes + ItemIdCount(item));
    }
    return items;
}

// A well-formed list of items whose data are the fuzzer's bytes: what the namespace
// gets when a caller hands it a list that is not its own.
LPITEMIDLIST ForeignList(TFuzzInput &input)
{
    std::vector<std::string> items;
    for (int count = input.Byte() % 4; count > 0; --count)
        items.push_back(input.Bytes(12));
    std::size_t size = 2;
    for (const std::string &data : items)
        size += data.size() + 2;
    LPITEMIDLIST list = IdListAlloc(size);
    auto *cursor = reinterpret_cast<std::uint8_t *>(list);
    for (const std::string &data : items) {
        SetItemIdCount(cursor, static_cast<std::uint16_t>(data.size() + 2));
        std::memcpy(cursor + 2, data.data(), data.size());
        cursor += data.size() + 2;
    }
    return list;
}

class TListPool
{
public:
    void Add(LPITEMIDLIST list)
    {
        if (list)
            m_lists.emplace_back(list);
    }
    bool Empty() const { return m_lists.empty(); }
    LPITEMIDLIST Pick(TFuzzInput &input) const { return m_lists[input.Byte() % m_lists.size()].Get(); }

private:
    std::vector<TItemIdList> m_lists;
};

std::string CheckJoin(LPCITEMIDLIST first, LPCITEMIDLIST second, TListPool &pool)
{
    LPITEMIDLIST joined = IdListJoin(first, second);
    pool.Add(joined);
    if (IdListSize(joined) != IdListSize(first) + IdListSize(second) - 2)
        return "a joined list has the wrong size";
    auto expected = ItemsOf(first);
    const auto tail = ItemsOf(second);
    expected.insert(expected.end(), tail.begin(), tail.end());
    if (ItemsOf(joined) != expected)
        return "a joined list does not hold the items of both in order";
    return std::string();
}

std::string CheckSplit(LPCITEMIDLIST list, TListPool &pool)
{
    LPITEMIDLIST copy = IdListDuplicate(list);
    pool.Add(copy);
    if (BytesOf(copy) != BytesOf(list))
        return "a duplicate differs from its list";
    LPITEMIDLIST first = IdListFirstItem(list);
    pool.Add(first);
    if (ItemIdCount(list) == 0)
        return IdListSize(first) == 2 && !IdListNextItem(list) ? std::string()
                                                               : "the empty list splits wrongly";
    if (IdListSize(first) != ItemIdCount(list) + 2u)
        return "a first item has the wrong size";
    return CheckJoin(first, IdListNextItem(list), pool);
}

// The path of a namespace list must parse back to a list with the same path.
std::string CheckPathRoundTrip(IShellFolder *desktop, LPCITEMIDLIST list, TListPool &pool)
{
    std::string path;
    if (!SHGetPathFromIDList(list, path))
        return std::string();
    const std::u16string wide = WideFromSystem(path);
    LPITEMIDLIST parsed = nullptr;
    if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, wide.c_str(), nullptr, &parsed, nullptr)))
        return std::string(); // the file may be gone meanwhile
    pool.Add(parsed);
    std::string again;
    if (!SHGetPathFromIDList(parsed, again) || again != path)
        return "the path \"" + path + "\" does not parse back to itself";
    return std::string();
}

// The first items of a folder, joined to the folder's list, must name paths inside it.
std::string CheckChildren(IShellFolder *desktop, LPCITEMIDLIST list, TListPool &pool)
{
    if (ItemIdCount(list) == 0)
        return std::string();
    TComPtr<IShellFolder> folder;
    if (FAILED(desktop->BindToObject(
            list, nullptr, IID_IShellFolder, reinterpret_cast<void **>(folder.Receive()))))
        return std::string();
    TComPtr<IEnumIDList> items;
    if (FAILED(folder->EnumObjects(
            nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN, items.Receive()))
        || !items)
        return std::string();
    std::string parentPath;
    const bool hasPath = SHGetPathFromIDList(list, parentPath);
    LPITEMIDLIST child = nullptr;
    for (int n = 0; n < 3 && items->Next(1, &child, nullptr) == S_OK; ++n) {
        pool.Add(child);
        LPITEMIDLIST absolute = IdListJoin(list, child);
        pool.Add(absolute);
        const std::string name = ItemDisplayName(folder.Get(), child, TDisplayNameKind::dnInFolder);
        std::string path;
        if (hasPath && SHGetPathFromIDList(absolute, path)
            && path != (parentPath == "/" ? "/" + name : parentPath + "/" + name))
            return "the child \"" + name + "\" of \"" + parentPath + "\" has the path \"" + path + "\"";
    }
    return std::string();
}

std::string RunOperations(TFuzzInput &input)
{
    TComPtr<IShellFolder> desktop;
    if (FAILED(SHGetDesktopFolder(desktop.Receive())))
        return "no desktop folder";
    TListPool pool;
    for (const char *path : Paths) {
        const std::u16string wide = WideFromSystem(path);
        LPITEMIDLIST list = nullptr;
        desktop->ParseDisplayName(nullptr, nullptr, wide.c_str(), nullptr, &list, nullptr);
        pool.Add(list);
    }
    for (int csidl : SpecialFolders) {
        LPITEMIDLIST list = nullptr;
        SHGetSpecialFolderLocation(nullptr, csidl, &list);
        pool.Add(list);
    }
    if (pool.Empty())
        return "the namespace parsed nothing";

    for (int step = 0; step < 24 && !input.AtEnd(); ++step) {
        std::string failure;
        switch (input.Byte() % 7) {
        case 0:
            failure = CheckJoin(pool.Pick(input), pool.Pick(input), pool);
            break;
        case 1:
            failure = CheckSplit(pool.Pick(input), pool);
            break;
        case 2:
            failure = CheckPathRoundTrip(desktop.Get(), pool.Pick(input), pool);
            break;
        case 3:
            failure = CheckChildren(desktop.Get(), pool.Pick(input), pool);
            break;
        case 4: {
            // Foreign lists: the namespace refuses them or answers, but never reads
            // beyond them or crashes.
            LPITEMIDLIST foreign = ForeignList(input);
            pool.Add(foreign);
            std::string path;
            SHGetPathFromIDList(foreign, path);
            ItemDisplayName(desktop.Get(), foreign, TDisplayNameKind::dnForParsing);
            ItemIconIndex(foreign, SHGFI_SYSICONINDEX | SHGFI_PIDL | SHGFI_SMALLICON);
            failure = CheckChildren(desktop.Get(), foreign, pool);
            break;
        }
        case 5:
            for (auto kind :
                {TDisplayNameKind::dnNormal, TDisplayNameKind::dnInFolder, TDisplayNameKind::dnForParsing})
                ItemDisplayName(desktop.Get(), pool.Pick(input), kind);
            break;
        default: {
            int normal = 0, open = 0;
            ItemIconPair(pool.Pick(input), normal, open);
            break;
        }
        }
        if (!failure.empty())
            return failure;
    }
    return std::string();
}

} // namespace

std::string CheckIdLists(const std::uint8_t *data, std::size_t size)
{
    const long liveBefore = ShellAllocatorLiveBlocks();
    TFuzzInput input(data, size);
    std::string failure = RunOperations(input);
    if (failure.empty() && ShellAllocatorLiveBlocks() != liveBefore)
        failure = "shell allocator blocks were left allocated";
    return failure;
}
