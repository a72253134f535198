#include <QLocale>

#include <gtest/gtest.h>

#include "app/read/filelist.h"
#include "app/read/listing.h"
#include "platform/system/locale.h"
#include "tests/support/listinglines.h"
#include "tests/support/temptree.h"

namespace {

class TRecordingSink : public IListingSink
{
public:
    std::vector<TLine> Lines;
    void AppendLine(QStringView text, bool bold) override { Lines.push_back({text.toString(), bold}); }
};

TLine Spacer()
{
    return {QStringLiteral(" "), false};
}

TLine Heading(int tabs, const char *name)
{
    return {QString(tabs, u'\t') + QString::fromUtf8(name), true};
}

TLine FileLine(int tabs, const char *name)
{
    return {QString(tabs, u'\t') + QString::fromUtf8(name), false};
}

class ListingTest : public ::testing::Test
{
protected:
    ListingTest()
        : m_locale(QLocale(QStringLiteral("fr_FR")))
        , m_files(m_locale)
    { }

    std::vector<TLine> Write(
        std::initializer_list<const char *> entries, TListingOptions options = {}, bool sorted = false)
    {
        m_files.Clear();
        m_files.SetSorted(sorted);
        for (const char *entry : entries)
            m_files.Add(entry);
        m_files.Finish();
        TRecordingSink sink;
        WriteListing(m_files, m_tree.Root() + "/", options, m_locale, sink);
        return sink.Lines;
    }

    TTempTree m_tree;
    TLocale m_locale;
    TFileList m_files;
};

} // namespace

TEST_F(ListingTest, WorkedExampleGivesTwelveLines)
{
    const std::vector<TLine> expected = {Spacer(), Heading(0, "a"), FileLine(1, "x.txt"), Spacer(), Spacer(),
        Heading(1, "b"), FileLine(2, "y.txt"), Spacer(), Heading(0, "c"), FileLine(1, "z.txt"), Spacer(),
        FileLine(0, "notes.txt")};
    EXPECT_EQ(Write({"notes.txt", "a/x.txt", "a/b/y.txt", "c/z.txt"}), expected);
}

TEST_F(ListingTest, FoldersOnlyGivesTheHeadingsAlone)
{
    const std::vector<TLine> expected = {Heading(0, "a"), Heading(1, "b"), Heading(0, "c")};
    EXPECT_EQ(Write({"notes.txt", "a/x.txt", "a/b/y.txt", "c/z.txt"}, {.DirsOnly = true}), expected);
}

TEST_F(ListingTest, RootFilesOnlyOrNoFiles)
{
    EXPECT_EQ(Write({"one", "two"}), (std::vector<TLine>{Spacer(), FileLine(0, "one"), FileLine(0, "two")}));
    EXPECT_TRUE(Write({"one", "two"}, {.DirsOnly = true}).empty());
    EXPECT_EQ(Write({}), std::vector<TLine>{Spacer()});
}

TEST_F(ListingTest, DeepFirstEntryOpensEveryLevel)
{
    const std::vector<TLine> expected = {Spacer(), Heading(0, "p"), Spacer(), Heading(1, "q"), Spacer(),
        Heading(2, "r"), FileLine(3, "f"), Spacer()};
    EXPECT_EQ(Write({"p/q/r/f"}), expected);
}

TEST_F(ListingTest, ReturningToAParentRepeatsSpacersButNoHeading)
{
    const std::vector<TLine> expected = {Spacer(), Heading(0, "a"), FileLine(1, "1"), Spacer(), Spacer(),
        Heading(1, "b"), FileLine(2, "2"), Spacer(), FileLine(1, "3"), Spacer()};
    EXPECT_EQ(Write({"a/1", "a/b/2", "a/3"}), expected);
}

TEST_F(ListingTest, FolderInterruptedByAnotherGetsItsHeadingAgain)
{
    const auto lines = Write({"a/1", "b/2", "a/3"});
    EXPECT_EQ(std::count(lines.begin(), lines.end(), Heading(0, "a")), 2);
}

