#pragma once

// The base of the icon engines that draw their icons themselves: any size is served, and
// a pixmap is what paint() draws on a transparent one.

#include <QIconEngine>
#include <QPainter>
#include <QPixmap>

class TPaintedIconEngine : public QIconEngine
{
public:
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        QPixmap picture(size);
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return picture;
    }

    QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override { return size; }
};
