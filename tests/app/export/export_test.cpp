#include <functional>
#include <unistd.h>

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include "app/export/exportcommand.h"
#include "tests/app/export/exportrun.h"
#include "tests/support/filekinds.h"
#include "tests/support/gui/pdftext.h"
#include "tests/support/gui/rtfreader.h"
#include "tests/support/temptree.h"

namespace {

QString Q(const std::string &text)
{
    return QString::fromStdString(text);
}

QByteArray ReadFile(const std::string &path)
{
    QFile file(Q(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Runs `body` with `relative` (a file or a folder of `tree`) made unwritable for the
// process: immutable, which stops root too, where the file system has the attribute,
// else without write permission (for a user). False when neither holds for the process.
bool WhileUnwritable(
    TTempTree &tree, const std::string &relative, unsigned mode, const std::function<void()> &body)
{
    const TImmutable immutable(tree.Path(relative));
    if (!immutable.Ok() && ::geteuid() == 0)
        return false;
    if (!immutable.Ok())
        tree.Chmod(relative, mode);
    body();
    if (!immutable.Ok())
        tree.Chmod(relative, mode | 0200);
    return true;
}

class ExportTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_tree.File("notes.txt", 10);
        m_tree.File("a/x.txt", 2560);
        m_tree.File("a/b/y.txt");
        m_tree.File("c/z.txt");
    }

    TTempTree m_tree;
};

} // namespace

TEST_F(ExportTest, WritesThePlainListingToStandardOutput)
{
    const TRun run = Export({QStringLiteral("--sorted"), Q(m_tree.Root())});
    EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_EQ(run.Out, QByteArray(" \na\n \n\tb\n\t\ty.txt\n \n\tx.txt\n \nc\n\tz.txt\n \nnotes.txt\n"));
}

// Only PDF needs the GUI toolkit, in a program of its own; every format, PDF included,
// writes nothing on standard error but the program's own messages, also with no display
// and no runtime folder.
TEST_F(ExportTest, NoGuiToolkitBesidesPdfAndNothingElseOnStandardError)
{
    QProcess readelf;
    readelf.start(QStringLiteral("readelf"),
        {QStringLiteral("-d"), QStringLiteral(VANTREL_BINARY_DIR "/vantrel-oruk-export")});
    ASSERT_TRUE(readelf.waitForFinished());
    const QByteArray needed = readelf.readAllStandardOutput();
    EXPECT_TRUE(needed.contains("libQt6Core")) << needed.toStdString();
    for (const char *gui : {"libQt6Gui", "libQt6Widgets", "libQt6PrintSupport"})
        EXPECT_FALSE(needed.contains(gui)) << gui;

    for (const char *name : {"out.txt", "out.rtf", "out.csv", "out.json", "out.html", "out.pdf"}) {
        const TRun run = Export({QStringLiteral("-o"), Q(m_tree.Path(name)), Q(m_tree.Root())});
        EXPECT_EQ(run.ExitCode, 0) << name;
        EXPECT_EQ(run.Err, QByteArray()) << name;
    }
}

TEST_F(ExportTest, OptionsMapToTheCheckBoxes)
{
    TRun run = Export({QStringLiteral("-d"), QStringLiteral("-s"), Q(m_tree.Root())});
    EXPECT_EQ(run.Out, QByteArray("a\n\tb\nc\n"));
    run = Export({QStringLiteral("-sS"), Q(m_tree.Root()), QStringLiteral("-o"), QStringLiteral("-")});
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_TRUE(run.Out.contains("\tx.txt\t\t\t\t\t\t\t3 Ko\n")) << run.Out.toStdString();
}

TEST_F(ExportTest, OutputFormatFollowsTheExtensionUnlessGiven)
{
    TTempTree out;
    EXPECT_EQ(Export({Q(m_tree.Root()), QStringLiteral("-o"), Q(out.Path("l.rtf"))}).ExitCode, 0);
    EXPECT_TRUE(ReadFile(out.Path("l.rtf")).startsWith("{\\rtf1"));
    EXPECT_EQ(Export({Q(m_tree.Root()), QStringLiteral("--output=") + Q(out.Path("l.txt"))}).ExitCode, 0);
    EXPECT_TRUE(ReadFile(out.Path("l.txt")).endsWith("notes.txt\n"));
    EXPECT_EQ(Export({Q(m_tree.Root()), QStringLiteral("--format"), QStringLiteral("rtf"),
                         QStringLiteral("-o"), Q(out.Path("forced.txt"))})
                  .ExitCode,
        0);
    EXPECT_TRUE(ReadFile(out.Path("forced.txt")).startsWith("{\\rtf1"));
}

TEST_F(ExportTest, PdfOutputIsThePrintedListing)
{
    TTempTree out;
    const TRun run
        = Export({QStringLiteral("-s"), Q(m_tree.Root()), QStringLiteral("-o"), Q(out.Path("l.pdf"))});
    EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    const auto pages = PdfPageTexts(out.Path("l.pdf"));
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_TRUE(pages[0].contains(QStringLiteral("z.txt")));
    EXPECT_TRUE(pages[0].contains(QStringLiteral("Page 1")));

    EXPECT_EQ(Export({QStringLiteral("--format"), QStringLiteral("pdf"), Q(m_tree.Root()),
                         QStringLiteral("-o"), Q(out.Path("forced.txt"))})
                  .ExitCode,
        0);
    EXPECT_TRUE(ReadFile(out.Path("forced.txt")).startsWith("%PDF"));
    // PDF goes to a file, never to a terminal.
    EXPECT_EQ(Export({QStringLiteral("--format=pdf"), Q(m_tree.Root())}).ExitCode, 2);

    out.TextFile("keep.pdf", "old");
    const bool locked = WhileUnwritable(out, "keep.pdf", 0444, [&] {
        const TRun refused = Export({Q(m_tree.Root()), QStringLiteral("-o"), Q(out.Path("keep.pdf"))});
        EXPECT_EQ(refused.ExitCode, 1);
        EXPECT_TRUE(refused.Err.contains("Impossible de créer le fichier")) << refused.Err.toStdString();
    });
    EXPECT_TRUE(locked || ::geteuid() == 0);
    EXPECT_EQ(ReadFile(out.Path("keep.pdf")), QByteArray("old"));
    for (const char *unreachable : {"none/l.pdf", "keep.pdf/l.pdf"}) {
        const TRun missing = Export({Q(m_tree.Root()), QStringLiteral("-o"), Q(out.Path(unreachable))});
        EXPECT_EQ(missing.ExitCode, 1) << unreachable;
        EXPECT_TRUE(missing.Err.contains("Impossible de créer le fichier " + out.Path(unreachable)))
            << missing.Err.toStdString();
    }
}

TEST_F(ExportTest, NamesThatWouldRearrangeThePageStayInOrderOnOneLine)
{
    TTempTree names;
    names.File("rlo_\u202Etxt.exe", 12);
    names.File("ls_a\u2028b.txt", 34);
    names.File("par\u2029dir/in\u2067side.txt", 5);
    TTempTree out;

    ASSERT_EQ(
        Export({QStringLiteral("-sS"), Q(names.Root()), QStringLiteral("-o"), Q(out.Path("l.pdf"))}).ExitCode,
        0);
    const auto pages = PdfPageTexts(out.Path("l.pdf"));
    ASSERT_EQ(pages.size(), 1u);
    QStringList lines = pages[0].split(u'\n');
    for (QString &line : lines)
        line = line.simplified();
    // pdftotext writes the page in the order it shows: name first, then its size.
    EXPECT_TRUE(lines.contains(QStringLiteral("rlo_?txt.exe 12 octets"))) << pages[0].toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("ls_a?b.txt 34 octets"))) << pages[0].toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("par?dir"))) << pages[0].toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("in?side.txt 5 octets"))) << pages[0].toStdString();

    ASSERT_EQ(
        Export({QStringLiteral("-sS"), Q(names.Root()), QStringLiteral("-o"), Q(out.Path("l.rtf"))}).ExitCode,
        0);
    const TRtfDocument rtf = ReadRtf(ReadFile(out.Path("l.rtf")));
    ASSERT_TRUE(rtf.Ok()) << rtf.Error.toStdString();
    const QString sizes(7, u'\t');
    EXPECT_EQ(rtf.Texts(),
        QStringList({QStringLiteral(" "), QStringLiteral("par?dir"),
            QStringLiteral("\tin?side.txt") + sizes + QStringLiteral("5 octets"), QStringLiteral(" "),
            QStringLiteral("ls_a?b.txt") + sizes + QStringLiteral("34 octets"),
            QStringLiteral("rlo_?txt.exe") + sizes + QStringLiteral("12 octets")}));
}

