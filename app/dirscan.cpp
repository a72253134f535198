#include "app/dirscan.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/system/dirsearch.h"
#include "platform/system/filesystemkind.h"
#include "platform/system/folderread.h"
#include "platform/system/pathopen.h"

namespace {

// What an entry of a folder is, looking through a link.
struct TEntryKind
{
    bool Exists = true; // false: gone since the folder listed it
    bool Folder = false;
    bool Link = false; // the entry itself is a link
};

// The kind of `entry`, from the type the folder lists where it tells: only links and
// entries of unknown type are looked at. A link that leads nowhere (dangling, a loop)
// is a file, as a directory search reports it.
TEntryKind KindOf(int dirFd, const TFolderEntry &entry)
{
    if (entry.Type == DT_DIR)
        return {true, true, false};
    if (entry.Type != DT_LNK && entry.Type != DT_UNKNOWN)
        return {true, false, false};
    const char *name = entry.Name.data();
    const bool link = entry.Type == DT_LNK;
    const auto type = EntryTypeAt(dirFd, name, true);
    if (!type)
        return {link || EntryTypeAt(dirFd, name, false).has_value(), false, link};
    if (*type != S_IFDIR)
        return {true, false, link};
    // A folder may be a link even where the folder does not list the entry's type.
    return {true, true, link || EntryTypeAt(dirFd, name, false) == S_IFLNK};
}

class TFolderWalker
{
public:
    TFolderWalker(
        std::string path, std::string mask, const TFileScanCallback &callback, const TScanLimits &limits)
        : m_path(std::move(path))
        , m_mask(std::move(mask))
        , m_everyName(m_mask == "*.*")
        , m_callback(callback)
        , m_limits(limits)
    { }

    // Walks the folder open as `folder`, whose path m_path holds; false once the
    // callback asked to stop. m_path is the same string all the way down: each level
    // appends its subfolder's name and cuts it off again. Each level holds its folder
    // open and reaches the next one relative to it, so no path length limits the depth.
    bool WalkFolder(const TFolder &folder);

    // Marks the folder as walked; false when this read has walked it already.
    bool FirstVisit(const TFolder &folder) { return m_visited.insert(folder.Id()).second; }

private:
    // A subfolder waiting for its folder's files to be reported: its name lies in
    // m_names. Every level keeps its own at the end of m_subfolders and m_names while
    // the levels below it come and go after them.
    struct TSubfolder
    {
        std::size_t NameStart = 0;
        std::size_t NameLength = 0;
        bool Link = false;
    };

    bool ReadFolder(const TFolder &folder);
    bool TakeEntry(const TFolder &folder, const TFolderEntry &entry);
    bool WalkSubfolders(const TFolder &folder, std::size_t first, std::size_t end);
    TFolder EnterSubfolder(const TFolder &folder, const std::string &name, bool link);
    bool WithinLimits(std::string_view name) const;

