#include "app/read/readahead.h"

#include <cerrno>
#include <linux/magic.h>
#include <sys/statfs.h>
#include <system_error>

#include "platform/system/folderread.h"

namespace {

// File systems whose every request waits for a round trip: NFS, SMB and CIFS, FUSE (sshfs
// and its kind), Ceph, 9p, AFS.
constexpr long NetworkMagics[]
    = {NFS_SUPER_MAGIC, SMB_SUPER_MAGIC, 0xFF534D42 /* cifs */, 0xFE534D42 /* smb2 */, 0x65735546 /* fuse */,
        0x00C36400 /* ceph */, V9FS_MAGIC, AFS_SUPER_MAGIC, 0x6B414653 /* kafs */};

// Entries read between two looks at whether to stop.
constexpr std::size_t EntriesBetweenLooks = 256;

} // namespace

TFolderReadAhead::TFolderReadAhead(unsigned threads, std::size_t maxFolders)
    : m_maxFolders(maxFolders)
{
    for (unsigned i = 0; i < threads; ++i) {
        try {
            m_threads.emplace_back([this] { Run(); });
        } catch (const std::system_error &) {
            break; // fewer threads, or none: the walk reads what none took on
        }
    }
}

TFolderReadAhead::~TFolderReadAhead()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    for (std::thread &thread : m_threads)
        thread.join();
}

unsigned TFolderReadAhead::ThreadsFor(const TFolder &folder)
{
    struct statfs info = {};
    if (::fstatfs(folder.Fd(), &info) == 0) {
        for (const long magic : NetworkMagics) {
            if (static_cast<long>(info.f_type) == magic)
                return 8;
        }
    }
    return 2;
}

std::vector<TFolderReadAhead::TTicket> TFolderReadAhead::Ask(
    const TFolder &parent, const std::vector<TRequest> &subfolders)
{
    std::vector<TTicket> tickets(subfolders.size(), 0);
    if (m_threads.empty() || subfolders.empty())
        return tickets;
    auto shared = std::make_shared<const TFolder>(parent.Duplicate());
    if (!shared->IsOpen())
        return tickets;
    {
        const std::lock_guard lock(m_mutex);
        // The new ones come first, in their order; the farthest go when there are too many.
        std::vector<TJob> jobs;
        for (std::size_t i = 0; i < subfolders.size() && i < m_maxFolders; ++i) {
            tickets[i] = m_nextTicket++;
            jobs.push_back({tickets[i], shared, subfolders[i]});
            m_slots.emplace(tickets[i], TSlot());
        }
        m_waiting.insert(m_waiting.begin(), jobs.begin(), jobs.end());
        Evict();
        for (TTicket &ticket : tickets) {
            if (ticket != 0 && m_slots.find(ticket) == m_slots.end())
                ticket = 0;
        }
    }
    m_changed.notify_all();
    return tickets;
}

// Lets the farthest waiting folders go until no more are held than allowed.
void TFolderReadAhead::Evict()
{
    while (m_slots.size() > m_maxFolders && !m_waiting.empty()) {
        m_slots.erase(m_waiting.back().Ticket);
        m_waiting.pop_back();
    }
}

std::optional<TFolderRead> TFolderReadAhead::Take(TTicket ticket)
{
    std::unique_lock lock(m_mutex);
    return TakeLocked(lock, ticket);
}

std::optional<TFolderRead> TFolderReadAhead::TakeLocked(std::unique_lock<std::mutex> &lock, TTicket ticket)
{
    const auto found = m_slots.find(ticket);
    if (found == m_slots.end())
        return std::nullopt;
    if (found->second.State == TState::Waiting) {
        // Nobody started on it: read here.
        m_slots.erase(found);
        for (auto job = m_waiting.begin(); job != m_waiting.end(); ++job) {
            if (job->Ticket == ticket) {
                const TJob mine = std::move(*job);
                m_waiting.erase(job);
                lock.unlock();
                return Read(mine);
            }
        }
        return std::nullopt;
    }
    m_changed.wait(lock, [&] { return m_slots.at(ticket).State == TState::Read; });
    const auto slot = m_slots.find(ticket);
    TFolderRead result = std::move(*slot->second.Result);
    m_bytes -= result.Names.size();
    m_slots.erase(slot);
    lock.unlock();
    m_changed.notify_all(); // room for more
    return result;
}

