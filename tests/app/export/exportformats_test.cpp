#include <optional>
#include <string>
#include <vector>

#include <QLocale>

#include <gtest/gtest.h>

#include "app/export/exportcommand.h"
#include "app/export/exporttext.h"
#include "app/read/dirscan.h"
#include "app/read/filelist.h"
#include "app/read/readfilter.h"
#include "app/read/treevisit.h"
#include "platform/system/locale.h"
#include "tests/support/temptree.h"

namespace {

std::string Csv(std::string_view field)
{
    std::string line;
    AppendCsvField(line, field);
    return line;
}

std::string Json(std::string_view text)
{
    std::string out;
    AppendJsonString(out, text);
    return out;
}

// Records the visit of a tree as one line per call.
class TVisitRecord : public ITreeVisitor
{
public:
    std::vector<std::string> Calls;
    std::vector<std::string> Times; // of each folder and file, in the order of the calls

    void BeginFolder(const TTreeFolder &folder) override
    {
        Calls.push_back("begin '" + std::string(folder.Path) + "' " + std::to_string(folder.Depth) + " "
            + std::to_string(folder.FileCount) + "/" + Decimal(folder.FileBytes));
        Times.push_back(TimeOf(folder.ModTime));
    }
    void File(const TTreeFolder &, const TTreeFile &file) override
    {
        Calls.push_back("file " + std::string(file.Name) + " " + std::to_string(file.Size));
        Times.push_back(TimeOf(file.ModTime));
    }
    void EndFolder(const TTreeFolder &folder, std::int64_t count, TByteCount bytes) override
    {
        Calls.push_back(
            "end '" + std::string(folder.Path) + "' " + std::to_string(count) + "/" + Decimal(bytes));
    }

private:
    static std::string Decimal(TByteCount count)
    {
        std::string text;
        AppendByteCount(text, count);
        return text;
    }

    static std::string TimeOf(const std::optional<struct timespec> &moment)
    {
        return moment ? std::to_string(moment->tv_sec) + "." + std::to_string(moment->tv_nsec) : "none";
    }
};

std::vector<std::string> WalkedPaths(const std::string &root, const TScanLimits &limits)
{
    std::vector<std::string> paths;
    ScanFiles(
        root + "/", "*.*",
        [&](const std::string &folder, const TScanFile &file) {
            paths.push_back(folder.substr(root.size() + 1) + std::string(file.Name));
            return true;
        },
        limits);
    std::sort(paths.begin(), paths.end());
    return paths;
}

} // namespace