TEST_F(ListingTest, SortedListIgnoresCaseButKeepsBothCasings)
{
    const auto lines = Write({"b.txt", "B.txt", "a.txt", "c/x", "b.txt"}, {}, true);
    ASSERT_EQ(m_files.Count(), 4u);
    EXPECT_EQ(m_files[0], "a.txt");
    // Equal ignoring case: the byte order decides, and both stay.
    EXPECT_EQ(m_files[1], "B.txt");
    EXPECT_EQ(m_files[2], "b.txt");
    EXPECT_EQ(m_files[3], "c/x");
    EXPECT_EQ(lines.back(), FileLine(0, "b.txt"));
}

TEST_F(ListingTest, SizeAndDateColumnsFollowTheName)
{
    m_tree.File("d/f.txt", 1536);
    m_tree.SetMTime("d/f.txt", 2024, 3, 5, 13, 47, 31);
    m_tree.File("midnight.txt", 0);
    m_tree.SetMTime("midnight.txt", 2023, 12, 31, 0, 0, 0);
    const auto lines = Write({"d/f.txt", "midnight.txt"}, {.Sizes = true, .Dates = true});
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[2].Text, QStringLiteral("\tf.txt\t\t\t\t\t\t\t2 Ko\t05/03/2024 13:47:30"));
    EXPECT_EQ(lines[4].Text, QStringLiteral("midnight.txt\t\t\t\t\t\t\t0 octets\t31/12/2023"));
}

TEST_F(ListingTest, VanishedFileAndOddDatesDoNotStopTheListing)
{
    m_tree.File("old.txt");
    m_tree.SetMTime("old.txt", 1975, 6, 1, 8, 30, 15);
    m_tree.File("future.txt");
    m_tree.SetMTime("future.txt", 2200, 1, 2, 3, 4, 5);
    const auto lines = Write({"gone.txt", "old.txt", "future.txt"}, {.Sizes = true, .Dates = true});
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1].Text, QStringLiteral("gone.txt\t\t\t\t\t\t\t0 octets\t"));
    // Outside the years of the 32-bit form the real time is written, odd seconds too.
    EXPECT_EQ(lines[2].Text, QStringLiteral("old.txt\t\t\t\t\t\t\t0 octets\t01/06/1975 08:30:15"));
    EXPECT_EQ(lines[3].Text, QStringLiteral("future.txt\t\t\t\t\t\t\t0 octets\t02/01/2200 03:04:05"));
}

TEST_F(ListingTest, ALinkThatLeadsNowhereShowsItsOwnSizeAndDate)
{
    m_tree.Symlink("dangling", "no/such/target"); // the link itself holds 14 bytes
    m_tree.SetMTime("dangling", 2019, 7, 14, 9, 15, 42);
    m_tree.File("target.txt", 2000);
    m_tree.Symlink("good", "target.txt");
    m_tree.SetMTime("good", 2001, 1, 1, 1, 1, 1);
    m_tree.SetMTime("target.txt", 2020, 2, 2, 10, 0, 0);
    const auto lines = Write({"dangling", "good"}, {.Sizes = true, .Dates = true});
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1].Text, QStringLiteral("dangling\t\t\t\t\t\t\t14 octets\t14/07/2019 09:15:42"));
    // A link that leads somewhere shows what it leads to.
    EXPECT_EQ(lines[2].Text, QStringLiteral("good\t\t\t\t\t\t\t2 Ko\t02/02/2020 10:00:00"));
}

TEST_F(ListingTest, FilesDeeperThanTheLongestPathStillShowSizeAndDate)
{
    const std::string folder = TTempTree::LongNamedFolders(24);
    m_tree.DeepFolder(folder);
    std::tm tm{};
    tm.tm_year = 2021 - 1900, tm.tm_mon = 4, tm.tm_mday = 6, tm.tm_hour = 7, tm.tm_min = 8, tm.tm_sec = 10;
    tm.tm_isdst = -1;
    m_tree.DeepFile(folder + "deep.txt", 5000, std::mktime(&tm));
    ASSERT_GT((m_tree.Root() + "/" + folder).size(), 5000u);
    const auto lines = Write({(folder + "deep.txt").c_str()}, {.Sizes = true, .Dates = true});
    ASSERT_EQ(lines.size(), 2u * 24 + 2);
    EXPECT_EQ(lines[2 * 24].Text,
        QString(24, u'\t') + QStringLiteral("deep.txt\t\t\t\t\t\t\t5 Ko\t06/05/2021 07:08:10"));
}

