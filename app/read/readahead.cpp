#include "app/read/readahead.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
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

TFolderReadAhead::TFolderReadAhead(unsigned threads, std::size_t maxFolders, TLimits limits)
    : m_maxFolders(maxFolders)
    , m_limits(std::move(limits))
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
    m_work.notify_all();
    m_done.notify_all();
    for (std::thread &thread : m_threads)
        thread.join();
}

std::optional<unsigned> TFolderReadAhead::ThreadsFor(const TFolder &folder)
{
    // VANTREL_READ_AHEAD_THREADS sets the number, for measures and for file systems
    // that answer better otherwise (0: no read-ahead).
    if (const char *set = std::getenv("VANTREL_READ_AHEAD_THREADS"); set && *set) {
        char *end = nullptr;
        const unsigned long threads = std::strtoul(set, &end, 10);
        if (*end == '\0')
            return unsigned(std::min(threads, 64UL));
    }
    // On a network every request waits for a round trip: eight threads keep eight in
    // flight (sixteen measured no better over sshfs). On a local disk with its cache warm
    // the walk reads faster alone: handing folders between threads cost a read of six
    // copies of /usr 70 % more.
    struct statfs info = {};
    if (::fstatfs(folder.Fd(), &info) == 0) {
        for (const long magic : NetworkMagics) {
            if (static_cast<long>(info.f_type) == magic)
                return 8;
        }
    }
    return std::nullopt;
}

std::vector<TFolderReadAhead::TTicket> TFolderReadAhead::Ask(
    const TFolder &parent, const TFolderRead::TKey &key, int depth, const std::vector<TRequest> &subfolders)
{
    std::vector<TTicket> tickets(subfolders.size(), 0);
    if (m_threads.empty() || subfolders.empty())
        return tickets;
    auto shared = std::make_shared<const TFolder>(parent.Duplicate());
    if (!shared->IsOpen())
        return tickets;
    {
        const std::lock_guard lock(m_mutex);
        std::vector<TJob> jobs;
        for (std::size_t i = 0; i < subfolders.size(); ++i) {
            TJob &job = jobs.emplace_back();
            job.Ticket = tickets[i] = m_nextTicket++;
            job.Parent = shared;
            job.Name = subfolders[i].Name;
            job.Key = key;
            job.Key.push_back(subfolders[i].Entry);
            job.Depth = depth + 1;
        }
        Queue(std::move(jobs));
        for (TTicket &ticket : tickets) {
            if (m_slots.find(ticket) == m_slots.end())
                ticket = 0;
        }
    }
    WakeFor(tickets.size());
    return tickets;
}

void TFolderReadAhead::Queue(std::vector<TJob> jobs)
{
    for (TJob &job : jobs) {
        m_slots.emplace(job.Ticket, TSlot());
        const auto place = std::upper_bound(m_waiting.begin(), m_waiting.end(), job.Key,
            [](const TFolderRead::TKey &key, const TJob &waiting) { return key < waiting.Key; });
        m_waiting.insert(place, std::move(job));
    }
    // The farthest go.
    while (m_slots.size() > m_maxFolders && !m_waiting.empty()) {
        m_slots.erase(m_waiting.back().Ticket);
        m_waiting.pop_back();
    }
}

// Wakes as many threads as there are new jobs (they share the rest once done).
void TFolderReadAhead::WakeFor(std::size_t jobs)
{
    if (jobs >= m_threads.size()) {
        m_work.notify_all();
        return;
    }
    for (std::size_t i = 0; i < jobs; ++i)
        m_work.notify_one();
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
    m_done.wait(lock, [&] { return m_slots.at(ticket).State == TState::Read; });
    const auto slot = m_slots.find(ticket);
    TFolderRead result = std::move(*slot->second.Result);
    const bool full = m_bytes >= MaxBytes;
    m_bytes -= BytesOf(result);
    m_slots.erase(slot);
    const bool room = full && m_bytes < MaxBytes;
    lock.unlock();
    if (room)
        m_work.notify_all();
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
    bool released = false;
    {
        const std::lock_guard lock(m_mutex);
        std::vector<TTicket> held;
        for (const auto &[ticket, slot] : m_slots) {
            if (slot.State == TState::Waiting || slot.State == TState::Read)
                held.push_back(ticket);
        }
        for (const TTicket ticket : held)
            DropLocked(ticket);
        released = !held.empty();
        m_maxFolders /= 2;
    }
    m_work.notify_all();
    return released;
}

void TFolderReadAhead::Drop(TTicket ticket)
{
    {
        const std::lock_guard lock(m_mutex);
        DropLocked(ticket);
    }
    m_work.notify_all();
}

void TFolderReadAhead::Discard(const TFolderRead &read)
{
    {
        const std::lock_guard lock(m_mutex);
        DiscardLocked(read);
    }
    m_work.notify_all();
}

void TFolderReadAhead::DropLocked(TTicket ticket)
{
    const auto slot = m_slots.find(ticket);
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
        return;
    case TState::Reading:
        slot->second.State = TState::Dropped; // thrown away once read
        return;
    case TState::Read: {
        const TFolderRead read = std::move(*slot->second.Result);
        m_bytes -= BytesOf(read);
        m_slots.erase(slot);
        DiscardLocked(read);
        return;
    }
    case TState::Dropped:
        return;
    }
}

void TFolderReadAhead::DiscardLocked(const TFolderRead &read)
{
    for (const TFolderRead::TEntry &entry : read.Entries) {
        if (entry.Ticket != 0)
            DropLocked(entry.Ticket);
    }
}

