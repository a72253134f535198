#include <cerrno>
#include <filesystem>
#include <string>
#include <unistd.h>

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include "platform/print/printer.h"
#include "platform/system/qtext.h"
#include "tests/support/filekinds.h"
#include "tests/support/gui/pdftext.h"
#include "tests/support/temptree.h"

namespace {

QByteArray Contents(const std::string &path)
{
    QFile file(ToQString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A one-page PDF saying `text`, printed to `fileName`.
void PrintPdf(TPrinter &printer, const std::string &fileName, const QString &text = QStringLiteral("Bonjour"))
{
    printer.SelectPdf(fileName);
    printer.BeginDoc();
    printer.Canvas().TextOut(0, 0, text);
    printer.EndDoc();
}

// The text of a PDF file, read through a UTF-8 name (a hard link) whatever its own name.
QString PdfText(const TTempTree &dir, const std::string &path)
{
    const std::string readable = dir.Path("readable.pdf");
    std::filesystem::remove(readable);
    if (::link(path.c_str(), readable.c_str()) != 0)
        return {};
    const auto pages = PdfPageTexts(readable);
    std::filesystem::remove(readable);
    return pages.size() == 1 ? pages[0] : QString();
}

} // namespace

TEST(Printer, NoPrinterRaisesThePrinterError)
{
    TPrinter printer;
    EXPECT_FALSE(printer.Available());
    EXPECT_THROW(printer.BeginDoc(), EPrinter);
    EXPECT_THROW(printer.Handle().GetDeviceCaps(LOGPIXELSX), EPrinter);
    EXPECT_THROW(printer.Title(), EPrinter);
    EXPECT_THROW(printer.Canvas().TextWidth(QStringLiteral("M")), EPrinter);
    EXPECT_FALSE(printer.Printing());
}

TEST(Printer, PdfPrinterAnswersItsPageInDevicePixels)
{
    TTempTree dir;
    TPrinter printer;
    printer.SelectPdf(dir.Path("a.pdf"));
    TDeviceContext &dc = printer.Handle();
    EXPECT_EQ(dc.GetDeviceCaps(LOGPIXELSX), 600);
    EXPECT_EQ(dc.GetDeviceCaps(LOGPIXELSY), 600);
    EXPECT_EQ(dc.GetDeviceCaps(PHYSICALOFFSETX), 142); // 6 mm
    EXPECT_EQ(dc.GetDeviceCaps(PHYSICALOFFSETY), 142);
    EXPECT_NEAR(dc.GetDeviceCaps(PHYSICALWIDTH), 595 / 72.0 * 600, 1);
    EXPECT_NEAR(dc.GetDeviceCaps(HORZRES), dc.GetDeviceCaps(PHYSICALWIDTH) - 2 * 141.7, 1);
    EXPECT_NEAR(dc.GetDeviceCaps(VERTRES), dc.GetDeviceCaps(PHYSICALHEIGHT) - 2 * 141.7, 1);
    EXPECT_EQ(dc.SetMapMode(MM_TEXT), MM_TEXT);

    printer.SetOrientation(TPrinterOrientation::poLandscape);
    EXPECT_GT(dc.GetDeviceCaps(HORZRES), dc.GetDeviceCaps(VERTRES));
    EXPECT_EQ(printer.Orientation(), TPrinterOrientation::poLandscape);
}

TEST(Printer, DocumentStatesAndTheFileAppearOnlyAtTheEnd)
{
    TTempTree dir;
    TPrinter printer;
    const std::string pdf = dir.Path("doc.pdf");
    printer.SelectPdf(pdf);
    printer.SetTitle(QStringLiteral("Titre"));
    EXPECT_THROW(printer.NewPage(), EPrinter);
    EXPECT_THROW(printer.EndDoc(), EPrinter);

    printer.BeginDoc();
    EXPECT_TRUE(printer.Printing());
    EXPECT_THROW(printer.BeginDoc(), EPrinter);
    EXPECT_THROW(printer.SetTitle(QStringLiteral("x")), EPrinter);
    printer.Canvas().TextOut(0, 0, QStringLiteral("Bonjour"));
    printer.NewPage();
    EXPECT_EQ(printer.PageNumber(), 2);
    EXPECT_FALSE(QFile::exists(ToQString(pdf)));
    printer.EndDoc();
    EXPECT_FALSE(printer.Printing());
    EXPECT_TRUE(Contents(pdf).startsWith("%PDF"));
    EXPECT_EQ(PdfTitle(pdf), QStringLiteral("Titre"));
}

TEST(Printer, UnwritableOrAbortedPdfLeavesTheOldFileAndNoTemporary)
{
    TTempTree dir;
    TPrinter printer;
    printer.SelectPdf(dir.Path("none/x.pdf"));
    try {
        printer.BeginDoc();
        ADD_FAILURE();
    } catch (const EInOutError &error) {
        EXPECT_EQ(error.Message(), "Impossible de créer le fichier " + dir.Path("none/x.pdf"));
    }
    EXPECT_FALSE(printer.Printing());

    dir.TextFile("keep.pdf", "old");
    printer.SelectPdf(dir.Path("keep.pdf"));
    printer.BeginDoc();
    printer.Canvas().TextOut(0, 0, QStringLiteral("x"));
    printer.Abort();
    EXPECT_FALSE(printer.Printing());
    EXPECT_EQ(Contents(dir.Path("keep.pdf")), QByteArray("old"));
    EXPECT_EQ(QDir(ToQString(dir.Root())).entryList(QDir::Files), QStringList({QStringLiteral("keep.pdf")}));
}

TEST(Printer, CurrentPrinterCanBeReplacedForAWhile)
{
    TPrinter mine;
    TPrinter &own = Printer();
    SetPrinter(&mine);
    EXPECT_EQ(&Printer(), &mine);
    SetPrinter(nullptr);
    EXPECT_EQ(&Printer(), &own);
}

TEST(Printer, PdfThroughADeviceLeavesItADevice)
{
    TTempTree dir;
    TPrinter printer;
    MAKE_NULL_DEVICE_OR_SKIP(dir.Path("null.pdf"));
    PrintPdf(printer, dir.Path("null.pdf"));
    EXPECT_TRUE(IsNullDevice(dir.Path("null.pdf")));
    EXPECT_EQ(FolderEntries(dir.Root()), std::vector<std::string>{"null.pdf"});
}

TEST(Printer, PdfThroughAFifoReachesItsReaderAndLeavesItAFifo)
{
    TTempTree dir;
    TPrinter printer;
    dir.Fifo("fifo.pdf");
    TFifoReader reader(dir.Path("fifo.pdf"));
    PrintPdf(printer, dir.Path("fifo.pdf"), QStringLiteral("Par le tube"));
    const QByteArray pdf = reader.Finish();
    EXPECT_TRUE(pdf.startsWith("%PDF")) << pdf.left(20).toStdString();
    EXPECT_TRUE(IsFifo(dir.Path("fifo.pdf")));
    dir.TextFile("received.pdf", pdf.toStdString());
    EXPECT_TRUE(PdfText(dir, dir.Path("received.pdf")).contains(QStringLiteral("Par le tube")));
    EXPECT_EQ(FolderEntries(dir.Root()), (std::vector<std::string>{"fifo.pdf", "received.pdf"}));
}

TEST(Printer, PdfIntoADirectoryOrASocketIsRefusedAndTheyStay)
{
    TTempTree dir;
    dir.Folder("folder.pdf");
    const TBoundSocket socket(dir.Path("socket.pdf"));
    TPrinter printer;
    for (const std::string name : {"folder.pdf", "socket.pdf"}) {
        printer.SelectPdf(dir.Path(name));
        try {
            printer.BeginDoc();
            ADD_FAILURE() << name;
        } catch (const EInOutError &error) {
            EXPECT_EQ(error.Message(), "Impossible de créer le fichier " + dir.Path(name));
        }
        EXPECT_FALSE(printer.Printing());
    }
    EXPECT_TRUE(IsFolder(dir.Path("folder.pdf")));
    EXPECT_TRUE(IsSocket(dir.Path("socket.pdf")));
    EXPECT_EQ(FolderEntries(dir.Root()), (std::vector<std::string>{"folder.pdf", "socket.pdf"}));
}

TEST(Printer, PdfToALinkReplacesTheFileItNamesAndADanglingLinkGetsItsFile)
{
    TTempTree dir;
    TPrinter printer;
    dir.TextFile("real.pdf", "old");
    dir.Symlink("links/to real.pdf", "../real.pdf");
    PrintPdf(printer, dir.Path("links/to real.pdf"), QStringLiteral("Remplace"));
    EXPECT_TRUE(PdfText(dir, dir.Path("real.pdf")).contains(QStringLiteral("Remplace")));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.Path("links/to real.pdf")));

