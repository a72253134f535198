#include "richprint/richprint.h"

#include <algorithm>
#include <cmath>

#include "platform/system/registry.h"
#include "richprint/richprntprogdlg.h"

namespace {

constexpr double MillimetresPerInch = 25.4;
// The resolution assumed when there is no printer to ask.
constexpr int AssumedDpi = 600;

// To the nearest integer, halves to the even neighbour.
int RoundEven(double value)
{
    return static_cast<int>(std::nearbyint(value));
}

int DeviceCaps(int index)
{
    return Printer().Handle().GetDeviceCaps(index);
}

} // namespace

TRichPrinter::TRichPrinter(QObject *owner)
    : QObject(owner)
{
    TFont &font = Canvas().Font();
    font.Name = QStringLiteral("Courier New");
    font.SetSize(10);
    font.Style = {};

    m_pageBorders = {};
    SetOrientation(TPrinterOrientation::poPortrait);
    m_showProgress = true;
    m_headerFormat = QStringLiteral(">100");
    m_header = QStringLiteral("{$TITLE}");
    m_footerFormat = QStringLiteral(">100");
    m_footer = QStringLiteral("Page {$PAGE}");
    m_columnFormat.clear();
    SetTitle(QString());
    m_borderOffset = 2.0;
    m_defaultColumnWidth = 0.0;
    // Stored raw, then clamped to the printer's gutters by the unit setter.
    m_marginTop = 30;
    m_marginBottom = 25;
    m_marginLeft = 25;
    m_marginRight = 15;
    SetMeasureUnit(TMeasureUnit::muMillimeters);
}

TRichPrinter::~TRichPrinter() = default;

bool TRichPrinter::IsPrinting() const
{
    return Printer().Printing();
}

void TRichPrinter::CheckNotPrinting(const char *message) const
{
    if (IsPrinting())
        throw ELinePrinter(message);
}

int TRichPrinter::UnitsToPixelsX(double value) const
{
    const double inches = m_measureUnit == TMeasureUnit::muMillimeters ? value / MillimetresPerInch : value;
    try {
        return RoundEven(DeviceCaps(LOGPIXELSX) * inches);
    } catch (const EPrinter &) {
        return RoundEven(AssumedDpi * inches);
    }
}

int TRichPrinter::UnitsToPixelsY(double value) const
{
    const double inches = m_measureUnit == TMeasureUnit::muMillimeters ? value / MillimetresPerInch : value;
    try {
        return RoundEven(DeviceCaps(LOGPIXELSY) * inches);
    } catch (const EPrinter &) {
        return RoundEven(AssumedDpi * inches);
    }
}

double TRichPrinter::PixelsToUnitsX(std::uint32_t pixels) const
{
    double dpi = AssumedDpi;
    try {
        if (const int deviceDpi = DeviceCaps(LOGPIXELSX); deviceDpi != 0)
            dpi = deviceDpi;
    } catch (const EPrinter &) { }
    const double inches = pixels / dpi;
    return m_measureUnit == TMeasureUnit::muMillimeters ? inches * MillimetresPerInch : inches;
}

double TRichPrinter::PixelsToUnitsY(std::uint32_t pixels) const
{
    double dpi = AssumedDpi;
    try {
        if (const int deviceDpi = DeviceCaps(LOGPIXELSY); deviceDpi != 0)
            dpi = deviceDpi;
    } catch (const EPrinter &) { }
    const double inches = pixels / dpi;
    return m_measureUnit == TMeasureUnit::muMillimeters ? inches * MillimetresPerInch : inches;
}

double TRichPrinter::Fallback(double inches, double millimetres) const
{
    return m_measureUnit == TMeasureUnit::muInches ? inches : millimetres;
}

double TRichPrinter::PhysicalPageWidth() const
{
    try {
        return PixelsToUnitsX(DeviceCaps(PHYSICALWIDTH));
    } catch (const EPrinter &) {
        return Fallback(8.5, 210);
    }
}

double TRichPrinter::PhysicalPageHeight() const
{
    try {
        return PixelsToUnitsY(DeviceCaps(PHYSICALHEIGHT));
    } catch (const EPrinter &) {
        return Fallback(11, 297);
    }
}

