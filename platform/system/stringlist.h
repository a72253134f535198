#pragma once

#include <cstddef>
#include <string>
#include <vector>

enum class TDuplicates
{
    dupIgnore, // adding a string that a sorted list already holds keeps the list as it is
    dupAccept // the string is added again
};

// A list of "ANSI" (UTF-8) strings that can keep itself sorted.
//
// A sorted list orders its strings by the user's locale ignoring case (TLocale::User,
// the system's CompareString with NORM_IGNORECASE), ties broken by the exact bytes. So
// the order is total, and under dupIgnore only a byte-identical string counts as
// already present: two strings that the collation takes as equal ("A" and "a", or two
// different bytes that are not UTF-8) both stay.
class TStringList
{
public:
    void Clear() { m_strings.clear(); }

    bool Sorted() const { return m_sorted; }
    // Switching sorting on sorts what the list holds; duplicates already in it stay.
    void SetSorted(bool sorted);

    TDuplicates Duplicates() const { return m_duplicates; }
    // Applies to later additions to a sorted list; an unsorted list accepts every string.
    void SetDuplicates(TDuplicates duplicates) { m_duplicates = duplicates; }

    // Appends `text` to an unsorted list, or inserts it at its place in a sorted one (after
    // the strings equal to it). Returns its index, or that of the identical string that a
    // sorted list under dupIgnore already holds.
    std::size_t Add(std::string text);

    std::size_t Count() const { return m_strings.size(); }
    bool IsEmpty() const { return m_strings.empty(); }
    const std::string &operator[](std::size_t index) const { return m_strings.at(index); }

    auto begin() const { return m_strings.begin(); }
    auto end() const { return m_strings.end(); }

    // < 0, 0 or > 0 as `a` sorts before, with or after `b` in a sorted list.
    static int Compare(const std::string &a, const std::string &b);

private:
    std::vector<std::string> m_strings;
    bool m_sorted = false;
    TDuplicates m_duplicates = TDuplicates::dupIgnore;
};