std::optional<TFolderRead> TFolderReadAhead::Claim(const TFileId &id)
{
    std::unique_lock lock(m_mutex);
    const auto [claim, claimed] = m_claims.try_emplace(id, 0);
    if (claimed || claim->second == 0)
        return std::nullopt;
    const TTicket ticket = claim->second;
    claim->second = 0;
    const auto slot = m_slots.find(ticket);
    // Read by a thread and let go of since: the walk reads it again.
    if (slot == m_slots.end() || slot->second.State == TState::Dropped)
        return std::nullopt;
    return TakeLocked(lock, ticket);
}

bool TFolderReadAhead::Shrink()
{
    std::size_t released = 0;
    {
        const std::lock_guard lock(m_mutex);
        released = m_waiting.size();
        for (const TJob &job : m_waiting)
            m_slots.erase(job.Ticket);
        m_waiting.clear();
        for (auto slot = m_slots.begin(); slot != m_slots.end();) {
            if (slot->second.State == TState::Read) {
                m_bytes -= slot->second.Result->Names.size();
                slot = m_slots.erase(slot);
                ++released;
            } else {
                ++slot;
            }
        }
        m_maxFolders /= 2;
    }
    m_changed.notify_all();
    return released > 0;
}

void TFolderReadAhead::Drop(TTicket ticket)
{
    {
        const std::lock_guard lock(m_mutex);
        auto slot = m_slots.find(ticket);
        if (slot == m_slots.end())
            return;
        switch (slot->second.State) {
        case TState::Waiting:
            for (auto job = m_waiting.begin(); job != m_waiting.end(); ++job) {
                if (job->Ticket == ticket) {
                    m_waiting.erase(job);
                    break;
                }
            }
            m_slots.erase(slot);
            break;
        case TState::Reading:
            slot->second.State = TState::Dropped;
            return;
        case TState::Read:
            m_bytes -= slot->second.Result->Names.size();
            m_slots.erase(slot);
            break;
        case TState::Dropped:
            return;
        }
    }
    m_changed.notify_all();
}

void TFolderReadAhead::Run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stopping || (!m_waiting.empty() && m_bytes < MaxBytes); });
        if (m_stopping)
            return;
        const TJob job = std::move(m_waiting.front());
        m_waiting.pop_front();
        m_slots.at(job.Ticket).State = TState::Reading;
        lock.unlock();
        TFolderRead result = Read(job);
        lock.lock();
        TSlot &slot = m_slots.at(job.Ticket);
        if (slot.State == TState::Dropped) {
            m_slots.erase(job.Ticket);
            m_changed.notify_all();
            continue;
        }
        m_bytes += result.Names.size();
        slot.Result = std::move(result);
        slot.State = TState::Read;
        m_changed.notify_all();
    }
}

TFolderRead TFolderReadAhead::Read(const TJob &job)
{
    TFolderRead read;
    read.Folder = job.Parent->OpenChild(job.Subfolder.Name, job.Subfolder.Link);
    if (!read.Folder.IsOpen()) {
        read.OpenError = errno;
        return read;
    }
    {
        const std::lock_guard lock(m_mutex);
        const auto [claim, claimed] = m_claims.try_emplace(read.Folder.Id(), job.Ticket);
        if (!claimed) {
            read.ReadElsewhere = true;
            return read;
        }
    }
    TFolderReader reader;
    if (!reader.Start(read.Folder.Fd(), read.Folder.Readable())) {
        read.ReadError = errno;
        return read;
    }
    TFolderEntry entry;
    for (std::size_t count = 1; reader.Next(entry); ++count) {
        read.Entries.push_back(
            {std::uint32_t(read.Names.size()), std::uint32_t(entry.Name.size()), entry.Type});
        read.Names.append(entry.Name).push_back('\0');
        // A stop comes through at once, also in the middle of a huge folder.
        if (count % EntriesBetweenLooks == 0 && m_stopping.load(std::memory_order_relaxed))
            break;
    }
    return read;
}