double TRichPrinter::PrintableWidth() const
{
    try {
        return PixelsToUnitsX(DeviceCaps(HORZRES));
    } catch (const EPrinter &) {
        return Fallback(8, 198);
    }
}

double TRichPrinter::PrintableHeight() const
{
    try {
        return PixelsToUnitsY(DeviceCaps(VERTRES));
    } catch (const EPrinter &) {
        return Fallback(10.5, 284);
    }
}

double TRichPrinter::GutterLeft() const
{
    try {
        return PixelsToUnitsX(DeviceCaps(PHYSICALOFFSETX));
    } catch (const EPrinter &) {
        return Fallback(0.25, 6);
    }
}

double TRichPrinter::GutterTop() const
{
    try {
        return PixelsToUnitsY(DeviceCaps(PHYSICALOFFSETY));
    } catch (const EPrinter &) {
        return Fallback(0.25, 6);
    }
}

double TRichPrinter::GutterRight() const
{
    return PhysicalPageWidth() - PrintableWidth() - GutterLeft();
}

double TRichPrinter::GutterBottom() const
{
    return PhysicalPageHeight() - PrintableHeight() - GutterTop();
}

int TRichPrinter::LeftOffsetPx() const
{
    return UnitsToPixelsX(m_marginLeft - GutterLeft());
}

int TRichPrinter::RightOffsetPx() const
{
    return UnitsToPixelsX(m_marginRight - GutterRight());
}

int TRichPrinter::TopOffsetPx() const
{
    return UnitsToPixelsY(m_marginTop - GutterTop());
}

int TRichPrinter::BottomOffsetPx() const
{
    // Compared as signed numbers: a margin that lies inside the gutter (set for another
    // printer) gives a band of one line, not a band of four billion pixels.
    return std::max<std::int64_t>(UnitsToPixelsY(m_marginBottom - GutterBottom()), m_lineHeight);
}

int TRichPrinter::TextAreaWidthPx() const
{
    return UnitsToPixelsX(PrintableWidth()) - LeftOffsetPx() - RightOffsetPx();
}

int TRichPrinter::TextAreaHeightPx() const
{
    return UnitsToPixelsY(PrintableHeight()) - TopOffsetPx() - BottomOffsetPx();
}

double TRichPrinter::ClampMargin(double value, double low, double high) const
{
    if (value < low)
        return low;
    if (value > high)
        return high;
    return value;
}

void TRichPrinter::SetMarginTop(double value)
{
    CheckNotPrinting("Unable to change top margin while printing");
    m_marginTop = ClampMargin(value, GutterTop(), PhysicalPageHeight() - GutterBottom());
}

void TRichPrinter::SetMarginBottom(double value)
{
    CheckNotPrinting("Unable to change bottom margin while printing");
    m_marginBottom = ClampMargin(value, GutterBottom(), PhysicalPageHeight() - GutterTop());
}

void TRichPrinter::SetMarginLeft(double value)
{
    CheckNotPrinting("Unable to change left margin while printing");
    m_marginLeft = ClampMargin(value, GutterLeft(), PhysicalPageWidth() - GutterRight());
}

void TRichPrinter::SetMarginRight(double value)
{
    CheckNotPrinting("Unable to change right margin while printing");
    m_marginRight = ClampMargin(value, GutterRight(), PhysicalPageWidth() - GutterLeft());
}

void TRichPrinter::SetMeasureUnit(TMeasureUnit unit)
{
    const TMeasureUnit old = m_measureUnit;
    m_measureUnit = unit;
    if (old != unit) {
        auto convert = [unit](double value) {
            return unit == TMeasureUnit::muInches ? value / MillimetresPerInch : value * MillimetresPerInch;
        };
        SetMarginTop(convert(m_marginTop));
        SetMarginBottom(convert(m_marginBottom));
        SetMarginLeft(convert(m_marginLeft));
        SetMarginRight(convert(m_marginRight));
        m_borderOffset = convert(m_borderOffset);
        m_defaultColumnWidth = convert(m_defaultColumnWidth);
    }
    ReapplyMargins();
}

