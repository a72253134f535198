#include "app/dirscan.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/dirsearch.h"

namespace {

class TFolderWalker
{
public:
    TFolderWalker(std::string path, std::string mask, const TScanCallback &callback)
        : m_path(std::move(path))
        , m_mask(std::move(mask))
        , m_callback(callback)
    { }

    // Walks the folder m_path names; false once the callback asked to stop. m_path is
    // the same string all the way down: each level appends its subfolder's name and
    // cuts it off again.
    bool WalkFolder();

private:
    bool ReportFiles(TSearchRec &rec, int found);
    bool WalkSubfolders(std::size_t length);
    bool IsOnPath(const TFileId &id) const
    {
        return std::find(m_onPath.begin(), m_onPath.end(), id) != m_onPath.end();
    }

    std::string m_path;
    const std::string m_mask;
    const TScanCallback &m_callback;
    // The folders from the root down to the one being walked.
    std::vector<TFileId> m_onPath;
};

bool TFolderWalker::WalkFolder()
{
    const std::size_t length = m_path.size();
    TSearchRec rec;
    TFindCloser closer(rec);
    m_path.append(m_mask);
    const int found = FindFirst(m_path, faAnyFile, rec);
    m_path.resize(length);
    // A folder that cannot be opened (unreadable, gone) is passed over; one reached
    // again through a link to a folder above it would make the walk endless.
    if (rec.FolderId == TFileId{} || IsOnPath(rec.FolderId))
        return true;

    m_onPath.push_back(rec.FolderId);
    const bool goOn = ReportFiles(rec, found) && WalkSubfolders(length);
    m_onPath.pop_back();
    return goOn;
}

bool TFolderWalker::ReportFiles(TSearchRec &rec, int found)
{
    for (int error = found; error == 0; error = FindNext(rec)) {
        if (rec.Attr & (faDirectory | faVolumeID))
            continue;
        if (!m_callback(m_path, rec))
            return false;
    }
    FindClose(rec);
    return true;
}

bool TFolderWalker::WalkSubfolders(std::size_t length)
{
    TSearchRec rec;
    TFindCloser closer(rec);
    m_path.append("*.*");
    int error = FindFirst(m_path, faDirectory, rec, TSearchDetail::sdTypeOnly);
    m_path.resize(length);
    for (; error == 0; error = FindNext(rec)) {
        if (!(rec.Attr & faDirectory) || rec.Name == "." || rec.Name == "..")
            continue;
        m_path.append(rec.Name).push_back(PathDelim);
        const bool goOn = WalkFolder();
        m_path.resize(length);
        if (!goOn)
            return false;
    }
    return true;
}

} // namespace

void ScanDirectory(std::string Root, std::string Mask, const TScanCallback &Callback)
{
    std::string path = Root.empty() ? GetCurrentDir() : std::move(Root);
    if (path.back() != PathDelim)
        path.push_back(PathDelim);
    TFolderWalker walker(std::move(path), Mask.empty() ? std::string("*.*") : std::move(Mask), Callback);
    walker.WalkFolder();
}
