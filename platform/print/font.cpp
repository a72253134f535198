#include "platform/print/font.h"

#include <cmath>

#include <QGuiApplication>
#include <QPalette>

namespace {

QPalette::ColorRole SystemColorRole(int index)
{
    switch (index) {
    case 5:
        return QPalette::Base;
    case 8:
        return QPalette::Text;
    case 15:
        return QPalette::Button;
    default:
        return QPalette::WindowText;
    }
}

} // namespace

QColor ColorToQColor(TColor color)
{
    if ((color & clSystemColor) != 0) {
        const QPalette palette = qobject_cast<QGuiApplication *>(QCoreApplication::instance())
            ? QGuiApplication::palette()
            : QPalette();
        return palette.color(QPalette::Active, SystemColorRole(color & 0xFF));
    }
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

QColor ColorOnPaper(TColor color)
{
    return QColor::fromRgb(RgbOnPaper(color));
}

TColor QColorToColor(const QColor &color)
{
    return color.red() | (color.green() << 8) | (color.blue() << 16);
}

QFont ToQFont(const TFont &font)
{
    QFont qfont(font.Name);
    qfont.setPointSize(qMax(1, font.Size()));
    qfont.setBold(font.Style.Contains(TFontStyle::fsBold));
    qfont.setItalic(font.Style.Contains(TFontStyle::fsItalic));
    qfont.setUnderline(font.Style.Contains(TFontStyle::fsUnderline));
    qfont.setStrikeOut(font.Style.Contains(TFontStyle::fsStrikeOut));
    return qfont;
}

TFont FontFromQFont(const QFont &font, TColor color)
{
    TFont result;
    result.Name = font.family();
    const double points = font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * 72.0 / 96.0;
    result.SetSize(static_cast<int>(std::lround(points)));
    result.Style.Set(TFontStyle::fsBold, font.bold());
    result.Style.Set(TFontStyle::fsItalic, font.italic());
    result.Style.Set(TFontStyle::fsUnderline, font.underline());
    result.Style.Set(TFontStyle::fsStrikeOut, font.strikeOut());
    result.StyleName = font.styleName();
    result.Color = color;
    return result;
}

void InstallFontSubstitutions()
{
    QFont::insertSubstitutions(
        QStringLiteral("MS Sans Serif"), {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(
        QStringLiteral("Arial"), {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("Courier New"),
        {QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono")});
    QFont::insertSubstitutions(QStringLiteral("Times New Roman"),
        {QStringLiteral("Liberation Serif"), QStringLiteral("DejaVu Serif")});
}
