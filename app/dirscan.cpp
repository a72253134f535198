#include "app/dirscan.h"

#include <unordered_set>
#include <utility>

#include "platform/system/dirsearch.h"
#include "platform/system/filesystemkind.h"
#include "platform/system/pathopen.h"

namespace {

class TFolderWalker
{
public:
    TFolderWalker(std::string path, std::string mask, const TScanCallback &callback)
        : m_path(std::move(path))
        , m_mask(std::move(mask))
        , m_callback(callback)
    { }

    // Walks the folder open as `folder`, whose path m_path holds; false once the
    // callback asked to stop. m_path is the same string all the way down: each level
    // appends its subfolder's name and cuts it off again. Each level holds its folder
    // open and reaches the next one relative to it, so no path length limits the depth.
    bool WalkFolder(const TFolder &folder);

    // Marks the folder as walked; false when this read has walked it already.
    bool FirstVisit(const TFolder &folder) { return m_visited.insert(folder.Id()).second; }

private:
    bool ReportFiles(const TFolder &folder);
    bool WalkSubfolders(const TFolder &folder);
    TFolder EnterSubfolder(const TFolder &folder, const TSearchRec &rec);

    std::string m_path;
    const std::string m_mask;
    const TScanCallback &m_callback;
    // Every folder walked so far, by device and inode: links and bind mounts reach a
    // folder by many paths, so a folder is walked once however it is reached.
    std::unordered_set<TFileId, TFileIdHash> m_visited;
    TFileSystemKinds m_kinds;
};

bool TFolderWalker::WalkFolder(const TFolder &folder)
{
    return ReportFiles(folder) && WalkSubfolders(folder);
}

bool TFolderWalker::ReportFiles(const TFolder &folder)
{
    TSearchRec rec;
    TFindCloser closer(rec);
    for (int error = FindFirstIn(folder, m_mask, faAnyFile, rec); error == 0; error = FindNext(rec)) {
        if (rec.Attr & (faDirectory | faVolumeID))
            continue;
        if (!m_callback(m_path, rec))
            return false;
    }
    return true;
}

bool TFolderWalker::WalkSubfolders(const TFolder &folder)
{
    const std::size_t length = m_path.size();
    TSearchRec rec;
    TFindCloser closer(rec);
    for (int error = FindFirstIn(folder, "*.*", faDirectory, rec, TSearchDetail::sdTypeOnly); error == 0;
         error = FindNext(rec)) {
        if (!(rec.Attr & faDirectory) || rec.Name == "." || rec.Name == "..")
            continue;
        const TFolder subfolder = EnterSubfolder(folder, rec);
        if (!subfolder.IsOpen())
            continue;
        m_path.append(rec.Name).push_back(PathDelim);
        const bool goOn = WalkFolder(subfolder);
        m_path.resize(length);
        if (!goOn)
            return false;
    }
    return true;
}

// The subfolder to walk next, or a closed folder when it is not to be walked: it cannot
// be opened, it was walked already, or it is a link that leads into or out of a file
// system the kernel makes up (/proc, /sys, ...), whose links make endless graphs.
TFolder TFolderWalker::EnterSubfolder(const TFolder &folder, const TSearchRec &rec)
{
    if (rec.Link && m_kinds.IsPseudo(folder))
        return {};
    TFolder subfolder = folder.OpenChild(rec.Name, rec.Link);
    if (!subfolder.IsOpen() || (rec.Link && m_kinds.IsPseudo(subfolder)) || !FirstVisit(subfolder))
        return {};
    return subfolder;
}

} // namespace

void ScanDirectory(std::string Root, std::string Mask, const TScanCallback &Callback)
{
    std::string path = Root.empty() ? GetCurrentDir() : std::move(Root);
    if (path.back() != PathDelim)
        path.push_back(PathDelim);
    RaiseOpenFileLimit();
    const TFolder root = TFolder::Open(path);
    if (!root.IsOpen())
        return;
    TFolderWalker walker(std::move(path), Mask.empty() ? std::string("*.*") : std::move(Mask), Callback);
    walker.FirstVisit(root);
    walker.WalkFolder(root);
}
