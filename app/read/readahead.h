#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "app/read/entrykind.h"
#include "platform/system/dirsearch.h"

// A subfolder opened and read: its entries in the file system's order, "." and ".." left
// out, each with the type the folder lists for it, and links and entries of unknown type
// looked at.
struct TFolderRead
{
    struct TEntry
    {
        std::uint32_t NameStart = 0; // in Names, where the name ends in a NUL
        std::uint32_t NameLength = 0;
        unsigned char Type = 0;
        TEntryKind Kind; // looked at where the type does not tell (KindNeedsLook)
        std::uint64_t Ticket = 0; // a subfolder already asked for: TFolderReadAhead's ticket
    };
    // Where the folder lies in a depth-first walk: the places of the folders leading to
    // it among their folders' entries (a folder's subfolders lie after it and before
    // whatever follows it).
    using TKey = std::vector<std::uint32_t>;

    TKey Key;
    TFolder Folder; // not open when it could not be opened
    int OpenError = 0; // errno of the failed open
    bool ReadElsewhere = false; // the folder was read (or is being read) by another name
    int ReadError = 0; // errno when its entries could not be read at all
    // Only the first entries were read, the folder being huge: Folder reads on from
    // the next one.
    bool Partial = false;
    std::string Names;
    std::vector<TEntry> Entries;

    std::string_view Name(const TEntry &entry) const
    {
        return {Names.data() + entry.NameStart, entry.NameLength};
    }
};

// Opens and reads the subfolders a walk is about to enter on a few threads of its own,
// ahead of the walk, so that on a network share or a cold disk many folders are asked
// for at once instead of one after the other. The walk asks for the subfolders of each
// folder it reads itself, and each folder read here asks for its own subfolders (those
// the walk enters: not hidden, within `limits`, not reached through a link); the walk
// takes each when it enters it. The folders nearest in the walk's depth-first order are
// read first.
//
// Bounded: at most `maxFolders` folders asked for and not yet taken (the farthest go when
// more are asked for; the walk then reads those itself), at most MaxBytes read ahead and
// FolderBytes of one folder (the walk reads the rest of a huge one). Destroyed, it stops
// at once.
class TFolderReadAhead
{
public:
    using TTicket = std::uint64_t; // 0: not asked for
    static constexpr std::size_t MaxBytes = 64 * 1024 * 1024;
    static constexpr std::size_t FolderBytes = 256 * 1024;
    // What a folder read holds in memory.
    static std::size_t BytesOf(const TFolderRead &read)
    {
        return read.Names.size() + read.Entries.size() * sizeof(TFolderRead::TEntry);
    }

    // Which subfolders the walk enters beyond being visible and no link: below MaxDepth
    // (the root at 0), and those EntersFolder takes (asked from several threads at once).
    struct TLimits
    {
        std::optional<int> MaxDepth;
        std::function<bool(std::string_view name)> EntersFolder;
    };

    TFolderReadAhead(unsigned threads, std::size_t maxFolders, TLimits limits);
    ~TFolderReadAhead();
    TFolderReadAhead(const TFolderReadAhead &) = delete;
    TFolderReadAhead &operator=(const TFolderReadAhead &) = delete;

    // A subfolder to ask for: its name in the parent, and its place among the parent's
    // entries.
    struct TRequest
    {
        std::string Name;
        std::uint32_t Entry = 0;
    };
    // Asks for the subfolders of `parent`, which lies at `key` and `depth` of the walk;
    // answers a ticket for each, 0 for those not taken on.
    std::vector<TTicket> Ask(const TFolder &parent, const TFolderRead::TKey &key, int depth,
        const std::vector<TRequest> &subfolders);
    // The folder of `ticket`, read: waits while a thread reads it, reads it here when no
    // thread has started on it; std::nullopt when it is no longer held (the walk then
    // opens and reads it itself).
    std::optional<TFolderRead> Take(TTicket ticket);
    // The walk does not enter the folder of `ticket`.
    void Drop(TTicket ticket);
    // The walk does not enter the folder it took as `read`: the subfolders asked for
    // from it go too.
    void Discard(const TFolderRead &read);
    // The walk is about to read the folder `id` itself (reached through a link, or not
    // asked for): answers the read of a thread that took it on by another name, waiting
    // for it; else keeps every thread from reading it from now on.
    std::optional<TFolderRead> Claim(const TFileId &id);
    // The process ran out of descriptors: lets go of every folder read and waiting, and
    // holds half as many from now on. False when it held none.
    bool Shrink();

