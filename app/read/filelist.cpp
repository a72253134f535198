#include "app/read/filelist.h"

#include <bit>
#include <climits>
#include <stdexcept>
#include <string>
#include <vector>

#include <QString>
#include <QStringView>

#include "app/read/batchworker.h"
#include "app/read/filefacts.h"
#include "platform/system/dirsearch.h"
#include "platform/system/locale.h"
#include "platform/system/qtext.h"

namespace {

using TIndex = std::uint32_t;
// A sort key in TSortKeys: its bytes up to the NUL, right after its entry's index.
using TKey = const std::uint8_t *;

// A key in the sort, with the eight bytes of it from the sort's depth on, the first
// the most significant, zeros past its end: most comparisons look at these alone.
struct TSortItem
{
    std::uint64_t Next;
    TKey Key;
};

// The paths of a list by the order they were added, for the sort's ties.
struct TPathsView
{
    const char *Bytes;
    const std::uint64_t *Ends;

    std::string_view operator()(std::size_t entry) const
    {
        const std::uint64_t start = entry > 0 ? Ends[entry - 1] : 0;
        return std::string_view(Bytes + start, Ends[entry] - start);
    }
};

TIndex EntryOf(TKey key)
{
    TIndex entry;
    std::memcpy(&entry, key - sizeof(TIndex), sizeof(TIndex));
    return entry;
}

// The text of a path as QString::fromUtf8 reads it; plain ASCII, most paths, is widened
// in place without an allocation.
class TPathText
{
public:
    QStringView Of(std::string_view path)
    {
        const bool ascii = std::all_of(path.begin(), path.end(), [](char c) { return (c & 0x80) == 0; });
        if (!ascii) {
            m_decoded = ToQString(path);
            return m_decoded;
        }
        m_ascii.resize(path.size());
        std::transform(path.begin(), path.end(), m_ascii.begin(), [](char c) { return char16_t(c); });
        return m_ascii;
    }

private:
    std::u16string m_ascii;
    QString m_decoded;
};

} // namespace

// The sort keys of a list's entries end to end in one buffer, each after its entry's
// index: a few bytes more than the paths, and no allocation per key.
class TSortKeys
{
public:
    explicit TSortKeys(const TLocale &locale)
        : m_maker(locale)
    { }

    void Reserve(std::size_t bytes) { m_bytes.Reserve(bytes); }
    void Add(TIndex entry, std::string_view path);
    // An item for each key, its Next not yet loaded; `count` keys were added.
    std::vector<TSortItem> Items(std::size_t count) const;
    const std::uint8_t *End() const { return m_bytes.Data() + m_bytes.Size(); }

private:
    TSortKeyMaker m_maker;
    TPathText m_text;
    TPackedArray<std::uint8_t> m_bytes;
};

void TSortKeys::Add(TIndex entry, std::string_view path)
{
    const QStringView text = m_text.Of(path);
    m_bytes.Append(reinterpret_cast<const std::uint8_t *>(&entry), sizeof(entry));
    // A guess for the first try, enough for most keys; a longer key is made again.
    std::size_t room = 16 + 2 * std::size_t(text.size());
    std::size_t length = m_maker.Key(text, m_bytes.Room(room), room);
    if (length > room)
        length = m_maker.Key(text, m_bytes.Room(length), length);
    m_bytes.AddSize(length);
}

std::vector<TSortItem> TSortKeys::Items(std::size_t count) const
{
    std::vector<TSortItem> starts;
    starts.reserve(count);
    const std::uint8_t *at = m_bytes.Data();
    const std::uint8_t *end = at + m_bytes.Size();
    while (at < end) {
        const TKey key = at + sizeof(TIndex);
        starts.push_back({0, key});
        at = key + std::strlen(reinterpret_cast<const char *>(key)) + 1;
    }
    return starts;
}

