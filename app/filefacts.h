#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/system/folderread.h"

// The size and last-write time of each file a read finds, looked at on a thread of its
// own while the walk goes on: a read that needs them then takes little longer than one
// that does not, where looking at each file after the walk would add a system call per
// file to it.
//
// Files are looked at as SizeAndTimeAt looks: through a link, or the link itself when it
// leads nowhere. Each run of files of one folder is looked at relative to the folder,
// opened once by its path, which also gives the folder's own time. (Handing over the
// folders the walk holds open, duplicated, costs the walk more than it saves: the
// descriptor table is shared between the threads.) The adding thread takes on batches
// itself when the other falls behind, and at the end, so that neither waits idle for
// the other; the batches waiting, and so the memory, stay bounded.
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
    // finished.
    void Add(std::string_view path);
    // Waits until every file added is looked at, taking its share of them; rethrows what
    // failed on the other thread. Further calls do nothing.
    void Finish();

    // Once finished: the file added `entry`th (from 0), std::nullopt when it was gone.
    std::optional<TSizeAndTime> Of(std::size_t entry) const;
    // Once finished: the last-write time of the folder that holds the file added
    // `entry`th, std::nullopt when the folder could not be looked at.
    std::optional<struct timespec> FolderTimeOf(std::size_t entry) const;

    // Files looked at in one go.
    static constexpr std::size_t BatchEntries = 1024;

private:
    // A size and time; Nanoseconds below 0 when the file was gone.
    struct TFact
    {
        std::int64_t Size = 0;
        std::int64_t Seconds = 0;
        std::int32_t Nanoseconds = -1;
    };
    // A run of files of one folder within a batch, from its entry First on.
    struct TFolderRun
    {
        std::uint32_t First = 0;
        std::uint32_t PathLength = 0; // of the folder's path, the names' start
        TFact Time;
    };
    struct TBatch
    {
        std::string Paths; // end to end, until looked at
        std::vector<std::uint32_t> Ends;
        std::size_t Count = 0; // entries looked at
        std::unique_ptr<TFact[]> Facts;
        std::vector<TFolderRun> Folders;
    };
    static constexpr std::size_t MaxWaiting = 2;

    void HandOver();
    TBatch *TakeWaiting();
    void Run();
    void LookAt(TBatch &batch);
    void BeginRun(TBatch &batch, std::string_view folderPath);
    // Throws std::out_of_range for an entry not looked at.
    const TBatch &BatchOf(std::size_t entry) const;
    static std::optional<TSizeAndTime> SizeAndTimeOf(const TFact &fact);

    const std::string m_rootDir;
    std::string m_runFolder; // the folder path of the last run begun
    // Every batch in the order of its entries; only the adding thread changes the list,
    // and only the thread that took a batch from m_waiting writes its facts.
    std::vector<std::unique_ptr<TBatch>> m_batches;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<TBatch *> m_waiting;
    bool m_closing = false;
    bool m_finished = false;
    std::atomic<bool> m_cancelled = false;
    std::exception_ptr m_failure;
    std::thread m_thread; // started with the first batch, unless it cannot start
    bool m_threadTried = false;
};
