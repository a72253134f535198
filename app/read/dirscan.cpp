#include "app/read/dirscan.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unordered_set>
#include <utility>
#include <vector>

#include "app/read/entrykind.h"
#include "app/read/readahead.h"
#include "platform/system/dirsearch.h"
#include "platform/system/filesystemkind.h"
#include "platform/system/folderread.h"
#include "platform/system/pathopen.h"

namespace {

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

    // Walks the tree under `root`, whose path m_path holds, depth first, until the end or
    // until the callback asks to stop. m_path is the same string all the way down: each
    // level appends its folder's name and cuts it off again.
    void Walk(TFolder root);

private:
    // A subfolder waiting for its folder's files to be reported: its name lies in
    // m_names. Every level keeps its own at the end of m_subfolders and m_names while
    // the levels below it come and go after them.
    struct TSubfolder
    {
        std::size_t NameStart = 0;
        std::size_t NameLength = 0;
        bool Link = false;
        std::uint32_t Entry = 0; // its place among its folder's entries
        TFolderReadAhead::TTicket Ticket = 0; // read ahead when not 0
    };

    // A folder on the way from the root to the one being walked, with the subfolders it
    // still has to walk.
    struct TLevel
    {
        TFolder Folder; // closed while outside the window of open levels
        TFileId Id;
        bool Link = false; // reached through a link
        std::size_t PathLength = 0; // of m_path with this folder's name and delimiter
        std::size_t NamesLength = 0; // of m_names before this folder's subfolders
        std::size_t FirstSubfolder = 0;
        std::size_t NextSubfolder = 0;
        std::size_t EndSubfolder = 0;
        TFolderRead::TKey Key; // where it lies in the walk, for the read-ahead
    };

    bool Enter(TFolder folder, bool link, const TFolderRead *read, TFolderRead::TKey key);
    void Leave();
    bool ReadFolder(const TFolder &folder, const TFolderRead *read);
    bool ReadOn(const TFolder &folder, std::uint32_t index);
    void AskAhead(const TLevel &level);
    // The entry read ahead (its kind looked at, a subfolder asked for) comes with `read`.
    bool TakeEntry(const TFolder &folder, const TFolderEntry &entry, std::uint32_t index,
        const TFolderRead::TEntry *read = nullptr);
    void Discard(std::optional<TFolderRead> &read);
    TFolder EnterSubfolder(const TFolder &folder, const std::string &name, bool link);
    TFolder EnterReadAhead(const TFolder &folder, TFolderRead &read, bool link);
    TFolder Admit(TFolder subfolder, bool link);
    bool WithinLimits(std::string_view name) const;
    void KeepWindow();
    bool ShrinkWindow();
    bool FreeDescriptors();
    void StartReadAhead(unsigned threads);
    void TimeFolder(std::chrono::steady_clock::duration waited);
    void Reopen(std::size_t index);
    TFolder ReopenFromAbove(std::size_t index) const;
    std::string NameOf(std::size_t index) const;

    std::string m_path;
    const std::string m_mask;
    const bool m_everyName; // the mask matches every name
    const TFileScanCallback &m_callback;
    const TScanLimits &m_limits;
    TFolderReader m_reader;
    std::vector<TLevel> m_levels; // the root first, the folder being walked last
    // Only the root and the deepest levels are held open, so that a walk of any depth
    // holds a bounded number of descriptors: levels from 1 to m_lowestOpen - 1 are
    // closed, and opened again on the way back up.
    std::size_t m_lowestOpen = 1;
    std::size_t m_window = 32;
    std::vector<TSubfolder> m_subfolders;
    std::string m_names;
    // Every folder walked so far, by device and inode: links and bind mounts reach a
    // folder by many paths, so a folder is walked once however it is reached.
    std::unordered_set<TFileId, TFileIdHash> m_visited;
    TFileSystemKinds m_kinds;
    // On a local disk the walk reads alone until folders come slowly: it times every
    // FoldersTimed folders and starts the read-ahead when they took more than SlowFolder
    // each (a warm cache answers in a few microseconds, a disk in a tenth of a
    // millisecond or more).
    static constexpr std::size_t FoldersTimed = 64;
    static constexpr std::chrono::microseconds SlowFolder{100};
    bool m_timing = false;
    std::size_t m_timed = 0;
    std::chrono::steady_clock::duration m_waited{};
    std::chrono::steady_clock::duration m_opening{}; // of the folder being entered
    // Last, so that its threads stop before what they read into goes.
    std::unique_ptr<TFolderReadAhead> m_readAhead;
};

