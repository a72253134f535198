#include "platform/print/printerlayout.h"

#include <algorithm>

#include <QPainter>
#include <QTextOption>

QList<QTextLayout::FormatRange> WholeBoldRun(qsizetype length)
{
    if (length == 0)
        return {};
    QTextLayout::FormatRange run;
    run.start = 0;
    run.length = int(length);
    run.format.setFontWeight(QFont::Bold);
    return {run};
}

void TPrinterLayout::Clear()
{
    m_paragraphs.clear();
    m_revision = -1;
}

std::unique_ptr<QTextLayout> TPrinterLayout::LayOut(const TSettings &settings, qsizetype paragraph)
{
    const TPrintParagraphs &paragraphs = *settings.Paragraphs;
    auto layout = std::make_unique<QTextLayout>(
        paragraphs.Text(paragraph).toString(), settings.Font, settings.Device);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTabStopDistance(settings.TabStop);
    layout->setTextOption(option);
    // Bold runs; everything else is in the font as it is.
    layout->setFormats(paragraphs.BoldRuns(paragraph));

    layout->beginLayout();
    qreal y = 0;
    for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
        line.setLineWidth(settings.Width);
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout->endLayout();
    return layout;
}

QTextLayout &TPrinterLayout::LayoutOf(qsizetype paragraph)
{
    auto &slot = m_paragraphs[paragraph];
    if (!slot)
        slot = LayOut(m_settings, paragraph);
    return *slot;
}

std::int64_t TPrinterLayout::Render(
    const TSettings &settings, const QRectF &area, std::int64_t from, std::int64_t to, QPainter *painter)
{
    const TPrintParagraphs &paragraphs = *settings.Paragraphs;
    if (!(settings == m_settings) || m_revision != paragraphs.Revision()) {
        Clear();
        m_settings = settings;
        m_revision = paragraphs.Revision();
    }
    qsizetype paragraph = paragraphs.ParagraphAt(from);
    // Paragraphs before this one are done with.
    m_paragraphs.erase(m_paragraphs.begin(), m_paragraphs.lower_bound(paragraph));

    if (painter) {
        painter->save();
        painter->setPen(settings.Color);
    }
    qreal y = area.top();
    bool placedAny = false;
    std::int64_t next = from;
    auto finish = [painter, from](std::int64_t stop) {
        if (painter)
            painter->restore();
        return std::max(stop, from);
    };
    for (; paragraph < paragraphs.Count() && paragraphs.Position(paragraph) < to; ++paragraph) {
        const std::int64_t position = paragraphs.Position(paragraph);
        QTextLayout &layout = LayoutOf(paragraph);
        for (int i = 0; i < layout.lineCount(); ++i) {
            const QTextLine line = layout.lineAt(i);
            const std::int64_t start = position + line.textStart();
            const bool lastLine = i + 1 == layout.lineCount();
            if (!lastLine && position + layout.lineAt(i + 1).textStart() <= from)
                continue; // ends before the range begins
            if (start >= to)
                return finish(start);
            if (y + line.height() > area.bottom() && (placedAny || area.height() <= 0))
                return finish(start);
            if (painter)
                line.draw(painter, QPointF(area.left(), y - line.y()));
            y += line.height();
            placedAny = true;
        }
        // Past the paragraph and its break.
        next = position + layout.text().size() + 1;
        m_paragraphs.erase(paragraph);
    }
    return finish(std::min(next, to));
}
