#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "tests/app/export/exportrun.h"
#include "tests/support/filekinds.h"
#include "tests/support/gui/pdftext.h"
#include "tests/support/temptree.h"

namespace {

struct TFormat
{
    std::string Name; // for --format
    std::string Extension; // the output file's
    std::string Start; // what its output begins with
};

const std::vector<TFormat> Formats
    = {{"text", ".txt", " \n"}, {"rtf", ".rtf", "{\\rtf1"}, {"pdf", ".pdf", "%PDF"}};
// With the data formats.
const std::vector<TFormat> AllFormats
    = {{"text", ".txt", " \n"}, {"rtf", ".rtf", "{\\rtf1"}, {"pdf", ".pdf", "%PDF"}, {"csv", ".csv", "kind,"},
        {"json", ".json", "{"}, {"html", ".html", "<!DOCTYPE"}};

constexpr uid_t Nobody = 65534;

// The lines of a standard error, without Qt's own warnings.
std::vector<std::string> ErrLines(const QByteArray &err)
{
    std::vector<std::string> lines;
    for (const QByteArray &line : err.split('\n')) {
        if (!line.isEmpty() && !line.startsWith("QStandardPaths:"))
            lines.push_back(line.toStdString());
    }
    return lines;
}

// The text of a PDF's pages, from its bytes.
std::string PdfText(const TTempTree &tree, const std::string &bytes)
{
    const std::string readable = tree.Path("readable.pdf");
    std::filesystem::remove(readable);
    std::ofstream(readable, std::ios::binary) << bytes;
    std::string text;
    for (const QString &page : PdfPageTexts(readable))
        text += page.toStdString();
    std::filesystem::remove(readable);
    return text;
}

class ExportTargets : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_tree.File("notes.txt", 10);
        m_tree.File("a/x.txt", 2560);
    }

    TRun Run(const TFormat &format, const std::string &output)
    {
        return Export(std::vector<std::string>{"--format", format.Name, "-o", output, m_tree.Root()});
    }

    TTempTree m_tree;
};

} // namespace

TEST_F(ExportTargets, DeviceNodesStayDeviceNodesForEveryFormat)
{
    TTempTree out;
    for (const TFormat &format : Formats) {
        SCOPED_TRACE(format.Name);
        const std::string device = out.Path("null" + format.Extension);
        MAKE_NULL_DEVICE_OR_SKIP(device);
        const TRun run = Run(format, device);
        EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
        EXPECT_TRUE(IsNullDevice(device));
    }
    EXPECT_EQ(FolderEntries(out.Root()), (std::vector<std::string>{"null.pdf", "null.rtf", "null.txt"}));
}

TEST_F(ExportTargets, AFifoWithAReaderGetsTheWholeListingAndStaysAFifo)
{
    const QByteArray listing = Export(std::vector<std::string>{m_tree.Root()}).Out;
    ASSERT_TRUE(listing.endsWith("notes.txt\n"));
    TTempTree out;
    for (const TFormat &format : Formats) {
        SCOPED_TRACE(format.Name);
        const std::string fifo = "fifo \xE9" + format.Extension;
        out.Fifo(fifo);
        TFifoReader reader(out.Path(fifo));
        const TRun run = Run(format, out.Path(fifo));
        const QByteArray received = reader.Finish();
        EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
        EXPECT_TRUE(IsFifo(out.Path(fifo)));
        EXPECT_TRUE(received.startsWith(QByteArray::fromStdString(format.Start)))
            << received.left(20).toStdString();
        if (format.Name == "text") {
            EXPECT_EQ(received, listing);
        } else if (format.Name == "rtf") {
            EXPECT_TRUE(received.contains("x.txt") && received.trimmed().endsWith("}"));
        }
        if (format.Name == "pdf") {
            const std::string text = PdfText(out, received.toStdString());
            EXPECT_NE(text.find("x.txt"), std::string::npos) << text;
            EXPECT_NE(text.find("Page 1"), std::string::npos) << text;
        }
    }
}