TEST_F(ExportTest, BadUsageAndUnreadableFoldersExitWithTwo)
{
    EXPECT_EQ(Export(QStringList()).ExitCode, 2);
    EXPECT_EQ(Export({QStringLiteral("--bogus"), Q(m_tree.Root())}).ExitCode, 2);
    EXPECT_EQ(Export({Q(m_tree.Path("missing"))}).ExitCode, 2);
    EXPECT_EQ(Export({Q(m_tree.Path("notes.txt"))}).ExitCode, 2);
    EXPECT_EQ(Export({QStringLiteral("--font"), QStringLiteral(",12"), Q(m_tree.Root())}).ExitCode, 2);
    const TRun help = Export({QStringLiteral("--help")});
    EXPECT_EQ(help.ExitCode, 0);
    EXPECT_TRUE(help.Out.contains("--dirs-only"));
}

TEST_F(ExportTest, VersionAnswersInTheGnuFormAndHelpNamesIt)
{
    const TRun version = Export({QStringLiteral("--version")});
    EXPECT_EQ(version.ExitCode, 0);
    EXPECT_EQ(version.Out.toStdString(),
        "vantrel-oruk-export (Vantrel Oruk) " VANTREL_VERSION "\n"
        "Copyright (C) 2026 the Vantrel Oruk developers.\n"
        "Licence GPLv3+ : GNU GPL version 3 ou ultérieure <https://gnu.org/licenses/gpl.html>.\n"
        "Ceci est un logiciel libre : vous êtes libre de le modifier et de le redistribuer.\n"
        "Il n'y a AUCUNE GARANTIE, dans la limite permise par la loi.\n");
    EXPECT_TRUE(version.Err.isEmpty()) << version.Err.toStdString();
    // Given with a folder, it answers the same and reads nothing.
    EXPECT_EQ(Export({QStringLiteral("--version"), Q(m_tree.Root())}).Out, version.Out);
    EXPECT_TRUE(
        Export({QStringLiteral("--help")}).Out.contains("      --version          affiche la version\n"));
}

