#include "app/filelist.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>

#include <QCollatorSortKey>
#include <QString>

#include "platform/system/locale.h"
#include "platform/system/qtext.h"

TFileList::TFileList(const TLocale &locale)
    : m_locale(locale)
{ }

void TFileList::Clear()
{
    m_bytes.clear();
    m_ends.clear();
    m_inOrder = true;
}

void TFileList::Add(std::string_view path)
{
    m_bytes.insert(m_bytes.end(), path.begin(), path.end());
    m_ends.push_back(m_bytes.size());
    if (m_sorted)
        m_inOrder = false;
}

std::size_t TFileList::Count() const
{
    PutInOrder();
    return m_ends.size();
}

std::string_view TFileList::operator[](std::size_t index) const
{
    PutInOrder();
    if (index >= m_ends.size())
        throw std::out_of_range("TFileList: no entry at that index");
    return At(index);
}

std::string_view TFileList::At(std::size_t index) const
{
    const std::uint64_t start = index > 0 ? m_ends[index - 1] : 0;
    return std::string_view(m_bytes.data() + start, m_ends[index] - start);
}

void TFileList::PutInOrder() const
{
    if (m_inOrder)
        return;
    Rearrange(SortedOrder());
    m_inOrder = true;
}

// The indexes of the entries in sorted order, an entry identical to the one before it
// left out. The keys go with the call.
std::vector<std::size_t> TFileList::SortedOrder() const
{
    std::vector<QCollatorSortKey> keys;
    keys.reserve(m_ends.size());
    for (std::size_t i = 0; i < m_ends.size(); ++i) {
        const std::string_view path = At(i);
        keys.push_back(m_locale.SortKey(ToQString(path)));
    }
    std::vector<std::size_t> order(m_ends.size());
    std::iota(order.begin(), order.end(), std::size_t(0));
    // Stable, so that of two identical paths the one found first is kept.
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const int compared = keys[a].compare(keys[b]);
        return compared != 0 ? compared < 0 : At(a) < At(b);
    });
    order.erase(
        std::unique(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return At(a) == At(b); }),
        order.end());
    return order;
}

// Lays the entries out again in `order`, in buffers of the exact size.
void TFileList::Rearrange(const std::vector<std::size_t> &order) const
{
    std::size_t total = 0;
    for (const std::size_t i : order)
        total += At(i).size();
    std::vector<char> bytes;
    std::vector<std::uint64_t> ends;
    bytes.reserve(total);
    ends.reserve(order.size());
    for (const std::size_t i : order) {
        const std::string_view path = At(i);
        bytes.insert(bytes.end(), path.begin(), path.end());
        ends.push_back(bytes.size());
    }
    m_bytes.swap(bytes);
    m_ends.swap(ends);
}
