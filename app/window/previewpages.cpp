#include "app/window/previewpages.h"

#include <algorithm>
#include <cmath>

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include "platform/system/error.h"
#include "platform/system/qtext.h"
#include "richprint/richpreview.h"

namespace {

// Room around the pages and between two of them, screen pixels.
constexpr int Margin = 12;
constexpr int Gap = 12;
// One step of the wheel or of Ctrl with + or -.
constexpr double ZoomStep = 1.25;
// A fitted zoom may go below MinZoom for a small window, not below this.
constexpr double LeastFit = 0.05;

} // namespace

TPreviewPages::TPreviewPages(TRichPreview &preview, QWidget *parent)
    : QAbstractScrollArea(parent)
    , m_preview(preview)
{
    setFocusPolicy(Qt::StrongFocus);
    setBackgroundRole(QPalette::Dark);
    viewport()->setBackgroundRole(QPalette::Dark);
    viewport()->setAutoFillBackground(true);
}

void TPreviewPages::ShowPage(int index)
{
    index = std::max(index, 0);
    if (!m_preview.HasPage(index))
        index = m_preview.PagesCounted() - 1;
    if (index == m_current)
        return;
    m_current = index;
    Relayout();
    viewport()->update();
    Q_EMIT PageShown(m_current);
}

void TPreviewPages::ShowLast()
{
    ShowPage(m_preview.PageCount() - 1);
}

void TPreviewPages::SetPagesSideBySide(int count)
{
    m_sideBySide = std::clamp(count, 1, 2);
    Rezoom();
}

double TPreviewPages::Zoom() const
{
    if (m_fit == TFit::None)
        return m_zoom;
    const QSizeF inches(double(m_preview.PaperSize().width()) / m_preview.Resolution().width(),
        double(m_preview.PaperSize().height()) / m_preview.Resolution().height());
    const QSize room = viewport()->size() - QSize(2 * Margin + (m_sideBySide - 1) * Gap, 2 * Margin);
    double zoom = room.width() / (m_sideBySide * inches.width() * ScreenDpi());
    if (m_fit == TFit::Page)
        zoom = std::min(zoom, room.height() / (inches.height() * ScreenDpi()));
    return std::clamp(zoom, LeastFit, MaxZoom);
}

void TPreviewPages::SetZoom(double zoom)
{
    m_zoom = std::clamp(zoom, MinZoom, MaxZoom);
    m_fit = TFit::None;
    Rezoom();
}

void TPreviewPages::SetFit(TFit fit)
{
    m_fit = fit;
    Rezoom();
}

// The pages take another size on the screen.
void TPreviewPages::Rezoom()
{
    Relayout();
    viewport()->update();
    Q_EMIT ZoomChanged();
}

double TPreviewPages::ScreenDpi() const
{
    return logicalDpiX();
}

QSize TPreviewPages::PageOnScreen() const
{
    const double scale = Zoom() * ScreenDpi();
    return QSize(qRound(m_preview.PaperSize().width() * scale / m_preview.Resolution().width()),
        qRound(m_preview.PaperSize().height() * scale / m_preview.Resolution().height()));
}

QSize TPreviewPages::ContentSize(const QSize &page) const
{
    return {m_sideBySide * page.width() + (m_sideBySide - 1) * Gap + 2 * Margin, page.height() + 2 * Margin};
}

void TPreviewPages::Relayout()
{
    const QSize content = ContentSize(PageOnScreen());
    const QSize view = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, content.width() - view.width()));
    horizontalScrollBar()->setPageStep(view.width());
    verticalScrollBar()->setRange(0, std::max(0, content.height() - view.height()));
    verticalScrollBar()->setPageStep(view.height());
    verticalScrollBar()->setSingleStep(std::max(20, view.height() / 20));
    horizontalScrollBar()->setSingleStep(std::max(20, view.width() / 20));
}

void TPreviewPages::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    const QSize page = PageOnScreen();
    const QSize view = viewport()->size();
    const QSize content = ContentSize(page);
    // Centred when smaller than the view, scrolled otherwise.
    const int left = content.width() < view.width() ? (view.width() - content.width()) / 2
                                                    : -horizontalScrollBar()->value();
    const int top = content.height() < view.height() ? (view.height() - content.height()) / 2
                                                     : -verticalScrollBar()->value();
    for (int i = 0; i < m_sideBySide; ++i) {
        const int index = m_current + i;
        if (i > 0 && !m_preview.HasPage(index))
            break;
        const QRect place(
            left + Margin + i * (page.width() + Gap), top + Margin, page.width(), page.height());
        if (place.adjusted(0, 0, 3, 3).intersects(event->rect()))
            PaintPage(painter, index, place, event->rect());
    }
}

void TPreviewPages::PaintPage(QPainter &painter, int index, const QRect &place, const QRect &exposed)
{
    painter.fillRect(place.translated(3, 3), palette().color(QPalette::Shadow));
    painter.fillRect(place, Qt::white);
    painter.save();
    painter.setClipRect(place & exposed);
    painter.translate(place.topLeft());
    painter.scale(double(place.width()) / m_preview.PaperSize().width(),
        double(place.height()) / m_preview.PaperSize().height());
    painter.setRenderHints(
        QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    QString failure;
    try {
        m_preview.PaintPage(index, painter);
    } catch (const Exception &error) {
        failure = ToQString(error.Message());
    }
    painter.restore();
    if (!failure.isEmpty()) {
        painter.setPen(Qt::black);
        painter.drawText(
            place.adjusted(Margin, Margin, -Margin, -Margin), Qt::AlignCenter | Qt::TextWordWrap, failure);
    }
}

void TPreviewPages::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    Relayout();
    if (m_fit != TFit::None)
        Q_EMIT ZoomChanged();
}

void TPreviewPages::wheelEvent(QWheelEvent *event)
{
    const int delta = event->angleDelta().y();
    if (event->modifiers() & Qt::ControlModifier) {
        if (delta != 0)
            SetZoom(Zoom() * std::pow(ZoomStep, delta / 120.0));
        event->accept();
        return;
    }
    // Past the page's edge the wheel turns it.
    QScrollBar *bar = verticalScrollBar();
    const int before = m_current;
    if (delta < 0 && bar->value() == bar->maximum()) {
        ShowNext();
        if (m_current != before)
            bar->setValue(0);
    } else if (delta > 0 && bar->value() == bar->minimum()) {
        ShowPrevious();
        if (m_current != before)
            bar->setValue(bar->maximum());
    }
    if (m_current != before) {
        event->accept();
        return;
    }
    QAbstractScrollArea::wheelEvent(event);
}

void TPreviewPages::keyPressEvent(QKeyEvent *event)
{
    const bool control = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_PageDown:
        ShowNext();
        break;
    case Qt::Key_PageUp:
        ShowPrevious();
        break;
    case Qt::Key_Home:
        ShowPage(0);
        break;
    case Qt::Key_End:
        ShowLast();
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        if (!control)
            return QAbstractScrollArea::keyPressEvent(event);
        SetZoom(Zoom() * ZoomStep);
        break;
    case Qt::Key_Minus:
        if (!control)
            return QAbstractScrollArea::keyPressEvent(event);
        SetZoom(Zoom() / ZoomStep);
        break;
    default:
        return QAbstractScrollArea::keyPressEvent(event);
    }
    event->accept();
}
