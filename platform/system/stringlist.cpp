#include "platform/system/stringlist.h"

#include <algorithm>

#include <QCollatorSortKey>
#include <QString>

#include "platform/system/locale.h"
#include "platform/system/qtext.h"

int TStringList::Compare(const std::string &a, const std::string &b)
{
    if (const int order = TLocale::User().CompareText(ToQString(a), ToQString(b)))
        return order;
    return a.compare(b);
}

void TStringList::SetSorted(bool sorted)
{
    if (sorted == m_sorted)
        return;
    m_sorted = sorted;
    if (!sorted)
        return;
    // One sort key per string rather than two for every comparison.
    const TLocale &locale = TLocale::User();
    struct TEntry
    {
        QCollatorSortKey Key;
        std::string Text;
    };
    std::vector<TEntry> entries;
    entries.reserve(m_strings.size());
    for (std::string &text : m_strings)
        entries.push_back({locale.SortKey(ToQString(text)), std::move(text)});
    std::stable_sort(entries.begin(), entries.end(), [](const TEntry &a, const TEntry &b) {
        if (const int order = a.Key.compare(b.Key))
            return order < 0;
        return a.Text < b.Text;
    });
    m_strings.clear();
    for (TEntry &entry : entries)
        m_strings.push_back(std::move(entry.Text));
}

std::size_t TStringList::Add(std::string text)
{
    if (!m_sorted) {
        m_strings.push_back(std::move(text));
        return m_strings.size() - 1;
    }
    const auto before = [](const std::string &a, const std::string &b) { return Compare(a, b) < 0; };
    if (m_duplicates == TDuplicates::dupIgnore) {
        // The order is total, so an identical string can only sit at the lower bound.
        const auto same = std::lower_bound(m_strings.begin(), m_strings.end(), text, before);
        if (same != m_strings.end() && *same == text)
            return static_cast<std::size_t>(same - m_strings.begin());
    }
    const auto place = std::upper_bound(m_strings.begin(), m_strings.end(), text, before);
    const auto inserted = m_strings.insert(place, std::move(text));
    return static_cast<std::size_t>(inserted - m_strings.begin());
}
