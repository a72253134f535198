#include "platform/print/printercanvas.h"

#include <cstdlib>

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <QPrinter>

#include "platform/print/printer.h"
#include "platform/system/translation.h"

QFont TPrinterCanvas::DeviceFont() const
{
    QFont font(m_font.Name);
    font.setPixelSize(qMax(1, std::abs(m_font.Height)));
    font.setBold(m_font.Style.Contains(TFontStyle::fsBold));
    font.setItalic(m_font.Style.Contains(TFontStyle::fsItalic));
    font.setUnderline(m_font.Style.Contains(TFontStyle::fsUnderline));
    font.setStrikeOut(m_font.Style.Contains(TFontStyle::fsStrikeOut));
    return font;
}

QPainter &TPrinterCanvas::ActivePainter() const
{
    m_printer.QtPrinter();
    QPainter *painter = m_printer.Painter();
    if (!m_printer.Printing() || painter == nullptr)
        throw EPrinter(TranslatedUtf8("EPrinter", "L'imprimante n'est pas en train d'imprimer"));
    return *painter;
}

void TPrinterCanvas::TextOut(int x, int y, const QString &text)
{
    QPainter &painter = ActivePainter();
    const QFont font = DeviceFont();
    painter.setFont(font);
    painter.setPen(ColorOnPaper(m_font.Color));
    painter.drawText(QPointF(x, y + QFontMetrics(font, &m_printer.QtPrinter()).ascent()), text);
}

int TPrinterCanvas::TextWidth(const QString &text) const
{
    return QFontMetrics(DeviceFont(), &m_printer.QtPrinter()).horizontalAdvance(text);
}

int TPrinterCanvas::TextHeight(const QString &) const
{
    // As the desktop's text extent: the font's cell height, whatever the characters.
    return QFontMetrics(DeviceFont(), &m_printer.QtPrinter()).height();
}

TTextMetric TPrinterCanvas::GetTextMetrics() const
{
    const QFont font = DeviceFont();
    const QFontMetrics metrics(font, &m_printer.QtPrinter());
    TTextMetric result;
    result.tmAscent = metrics.ascent();
    result.tmDescent = metrics.descent();
    result.tmHeight = metrics.height();
    result.tmInternalLeading = qMax(0, result.tmHeight - font.pixelSize());
    result.tmExternalLeading = qMax(0, metrics.leading());
    result.tmAveCharWidth = metrics.averageCharWidth();
    result.tmMaxCharWidth = metrics.maxWidth();
    return result;
}

void TPrinterCanvas::LineTo(int x, int y)
{
    QPainter &painter = ActivePainter();
    QPen pen(Qt::black);
    pen.setWidth(m_penWidth);
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
    painter.drawLine(m_penPos, QPoint(x, y));
    m_penPos = QPoint(x, y);
}

void TPrinterCanvas::DrawFocusRect(const QRect &rect)
{
    QPainter &painter = ActivePainter();
    QPen pen(Qt::black, 0, Qt::DotLine);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
}

void TPrinterCanvas::StretchDraw(const QRect &rect, const QImage &image)
{
    QPainter &painter = ActivePainter();
    if (!image.isNull())
        painter.drawImage(rect, image);
}
