#include "app/read/treevisit.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unordered_map>
#include <utility>
#include <vector>

#include "app/read/filefacts.h"
#include "app/read/filelist.h"
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

class TTreeWalk
{
public:
    TTreeWalk(const TFileList &files, const std::string &rootDir, ITreeVisitor &visitor)
        : m_files(files)
        , m_rootDir(rootDir)
        , m_index(files)
        , m_facts(files.Facts())
        , m_visitor(visitor)
    { }

    void Run();

private:
    // How many levels from the root keep their folder open for their subfolders.
    static constexpr std::size_t OpenLevels = 32;

    struct TLevel
    {
        std::size_t Folder = 0;
        std::size_t NextChild = 0;
        // The folder, held open (O_PATH) while its subfolders are looked at, where its
        // files had to be looked at here.
        TFd Fd;
        TTreeFolder Shown;
        std::int64_t TreeCount = 0;
        TByteCount TreeBytes = 0;
    };

    void Enter(std::size_t folder);
    void Leave();
    TFd OpenFolder(const TFolderNode &node) const;
    void LookAtFiles(const TFd &folder, const TFolderNode &node, TTreeFolder &shown);
    void TakeFacts(const TFolderNode &node, TTreeFolder &shown);
    TTreeFile &AddFile(const TFolderNode &node, std::size_t entry, TTreeFolder &shown);

    const TFileList &m_files;
    const std::string &m_rootDir;
    // Made first, while the list may still be looking at its files on another thread.
    TTreeIndex m_index;
    const TFileFacts *m_facts; // what the list found of its files, if it looked
    ITreeVisitor &m_visitor;
    std::vector<TLevel> m_levels;
    std::vector<TTreeFile> m_folderFiles; // the files of the folder entered last
    std::string m_name;
};

void TTreeWalk::Run()
{
    Enter(0);
    while (!m_levels.empty()) {
        TLevel &level = m_levels.back();
        const TFolderNode &node = m_index.Folder(level.Folder);
        if (level.NextChild < node.Children.size())
            Enter(node.Children[level.NextChild++]);
        else
            Leave();
    }
}

void TTreeWalk::Enter(std::size_t folder)
{
    const TFolderNode &node = m_index.Folder(folder);
    TLevel level;
    level.Folder = folder;
    level.Shown.Path = node.Path;
    level.Shown.Name = NameOf(node.Path);
    level.Shown.Depth = static_cast<int>(m_levels.size());
    if (m_facts && node.FileEnd > node.FirstFile) {
        TakeFacts(node, level.Shown);
    } else {
        level.Fd = OpenFolder(node);
        LookAtFiles(level.Fd, node, level.Shown);
        // Deep down, a folder is let go once looked at, so that a tree of any depth holds
        // a bounded number of descriptors; its subfolders are opened by their paths.
        if (m_levels.size() >= OpenLevels)
            level.Fd = TFd();
    }
    level.TreeCount = level.Shown.FileCount;
    level.TreeBytes = level.Shown.FileBytes;
    m_levels.push_back(std::move(level));
    m_visitor.BeginFolder(m_levels.back().Shown);
    for (const TTreeFile &file : m_folderFiles)
        m_visitor.File(m_levels.back().Shown, file);
}

void TTreeWalk::Leave()
{
    const TLevel level = std::move(m_levels.back());
    m_levels.pop_back();
    m_visitor.EndFolder(level.Shown, level.TreeCount, level.TreeBytes);
    if (!m_levels.empty()) {
        m_levels.back().TreeCount += level.TreeCount;
        m_levels.back().TreeBytes += level.TreeBytes;
    }
}

// The folder, opened relative to the one above it where that one is open: one name to
// look up rather than the whole path.
TFd TTreeWalk::OpenFolder(const TFolderNode &node) const
{
    const TFd *parent = m_levels.empty() ? nullptr : &m_levels.back().Fd;
    if (parent && *parent) {
        const std::string name(NameOf(node.Path));
        return TFd(::openat(parent->Get(), name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    }
    return TFd(OpenPath(m_rootDir + std::string(node.Path), O_PATH | O_DIRECTORY));
}

// Looks at the folder and its own files, relative to the folder held open.
void TTreeWalk::LookAtFiles(const TFd &folder, const TFolderNode &node, TTreeFolder &shown)
{
    struct stat info;
    if (folder && ::fstat(folder.Get(), &info) == 0)
        shown.ModTime = info.st_mtim;
    m_folderFiles.clear();
    for (std::size_t p = node.FirstFile; p < node.FileEnd; ++p) {
        TTreeFile &file = AddFile(node, m_index.FileAt(p), shown);
        m_name.assign(file.Name);
        const auto sizeAndTime = folder ? SizeAndTimeAt(folder.Get(), m_name.c_str()) : std::nullopt;
        if (sizeAndTime) {
            file.Size = sizeAndTime->Size;
            file.ModTime = sizeAndTime->ModTime;
            shown.FileBytes += file.Size;
        }
    }
}

// The folder and its own files as the list found them when it looked at them.
void TTreeWalk::TakeFacts(const TFolderNode &node, TTreeFolder &shown)
{
    shown.ModTime = m_facts->FolderTimeOf(m_files.AddedIndex(m_index.FileAt(node.FirstFile)));
    m_folderFiles.clear();
    for (std::size_t p = node.FirstFile; p < node.FileEnd; ++p) {
        const std::size_t entry = m_index.FileAt(p);
        TTreeFile &file = AddFile(node, entry, shown);
        if (const auto sizeAndTime = m_facts->Of(m_files.AddedIndex(entry))) {
            file.Size = sizeAndTime->Size;
            file.ModTime = sizeAndTime->ModTime;
            shown.FileBytes += file.Size;
        }
    }
}

// Counts the list's `entry`th file in the folder, not yet looked at.
TTreeFile &TTreeWalk::AddFile(const TFolderNode &node, std::size_t entry, TTreeFolder &shown)
{
    TTreeFile file;
    file.Name = m_files[entry].substr(node.Path.size());
    ++shown.FileCount;
    return m_folderFiles.emplace_back(file);
}

} // namespace

void VisitTree(const TFileList &files, const std::string &rootDir, ITreeVisitor &visitor)
{
    TTreeWalk(files, rootDir, visitor).Run();
}
