#include "app/filelist.h"

#include <climits>
#include <stdexcept>
#include <string>
#include <vector>

#include <QString>
#include <QStringView>

#include "platform/system/locale.h"
#include "platform/system/qtext.h"

namespace {

using TIndex = std::uint32_t;
// A sort key in TSortKeys: its bytes up to the NUL, right after its entry's index.
using TKey = const std::uint8_t *;

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

// The sort keys of a list's entries end to end in one buffer, each after its entry's
// index: a few bytes more than the paths, and no allocation per key.
class TSortKeys
{
public:
    TSortKeys(const TLocale &locale, const TPathsView &paths, std::size_t count);

    // Where each key starts, by the order of the entries.
    std::vector<TKey> Starts() const;

private:
    void Add(TIndex entry, QStringView text);

    const TLocale &m_locale;
    TPackedArray<std::uint8_t> m_bytes;
};

TSortKeys::TSortKeys(const TLocale &locale, const TPathsView &paths, std::size_t count)
    : m_locale(locale)
{
    // Keys of ASCII paths ignoring case take about as many bytes as their paths.
    m_bytes.Reserve((count > 0 ? paths.Ends[count - 1] : 0) + count * (sizeof(TIndex) + 8));
    TPathText text;
    for (std::size_t i = 0; i < count; ++i)
        Add(TIndex(i), text.Of(paths(i)));
}

void TSortKeys::Add(TIndex entry, QStringView text)
{
    m_bytes.Append(reinterpret_cast<const std::uint8_t *>(&entry), sizeof(entry));
    // A guess for the first try, enough for most keys; a longer key is made again.
    std::size_t room = 16 + 2 * std::size_t(text.size());
    std::size_t length = m_locale.SortKeyBytes(text, m_bytes.Room(room), room);
    if (length > room)
        length = m_locale.SortKeyBytes(text, m_bytes.Room(length), length);
    m_bytes.AddSize(length);
}

std::vector<TKey> TSortKeys::Starts() const
{
    std::vector<TKey> starts;
    const std::uint8_t *at = m_bytes.Data();
    const std::uint8_t *end = at + m_bytes.Size();
    while (at < end) {
        const TKey key = at + sizeof(TIndex);
        starts.push_back(key);
        at = key + std::strlen(reinterpret_cast<const char *>(key)) + 1;
    }
    return starts;
}

// Orders sort keys by their bytes, equal keys by the paths of their entries: a
// three-way radix quicksort, which looks at each byte of the prefixes that keys share
// once per partition instead of once per comparison, as paths of one folder need.
class TKeySorter
{
public:
    explicit TKeySorter(const TPathsView &paths)
        : m_paths(paths)
    { }

    // Sorts keys that agree on their first `depth` bytes.
    void Sort(TKey *keys, std::size_t count, std::size_t depth);

private:
    struct TPart
    {
        TKey *Keys;
        std::size_t Count;
        std::size_t Depth;
        bool Tied; // the keys are equal to their end
    };
    static constexpr std::size_t SmallPart = 12;

    void SortPart(const TPart &part);
    void SortSmall(TKey *keys, std::size_t count, std::size_t depth);
    void SortTied(TKey *keys, std::size_t count);
    bool PathBefore(TKey a, TKey b) const { return m_paths(EntryOf(a)) < m_paths(EntryOf(b)); }

