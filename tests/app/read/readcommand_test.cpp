#include <algorithm>
#include <chrono>
#include <ostream>
#include <stdexcept>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include <QLocale>

#include <gtest/gtest.h>

#include "app/read/filelist.h"
#include "app/read/readcommand.h"
#include "platform/system/locale.h"
#include "tests/support/listinglines.h"
#include "tests/support/temptree.h"

namespace {

TLine Plain(const QString &text)
{
    return {text, false};
}

TLine Bold(const QString &text)
{
    return {text, true};
}

// Records what a read writes; throws on the line numbered FailAt (from 1), as a view
// that is full does.
class TRecordingSink : public IReadSink
{
public:
    std::vector<TFont> Fonts;
    std::vector<TLine> Lines;
    std::size_t FailAt = 0;
    // The lines that came before the listing's font.
    std::size_t LinesBeforeFont = 0;

    void BeginListing(const TFont &font) override { Fonts.push_back(font); }
    void AppendLine(QStringView text, bool bold) override
    {
        if (Fonts.empty())
            ++LinesBeforeFont;
        if (Lines.size() + 1 == FailAt)
            throw std::runtime_error("vue pleine");
        Lines.push_back({text.toString(), bold});
    }
};

class ReadCommandTest : public ::testing::Test
{
protected:
    ReadCommandTest()
    {
        TLocale::Pin(QLocale(QStringLiteral("fr_FR")));
        m_tree.File("notes.txt", 10);
        m_tree.File("a/x.txt", 12 * 1024);
        m_tree.File("a/b/y.txt", 1);
        m_tree.File("c/z.txt", 2);
        m_tree.SetMTime("a/x.txt", 2024, 3, 5, 13, 47, 31);
    }

    TReadRequest Request(bool sorted = true, TListingOptions options = {}) const
    {
        TReadRequest request;
        request.Folder = m_tree.Root();
        request.Sorted = sorted;
        request.Style.Options = options;
        request.Style.Font.Name = QStringLiteral("Courier New");
        request.Style.Font.SetSize(12);
        return request;
    }

    TTempTree m_tree;
    TRecordingSink m_sink;
};

} // namespace

TEST_F(ReadCommandTest, SortedReadWritesTheWholeListingInTheRequestsFont)
{
    const TReadResult read = ReadFolder(Request(), m_sink);
    EXPECT_TRUE(read.Failure.isEmpty());
    EXPECT_FALSE(read.Stopped);
    ASSERT_TRUE(read.Files);
    ASSERT_EQ(read.Files->Count(), 4u);
    EXPECT_EQ((*read.Files)[0], "a/b/y.txt");
    EXPECT_EQ((*read.Files)[3], "notes.txt");

    ASSERT_EQ(m_sink.Fonts.size(), 1u);
    EXPECT_EQ(m_sink.Fonts[0], Request().Style.Font);
    EXPECT_EQ(m_sink.LinesBeforeFont, 0u);
    const std::vector<TLine> expected
        = {Plain(QStringLiteral(" ")), Bold(QStringLiteral("a")), Plain(QStringLiteral(" ")),
            Bold(QStringLiteral("\tb")), Plain(QStringLiteral("\t\ty.txt")), Plain(QStringLiteral(" ")),
            Plain(QStringLiteral("\tx.txt")), Plain(QStringLiteral(" ")), Bold(QStringLiteral("c")),
            Plain(QStringLiteral("\tz.txt")), Plain(QStringLiteral(" ")), Plain(QStringLiteral("notes.txt"))};
    EXPECT_EQ(m_sink.Lines, expected);
}

