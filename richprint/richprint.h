#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>

#include <QImage>
#include <QObject>
#include <QRect>
#include <QString>
#include <QStringList>

#include "platform/print/printer.h"
#include "platform/system/font.h"
#include "platform/system/set.h"
#include "platform/ui/richedit.h"

class QPainter;
class TRichPrntProgDlg;

enum class TMeasureUnit
{
    muMillimeters,
    muInches
};

enum class TPageBorderStyle
{
    pbTop,
    pbBottom,
    pbLeft,
    pbRight
};
using TPageBorders = TSet<TPageBorderStyle>;

enum class TPageSetupFlags
{
    poDisableMargins,
    poMargins,
    poDisableOrientation,
    poDisablePaper,
    poDisablePrinter
};
using TPageOptions = TSet<TPageSetupFlags>;

// The printing component's failures, with its own English messages.
class ELinePrinter : public EPrinter
{
public:
    using EPrinter::EPrinter;
};

// A job event; the sender is the component.
using TNotifyEvent = std::function<void(QObject *sender)>;

// Prints the content of a rich text view on the current printer (Printer()) inside
// margins, with a header and a footer line in columns, border lines and a logo.
// Lengths are in MeasureUnit; positions on the page are device pixels from the
// printable area's corner. Orientation, Title and Font_HeaderFooter live on the printer
// itself. Without a printer every measure takes its fallback and 600 dpi is assumed.
class TRichPrinter : public QObject
{
    Q_OBJECT

public:
    explicit TRichPrinter(QObject *owner = nullptr);
    ~TRichPrinter() override;

    // Published properties.
    bool SaveMargins() const { return m_saveMargins; }
    void SetSaveMargins(bool value) { m_saveMargins = value; }
    const QImage &BitmapLogo() const { return m_bitmapLogo; }
    void SetBitmapLogo(const QImage &logo) { m_bitmapLogo = logo; }
    // The margin setters clamp to the printable area; while printing they throw ELinePrinter.
    double MarginTop() const { return m_marginTop; }
    void SetMarginTop(double value);
    double MarginBottom() const { return m_marginBottom; }
    void SetMarginBottom(double value);
    double MarginLeft() const { return m_marginLeft; }
    void SetMarginLeft(double value);
    double MarginRight() const { return m_marginRight; }
    void SetMarginRight(double value);
    double LogoTop() const { return m_logoTop; }
    void SetLogoTop(double value) { m_logoTop = value; }
    double LogoLeft() const { return m_logoLeft; }
    void SetLogoLeft(double value) { m_logoLeft = value; }
    double LogoWidth() const { return m_logoWidth; }
    void SetLogoWidth(double value) { m_logoWidth = value; }
    double LogoHeight() const { return m_logoHeight; }
    void SetLogoHeight(double value) { m_logoHeight = value; }
    TMeasureUnit MeasureUnit() const { return m_measureUnit; }
    // Converts the margins, BorderOffset and DefaultColumnWidth to the new unit.
    void SetMeasureUnit(TMeasureUnit unit);
    const QString &Header() const { return m_header; }
    void SetHeader(const QString &value) { m_header = value; }
    const QString &HeaderFormat() const { return m_headerFormat; }
    void SetHeaderFormat(const QString &value) { m_headerFormat = value; }
    const QString &Footer() const { return m_footer; }
    void SetFooter(const QString &value) { m_footer = value; }
    const QString &FooterFormat() const { return m_footerFormat; }
    void SetFooterFormat(const QString &value) { m_footerFormat = value; }
    TPageBorders PageBorders() const { return m_pageBorders; }
    void SetPageBorders(TPageBorders value) { m_pageBorders = value; }
    bool ShowProgress() const { return m_showProgress; }
    void SetShowProgress(bool value) { m_showProgress = value; }
    TFont Font_HeaderFooter() const;
    void SetFont_HeaderFooter(const TFont &font);
    TPrinterOrientation Orientation() const;
    void SetOrientation(TPrinterOrientation orientation);
    QString Title() const;
    void SetTitle(const QString &title);
    double BorderOffset() const { return m_borderOffset; }
    void SetBorderOffset(double value) { m_borderOffset = value; }
    double GutterTop() const;
    double GutterBottom() const;
    double GutterLeft() const;
    double GutterRight() const;
    TNotifyEvent OnBeginDoc;
    TNotifyEvent OnEndDoc;
    TNotifyEvent OnAbortDoc; // kept for page setups to come; no job raises it
    TNotifyEvent OnNewPage;
    TPageOptions Options_Dialog() const { return m_optionsDialog; }
    void SetOptions_Dialog(TPageOptions options);
    std::int16_t PaperLength() const { return m_paperLength; }
    std::int16_t PaperWidth() const { return m_paperWidth; }

