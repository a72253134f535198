#include "app/filelist.h"

#include <algorithm>

#include <QString>

#include "platform/system/locale.h"
#include "platform/system/qtext.h"

namespace {

// The key of an entry of an unsorted list: never compared.
const QCollatorSortKey &NoKey(const TLocale &locale)
{
    static const QCollatorSortKey key = locale.SortKey(QString());
    return key;
}

} // namespace

TFileList::TFileList(const TLocale &locale)
    : m_locale(locale)
{ }

void TFileList::Clear()
{
    m_entries.clear();
    m_inOrder = true;
}

void TFileList::Add(std::string path)
{
    if (!m_sorted) {
        m_entries.push_back({std::move(path), NoKey(m_locale)});
        return;
    }
    QCollatorSortKey key = m_locale.SortKey(ToQString(path));
    m_entries.push_back({std::move(path), std::move(key)});
    m_inOrder = false;
}

std::size_t TFileList::Count() const
{
    PutInOrder();
    return m_entries.size();
}

const std::string &TFileList::operator[](std::size_t index) const
{
    PutInOrder();
    return m_entries.at(index).Path;
}

void TFileList::PutInOrder() const
{
    if (m_inOrder)
        return;
    // Stable, so that of two identical paths the one found first is kept.
    std::stable_sort(m_entries.begin(), m_entries.end(), [](const TEntry &a, const TEntry &b) {
        const int order = a.Key.compare(b.Key);
        return order != 0 ? order < 0 : a.Path < b.Path;
    });
    const auto last = std::unique(m_entries.begin(), m_entries.end(),
        [](const TEntry &a, const TEntry &b) { return a.Path == b.Path; });
    m_entries.erase(last, m_entries.end());
    m_inOrder = true;
}
