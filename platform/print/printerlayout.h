#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QTextLayout>

class QPainter;
class QPaintDevice;

// The paragraphs a TPrinterLayout prints. Positions count characters with each paragraph
// break as one: paragraph i starts at Position(i), and its break (if another paragraph
// follows) at Position(i) + Text(i).size().
class TPrintParagraphs
{
public:
    virtual ~TPrintParagraphs() = default;

    virtual qsizetype Count() const = 0;
    // The paragraph's characters, valid until the paragraphs change.
    virtual QStringView Text(qsizetype paragraph) const = 0;
    // The bold runs of the paragraph; the rest is in the font's own weight.
    virtual QList<QTextLayout::FormatRange> BoldRuns(qsizetype paragraph) const = 0;
    virtual std::int64_t Position(qsizetype paragraph) const = 0;
    // The paragraph holding a position (clamped to the text).
    virtual qsizetype ParagraphAt(std::int64_t position) const = 0;
    // Changes whenever the text or its weights change.
    virtual std::int64_t Revision() const = 0;
};

// The bold runs of a paragraph of `length` characters that is bold throughout.
QList<QTextLayout::FormatRange> WholeBoldRun(qsizetype length);

// Lays paragraphs out for a device, one QTextLayout per paragraph at the
// device's resolution, and draws them page by page. The document layout is not used:
// it needs the whole document laid out at once (which does not finish for very tall
// documents) and clipping its drawing to a page repeats the lines cut by the page edge.
//
// Paragraphs stay laid out between calls until the pages move past them or Clear(), so
// printing a document page after page lays each paragraph out once.
class TPrinterLayout
{
public:
    struct TSettings
    {
        const TPrintParagraphs *Paragraphs = nullptr;
        QPaintDevice *Device = nullptr; // lays out at its resolution; not owned
        QFont Font;
        QColor Color;
        qreal TabStop = 0; // 1/96 inch: QTextLayout scales it to the device itself
        qreal Width = 0; // device pixels

        bool operator==(const TSettings &) const = default;
    };

    // Fills `area` (device pixels) with whole lines from the one holding character
    // `from`, up to character `to`, and answers the first character not placed. At least
    // one line is placed on an area of some height, so each page makes progress. With
    // no painter the lines are only measured.
    std::int64_t Render(
        const TSettings &settings, const QRectF &area, std::int64_t from, std::int64_t to, QPainter *painter);
    void Clear();

    // One paragraph laid out as Render lays it out: lines of settings.Width, one under
    // the other from y = 0.
    static std::unique_ptr<QTextLayout> LayOut(const TSettings &settings, qsizetype paragraph);

private:
    QTextLayout &LayoutOf(qsizetype paragraph);

    TSettings m_settings;
    std::int64_t m_revision = -1;
    std::map<qsizetype, std::unique_ptr<QTextLayout>> m_paragraphs;
};
