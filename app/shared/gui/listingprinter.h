#pragma once

#include <string>

class TRichEdit;
class TRichPrinter;

// Gives the printing component the window's design values: margins 30, 25, 25 and 15 mm
// (top, bottom, left, right), a 25 x 20 mm logo, the title as header and "Page N" as
// footer, each right-aligned in a 100 mm column, in Courier New of 13 pixels, borders
// 2 mm off the text, no progress dialog, and a page set-up that offers the margins.
// "Imprimer..." and the export's PDF print with exactly these.
void ConfigureListingPrinter(TRichPrinter &printer);

// Prints `listing` to a PDF file as "Imprimer..." prints it to the PDF file chosen in
// its dialog: the window's printing component on the printer's PDF page (A4 at 600 dpi).
void PrintListingToPdf(TRichEdit &listing, const std::string &fileName);