void TFolderReadAhead::Run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_work.wait(lock,
            [this] { return m_stopping || !m_looks.empty() || (!m_waiting.empty() && m_bytes < MaxBytes); });
        if (m_stopping)
            return;
        // Looks first: a folder already being read waits for them.
        if (!m_looks.empty()) {
            TLooks &looks = *m_looks.front();
            const auto batch = TakeLooks(looks);
            ++looks.Busy;
            lock.unlock();
            Look(looks, batch);
            lock.lock();
            if (--looks.Busy == 0)
                m_done.notify_all();
            continue;
        }
        const TJob job = std::move(m_waiting.front());
        m_waiting.pop_front();
        m_slots.at(job.Ticket).State = TState::Reading;
        lock.unlock();
        TFolderRead result = Read(job);
        lock.lock();
        TSlot &slot = m_slots.at(job.Ticket);
        if (slot.State == TState::Dropped) {
            m_slots.erase(job.Ticket);
            DiscardLocked(result);
        } else {
            m_bytes += BytesOf(result);
            slot.Result = std::move(result);
            slot.State = TState::Read;
        }
        m_done.notify_all();
    }
}

TFolderRead TFolderReadAhead::Read(const TJob &job)
{
    TFolderRead read;
    read.Key = job.Key;
    read.Folder = job.Parent->OpenChild(job.Name, false);
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
        TFolderRead::TEntry &kept = read.Entries.emplace_back();
        kept.NameStart = std::uint32_t(read.Names.size());
        kept.NameLength = std::uint32_t(entry.Name.size());
        kept.Type = entry.Type;
        read.Names.append(entry.Name).push_back('\0');
        // A stop comes through at once, also in the middle of a huge folder.
        if (count % EntriesBetweenLooks == 0 && m_stopping.load(std::memory_order_relaxed))
            return read;
        // The rest of a huge folder is left to the walk, which reads on through the same
        // descriptor: from the end of a batch, where the descriptor stands.
        if (BytesOf(read) >= FolderBytes && read.Folder.Readable() && reader.BatchDone()) {
            read.Partial = true;
            break;
        }
    }
    LookAtEntries(read);
    AskForSubfolders(job, read);
    return read;
}

// Looks at the links and entries of unknown type of the folder just read, with the help
// of the threads free when there are more than a batch.
void TFolderReadAhead::LookAtEntries(TFolderRead &read)
{
    TLooks looks;
    looks.FolderFd = read.Folder.Fd();
    looks.Read = &read;
    for (std::size_t i = 0; i < read.Entries.size(); ++i) {
        if (KindNeedsLook({read.Name(read.Entries[i]), read.Entries[i].Type}))
            looks.Entries.push_back(std::uint32_t(i));
    }
    if (looks.Entries.size() <= LooksPerBatch) {
        Look(looks, {0, looks.Entries.size()});
        return;
    }
    std::unique_lock lock(m_mutex);
    m_looks.push_back(&looks);
    m_work.notify_all();
    for (;;) {
        const auto batch = TakeLooks(looks);
        if (batch.first == batch.second || m_stopping)
            break;
        lock.unlock();
        Look(looks, batch);
        lock.lock();
    }
    // On a stop, the batches not taken go with the read.
    if (looks.Next < looks.Entries.size())
        std::erase(m_looks, &looks);
    m_done.wait(lock, [&] { return looks.Busy == 0; });
}

std::pair<std::size_t, std::size_t> TFolderReadAhead::TakeLooks(TLooks &looks)
{
    const std::size_t first = looks.Next;
    looks.Next = std::min(first + LooksPerBatch, looks.Entries.size());
    if (looks.Next == looks.Entries.size() && first < looks.Next)
        std::erase(m_looks, &looks);
    return {first, looks.Next};
}

void TFolderReadAhead::Look(const TLooks &looks, std::pair<std::size_t, std::size_t> batch)
{
    for (std::size_t i = batch.first; i < batch.second; ++i) {
        TFolderRead::TEntry &entry = looks.Read->Entries[looks.Entries[i]];
        entry.Kind = KindOf(looks.FolderFd, {looks.Read->Name(entry), entry.Type});
    }
}

// Asks for the subfolders of the folder just read that the walk will enter.
void TFolderReadAhead::AskForSubfolders(const TJob &job, TFolderRead &read)
{
    if (m_limits.MaxDepth && job.Depth >= *m_limits.MaxDepth)
        return;
    std::shared_ptr<const TFolder> shared;
    std::vector<TJob> jobs;
    for (std::size_t i = 0; i < read.Entries.size(); ++i) {
        const TFolderRead::TEntry &entry = read.Entries[i];
        const std::string_view name = read.Name(entry);
        const bool folder = entry.Type == DT_DIR
            || (KindNeedsLook({name, entry.Type}) && entry.Kind.Folder && !entry.Kind.Link);
        if (!folder || name[0] == '.' || (m_limits.EntersFolder && !m_limits.EntersFolder(name)))
            continue;
        if (!shared) {
            shared = std::make_shared<const TFolder>(read.Folder.Duplicate());
            if (!shared->IsOpen())
                return;
        }
        TJob &child = jobs.emplace_back();
        child.Parent = shared;
        child.Name = name;
        child.Key = read.Key;
        child.Key.push_back(std::uint32_t(i));
        child.Depth = job.Depth + 1;
    }
    if (jobs.empty())
        return;
    const std::size_t count = jobs.size();
    {
        const std::lock_guard lock(m_mutex);
        std::vector<std::pair<std::size_t, TTicket>> asked;
        for (TJob &child : jobs) {
            child.Ticket = m_nextTicket++;
            asked.emplace_back(child.Key.back(), child.Ticket);
        }
        Queue(std::move(jobs));
        for (const auto &[entry, ticket] : asked) {
            if (m_slots.find(ticket) != m_slots.end())
                read.Entries[entry].Ticket = ticket;
        }
    }
    WakeFor(count);
}
