#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include <QRect>
#include <QSize>

class QPainter;
class TPageCounter;
class TPrinter;
class TRichEdit;
class TRichPrinter;

// The pages that TRichPrinter::PrintRichEdit prints for a view on the current printer,
// made as they are asked for: a page is drawn when it is shown, and where the pages
// begin is counted in steps as time allows, so the first page shows at once and any other
// soon after, whatever the length. Without a printer the pages are those of the PDF
// printer (A4 at 600 dpi), which printing to a file then makes.
//
// Pages are counted from 0. The view's text must not change while the preview lives.
class TRichPreview
{
public:
    // Throws EPrinter when the page cannot be set up.
    TRichPreview(TRichPrinter &printer, TRichEdit &richEdit, int firstPageNumber = 1);
    ~TRichPreview();
    TRichPreview(const TRichPreview &) = delete;
    TRichPreview &operator=(const TRichPreview &) = delete;

    // The paper and the printable area on it, in the device's pixels, and the device's
    // dots per inch.
    QSize PaperSize() const { return m_paper; }
    QRect PrintableArea() const { return m_printable; }
    QSizeF Resolution() const { return m_resolution; }

    // Pages whose beginning is known; the page count once Counted().
    int PagesCounted() const { return int(m_starts.size()); }
    bool Counted() const { return m_counted; }
    // Counts on for about `budget` at most; answers Counted().
    bool CountFor(std::chrono::milliseconds budget);
    // Counts as far as page `index` and answers whether it exists.
    bool HasPage(int index);
    // Counts to the end and answers the page count.
    int PageCount();
    int PageNumber(int index) const { return m_firstPageNumber + index; }

    // Draws page `index` (which exists) on `painter`, whose coordinates are the paper's
    // device pixels. Throws EPrinter as printing would.
    void PaintPage(int index, QPainter &painter);

private:
    // Counts one more page; false once all are.
    bool CountOne();
    // Takes `next` as the beginning of the page after `index`.
    void PageEnds(int index, std::int64_t next);

    TRichPrinter &m_printer;
    TRichEdit &m_richEdit;
    int m_firstPageNumber;
    // The PDF printer's page, drawn on when there is no printer.
    std::unique_ptr<TPrinter> m_standIn;
    TPrinter *m_device = nullptr;
    QSize m_paper;
    QRect m_printable;
    QSizeF m_resolution;
    std::unique_ptr<TPageCounter> m_counter;
    std::int64_t m_length = 0;
    std::vector<std::int64_t> m_starts{0};
    bool m_counted = false;
};