TEST(ExportText, CsvQuotesOnlyWhatNeedsIt)
{
    EXPECT_EQ(Csv("plain name.txt"), "plain name.txt");
    EXPECT_EQ(Csv("a,b"), "\"a,b\"");
    EXPECT_EQ(Csv("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(Csv("two\nlines\r"), "\"two\nlines\r\"");
    EXPECT_EQ(Csv("tab\there"), "tab\there");
}

TEST(ExportText, JsonEscapesControlsAndLineSeparators)
{
    EXPECT_EQ(Json("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(Json(std::string("\n\t\x01\x1f\x7f", 5)), "\"\\n\\t\\u0001\\u001f\\u007f\"");
    EXPECT_EQ(Json("x\u2028y\u2029z"), "\"x\\u2028y\\u2029z\"");
    EXPECT_EQ(Json("\u202e\u2027é"), "\"\u202e\u2027é\"");
}

TEST(ExportText, Utf8ValidityAndReplacement)
{
    EXPECT_TRUE(IsUtf8("plain é € 😀"));
    EXPECT_FALSE(IsUtf8("\xff"));
    EXPECT_FALSE(IsUtf8("\xc3")); // cut short
    EXPECT_FALSE(IsUtf8("\xc0\xaf")); // overlong
    EXPECT_FALSE(IsUtf8("\xed\xa0\x80")); // a surrogate
    EXPECT_FALSE(IsUtf8("\xf4\x90\x80\x80")); // past U+10FFFF
    EXPECT_EQ(ValidUtf8("a\xff"
                        "b"),
        "a\uFFFDb");
    EXPECT_EQ(Base64("bad\xff\xfe"), "YmFk//4=");
}

TEST(ExportText, IsoTimeCarriesTheLocalOffset)
{
    const char *const saved = std::getenv("TZ");
    const std::string savedZone = saved ? saved : "";
    ::setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    ::tzset();
    EXPECT_EQ(IsoLocalTime({1709642850, 0}), "2024-03-05T13:47:30+01:00");
    EXPECT_EQ(IsoLocalTime({1720180050, 0}), "2024-07-05T13:47:30+02:00");
    EXPECT_EQ(IsoLocalTime({-1000000000, 0}), "1938-04-24T23:13:20+01:00");
    ::setenv("TZ", "NPT-5:45", 1);
    ::tzset();
    EXPECT_EQ(IsoLocalTime({0, 0}), "1970-01-01T05:45:00+05:45");
    // Offsets that are not whole minutes, and years beyond four digits.
    ::setenv("TZ", "LMT-0:09:21", 1);
    ::tzset();
    EXPECT_EQ(IsoLocalTime({-62135596800, 0}), "0001-01-01T00:00:00Z");
    ::setenv("TZ", "UTC0", 1);
    ::tzset();
    EXPECT_EQ(IsoLocalTime({253402300800, 0}), "+10000-01-01T00:00:00+00:00");
    EXPECT_EQ(IsoLocalTime({-62198755200, 0}), "-0001-01-01T00:00:00+00:00");
    saved ? ::setenv("TZ", savedZone.c_str(), 1) : ::unsetenv("TZ");
    ::tzset();
}

TEST(ReadFilter, MasksOfTheFolderTreeAndDotlessNamesAsTheyAre)
{
    TReadFilter filter;
    filter.Include = ParseFilterMasks("*.JPG;*.png;read?e");
    filter.Exclude = ParseFilterMasks("skip*");
    filter.ExcludeFolders = ParseFilterMasks("cache;*.tmp");
    EXPECT_TRUE(filter.TakesFile("photo.jpg"));
    EXPECT_TRUE(filter.TakesFile("PHOTO.PNG"));
    EXPECT_TRUE(filter.TakesFile("README"));
    EXPECT_FALSE(filter.TakesFile("notes.txt"));
    EXPECT_FALSE(filter.TakesFile("skipped.png"));
    EXPECT_FALSE(filter.EntersFolder("Cache"));
    EXPECT_FALSE(filter.EntersFolder("work.tmp"));
    EXPECT_TRUE(filter.EntersFolder("cached"));
    EXPECT_TRUE(TReadFilter().TakesFile("anything"));
    EXPECT_TRUE(TReadFilter().EntersFolder("anything"));
}

TEST(ReadFilter, AnEmptyMaskIsRefused)
{
    for (const char *masks : {"", ";", "*.a;", ";*.a", "*.a;;*.b"})
        EXPECT_FALSE(ParseFilterMasks(masks)) << masks;
    EXPECT_TRUE(ParseFilterMasks("*"));
}

TEST(ScanLimits, DepthAndRefusedFoldersAreNotWalked)
{
    TTempTree tree;
    tree.File("top.txt");
    tree.File("a/one.txt");
    tree.File("a/b/two.txt");
    tree.File("a/b/c/three.txt");
    tree.File("skip/never.txt");
    TScanLimits limits;
    limits.MaxDepth = 0;
    EXPECT_EQ(WalkedPaths(tree.Root(), limits), (std::vector<std::string>{"top.txt"}));
    limits.MaxDepth = 2;
    EXPECT_EQ(WalkedPaths(tree.Root(), limits),
        (std::vector<std::string>{"a/b/two.txt", "a/one.txt", "skip/never.txt", "top.txt"}));
    limits.MaxDepth.reset();
    limits.EntersFolder = [](std::string_view name) { return name != "skip" && name != "b"; };
    EXPECT_EQ(WalkedPaths(tree.Root(), limits), (std::vector<std::string>{"a/one.txt", "top.txt"}));
}

TEST(ExportTree, EachFolderOnceOwnFilesFirstWithItsTotals)
{
    TTempTree tree;
    tree.File("r1", 1);
    tree.File("a/x", 10);
    tree.File("a/b/y", 100);
    tree.File("a/z", 1000);
    tree.SetMTime("a/x", 1'234'567'890);
    tree.SetMTime("a", 1'111'111'111);
    const TLocale locale(QLocale(QStringLiteral("fr_FR")));
    // Looked at during the walk or by the visit itself, the files and folders are the same.
    std::vector<std::string> times[2];
    for (const bool lookedAt : {false, true}) {
        TFileList files(locale);
        if (lookedAt)
            files.LookAtFiles(tree.Root() + "/");
        // A sorted list mixes a folder's files with its subfolders' and the root's files.
        for (const char *path : {"a/b/y", "a/x", "r1", "a/z"})
            files.Add(path);
        files.Finish();
        TVisitRecord record;
        VisitTree(files, tree.Root() + "/", record);
        EXPECT_EQ(record.Calls,
            (std::vector<std::string>{"begin '' 0 1/1", "file r1 1", "begin 'a/' 1 2/1010", "file x 10",
                "file z 1000", "begin 'a/b/' 2 1/100", "file y 100", "end 'a/b/' 1/100", "end 'a/' 3/1110",
                "end '' 4/1111"}));
        EXPECT_EQ(record.Times[2], "1111111111.0");
        EXPECT_EQ(record.Times[3], "1234567890.0");
        times[lookedAt] = record.Times;

        // Folders that hold no file of their own are looked at by the visit.
        TFileList deep(locale);
        if (lookedAt)
            deep.LookAtFiles(tree.Root() + "/");
        deep.Add("a/b/y");
        deep.Finish();
        TVisitRecord deepRecord;
        VisitTree(deep, tree.Root() + "/", deepRecord);
        EXPECT_EQ(deepRecord.Times[1], "1111111111.0");
        EXPECT_NE(deepRecord.Times[0], "none");
    }
    EXPECT_EQ(times[0], times[1]);
}

// Streamed, a folder is visited once the next folder's files come, and ended once the
// folder after it is visited: nothing waits for the end of the walk.
TEST(ExportTree, AStreamVisitsEachFolderOnceItsFilesAreAllThere)
{
    TTempTree tree;
    TVisitRecord record;
    TTreeStream stream(tree.Root() + "/", record);
    const TSizeAndTime one{1, {}};
    stream.Add("r1", one, std::nullopt);
    stream.Add("a/b/x", one, std::nullopt);
    EXPECT_EQ(record.Calls, (std::vector<std::string>{"begin '' 0 1/1", "file r1 1"}));
    stream.Add("c/y", one, std::nullopt);
    EXPECT_EQ(record.Calls.back(), "file x 1");
    stream.Add("e/z", one, std::nullopt);
    EXPECT_EQ(record.Calls[5], "end 'a/b/' 1/1");
    EXPECT_EQ(record.Calls[6], "end 'a/' 1/1");
    stream.Finish();
    EXPECT_EQ(record.Calls.back(), "end '' 4/4");
}

TEST(ExportArgs, NewFormatsByNameAndExtension)
{
    using F = TExportOptions::TFormat;
    const auto format = [](std::vector<std::string> args) {
        args.push_back("dir");
        const TExportParse parse = ParseExportArgs(args);
        EXPECT_EQ(parse.Error, "");
        return parse.Options.Format;
    };
    EXPECT_EQ(format({"--format", "csv"}), F::Csv);
    EXPECT_EQ(format({"--format=json"}), F::Json);
    EXPECT_EQ(format({"--format", "html", "-o", "x.csv"}), F::Html);
    EXPECT_EQ(format({"-o", "x.CSV"}), F::Csv);
    EXPECT_EQ(format({"-o", "x.json"}), F::Json);
    EXPECT_EQ(format({"-o", "x.htm"}), F::Html);
    EXPECT_EQ(format({"-o", "x.html"}), F::Html);
    EXPECT_EQ(format({"-o", "x.txt"}), F::Text);
}

TEST(ExportArgs, TotalsAndFilters)
{
    const TExportParse parse = ParseExportArgs({"--totals", "--include", "*.jpg", "--exclude=*.tmp",
        "--exclude-dir", "cache", "--max-depth=3", "dir"});
    ASSERT_EQ(parse.Error, "");
    const TExportOptions &options = parse.Options;
    EXPECT_TRUE(options.Totals);
    EXPECT_TRUE(options.Filter.TakesFile("a.JPG"));
    EXPECT_FALSE(options.Filter.TakesFile("a.png"));
    EXPECT_FALSE(options.Filter.EntersFolder("cache"));
    EXPECT_EQ(options.Filter.MaxDepth, 3);
    EXPECT_EQ(ParseExportArgs({"--max-depth", "0", "dir"}).Options.Filter.MaxDepth, 0);
    EXPECT_FALSE(ParseExportArgs({"dir"}).Options.Filter.MaxDepth);
    for (const std::vector<std::string> &bad : std::vector<std::vector<std::string>>{
             {"--max-depth", "-2", "dir"}, {"--max-depth", "x", "dir"}, {"--max-depth", "99999999999", "dir"},
             {"--include", "", "dir"}, {"--exclude-dir=a;;b", "dir"}, {"dir", "--exclude"}})
        EXPECT_NE(ParseExportArgs(bad).Error, "") << bad[0];
}
