#pragma once

#include <string>
#include <vector>

#include <QImage>
#include <QString>

// Reading PDF files back through poppler's command-line tools.

// The text of each page (pdftotext -layout), in page order.
std::vector<QString> PdfPageTexts(const std::string &pdfPath);

// The document's title as pdfinfo reads it.
QString PdfTitle(const std::string &pdfPath);

// One word as pdftotext -bbox places it: page from 1, box in points from the top-left.
struct TPdfWord
{
    int Page = 0;
    QString Text;
    double XMin = 0, YMin = 0, XMax = 0, YMax = 0;
};
std::vector<TPdfWord> PdfWords(const std::string &pdfPath);

// The page number (from 1) of each image drawn, as pdfimages -list reports them.
std::vector<int> PdfImagePages(const std::string &pdfPath);

// One whole page rendered in colour at `dpi` (pdftoppm -png); a null image when rendering
// failed.
QImage PdfPageImage(const std::string &pdfPath, int page, int dpi);

// A region of one page rendered in grey at `dpi` (pdftoppm); pixels from the paper's
// top-left corner. A null image when rendering failed.
QImage PdfRegion(const std::string &pdfPath, int page, int dpi, const QRect &region);
