#include <QApplication>
#include <QFile>
#include <QPalette>
#include <QPushButton>

#include <gtest/gtest.h>

#include "app/window/foldertree.h"
#include "app/window/unit1.h"
#include "platform/print/printer.h"
#include "platform/system/qtext.h"
#include "platform/ui/application.h"
#include "platform/ui/richedit.h"
#include "richprint/richprint.h"
#include "tests/support/gui/pdftext.h"
#include "tests/support/gui/rtfreader.h"
#include "tests/support/gui/scriptedprintdialogs.h"
#include "tests/support/temptree.h"

namespace {

class TForm1PrintTest : public ::testing::Test
{
protected:
    TForm1PrintTest()
    {
        Printer().SelectNone();
        Application().SetTitle(QStringLiteral("Vantrel Oruk"));
        m_form = std::make_unique<TForm1>();
    }
    ~TForm1PrintTest() override { Printer().SelectNone(); }

    TScriptedPrintDialogs m_dialogs;
    TTempTree m_tree;
    std::unique_ptr<TForm1> m_form;
};

TPrinterChoice PdfChoice(const std::string &fileName)
{
    TPrinterChoice choice;
    choice.Kind = TPrinterChoice::TKind::pkPdfFile;
    choice.FileName = fileName;
    return choice;
}

// The application palette of a dark desktop theme, for the object's life.
class TDarkPalette
{
public:
    TDarkPalette()
        : m_saved(QApplication::palette())
    {
        const QColor dark(0x20, 0x20, 0x20);
        const QColor light(0xF0, 0xF0, 0xF0);
        QPalette palette;
        for (const auto role : {QPalette::Window, QPalette::Base, QPalette::Button})
            palette.setColor(role, dark);
        for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            palette.setColor(role, light);
        QApplication::setPalette(palette);
    }
    ~TDarkPalette() { QApplication::setPalette(m_saved); }
    TDarkPalette(const TDarkPalette &) = delete;
    TDarkPalette &operator=(const TDarkPalette &) = delete;

private:
    QPalette m_saved;
};

constexpr int RasterDpi = 50;

// The pixels of the first page, at RasterDpi, inside the box of the first word `text`;
// a null image when the page has no such word.
QImage WordPixels(const std::string &pdf, const QString &text)
{
    for (const TPdfWord &word : PdfWords(pdf)) {
        if (word.Page != 1 || word.Text != text)
            continue;
        const double scale = RasterDpi / 72.0;
        const QRect box(QPoint(int(word.XMin * scale), int(word.YMin * scale)),
            QPoint(int(word.XMax * scale + 0.5), int(word.YMax * scale + 0.5)));
        return PdfPageImage(pdf, 1, RasterDpi).copy(box);
    }
    return {};
}

// The grey level of the darkest pixel (255 for an empty image).
int DarkestGrey(const QImage &image)
{
    int darkest = 255;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            darkest = qMin(darkest, qGray(image.pixel(x, y)));
    return darkest;
}

// How far the reddest pixel's red stands above its green and blue.
int Redness(const QImage &image)
{
    int reddest = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            reddest = qMax(reddest, qRed(pixel) - qMax(qGreen(pixel), qBlue(pixel)));
        }
    }
    return reddest;
}

// The colour of each run of the saved file; an "auto" entry reads as black, which is how
// a word processor shows it on a white page.
std::vector<QColor> RunColours(const std::string &rtfPath)
{
    QFile file(ToQString(rtfPath));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const TRtfDocument rtf = ReadRtf(file.readAll());
    EXPECT_TRUE(rtf.Ok()) << rtf.Error.toStdString();
    std::vector<QColor> colours;
    for (const TRtfParagraph &paragraph : rtf.Paragraphs) {
        for (const TRtfRun &run : paragraph.Runs) {
            const QColor colour
                = run.Color > 0 && run.Color < rtf.Colors.size() ? rtf.Colors[run.Color] : QColor(Qt::black);
            colours.push_back(colour.isValid() ? colour : QColor(Qt::black));
        }
    }
    return colours;
}

} // namespace

TEST_F(TForm1PrintTest, UnderADarkDesktopThemeTheListingPrintsAndSavesInBlack)
{
    const TDarkPalette dark;
    m_tree.File("chapitre/dossier.txt", 10);
    m_tree.File("notes.txt", 10);
    m_form->tva->SelectPath(m_tree.Root());
    m_form->BuildListing();
    m_form->RichPrinter1->SetHeader(QStringLiteral("Inventaire"));
    // The screen follows the theme.
    EXPECT_EQ(m_form->RichEdit1->palette().color(QPalette::Text), QColor(0xF0, 0xF0, 0xF0));

    const std::string pdf = m_tree.Path("listing.pdf");
    m_dialogs.PrintAnswers = {PdfChoice(pdf)};
    m_form->Button3->click();
    ASSERT_TRUE(m_dialogs.Messages.empty()) << m_dialogs.Messages[0].Text.toStdString();
    for (const char *word : {"chapitre", "dossier.txt", "notes.txt", "Inventaire", "Page"}) {
        const QImage pixels = WordPixels(pdf, ToQString(word));
        ASSERT_FALSE(pixels.isNull()) << word;
        EXPECT_LT(DarkestGrey(pixels), 128) << word;
    }

    m_dialogs.SaveAnswers = {m_tree.Path("listing.rtf")};
    m_form->Button4->click();
    const std::vector<QColor> colours = RunColours(m_tree.Path("listing.rtf"));
    ASSERT_FALSE(colours.empty());
    for (const QColor &colour : colours)
        EXPECT_EQ(colour, QColor(Qt::black)) << colour.name().toStdString();
}

