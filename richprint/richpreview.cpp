#include "richprint/richpreview.h"

#include <QImage>
#include <QPainter>
#include <QScopeGuard>

#include "platform/print/pagecounter.h"
#include "platform/print/printer.h"
#include "platform/ui/richedit.h"
#include "richprint/richprint.h"

TRichPreview::TRichPreview(TRichPrinter &printer, TRichEdit &richEdit, int firstPageNumber)
    : m_printer(printer)
    , m_richEdit(richEdit)
    , m_firstPageNumber(firstPageNumber)
    , m_length(richEdit.GetTextLen())
{
    if (Printer().Available()) {
        m_device = &Printer();
    } else {
        // The header and footer font lives on the printer object, which has no device.
        m_standIn = std::make_unique<TPrinter>();
        m_standIn->SelectPdf(std::string());
        m_standIn->Canvas().SetFont(Printer().Canvas().Font());
        m_device = m_standIn.get();
    }
    const TScopedPrinter current(*m_device);
    if (printer.SaveMargins())
        printer.LoadSettings();
    const TDeviceContext &context = m_device->Handle();
    m_resolution = QSizeF(context.GetDeviceCaps(LOGPIXELSX), context.GetDeviceCaps(LOGPIXELSY));
    m_paper = QSize(context.GetDeviceCaps(PHYSICALWIDTH), context.GetDeviceCaps(PHYSICALHEIGHT));
    m_printable = QRect(context.GetDeviceCaps(PHYSICALOFFSETX), context.GetDeviceCaps(PHYSICALOFFSETY),
        context.GetDeviceCaps(HORZRES), context.GetDeviceCaps(VERTRES));
    // The first page sets the component up as a job's first page does (the text area
    // depends on the footer's line) and gives the range every page is filled through.
    QImage scratch(1, 1, QImage::Format_RGB32);
    QPainter painter(&scratch);
    PaintPage(0, painter);
    m_counter = richEdit.PageCounter(printer.FormatRange());
}

TRichPreview::~TRichPreview()
{
    m_richEdit.FormatRange(nullptr, false);
}

void TRichPreview::PageEnds(int index, std::int64_t next)
{
    // As a print job: the text ends there, or the page took nothing of it.
    const std::size_t following = std::size_t(index) + 1;
    const bool more = next < m_length && next > m_starts[following - 1];
    if (more && following < m_starts.size() && m_starts[following] == next)
        return;
    m_starts.resize(following);
    m_counted = !more;
    if (more)
        m_starts.push_back(next);
}

bool TRichPreview::CountOne()
{
    if (m_counted)
        return false;
    PageEnds(PagesCounted() - 1, m_counter->NextPage(m_starts.back(), m_length));
    return !m_counted;
}

bool TRichPreview::CountFor(std::chrono::milliseconds budget)
{
    const auto deadline = std::chrono::steady_clock::now() + budget;
    while (CountOne() && std::chrono::steady_clock::now() < deadline) { }
    return m_counted;
}

bool TRichPreview::HasPage(int index)
{
    while (index >= PagesCounted() && CountOne()) { }
    return index >= 0 && index < PagesCounted();
}

int TRichPreview::PageCount()
{
    while (CountOne()) { }
    return PagesCounted();
}

void TRichPreview::PaintPage(int index, QPainter &painter)
{
    const TScopedPrinter current(*m_device);
    painter.save();
    const auto restore = qScopeGuard([&painter] { painter.restore(); });
    painter.translate(m_printable.topLeft());
    const std::int64_t next
        = m_printer.PreviewPage(&m_richEdit, PageNumber(index), m_starts[std::size_t(index)], painter);
    PageEnds(index, next);
}
