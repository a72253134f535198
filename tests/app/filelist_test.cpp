#include <malloc.h>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <QLocale>

#include <gtest/gtest.h>

#include "app/filelist.h"
#include "platform/system/locale.h"

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

    std::vector<std::string> Entries() const
    {
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

// The bytes allocated now, small blocks and those mapped on their own alike.
std::size_t HeapInUse()
{
    const auto info = ::mallinfo2();
    return info.uordblks + info.hblkhd;
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
        ASSERT_EQ(files.Count(), Count);
        const std::size_t used = HeapInUse() - before;
        EXPECT_LT(used, bytes + 40 * Count) << (sorted ? "sorted" : "unsorted");
        EXPECT_EQ(files[0], PathNumbered(0));
    }
}