bool OutOfDescriptors()
{
    return errno == EMFILE || errno == ENFILE;
}

void TFolderWalker::Walk(TFolder root)
{
    const std::optional<unsigned> threads
        = m_limits.ReadAheadThreads ? m_limits.ReadAheadThreads : TFolderReadAhead::ThreadsFor(root);
    m_visited.insert(root.Id());
    if (threads)
        StartReadAhead(*threads);
    else
        m_timing = true;
    if (!Enter(std::move(root), false, nullptr, {}))
        return;
    while (!m_levels.empty()) {
        TLevel &level = m_levels.back();
        if (level.NextSubfolder == level.EndSubfolder) {
            Leave();
            continue;
        }
        const TSubfolder found = m_subfolders[level.NextSubfolder++];
        std::optional<TFolderRead> read;
        if (found.Ticket != 0)
            read = m_readAhead->Take(found.Ticket);
        // A folder that could not be opened again on the way back up holds nothing more.
        if (!level.Folder.IsOpen()) {
            Discard(read);
            continue;
        }
        const std::string name = m_names.substr(found.NameStart, found.NameLength);
        // Read ahead, unless the process ran out of descriptors there: then as always.
        if (read && (read->OpenError == EMFILE || read->OpenError == ENFILE))
            Discard(read);
        const auto opening
            = m_timing ? std::chrono::steady_clock::now() : std::chrono::steady_clock::time_point();
        TFolder subfolder = read ? EnterReadAhead(level.Folder, *read, found.Link)
                                 : EnterSubfolder(level.Folder, name, found.Link);
        if (m_timing)
            m_opening = std::chrono::steady_clock::now() - opening;
        if (!subfolder.IsOpen()) {
            Discard(read);
            continue;
        }
        // Not read ahead under this name: a thread may have read it under another.
        if (m_readAhead && (!read || read->ReadElsewhere))
            read = m_readAhead->Claim(subfolder.Id());
        TFolderRead::TKey key = level.Key;
        key.push_back(found.Entry);
        m_path.append(name).push_back(PathDelim);
        if (!Enter(
                std::move(subfolder), found.Link, read ? &*read : nullptr, read ? read->Key : std::move(key)))
            return;
    }
}

// Starts reading folders ahead on `threads` threads.
void TFolderWalker::StartReadAhead(unsigned threads)
{
    // The more folders read ahead, the more requests in flight: 512 a thread (a share's
    // walk went from 2.1 s with 32 to 1.6 s), and each holds a descriptor or two: an
    // eighth of them at most.
    struct rlimit limit = {};
    const std::size_t descriptors
        = ::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY ? limit.rlim_cur : 65536;
    const std::size_t folders = std::min<std::size_t>(512 * std::size_t(threads), descriptors / 8);
    if (threads == 0 || folders == 0)
        return;
    m_readAhead = std::make_unique<TFolderReadAhead>(
        threads, folders, TFolderReadAhead::TLimits{m_limits.MaxDepth, m_limits.EntersFolder});
    // What the walk read itself (the root first) is never read again.
    for (const TFileId &id : m_visited)
        m_readAhead->Claim(id);
}

// Notes how long the walk waited to open and start reading a folder, and starts the
// read-ahead once the folders come slowly: a cold disk.
void TFolderWalker::TimeFolder(std::chrono::steady_clock::duration waited)
{
    m_waited += waited;
    if (++m_timed < FoldersTimed)
        return;
    if (m_waited > FoldersTimed * SlowFolder) {
        m_timing = false;
        StartReadAhead(TFolderReadAhead::LocalThreads);
    }
    m_timed = 0;
    m_waited = {};
}

// Makes `folder` the deepest level and reads it (from `read` when it was read ahead);
// false once the callback asked to stop.
bool TFolderWalker::Enter(TFolder folder, bool link, const TFolderRead *read, TFolderRead::TKey key)
{
    TLevel &level = m_levels.emplace_back();
    level.Key = std::move(key);
    level.Id = folder.Id();
    level.Folder = std::move(folder);
    level.Link = link;
    level.PathLength = m_path.size();
    level.NamesLength = m_names.size();
    level.FirstSubfolder = level.NextSubfolder = m_subfolders.size();
    KeepWindow();
    const bool goOn = ReadFolder(m_levels.back().Folder, read);
    m_levels.back().EndSubfolder = m_subfolders.size();
    if (goOn && m_readAhead)
        AskAhead(m_levels.back());
    return goOn;
}