    // The threads to read ahead with from the start: VANTREL_READ_AHEAD_THREADS when set,
    // eight on a network file system; none on a local one, where the walk starts alone
    // and takes LocalThreads once its folders prove slow to read (a cold disk).
    static std::optional<unsigned> ThreadsFor(const TFolder &folder);
    static constexpr unsigned LocalThreads = 4;

private:
    struct TJob
    {
        TTicket Ticket = 0;
        std::shared_ptr<const TFolder> Parent; // through a descriptor of its own
        std::string Name;
        TFolderRead::TKey Key;
        int Depth = 0;
    };
    enum class TState
    {
        Waiting,
        Reading,
        Read,
        Dropped, // being read, then thrown away
    };
    struct TSlot
    {
        TState State = TState::Waiting;
        std::optional<TFolderRead> Result;
    };

    // The entries of a folder being read that need a look (links, unknown types), shared
    // out among the threads when there are many: on a share each look waits for a round
    // trip, and a folder of a thousand links would keep the walk waiting for one thread.
    struct TLooks
    {
        int FolderFd = -1;
        TFolderRead *Read = nullptr;
        std::vector<std::uint32_t> Entries;
        std::size_t Next = 0; // the first not taken yet; with m_mutex held
        std::size_t Busy = 0; // batches being looked at by other threads; with m_mutex held
    };
    static constexpr std::size_t LooksPerBatch = 32;

    void Run();
    void WakeFor(std::size_t jobs);
    TFolderRead Read(const TJob &job);
    void LookAtEntries(TFolderRead &read);
    // Takes the next batch of `looks` (m_mutex held): its range in looks.Entries, empty
    // when all were taken.
    std::pair<std::size_t, std::size_t> TakeLooks(TLooks &looks);
    static void Look(const TLooks &looks, std::pair<std::size_t, std::size_t> batch);
    void AskForSubfolders(const TJob &job, TFolderRead &read);
    // Drop and Discard with m_mutex held.
    void DropLocked(TTicket ticket);
    void DiscardLocked(const TFolderRead &read);
    // Puts the jobs among those waiting by their keys, and lets the farthest go past the
    // bound; m_mutex is held.
    void Queue(std::vector<TJob> jobs);
    std::optional<TFolderRead> TakeLocked(std::unique_lock<std::mutex> &lock, TTicket ticket);

    std::size_t m_maxFolders;
    const TLimits m_limits;
    std::mutex m_mutex;
    std::condition_variable m_work; // for the threads: folders to read, looks to take, or a stop
    std::condition_variable m_done; // for those waiting: a folder read, a batch of looks done
    std::deque<TJob> m_waiting; // the nearest first
    std::deque<TLooks *> m_looks; // with batches not taken yet, the oldest first
    std::unordered_map<TTicket, TSlot> m_slots; // every folder asked for and not taken
    // Every folder a thread read, by device and inode, with its ticket; 0 for those the
    // walk read itself. A folder is read once, whatever names lead to it.
    std::unordered_map<TFileId, TTicket, TFileIdHash> m_claims;
    std::size_t m_bytes = 0; // of the folders read and not taken
    TTicket m_nextTicket = 1;
    std::atomic<bool> m_stopping = false;
    std::vector<std::thread> m_threads;
};