    dir.Symlink("links/dangling.pdf", "../made/new \xE9.pdf");
    dir.Folder("made");
    PrintPdf(printer, dir.Path("links/dangling.pdf"), QStringLiteral("Nouveau"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.Path("links/dangling.pdf")));
    EXPECT_TRUE(PdfText(dir, dir.Path("made/new \xE9.pdf")).contains(QStringLiteral("Nouveau")));
    EXPECT_EQ(FolderEntries(dir.Path("links")), (std::vector<std::string>{"dangling.pdf", "to real.pdf"}));
    EXPECT_EQ(FolderEntries(dir.Path("made")), std::vector<std::string>{"new \xE9.pdf"});
}

TEST(Printer, PdfUnderANameThatIsNotUtf8IsWrittenUnderExactlyThatName)
{
    TTempTree dir;
    TPrinter printer;
    const std::string name = "caf\xE9 \xFF.pdf";
    dir.TextFile(name, "old");
    dir.Chmod(name, 0640);
    PrintPdf(printer, dir.Path(name), QStringLiteral("Octets"));
    EXPECT_TRUE(PdfText(dir, dir.Path(name)).contains(QStringLiteral("Octets")));
    EXPECT_EQ(FolderEntries(dir.Root()), std::vector<std::string>{name});
    EXPECT_EQ(std::filesystem::status(dir.Path(name)).permissions(),
        std::filesystem::perms::owner_read | std::filesystem::perms::owner_write
            | std::filesystem::perms::group_read);
}

TEST(Printer, PdfCutShortByTheFileSystemKeepsTheOldFile)
{
    TTempTree dir;
    dir.TextFile("keep.pdf", "old");
    TPrinter printer;
    printer.SelectPdf(dir.Path("keep.pdf"));
    printer.BeginDoc();
    for (int line = 0; line < 60; ++line)
        printer.Canvas().TextOut(
            0, line * 80, QStringLiteral("Une ligne de texte assez longue, numéro %1").arg(line));
    std::string detail = "no EInOutError";
    {
        const TFileSizeLimit limit(4096);
        try {
            printer.EndDoc();
        } catch (const EInOutError &error) {
            detail = error.Detail();
        }
    }
    // The engine does not say why its writes failed; the file it wrote tells.
    EXPECT_EQ(detail, dir.Path("keep.pdf") + " : " + SystemErrorText(EFBIG));
    EXPECT_FALSE(printer.Printing());
    EXPECT_EQ(Contents(dir.Path("keep.pdf")), QByteArray("old"));
    EXPECT_EQ(FolderEntries(dir.Root()), std::vector<std::string>{"keep.pdf"});
}