// Asks for the subfolders of the deepest level to be read ahead, those not asked for
// already by the read-ahead of the level itself.
void TFolderWalker::AskAhead(const TLevel &level)
{
    if (level.FirstSubfolder == level.EndSubfolder || !level.Folder.IsOpen())
        return;
    // Not those reached through links: the folder they lead to may be walked already,
    // which only the walk knows, and each folder is read once.
    std::vector<TFolderReadAhead::TRequest> requests;
    std::vector<std::size_t> asked;
    for (std::size_t i = level.FirstSubfolder; i < level.EndSubfolder; ++i) {
        const TSubfolder &subfolder = m_subfolders[i];
        if (subfolder.Link || subfolder.Ticket != 0)
            continue;
        requests.push_back({m_names.substr(subfolder.NameStart, subfolder.NameLength), subfolder.Entry});
        asked.push_back(i);
    }
    if (requests.empty())
        return;
    const std::vector<TFolderReadAhead::TTicket> tickets
        = m_readAhead->Ask(level.Folder, level.Key, int(m_levels.size()) - 1, requests);
    for (std::size_t i = 0; i < tickets.size(); ++i)
        m_subfolders[asked[i]].Ticket = tickets[i];
}

// Ends the deepest level, its subfolders all walked, and goes back to its folder.
void TFolderWalker::Leave()
{
    const std::size_t index = m_levels.size() - 1;
    if (index > 0 && !m_levels[index - 1].Folder.IsOpen()) {
        Reopen(index - 1);
        m_lowestOpen = index - 1;
    }
    const TLevel &level = m_levels.back();
    m_subfolders.resize(level.FirstSubfolder);
    m_names.resize(level.NamesLength);
    m_levels.pop_back();
    if (!m_levels.empty())
        m_path.resize(m_levels.back().PathLength);
}

// Reads the folder once: reports its files as they come and keeps its subfolders for
// later. A folder that cannot be read holds nothing.
bool TFolderWalker::ReadFolder(const TFolder &folder, const TFolderRead *read)
{
    std::uint32_t index = 0;
    if (read && read->ReadError != EMFILE && read->ReadError != ENFILE) {
        for (; index < read->Entries.size(); ++index) {
            const TFolderRead::TEntry &entry = read->Entries[index];
            if (!TakeEntry(folder, {read->Name(entry), entry.Type}, index, &entry))
                return false;
        }
        // The rest of a huge folder, from where the descriptor it was read through stands
        // (the walk's own when it took that one over).
        const int readThrough = read->Folder.IsOpen() ? read->Folder.Fd() : folder.Fd();
        return !read->Partial || !m_reader.Start(readThrough, true) || ReadOn(folder, index);
    }
    const auto starting
        = m_timing ? std::chrono::steady_clock::now() : std::chrono::steady_clock::time_point();
    if (!m_reader.Start(folder.Fd(), folder.Readable())
        && !(OutOfDescriptors() && FreeDescriptors() && m_reader.Start(folder.Fd())))
        return true;
    TFolderEntry entry;
    bool any = m_reader.Next(entry);
    // The open and the first batch of entries tell a cold disk from a warm cache.
    if (m_timing)
        TimeFolder(m_opening + (std::chrono::steady_clock::now() - starting));
    if (any && !TakeEntry(folder, entry, index++))
        return false;
    return !any || ReadOn(folder, index);
}

// Takes the entries m_reader has still to give, the first at `index` among the folder's.
bool TFolderWalker::ReadOn(const TFolder &folder, std::uint32_t index)
{
    TFolderEntry entry;
    for (; m_reader.Next(entry); ++index) {
        if (!TakeEntry(folder, entry, index))
            return false;
    }
    return true;
}

// Reports the entry when it is a file the mask takes, or keeps it when it is a folder to
// walk (of the kind the read-ahead found when it comes with `read`); false once the
// callback asked to stop.
bool TFolderWalker::TakeEntry(
    const TFolder &folder, const TFolderEntry &entry, std::uint32_t index, const TFolderRead::TEntry *read)
{
    const TFolderReadAhead::TTicket ticket = read ? read->Ticket : 0;
    const bool hidden = entry.Name[0] == '.';
    const bool matches = m_everyName || MatchesMask(std::string(entry.Name), m_mask);
    const TEntryKind kind = hidden && !matches ? TEntryKind()
        : read && KindNeedsLook(entry)         ? read->Kind
                                               : KindOf(folder.Fd(), entry);
    if (kind.Folder && !hidden && WithinLimits(entry.Name)) {
        m_subfolders.push_back({m_names.size(), entry.Name.size(), kind.Link, index, ticket});
        m_names.append(entry.Name);
        return true;
    }
    // Asked for ahead, yet not a folder the walk enters (the tree changed meanwhile).
    if (ticket != 0)
        m_readAhead->Drop(ticket);
    if (hidden && !matches)
        return true;
    if (kind.Folder)
        return true;
    return !kind.Exists || !matches || m_callback(m_path, TScanFile{entry.Name, folder.Fd()});
}