namespace {

// The eight bytes of the key at `at` from there on, as TSortItem::Next holds them; the
// key bytes end at `end`.
std::uint64_t EightBytesAt(const std::uint8_t *at, const std::uint8_t *end)
{
    if constexpr (std::endian::native == std::endian::little) {
        if (end - at >= 8) {
            std::uint64_t bytes;
            std::memcpy(&bytes, at, 8);
            // The lowest byte flagged is the first NUL; only bytes after it can be
            // flagged wrongly. The NUL and what follows become zeros.
            const std::uint64_t zeros = (bytes - 0x0101010101010101) & ~bytes & 0x8080808080808080;
            if (zeros != 0)
                bytes &= (std::uint64_t(1) << (std::countr_zero(zeros) - 7)) - 1;
            return __builtin_bswap64(bytes);
        }
    }
    std::uint64_t bytes = 0;
    int length = 0;
    for (; length < 8 && at[length] != 0; ++length)
        bytes = bytes << 8 | at[length];
    return length == 0 ? 0 : bytes << (8 * (8 - length));
}

// Whether the key ends within the eight bytes: then keys with the same eight are equal.
bool EndsIn(std::uint64_t next)
{
    return (next & 0xFF) == 0;
}

std::uint64_t MedianOfThree(std::uint64_t a, std::uint64_t b, std::uint64_t c)
{
    return std::max(std::min(a, b), std::min(std::max(a, b), c));
}

// Three parts around `pivot`: less, equal and greater eight bytes.
void Partition(
    TSortItem *items, std::size_t count, std::uint64_t pivot, std::size_t &less, std::size_t &equal)
{
    std::size_t low = 0;
    std::size_t at = 0;
    std::size_t high = count;
    while (at < high) {
        const std::uint64_t next = items[at].Next;
        if (next < pivot)
            std::swap(items[low++], items[at++]);
        else if (next > pivot)
            std::swap(items[at], items[--high]);
        else
            ++at;
    }
    less = low;
    equal = high - low;
}

// Orders sort keys by their bytes, equal keys by the paths of their entries: a
// three-way radix quicksort over eight bytes at a time, which looks at the prefixes that
// keys share once per partition instead of once per comparison, as paths of one folder
// need.
class TKeySorter
{
public:
    TKeySorter(const TPathsView &paths, const std::uint8_t *keysEnd)
        : m_paths(paths)
        , m_keysEnd(keysEnd)
    { }

    // Sorts items whose keys agree on their first `depth` bytes and whose Next hold the
    // eight after those.
    void Sort(TSortItem *items, std::size_t count, std::size_t depth);
    void Load(TSortItem *items, std::size_t count, std::size_t depth) const;

private:
    struct TPart
    {
        TSortItem *Items;
        std::size_t Count;
        std::size_t Depth;
        bool Tied; // the keys are equal to their end
    };
    static constexpr std::size_t SmallPart = 12;

    void SortPart(const TPart &part);
    void SortSmall(TSortItem *items, std::size_t count, std::size_t depth);
    void SortTied(TSortItem *items, std::size_t count);
    bool PathBefore(TKey a, TKey b) const { return m_paths(EntryOf(a)) < m_paths(EntryOf(b)); }

