#include "app/read/filefacts.h"

#include <algorithm>
#include <climits>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <system_error>
#include <utility>

#include "app/read/filelist.h"
#include "app/read/filelook.h"
#include "platform/system/dirsearch.h"
#include "platform/system/fd.h"
#include "platform/system/pathopen.h"

TFileFacts::TFileFacts(std::string rootDir)
    : m_rootDir(std::move(rootDir))
    , m_root(OpenPath(m_rootDir, O_PATH | O_DIRECTORY))
    , m_worker([this](TBatch *batch) { Process(*batch); }, MaxWaiting, TWorker::TWhenFull::twWorkHere)
{ }

TFileFacts::~TFileFacts() = default;

void TFileFacts::Add(std::string_view path)
{
    if (m_closed)
        throw std::logic_error("TFileFacts: no file can be added once closed");
    const bool newBatch = m_batches.empty() || m_batches.back()->Ends.size() == BatchEntries;
    if (newBatch) {
        if (!m_batches.empty())
            HandOver();
        TBatch &added = *m_batches.emplace_back(std::make_unique<TBatch>());
        // Room for names of a usual length at once: batches then take blocks of one size,
        // which those let go of serve again.
        added.Text.reserve(BatchEntries * 24);
        added.Ends.reserve(BatchEntries);
    }
    TBatch &batch = *m_batches.back();
    const std::string_view folderPath = FolderPartOf(path);
    if (newBatch || folderPath != m_runFolder)
        BeginRun(batch, folderPath);
    batch.Text.append(path.substr(folderPath.size())).push_back('\0');
    batch.Ends.push_back(static_cast<std::uint32_t>(batch.Text.size()));
}

// Begins a run of files of the folder in the batch.
void TFileFacts::BeginRun(TBatch &batch, std::string_view folderPath)
{
    m_runFolder.assign(folderPath);
    TFolderRun &run = batch.Runs.emplace_back();
    run.First = static_cast<std::uint32_t>(batch.Ends.size());
    run.PathStart = static_cast<std::uint32_t>(batch.Text.size());
    run.PathLength = static_cast<std::uint32_t>(folderPath.size());
    batch.Text.append(folderPath);
}

// Hands the batch being filled to the other thread, which takes the oldest batch here
// when too many wait.
void TFileFacts::HandOver()
{
    TBatch *batch = m_batches.back().get();
    batch->Count = batch->Ends.size();
    m_handedOver += batch->Count;
    // Made here, so that what lasts comes from this thread's heap: another thread's
    // would keep a second heap's room.
    batch->Facts = std::make_unique<TFact[]>(batch->Count);
    m_worker.HandOver(batch);
}

void TFileFacts::Close()
{
    if (m_closed)
        return;
    m_closed = true;
    if (!m_batches.empty())
        HandOver();
    m_worker.Close();
}

void TFileFacts::Process(TBatch &batch) const
{
    LookAt(batch);
    batch.Done.store(true, std::memory_order_release);
}

// Returns once the batch is looked at: takes it when it still waits, or else looks at
// the batches waiting after it while the other thread finishes it.
void TFileFacts::WaitFor(const TBatch &batch) const
{
    m_worker.HelpUntil([&batch] { return batch.Done.load(std::memory_order_acquire); },
        [&batch](TBatch *const &waiting) { return waiting == &batch; });
}

namespace {

constexpr std::int64_t Billion = 1'000'000'000;

} // namespace

std::int64_t TFileFacts::Packed(TBatch &batch, std::uint32_t key, const struct timespec &time)
{
    std::int64_t nanoseconds = 0;
    if (__builtin_mul_overflow(static_cast<std::int64_t>(time.tv_sec), Billion, &nanoseconds)
        || __builtin_add_overflow(nanoseconds, time.tv_nsec, &nanoseconds) || nanoseconds == FarTime
        || nanoseconds == NoTime) {
        batch.FarTimes.push_back({key, time});
        return FarTime;
    }
    return nanoseconds;
}

struct timespec TFileFacts::Unpacked(const TBatch &batch, std::uint32_t key, std::int64_t nanoseconds)
{
    if (nanoseconds == FarTime) {
        return std::find_if(batch.FarTimes.begin(), batch.FarTimes.end(), [key](const TFarTime &far) {
            return far.Key == key;
        })->Time;
    }
    // Rounded down, also before 1970.
    std::int64_t seconds = nanoseconds / Billion;
    nanoseconds %= Billion;
    if (nanoseconds < 0) {
        nanoseconds += Billion;
        --seconds;
    }
    struct timespec time = {};
    time.tv_sec = static_cast<time_t>(seconds);
    time.tv_nsec = static_cast<long>(nanoseconds);
    return time;
}

