#include "app/filefacts.h"

#include <algorithm>
#include <climits>
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
    , m_root(OpenPath(m_rootDir, O_PATH | O_DIRECTORY))
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
    if (m_closed)
        throw std::logic_error("TFileFacts: no file can be added once closed");
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
    batch->Count = batch->Ends.size();
    // Made here, so that what lasts comes from this thread's heap: another thread's
    // would keep a second heap's room.
    batch->Facts = std::make_unique<TFact[]>(batch->Count);
    if (!m_thread.joinable()) {
        Process(*batch);
        return;
    }
    {
        const std::lock_guard lock(m_mutex);
        m_waiting.push_back(batch);
        batch = m_waiting.size() > MaxWaiting ? TakeWaiting() : nullptr;
    }
    m_changed.notify_all();
    if (batch)
        Process(*batch);
}

// The oldest batch waiting, taken off the queue; m_mutex is held.
TFileFacts::TBatch *TFileFacts::TakeWaiting() const
{
    TBatch *batch = m_waiting.front();
    m_waiting.pop_front();
    return batch;
}

void TFileFacts::Close()
{
    if (m_closed)
        return;
    m_closed = true;
    if (!m_batches.empty())
        HandOver();
    {
        const std::lock_guard lock(m_mutex);
        m_closing = true;
    }
    m_changed.notify_all();
}

void TFileFacts::Finish()
{
    Close();
    for (const auto &batch : m_batches)
        WaitFor(*batch);
}

void TFileFacts::Run() const
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
            Process(*batch);
        }
    } catch (...) {
        {
            const std::lock_guard lock(m_mutex);
            m_failure = std::current_exception();
        }
        m_changed.notify_all();
    }
}

// Looks at the batch and tells whoever waits for it.
void TFileFacts::Process(TBatch &batch) const
{
    LookAt(batch);
    {
        const std::lock_guard lock(m_mutex);
        batch.Done.store(true, std::memory_order_release);
    }
    m_changed.notify_all();
}

// Returns once the batch is looked at: takes it when it still waits, or else looks at
// the batches waiting after it while the other thread finishes it.
void TFileFacts::WaitFor(const TBatch &batch) const
{
    if (batch.Done.load(std::memory_order_acquire))
        return;
    std::unique_lock lock(m_mutex);
    while (!batch.Done.load(std::memory_order_acquire)) {
        TBatch *next = nullptr;
        const auto waiting = std::find(m_waiting.begin(), m_waiting.end(), &batch);
        if (waiting != m_waiting.end()) {
            next = *waiting;
            m_waiting.erase(waiting);
        } else if (m_failure) {
            std::rethrow_exception(m_failure);
        } else if (!m_waiting.empty()) {
            next = TakeWaiting();
        }
        if (!next) {
            m_changed.wait(lock);
            continue;
        }
        lock.unlock();
        Process(*next);
        lock.lock();
    }
}

namespace {

constexpr std::int64_t Billion = 1'000'000'000;

} // namespace

// Keeps the size and time looked at as the batch's entry, which stays gone when nothing
// was.
template <typename TInfo>
void TFileFacts::Record(TBatch &batch, std::size_t entry, const std::optional<TInfo> &info)
{
    if (!info)
        return;
    TFact &fact = batch.Facts[entry];
    fact.Size = info->Size;
    std::int64_t nanoseconds = 0;
    if (__builtin_mul_overflow(static_cast<std::int64_t>(info->ModTime.tv_sec), Billion, &nanoseconds)
        || __builtin_add_overflow(nanoseconds, info->ModTime.tv_nsec, &nanoseconds)
        || nanoseconds == FarTime) {
        fact.Nanoseconds = FarTime;
        batch.FarTimes.push_back({static_cast<std::uint32_t>(entry), info->ModTime});
    } else {
        fact.Nanoseconds = nanoseconds;
    }
}

