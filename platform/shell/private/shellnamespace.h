#pragma once

// The pieces of the shell namespace that its units share (items, nodes, places of the
// user's session), and the seams through which tests replace what a test machine
// cannot have (mounted volumes, print queues). The layout of the namespace and of the
// item data is described in shellnamespace.cpp.

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/shell/shellapi.h"
#include "platform/system/fd.h"
#include "platform/system/paths.h"

// What an item stands for. The value is the item's type byte.
enum class TItemKind : std::uint8_t
{
    ikDesktop = 0, // the root itself; never stored in an item
    ikHome = 0x31, // the home folder, on the desktop; name: its absolute path
    ikComputer = 0x32, // virtual; name: "Computer" (a key: the name shown is PlaceDisplayName's)
    ikTrash = 0x33, // the trash, on the desktop; name: the absolute path of its files folder
    ikDesktopFolder = 0x34, // a folder of the user's desktop folder; name: its absolute path
    ikDesktopFile = 0x35, // any other entry of the desktop folder; name: its absolute path
    ikVolume = 0x36, // "/" or a mounted volume, in Computer; name: the mount point
    ikControlPanel = 0x37, // virtual, in Computer; name: "Control Panel" (a key, as Computer's)
    ikPrinters = 0x38, // virtual, in Control Panel; name: "Printers" (a key, as Computer's)
    ikPrinter = 0x39, // a print queue, in Printers; name: the queue's name
    ikFolder = 0x3A, // a directory in a file-system folder; name: one path component
    ikFile = 0x3B, // any other entry of a file-system folder; name: one path component
};

// One item of a list, read and checked: its kind, its name bytes and where the name
// starts, counted from the item's first count byte.
struct TItemView
{
    TItemKind Kind = TItemKind::ikDesktop;
    std::string_view Name;
    std::uint16_t Size = 0;
    static constexpr std::uint16_t NameOffset = 3;
};

// The item at `item`, or nothing when the bytes there are not an item of ours.
std::optional<TItemView> ReadItem(const void *item);
// The bytes of a new item (count included), or nothing when the name does not fit.
std::optional<std::string> EncodeItem(TItemKind kind, std::string_view name);
// A new list from the shell allocator holding the items (each as EncodeItem gave it)
// and the terminator; null when the allocator has no room.
LPITEMIDLIST AllocIdList(const std::vector<std::string> &items);
LPITEMIDLIST AllocIdList(std::string_view item);
// A new UTF-16 copy of `bytes` from the shell allocator; null when there is no room.
LPWSTR AllocWideText(std::string_view bytes);

bool IsFolderKind(TItemKind kind);
// Whether a folder of kind `parent` can hold an item of kind `child`.
bool MayContain(TItemKind parent, TItemKind child);

// A place of the namespace: the desktop, a virtual folder or a file-system object.
struct TShellNode
{
    TItemKind Kind = TItemKind::ikDesktop;
    // The item's name bytes (empty for the desktop).
    std::string Name;
    // The file-system path; empty for virtual places.
    std::string Path;
};

TShellNode DesktopNode();
// The node of `item` inside `parent`, or nothing when the folder cannot hold it.
std::optional<TShellNode> ChildNode(const TShellNode &parent, const TItemView &item);

// A list read from a starting node to its last item.
struct TResolvedList
{
    TShellNode Parent; // the folder that holds the last item (the start for an empty list)
    TShellNode Node; // the last item's place (the start itself for an empty list)
    std::optional<TItemView> Last; // none for an empty list
    std::size_t LastOffset = 0; // where the last item starts in the list
};
// Null list, a foreign item or an item out of place: nothing.
std::optional<TResolvedList> ResolveIdList(const TShellNode &start, LPCITEMIDLIST list);

// The "::{...}" name of a virtual folder within its parent (also the trash's while it
// has no folder); empty for other kinds.
std::string_view VirtualParsingName(TItemKind kind);
// The name shown for the node (SHGDN_NORMAL), as UTF-8 bytes.
std::string NodeDisplayName(const TShellNode &node);
// The name shown for the desktop, Computer, Control Panel, Printers and the trash, in the
// user's language (English without a catalogue), as UTF-8 bytes; empty for other kinds.
// Their items hold English keys instead, so that lists and parsing never depend on the
// language.
std::string PlaceDisplayName(TItemKind kind);
// The parsing name: the full path of a file-system node, "::{...}" names for virtual ones.
std::string NodeParsingName(const TShellNode &node);

// ---- Places of the user's session (read from the environment at each call) --------

std::string HomePath();
std::string ConfigHome(); // $XDG_CONFIG_HOME or ~/.config
std::string DataHome(); // $XDG_DATA_HOME or ~/.local/share
std::string RuntimeDir(); // $XDG_RUNTIME_DIR or /run/user/<uid>
std::string TrashFilesPath(); // $XDG_DATA_HOME/Trash/files