TEST_F(ExportTargets, DirectoriesAndSocketsAreRefusedForEveryFormatAndStay)
{
    TTempTree out;
    for (const TFormat &format : Formats) {
        SCOPED_TRACE(format.Name);
        out.Folder("folder" + format.Extension);
        const TBoundSocket socket(out.Path("socket" + format.Extension));
        for (const std::string name : {"folder", "socket"}) {
            const std::string target = out.Path(name + format.Extension);
            const TRun run = Run(format, target);
            EXPECT_EQ(run.ExitCode, 1) << name;
            EXPECT_TRUE(run.Err.contains("Impossible de créer le fichier " + target))
                << run.Err.toStdString();
        }
        EXPECT_TRUE(IsFolder(out.Path("folder" + format.Extension)));
        EXPECT_TRUE(IsSocket(out.Path("socket" + format.Extension)));
    }
    EXPECT_EQ(FolderEntries(out.Root()).size(), 6u);
}

TEST_F(ExportTargets, LinksKeepPointingAtTheReplacedFileAndADanglingLinkGetsItsFileForEveryFormat)
{
    TTempTree out;
    out.Folder("files");
    for (const TFormat &format : Formats) {
        SCOPED_TRACE(format.Name);
        const std::string real = "real \xE9" + format.Extension;
        out.TextFile("files/" + real, "old");
        out.Symlink("links/to real" + format.Extension, "../files/" + real);
        TRun run = Run(format, out.Path("links/to real" + format.Extension));
        EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
        EXPECT_TRUE(FileBytes(out.Path("files/" + real)).starts_with(format.Start));
        EXPECT_TRUE(std::filesystem::is_symlink(out.Path("links/to real" + format.Extension)));

        const std::string made = "made \xE9" + format.Extension;
        out.Symlink("links/dangling" + format.Extension, "../files/" + made);
        run = Run(format, out.Path("links/dangling" + format.Extension));
        EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
        EXPECT_TRUE(FileBytes(out.Path("files/" + made)).starts_with(format.Start));
        EXPECT_TRUE(std::filesystem::is_symlink(out.Path("links/dangling" + format.Extension)));
    }
    EXPECT_EQ(FolderEntries(out.Path("files")).size(), 6u);
    EXPECT_EQ(FolderEntries(out.Path("links")).size(), 6u);
}

TEST_F(ExportTargets, PdfUnderANameThatIsNotUtf8ReadsBack)
{
    TTempTree out;
    const std::string name = out.Path("liste \xE9\xFF.pdf");
    const TRun run = Export(std::vector<std::string>{"-s", "-o", name, m_tree.Root()});
    EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    const std::string text = PdfText(out, FileBytes(name));
    EXPECT_NE(text.find("notes.txt"), std::string::npos) << text;
    EXPECT_NE(text.find("Page 1"), std::string::npos) << text;
    EXPECT_EQ(FolderEntries(out.Root()), std::vector<std::string>{"liste \xE9\xFF.pdf"});
}

TEST_F(ExportTargets, StandardOutputByNameIsWrittenThrough)
{
    const QByteArray listing = Export(std::vector<std::string>{m_tree.Root()}).Out;
    for (const char *name : {"/dev/stdout", "/proc/self/fd/1", "/dev/fd/1"}) {
        SCOPED_TRACE(name);
        TRun run = Export(std::vector<std::string>{"-o", name, m_tree.Root()});
        EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
        EXPECT_EQ(run.Out, listing);
        run = Export(std::vector<std::string>{"--format", "pdf", "-o", name, m_tree.Root()});
        EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
        EXPECT_TRUE(run.Out.startsWith("%PDF"));
        EXPECT_TRUE(run.Out.trimmed().endsWith("%%EOF"));
    }
}