TEST_F(ReadCommandTest, EachOptionShapesTheLines)
{
    auto lines = [this](bool sorted, TListingOptions options) {
        TRecordingSink sink;
        const TReadResult read = ReadFolder(Request(sorted, options), sink);
        EXPECT_TRUE(read.Failure.isEmpty()) << read.Failure.toStdString();
        return sink.Lines;
    };
    auto has = [](const std::vector<TLine> &all, const TLine &line) {
        return std::find(all.begin(), all.end(), line) != all.end();
    };

    const std::vector<TLine> dirsOnly = lines(true, {.DirsOnly = true});
    EXPECT_EQ(dirsOnly,
        std::vector<TLine>(
            {Bold(QStringLiteral("a")), Bold(QStringLiteral("\tb")), Bold(QStringLiteral("c"))}));

    // Unsorted, a folder's entries come in the file system's order: the same lines, in
    // some order.
    std::vector<TLine> walked = lines(false, {});
    EXPECT_EQ(walked.size(), 12u);
    for (const TLine &line : lines(true, {}))
        EXPECT_TRUE(has(walked, line)) << line.Text.toStdString();

    const QString columns(7, u'\t');
    const std::vector<TLine> sizes = lines(true, {.Sizes = true});
    EXPECT_TRUE(has(sizes, Plain(QStringLiteral("\tx.txt") + columns + QStringLiteral("12 Ko"))));
    EXPECT_TRUE(has(sizes, Plain(QStringLiteral("notes.txt") + columns + QStringLiteral("10 octets"))));

    const std::vector<TLine> dates = lines(true, {.Dates = true});
    EXPECT_TRUE(has(dates, Plain(QStringLiteral("\tx.txt\t05/03/2024 13:47:30"))));

    const std::vector<TLine> both = lines(true, {.Sizes = true, .Dates = true});
    EXPECT_TRUE(
        has(both, Plain(QStringLiteral("\tx.txt") + columns + QStringLiteral("12 Ko\t05/03/2024 13:47:30"))));
}

// A streamed read writes each folder's lines while the walk goes on, the same lines as a
// read that collects its files first, in every option. Sizes and dates are looked at
// some thousands of files behind the walk.
TEST_F(ReadCommandTest, AStreamedReadWritesAsTheWalkGoesTheLinesOfACollectedOne)
{
    // Links to one file: a new inode each would cost seconds on a busy file system.
    m_tree.File("many/0");
    for (int i = 1; i < 10000; ++i)
        ASSERT_EQ(::link(m_tree.Path("many/0").c_str(), m_tree.Path("many/" + std::to_string(i)).c_str()), 0);
    for (const TListingOptions options :
        {TListingOptions{}, {.Sizes = true, .Dates = true}, {.DirsOnly = true}}) {
        TRecordingSink collected;
        ReadFolder(Request(false, options), collected);
        TReadRequest request = Request(false, options);
        request.Stream = true;
        TRecordingSink streamed;
        std::size_t linesWhenLastFound = 0;
        TReadHooks hooks;
        hooks.StopRequested = [&] {
            linesWhenLastFound = streamed.Lines.size();
            return false;
        };
        const TReadResult read = ReadFolder(request, streamed, hooks);
        EXPECT_TRUE(read.Failure.isEmpty()) << read.Failure.toStdString();
        EXPECT_EQ(streamed.Lines, collected.Lines);
        EXPECT_EQ(streamed.Fonts.size(), 1u);
        EXPECT_EQ(read.Listed.Files, 10004);
        EXPECT_EQ(read.Files->Count(), 0u); // nothing kept
        EXPECT_GT(linesWhenLastFound, 0u) << "nothing written before the walk was over";
    }
}

TEST_F(ReadCommandTest, TheStyleToWriteIsAskedOnceTheWalkIsOver)
{
    TReadHooks hooks;
    std::size_t found = 0;
    hooks.StopRequested = [&found] {
        ++found;
        return false;
    };
    TListingStyle later;
    later.Options.DirsOnly = true;
    later.Font.Name = QStringLiteral("Arial");
    hooks.StyleToWrite = [&] {
        // Every file has been found by then.
        EXPECT_EQ(found, 4u);
        return later;
    };
    ReadFolder(Request(), m_sink, hooks);
    ASSERT_EQ(m_sink.Fonts.size(), 1u);
    EXPECT_EQ(m_sink.Fonts[0], later.Font);
    EXPECT_EQ(m_sink.Lines.size(), 3u);
}

TEST_F(ReadCommandTest, AFolderWithoutFilesWritesNothing)
{
    TTempTree empty;
    empty.Folder("only/folders");
    TReadRequest request = Request();
    request.Folder = empty.Root() + "/";
    const TReadResult read = ReadFolder(request, m_sink);
    EXPECT_TRUE(read.Failure.isEmpty());
    EXPECT_FALSE(read.Stopped);
    EXPECT_EQ(read.Files->Count(), 0u);
    EXPECT_TRUE(m_sink.Fonts.empty());
    EXPECT_TRUE(m_sink.Lines.empty());
}