    TPathsView m_paths;
    const std::uint8_t *m_keysEnd;
};

void TKeySorter::Sort(TSortItem *items, std::size_t count, std::size_t depth)
{
    TPart part{items, count, depth, false};
    while (!part.Tied && part.Count > SmallPart) {
        TSortItem *const k = part.Items;
        const std::size_t n = part.Count;
        const std::size_t d = part.Depth;
        const std::uint64_t pivot = MedianOfThree(k[0].Next, k[n / 2].Next, k[n - 1].Next);
        std::size_t less = 0;
        std::size_t equal = 0;
        Partition(k, n, pivot, less, equal);
        const TPart parts[3] = {{k, less, d, false}, {k + less, equal, d + 8, EndsIn(pivot)},
            {k + less + equal, n - less - equal, d, false}};
        if (!parts[1].Tied)
            Load(parts[1].Items, parts[1].Count, parts[1].Depth);
        // Sorting the two smaller parts in a call and the largest in this loop keeps the
        // calls within log2(count) deep, however long the keys.
        std::size_t largest = 0;
        for (std::size_t i = 1; i < 3; ++i)
            largest = parts[i].Count > parts[largest].Count ? i : largest;
        for (std::size_t i = 0; i < 3; ++i) {
            if (i != largest)
                SortPart(parts[i]);
        }
        part = parts[largest];
    }
    SortPart(part);
}

void TKeySorter::Load(TSortItem *items, std::size_t count, std::size_t depth) const
{
    for (std::size_t i = 0; i < count; ++i)
        items[i].Next = EightBytesAt(items[i].Key + depth, m_keysEnd);
}

void TKeySorter::SortPart(const TPart &part)
{
    if (part.Count < 2)
        return;
    if (part.Tied)
        SortTied(part.Items, part.Count);
    else if (part.Count <= SmallPart)
        SortSmall(part.Items, part.Count, part.Depth);
    else
        Sort(part.Items, part.Count, part.Depth);
}

void TKeySorter::SortSmall(TSortItem *items, std::size_t count, std::size_t depth)
{
    std::sort(items, items + count, [this, depth](const TSortItem &a, const TSortItem &b) {
        if (a.Next != b.Next)
            return a.Next < b.Next;
        // strcmp compares as unsigned bytes, as the keys are ordered.
        const int compared = EndsIn(a.Next) ? 0
                                            : std::strcmp(reinterpret_cast<const char *>(a.Key + depth + 8),
                                                reinterpret_cast<const char *>(b.Key + depth + 8));
        return compared != 0 ? compared < 0 : PathBefore(a.Key, b.Key);
    });
}

void TKeySorter::SortTied(TSortItem *items, std::size_t count)
{
    std::sort(items, items + count,
        [this](const TSortItem &a, const TSortItem &b) { return PathBefore(a.Key, b.Key); });
}

// The entries of `paths` in sorted order, an entry identical to the one before it left
// out. Equal paths have equal keys, and so end up side by side (whichever comes first)
// with the same Next: only then are the paths compared.
TPackedArray<TIndex> SortedOrder(std::unique_ptr<TSortKeys> keys, const TPathsView &paths, std::size_t count)
{
    std::vector<TSortItem> items = keys->Items(count);
    TKeySorter sorter(paths, keys->End());
    sorter.Load(items.data(), items.size(), 0);
    sorter.Sort(items.data(), items.size(), 0);
    TPackedArray<TIndex> order;
    order.Reserve(count);
    for (std::size_t i = 0; i < items.size(); ++i) {
        const TIndex entry = EntryOf(items[i].Key);
        if (i == 0 || items[i].Next != items[i - 1].Next || paths(entry) != paths(order[order.Size() - 1]))
            order.PushBack(entry);
    }
    return order;
}

} // namespace

// Makes the sort keys of batches of paths on a thread of its own while a list is being
// filled. The list waits for it only when many batches wait already, and before the
// sort, for the last one.
class TSortKeyWorker
{
public:
    explicit TSortKeyWorker(const TLocale &locale)
        : m_keys(std::make_unique<TSortKeys>(locale))
        , m_worker([this](TBatch &batch) { MakeKeys(batch); }, MaxWaiting, TWorker::TWhenFull::twWait)
    { }

    // The paths of the entries from `first` on: their bytes end to end, and where each ends.
    void HandOver(TIndex first, std::string bytes, std::vector<std::size_t> ends)
    {
        m_worker.HandOver({first, std::move(bytes), std::move(ends)});
    }
    // The keys of every path handed over, once they are made.
    std::unique_ptr<TSortKeys> Finish()
    {
        m_worker.Finish();
        return std::move(m_keys);
    }

private:
    struct TBatch
    {
        TIndex First = 0;
        std::string Bytes;
        std::vector<std::size_t> Ends;
    };
    using TWorker = TBatchWorker<TBatch>;
    static constexpr std::size_t MaxWaiting = 8;

    void MakeKeys(const TBatch &batch)
    {
        std::size_t start = 0;
        for (std::size_t i = 0; i < batch.Ends.size() && !m_worker.Cancelled(); ++i) {
            m_keys->Add(
                TIndex(batch.First + i), std::string_view(batch.Bytes).substr(start, batch.Ends[i] - start));
            start = batch.Ends[i];
        }
    }

    std::unique_ptr<TSortKeys> m_keys;
    TWorker m_worker; // last, so that it stops before the keys go
};

std::string_view FolderPartOf(std::string_view entry)
{
    return entry.substr(0, entry.rfind(PathDelim) + 1);
}

