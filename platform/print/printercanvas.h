#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

#include "platform/print/font.h"

class QFont;
class QPainter;
class TPrinter;

// The text metrics of a font on the printer, device pixels.
struct TTextMetric
{
    int tmHeight = 0;
    int tmAscent = 0;
    int tmDescent = 0;
    int tmInternalLeading = 0;
    int tmExternalLeading = 0;
    int tmAveCharWidth = 0;
    int tmMaxCharWidth = 0;
};

// The printer's drawing surface. Its font is a TFont whose Height counts device pixels
// (negative: the character height without internal leading), so a font keeps its point
// size on the printer only once its PixelsPerInch is the device's. Coordinates are device
// pixels from the printable area's corner. Measuring needs a printer; drawing needs an
// open document; either throws EPrinter otherwise.
class TPrinterCanvas
{
public:
    explicit TPrinterCanvas(TPrinter &printer)
        : m_printer(printer)
    { }

    TFont &Font() { return m_font; }
    const TFont &Font() const { return m_font; }
    void SetFont(const TFont &font) { m_font = font; }

    // Draws `text` with its top-left corner at (x, y), in the font's colour on paper
    // (ColorOnPaper).
    void TextOut(int x, int y, const QString &text);
    int TextWidth(const QString &text) const;
    int TextHeight(const QString &text) const;
    TTextMetric GetTextMetrics() const;

    // 0 is the thinnest line the device draws.
    int PenWidth() const { return m_penWidth; }
    void SetPenWidth(int width) { m_penWidth = width; }
    QPoint PenPos() const { return m_penPos; }
    void MoveTo(int x, int y) { m_penPos = QPoint(x, y); }
    void LineTo(int x, int y);
    // A dotted frame just inside `rect`.
    void DrawFocusRect(const QRect &rect);
    void StretchDraw(const QRect &rect, const QImage &image);

private:
    QFont DeviceFont() const;
    QPainter &ActivePainter() const;

    TPrinter &m_printer;
    TFont m_font;
    int m_penWidth = 0;
    QPoint m_penPos;
};
