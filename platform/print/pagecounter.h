#pragma once

#include <cstdint>
#include <memory>

#include <QRectF>
#include <QStringView>

#include "platform/print/printerlayout.h"

// Finds where the pages that TPrinterLayout::Render fills one after another begin,
// without laying out most paragraphs: a paragraph of one weight whose characters the
// font draws by itself, left to right, and that is plainly narrower than the page, is one
// line of that weight's height, which is all Render would learn from its layout. Any
// other paragraph (wide, mixed weights, characters of another font or script, line
// separators) is laid out as Render lays it out. The answers are Render's, page for page.
class TPageCounter
{
public:
    TPageCounter(const TPrinterLayout::TSettings &settings, const QRectF &area);
    ~TPageCounter();
    TPageCounter(const TPageCounter &) = delete;
    TPageCounter &operator=(const TPageCounter &) = delete;

    // The first character of the page after the one that begins at `from`: what
    // Render(settings, area, from, to, nullptr) answers.
    std::int64_t NextPage(std::int64_t from, std::int64_t to) const;

private:
    class TFace;

    // The height of the paragraph's only line, or 0 when it must be laid out to know.
    qreal OneLineHeight(qsizetype paragraph, QStringView text) const;
    bool PlainlyFits(QStringView text, TFace &face) const;

    TPrinterLayout::TSettings m_settings;
    QRectF m_area;
    qreal m_tabStop = 0; // device pixels; 0 when tabs take the layout's default
    qreal m_widest = 0; // the widest estimate still taken as one line
    std::unique_ptr<TFace> m_regular;
    std::unique_ptr<TFace> m_bold;
    qreal m_emptyHeight = 0;
};
