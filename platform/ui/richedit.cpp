#include "platform/ui/richedit.h"

#include <algorithm>

#include <QPalette>

#include "platform/document/paragraphoutput.h"
#include "platform/print/pagecounter.h"
#include "platform/print/printer.h"
#include "platform/print/printerlayout.h"
#include "platform/system/error.h"
#include "platform/system/savefile.h"
#include "platform/system/translation.h"
#include "platform/ui/storeprintparagraphs.h"

namespace {

// Half an inch in the 96-dpi units that Qt measures tab stops in.
constexpr qreal TabStopDistance = 48;

} // namespace

TRichEdit::TRichEdit(QWidget *parent)
    : TParagraphView(parent)
    , m_printParagraphs(std::make_unique<TStorePrintParagraphs>(Store()))
{
    SetFont(m_font);
}

TRichEdit::~TRichEdit() = default;

void TRichEdit::Clear()
{
    Store().Clear();
    SetCaret(0);
    if (m_updateDepth == 0)
        StoreChanged();
}

void TRichEdit::SetText(QStringView text)
{
    Store().Clear();
    Store().Replace(0, 0, text);
    Store().ClearHistory();
    SetCaret(0);
    StoreChanged();
}

std::int64_t TRichEdit::GetTextLen() const
{
    return Store().Length();
}

void TRichEdit::AppendLine(QStringView text)
{
    if (GetTextLen() + text.size() + 1 > m_maxLength)
        throw EOutOfResources(Translated("TRichEdit", "Capacité de la vue dépassée (%1 caractères)")
                                  .arg(m_maxLength)
                                  .toStdString());
    Store().Append(text, m_nextBold);
    if (m_updateDepth == 0)
        StoreChanged();
}

void TRichEdit::SetNextLineBold(bool bold)
{
    m_nextBold = bold;
}

void TRichEdit::BeginUpdate()
{
    if (m_updateDepth++ > 0)
        return;
    // What the user typed meanwhile would land in the middle of the lines being read.
    m_readOnlyBeforeUpdate = ReadOnly();
    SetReadOnly(true);
}

void TRichEdit::EndUpdate()
{
    if (m_updateDepth == 0 || --m_updateDepth > 0)
        return;
    Store().Squeeze();
    SetReadOnly(m_readOnlyBeforeUpdate);
    StoreChanged();
}

void TRichEdit::SetFont(const TFont &font)
{
    m_font = font;
    setFont(ToQFont(font));
    QPalette colors = palette();
    colors.setColor(QPalette::Text, ColorToQColor(font.Color));
    setPalette(colors);
}

void TRichEdit::WriteRtf(QIODevice &out) const
{
    ::WriteRtf(Store(), RtfFontOf(m_font), out);
}

void TRichEdit::WritePlainText(QIODevice &out) const
{
    ::WritePlainText(Store(), out);
}

void TRichEdit::SaveToFile(const std::string &fileName) const
{
    SaveFileAtomically(fileName, [this](QIODevice &out) { WriteRtf(out); });
}

TPrinterLayout::TSettings TRichEdit::PrintSettings(const TFormatRange &range, QRectF &area) const
{
    TDeviceContext &target = range.hdcTarget ? *range.hdcTarget : *range.hdc;
    const double dpiX = target.GetDeviceCaps(LOGPIXELSX);
    const double dpiY = target.GetDeviceCaps(LOGPIXELSY);

    TPrinterLayout::TSettings settings;
    settings.Paragraphs = m_printParagraphs.get();
    settings.Device = target.Device();
    settings.Font = ToQFont(m_font);
    settings.Color = ColorOnPaper(m_font.Color);
    settings.TabStop = TabStopDistance;
    settings.Width = (range.rc.right - range.rc.left) * dpiX / 1440.0;
    area = QRectF(range.rc.left * dpiX / 1440.0, range.rc.top * dpiY / 1440.0, settings.Width,
        (range.rc.bottom - range.rc.top) * dpiY / 1440.0);
    return settings;
}

std::int64_t TRichEdit::FormatRange(const TFormatRange *range, bool render)
{
    if (range == nullptr) {
        m_printLayout.reset();
        return 0;
    }
    QRectF area;
    const TPrinterLayout::TSettings settings = PrintSettings(*range, area);
    const std::int64_t length = GetTextLen();
    const std::int64_t to = range->chrg.cpMax < 0 ? length : std::min(range->chrg.cpMax, length);
    if (!m_printLayout)
        m_printLayout = std::make_unique<TPrinterLayout>();
    return m_printLayout->Render(
        settings, area, range->chrg.cpMin, to, render ? range->hdc->Painter() : nullptr);
}

std::unique_ptr<TPageCounter> TRichEdit::PageCounter(const TFormatRange &range) const
{
    QRectF area;
    const TPrinterLayout::TSettings settings = PrintSettings(range, area);
    return std::make_unique<TPageCounter>(settings, area);
}