    std::string m_path;
    const std::string m_mask;
    const bool m_everyName; // the mask matches every name
    const TFileScanCallback &m_callback;
    const TScanLimits &m_limits;
    int m_depth = 0; // of the folder being read: the root's is 0
    TFolderReader m_reader;
    std::vector<TSubfolder> m_subfolders;
    std::string m_names;
    // Every folder walked so far, by device and inode: links and bind mounts reach a
    // folder by many paths, so a folder is walked once however it is reached.
    std::unordered_set<TFileId, TFileIdHash> m_visited;
    TFileSystemKinds m_kinds;
};

bool TFolderWalker::WalkFolder(const TFolder &folder)
{
    const std::size_t first = m_subfolders.size();
    const std::size_t namesLength = m_names.size();
    const bool goOn = ReadFolder(folder) && WalkSubfolders(folder, first, m_subfolders.size());
    m_subfolders.resize(first);
    m_names.resize(namesLength);
    return goOn;
}

// Reads the folder once: reports its files as they come and keeps its subfolders for
// later. A folder that cannot be read holds nothing.
bool TFolderWalker::ReadFolder(const TFolder &folder)
{
    if (!m_reader.Start(folder.Fd()))
        return true;
    TFolderEntry entry;
    while (m_reader.Next(entry)) {
        if (!TakeEntry(folder, entry))
            return false;
    }
    return true;
}

// Reports the entry when it is a file the mask takes, or keeps it when it is a folder to
// walk; false once the callback asked to stop.
bool TFolderWalker::TakeEntry(const TFolder &folder, const TFolderEntry &entry)
{
    const bool hidden = entry.Name[0] == '.';
    const bool matches = m_everyName || MatchesMask(std::string(entry.Name), m_mask);
    if (hidden && !matches)
        return true;
    const TEntryKind kind = KindOf(folder.Fd(), entry);
    if (kind.Folder) {
        if (!hidden && WithinLimits(entry.Name)) {
            m_subfolders.push_back({m_names.size(), entry.Name.size(), kind.Link});
            m_names.append(entry.Name);
        }
        return true;
    }
    return !kind.Exists || !matches || m_callback(m_path, TScanFile{entry.Name, folder.Fd()});
}

bool TFolderWalker::WalkSubfolders(const TFolder &folder, std::size_t first, std::size_t end)
{
    const std::size_t length = m_path.size();
    for (std::size_t i = first; i < end; ++i) {
        const TSubfolder found = m_subfolders[i];
        const std::string name = m_names.substr(found.NameStart, found.NameLength);
        const TFolder subfolder = EnterSubfolder(folder, name, found.Link);
        if (!subfolder.IsOpen())
            continue;
        m_path.append(name).push_back(PathDelim);
        ++m_depth;
        const bool goOn = WalkFolder(subfolder);
        --m_depth;
        m_path.resize(length);
        if (!goOn)
            return false;
    }
    return true;
}

// Whether a subfolder of the folder being read may be walked.
bool TFolderWalker::WithinLimits(std::string_view name) const
{
    if (m_limits.MaxDepth && m_depth >= *m_limits.MaxDepth)
        return false;
    return !m_limits.EntersFolder || m_limits.EntersFolder(name);
}

// The subfolder to walk next, or a closed folder when it is not to be walked: it cannot
// be opened, it was walked already, or it is a link that leads into or out of a file
// system the kernel makes up (/proc, /sys, ...), whose links make endless graphs.
TFolder TFolderWalker::EnterSubfolder(const TFolder &folder, const std::string &name, bool link)
{
    if (link && m_kinds.IsPseudo(folder))
        return {};
    TFolder subfolder = folder.OpenChild(name, link);
    if (!subfolder.IsOpen() || (link && m_kinds.IsPseudo(subfolder)) || !FirstVisit(subfolder))
        return {};
    return subfolder;
}

} // namespace

void ScanFiles(std::string Root, std::string Mask, const TFileScanCallback &Callback)
{
    ScanFiles(std::move(Root), std::move(Mask), Callback, TScanLimits());
}

void ScanFiles(
    std::string Root, std::string Mask, const TFileScanCallback &Callback, const TScanLimits &Limits)
{
    std::string path = Root.empty() ? GetCurrentDir() : std::move(Root);
    if (path.back() != PathDelim)
        path.push_back(PathDelim);
    RaiseOpenFileLimit();
    const TFolder root = TFolder::Open(path);
    if (!root.IsOpen())
        return;
    TFolderWalker walker(
        std::move(path), Mask.empty() ? std::string("*.*") : std::move(Mask), Callback, Limits);
    walker.FirstVisit(root);
    walker.WalkFolder(root);
}

void ScanDirectory(std::string Root, std::string Mask, const TScanCallback &Callback)
{
    TSearchRec rec;
    ScanFiles(std::move(Root), std::move(Mask), [&](const std::string &folderPath, const TScanFile &file) {
        rec.Name.assign(file.Name);
        // A file gone since its folder listed it is not reported.
        return !DescribeEntryAt(file.FolderFd, rec.Name, rec) || Callback(folderPath, rec);
    });
}
