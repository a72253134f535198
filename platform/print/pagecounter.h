#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include <QRectF>
#include <QStringView>

#include "platform/print/printerlayout.h"

// Finds where the pages that TPrinterLayout::Render fills one after another begin,
// without laying out most paragraphs. A paragraph of one weight whose characters the
// font draws by itself, left to right, is lines of that weight's height, which is all
// Render needs to know; how many lines follows from the widths of its words (advances
// and kerning pairs of the font) and its tab stops, broken as the layout breaks them,
// wherever those widths leave no doubt. Any other paragraph (mixed weights, characters of
// another font or script, line separators, a word or tab at the very edge, a break inside
// a word) is laid out as Render lays it out. The answers are Render's, page for page.
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
    // How many paragraphs were laid out so far to know their lines.
    std::int64_t ParagraphsLaidOut() const { return m_laidOut; }

private:
    class TFace;

    // The face the whole paragraph is in, or nullptr when it mixes weights.
    TFace *FaceOf(qsizetype paragraph, QStringView text) const;
    // Where the lines of a paragraph begin, from its first character; a paragraph of
    // more lines is laid out.
    using TLineStarts = std::array<qsizetype, 8>;
    // The paragraph's lines in `face`, and where they begin; 0 when only its layout can tell.
    int LineCount(QStringView text, TFace &face, TLineStarts &starts) const;

    TPrinterLayout::TSettings m_settings;
    QRectF m_area;
    qreal m_tabStop = 0; // device pixels
    qreal m_error = 0; // how far a width may lie from its estimate, beyond a share of it
    std::unique_ptr<TFace> m_regular;
    std::unique_ptr<TFace> m_bold;
    qreal m_emptyHeight = 0;
    mutable std::int64_t m_laidOut = 0;
};