TEST_F(ListingTest, EachFileIsLookedAtInItsOwnFolder)
{
    m_tree.File("a/same", 100);
    m_tree.File("b/same", 200);
    m_tree.File("a/other", 300);
    m_tree.File("same", 400);
    m_tree.File("b/c/same", 500);
    std::vector<QString> sizes;
    for (const auto &line :
        Write({"a/same", "b/same", "a/other", "gone/same", "b/c/same", "b/same", "same"}, {.Sizes = true})) {
        if (!line.Bold && line.Text != Spacer().Text)
            sizes.push_back(line.Text.section(u'\t', -1));
    }
    EXPECT_EQ(sizes,
        (std::vector<QString>{QStringLiteral("100 octets"), QStringLiteral("200 octets"),
            QStringLiteral("300 octets"), QStringLiteral("0 octets"), QStringLiteral("500 octets"),
            QStringLiteral("200 octets"), QStringLiteral("400 octets")}));
}

TEST_F(ListingTest, NamesWithControlCharactersAndBadBytesStayOnOneLine)
{
    m_tree.File("tab\there", 5);
    m_tree.File(std::string("bad\xff") + "name", 7);
    const auto lines = Write({"tab\there", "bad\xffname", "new\nline/f"}, {.Sizes = true});
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[1], Heading(0, "new?line"));
    EXPECT_EQ(lines[4].Text, QStringLiteral("tab?here\t\t\t\t\t\t\t5 octets"));
    // The size still comes from the file at its real name.
    EXPECT_EQ(lines[5].Text, QStringLiteral("bad\uFFFDname\t\t\t\t\t\t\t7 octets"));
}

TEST_F(ListingTest, SeparatorsAndBidiControlsInNamesShowAsQuestionMarksButJoinersStay)
{
    // Each control between "a" and "b"; the size is read at the real name.
    const char *const controls[] = {"\u2028", "\u2029", "\u202A", "\u202B", "\u202C", "\u202D", "\u202E",
        "\u2066", "\u2067", "\u2068", "\u2069", "\u200E", "\u200F", "\u061C", "\u0085", "\uFEFF"};
    for (const char *control : controls) {
        const std::string name = std::string("a") + control + "b.txt";
        m_tree.File(name, 3);
        m_files.Clear();
        m_files.Add(name);
        m_files.Add(std::string("d") + control + "r/f");
        TRecordingSink sink;
        WriteListing(m_files, m_tree.Root() + "/", {.Sizes = true}, m_locale, sink);
        ASSERT_EQ(sink.Lines.size(), 5u) << name;
        EXPECT_EQ(sink.Lines[1], Heading(0, "d?r")) << name;
        EXPECT_EQ(sink.Lines[4].Text, QStringLiteral("a?b.txt\t\t\t\t\t\t\t3 octets")) << name;
    }
    // A family emoji is three people held together by zero-width joiners.
    const char *family = "\U0001F468\u200D\U0001F469\u200D\U0001F467.txt";
    m_tree.File(family, 4);
    const auto lines = Write({family}, {.Sizes = true});
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].Text, QString::fromUtf8(family) + QStringLiteral("\t\t\t\t\t\t\t4 octets"));
}

TEST(FormatSize, UnitBoundariesAndRounding)
{
    EXPECT_EQ(FormatSize(0), QStringLiteral("0 octets"));
    EXPECT_EQ(FormatSize(1023), QStringLiteral("1023 octets"));
    EXPECT_EQ(FormatSize(1024), QStringLiteral("1 Ko"));
    EXPECT_EQ(FormatSize(1536), QStringLiteral("2 Ko"));
    EXPECT_EQ(FormatSize(2560), QStringLiteral("3 Ko"));
    EXPECT_EQ(FormatSize(1048575), QStringLiteral("1024 Ko"));
    EXPECT_EQ(FormatSize(1048576), QStringLiteral("1 Mo"));
    EXPECT_EQ(FormatSize(1073741823), QStringLiteral("1024 Mo"));
    EXPECT_EQ(FormatSize(1073741824), QStringLiteral("1 Go"));
    EXPECT_EQ(FormatSize(3221225472), QStringLiteral("3 Go"));
    EXPECT_EQ(FormatSize(std::int64_t(5) << 40), QStringLiteral("5120 Go"));
    EXPECT_EQ(FormatSize(-5), QStringLiteral("-5 octets"));
}