    double DefaultColumnWidth() const { return m_defaultColumnWidth; }
    void SetDefaultColumnWidth(double value) { m_defaultColumnWidth = value; }

    // Page geometry.
    bool IsPrinting() const;
    int UnitsToPixelsX(double value) const;
    int UnitsToPixelsY(double value) const;
    double PixelsToUnitsX(std::uint32_t pixels) const;
    double PixelsToUnitsY(std::uint32_t pixels) const;
    double PhysicalPageWidth() const;
    double PhysicalPageHeight() const;
    double PrintableWidth() const;
    double PrintableHeight() const;
    int LeftOffsetPx() const;
    int RightOffsetPx() const;
    int TopOffsetPx() const;
    int BottomOffsetPx() const;
    int TextAreaWidthPx() const;
    int TextAreaHeightPx() const;
    void UpdateLineHeight();
    void ScaleFontToDevice();
    void ReapplyMargins();
    // Reads the stored margins, unit and orientation; throws ERegistryException for a
    // margin that is missing or not an 8-byte binary value.
    void LoadSettings();

    // Page decorations.
    void PrintPageDecorations();
    void WriteLine(const QString &text);
    static QStringList SplitColumns(const QString &text);
    // (alignment: 0 left, 1 right, 2 centred; width in MeasureUnit)
    static std::pair<int, double> ParseColumnSpec(const QString &spec, double defaultWidth);
    QString ExpandMacros(const QString &text) const;
    static QString ReplaceMacro(const QString &macro, const QString &value, const QString &text);
    QString FitTextToWidth(const QString &text, int width) const;
    QRect LogoRect();

    // The print job. Printer failures arrive as ELinePrinter; other errors pass
    // unchanged. A job that fails part-way is aborted, so the printer is idle again.
    void PrintRichEdit(TRichEdit *richEdit, int firstPageNumber);
    void BeginJob();
    int NewPage();
    void EndJob();
    void SetupFormatRange();
    // Formats the `length` characters of the view page by page.
    void PrintPages(std::int64_t length);
    void ShowStatus(const QString &status);
    // Draws the page of the view that begins at character `from` as PrintRichEdit
    // prints it, numbered `pageNumber`, into `painter` (coordinates in the printer's
    // device pixels from the printable area's corner), and answers where the next page
    // begins; nothing reaches the printer. Throws EPrinter without a printer.
    std::int64_t PreviewPage(TRichEdit *richEdit, int pageNumber, std::int64_t from, QPainter &painter);

    // State of the running (or last) job.
    TPrinterCanvas &Canvas() const { return Printer().Canvas(); }
    TRichPrntProgDlg *ProgressDialog() const { return m_progressDialog.get(); }
    int FirstPageNumber() const { return m_firstPageNumber; }
    int PageNumber() const { return m_pageNumber; }
    int LineNumber() const { return m_lineNumber; }
    int CursorX() const { return m_cursorX; }
    int CursorY() const { return m_cursorY; }
    std::uint32_t LineHeight() const { return m_lineHeight; }
    const TTextMetric &TextMetrics() const { return m_textMetrics; }
    const QString &ColumnFormat() const { return m_columnFormat; }
    TRichEdit *RichEdit() const { return m_richEdit; }
    const TFormatRange &FormatRange() const { return m_formatRange; }

private:
    double Fallback(double inches, double millimetres) const;
    double ClampMargin(double value, double low, double high) const;
    void CheckNotPrinting(const char *message) const;
    int HeaderTopPx() const;
    void DrawBorders();
    void AbandonJob() noexcept;
    void ScaleFonts();

    std::unique_ptr<TRichPrntProgDlg> m_progressDialog;
    int m_firstPageNumber = 0;
    int m_lineNumber = 0;
    double m_marginTop = 30, m_marginBottom = 25, m_marginLeft = 25, m_marginRight = 15;
    double m_logoTop = 0, m_logoLeft = 0, m_logoWidth = 25, m_logoHeight = 20;
    TMeasureUnit m_measureUnit = TMeasureUnit::muMillimeters;
    QString m_header, m_footer;
    TPageBorders m_pageBorders;
    TTextMetric m_textMetrics;
    bool m_showProgress = true;
    double m_borderOffset = 2.0;
    QString m_headerFormat, m_footerFormat, m_columnFormat;
    TRichEdit *m_richEdit = nullptr;
    int m_cursorX = 0, m_cursorY = 0;
    std::uint32_t m_lineHeight = 0;
    TPageOptions m_optionsDialog{TPageSetupFlags::poMargins};
    std::int16_t m_paperLength = 0, m_paperWidth = 0;
    QImage m_bitmapLogo;
    bool m_saveMargins = false;
    double m_defaultColumnWidth = 0.0;
    int m_pageNumber = 0;
    TFormatRange m_formatRange;
};
