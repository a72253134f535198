#include "platform/print/printer.h"

#include <algorithm>
#include <cerrno>
#include <string_view>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <QMarginsF>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include "platform/system/outputfile.h"
#include "platform/system/translation.h"

namespace {

const char *const SNoPrinter = QT_TRANSLATE_NOOP("EPrinter", "Aucune imprimante n'est disponible");
const char *const SPrinting = QT_TRANSLATE_NOOP("EPrinter", "Impression en cours");
const char *const SNotPrinting = QT_TRANSLATE_NOOP("EPrinter", "L'imprimante n'est pas en train d'imprimer");

EPrinter PrinterError(const char *text, std::string detail = {})
{
    return EPrinter(TranslatedUtf8("EPrinter", text), std::move(detail));
}

TPrinter *g_installed = nullptr;

// QPdfEngine writes "%%EOF" last: a PDF without it was cut short (a full disk, a file
// size limit), which its engine does not report.
bool EndsWithPdfTrailer(int fd)
{
    struct stat status
    {
    };
    if (::fstat(fd, &status) != 0)
        return false;
    char tail[16];
    const off_t from = std::max<off_t>(0, status.st_size - off_t(sizeof tail));
    const ssize_t length = ::pread(fd, tail, sizeof tail, from);
    return length > 0 && std::string_view(tail, std::size_t(length)).find("%%EOF") != std::string_view::npos;
}

// Copies the whole of `from` to `to`; false with errno set when the system refuses.
bool CopyAll(int from, int to)
{
    std::vector<char> buffer(64 * 1024);
    for (off_t offset = 0;;) {
        const ssize_t got = ::pread(from, buffer.data(), buffer.size(), offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got == 0;
        offset += got;
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(to, buffer.data() + done, std::size_t(got - done));
            if (put < 0 && errno == EINTR)
                continue;
            if (put == 0)
                errno = EIO;
            if (put <= 0)
                return false;
            done += put;
        }
    }
}

} // namespace

TPrinter::TPrinter()
    : m_canvas(*this)
    , m_handle(*this)
{ }

TPrinter::~TPrinter()
{
    Abort();
}

void TPrinter::CheckNotPrinting() const
{
    if (m_printing)
        throw PrinterError(SPrinting);
}

void TPrinter::Replace(std::unique_ptr<QPrinter> printer)
{
    CheckNotPrinting();
    // The job title and orientation belong to the printer object, not to its device.
    if (m_printer && printer) {
        printer->setDocName(m_printer->docName());
        printer->setPageOrientation(m_printer->pageLayout().orientation());
    }
    m_printer = std::move(printer);
}

void TPrinter::SelectNone()
{
    CheckNotPrinting();
    m_printer.reset();
    m_pdfTarget.clear();
}

void TPrinter::SelectPdf(const std::string &fileName, const QPageSize &pageSize, int dotsPerInch)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setResolution(dotsPerInch);
    printer->setFullPage(false);
    printer->setPageSize(pageSize);
    const double gutter = PdfGutterMm;
    printer->setPageMargins(QMarginsF(gutter, gutter, gutter, gutter), QPageLayout::Millimeter);
    Replace(std::move(printer));
    m_pdfTarget = fileName;
}

void TPrinter::SelectQueue(const QString &name)
{
    const QPrinterInfo info = QPrinterInfo::printerInfo(name);
    if (info.isNull())
        throw EPrinter(Translated("EPrinter", "Imprimante inconnue : %1").arg(name).toStdString());
    auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    printer->setFullPage(false);
    Replace(std::move(printer));
    m_pdfTarget.clear();
}

void TPrinter::SelectDefault()
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        SelectNone();
    else
        SelectQueue(info.printerName());
}

QString TPrinter::QueueName() const
{
    return m_printer && m_pdfTarget.empty() ? m_printer->printerName() : QString();
}

QPrinter &TPrinter::QtPrinter() const
{
    if (!m_printer)
        throw PrinterError(SNoPrinter);
    return *m_printer;
}

void TPrinter::BeginDoc()
{
    QPrinter &printer = QtPrinter();
    CheckNotPrinting();
    if (!m_pdfTarget.empty())
        OpenPdfOutput(printer);
    auto painter = std::make_unique<QPainter>();
    if (!painter->begin(&printer)) {
        const bool toFile = m_pdfOutput != nullptr;
        DropPdfOutput();
        if (toFile)
            throw EInOutError(CreateErrorMessage(m_pdfTarget));
        throw EPrinter(Translated("EPrinter", "L'imprimante %1 refuse le document")
                           .arg(printer.printerName())
                           .toStdString());
    }
    m_painter = std::move(painter);
    m_printing = true;
    m_pageNumber = 1;
}

void TPrinter::OpenPdfOutput(QPrinter &printer)
{
    try {
        m_pdfOutput = std::make_unique<TOutputFile>(m_pdfTarget);
    } catch (const EFCreateError &error) {
        throw EInOutError(error.Message(), error.Detail());
    }
    int fd = m_pdfOutput->Descriptor();
    if (m_pdfOutput->WritesThrough()) {
        // QPrinter opens its file anew, truncating: a file behind /dev/stdout would lose
        // what it held and a socket cannot be opened at all. The PDF is gathered in memory
        // and written through the output's own descriptor at the end.
        m_pdfSpool = TFd(::memfd_create("vantrel-oruk-pdf", MFD_CLOEXEC));
        if (!m_pdfSpool) {
            DropPdfOutput();
            throw EInOutError(CreateErrorMessage(m_pdfTarget));
        }
        fd = m_pdfSpool.Get();
    }
    // Whatever its bytes, a file opened here has a name that QString spells.
    printer.setOutputFileName(QStringLiteral("/proc/self/fd/%1").arg(fd));
}