// Whether a subfolder of the folder being read may be walked.
bool TFolderWalker::WithinLimits(std::string_view name) const
{
    const auto depth = static_cast<int>(m_levels.size()) - 1;
    if (m_limits.MaxDepth && depth >= *m_limits.MaxDepth)
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
    if (!subfolder.IsOpen() && OutOfDescriptors() && FreeDescriptors())
        subfolder = folder.OpenChild(name, link);
    return Admit(std::move(subfolder), link);
}

// The subfolder read ahead as `read`, under the rules of EnterSubfolder, or a closed
// folder when it is not to be walked.
TFolder TFolderWalker::EnterReadAhead(const TFolder &folder, TFolderRead &read, bool link)
{
    if (link && m_kinds.IsPseudo(folder))
        return {};
    return Admit(std::move(read.Folder), link);
}

// The subfolder opened, unless it is not to be walked: a link into a pseudo file
// system, or a folder walked already.
TFolder TFolderWalker::Admit(TFolder subfolder, bool link)
{
    if (!subfolder.IsOpen() || (link && m_kinds.IsPseudo(subfolder))
        || !m_visited.insert(subfolder.Id()).second)
        return {};
    return subfolder;
}

// Closes the highest level of the window once the deepest one makes it too wide. The
// root stays open: the levels closed are found again from it when need be.
void TFolderWalker::KeepWindow()
{
    const std::size_t deepest = m_levels.size() - 1;
    while (m_lowestOpen < deepest && deepest - m_lowestOpen + 1 > m_window)
        m_levels[m_lowestOpen++].Folder = TFolder();
}

// The process ran out of descriptors: holds half as many levels open from now on.
// False when there was nothing left to close.
bool TFolderWalker::ShrinkWindow()
{
    const std::size_t deepest = m_levels.size() - 1;
    if (m_lowestOpen >= deepest)
        return false;
    m_window = std::max<std::size_t>(1, (deepest - m_lowestOpen + 1) / 2);
    KeepWindow();
    return true;
}

// Lets the read-ahead know that the walk does not enter the folder it read as `read`.
void TFolderWalker::Discard(std::optional<TFolderRead> &read)
{
    if (read)
        m_readAhead->Discard(*read);
    read.reset();
}

// The process ran out of descriptors: those of the folders read ahead go first, then
// levels of the window. False when there was nothing left to close.
bool TFolderWalker::FreeDescriptors()
{
    return (m_readAhead && m_readAhead->Shrink()) || ShrinkWindow();
}

// Opens the closed level `index` again, through the ".." of the level below it when that
// leads back to the same folder (it does unless a link led down, or the tree changed
// meanwhile), else by the names from the nearest open level above. It stays closed when
// neither finds the same folder: such a folder is not walked further, like one that
// cannot be read.
void TFolderWalker::Reopen(std::size_t index)
{
    TLevel &level = m_levels[index];
    TFolder up = m_levels[index + 1].Folder.OpenChild("..", false);
    level.Folder = up.IsOpen() && up.Id() == level.Id ? std::move(up) : ReopenFromAbove(index);
}

TFolder TFolderWalker::ReopenFromAbove(std::size_t index) const
{
    std::size_t above = index;
    while (!m_levels[--above].Folder.IsOpen()) { }
    TFolder folder;
    const TFolder *from = &m_levels[above].Folder;
    for (std::size_t i = above + 1; i <= index; ++i) {
        folder = from->OpenChild(NameOf(i), m_levels[i].Link);
        if (!folder.IsOpen() || folder.Id() != m_levels[i].Id)
            return {};
        from = &folder;
    }
    return folder;
}

// The name of the folder of level `index` (not the root's).
std::string TFolderWalker::NameOf(std::size_t index) const
{
    const std::size_t start = m_levels[index - 1].PathLength;
    return m_path.substr(start, m_levels[index].PathLength - start - 1);
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
    TFolder root = TFolder::Open(path);
    if (!root.IsOpen())
        return;
    TFolderWalker walker(
        std::move(path), Mask.empty() ? std::string("*.*") : std::move(Mask), Callback, Limits);
    walker.Walk(std::move(root));
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