TEST_F(TForm1PrintTest, AColourChosenInTheFontDialogIsPrintedAndSavedAsChosen)
{
    const TDarkPalette dark;
    m_tree.File("rouge.txt", 10);
    TFont red;
    red.Name = QStringLiteral("Arial");
    red.SetSize(14);
    red.Color = QColorToColor(QColor(Qt::red));
    m_dialogs.FontAnswers = {red};
    m_form->Button2->click();
    m_form->tva->SelectPath(m_tree.Root());
    m_form->BuildListing();

    const std::string pdf = m_tree.Path("listing.pdf");
    m_dialogs.PrintAnswers = {PdfChoice(pdf)};
    m_form->Button3->click();
    ASSERT_TRUE(m_dialogs.Messages.empty()) << m_dialogs.Messages[0].Text.toStdString();
    EXPECT_GT(Redness(WordPixels(pdf, QStringLiteral("rouge.txt"))), 120);
    // The footer keeps its own font, in black.
    const QImage footer = WordPixels(pdf, QStringLiteral("Page"));
    EXPECT_LT(DarkestGrey(footer), 128);
    EXPECT_LT(Redness(footer), 40);

    m_dialogs.SaveAnswers = {m_tree.Path("listing.rtf")};
    m_form->Button4->click();
    const std::vector<QColor> colours = RunColours(m_tree.Path("listing.rtf"));
    ASSERT_FALSE(colours.empty());
    for (const QColor &colour : colours)
        EXPECT_EQ(colour, QColor(Qt::red)) << colour.name().toStdString();
}

TEST_F(TForm1PrintTest, PrinterComponentCarriesTheWindowsDesignValues)
{
    TRichPrinter &printer = *m_form->RichPrinter1;
    EXPECT_EQ(printer.parent(), m_form.get());
    EXPECT_DOUBLE_EQ(printer.MarginTop(), 30);
    EXPECT_DOUBLE_EQ(printer.MarginBottom(), 25);
    EXPECT_DOUBLE_EQ(printer.MarginLeft(), 25);
    EXPECT_DOUBLE_EQ(printer.MarginRight(), 15);
    EXPECT_EQ(printer.Header(), QStringLiteral("{$TITLE}"));
    EXPECT_EQ(printer.Footer(), QStringLiteral("Page {$PAGE}"));
    EXPECT_EQ(printer.FooterFormat(), QStringLiteral(">100"));
    EXPECT_FALSE(printer.ShowProgress());
    EXPECT_EQ(printer.Font_HeaderFooter().Name, QStringLiteral("Courier New"));
    EXPECT_EQ(printer.Font_HeaderFooter().Size(), 10);
    EXPECT_EQ(printer.MeasureUnit(), TMeasureUnit::muMillimeters);
}

TEST_F(TForm1PrintTest, CancelledDialogPrintsNothing)
{
    m_dialogs.PrintAnswers = {std::nullopt};
    m_form->Button3->click();
    EXPECT_EQ(m_dialogs.PrintRequests.size(), 1u);
    EXPECT_FALSE(Printer().Available());
    EXPECT_TRUE(m_dialogs.Messages.empty());
}

TEST_F(TForm1PrintTest, ChosenPdfFileReceivesTheListingWithNumberedFooters)
{
    m_tree.File("a/x.txt");
    m_tree.File("notes.txt");
    m_form->tva->SelectPath(m_tree.Root());
    m_form->BuildListing();
    const std::string pdf = m_tree.Path("listing.pdf");
    m_dialogs.PrintAnswers = {PdfChoice(pdf)};
    m_form->Button3->click();

    ASSERT_TRUE(m_dialogs.Messages.empty()) << m_dialogs.Messages[0].Text.toStdString();
    const auto pages = PdfPageTexts(pdf);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_TRUE(pages[0].contains(QStringLiteral("x.txt")));
    EXPECT_TRUE(pages[0].contains(QStringLiteral("notes.txt")));
    EXPECT_TRUE(pages[0].contains(QStringLiteral("Page 1")));
    // The dialog offers the file chosen last.
    m_dialogs.PrintAnswers = {std::nullopt};
    m_form->Button3->click();
    EXPECT_EQ(m_dialogs.PrintRequests.back().CurrentFile, pdf);
}

TEST_F(TForm1PrintTest, FailureReachesTheErrorBox)
{
    m_dialogs.PrintAnswers = {PdfChoice(m_tree.Path("no/such/folder/l.pdf"))};
    m_form->Button3->click();
    ASSERT_EQ(m_dialogs.Messages.size(), 1u);
    EXPECT_EQ(m_dialogs.Messages[0].Text,
        QStringLiteral("Impossible de créer le fichier ") + ToQString(m_tree.Path("no/such/folder/l.pdf"))
            + u'.');
    EXPECT_EQ(m_dialogs.Messages[0].Caption, QStringLiteral("Vantrel Oruk"));
    EXPECT_FALSE(Printer().Printing());
}
