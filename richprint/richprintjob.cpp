// The print job of TRichPrinter: document, pages, body text and the progress dialog.
#include <QLabel>
#include <QScopeGuard>

#include "richprint/richprint.h"
#include "richprint/richprntprogdlg.h"

void TRichPrinter::PrintRichEdit(TRichEdit *richEdit, int firstPageNumber)
{
    m_richEdit = richEdit;
    m_firstPageNumber = firstPageNumber;
    m_formatRange = TFormatRange();
    // A job that fails on the way is abandoned, after the view has let go of its
    // formatting and the canvas has its mapping mode back (the guards run in reverse).
    auto abandon = qScopeGuard([this] { AbandonJob(); });
    BeginJob();
    auto releaseFormatting = qScopeGuard([richEdit] { richEdit->FormatRange(nullptr, false); });
    SetupFormatRange();
    const std::int64_t length = richEdit->GetTextLen();
    m_formatRange.chrg.cpMax = -1;
    TDeviceContext *context = m_formatRange.hdc;
    const auto restoreMode = qScopeGuard(
        [context, previousMode = context->SetMapMode(MM_TEXT)] { context->SetMapMode(previousMode); });
    richEdit->FormatRange(nullptr, false);
    PrintPages(length);
    richEdit->FormatRange(nullptr, false);
    EndJob();
    releaseFormatting.dismiss();
    abandon.dismiss();
}

void TRichPrinter::PrintPages(std::int64_t length)
{
    std::int64_t next = 0;
    for (;;) {
        m_formatRange.chrg.cpMin = next;
        next = m_richEdit->FormatRange(&m_formatRange, true);
        const bool more = next < length && next != -1;
        if (more) {
            NewPage();
            SetupFormatRange();
        }
        // A page that takes nothing of the remaining text ends the job.
        if (!more || next <= m_formatRange.chrg.cpMin)
            break;
    }
}

void TRichPrinter::AbandonJob() noexcept
{
    // Left open, the document would keep the printer printing: every later margin, title
    // or orientation change would refuse and no job could start again.
    try {
        if (IsPrinting())
            Printer().Abort();
        ShowStatus(QString());
    } catch (...) { }
}

void TRichPrinter::SetupFormatRange()
{
    TDeviceContext &context = Printer().Handle();
    const std::int64_t dpiX = context.GetDeviceCaps(LOGPIXELSX);
    const std::int64_t dpiY = context.GetDeviceCaps(LOGPIXELSY);
    const std::int64_t left = LeftOffsetPx();
    const std::int64_t top = TopOffsetPx();
    TRect &rect = m_formatRange.rc;
    rect.left = int(left * 1440 / dpiX);
    rect.top = int(top * 1440 / dpiY);
    rect.right = int((left + TextAreaWidthPx()) * 1440 / dpiX);
    rect.bottom = int((top + TextAreaHeightPx()) * 1440 / dpiY);
    m_formatRange.rcPage = rect;
    m_formatRange.hdc = &context;
    m_formatRange.hdcTarget = &context;
}

void TRichPrinter::BeginJob()
{
    if (m_saveMargins)
        LoadSettings();
    if (OnBeginDoc)
        OnBeginDoc(this);
    try {
        Printer().BeginDoc();
        ScaleFonts();
    } catch (const ELinePrinter &) {
        throw;
    } catch (const EInOutError &error) {
        throw ELinePrinter(error.Message(), error.Detail());
    } catch (const EPrinter &error) {
        throw ELinePrinter("Not be able to start the printing.", error.Detail());
    }
    ShowStatus(QStringLiteral("Preparing to Print"));
    m_lineNumber = 0;
    m_pageNumber = m_firstPageNumber;
    PrintPageDecorations();
}

void TRichPrinter::ScaleFonts()
{
    SetFont_HeaderFooter(Font_HeaderFooter());
    ScaleFontToDevice();
    m_textMetrics = Canvas().GetTextMetrics();
}

std::int64_t TRichPrinter::PreviewPage(
    TRichEdit *richEdit, int pageNumber, std::int64_t from, QPainter &painter)
{
    Printer().BeginPreview(painter);
    const auto endPreview = qScopeGuard([] { Printer().EndPreview(); });
    m_richEdit = richEdit;
    ScaleFonts();
    m_pageNumber = pageNumber;
    PrintPageDecorations();
    SetupFormatRange();
    m_formatRange.chrg = {from, -1};
    return richEdit->FormatRange(&m_formatRange, true);
}

int TRichPrinter::NewPage()
{
    try {
        Printer().NewPage();
    } catch (const ELinePrinter &) {
        throw;
    } catch (const EInOutError &error) {
        throw ELinePrinter("Not be able to print a new page.", error.Detail());
    } catch (const EPrinter &error) {
        throw ELinePrinter("Not be able to print a new page.", error.Detail());
    }
    ++m_pageNumber;
    PrintPageDecorations();
    return m_pageNumber;
}

void TRichPrinter::EndJob()
{
    auto finish = [this] {
        // Once the document has ended the printer no longer prints: the dialog goes.
        if (IsPrinting())
            Printer().Abort();
        ShowStatus(QString());
        if (OnEndDoc)
            OnEndDoc(this);
    };
    // On a failure the job is finished on the way out; on success here, where a failure
    // of the finishing itself can still reach the caller.
    auto finishOnFailure = qScopeGuard(finish);
    ShowStatus(QStringLiteral("Finished Printing"));
    try {
        Printer().EndDoc();
    } catch (const ELinePrinter &) {
        throw;
    } catch (const EInOutError &error) {
        throw ELinePrinter("Not be able to print to a file.", error.Detail());
    } catch (const EPrinter &error) {
        throw ELinePrinter("Not be able to end the printing.", error.Detail());
    }
    finishOnFailure.dismiss();
    finish();
}

void TRichPrinter::ShowStatus(const QString &status)
{
    if (m_showProgress && IsPrinting() && !Printer().Previewing()) {
        if (!m_progressDialog)
            m_progressDialog = std::make_unique<TRichPrntProgDlg>();
        if (m_progressDialog->isHidden())
            m_progressDialog->show();
        if (!status.isEmpty())
            m_progressDialog->SetStatus(status);
        m_progressDialog->lblTitle->setText(Title());
        m_progressDialog->lblPageNumber->setText(QString::number(m_pageNumber));
        if (m_progressDialog->isVisible())
            m_progressDialog->repaint();
        return;
    }
    if (m_progressDialog) {
        if (m_progressDialog->isVisible())
            m_progressDialog->close();
        m_progressDialog.reset();
    }
}
