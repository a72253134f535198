#include <QDate>
#include <QLocale>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include "platform/system/locale.h"
#include "tests/richprint/printfixture.h"
#include "tests/support/gui/pdftext.h"

TEST(SplitColumns, EveryBarEndsAPieceAndTheLastPieceIsAlwaysThere)
{
    EXPECT_EQ(TRichPrinter::SplitColumns(QString()), QStringList({QString()}));
    EXPECT_EQ(TRichPrinter::SplitColumns(QStringLiteral("|")), QStringList({QString(), QString()}));
    EXPECT_EQ(TRichPrinter::SplitColumns(QStringLiteral("a|b|")),
        QStringList({QStringLiteral("a"), QStringLiteral("b"), QString()}));
}

TEST(ParseColumnSpec, AlignmentWidthAndDefaults)
{
    TLocale::Pin(QLocale::c());
    using R = std::pair<int, double>;
    EXPECT_EQ(TRichPrinter::ParseColumnSpec(QString(), 7), R(0, 7));
    EXPECT_EQ(TRichPrinter::ParseColumnSpec(QStringLiteral(">"), 7), R(1, 7));
    EXPECT_EQ(TRichPrinter::ParseColumnSpec(QStringLiteral("^"), 7), R(2, 7));
    EXPECT_EQ(TRichPrinter::ParseColumnSpec(QStringLiteral("x"), 7), R(0, 7));
    EXPECT_EQ(TRichPrinter::ParseColumnSpec(QStringLiteral(">100"), 7), R(1, 100));
    EXPECT_EQ(TRichPrinter::ParseColumnSpec(QStringLiteral("^12.5"), 7), R(2, 12.5));
    EXPECT_EQ(TRichPrinter::ParseColumnSpec(QStringLiteral("40"), 7), R(0, 40));
    EXPECT_EQ(TRichPrinter::ParseColumnSpec(QStringLiteral("<4x"), 7), R(0, 7));

    TLocale::Pin(QLocale(QStringLiteral("fr_FR")));
    EXPECT_EQ(TRichPrinter::ParseColumnSpec(QStringLiteral("<12,5"), 7), R(0, 12.5));
    EXPECT_EQ(TRichPrinter::ParseColumnSpec(QStringLiteral("<12.5"), 7), R(0, 7));
    TLocale::Pin(QLocale::c());
}

TEST(ReplaceMacro, ReplacesEveryOccurrenceUnlessTheValueHoldsTheMacro)
{
    const QString page = QStringLiteral("{$PAGE}");
    EXPECT_EQ(TRichPrinter::ReplaceMacro(page, QStringLiteral("3"), QStringLiteral("{$PAGE}/{$PAGE}")),
        QStringLiteral("3/3"));
    EXPECT_EQ(TRichPrinter::ReplaceMacro(page, QStringLiteral("x{$PAGE}"), QStringLiteral("p {$PAGE}")),
        QStringLiteral("p {$PAGE}"));
    EXPECT_EQ(TRichPrinter::ReplaceMacro(page, QStringLiteral("3"), QStringLiteral("{$page}")),
        QStringLiteral("{$page}"));
}

TEST_F(TPrintTest, MacrosExpandInOrderAndTheTitleComesLast)
{
    UsePdf();
    TRichPrinter printer;
    printer.SetTitle(QStringLiteral("T{$PAGE}"));
    EXPECT_EQ(
        printer.ExpandMacros(QStringLiteral("{$TITLE}|{$PAGE}|{$LINE}")), QStringLiteral("T{$PAGE}|0|0"));
    printer.SetTitle(QStringLiteral("a {$TITLE}"));
    EXPECT_EQ(printer.ExpandMacros(QStringLiteral("{$TITLE}")), QStringLiteral("{$TITLE}"));
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    EXPECT_EQ(printer.ExpandMacros(QStringLiteral("{$DATE}")), today);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$"))
                    .match(printer.ExpandMacros(QStringLiteral("{$TIME}")))
                    .hasMatch());
}