    TPathsView m_paths;
};

std::uint8_t MedianOfThree(std::uint8_t a, std::uint8_t b, std::uint8_t c)
{
    return std::max(std::min(a, b), std::min(std::max(a, b), c));
}

// Three parts around the byte at `depth`: less than `pivot`, equal, greater.
void Partition(TKey *keys, std::size_t count, std::size_t depth, std::uint8_t pivot, std::size_t &less,
    std::size_t &equal)
{
    std::size_t low = 0;
    std::size_t at = 0;
    std::size_t high = count;
    while (at < high) {
        const std::uint8_t byte = keys[at][depth];
        if (byte < pivot)
            std::swap(keys[low++], keys[at++]);
        else if (byte > pivot)
            std::swap(keys[at], keys[--high]);
        else
            ++at;
    }
    less = low;
    equal = high - low;
}

void TKeySorter::Sort(TKey *keys, std::size_t count, std::size_t depth)
{
    TPart part{keys, count, depth, false};
    while (!part.Tied && part.Count > SmallPart) {
        TKey *const k = part.Keys;
        const std::size_t n = part.Count;
        const std::size_t d = part.Depth;
        const std::uint8_t pivot = MedianOfThree(k[0][d], k[n / 2][d], k[n - 1][d]);
        std::size_t less = 0;
        std::size_t equal = 0;
        Partition(k, n, d, pivot, less, equal);
        const TPart parts[3] = {{k, less, d, false}, {k + less, equal, d + 1, pivot == 0},
            {k + less + equal, n - less - equal, d, false}};
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

void TKeySorter::SortPart(const TPart &part)
{
    if (part.Count < 2)
        return;
    if (part.Tied)
        SortTied(part.Keys, part.Count);
    else if (part.Count <= SmallPart)
        SortSmall(part.Keys, part.Count, part.Depth);
    else
        Sort(part.Keys, part.Count, part.Depth);
}

void TKeySorter::SortSmall(TKey *keys, std::size_t count, std::size_t depth)
{
    std::sort(keys, keys + count, [this, depth](TKey a, TKey b) {
        // strcmp compares as unsigned bytes, as the keys are ordered.
        const int compared = std::strcmp(
            reinterpret_cast<const char *>(a + depth), reinterpret_cast<const char *>(b + depth));
        return compared != 0 ? compared < 0 : PathBefore(a, b);
    });
}

void TKeySorter::SortTied(TKey *keys, std::size_t count)
{
    std::sort(keys, keys + count, [this](TKey a, TKey b) { return PathBefore(a, b); });
}

// The entries of `paths` in sorted order, an entry identical to the one before it left
// out. Equal paths have equal keys and so end up side by side, whichever comes first.
TPackedArray<TIndex> SortedOrder(const TLocale &locale, const TPathsView &paths, std::size_t count)
{
    std::vector<TKey> keys;
    TPackedArray<TIndex> order;
    {
        const TSortKeys sortKeys(locale, paths, count);
        keys = sortKeys.Starts();
        TKeySorter(paths).Sort(keys.data(), keys.size(), 0);
        order.Reserve(count);
        for (std::size_t i = 0; i < keys.size(); ++i) {
            const TIndex entry = EntryOf(keys[i]);
            if (i == 0 || paths(entry) != paths(order[order.Size() - 1]))
                order.PushBack(entry);
        }
    }
    order.ShrinkToFit();
    return order;
}

} // namespace

TFileList::TFileList(const TLocale &locale)
    : m_locale(locale)
{ }

void TFileList::Clear()
{
    m_bytes.Clear();
    m_ends.Clear();
    m_order.Clear();
    m_inOrder = true;
}

void TFileList::SetSorted(bool sorted)
{
    m_sorted = sorted;
    m_inOrder = !sorted;
    m_order.Clear();
}

void TFileList::Add(std::string_view path)
{
    if (m_ends.Size() >= UINT32_MAX)
        throw std::length_error("TFileList: too many entries");
    m_bytes.Append(path.data(), path.size());
    m_ends.PushBack(m_bytes.Size());
    if (m_sorted)
        m_inOrder = false;
}

std::size_t TFileList::Count() const
{
    PutInOrder();
    return m_sorted ? m_order.Size() : m_ends.Size();
}

std::string_view TFileList::operator[](std::size_t index) const
{
    if (index >= Count())
        throw std::out_of_range("TFileList: no entry at that index");
    return Entry(m_sorted ? m_order[index] : index);
}

std::string_view TFileList::Entry(std::size_t entry) const
{
    return TPathsView{m_bytes.Data(), m_ends.Data()}(entry);
}

void TFileList::PutInOrder() const
{
    if (m_inOrder)
        return;
    m_bytes.ShrinkToFit();
    m_ends.ShrinkToFit();
    m_order = TPackedArray<TIndex>();
    m_order = SortedOrder(m_locale, TPathsView{m_bytes.Data(), m_ends.Data()}, m_ends.Size());
    m_inOrder = true;
}