// Keeps the size and time looked at as the batch's entry, which stays gone when nothing
// was.
void TFileFacts::Record(TBatch &batch, std::size_t entry, const std::optional<TSizeAndTime> &info)
{
    if (!info)
        return;
    TFact &fact = batch.Facts[entry];
    fact.Size = info->Size;
    fact.Nanoseconds = Packed(batch, static_cast<std::uint32_t>(entry), info->ModTime);
}

// Looks at the files of the batch, each run of one folder's files relative to the
// folder (TFileLook). The names and runs are let go once looked at.
void TFileFacts::LookAt(TBatch &batch) const
{
    const std::size_t count = batch.Count;
    const char *text = batch.Text.data();
    TFileLook look(m_rootDir, m_root);
    batch.FolderTimes.reserve(batch.Runs.size());
    for (std::size_t r = 0; r < batch.Runs.size() && !m_worker.Cancelled(); ++r) {
        const TFolderRun &run = batch.Runs[r];
        const std::size_t end = r + 1 < batch.Runs.size() ? batch.Runs[r + 1].First : count;
        TFolderTime &folderTime = batch.FolderTimes.emplace_back();
        folderTime.First = run.First;
        if (const auto time = look.EnterFolder(std::string_view(text + run.PathStart, run.PathLength)))
            folderTime.Nanoseconds = Packed(batch, static_cast<std::uint32_t>(BatchEntries + r), *time);
        std::size_t start = run.PathStart + run.PathLength;
        for (std::size_t i = run.First; i < end; ++i) {
            const char *name = text + start;
            start = batch.Ends[i];
            Record(batch, i, look.File(name));
        }
    }
    // Assigning an empty string would keep the room.
    std::string().swap(batch.Text);
    std::vector<std::uint32_t>().swap(batch.Ends);
    std::vector<TFolderRun>().swap(batch.Runs);
}

const TFileFacts::TBatch &TFileFacts::BatchOf(std::size_t entry) const
{
    if (entry >= HandedOver() || !m_batches[entry / BatchEntries])
        throw std::out_of_range("TFileFacts: no file added as that entry, or let go of");
    const TBatch &batch = *m_batches[entry / BatchEntries];
    WaitFor(batch);
    return batch;
}

void TFileFacts::LetGoBefore(std::size_t entry)
{
    for (std::size_t b = 0; b < m_batches.size() && (b + 1) * BatchEntries <= entry; ++b) {
        if (m_batches[b] && (b + 1) * BatchEntries <= HandedOver()) {
            WaitFor(*m_batches[b]);
            m_batches[b].reset();
        }
    }
}

std::optional<TSizeAndTime> TFileFacts::Of(std::size_t entry) const
{
    const TBatch &batch = BatchOf(entry);
    const auto within = static_cast<std::uint32_t>(entry % BatchEntries);
    const TFact &fact = batch.Facts[within];
    if (fact.Size < 0)
        return std::nullopt;
    return TSizeAndTime{fact.Size, Unpacked(batch, within, fact.Nanoseconds)};
}

std::int64_t TFileFacts::SizeOf(std::size_t entry) const
{
    const std::int64_t size = BatchOf(entry).Facts[entry % BatchEntries].Size;
    return size < 0 ? 0 : size;
}

std::optional<struct timespec> TFileFacts::FolderTimeOf(std::size_t entry) const
{
    const TBatch &batch = BatchOf(entry);
    const auto within = static_cast<std::uint32_t>(entry % BatchEntries);
    const auto after = std::upper_bound(batch.FolderTimes.begin(), batch.FolderTimes.end(), within,
        [](std::uint32_t at, const TFolderTime &time) { return at < time.First; });
    // A run the thread stopped before has no time.
    if (after == batch.FolderTimes.begin() || std::prev(after)->Nanoseconds == NoTime)
        return std::nullopt;
    const auto run = static_cast<std::uint32_t>(after - batch.FolderTimes.begin() - 1);
    return Unpacked(batch, static_cast<std::uint32_t>(BatchEntries) + run, std::prev(after)->Nanoseconds);
}