TEST_F(TPrintTest, HeaderCellsArePrintedInTheirColumnsWithMacrosExpanded)
{
    const std::string pdf = UsePdf();
    TRichPrinter printer;
    printer.SetTitle(QStringLiteral("Rapport"));
    printer.SetHeader(QStringLiteral("{$TITLE}|p{$PAGE}/{$LINE}|{$DATE}|{$page}|dropped"));
    printer.SetHeaderFormat(QStringLiteral("<30|^20|<40|>40"));
    printer.SetFooter(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ|"));
    printer.SetFooterFormat(QStringLiteral("<20|<40"));
    FillLines(3);
    printer.PrintRichEdit(&m_view, 4);

    const auto pages = PdfPageTexts(pdf);
    ASSERT_EQ(pages.size(), 1u);
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    EXPECT_TRUE(pages[0].contains(QStringLiteral("Rapport"))) << pages[0].toStdString();
    EXPECT_TRUE(pages[0].contains(QStringLiteral("p4/0")));
    EXPECT_TRUE(pages[0].contains(today));
    EXPECT_TRUE(pages[0].contains(QStringLiteral("{$page}")));
    EXPECT_FALSE(pages[0].contains(QStringLiteral("dropped")));

    // Courier at 10 points: 6 points a character, so 9 of them fit in 20 mm.
    EXPECT_TRUE(pages[0].contains(QStringLiteral("ABCDEFGHI")));
    EXPECT_FALSE(pages[0].contains(QStringLiteral("ABCDEFGHIJ")));
    for (const TPdfWord &word : PdfWords(pdf)) {
        // The left column's cell is moved right by the gap.
        if (word.Text == QStringLiteral("Rapport")) {
            EXPECT_NEAR(word.XMin, (25 + 6 * 25.4 / 600) * PointsPerMm, 0.6);
        }
    }
}

TEST_F(TPrintTest, FitTextToWidthKeepsTheLongestPrefixThatFits)
{
    UsePdf();
    TRichPrinter printer;
    printer.ScaleFontToDevice();
    const QString text = QStringLiteral("Le répertoire des fichiers imprimés");
    const int full = printer.Canvas().TextWidth(text);
    EXPECT_EQ(printer.FitTextToWidth(text, full), text);
    for (int width : {1, full / 3, full / 2, full - 1}) {
        const QString fitted = printer.FitTextToWidth(text, width);
        ASSERT_FALSE(fitted.isEmpty());
        EXPECT_TRUE(text.startsWith(fitted));
        if (fitted.size() > 1) {
            EXPECT_LE(printer.Canvas().TextWidth(fitted), width);
        }
        EXPECT_GT(printer.Canvas().TextWidth(text.left(fitted.size() + 1)), width) << width;
    }
}

TEST_F(TPrintTest, LogoIsDrawnOnlyOnPagesWithAHeader)
{
    QImage logo(40, 20, QImage::Format_RGB32);
    logo.fill(Qt::red);
    const std::string pdf = UsePdf();
    {
        TRichPrinter printer;
        ApplyWindowDesign(printer);
        printer.SetBitmapLogo(logo);
        FillLines(180);
        printer.PrintRichEdit(&m_view, 1);
        EXPECT_EQ(PdfImagePages(pdf), (std::vector<int>{1, 2, 3}));

        printer.SetHeader(QString());
        printer.PrintRichEdit(&m_view, 1);
        EXPECT_TRUE(PdfImagePages(pdf).empty());
    }
}

TEST_F(TPrintTest, BordersLieTheOffsetOutsideTheTextAreaWithATwoPixelPen)
{
    const std::string pdf = UsePdf();
    TRichPrinter printer;
    printer.SetPageBorders({TPageBorderStyle::pbTop, TPageBorderStyle::pbLeft});
    ASSERT_EQ(printer.UnitsToPixelsY(printer.BorderOffset()), 47);
    printer.PrintRichEdit(&m_view, 1);

    // Device pixels from the printable corner to pixels of the paper rendered at 600 dpi.
    const double gutter = 6 / 25.4 * 600;
    const int left = printer.LeftOffsetPx();
    const int top = printer.TopOffsetPx();
    const QImage image
        = PdfRegion(pdf, 1, 600, QRect(0, 0, int(gutter) + left + 400, int(gutter) + top + 400));
    ASSERT_FALSE(image.isNull());
    auto dark = [&image](int x, int y) { return qGray(image.pixel(x, y)) < 128; };

    std::vector<int> rows;
    for (int y = 0; y < image.height(); ++y)
        if (dark(int(gutter) + left + 200, y))
            rows.push_back(y);
    ASSERT_FALSE(rows.empty());
    EXPECT_LE(rows.size(), 3u);
    EXPECT_NEAR((rows.front() + rows.back() + 1) / 2.0, gutter + top - 47, 1.0);

    std::vector<int> columns;
    for (int x = 0; x < image.width(); ++x)
        if (dark(x, int(gutter) + top + 200))
            columns.push_back(x);
    ASSERT_FALSE(columns.empty());
    EXPECT_LE(columns.size(), 3u);
    EXPECT_NEAR((columns.front() + columns.back() + 1) / 2.0, gutter + left - 47, 1.0);
}

TEST_F(TPrintTest, HeaderInATopBandNarrowerThanALineStaysOnThePage)
{
    const std::string pdf = UsePdf();
    TRichPrinter printer;
    printer.SetMarginTop(6);
    printer.SetTitle(QStringLiteral("Haut"));
    printer.SetHeaderFormat(QStringLiteral("<50"));
    printer.PrintRichEdit(&m_view, 1);
    bool found = false;
    for (const TPdfWord &word : PdfWords(pdf)) {
        if (word.Text == QStringLiteral("Haut")) {
            found = true;
            EXPECT_GE(word.YMin, 6 * PointsPerMm - 0.5);
        }
    }
    EXPECT_TRUE(found);
}
