#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <time.h>
#include <vector>

#include "app/read/bytecount.h"
#include "app/read/readcommand.h"
#include "platform/system/fd.h"
#include "platform/system/folderread.h"

class TFileLook;

class TFileList;

// The files of a read as a tree of folders, for the data formats: each folder comes once,
// with its own files before its subfolders. The folders are those the listing shows:
// every folder on the way to a file found, the root first.

struct TTreeFile
{
    std::string_view Name; // the name's bytes
    std::int64_t Size = 0;
    std::optional<struct timespec> ModTime; // nothing when the file is gone since the walk
};

struct TTreeFolder
{
    std::string_view Path; // relative to the root, ending in '/'; empty for the root
    std::string_view Name; // empty for the root
    int Depth = 0; // the root's is 0
    std::optional<struct timespec> ModTime;
    std::int64_t FileCount = 0; // its own files, not those of its subfolders
    TByteCount FileBytes = 0;
};

class ITreeVisitor
{
public:
    virtual ~ITreeVisitor() = default;
    // Before the folder's files and subfolders, its own totals known.
    virtual void BeginFolder(const TTreeFolder &folder) = 0;
    virtual void File(const TTreeFolder &folder, const TTreeFile &file) = 0;
    // After its subfolders; `treeCount` and `treeBytes` count the files of the whole
    // subtree.
    virtual void EndFolder(const TTreeFolder &folder, std::int64_t treeCount, TByteCount treeBytes) = 0;
};

// Visits the tree of the files added, as they come: each folder's files must come
// together (as in the walk's order), a folder's before its subfolders'. A folder is
// visited once its files are all added, when the next folder's come, and ended when the
// folder visited after it lies outside it. The memory held is that of one folder's
// files and of the levels above it.
class TTreeStream : public IFileStream
{
public:
    // `rootDir` ends in '/'.
    TTreeStream(const std::string &rootDir, ITreeVisitor &visitor);
    ~TTreeStream() override;

    // The next file; `folderTime` counts only for the first file of a folder. A path
    // that ends in '/' is the mark of a folder to visit with no file of its own.
    void Add(std::string_view path, const std::optional<TSizeAndTime> &facts,
        const std::optional<struct timespec> &folderTime) override;
    // Visits what is held back and ends every folder, the root last; a tree with no file
    // is the root alone.
    void Finish();

private:
    struct TLevel
    {
        std::string Path;
        TTreeFolder Shown; // its Path and Name view Path above
        TTotals Tree; // its files and its subfolders' so far
    };

    void BeginRun(std::string_view folder, const std::optional<struct timespec> &time);
    void VisitRun();
    void EnterUpTo(std::string_view folder);
    void Enter(std::string_view folder, const std::optional<struct timespec> &time, const TTotals &ownFiles);
    void Leave();

    const std::string m_rootDir;
    ITreeVisitor &m_visitor;
    TFd m_root; // the root held open, opened where a folder without files is looked at
    std::unique_ptr<TFileLook> m_look;
    // The folders entered, the root first; a deque, so that the views of each level's
    // TTreeFolder into its own path stay valid as levels come and go.
    std::deque<TLevel> m_levels;
    // The folder whose files come now, its files and its time.
    bool m_inRun = false;
    std::string m_runFolder;
    std::optional<struct timespec> m_runTime;
    std::string m_runNames; // end to end
    std::vector<std::size_t> m_runEnds;
    std::vector<TTreeFile> m_runFiles;
    TTotals m_runTotals;
};

// Visits the tree of `files` (paths relative to `rootDir`, which ends in '/'), their sizes
// and times as the list found them, or else looked at now (TFileLook): folders in the
// order the list first reaches them, each with its own files in the list's order.
void VisitTree(const TFileList &files, const std::string &rootDir, ITreeVisitor &visitor);