// A link that another user planted in a shared sticky folder (as /tmp is) is not
// followed, as the kernel's fs.protected_symlinks would not follow it: the file it names
// stays as it was and a dangling one creates nothing; a link of the folder's owner is.
TEST_F(ExportTargets, ALinkPlantedByAnotherUserInAStickyFolderIsRefusedForEveryFormat)
{
    TTempTree out;
    out.Folder("shared");
    out.Chmod("shared", 01777);
    out.TextFile("private/secret", "secret");
    for (const TFormat &format : AllFormats) {
        SCOPED_TRACE(format.Name);
        const std::string planted = "shared/planted" + format.Extension;
        const std::string dangling = "shared/dangling" + format.Extension;
        const std::string chain = "shared/chain" + format.Extension;
        out.Symlink(planted, out.Path("private/secret"));
        out.Symlink(dangling, out.Path("private/made" + format.Extension));
        out.Symlink(chain, "planted" + format.Extension); // root's link to the planted one
        for (const std::string &link : {planted, dangling}) {
            // Only a privileged user may give a link away.
            const int given = ::lchown(out.Path(link).c_str(), Nobody, Nobody);
            if (given != 0 && errno == EPERM)
                GTEST_SKIP() << "lchown to another user is not permitted here";
            ASSERT_EQ(given, 0);
        }
        for (const std::string &link : {planted, dangling, chain}) {
            SCOPED_TRACE(link);
            const TRun run = Run(format, out.Path(link));
            EXPECT_EQ(run.ExitCode, 1) << run.Err.toStdString();
            EXPECT_TRUE(run.Err.contains("Impossible de créer le fichier " + out.Path(link)))
                << run.Err.toStdString();
            EXPECT_TRUE(std::filesystem::is_symlink(out.Path(link)));
        }
        EXPECT_EQ(FileBytes(out.Path("private/secret")), "secret");
        EXPECT_EQ(FolderEntries(out.Path("private")), std::vector<std::string>{"secret"});

        // The folder's owner's link is followed.
        const std::string owners = "shared/owners" + format.Extension;
        out.Symlink(owners, out.Path("private/owners" + format.Extension));
        const TRun run = Run(format, out.Path(owners));
        EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
        EXPECT_TRUE(FileBytes(out.Path("private/owners" + format.Extension)).starts_with(format.Start));
        std::filesystem::remove(out.Path("private/owners" + format.Extension));
    }
}

// The temporary's name fits whatever the target's: names of 245 to 255 bytes, new or
// replacing a file, are written.
TEST_F(ExportTargets, NamesOfUpTo255BytesAreWrittenForEveryFormat)
{
    TTempTree out;
    for (const TFormat &format : AllFormats) {
        SCOPED_TRACE(format.Name);
        for (const std::size_t length : {245u, 250u, 255u}) {
            SCOPED_TRACE(length);
            const std::string name
                = "\xC3\xA9" + std::string(length - 2 - format.Extension.size(), 'n') + format.Extension;
            ASSERT_EQ(name.size(), length);
            TRun run = Run(format, out.Path(name));
            EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
            EXPECT_TRUE(FileBytes(out.Path(name)).starts_with(format.Start));
            out.TextFile(name, "old");
            out.Chmod(name, 0604);
            run = Run(format, out.Path(name));
            EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
            EXPECT_TRUE(FileBytes(out.Path(name)).starts_with(format.Start));
            struct stat status
            {
            };
            ASSERT_EQ(::stat(out.Path(name).c_str(), &status), 0);
            EXPECT_EQ(status.st_mode & 07777, 0604u);
            EXPECT_EQ(FolderEntries(out.Root()), std::vector<std::string>{name});
            std::filesystem::remove(out.Path(name));
        }
    }
}