TEST_F(ExportTest, UnwritableOutputFailsWithOneAndKeepsTheOldFile)
{
    TTempTree out;
    out.TextFile("locked/keep.txt", "old");
    // A missing folder, and a "folder" that is a file: nothing to write into, also for root.
    for (const char *unreachable : {"none/x.txt", "locked/keep.txt/x.txt"}) {
        const TRun run = Export({Q(m_tree.Root()), QStringLiteral("-o"), Q(out.Path(unreachable))});
        EXPECT_EQ(run.ExitCode, 1) << unreachable;
        EXPECT_TRUE(run.Err.contains("Impossible de créer le fichier " + out.Path(unreachable)))
            << run.Err.toStdString();
    }
    // A folder that takes no new file, and a file that may not be written, for each format.
    for (const char *format : {"text", "rtf", "pdf"}) {
        for (const auto &[locked, mode] : {std::pair("locked", 0555u), std::pair("locked/keep.txt", 0444u)}) {
            SCOPED_TRACE(std::string(format) + " " + locked);
            const bool ran = WhileUnwritable(out, locked, mode, [&] {
                const TRun run = Export({Q(m_tree.Root()), QStringLiteral("--format"),
                    QString::fromLatin1(format), QStringLiteral("-o"), Q(out.Path("locked/keep.txt"))});
                EXPECT_EQ(run.ExitCode, 1);
                EXPECT_TRUE(run.Err.contains("Impossible de créer le fichier")) << run.Err.toStdString();
            });
            EXPECT_TRUE(ran || ::geteuid() == 0);
            EXPECT_EQ(ReadFile(out.Path("locked/keep.txt")), QByteArray("old"));
            EXPECT_EQ(FolderEntries(out.Path("locked")), std::vector<std::string>{"keep.txt"});
        }
    }
}

// Any locale but French and C speaks English: the help, the usage and write errors, the units and totals of
// the listing, and the HTML page's language.
TEST_F(ExportTest, SpeaksEnglishOutsideFrenchAndTheCLocale)
{
    const auto english
        = [](const std::vector<std::string> &arguments) { return ExportInLocale("en_US.UTF-8", arguments); };
    const std::string root = m_tree.Root();
    const TRun help = english({"--help"});
    EXPECT_TRUE(help.Out.startsWith("Usage: vantrel-oruk-export [OPTIONS] FOLDER\n"))
        << help.Out.toStdString();
    EXPECT_TRUE(help.Out.contains("      --version          shows the version\n"));
    EXPECT_EQ(english({"--bogus", root}).Err,
        "vantrel-oruk-export: unknown option: --bogus\nTry 'vantrel-oruk-export --help'.\n");
    EXPECT_TRUE(english({"--version"}).Out.contains("This is free software"));

    const TRun listing = english({"-sS", "--totals", root});
    EXPECT_EQ(listing.ExitCode, 0) << listing.Err.toStdString();
    EXPECT_TRUE(listing.Out.contains("x.txt\t\t\t\t\t\t\t3 KB\n")) << listing.Out.toStdString();
    EXPECT_TRUE(listing.Out.contains("notes.txt\t\t\t\t\t\t\t10 bytes\n"));
    EXPECT_TRUE(listing.Out.contains("\t(1 file, 3 KB)\n"));
    EXPECT_TRUE(listing.Out.endsWith("\nTotal: 4 files, 3 KB\n"));

    TTempTree out;
    ASSERT_EQ(english({root, "-o", out.Path("page.html")}).ExitCode, 0);
    const QByteArray page = ReadFile(out.Path("page.html"));
    EXPECT_TRUE(page.contains("<html lang=\"en\">") && page.contains("<title>Listing of "))
        << page.toStdString();

    out.File("file");
    const TRun unwritable = english({root, "-o", out.Path("file/x.txt")});
    EXPECT_EQ(unwritable.ExitCode, 1);
    EXPECT_TRUE(unwritable.Err.startsWith("vantrel-oruk-export: Cannot create file "))
        << unwritable.Err.toStdString();
}

