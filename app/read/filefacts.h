#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/read/batchworker.h"
#include "platform/system/fd.h"
#include "platform/system/folderread.h"

// The size and last-write time of each file a read finds, looked at on a thread of its
// own while the walk goes on and while what follows the walk reads them: a read that
// needs them then takes little longer than one that does not, where looking at each
// file after the walk would add a system call per file to it.
//
// Files are looked at as TFileLook looks: each run of files of one folder relative to the
// folder, opened once by its path from the root, which also gives the folder's own time.
// (Handing over the folders the walk holds open, duplicated, was measured to cost the
// walk more than it saves: both threads then work on the same open files.)
//
// Files go to the other thread in batches, in the order they were added. The adding
// thread looks at the oldest batch itself when too many wait, so that the memory they
// hold stays bounded; once the files are all added, a reader that needs a batch not yet
// looked at takes it, or the next one waiting while the other thread finishes it, so
// that neither thread waits idle.
class TFileFacts
{
public:
    // `rootDir` is what the paths added are relative to, ending in '/'.
    explicit TFileFacts(std::string rootDir);
    // Stops at once, looking at no more files.
    ~TFileFacts();
    TFileFacts(const TFileFacts &) = delete;
    TFileFacts &operator=(const TFileFacts &) = delete;

    // The file added next, by its path relative to the root. Throws std::logic_error once
    // closed.
    void Add(std::string_view path);
    // No more files come: those added so far may be read. Further calls do nothing.
    void Close();

    // The files that may be read: all once closed, and before that those of the batches
    // handed over, so that a reader may follow the adding thread a few batches behind.
    std::size_t HandedOver() const { return m_handedOver; }
    // The file added `entry`th (from 0, below HandedOver()), std::nullopt when it was
    // gone. Waits until the file is looked at; rethrows what failed on the other thread.
    // Throws std::out_of_range for an entry that may not be read or was let go of.
    std::optional<TSizeAndTime> Of(std::size_t entry) const;
    // The size alone of the file added `entry`th, 0 when it was gone. Waits as Of.
    std::int64_t SizeOf(std::size_t entry) const;
    // The last-write time of the folder that holds the file added `entry`th, std::nullopt
    // when the folder could not be looked at. Waits as Of.
    std::optional<struct timespec> FolderTimeOf(std::size_t entry) const;
    // Lets go of what was found of the files added before `entry` (whole batches of them,
    // once looked at), for a reader that reads each file once, in order: the memory held
    // then stays that of the batches between the reader and the adding thread.
    void LetGoBefore(std::size_t entry);

    // Files looked at in one go.
    static constexpr std::size_t BatchEntries = 1024;

private:
    // A size and time in 16 bytes: a million files cost 16 MB. The time counts
    // nanoseconds from 1970, which holds the years 1678 to 2262; a time beyond those is
    // FarTime here and lies in its batch's list of far times. Size is -1 when the file
    // was gone.
    struct TFact
    {
        std::int64_t Size = -1;
        std::int64_t Nanoseconds = 0;
    };
    static constexpr std::int64_t FarTime = INT64_MIN;
    static constexpr std::int64_t NoTime = INT64_MIN + 1; // a folder not looked at
    // A time beyond the years nanoseconds hold: of the entry Key of its batch, or of
    // its folder run Key - BatchEntries.
    struct TFarTime
    {
        std::uint32_t Key = 0;
        struct timespec Time = {};
    };
    // A run of files of one folder within a batch, from its entry First on: in the
    // batch's text, the folder's path, then the names of its files.
    struct TFolderRun
    {
        std::uint32_t First = 0;
        std::uint32_t PathStart = 0;
        std::uint32_t PathLength = 0;
    };
    // What lasts of a run once looked at: where it starts, and its folder's time.
    struct TFolderTime
    {
        std::uint32_t First = 0;
        std::int64_t Nanoseconds = NoTime;
    };
    struct TBatch
    {
        // Until looked at: each run's folder path, then its names, each ending in a NUL;
        // a name lasts until Ends[entry].
        std::string Text;
        std::vector<std::uint32_t> Ends;
        std::vector<TFolderRun> Runs;
        std::size_t Count = 0; // entries, once handed over
        std::unique_ptr<TFact[]> Facts;
        std::vector<TFolderTime> FolderTimes; // one a run
        std::vector<TFarTime> FarTimes;
        std::atomic<bool> Done = false;
    };
    // Batches waiting at most while files are added: about 20 KB of names each.
    static constexpr std::size_t MaxWaiting = 32;

    void HandOver();
    void Process(TBatch &batch) const;
    void LookAt(TBatch &batch) const;
    void BeginRun(TBatch &batch, std::string_view folderPath);
    // The batch of the entry, once looked at. Throws std::out_of_range for an entry not
    // added or before the list is closed.
    const TBatch &BatchOf(std::size_t entry) const;
    void WaitFor(const TBatch &batch) const;
    static void Record(TBatch &batch, std::size_t entry, const std::optional<TSizeAndTime> &info);
    // The time as a fact holds it, a far time kept in the batch's list under `key`.
    static std::int64_t Packed(TBatch &batch, std::uint32_t key, const struct timespec &time);
    static struct timespec Unpacked(const TBatch &batch, std::uint32_t key, std::int64_t nanoseconds);

    const std::string m_rootDir;
    const TFd m_root; // the root, held open
    std::string m_runFolder; // the folder path of the last run begun
    // Every batch in the order of its entries (null once let go of); only the adding
    // thread changes the list, and only the thread that took a batch from the worker
    // writes its facts.
    std::vector<std::unique_ptr<TBatch>> m_batches;
    bool m_closed = false;
    std::size_t m_handedOver = 0; // the files of the batches handed over
    using TWorker = TBatchWorker<TBatch *>;
    // Last, so that its thread ends before the batches go.
    mutable TWorker m_worker;
};
