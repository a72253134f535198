#include <algorithm>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <QCollatorSortKey>
#include <QLocale>

#include <gtest/gtest.h>

#include "app/read/filelist.h"
#include "platform/system/locale.h"
#include "platform/system/qtext.h"
#include "tests/support/heapinuse.h"

namespace {

class FileListTest : public ::testing::Test
{
protected:
    FileListTest()
        : m_locale(QLocale(QStringLiteral("fr_FR")))
        , m_files(m_locale)
    { }

    std::vector<std::string> Listed(std::initializer_list<std::string_view> paths, bool sorted)
    {
        m_files.Clear();
        m_files.SetSorted(sorted);
        for (const auto path : paths)
            m_files.Add(path);
        return Entries();
    }

    std::vector<std::string> Entries()
    {
        m_files.Finish();
        std::vector<std::string> entries;
        for (std::size_t i = 0; i < m_files.Count(); ++i)
            entries.emplace_back(m_files[i]);
        return entries;
    }

    TLocale m_locale;
    TFileList m_files;
};

// A path of the shape a walk finds, different for each number.
std::string PathNumbered(std::size_t i)
{
    return "usr/share/doc/package-" + std::to_string(i % 997) + "/file-" + std::to_string(i) + ".txt";
}

// Paths made of pieces that collation treats in many ways: case, accents, punctuation,
// digits, folders, bytes that are not UTF-8; many come more than once.
std::vector<std::string> TrickyPaths(std::size_t count, unsigned seed)
{
    static const char *const pieces[] = {"a", "A", "b", "\xC3\xA9", "\xC3\x89", "e", "E", "\xC3\xA6", "ss",
        "\xC3\x9F", "\xC3\xA5", "\xC3\xA4", "\xC3\xB6", "o", "z", "Z", "1", "10", "2", "-", "_", " ", ".",
        "'", "/", "\xFF", "\xE9", "\xC3", "e\xCC\x81", "\xE2\x80\x8B", "\xF0\x9F\x98\x80", "\xE4\xB8\xAD"};
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::size_t> piece(0, std::size(pieces) - 1);
    std::uniform_int_distribution<int> length(0, 6);
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < count; ++i) {
        std::string path;
        for (int n = length(random); n > 0; --n)
            path += pieces[piece(random)];
        paths.push_back(path);
    }
    return paths;
}

// The order a sorted list must give `paths`, made the plain way: the collator's key of
// each path, a stable sort by key then bytes, duplicates dropped.
std::vector<std::string> ExpectedOrder(const TLocale &locale, std::vector<std::string> paths)
{
    std::vector<std::pair<QCollatorSortKey, std::string>> keyed;
    for (const auto &path : paths)
        keyed.emplace_back(locale.SortKey(ToQString(path)), path);
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto &a, const auto &b) {
        const int compared = a.first.compare(b.first);
        return compared != 0 ? compared < 0 : a.second < b.second;
    });
    std::vector<std::string> order;
    for (const auto &entry : keyed) {
        if (order.empty() || order.back() != entry.second)
            order.push_back(entry.second);
    }
    return order;
}

} // namespace

TEST_F(FileListTest, UnsortedKeepsEveryEntryInTheOrderAdded)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(Listed({"z/b", "a", "z/b", "A", ""}, false), (V{"z/b", "a", "z/b", "A", ""}));
    EXPECT_EQ(Listed({}, false), V());
    EXPECT_THROW(m_files[0], std::out_of_range);
}

TEST_F(FileListTest, SortedIgnoresCaseBreaksTiesByBytesAndDropsDuplicates)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(Listed({"b.txt", "c/x", "A.txt", "a.txt", "B.txt", "a.txt", "c/x", "b.txt"}, true),
        (V{"A.txt", "a.txt", "B.txt", "b.txt", "c/x"}));
    EXPECT_EQ(Listed({}, true), V());
    EXPECT_THROW(m_files[0], std::out_of_range);

    // Added after a read, an entry still takes its place.
    Listed({"m", "c"}, true);
    m_files.Add("a");
    m_files.Add("m");
    EXPECT_EQ(Entries(), (V{"a", "c", "m"}));
}

TEST_F(FileListTest, BytesThatAreNotUtf8StayAsTheyAre)
{
    using V = std::vector<std::string>;
    const V odd = {"d\xE9j\xE0", "x\xFF", "x\xFE", std::string("nul\0byte", 8)};
    EXPECT_EQ(Listed({odd[0], odd[1], odd[2], odd[3]}, false), odd);
    // Both bad bytes read as the same replacement character: the bytes order them.
    const V sorted = Listed({odd[3], odd[2], odd[1], odd[0], odd[1]}, true);
    EXPECT_EQ(sorted, (V{odd[0], odd[3], odd[2], odd[1]}));
}

