#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include "platform/printer.h"
#include "tests/support/pdftext.h"
#include "tests/support/temptree.h"

namespace {

QByteArray Contents(const std::string &path)
{
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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
    EXPECT_FALSE(QFile::exists(QString::fromStdString(pdf)));
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
    EXPECT_EQ(QDir(QString::fromStdString(dir.Root())).entryList(QDir::Files),
        QStringList({QStringLiteral("keep.pdf")}));
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