TEST_F(ReadCommandTest, ProgressCountsTheFilesFoundAsTheWalkGoes)
{
    for (int i = 0; i < 300; ++i)
        m_tree.File("many/f" + std::to_string(i));
    TReadHooks hooks;
    std::vector<std::size_t> reported;
    hooks.Progress = [&reported](std::size_t found) { reported.push_back(found); };
    // A millisecond per file: the walk lasts long enough to report several times.
    hooks.StopRequested = [] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return false;
    };
    const TReadResult read = ReadFolder(Request(false), m_sink, hooks);
    ASSERT_EQ(read.Files->Count(), 304u);
    ASSERT_GE(reported.size(), 2u);
    EXPECT_TRUE(std::is_sorted(reported.begin(), reported.end()));
    EXPECT_EQ(std::adjacent_find(reported.begin(), reported.end()), reported.end());
    EXPECT_GE(reported.front(), 1u);
    EXPECT_LE(reported.back(), 304u);
}

// A stop request ends the walk at the file it follows: the files found so far stay in
// the result, nothing is written and no failure is reported, as a window closed during
// its read expects.
TEST_F(ReadCommandTest, AStopRequestEndsTheWalkAndWritesNothing)
{
    for (int i = 0; i < 50; ++i)
        m_tree.File("many/f" + std::to_string(i));
    TReadHooks hooks;
    int asked = 0;
    hooks.StopRequested = [&asked] { return ++asked == 5; };
    bool styleAsked = false;
    hooks.StyleToWrite = [&styleAsked] {
        styleAsked = true;
        return TListingStyle();
    };
    const TReadResult read = ReadFolder(Request(), m_sink, hooks);
    EXPECT_TRUE(read.Stopped);
    EXPECT_TRUE(read.Failure.isEmpty());
    EXPECT_EQ(asked, 5);
    EXPECT_EQ(read.Files->Count(), 5u);
    EXPECT_FALSE(styleAsked);
    EXPECT_TRUE(m_sink.Fonts.empty());
    EXPECT_TRUE(m_sink.Lines.empty());
}

// Stopped after batches of files went to the thread that looks at their sizes: that
// thread ends with the read, and the read keeps nothing it found of them.
TEST_F(ReadCommandTest, AStopDuringAReadWithSizesEndsTheirThreadToo)
{
    for (int i = 0; i < 3000; ++i)
        m_tree.File("many/f" + std::to_string(i), i % 10);
    TReadHooks hooks;
    int asked = 0;
    hooks.StopRequested = [&asked] { return ++asked == 2500; };
    const TReadResult read = ReadFolder(Request(false, {false, true, true}), m_sink, hooks);
    EXPECT_TRUE(read.Stopped);
    EXPECT_EQ(read.Files->Count(), 2500u);
    EXPECT_EQ(read.Files->Facts(), nullptr);
    EXPECT_TRUE(m_sink.Lines.empty());
}

// A sink that refuses a line ends the read with its message; the lines before stay.
TEST_F(ReadCommandTest, ASinkFailureEndsTheReadWithItsMessage)
{
    m_sink.FailAt = 4;
    const TReadResult read = ReadFolder(Request(), m_sink);
    EXPECT_EQ(read.Failure, QStringLiteral("vue pleine"));
    EXPECT_FALSE(read.Stopped);
    EXPECT_EQ(read.Files->Count(), 4u);
    EXPECT_EQ(m_sink.Lines.size(), 3u);

    class TOddSink : public IReadSink
    {
        void BeginListing(const TFont &) override { throw 42; }
        void AppendLine(QStringView, bool) override { }
    } odd;
    EXPECT_EQ(ReadFolder(Request(), odd).Failure, QStringLiteral("erreur inconnue"));
}

// The walk's folder is given as the caller spells it; the listing is the same for every
// spelling, and the root gains a '/' only where it lacks one.
TEST_F(ReadCommandTest, TheFolderIsReadAsSpelled)
{
    EXPECT_EQ(ReadRootOf("/tmp/x"), "/tmp/x/");
    EXPECT_EQ(ReadRootOf("/tmp/x/"), "/tmp/x/");
    EXPECT_EQ(ReadRootOf("/tmp/x//"), "/tmp/x//");
    EXPECT_EQ(ReadRootOf("/"), "/");
    EXPECT_EQ(ReadRootOf("rel"), "rel/");
    EXPECT_EQ(ReadRootOf(""), "./");

    ReadFolder(Request(), m_sink);
    for (const std::string &spelling : {m_tree.Root() + "/", m_tree.Root() + "//", m_tree.Path("a/..")}) {
        TRecordingSink sink;
        TReadRequest request = Request();
        request.Folder = spelling;
        ReadFolder(request, sink);
        EXPECT_EQ(sink.Lines, m_sink.Lines) << spelling;
    }
}
