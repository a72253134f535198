#include <gtest/gtest.h>

#include "tests/richprint/printfixture.h"

TEST_F(TPrintTest, WithoutAPrinterTheMeasuresFallBackAndSettersDropTheirValues)
{
    TRichPrinter printer;
    EXPECT_DOUBLE_EQ(printer.PhysicalPageWidth(), 210);
    EXPECT_DOUBLE_EQ(printer.PhysicalPageHeight(), 297);
    EXPECT_DOUBLE_EQ(printer.GutterLeft(), 6);
    EXPECT_DOUBLE_EQ(printer.GutterTop(), 6);
    EXPECT_DOUBLE_EQ(printer.GutterRight(), 6);
    EXPECT_DOUBLE_EQ(printer.GutterBottom(), 7);
    EXPECT_EQ(printer.UnitsToPixelsX(25.4), 600);
    EXPECT_EQ(printer.UnitsToPixelsY(2.0), 47);
    EXPECT_DOUBLE_EQ(printer.PixelsToUnitsX(600), 25.4);
    printer.SetFont_HeaderFooter(printer.Font_HeaderFooter());
    EXPECT_EQ(printer.LineHeight(), 10u);

    printer.SetMarginTop(3);
    EXPECT_DOUBLE_EQ(printer.MarginTop(), 6);
    printer.SetMarginLeft(500);
    EXPECT_DOUBLE_EQ(printer.MarginLeft(), 204);
    printer.SetMarginBottom(-1);
    EXPECT_DOUBLE_EQ(printer.MarginBottom(), 7);

    printer.SetTitle(QStringLiteral("dropped"));
    EXPECT_EQ(printer.Title(), QStringLiteral("<Unknown>"));
    printer.SetOrientation(TPrinterOrientation::poLandscape);
    EXPECT_EQ(printer.Orientation(), TPrinterOrientation::poPortrait);

    printer.SetMeasureUnit(TMeasureUnit::muInches);
    EXPECT_DOUBLE_EQ(printer.GutterLeft(), 0.25);
    EXPECT_DOUBLE_EQ(printer.PhysicalPageWidth(), 8.5);
    EXPECT_DOUBLE_EQ(printer.PrintableHeight(), 10.5);
}

TEST_F(TPrintTest, SwitchingUnitsConvertsMarginsAndOffsetsButNotTheLogo)
{
    TRichPrinter printer;
    printer.SetDefaultColumnWidth(50.8);
    printer.SetMeasureUnit(TMeasureUnit::muInches);
    EXPECT_DOUBLE_EQ(printer.MarginTop(), 30 / 25.4);
    EXPECT_DOUBLE_EQ(printer.MarginBottom(), 25 / 25.4);
    EXPECT_DOUBLE_EQ(printer.MarginLeft(), 25 / 25.4);
    EXPECT_DOUBLE_EQ(printer.MarginRight(), 15 / 25.4);
    EXPECT_DOUBLE_EQ(printer.BorderOffset(), 2.0 / 25.4);
    EXPECT_DOUBLE_EQ(printer.DefaultColumnWidth(), 2.0);
    EXPECT_DOUBLE_EQ(printer.LogoWidth(), 25);
    EXPECT_EQ(printer.UnitsToPixelsX(1.0), 600);

    printer.SetMeasureUnit(TMeasureUnit::muMillimeters);
    EXPECT_NEAR(printer.MarginTop(), 30, 1e-9);
    EXPECT_NEAR(printer.BorderOffset(), 2.0, 1e-12);
}

TEST_F(TPrintTest, SettingTheSameUnitReclampsForTheCurrentPrinter)
{
    UsePdf();
    TRichPrinter printer;
    printer.SetOrientation(TPrinterOrientation::poLandscape);
    printer.SetMarginLeft(280);
    EXPECT_NEAR(printer.MarginLeft(), 280, 1e-9);
    printer.SetOrientation(TPrinterOrientation::poPortrait);
    printer.SetMeasureUnit(TMeasureUnit::muMillimeters);
    EXPECT_NEAR(printer.MarginLeft(), printer.PhysicalPageWidth() - printer.GutterRight(), 1e-9);
}

TEST_F(TPrintTest, PdfPrinterGeometryFollowsItsPageAndGutters)
{
    UsePdf();
    TRichPrinter printer;
    // Qt's A4 is 595 x 842 points.
    EXPECT_NEAR(printer.PhysicalPageWidth(), 595 / 72.0 * 25.4, 25.4 / 600);
    EXPECT_NEAR(printer.GutterLeft(), 6, 0.05);
    EXPECT_NEAR(printer.GutterBottom(), 6, 0.1);
    EXPECT_EQ(printer.LeftOffsetPx(), printer.UnitsToPixelsX(25 - printer.GutterLeft()));
    EXPECT_NEAR(printer.LeftOffsetPx(), 19 / 25.4 * 600, 1);
    EXPECT_NEAR(printer.TextAreaWidthPx(), (595 / 72.0 * 25.4 - 40) / 25.4 * 600, 2);
    EXPECT_NEAR(printer.TextAreaHeightPx(), (842 / 72.0 * 25.4 - 55) / 25.4 * 600, 2);

    printer.SetMarginBottom(6);
    // The band under the text keeps room for the footer line.
    EXPECT_EQ(printer.BottomOffsetPx(), int(printer.LineHeight()));
}

TEST_F(TPrintTest, SettersRefuseWhileADocumentIsOpen)
{
    UsePdf();
    TRichPrinter printer;
    Printer().BeginDoc();
    const double before = printer.MarginRight();
    for (auto [set, message] : std::vector<std::pair<std::function<void()>, std::string>>{
             {[&] { printer.SetMarginRight(40); }, "Unable to change right margin while printing"},
             {[&] { printer.SetMarginTop(40); }, "Unable to change top margin while printing"},
             {[&] { printer.SetTitle(QStringLiteral("t")); }, "Unable to change title while printing"},
             {[&] { printer.SetOrientation(TPrinterOrientation::poLandscape); },
                 "Unable to change orientation while printing"},
         }) {
        try {
            set();
            ADD_FAILURE() << message;
        } catch (const ELinePrinter &error) {
            EXPECT_EQ(error.Message(), message);
        }
    }
    EXPECT_EQ(printer.MarginRight(), before);
    Printer().Abort();
}

TEST_F(TPrintTest, PropertyRulesOfTheFontAndDialogOptions)
{
    UsePdf();
    TRichPrinter printer;
    EXPECT_EQ(printer.Font_HeaderFooter().Name, QStringLiteral("Courier New"));
    EXPECT_EQ(printer.Font_HeaderFooter().Size(), 10);
    TFont font;
    font.Color = clWhite;
    printer.SetFont_HeaderFooter(font);
    EXPECT_EQ(printer.Font_HeaderFooter().Color, clBlack);
    font.Color = 0x0000FF;
    printer.SetFont_HeaderFooter(font);
    EXPECT_EQ(printer.Font_HeaderFooter().Color, 0x0000FF);

    EXPECT_EQ(printer.Options_Dialog(), TPageOptions{TPageSetupFlags::poMargins});
    printer.SetOptions_Dialog({TPageSetupFlags::poDisableMargins, TPageSetupFlags::poMargins});
    EXPECT_EQ(printer.Options_Dialog(), TPageOptions{TPageSetupFlags::poDisableMargins});
    printer.SetOptions_Dialog({TPageSetupFlags::poMargins, TPageSetupFlags::poDisablePaper});
    EXPECT_EQ(printer.Options_Dialog(),
        (TPageOptions{TPageSetupFlags::poMargins, TPageSetupFlags::poDisablePaper}));
}