void TPrinter::BeginPreview(QPainter &painter)
{
    QtPrinter();
    CheckNotPrinting();
    m_previewPainter = &painter;
    m_printing = true;
    m_pageNumber = 1;
}

void TPrinter::EndPreview()
{
    if (!m_previewPainter)
        return;
    m_previewPainter = nullptr;
    m_printing = false;
}

void TPrinter::NewPage()
{
    if (!m_printing)
        throw PrinterError(SNotPrinting);
    if (m_previewPainter) {
        ++m_pageNumber;
        return;
    }
    if (!m_printer->newPage())
        throw PrinterError(
            QT_TRANSLATE_NOOP("EPrinter", "L'imprimante n'a pas pu commencer une nouvelle page"),
            PdfFailureDetail());
    ++m_pageNumber;
}

void TPrinter::EndDoc()
{
    if (!m_printing)
        throw PrinterError(SNotPrinting);
    if (m_previewPainter) {
        EndPreview();
        return;
    }
    m_printing = false;
    const bool ended = m_painter->end();
    m_painter.reset();
    if (!m_pdfOutput) {
        if (!ended)
            throw PrinterError(QT_TRANSLATE_NOOP("EPrinter", "L'imprimante n'a pas pu terminer le document"));
        return;
    }
    bool delivered = false;
    std::string detail = ended ? std::string() : PdfFailureDetail();
    if (ended) {
        try {
            DeliverPdf();
            delivered = true;
        } catch (const EWriteError &error) {
            detail = error.Detail();
        }
    }
    DropPdfOutput();
    if (!delivered)
        throw EInOutError(WriteErrorText(), detail);
}

// Throws EWriteError, detailed with the file and the system's reason.
void TPrinter::DeliverPdf()
{
    const int written = m_pdfSpool ? m_pdfSpool.Get() : m_pdfOutput->Descriptor();
    if (!EndsWithPdfTrailer(written))
        throw m_pdfOutput->WriteFailure(WhyWritesFail(written));
    if (m_pdfSpool && !CopyAll(m_pdfSpool.Get(), m_pdfOutput->Descriptor()))
        throw m_pdfOutput->WriteFailure(errno);
    m_pdfOutput->Commit();
}

// The PDF engine does not say why its writes fail: the file it writes tells.
std::string TPrinter::PdfFailureDetail() const
{
    if (!m_pdfOutput)
        return {};
    return m_pdfOutput->WriteFailure(WhyWritesFail(m_pdfSpool ? m_pdfSpool.Get() : m_pdfOutput->Descriptor()))
        .Detail();
}

void TPrinter::Abort()
{
    if (!m_printing)
        return;
    if (m_previewPainter) {
        EndPreview();
        return;
    }
    m_printing = false;
    // A PDF engine cannot abort and writes its file at the end: the output is dropped.
    m_printer->abort();
    if (m_painter->isActive())
        m_painter->end();
    m_painter.reset();
    DropPdfOutput();
}

void TPrinter::DropPdfOutput()
{
    m_pdfOutput.reset();
    m_pdfSpool = TFd();
}

TPrinterOrientation TPrinter::Orientation() const
{
    return QtPrinter().pageLayout().orientation() == QPageLayout::Landscape ? TPrinterOrientation::poLandscape
                                                                            : TPrinterOrientation::poPortrait;
}

void TPrinter::SetOrientation(TPrinterOrientation orientation)
{
    QPrinter &printer = QtPrinter();
    CheckNotPrinting();
    printer.setPageOrientation(
        orientation == TPrinterOrientation::poLandscape ? QPageLayout::Landscape : QPageLayout::Portrait);
}

QString TPrinter::Title() const
{
    return QtPrinter().docName();
}

void TPrinter::SetTitle(const QString &title)
{
    QPrinter &printer = QtPrinter();
    CheckNotPrinting();
    printer.setDocName(title);
}

int TDeviceContext::GetDeviceCaps(int index) const
{
    const QPrinter &printer = m_printer.QtPrinter();
    const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
    const QRectF page = printer.pageRect(QPrinter::DevicePixel);
    switch (index) {
    case LOGPIXELSX:
        return printer.logicalDpiX();
    case LOGPIXELSY:
        return printer.logicalDpiY();
    case HORZRES:
        return printer.width();
    case VERTRES:
        return printer.height();
    case PHYSICALWIDTH:
        return qRound(paper.width());
    case PHYSICALHEIGHT:
        return qRound(paper.height());
    case PHYSICALOFFSETX:
        return qRound(page.left() - paper.left());
    case PHYSICALOFFSETY:
        return qRound(page.top() - paper.top());
    default:
        return 0;
    }
}

int TDeviceContext::SetMapMode(int mode)
{
    const int previous = m_mapMode;
    m_mapMode = mode;
    return previous;
}

QPaintDevice *TDeviceContext::Device() const
{
    return &m_printer.QtPrinter();
}

QPainter *TDeviceContext::Painter() const
{
    return m_printer.Painter();
}

TPrinter &Printer()
{
    if (g_installed)
        return *g_installed;
    static TPrinter *own = [] {
        // Deliberately never destroyed: the QPrinter must not outlive QApplication's end
        // in a static destructor. A job still open at exit is abandoned with the process.
        auto *printer = new TPrinter;
        printer->SelectDefault();
        return printer;
    }();
    return *own;
}

void SetPrinter(TPrinter *printer)
{
    g_installed = printer;
}

TScopedPrinter::TScopedPrinter(TPrinter &printer)
    : m_before(g_installed)
{
    g_installed = &printer;
}

TScopedPrinter::~TScopedPrinter()
{
    g_installed = m_before;
}
