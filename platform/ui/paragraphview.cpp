#include "platform/ui/paragraphview.h"

#include <algorithm>
#include <limits>

#include <QEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextOption>

namespace {

// Half an inch in the 96-dpi units that Qt measures tab stops in.
constexpr qreal TabStopDistance = 48;
// The room between the text and the viewport's edges, as QPlainTextEdit leaves it.
constexpr qreal Margin = 4;

} // namespace

TParagraphView::TParagraphView(QWidget *parent)
    : QAbstractScrollArea(parent)
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    viewport()->setCursor(Qt::IBeamCursor);
    UpdateScrollBar();
}

TParagraphView::~TParagraphView() = default;

void TParagraphView::StoreChanged()
{
    UpdateScrollBar();
    viewport()->update();
}

qsizetype TParagraphView::FirstVisibleParagraph() const
{
    return std::min<qsizetype>(verticalScrollBar()->value(), m_store.Count() - 1);
}

qreal TParagraphView::TextWidth() const
{
    return std::max<qreal>(1, viewport()->width() - 2 * Margin);
}

void TParagraphView::ForgetLayouts()
{
    m_layouts.clear();
    m_layoutRevision = m_store.Revision();
}

QTextLayout &TParagraphView::LayoutOf(qsizetype paragraph)
{
    if (m_layoutRevision != m_store.Revision())
        ForgetLayouts();
    auto &slot = m_layouts[paragraph];
    if (slot)
        return *slot;
    slot = std::make_unique<QTextLayout>(m_store.Text(paragraph).toString(), font(), viewport());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTabStopDistance(TabStopDistance);
    slot->setTextOption(option);
    if (m_store.Bold(paragraph) && !m_store.Text(paragraph).isEmpty()) {
        QTextLayout::FormatRange bold;
        bold.start = 0;
        bold.length = int(m_store.Text(paragraph).size());
        bold.format.setFontWeight(QFont::Bold);
        slot->setFormats({bold});
    }
    slot->beginLayout();
    qreal y = 0;
    for (QTextLine line = slot->createLine(); line.isValid(); line = slot->createLine()) {
        line.setLineWidth(TextWidth());
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    slot->endLayout();
    return *slot;
}

qreal TParagraphView::HeightOf(qsizetype paragraph)
{
    const QTextLayout &layout = LayoutOf(paragraph);
    return layout.lineCount() == 0 ? 0 : layout.boundingRect().height();
}

// Drops the layouts outside first..last.
void TParagraphView::KeepOnly(qsizetype first, qsizetype last)
{
    m_layouts.erase(m_layouts.begin(), m_layouts.lower_bound(first));
    m_layouts.erase(m_layouts.upper_bound(last), m_layouts.end());
}

void TParagraphView::UpdateScrollBar()
{
    // The first paragraph of the last screenful: the paragraphs after it fill the view.
    const qreal room = viewport()->height() - 2 * Margin;
    qsizetype first = m_store.Count() - 1;
    for (qreal used = HeightOf(first); first > 0;) {
        const qreal height = HeightOf(first - 1);
        if (used + height > room)
            break;
        used += height;
        --first;
    }
    KeepOnly(first, m_store.Count() - 1);
    QScrollBar *bar = verticalScrollBar();
    bar->setRange(0, int(std::min<qsizetype>(first, std::numeric_limits<int>::max())));
    bar->setPageStep(std::max(1, int(m_store.Count() - first)));
    bar->setSingleStep(1);
    horizontalScrollBar()->setRange(0, 0);
}

void TParagraphView::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Text));
    const qsizetype first = FirstVisibleParagraph();
    qsizetype paragraph = first;
    for (qreal y = Margin; paragraph < m_store.Count() && y < viewport()->height(); ++paragraph) {
        QTextLayout &layout = LayoutOf(paragraph);
        layout.draw(&painter, QPointF(Margin, y));
        y += HeightOf(paragraph);
    }
    KeepOnly(first, paragraph);
}

void TParagraphView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    ForgetLayouts();
    UpdateScrollBar();
}

void TParagraphView::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        ForgetLayouts();
        UpdateScrollBar();
        viewport()->update();
    }
}
