#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "tests/app/exportrun.h"
#include "tests/support/filekinds.h"
#include "tests/support/pdftext.h"
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
