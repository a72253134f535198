#include "app/read/treevisit.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unordered_map>
#include <utility>
#include <vector>

#include "app/read/filefacts.h"
#include "app/read/filelist.h"
#include "app/read/filelook.h"
#include "platform/system/dirsearch.h"
#include "platform/system/fd.h"
#include "platform/system/folderread.h"
#include "platform/system/pathopen.h"

namespace {

struct TFolderNode
{
    std::string_view Path;
    std::size_t Parent = 0;
    std::vector<std::size_t> Children;
    std::size_t FirstFile = 0; // into the files ordered by folder
    std::size_t FileEnd = 0;
};

// The folders of the list in the order it first reaches them, and its files grouped by
// folder: O(n) beyond the look-ups of a hash table.
class TTreeIndex
{
public:
    explicit TTreeIndex(const TFileList &files);

    const TFolderNode &Folder(std::size_t index) const { return m_folders[index]; }
    std::size_t FileAt(std::size_t position) const { return m_byFolder[position]; }

private:
    std::size_t FolderIndex(std::string_view path);

    std::vector<TFolderNode> m_folders;
    std::unordered_map<std::string_view, std::size_t> m_indexes;
    std::vector<std::uint32_t> m_byFolder; // entry indexes, grouped by folder
};

TTreeIndex::TTreeIndex(const TFileList &files)
{
    m_folders.push_back(TFolderNode());
    m_indexes.emplace(std::string_view(), 0);
    const std::size_t count = files.Count();
    std::vector<std::uint32_t> folderOf(count);
    std::vector<std::size_t> fileCounts;
    std::string_view lastFolder;
    std::size_t lastIndex = 0;
    for (std::size_t i = 0; i < count; ++i) {
        // Files of one folder mostly come together: one look-up serves them all.
        const std::string_view folder = FolderPartOf(files[i]);
        if (i == 0 || folder != lastFolder) {
            lastFolder = folder;
            lastIndex = FolderIndex(folder);
        }
        folderOf[i] = static_cast<std::uint32_t>(lastIndex);
        fileCounts.resize(m_folders.size());
        ++fileCounts[folderOf[i]];
    }
    fileCounts.resize(m_folders.size());
    std::size_t start = 0;
    for (std::size_t f = 0; f < m_folders.size(); ++f) {
        m_folders[f].FirstFile = m_folders[f].FileEnd = start;
        start += fileCounts[f];
    }
    m_byFolder.resize(count);
    for (std::size_t i = 0; i < count; ++i)
        m_byFolder[m_folders[folderOf[i]].FileEnd++] = static_cast<std::uint32_t>(i);
}

// The folder's index, adding it and the folders above it when new.
std::size_t TTreeIndex::FolderIndex(std::string_view path)
{
    const auto found = m_indexes.find(path);
    if (found != m_indexes.end())
        return found->second;
    const std::size_t parent = FolderIndex(FolderPartOf(path.substr(0, path.size() - 1)));
    const std::size_t index = m_folders.size();
    m_folders.push_back(TFolderNode{path, parent, {}, 0, 0});
    m_folders[parent].Children.push_back(index);
    m_indexes.emplace(path, index);
    return index;
}

std::string_view NameOf(std::string_view folderPath)
{
    if (folderPath.empty())
        return folderPath;
    const std::string_view path = folderPath.substr(0, folderPath.size() - 1);
    const auto delim = path.rfind(PathDelim);
    return delim == std::string_view::npos ? path : path.substr(delim + 1);
}

} // namespace

TTreeStream::TTreeStream(const std::string &rootDir, ITreeVisitor &visitor)
    : m_rootDir(rootDir)
    , m_visitor(visitor)
{ }

TTreeStream::~TTreeStream() = default;

void TTreeStream::Add(std::string_view path, const std::optional<TSizeAndTime> &facts,
    const std::optional<struct timespec> &folderTime)
{
    const std::string_view folder = FolderPartOf(path);
    if (!m_inRun || folder != m_runFolder)
        BeginRun(folder, folderTime);
    if (folder.size() == path.size())
        return; // a folder's mark, with no file
    m_runNames.append(path.substr(folder.size()));
    m_runEnds.push_back(m_runNames.size());
    TTreeFile &file = m_runFiles.emplace_back();
    m_runTotals.Add(facts);
    if (facts) {
        file.Size = facts->Size;
        file.ModTime = facts->ModTime;
    }
}

void TTreeStream::Finish()
{
    VisitRun();
    if (m_levels.empty())
        EnterUpTo(std::string_view());
    while (!m_levels.empty())
        Leave();
}

// Visits the folder before, and begins the folder's run.
void TTreeStream::BeginRun(std::string_view folder, const std::optional<struct timespec> &time)
{
    VisitRun();
    m_inRun = true;
    m_runFolder.assign(folder);
    m_runTime = time;
}

