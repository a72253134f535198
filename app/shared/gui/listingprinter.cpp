#include "app/shared/gui/listingprinter.h"

#include "platform/print/printer.h"
#include "platform/system/font.h"
#include "richprint/richprint.h"

void ConfigureListingPrinter(TRichPrinter &printer)
{
    printer.SetMarginTop(30.0);
    printer.SetMarginBottom(25.0);
    printer.SetMarginLeft(25.0);
    printer.SetMarginRight(15.0);
    printer.SetLogoWidth(25.0);
    printer.SetLogoHeight(20.0);
    printer.SetHeader(QStringLiteral("{$TITLE}"));
    printer.SetHeaderFormat(QStringLiteral(">100"));
    printer.SetFooter(QStringLiteral("Page {$PAGE}"));
    printer.SetFooterFormat(QStringLiteral(">100"));
    printer.SetShowProgress(false);
    TFont headerFooter;
    headerFooter.Name = QStringLiteral("Courier New");
    headerFooter.Height = -13;
    headerFooter.Charset = DEFAULT_CHARSET;
    headerFooter.Color = clWindowText;
    printer.SetFont_HeaderFooter(headerFooter);
    printer.SetBorderOffset(2.0);
    printer.SetOptions_Dialog({TPageSetupFlags::poMargins});
}

void PrintListingToPdf(TRichEdit &listing, const std::string &fileName)
{
    // Configured first, as the window's component is at its creation: the margins are
    // fitted to the printer current then.
    TRichPrinter printer;
    ConfigureListingPrinter(printer);
    Printer().SelectPdf(fileName);
    printer.PrintRichEdit(&listing, 1);
}