// The user directories of $XDG_CONFIG_HOME/user-dirs.dirs, read once per object.
class TUserDirs
{
public:
    TUserDirs();
    // The directory for a key such as "DESKTOP" or "DOCUMENTS"; `fallback` (relative to
    // home) when the file does not name it.
    std::string Get(std::string_view key, std::string_view fallback) const;
    const std::string &Home() const { return m_home; }

private:
    std::string m_home;
    std::vector<std::pair<std::string, std::string>> m_dirs;
};

std::string DesktopDirectory(const TUserDirs &dirs);

// A mounted volume shown in Computer.
struct TVolume
{
    std::string MountPoint;
    bool Removable = false;
};

// Where volumes and print queues come from.
struct TShellSources
{
    std::string MountTable; // a file in the form of /proc/self/mounts
    std::vector<std::string> RemovableRoots; // volumes mounted right below these are removable
    std::vector<std::string> FixedRoots; // volumes mounted right below these are not
    std::optional<std::vector<std::string>> PrinterNames; // none: the system's queues

    // /proc/self/mounts; /media/$USER and /run/media/$USER; /mnt.
    static TShellSources System();
};

// Replaces the sources until called again with null; for tests.
void OverrideShellSources(const TShellSources *sources);
TShellSources CurrentShellSources();

std::vector<TVolume> UserVolumes(const TShellSources &sources);
std::vector<std::string> PrinterQueueNames(const TShellSources &sources);
// Whether `path` lies inside a volume mounted below a removable root.
bool IsOnRemovableVolume(const TShellSources &sources, std::string_view path);

// ---- The parts of the folder objects ------------------------------------------------

// A new folder object for the node, holding one reference.
IShellFolder *NewShellFolder(TShellNode node);

// Reads a display name given to the folder `start` into items (each as EncodeItem gives
// it): absolute paths through Computer (or within a file-system folder that holds them),
// relative paths against a file-system folder or the desktop folder, and the "::{...}"
// names of virtual folders. Every component must exist.
HRESULT ParseNames(const TShellNode &start, std::string_view text, std::vector<std::string> &items);

// Entries of an open directory stream, filtered by SHCONTF_ flags, as items: components
// of `folder` when `absolute` is false, else absolute paths of desktop entries.
struct TDirectorySource
{
    TDirStream Stream;
    std::string Folder;
    bool Absolute = false;
};
// An enumerator over `ready` items followed by the entries of `source` (when it has a
// stream), read as Next asks for them.
IEnumIDList *NewItemEnumerator(std::vector<std::string> ready, TDirectorySource source, DWORD flags);

// What the attributes of a node depend on beyond the node: the folder that holds it
// (renaming, deleting, moving need its write permission, known once per folder). From
// the second entry asked about on, the holding folder is kept open, so that the checks
// of its entries look up one name instead of a whole path; Forget closes it.
class TAttributeContext
{
public:
    explicit TAttributeContext(std::string parentDir)
        : m_parentDir(std::move(parentDir))
    { }
    TAttributeContext(const TAttributeContext &) = delete;
    TAttributeContext &operator=(const TAttributeContext &) = delete;
    bool ParentWritable();
    const TShellSources &Sources();
    // The holding folder opened for *at() calls on the entry `path` (which must lie right
    // inside it), or -1 where the path serves (the first entry asked about, a path that is
    // no entry of the folder, a folder that cannot be opened).
    int EntryDirectory(std::string_view path);
    void Forget();
    bool HasParent() const { return !m_parentDir.empty(); }

private:
    std::string m_parentDir;
    std::optional<bool> m_writable;
    std::optional<TShellSources> m_sources;
    TFd m_parentFd;
    int m_entriesAsked = 0;
};
// The file-system folder that holds a node (the one a rename acts in); empty for nodes
// that are not entries of a folder of ours (home, volumes, the trash, virtual items).
std::string ParentDirectory(const TShellNode &parent, const TShellNode &node);
SFGAOF NodeAttributes(const TShellNode &node, SFGAOF mask, TAttributeContext &context);

// GetDisplayNameOf of a list read from the folder; CompareIDs of two lists.
HRESULT ListDisplayName(const TResolvedList &resolved, DWORD flags, STRRET *name);
HRESULT CompareIdLists(LPCITEMIDLIST first, LPCITEMIDLIST second);

// The number of folders and enumerators alive; tests prove that references balance.
long ShellNamespaceLiveObjects();
void CountShellObject(int delta);

// The counted-reference part shared by the namespace's objects: starts with one
// reference, answers IUnknown and each of `Iids` with the object as `Interface` (the
// interfaces form one chain of inheritance), frees itself with its last reference and
// counts itself among the live shell objects.
template <typename Interface, const IID &...Iids> class TShellObject : public Interface
{
public:
    TShellObject() { CountShellObject(+1); }

    HRESULT QueryInterface(REFIID iid, void **object) override
    {
        if (!object)
            return E_POINTER;
        if (iid == IID_IUnknown || ((iid == Iids) || ...)) {
            *object = static_cast<Interface *>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++m_references; }
    ULONG Release() override
    {
        const ULONG left = --m_references;
        if (left == 0)
            delete this;
        return left;
    }

protected:
    ~TShellObject() override { CountShellObject(-1); }

private:
    std::atomic<ULONG> m_references{1};
};
