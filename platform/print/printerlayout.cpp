#include "platform/print/printerlayout.h"

#include <algorithm>

#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextOption>

void TPrinterLayout::Clear()
{
    m_blocks.clear();
    m_revision = -1;
}

QTextLayout &TPrinterLayout::LayoutOf(const QTextBlock &block)
{
    auto &slot = m_blocks[block.blockNumber()];
    if (slot)
        return *slot;
    slot = std::make_unique<QTextLayout>(block.text(), m_settings.Font, m_settings.Device);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTabStopDistance(m_settings.TabStop);
    slot->setTextOption(option);

    // Bold runs; everything else is in the document's font.
    QList<QTextLayout::FormatRange> formats;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (!fragment.isValid() || fragment.charFormat().fontWeight() < QFont::Bold)
            continue;
        QTextLayout::FormatRange range;
        range.start = fragment.position() - block.position();
        range.length = fragment.length();
        range.format.setFontWeight(QFont::Bold);
        formats << range;
    }
    slot->setFormats(formats);

    slot->beginLayout();
    qreal y = 0;
    for (QTextLine line = slot->createLine(); line.isValid(); line = slot->createLine()) {
        line.setLineWidth(m_settings.Width);
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    slot->endLayout();
    return *slot;
}

std::int64_t TPrinterLayout::Render(
    const TSettings &settings, const QRectF &area, std::int64_t from, std::int64_t to, QPainter *painter)
{
    const QTextDocument &document = *settings.Document;
    if (!(settings == m_settings) || m_revision != document.revision()) {
        Clear();
        m_settings = settings;
        m_revision = document.revision();
    }
    const std::int64_t last = document.characterCount() - 1;
    QTextBlock block = document.findBlock(int(std::clamp<std::int64_t>(from, 0, last)));
    // Paragraphs before this one are done with.
    m_blocks.erase(m_blocks.begin(), m_blocks.lower_bound(block.blockNumber()));

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
    for (; block.isValid() && block.position() < to; block = block.next()) {
        QTextLayout &layout = LayoutOf(block);
        for (int i = 0; i < layout.lineCount(); ++i) {
            const QTextLine line = layout.lineAt(i);
            const std::int64_t start = block.position() + line.textStart();
            const bool lastLine = i + 1 == layout.lineCount();
            if (!lastLine && block.position() + layout.lineAt(i + 1).textStart() <= from)
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
        next = block.position() + block.length();
        m_blocks.erase(block.blockNumber());
    }
    return finish(std::min(next, to));
}