// A full file system: the first line stays the message it was, the second names the file
// as given and the system's reason (in French where the C library has French); the old
// file stays and no temporary is left. Alike when the write fails after the walk (sorted)
// and while it goes on (in the walk's order).
TEST_F(ExportTargets, AFullFileSystemGivesTheFileAndTheSystemsReasonForEveryFormat)
{
    TTempTree big;
    for (int file = 0; file < 3000; ++file)
        big.File("a rather long file name to fill the pages, number " + std::to_string(file) + ".txt");
    TTempTree out;
    out.Folder("small");
    const TSmallFileSystem small(out.Path("small"), 64 * 1024);
    // Where no file system may be mounted, a file size limit stops the writes instead
    // (with SIGXFSZ ignored, also by the export, so that the write just fails).
    std::optional<TFileSizeLimit> limit;
    if (!small.Ok())
        limit.emplace(64 * 1024);
    const int reason = small.Ok() ? ENOSPC : EFBIG;
    for (const auto &[format, order] : [] {
             std::vector<std::pair<TFormat, std::string>> both;
             for (const TFormat &format : AllFormats) {
                 for (const char *order : {"-sSD", "-SD"})
                     both.emplace_back(format, order);
             }
             return both;
         }()) {
        SCOPED_TRACE(format.Name + " " + order);
        const std::string target = out.Path("small/out" + format.Extension);
        out.TextFile("small/out" + format.Extension, "old");
        const TRun run = Export(
            std::vector<std::string>{order, "--format", format.Name, "-o", target, big.Root()}, {SIGXFSZ});
        EXPECT_EQ(run.ExitCode, 1) << run.Err.toStdString();
        const std::vector<std::string> lines = ErrLines(run.Err);
        ASSERT_EQ(lines.size(), 2u) << run.Err.toStdString();
        if (format.Name == "pdf") {
            EXPECT_TRUE(lines[0] == "vantrel-oruk-export : Not be able to print a new page."
                || lines[0] == "vantrel-oruk-export : Not be able to print to a file.")
                << lines[0];
        } else {
            EXPECT_EQ(lines[0], "vantrel-oruk-export : Erreur à l'enregistrement de flux");
        }
        EXPECT_EQ(lines[1], target + " : " + FrenchOrEnglishErrorText(reason));
        EXPECT_EQ(FileBytes(target), "old");
        EXPECT_EQ(FolderEntries(out.Path("small")), std::vector<std::string>{"out" + format.Extension});
        std::filesystem::remove(target);
    }
}

// Extended attributes and the POSIX ACL of a replaced file are carried over to the new one.
TEST_F(ExportTargets, AReplacedFileKeepsItsExtendedAttributesAndAclForEveryFormat)
{
    std::string tried;
    const std::unique_ptr<TTempTree> out = TreeKeepingUserXattrs(tried);
    if (!out)
        GTEST_SKIP() << "no writable folder keeps user extended attributes; tried " << tried;
    for (const TFormat &format : AllFormats) {
        SCOPED_TRACE(format.Name);
        const std::string name = "kept" + format.Extension;
        out->TextFile(name, "old");
        const std::string target = out->Path(name);
        const unsigned long inode = InodeOf(target);
        const std::string value("kept \xE9\0binary", 13);
        ASSERT_EQ(SetXattr(target, "user.origin", value), 0);
        const bool acl = SetXattr(target, "system.posix_acl_access", AccessAclWithReader(Nobody)) == 0;
        const bool trusted = SetXattr(target, "trusted.vantrel", "root only") == 0;
        const auto aclBefore = Xattr(target, "system.posix_acl_access");
        const TRun run = Run(format, target);
        EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
        EXPECT_TRUE(FileBytes(target).starts_with(format.Start));
        EXPECT_NE(InodeOf(target), inode); // replaced, not written in place
        EXPECT_EQ(Xattr(target, "user.origin"), value);
        if (acl) {
            EXPECT_EQ(Xattr(target, "system.posix_acl_access"), aclBefore);
            struct stat status
            {
            };
            ASSERT_EQ(::stat(target.c_str(), &status), 0);
            EXPECT_EQ(status.st_mode & 07777, 0640u);
        }
        if (trusted) {
            EXPECT_EQ(Xattr(target, "trusted.vantrel"), "root only");
        }
        EXPECT_EQ(FolderEntries(out->Root()), std::vector<std::string>{name});
        std::filesystem::remove(target);
    }
}

// An empty output name is a usage error rather than standard output.
TEST_F(ExportTargets, AnEmptyOutputNameIsAUsageError)
{
    for (const std::vector<std::string> &arguments : {std::vector<std::string>{"-o", "", m_tree.Root()},
             std::vector<std::string>{"--output=", m_tree.Root()},
             std::vector<std::string>{"--output", "", "--format", "csv", m_tree.Root()}}) {
        const TRun run = Export(arguments);
        EXPECT_EQ(run.ExitCode, 2) << run.Err.toStdString();
        EXPECT_TRUE(run.Out.isEmpty());
        EXPECT_TRUE(run.Err.contains("vantrel-oruk-export : le nom du fichier de sortie est vide"))
            << run.Err.toStdString();
    }
}