TEST_F(FileListTest, ManyEntriesCostTheirBytesAndLittleMore)
{
    constexpr std::size_t Count = 200000;
    for (const bool sorted : {false, true}) {
        const std::size_t before = HeapInUse();
        TFileList files(m_locale);
        files.SetSorted(sorted);
        std::size_t bytes = 0;
        for (std::size_t i = 0; i < Count; ++i) {
            const std::string path = PathNumbered(i);
            bytes += path.size();
            files.Add(path);
        }
        files.Finish();
        ASSERT_EQ(files.Count(), Count);
        const std::size_t used = HeapInUse() - before;
        // The bytes and their ends with an eighth more room, and the order; keys and
        // other working room are gone once the list is in order.
        EXPECT_LT(used, bytes + bytes / 8 + 16 * Count) << (sorted ? "sorted" : "unsorted");
        EXPECT_EQ(files[0], PathNumbered(0));
    }
}

// The keys come from ICU directly and the sort is a radix sort on them: the order must be
// the one the collator's own keys give, in every locale, ties broken by the bytes.
TEST_F(FileListTest, SortedOrderIsTheCollatorsInEveryLocale)
{
    const auto paths = TrickyPaths(3000, 7);
    for (const char *name : {"fr_FR", "en_US", "C", "de_DE", "sv_SE"}) {
        const TLocale locale(QLocale(QString::fromLatin1(name)));
        TFileList files(locale);
        files.SetSorted(true);
        for (const auto &path : paths)
            files.Add(path);
        files.Finish();
        std::vector<std::string> listed;
        for (std::size_t i = 0; i < files.Count(); ++i)
            listed.emplace_back(files[i]);
        EXPECT_EQ(listed, ExpectedOrder(locale, paths)) << name;
    }
}

// Past a few thousand entries the keys are made on a thread while the list fills: the
// order is the same, an entry added after a read still takes its place, and a list
// emptied while its thread works starts afresh.
TEST_F(FileListTest, ManyEntriesSortAsFewDo)
{
    auto paths = TrickyPaths(60000, 11);
    for (std::size_t i = 0; i < 20000; ++i)
        paths.push_back(PathNumbered(i * 7 % 20000));
    m_files.SetSorted(true);
    for (const auto &path : TrickyPaths(40000, 3))
        m_files.Add(path);
    m_files.Clear();
    for (const auto &path : paths)
        m_files.Add(path);
    EXPECT_EQ(Entries(), ExpectedOrder(m_locale, paths));

    const auto more = TrickyPaths(30000, 5);
    for (const auto &path : more)
        m_files.Add(path);
    paths.insert(paths.end(), more.begin(), more.end());
    EXPECT_EQ(Entries(), ExpectedOrder(m_locale, paths));
}

// A read that is stopped drops its list without reading it, the thread making its keys
// maybe still busy with batches or waiting for more: the list stops it and waits for
// it, so that it never works on a list that is gone (the sanitizer build would report
// that) and never hangs the one that drops it.
TEST_F(FileListTest, DroppingASortedListStopsItsKeyThread)
{
    const auto paths = TrickyPaths(200000, 13);
    for (const std::size_t count : {std::size_t(20000), paths.size()}) {
        TFileList files(m_locale);
        files.SetSorted(true);
        for (std::size_t i = 0; i < count; ++i)
            files.Add(paths[i]);
    }
    TFileList files(m_locale);
    files.SetSorted(true);
    for (const auto &path : paths)
        files.Add(path);
    files.Clear();
    files.Add("b");
    files.Add("A");
    files.Finish();
    EXPECT_EQ(files.Count(), 2u);
    EXPECT_EQ(files[0], "A");
}

// Switching a list that holds entries lists them in the new order.
TEST_F(FileListTest, SwitchingToSortedAndBackReordersTheEntriesHeld)
{
    using V = std::vector<std::string>;
    m_files.SetSorted(false);
    for (const char *path : {"b", "a", "B", "a"})
        m_files.Add(path);
    m_files.SetSorted(true);
    EXPECT_EQ(Entries(), (V{"a", "B", "b"}));
    m_files.SetSorted(false);
    EXPECT_EQ(Entries(), (V{"b", "a", "B", "a"}));
}
