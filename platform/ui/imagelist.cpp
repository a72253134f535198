#include "platform/ui/imagelist.h"

#include <QPainterPath>

#include "platform/ui/paintediconengine.h"
#include "platform/ui/systemimagelist.h"

namespace {

// Paints an icon and, on its lower left quarter, an overlay: the theme's emblem when it
// has one, else a drawn sign (an arrow for links, a hand-like bar for shares).
class TOverlaidIconEngine final : public TPaintedIconEngine
{
public:
    TOverlaidIconEngine(QIcon base, int overlay)
        : m_base(std::move(base))
        , m_overlay(overlay)
    { }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        m_base.paint(painter, rect, Qt::AlignCenter, mode, state);
        const int side = qMax(6, rect.width() / 2);
        const QRect corner(rect.left(), rect.bottom() - side + 1, side, side);
        const QIcon emblem = QIcon::fromTheme(
            m_overlay == oiLink ? QStringLiteral("emblem-symbolic-link") : QStringLiteral("emblem-shared"));
        if (!emblem.isNull()) {
            emblem.paint(painter, corner);
            return;
        }
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(QPen(Qt::black, 1));
        painter->setBrush(Qt::white);
        painter->drawRect(QRectF(corner).adjusted(0.5, 0.5, -0.5, -0.5));
        QPainterPath sign;
        const QRectF box = QRectF(corner).adjusted(2, 2, -2, -2);
        if (m_overlay == oiLink) {
            sign.moveTo(box.left(), box.bottom());
            sign.quadTo(box.left(), box.top() + box.height() / 3, box.right(), box.top() + box.height() / 3);
            sign.moveTo(box.right() - box.width() / 3, box.top());
            sign.lineTo(box.right(), box.top() + box.height() / 3);
            sign.lineTo(box.right() - box.width() / 3, box.top() + box.height() * 2 / 3);
        } else {
            sign.addEllipse(box.adjusted(box.width() / 4, 0, -box.width() / 4, -box.height() / 2));
            sign.moveTo(box.left(), box.bottom());
            sign.lineTo(box.right(), box.bottom());
        }
        painter->setBrush(Qt::NoBrush);
        painter->setPen(QPen(QColor(0, 70, 160), 1.5));
        painter->drawPath(sign);
        painter->restore();
    }

    QIconEngine *clone() const override { return new TOverlaidIconEngine(m_base, m_overlay); }
    QString key() const override { return QStringLiteral("vantrel-overlaid"); }

private:
    QIcon m_base;
    int m_overlay;
};

} // namespace

TImageList::TImageList(QObject *owner)
    : QObject(owner)
{ }

void TImageList::SetHandle(HIMAGELIST handle)
{
    m_handle = handle;
    m_overlaid.clear();
}

int TImageList::Count() const
{
    return m_handle ? m_handle->Count() : 0;
}

QIcon TImageList::Icon(int index, int overlay) const
{
    if (!m_handle || index < 0 || index >= m_handle->Count())
        return {};
    if (overlay < 0 || overlay >= oiCount)
        return m_handle->Icon(index);
    const qint64 key = (qint64(index) << 8) | overlay;
    auto found = m_overlaid.constFind(key);
    if (found == m_overlaid.cend())
        found = m_overlaid.insert(key, QIcon(new TOverlaidIconEngine(m_handle->Icon(index), overlay)));
    return found.value();
}