void TRichPrinter::ReapplyMargins()
{
    if (IsPrinting())
        return;
    SetMarginTop(m_marginTop);
    SetMarginBottom(m_marginBottom);
    SetMarginLeft(m_marginLeft);
    SetMarginRight(m_marginRight);
}

TPrinterOrientation TRichPrinter::Orientation() const
{
    try {
        return Printer().Orientation();
    } catch (const EPrinter &) {
        return TPrinterOrientation::poPortrait;
    }
}

void TRichPrinter::SetOrientation(TPrinterOrientation orientation)
{
    CheckNotPrinting("Unable to change orientation while printing");
    try {
        Printer().SetOrientation(orientation);
    } catch (const EPrinter &) { }
}

QString TRichPrinter::Title() const
{
    try {
        return Printer().Title();
    } catch (const EPrinter &) {
        return QStringLiteral("<Unknown>");
    }
}

void TRichPrinter::SetTitle(const QString &title)
{
    CheckNotPrinting("Unable to change title while printing");
    try {
        Printer().SetTitle(title);
    } catch (const EPrinter &) { }
}

void TRichPrinter::SetOptions_Dialog(TPageOptions options)
{
    if (options.Contains(TPageSetupFlags::poDisableMargins))
        options.Exclude(TPageSetupFlags::poMargins);
    if (options.Contains(TPageSetupFlags::poMargins))
        options.Exclude(TPageSetupFlags::poDisableMargins);
    m_optionsDialog = options;
}

TFont TRichPrinter::Font_HeaderFooter() const
{
    return Canvas().Font();
}

void TRichPrinter::SetFont_HeaderFooter(const TFont &font)
{
    try {
        TFont &surface = Canvas().Font();
        surface = font;
        // White text would not show on paper.
        if ((ColorOnPaper(surface.Color).rgb() & 0xFFFFFF) == 0xFFFFFF)
            surface.Color = clBlack;
    } catch (const EPrinter &) { }
    UpdateLineHeight();
}

void TRichPrinter::UpdateLineHeight()
{
    if (IsPrinting()) {
        m_textMetrics = Canvas().GetTextMetrics();
        m_lineHeight = m_textMetrics.tmHeight + m_textMetrics.tmExternalLeading;
        return;
    }
    try {
        m_lineHeight = Canvas().TextHeight(QStringLiteral("M"));
    } catch (const EPrinter &) {
        m_lineHeight = 10;
    }
}

void TRichPrinter::ScaleFontToDevice()
{
    TFont &font = Canvas().Font();
    const int points = font.Size();
    font.PixelsPerInch = DeviceCaps(LOGPIXELSY);
    font.SetSize(points);
}

void TRichPrinter::LoadSettings()
{
    TRegistry registry;
    registry.OpenKey(QStringLiteral("RichPrint.Settings"), true);
    if (registry.OpenKey(QStringLiteral("Marges"), false)) {
        SetMarginLeft(registry.ReadFloat(QStringLiteral("MarginLeft")));
        SetMarginTop(registry.ReadFloat(QStringLiteral("MarginTop")));
        SetMarginBottom(registry.ReadFloat(QStringLiteral("MarginBottom")));
        SetMarginRight(registry.ReadFloat(QStringLiteral("MarginRight")));
        SetMeasureUnit(registry.ReadInteger(QStringLiteral("CodeMeasurement"), 1) == 1
                ? TMeasureUnit::muMillimeters
                : TMeasureUnit::muInches);
        SetOrientation(registry.ReadInteger(QStringLiteral("CodeDirection"), 1) == 1
                ? TPrinterOrientation::poPortrait
                : TPrinterOrientation::poLandscape);
    } else {
        SetMarginLeft(m_marginLeft);
        SetMarginTop(m_marginTop);
        SetMarginBottom(m_marginBottom);
        SetMarginRight(m_marginRight);
        SetMeasureUnit(m_measureUnit);
        SetOrientation(Orientation());
    }
    registry.CloseKey();
}