// Looks at the files of the batch, each run of one folder's files relative to the
// folder, opened once; a file whose folder cannot be opened is looked at by its path.
// The paths are let go once looked at.
void TFileFacts::LookAt(TBatch &batch) const
{
    const std::size_t count = batch.Count;
    const std::string_view paths = batch.Paths;
    std::string name;
    std::uint32_t start = 0;
    for (std::size_t r = 0; r < batch.Folders.size() && !m_cancelled.load(std::memory_order_relaxed); ++r) {
        TFolderRun &run = batch.Folders[r];
        const std::size_t end = r + 1 < batch.Folders.size() ? batch.Folders[r + 1].First : count;
        const TFd folder = OpenFolder(std::string(paths.substr(start, run.PathLength)));
        struct stat st;
        if (folder && ::fstat(folder.Get(), &st) == 0)
            run.Time = st.st_mtim;
        for (std::size_t i = run.First; i < end; ++i) {
            const std::string_view path = paths.substr(start, batch.Ends[i] - start);
            start = batch.Ends[i];
            name.assign(path.substr(run.PathLength));
            if (folder)
                Record(batch, i, SizeAndTimeAt(folder.Get(), name.c_str()));
            else
                Record(batch, i, EntryInfoAt(m_rootDir + std::string(path)));
        }
    }
    // Assigning an empty string would keep the room.
    std::string().swap(batch.Paths);
    std::vector<std::uint32_t>().swap(batch.Ends);
}

// The folder at the path relative to the root: relative to the root held open, which
// saves looking up the root's own path each time, where the path is short enough.
TFd TFileFacts::OpenFolder(const std::string &path) const
{
    constexpr int Flags = O_PATH | O_DIRECTORY | O_CLOEXEC;
    if (m_root && path.empty())
        return TFd(::openat(m_root.Get(), ".", Flags));
    if (m_root && path.size() < PATH_MAX)
        return TFd(::openat(m_root.Get(), path.c_str(), Flags));
    return TFd(OpenPath(m_rootDir + path, O_PATH | O_DIRECTORY));
}

const TFileFacts::TBatch &TFileFacts::BatchOf(std::size_t entry) const
{
    if (!m_closed || entry / BatchEntries >= m_batches.size()
        || entry % BatchEntries >= m_batches[entry / BatchEntries]->Count)
        throw std::out_of_range("TFileFacts: no file added as that entry");
    const TBatch &batch = *m_batches[entry / BatchEntries];
    WaitFor(batch);
    return batch;
}

std::optional<TSizeAndTime> TFileFacts::Of(std::size_t entry) const
{
    const TBatch &batch = BatchOf(entry);
    const auto within = static_cast<std::uint32_t>(entry % BatchEntries);
    const TFact &fact = batch.Facts[within];
    if (fact.Size < 0)
        return std::nullopt;
    TSizeAndTime info;
    info.Size = fact.Size;
    if (fact.Nanoseconds == FarTime) {
        const auto far = std::lower_bound(batch.FarTimes.begin(), batch.FarTimes.end(), within,
            [](const TFarTime &time, std::uint32_t at) { return time.Entry < at; });
        info.ModTime = far->Time;
        return info;
    }
    // Rounded down, also before 1970.
    std::int64_t seconds = fact.Nanoseconds / Billion;
    std::int64_t nanoseconds = fact.Nanoseconds % Billion;
    if (nanoseconds < 0) {
        nanoseconds += Billion;
        --seconds;
    }
    info.ModTime.tv_sec = static_cast<time_t>(seconds);
    info.ModTime.tv_nsec = static_cast<long>(nanoseconds);
    return info;
}

std::optional<struct timespec> TFileFacts::FolderTimeOf(std::size_t entry) const
{
    const std::vector<TFolderRun> &runs = BatchOf(entry).Folders;
    const auto within = static_cast<std::uint32_t>(entry % BatchEntries);
    const auto after = std::upper_bound(runs.begin(), runs.end(), within,
        [](std::uint32_t at, const TFolderRun &run) { return at < run.First; });
    return std::prev(after)->Time;
}