TFileList::TFileList(const TLocale &locale)
    : m_locale(locale)
{ }

TFileList::~TFileList() = default;

void TFileList::Clear()
{
    m_facts.reset();
    m_keyWorker.reset();
    m_handedOver = 0;
    m_bytes.Clear();
    m_ends.Clear();
    m_order.Clear();
    m_inOrder = !m_sorted;
}

void TFileList::SetSorted(bool sorted)
{
    if (sorted == m_sorted)
        return;
    m_sorted = sorted;
    m_keyWorker.reset();
    m_handedOver = 0;
    m_order.Clear();
    m_inOrder = !sorted;
}

void TFileList::Add(std::string_view path)
{
    if (m_ends.Size() >= UINT32_MAX)
        throw std::length_error("TFileList: too many entries");
    if (m_facts)
        m_facts->Add(path);
    m_bytes.Append(path.data(), path.size());
    m_ends.PushBack(m_bytes.Size());
    if (!m_sorted)
        return;
    m_inOrder = false;
    if (m_ends.Size() - m_handedOver >= KeyBatchEntries)
        HandOverKeys();
}

// Hands the entries added since the last batch to the thread that makes their keys
// (which makes them here when it cannot start).
void TFileList::HandOverKeys()
{
    if (!m_keyWorker)
        m_keyWorker = std::make_unique<TSortKeyWorker>(m_locale);
    const std::size_t first = m_handedOver;
    const std::size_t base = first > 0 ? m_ends[first - 1] : 0;
    std::vector<std::size_t> ends(m_ends.Size() - first);
    for (std::size_t i = 0; i < ends.size(); ++i)
        ends[i] = m_ends[first + i] - base;
    std::string bytes(m_bytes.Data() + base, m_bytes.Size() - base);
    m_keyWorker->HandOver(TIndex(first), std::move(bytes), std::move(ends));
    m_handedOver = m_ends.Size();
}

void TFileList::Finish()
{
    if (m_facts)
        m_facts->Close();
    if (m_inOrder)
        return;
    m_bytes.ShrinkToFit();
    m_ends.ShrinkToFit();
    m_order.Clear();
    m_order = SortedOrder(AllKeys(), TPathsView{m_bytes.Data(), m_ends.Data()}, m_ends.Size());
    m_inOrder = true;
}

void TFileList::CheckFinished() const
{
    if (!m_inOrder)
        throw std::logic_error("TFileList: a sorted list is read once finished");
}

std::size_t TFileList::Count() const
{
    CheckFinished();
    return m_sorted ? m_order.Size() : m_ends.Size();
}

std::string_view TFileList::operator[](std::size_t index) const
{
    if (index >= Count())
        throw std::out_of_range("TFileList: no entry at that index");
    return Entry(m_sorted ? m_order[index] : index);
}

std::size_t TFileList::AddedIndex(std::size_t index) const
{
    if (index >= Count())
        throw std::out_of_range("TFileList: no entry at that index");
    return m_sorted ? m_order[index] : index;
}

void TFileList::LookAtFiles(const std::string &rootDir)
{
    if (m_ends.Size() > 0)
        throw std::logic_error("TFileList: files are looked at from the first entry on");
    m_facts = std::make_unique<TFileFacts>(rootDir);
}

void TFileList::ForgetFacts()
{
    m_facts.reset();
}

std::string_view TFileList::Entry(std::size_t entry) const
{
    return TPathsView{m_bytes.Data(), m_ends.Data()}(entry);
}

// The keys of every entry: those the thread made, and the others made here. The thread
// ends; a later sort makes all keys again.
std::unique_ptr<TSortKeys> TFileList::AllKeys()
{
    std::unique_ptr<TSortKeys> keys;
    if (m_keyWorker) {
        keys = m_keyWorker->Finish();
        m_keyWorker.reset();
    } else {
        keys = std::make_unique<TSortKeys>(m_locale);
    }
    const std::size_t count = m_ends.Size();
    if (m_handedOver == 0)
        keys->Reserve(m_bytes.Size() + count * (sizeof(TIndex) + 8));
    for (std::size_t i = m_handedOver; i < count; ++i)
        keys->Add(TIndex(i), Entry(i));
    m_handedOver = 0;
    return keys;
}