// Enters the run's folder, with those above it that are not entered yet, and visits its
// files; then empties the run.
void TTreeStream::VisitRun()
{
    if (!m_inRun)
        return;
    const std::string_view folder = m_runFolder;
    const std::string_view parent
        = folder.empty() ? folder : FolderPartOf(folder.substr(0, folder.size() - 1));
    if (!folder.empty())
        EnterUpTo(parent);
    for (std::size_t i = 0; i < m_runFiles.size(); ++i) {
        const std::size_t start = i == 0 ? 0 : m_runEnds[i - 1];
        m_runFiles[i].Name = std::string_view(m_runNames).substr(start, m_runEnds[i] - start);
    }
    Enter(folder, m_runTime, m_runTotals);
    for (const TTreeFile &file : m_runFiles)
        m_visitor.File(m_levels.back().Shown, file);
    m_inRun = false;
    m_runNames.clear();
    m_runEnds.clear();
    m_runFiles.clear();
    m_runTotals = {};
}

// Leaves the folders that do not hold `folder`, and enters those on the way down to it
// that are not entered yet, each with no files of its own and its time looked at now.
void TTreeStream::EnterUpTo(std::string_view folder)
{
    while (!m_levels.empty() && !folder.starts_with(m_levels.back().Path))
        Leave();
    if (!m_levels.empty() && m_levels.back().Path == folder)
        return;
    if (!m_look) {
        m_root = TFd(OpenPath(m_rootDir, O_PATH | O_DIRECTORY));
        m_look = std::make_unique<TFileLook>(m_rootDir, m_root);
    }
    std::size_t next = m_levels.empty() ? 0 : m_levels.back().Path.size();
    while (m_levels.empty() || m_levels.back().Path.size() < folder.size()) {
        const std::size_t end = m_levels.empty() ? 0 : folder.find(PathDelim, next) + 1;
        const std::string_view path = folder.substr(0, end);
        Enter(path, m_look->EnterFolder(path), TTotals());
        next = end;
    }
}

void TTreeStream::Enter(
    std::string_view folder, const std::optional<struct timespec> &time, const TTotals &ownFiles)
{
    TLevel &level = m_levels.emplace_back();
    level.Path.assign(folder);
    level.Shown.Path = level.Path;
    level.Shown.Name = NameOf(level.Path);
    level.Shown.Depth = static_cast<int>(m_levels.size() - 1);
    level.Shown.ModTime = time;
    level.Shown.FileCount = ownFiles.Files;
    level.Shown.FileBytes = ownFiles.Bytes;
    level.Tree = ownFiles;
    m_visitor.BeginFolder(level.Shown);
}

void TTreeStream::Leave()
{
    const TLevel &level = m_levels.back();
    m_visitor.EndFolder(level.Shown, level.Tree.Files, level.Tree.Bytes);
    const TTotals tree = level.Tree;
    m_levels.pop_back();
    if (!m_levels.empty()) {
        m_levels.back().Tree.Files += tree.Files;
        m_levels.back().Tree.Bytes += tree.Bytes;
    }
}

void VisitTree(const TFileList &files, const std::string &rootDir, ITreeVisitor &visitor)
{
    // Made first, while the list may still be looking at its files on another thread.
    const TTreeIndex index(files);
    const TFileFacts *facts = files.Facts();
    const TFd root = facts ? TFd() : TFd(OpenPath(rootDir, O_PATH | O_DIRECTORY));
    TFileLook look(rootDir, root);
    TTreeStream stream(rootDir, visitor);
    // The folders depth first, each folder's subfolders in the order the list reaches them.
    std::vector<std::pair<std::size_t, std::size_t>> path{{0, 0}}; // folder, next child
    while (!path.empty()) {
        auto &[folder, nextChild] = path.back();
        const TFolderNode &node = index.Folder(folder);
        if (nextChild == 0 && node.FileEnd > node.FirstFile) {
            std::optional<struct timespec> folderTime = facts
                ? facts->FolderTimeOf(files.AddedIndex(index.FileAt(node.FirstFile)))
                : look.EnterFolder(node.Path);
            for (std::size_t p = node.FirstFile; p < node.FileEnd; ++p) {
                const std::size_t entry = index.FileAt(p);
                const std::string_view file = files[entry];
                stream.Add(file,
                    facts ? facts->Of(files.AddedIndex(entry)) : look.File(file.substr(node.Path.size())),
                    folderTime);
            }
        }
        if (nextChild < node.Children.size())
            path.emplace_back(node.Children[nextChild++], 0);
        else
            path.pop_back();
    }
    stream.Finish();
}
