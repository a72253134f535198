#include "tests/support/gui/imagedistance.h"

#include <algorithm>
#include <cstdlib>

double PageDistance(const QImage &a, const QImage &b)
{
    const QSize cells(std::min(a.width(), b.width()) / 4, std::min(a.height(), b.height()) / 4);
    if (cells.isEmpty())
        return 255;
    const auto shrink = [&cells](const QImage &image) {
        return image.copy(0, 0, cells.width() * 4, cells.height() * 4)
            .convertToFormat(QImage::Format_Grayscale8)
            .scaled(cells, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    };
    const QImage first = shrink(a);
    const QImage second = shrink(b);
    double sum = 0;
    for (int y = 0; y < cells.height(); ++y)
        for (int x = 0; x < cells.width(); ++x)
            sum += std::abs(int(first.constScanLine(y)[x]) - int(second.constScanLine(y)[x]));
    return sum / (double(cells.width()) * cells.height());
}
