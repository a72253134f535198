// Enumerators of folder items. The entries of a directory are read only as far as Next
// asks for them (a tree that probes a folder for one item reads one buffer of entries,
// not the whole folder). Clones share what was read, so every clone sees the same
// items in the same order; the directory stream closes once it is read to the end or
// the last enumerator goes.

#include <atomic>
#include <dirent.h>
#include <memory>
#include <mutex>
#include <sys/stat.h>

#include "platform/shell/private/shellnamespace.h"

namespace {

bool IsDotOrDotDot(const char *name)
{
    return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

class TListing
{
public:
    TListing(std::vector<std::string> ready, TDirectorySource source, DWORD flags)
        : m_items(std::move(ready))
        , m_stream(std::move(source.Stream))
        , m_folder(std::move(source.Folder))
        , m_absolute(source.Absolute)
        , m_flags(flags)
    { }

    // The item at `index` (a copy: clones may grow the list meanwhile), or none past the end.
    std::optional<std::string> At(std::size_t index)
    {
        const std::lock_guard lock(m_mutex);
        while (index >= m_items.size() && m_stream)
            ReadOne();
        if (index >= m_items.size())
            return std::nullopt;
        return m_items[index];
    }

private:
    // Reads entries until one passes the filter or the stream ends. A read error ends
    // the listing like its end does: what was read stays valid.
    void ReadOne()
    {
        while (const dirent *entry = ::readdir(m_stream.Get())) {
            const char *name = entry->d_name;
            if (IsDotOrDotDot(name))
                continue;
            if (name[0] == '.' && !(m_flags & SHCONTF_INCLUDEHIDDEN))
                continue;
            const bool folder = IsFolder(*entry);
            if (!(m_flags & (folder ? SHCONTF_FOLDERS : SHCONTF_NONFOLDERS)))
                continue;
            std::optional<std::string> item;
            if (m_absolute)
                item = EncodeItem(
                    folder ? TItemKind::ikDesktopFolder : TItemKind::ikDesktopFile, JoinPath(m_folder, name));
            else
                item = EncodeItem(folder ? TItemKind::ikFolder : TItemKind::ikFile, name);
            if (item) {
                m_items.push_back(std::move(*item));
                return;
            }
        }
        m_stream = TDirStream();
    }

    // A link counts as what it leads to, so a link to a folder can be opened like one.
    bool IsFolder(const dirent &entry) const
    {
        if (entry.d_type == DT_DIR)
            return true;
        if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN)
            return false;
        struct stat info;
        return ::fstatat(::dirfd(m_stream.Get()), entry.d_name, &info, 0) == 0 && S_ISDIR(info.st_mode);
    }

    std::mutex m_mutex;
    std::vector<std::string> m_items;
    TDirStream m_stream;
    std::string m_folder;
    bool m_absolute;
    DWORD m_flags;
};

class TEnumIDList final : public TShellObject<IEnumIDList, IID_IEnumIDList>
{
public:
    TEnumIDList(std::shared_ptr<TListing> listing, std::size_t position)
        : m_listing(std::move(listing))
        , m_position(position)
    { }

    HRESULT Next(ULONG count, LPITEMIDLIST *items, ULONG *fetched) override
    {
        if (fetched)
            *fetched = 0;
        if (!items || (!fetched && count != 1))
            return E_INVALIDARG;
        ULONG given = 0;
        while (given < count) {
            const std::optional<std::string> item = m_listing->At(m_position);
            if (!item)
                break;
            items[given] = AllocIdList(std::string_view(*item));
            if (!items[given]) {
                FreeGiven(items, given);
                return E_OUTOFMEMORY;
            }
            ++given;
            ++m_position;
        }
        if (fetched)
            *fetched = given;
        return given == count ? S_OK : S_FALSE;
    }

    HRESULT Skip(ULONG count) override
    {
        for (ULONG i = 0; i < count; ++i) {
            if (!m_listing->At(m_position))
                return S_FALSE;
            ++m_position;
        }
        return S_OK;
    }

    HRESULT Reset() override
    {
        m_position = 0;
        return S_OK;
    }

    HRESULT Clone(IEnumIDList **copy) override
    {
        if (!copy)
            return E_POINTER;
        *copy = new TEnumIDList(m_listing, m_position);
        return S_OK;
    }

private:
    void FreeGiven(LPITEMIDLIST *items, ULONG given)
    {
        IMalloc *malloc = nullptr;
        SHGetMalloc(&malloc);
        for (ULONG i = 0; i < given; ++i) {
            malloc->Free(items[i]);
            items[i] = nullptr;
        }
        malloc->Release();
        m_position -= given;
    }

    std::shared_ptr<TListing> m_listing;
    std::size_t m_position;
};

} // namespace

IEnumIDList *NewItemEnumerator(std::vector<std::string> ready, TDirectorySource source, DWORD flags)
{
    return new TEnumIDList(std::make_shared<TListing>(std::move(ready), std::move(source), flags), 0);
}