// The C locales keep the source's French texts and formats, byte for byte.
TEST_F(ExportTest, TheCLocalesKeepTheSourceTexts)
{
    const std::vector<std::vector<std::string>> runs = {
        {"-sSD", "--totals", m_tree.Root()}, {"--help"}, {"--version"}, {"--max-depth", "x", m_tree.Root()}};
    for (const auto &arguments : runs) {
        const TRun c = ExportInLocale("C", arguments);
        EXPECT_TRUE(
            c.Out.contains("fichier") || c.Out.contains("Licence") || c.Err.contains("profondeur invalide"));
        for (const char *locale : {"C.UTF-8", "POSIX"}) {
            const TRun other = ExportInLocale(locale, arguments);
            EXPECT_EQ(other.Out, c.Out) << locale;
            EXPECT_EQ(other.Err, c.Err) << locale;
        }
    }
}

TEST(ParseExportArgs, TakesTheGnuForms)
{
    // Bundled flags with a value at their end, a value stuck to its letter, "=VALUE",
    // prefixes that name one option alone, options after the folder.
    TExportParse parse
        = ParseExportArgs({"-sSDo", "out.txt", "--tot", "dir", "--form", "json", "--exclude-d=c"});
    ASSERT_TRUE(parse.Error.empty()) << parse.Error;
    const TExportOptions &options = parse.Options;
    EXPECT_TRUE(options.Sorted && options.Sizes && options.Dates && options.Totals);
    EXPECT_EQ(options.Output, "out.txt");
    EXPECT_EQ(options.Format, TExportOptions::TFormat::Json);
    EXPECT_TRUE(options.Filter.ExcludeFolders.has_value());
    EXPECT_EQ(options.Folder, "dir");
    EXPECT_EQ(ParseExportArgs({"-oFILE.rtf", "dir"}).Options.Output, "FILE.rtf");
    EXPECT_EQ(ParseExportArgs({"--output=x.csv", "dir"}).Options.Format, TExportOptions::TFormat::Csv);

    EXPECT_EQ(ParseExportArgs({"--ex", "a", "dir"}).Error, "option ambiguë : --ex");
    EXPECT_EQ(ParseExportArgs({"-x", "dir"}).Error, "option inconnue : -x");
    EXPECT_EQ(ParseExportArgs({"--sorted=yes", "dir"}).Error, "l'option --sorted=yes ne prend pas de valeur");
    EXPECT_EQ(ParseExportArgs({"dir", "-o"}).Error, "l'option --output attend une valeur");
    EXPECT_FALSE(ParseExportArgs({"-o", "", "dir"}).Error.empty());
}

TEST(ParseExportArgs, KeepsTheFolderBytesAndReadsTheFont)
{
    TExportParse parse = ParseExportArgs({"--font", "Courier New,12", "-D", "/tmp/caf\xe9"});
    ASSERT_TRUE(parse.Error.empty()) << parse.Error;
    EXPECT_EQ(parse.Options.Folder, "/tmp/caf\xe9");
    EXPECT_EQ(parse.Options.FontName, QStringLiteral("Courier New"));
    EXPECT_EQ(parse.Options.FontPoints, 12);
    EXPECT_TRUE(parse.Options.Dates);

    parse = ParseExportArgs({"--font=DejaVu Sans", "--", "-folder"});
    ASSERT_TRUE(parse.Error.empty()) << parse.Error;
    EXPECT_EQ(parse.Options.Folder, "-folder");
    EXPECT_FALSE(parse.Options.FontPoints.has_value());

    EXPECT_FALSE(ParseExportArgs({"--font", "Arial,0", "/"}).Error.empty());
    EXPECT_FALSE(ParseExportArgs({"--format", "doc", "/"}).Error.empty());
    EXPECT_FALSE(ParseExportArgs({"/a", "/b"}).Error.empty());
    EXPECT_FALSE(ParseExportArgs({"-o"}).Error.empty());
}
