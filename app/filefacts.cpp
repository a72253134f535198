#include "app/filefacts.h"

#include <algorithm>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <system_error>
#include <utility>

#include "platform/system/dirsearch.h"
#include "platform/system/fd.h"
#include "platform/system/pathopen.h"

TFileFacts::TFileFacts(std::string rootDir)
    : m_rootDir(std::move(rootDir))
{ }

TFileFacts::~TFileFacts()
{
    if (!m_thread.joinable())
        return;
    {
        const std::lock_guard lock(m_mutex);
        m_cancelled = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void TFileFacts::Add(std::string_view path)
{
    if (m_finished)
        throw std::logic_error("TFileFacts: no file can be added once finished");
    const bool newBatch = m_batches.empty() || m_batches.back()->Ends.size() == BatchEntries;
    if (newBatch) {
        if (!m_batches.empty())
            HandOver();
        m_batches.push_back(std::make_unique<TBatch>());
    }
    TBatch &batch = *m_batches.back();
    const auto delim = path.rfind(PathDelim);
    const std::string_view folderPath = path.substr(0, delim == std::string_view::npos ? 0 : delim + 1);
    if (newBatch || folderPath != m_runFolder)
        BeginRun(batch, folderPath);
    batch.Paths.append(path);
    batch.Ends.push_back(static_cast<std::uint32_t>(batch.Paths.size()));
}

// Begins a run of files of the folder in the batch.
void TFileFacts::BeginRun(TBatch &batch, std::string_view folderPath)
{
    m_runFolder.assign(folderPath);
    TFolderRun &run = batch.Folders.emplace_back();
    run.First = static_cast<std::uint32_t>(batch.Ends.size());
    run.PathLength = static_cast<std::uint32_t>(folderPath.size());
}

// Hands the batch being filled to the other thread, starting it for the first batch, or
// looks at it here when that thread cannot start; looks at the oldest batch here when
// too many wait.
void TFileFacts::HandOver()
{
    if (!m_threadTried) {
        m_threadTried = true;
        try {
            m_thread = std::thread([this] { Run(); });
        } catch (const std::system_error &) { }
    }
    TBatch *batch = m_batches.back().get();
    if (!m_thread.joinable()) {
        LookAt(*batch);
        return;
    }
    {
        const std::lock_guard lock(m_mutex);
        m_waiting.push_back(batch);
        batch = m_waiting.size() > MaxWaiting ? TakeWaiting() : nullptr;
    }
    m_changed.notify_all();
    if (batch)
        LookAt(*batch);
}

// The oldest batch waiting, taken off the queue; m_mutex is held.
TFileFacts::TBatch *TFileFacts::TakeWaiting()
{
    TBatch *batch = m_waiting.front();
    m_waiting.pop_front();
    return batch;
}

void TFileFacts::Finish()
{
    if (m_finished)
        return;
    m_finished = true;
    if (!m_batches.empty())
        HandOver();
    {
        const std::lock_guard lock(m_mutex);
        m_closing = true;
    }
    m_changed.notify_all();
    for (;;) {
        TBatch *batch = nullptr;
        {
            const std::lock_guard lock(m_mutex);
            if (m_waiting.empty() || m_failure)
                break;
            batch = TakeWaiting();
        }
        LookAt(*batch);
    }
    if (m_thread.joinable())
        m_thread.join();
    if (m_failure)
        std::rethrow_exception(m_failure);
}

void TFileFacts::Run()
{
    try {
        for (;;) {
            TBatch *batch = nullptr;
            {
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock, [this] { return !m_waiting.empty() || m_closing || m_cancelled; });
                if (m_cancelled || m_waiting.empty())
                    return;
                batch = TakeWaiting();
            }
            LookAt(*batch);
        }
    } catch (...) {
        const std::lock_guard lock(m_mutex);
        m_failure = std::current_exception();
    }
}

namespace {

// Keeps the size and time looked at in `fact`, which stays as it is (gone) when
// nothing was.
template <typename TFact, typename TInfo> void Record(TFact &fact, const std::optional<TInfo> &info)
{
    if (!info)
        return;
    fact.Size = info->Size;
    fact.Seconds = info->ModTime.tv_sec;
    fact.Nanoseconds = static_cast<std::int32_t>(info->ModTime.tv_nsec);
}

} // namespace

// Looks at the files of the batch, each run of one folder's files relative to the
// folder, opened once; a file whose folder cannot be opened is looked at by its path.
// The paths are let go once looked at.
void TFileFacts::LookAt(TBatch &batch)
{
    const std::size_t count = batch.Ends.size();
    batch.Count = count;
    batch.Facts = std::make_unique<TFact[]>(count);
    const std::string_view paths = batch.Paths;
    std::string name;
    std::uint32_t start = 0;
    for (std::size_t r = 0; r < batch.Folders.size() && !m_cancelled.load(std::memory_order_relaxed); ++r) {
        TFolderRun &run = batch.Folders[r];
        const std::size_t end = r + 1 < batch.Folders.size() ? batch.Folders[r + 1].First : count;
        const std::string folderPath(paths.substr(start, run.PathLength));
        const TFd folder(OpenPath(m_rootDir + folderPath, O_PATH | O_DIRECTORY));
        struct stat st;
        if (folder && ::fstat(folder.Get(), &st) == 0)
            Record(run.Time, std::optional<TSizeAndTime>({0, st.st_mtim}));
        for (std::size_t i = run.First; i < end; ++i) {
            const std::string_view path = paths.substr(start, batch.Ends[i] - start);
            start = batch.Ends[i];
            name.assign(path.substr(run.PathLength));
            if (folder)
                Record(batch.Facts[i], SizeAndTimeAt(folder.Get(), name.c_str()));
            else
                Record(batch.Facts[i], EntryInfoAt(m_rootDir + std::string(path)));
        }
    }
    // Assigning an empty string would keep the room.
    std::string().swap(batch.Paths);
    std::vector<std::uint32_t>().swap(batch.Ends);
}

std::optional<TSizeAndTime> TFileFacts::SizeAndTimeOf(const TFact &fact)
{
    if (fact.Nanoseconds < 0)
        return std::nullopt;
    TSizeAndTime info;
    info.Size = fact.Size;
    info.ModTime.tv_sec = static_cast<time_t>(fact.Seconds);
    info.ModTime.tv_nsec = fact.Nanoseconds;
    return info;
}

const TFileFacts::TBatch &TFileFacts::BatchOf(std::size_t entry) const
{
    if (!m_finished || entry / BatchEntries >= m_batches.size()
        || entry % BatchEntries >= m_batches[entry / BatchEntries]->Count)
        throw std::out_of_range("TFileFacts: no file looked at as that entry");
    return *m_batches[entry / BatchEntries];
}

std::optional<TSizeAndTime> TFileFacts::Of(std::size_t entry) const
{
    return SizeAndTimeOf(BatchOf(entry).Facts[entry % BatchEntries]);
}

std::optional<struct timespec> TFileFacts::FolderTimeOf(std::size_t entry) const
{
    const std::vector<TFolderRun> &runs = BatchOf(entry).Folders;
    const auto within = static_cast<std::uint32_t>(entry % BatchEntries);
    const auto after = std::upper_bound(runs.begin(), runs.end(), within,
        [](std::uint32_t at, const TFolderRun &run) { return at < run.First; });
    const auto info = SizeAndTimeOf(std::prev(after)->Time);
    return info ? std::optional<struct timespec>(info->ModTime) : std::nullopt;
}
