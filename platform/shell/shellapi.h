#pragma once

// The shell namespace as the folder tree and the shell controls see it: item ID lists,
// the one shell allocator, folders with their enumerators, display names, attributes
// and icons. The calls keep the shape, values and result codes of the desktop shell;
// behind them lies the Linux file system (see shellnamespace.cpp for the layout of
// the namespace and of the item data). Its base types and texts are those of
// wintypes.h.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "platform/system/wintypes.h"

using SFGAOF = std::uint32_t;

// ---- Interface identifiers --------------------------------------------------------

struct GUID
{
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];

    friend bool operator==(const GUID &, const GUID &) = default;
};
using IID = GUID;
using REFIID = const IID &;

extern const IID IID_IUnknown;
extern const IID IID_IMalloc;
extern const IID IID_IShellFolder;
extern const IID IID_IEnumIDList;
extern const IID IID_IContextMenu;
extern const IID IID_IContextMenu2;
extern const IID IID_IContextMenu3;

// ---- Counted interfaces -----------------------------------------------------------

class IUnknown
{
public:
    virtual HRESULT QueryInterface(REFIID iid, void **object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    virtual ~IUnknown() = default;
};

// A counted reference: holds one reference to the interface while it lives.
template <typename T> class TComPtr
{
public:
    TComPtr() = default;
    TComPtr(std::nullptr_t) { }
    // Takes a new reference to `p`.
    explicit TComPtr(T *p)
        : m_p(p)
    {
        if (m_p)
            m_p->AddRef();
    }
    TComPtr(const TComPtr &other)
        : TComPtr(other.m_p)
    { }
    TComPtr(TComPtr &&other) noexcept
        : m_p(std::exchange(other.m_p, nullptr))
    { }
    ~TComPtr() { Reset(); }

    TComPtr &operator=(TComPtr other) noexcept
    {
        std::swap(m_p, other.m_p);
        return *this;
    }

    // Takes over a reference that the caller already holds (an out-parameter's).
    static TComPtr Adopt(T *p)
    {
        TComPtr result;
        result.m_p = p;
        return result;
    }
    void Reset()
    {
        if (T *p = std::exchange(m_p, nullptr))
            p->Release();
    }
    // Releases what is held and gives the address for an out-parameter.
    T **Receive()
    {
        Reset();
        return &m_p;
    }

    T *Get() const { return m_p; }
    T *operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

private:
    T *m_p = nullptr;
};

// ---- Item ID lists ----------------------------------------------------------------
//
// A list is a run of items, each a 16-bit little-endian byte count (counting the two
// count bytes) followed by the item's data, ended by a count of 0. The empty list
// (only the terminator) is the desktop. Items start at any byte, so the count is read
// byte by byte (ItemIdCount), never through a 16-bit load.

struct SHITEMID
{
    std::uint8_t cb[2];
    std::uint8_t abID[1];
};

struct ITEMIDLIST
{
    SHITEMID mkid;
};

using LPITEMIDLIST = ITEMIDLIST *;
using LPCITEMIDLIST = const ITEMIDLIST *;

inline std::uint16_t ItemIdCount(const void *item)
{
    const auto *bytes = static_cast<const std::uint8_t *>(item);
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

inline void SetItemIdCount(void *item, std::uint16_t count)
{
    auto *bytes = static_cast<std::uint8_t *>(item);
    bytes[0] = static_cast<std::uint8_t>(count & 0xFF);
    bytes[1] = static_cast<std::uint8_t>(count >> 8);
}

// ---- The shell allocator ----------------------------------------------------------

class IMalloc : public IUnknown
{
public:
    virtual void *Alloc(std::size_t size) = 0;
    virtual void *Realloc(void *block, std::size_t size) = 0;
    virtual void Free(void *block) = 0;
    virtual std::size_t GetSize(void *block) = 0;
    virtual int DidAlloc(void *block) = 0;
    virtual void HeapMinimize() = 0;
};

// The one allocator of the process: every item ID list and every wide STRRET text is
// allocated and freed through it. Always succeeds; the caller releases the reference.
HRESULT SHGetMalloc(IMalloc **allocator);

// The number of blocks of the shell allocator that are allocated and not yet freed.
long ShellAllocatorLiveBlocks();

// Owns one item ID list of the shell allocator (or none) and frees it there.
class TItemIdList
{
public:
    TItemIdList() = default;
    explicit TItemIdList(LPITEMIDLIST list)
        : m_list(list)
    { }
    TItemIdList(TItemIdList &&other) noexcept
        : m_list(other.Release())
    { }
    TItemIdList &operator=(TItemIdList &&other) noexcept
    {
        Reset(other.Release());
        return *this;
    }
    TItemIdList(const TItemIdList &) = delete;
    TItemIdList &operator=(const TItemIdList &) = delete;
    ~TItemIdList() { Reset(); }

    LPITEMIDLIST Get() const { return m_list; }
    // Frees the list held and answers where a call puts the new one.
    LPITEMIDLIST *Receive()
    {
        Reset();
        return &m_list;
    }
    // Hands the list over: the owner forgets it.
    LPITEMIDLIST Release() { return std::exchange(m_list, nullptr); }
    // Frees the list held and takes `list` in its place.
    void Reset(LPITEMIDLIST list = nullptr) noexcept;
    explicit operator bool() const { return m_list != nullptr; }

private:
    LPITEMIDLIST m_list = nullptr;
};

// ---- Names ------------------------------------------------------------------------

constexpr UINT STRRET_WSTR = 0;
constexpr UINT STRRET_OFFSET = 1;
constexpr UINT STRRET_CSTR = 2;
constexpr std::size_t MAX_PATH = 260;

// A display name in one of three forms. A STRRET_WSTR text comes from the shell
// allocator; whoever receives it frees it there.
struct STRRET
{
    UINT uType;
    union {
        LPWSTR pOleStr;
        UINT uOffset; // from the start of the item (its count bytes included)
        char cStr[MAX_PATH];
    };
};

constexpr DWORD SHGDN_NORMAL = 0x0000;
constexpr DWORD SHGDN_INFOLDER = 0x0001;
constexpr DWORD SHGDN_FOREDITING = 0x1000;
constexpr DWORD SHGDN_FORADDRESSBAR = 0x4000;
constexpr DWORD SHGDN_FORPARSING = 0x8000;

// ---- Folders ----------------------------------------------------------------------

constexpr DWORD SHCONTF_FOLDERS = 0x0020;
constexpr DWORD SHCONTF_NONFOLDERS = 0x0040;
constexpr DWORD SHCONTF_INCLUDEHIDDEN = 0x0080;

constexpr SFGAOF SFGAO_CANCOPY = 0x00000001;
constexpr SFGAOF SFGAO_CANMOVE = 0x00000002;
constexpr SFGAOF SFGAO_CANLINK = 0x00000004;
constexpr SFGAOF SFGAO_CANRENAME = 0x00000010;
constexpr SFGAOF SFGAO_CANDELETE = 0x00000020;
constexpr SFGAOF SFGAO_HASPROPSHEET = 0x00000040;
constexpr SFGAOF SFGAO_DROPTARGET = 0x00000100;
constexpr SFGAOF SFGAO_LINK = 0x00010000;
constexpr SFGAOF SFGAO_SHARE = 0x00020000;
constexpr SFGAOF SFGAO_READONLY = 0x00040000;
constexpr SFGAOF SFGAO_GHOSTED = 0x00080000;
constexpr SFGAOF SFGAO_HIDDEN = 0x00080000;
constexpr SFGAOF SFGAO_REMOVABLE = 0x02000000;
constexpr SFGAOF SFGAO_FILESYSANCESTOR = 0x10000000;
constexpr SFGAOF SFGAO_FOLDER = 0x20000000;
constexpr SFGAOF SFGAO_FILESYSTEM = 0x40000000;
constexpr SFGAOF SFGAO_HASSUBFOLDER = 0x80000000;
constexpr SFGAOF SFGAO_VALIDATE = 0x01000000;
// The attributes the folder tree asks of each item.
constexpr SFGAOF SFGAO_TREE_MASK = 0xF20B0177;

constexpr DWORD SHCIDS_COLUMNMASK = 0x0000FFFF;

class IEnumIDList : public IUnknown
{
public:
    // Hands out up to `count` new one-item relative lists (owned by the caller) and
    // answers S_OK when all were given, S_FALSE when the enumeration ran out.
    virtual HRESULT Next(ULONG count, LPITEMIDLIST *items, ULONG *fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumIDList **copy) = 0;
};

class IShellFolder : public IUnknown
{
public:
    // `displayName` is a path relative to this folder (absolute paths on the desktop).
    // On success `*idList` is a new relative list owned by the caller; `eaten` and
    // `attributes` may be null, otherwise `*attributes` is a mask that comes back
    // holding the item's attributes within it.
    virtual HRESULT ParseDisplayName(HWND owner, void *bindContext, LPCWSTR displayName, ULONG *eaten,
        LPITEMIDLIST *idList, ULONG *attributes)
        = 0;
    // S_OK with an enumerator. A folder that cannot be listed gives a failure and no
    // enumerator (E_ACCESSDENIED when it may not be read, ERROR_PATH_NOT_FOUND when it is
    // gone), so that callers that test FAILED never use a missing enumerator.
    virtual HRESULT EnumObjects(HWND owner, DWORD flags, IEnumIDList **enumerator) = 0;
    virtual HRESULT BindToObject(LPCITEMIDLIST idList, void *bindContext, REFIID iid, void **object) = 0;
    virtual HRESULT BindToStorage(LPCITEMIDLIST idList, void *bindContext, REFIID iid, void **object) = 0;
    // The order of two relative lists in the low 16 bits (read as signed): folders
    // before other items, then display names; 0 only for the same item.
    virtual HRESULT CompareIDs(LPARAM parameter, LPCITEMIDLIST first, LPCITEMIDLIST second) = 0;
    virtual HRESULT CreateViewObject(HWND owner, REFIID iid, void **object) = 0;
    // `*inOut` holds the mask asked for and comes back with the attributes the items
    // share within it. Zero items with SFGAO_VALIDATE refresh the folder's knowledge.
    virtual HRESULT GetAttributesOf(UINT count, LPCITEMIDLIST *items, SFGAOF *inOut) = 0;
    virtual HRESULT GetUIObjectOf(
        HWND owner, UINT count, LPCITEMIDLIST *items, REFIID iid, UINT *reserved, void **object)
        = 0;
    virtual HRESULT GetDisplayNameOf(LPCITEMIDLIST idList, DWORD flags, STRRET *name) = 0;
    // Renames the item within this folder; `*newIdList` (when asked for) is the new
    // relative list, owned by the caller.
    virtual HRESULT SetNameOf(
        HWND owner, LPCITEMIDLIST idList, LPCWSTR newName, DWORD flags, LPITEMIDLIST *newIdList)
        = 0;
};

HRESULT SHGetDesktopFolder(IShellFolder **desktop);

// ---- Special folders --------------------------------------------------------------

constexpr int CSIDL_DESKTOP = 0x0000;
constexpr int CSIDL_PROGRAMS = 0x0002;
constexpr int CSIDL_CONTROLS = 0x0003;
constexpr int CSIDL_PRINTERS = 0x0004;
constexpr int CSIDL_PERSONAL = 0x0005;
constexpr int CSIDL_FAVORITES = 0x0006;
constexpr int CSIDL_STARTUP = 0x0007;
constexpr int CSIDL_RECENT = 0x0008;
constexpr int CSIDL_SENDTO = 0x0009;
constexpr int CSIDL_BITBUCKET = 0x000A;
constexpr int CSIDL_STARTMENU = 0x000B;
constexpr int CSIDL_DESKTOPDIRECTORY = 0x0010;
constexpr int CSIDL_DRIVES = 0x0011;
constexpr int CSIDL_NETWORK = 0x0012;
constexpr int CSIDL_NETHOOD = 0x0013;
constexpr int CSIDL_FONTS = 0x0014;
constexpr int CSIDL_TEMPLATES = 0x0015;

// A new absolute list for the special folder (owned by the caller), or a failure when
// the folder does not exist here.
HRESULT SHGetSpecialFolderLocation(HWND owner, int csidl, LPITEMIDLIST *idList);

// The file-system path of an absolute list; false (and an empty path) for items that
// have none. The path has no length limit.
bool SHGetPathFromIDList(LPCITEMIDLIST idList, std::string &path);

// ---- Icons ------------------------------------------------------------------------

constexpr UINT SHGFI_SMALLICON = 0x0001;
constexpr UINT SHGFI_OPENICON = 0x0002;
constexpr UINT SHGFI_PIDL = 0x0008;
constexpr UINT SHGFI_SYSICONINDEX = 0x4000;

class TSystemImageList;
using HIMAGELIST = TSystemImageList *;
using HICON = void *;

struct SHFILEINFO
{
    HICON hIcon;
    int iIcon;
    DWORD dwAttributes;
    char szDisplayName[MAX_PATH];
    char szTypeName[80];
};

// With SHGFI_SYSICONINDEX: the system image list as the result (cast to HIMAGELIST),
// and with SHGFI_PIDL the item's icon index in `info->iIcon`; 0 when there is none.
DWORD_PTR SHGetFileInfo(
    LPCITEMIDLIST path, DWORD fileAttributes, SHFILEINFO *info, UINT infoSize, UINT flags);

// ---- Context menus ----------------------------------------------------------------
//
// A menu handle is a QMenu. Each entry that carries out a command is a QAction whose
// data() holds its identifier as an unsigned number; separators, submenu entries and
// disabled placeholders carry none (identifier 0). Menu messages travel with the
// values of the desktop's window messages: WM_INITMENUPOPUP has the opening QMenu in
// wParam; WM_MENUSELECT has the identifier (or, with MF_POPUP, the entry's position)
// in the low word of wParam, the MF_ flags in the high word and the QMenu in lParam,
// and 0xFFFF with lParam 0 when the menu closes.

// The icon indexes SHGetFileInfo gives an absolute list with SHGFI_SYSICONINDEX |
// SHGFI_PIDL, closed (`normal`) and with SHGFI_OPENICON (`open`), from one look at the
// item. False, and both -1, where SHGetFileInfo gives 0 (a list that is not ours, a
// file-system item that is not there).
bool ItemIconIndexes(LPCITEMIDLIST absolute, int &normal, int &open);

class QMenu;
using HMENU = QMenu *;

constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DRAWITEM = 0x002B;
constexpr UINT WM_MEASUREITEM = 0x002C;
constexpr UINT WM_INITMENUPOPUP = 0x0117;
constexpr UINT WM_MENUSELECT = 0x011F;

constexpr UINT MF_POPUP = 0x0010;
constexpr UINT MF_HILITE = 0x0080;
constexpr UINT MF_SEPARATOR = 0x0800;

constexpr UINT CMF_NORMAL = 0x0000;
constexpr UINT CMF_DEFAULTONLY = 0x0001;
constexpr UINT CMF_EXPLORE = 0x0004;
constexpr UINT CMF_CANRENAME = 0x0010;

constexpr UINT GCS_VERBA = 0x0000;
constexpr UINT GCS_HELPTEXTA = 0x0001;

constexpr int SW_SHOWNORMAL = 1;

constexpr WPARAM MAKEWPARAM(std::uint16_t low, std::uint16_t high)
{
    return static_cast<WPARAM>(low) | (static_cast<WPARAM>(high) << 16);
}
constexpr std::uint16_t LOWORD(std::uintptr_t value)
{
    return static_cast<std::uint16_t>(value & 0xFFFF);
}
constexpr std::uint16_t HIWORD(std::uintptr_t value)
{
    return static_cast<std::uint16_t>((value >> 16) & 0xFFFF);
}

// The command to carry out. lpVerb is either a verb text or, when its value is below
// 0x10000, a command offset (identifier minus the first identifier of the menu).
struct CMINVOKECOMMANDINFO
{
    DWORD cbSize;
    DWORD fMask;
    HWND hwnd;
    const char *lpVerb;
    const char *lpParameters;
    const char *lpDirectory;
    int nShow;
    DWORD dwHotKey;
    void *hIcon;
};

inline const char *MAKEINTRESOURCEA(UINT offset)
{
    return reinterpret_cast<const char *>(static_cast<std::uintptr_t>(offset & 0xFFFF));
}
inline bool IS_INTRESOURCE(const char *verb)
{
    return (reinterpret_cast<std::uintptr_t>(verb) >> 16) == 0;
}

class IContextMenu : public IUnknown
{
public:
    // Adds the entries to `menu` at `indexMenu` with identifiers from `idCmdFirst` to
    // `idCmdLast`; answers a success code whose low word is the largest offset used + 1.
    virtual HRESULT QueryContextMenu(HMENU menu, UINT indexMenu, UINT idCmdFirst, UINT idCmdLast, UINT flags)
        = 0;
    virtual HRESULT InvokeCommand(CMINVOKECOMMANDINFO *info) = 0;
    // Writes at most `cchMax` bytes (terminator included) of the entry's verb or help
    // text into `name`.
    virtual HRESULT GetCommandString(UINT_PTR idCmd, UINT type, UINT *reserved, char *name, UINT cchMax) = 0;
};

class IContextMenu2 : public IContextMenu
{
public:
    virtual HRESULT HandleMenuMsg(UINT message, WPARAM wParam, LPARAM lParam) = 0;
};

class IContextMenu3 : public IContextMenu2
{
public:
    virtual HRESULT HandleMenuMsg2(UINT message, WPARAM wParam, LPARAM lParam, LRESULT *result) = 0;
};
