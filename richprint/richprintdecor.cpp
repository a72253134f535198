// The page decorations of TRichPrinter: header and footer columns, logo, borders.
#include <cmath>
#include <optional>

#include <QDateTime>
#include <QRegularExpression>

#include "platform/system/datetime.h"
#include "platform/system/locale.h"
#include "richprint/richprint.h"

namespace {

const QString MacroLine = QStringLiteral("{$LINE}");
const QString MacroPage = QStringLiteral("{$PAGE}");
const QString MacroDate = QStringLiteral("{$DATE}");
const QString MacroTime = QStringLiteral("{$TIME}");
const QString MacroTitle = QStringLiteral("{$TITLE}");

// A decimal number written with the user's decimal separator (and no other), as a
// column width; nullopt for anything else.
std::optional<double> LocaleNumber(const QString &text)
{
    const QChar separator = TLocale::User().DecimalSeparator();
    const QString sep = QRegularExpression::escape(QString(separator));
    const QRegularExpression number(QStringLiteral("^\\s*[+-]?(\\d+(") + sep + QStringLiteral("\\d*)?|") + sep
        + QStringLiteral("\\d+)([eE][+-]?\\d+)?\\s*$"));
    if (!number.match(text).hasMatch())
        return std::nullopt;
    QString plain = text.trimmed();
    plain.replace(separator, u'.');
    bool ok = false;
    const double value = plain.toDouble(&ok);
    return ok && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

TDateTimeParts Now()
{
    const QDateTime now = QDateTime::currentDateTime();
    return {now.date().year(), now.date().month(), now.date().day(), now.time().hour(), now.time().minute(),
        now.time().second(), now.time().msec()};
}

} // namespace

int TRichPrinter::HeaderTopPx() const
{
    // A top band narrower than one line puts the header at the top of the printable area.
    const int top = TopOffsetPx();
    if (top < std::int64_t(m_lineHeight))
        return 0;
    return static_cast<int>(std::nearbyint((top - double(m_lineHeight)) / 2));
}

void TRichPrinter::PrintPageDecorations()
{
    ShowStatus(QStringLiteral("Currently Printing"));
    const QString savedFormat = m_columnFormat;
    try {
        if (!m_header.isEmpty()) {
            SetFont_HeaderFooter(Font_HeaderFooter());
            ScaleFontToDevice();
            UpdateLineHeight();
            m_cursorY = HeaderTopPx() - TopOffsetPx();
            m_columnFormat = m_headerFormat;
            WriteLine(m_header);
            if (!m_bitmapLogo.isNull()) {
                const QRect logo = LogoRect();
                try {
                    Canvas().DrawFocusRect(logo);
                    Canvas().StretchDraw(logo, m_bitmapLogo);
                } catch (const EPrinter &) { }
            }
        }
        if (!m_footer.isEmpty()) {
            SetFont_HeaderFooter(Font_HeaderFooter());
            ScaleFontToDevice();
            UpdateLineHeight();
            m_cursorY = (BottomOffsetPx() - int(m_lineHeight)) / 2 + TextAreaHeightPx();
            m_columnFormat = m_footerFormat;
            WriteLine(m_footer);
        }
    } catch (...) {
        m_columnFormat = savedFormat;
        throw;
    }
    m_columnFormat = savedFormat;
    m_cursorX = 0;
    m_cursorY = 0;
    m_lineNumber = 0;
    if (OnNewPage)
        OnNewPage(this);
    DrawBorders();
}

void TRichPrinter::WriteLine(const QString &text)
{
    const QStringList specs = SplitColumns(m_columnFormat);
    const QStringList cells = SplitColumns(text);
    m_cursorX = LeftOffsetPx();
    for (qsizetype i = 0; i < specs.size(); ++i) {
        const auto [alignment, width] = ParseColumnSpec(specs[i], m_defaultColumnWidth);
        const int column = UnitsToPixelsX(width);
        QString cell = i < cells.size() ? cells[i] : QString();
        if (cell.contains(QStringLiteral("{$")))
            cell = ExpandMacros(cell);
        cell = FitTextToWidth(cell, column);
        try {
            const int textWidth = Canvas().TextWidth(cell);
            int offset = 0;
            if (alignment == 1)
                offset = column - textWidth;
            else if (alignment == 2)
                offset = (column - textWidth) / 2;
            // Cells that leave room keep a small gap from the column's edge.
            const int pad = Printer().Handle().GetDeviceCaps(LOGPIXELSX) / 600 * 6;
            if (textWidth < column - pad) {
                if (alignment == 1)
                    offset -= pad;
                else if (alignment == 0)
                    offset += pad;
            }
            Canvas().TextOut(m_cursorX + offset, TopOffsetPx() + m_cursorY, cell);
        } catch (const EPrinter &) { }
        m_cursorX += column;
    }
}

QStringList TRichPrinter::SplitColumns(const QString &text)
{
    return text.split(u'|');
}

std::pair<int, double> TRichPrinter::ParseColumnSpec(const QString &spec, double defaultWidth)
{
    if (spec.isEmpty())
        return {0, defaultWidth};
    const QString aligners = QStringLiteral("<>^");
    const qsizetype code = aligners.indexOf(spec.front());
    if (spec.size() == 1 && code >= 0)
        return {int(code), defaultWidth};
    const QString widthText = code >= 0 ? spec.mid(1) : spec;
    return {code >= 0 ? int(code) : 0, LocaleNumber(widthText).value_or(defaultWidth)};
}

QString TRichPrinter::ExpandMacros(const QString &text) const
{
    const TDateTimeParts now = Now();
    QString result = ReplaceMacro(MacroLine, QString::number(m_lineNumber), text);
    result = ReplaceMacro(MacroPage, QString::number(m_pageNumber), result);
    result = ReplaceMacro(MacroDate, TLocale::User().FormatShortDate(now), result);
    result = ReplaceMacro(MacroTime, TLocale::User().FormatLongTime(now), result);
    return ReplaceMacro(MacroTitle, Title(), result);
}

QString TRichPrinter::ReplaceMacro(const QString &macro, const QString &value, const QString &text)
{
    if (value.contains(macro))
        return text;
    QString result = text;
    for (qsizetype at = result.indexOf(macro); at >= 0; at = result.indexOf(macro))
        result = result.left(at) + value + result.mid(at + macro.size());
    return result;
}

QString TRichPrinter::FitTextToWidth(const QString &text, int width) const
{
    try {
        if (std::uint32_t(Canvas().TextWidth(text)) <= std::uint32_t(width))
            return text;
        qsizetype lo = 1;
        qsizetype hi = text.size();
        qsizetype mid = 0;
        qsizetype previous = 0;
        do {
            previous = mid;
            mid = (lo + hi) / 2;
            const int measured = Canvas().TextWidth(text.left(mid));
            if (measured > width)
                hi = mid;
            else if (measured < width)
                lo = mid;
            else
                lo = hi;
        } while (mid != previous && hi > lo);
        // Half a surrogate pair would print as a stray box.
        if (mid > 1 && text[mid - 1].isHighSurrogate())
            --mid;
        return text.left(mid);
    } catch (const EPrinter &) {
        return text;
    }
}

QRect TRichPrinter::LogoRect()
{
    const int top0 = TopOffsetPx();
    const int lineHeight = int(m_lineHeight);
    const int baseY = (top0 >= lineHeight ? (top0 - lineHeight) / 2 : 0) + lineHeight;
    const int baseX = LeftOffsetPx();
    m_cursorY = baseY;
    m_cursorX = baseX;
    const double width = TextAreaWidthPx();
    const double height = TextAreaHeightPx();
    const int top = int(std::nearbyint(m_logoTop / PhysicalPageHeight() * height)) + baseY;
    const int left = int(std::nearbyint(m_logoLeft / PhysicalPageWidth() * width)) + baseX;
    const int right = int(std::nearbyint(m_logoWidth / PhysicalPageWidth() * width)) + left;
    const int bottom = int(std::nearbyint(m_logoHeight / PhysicalPageHeight() * height)) + top;
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

void TRichPrinter::DrawBorders()
{
    const int l = LeftOffsetPx();
    const int t = TopOffsetPx();
    const int w = TextAreaWidthPx();
    const int h = TextAreaHeightPx();
    try {
        TPrinterCanvas &canvas = Canvas();
        canvas.SetPenWidth(Printer().Handle().GetDeviceCaps(LOGPIXELSY) / 600 * 2);
        int d = UnitsToPixelsY(m_borderOffset);
        if (m_pageBorders.Contains(TPageBorderStyle::pbTop)) {
            canvas.MoveTo(l - d, t - d);
            canvas.LineTo(l + w + d, t - d);
        }
        if (m_pageBorders.Contains(TPageBorderStyle::pbBottom)) {
            canvas.MoveTo(l - d, t + h + d);
            canvas.LineTo(l + w + d, t + h + d);
        }
        canvas.SetPenWidth(Printer().Handle().GetDeviceCaps(LOGPIXELSX) / 600 * 2);
        d = UnitsToPixelsX(m_borderOffset);
        if (m_pageBorders.Contains(TPageBorderStyle::pbLeft)) {
            canvas.MoveTo(l - d, t - d);
            canvas.LineTo(l - d, t + h + d);
        }
        if (m_pageBorders.Contains(TPageBorderStyle::pbRight)) {
            canvas.MoveTo(l + w + d, t - d);
            canvas.LineTo(l + w + d, t + h + d);
        }
    } catch (const EPrinter &) { }
}
