#include "platform/printer.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QMarginsF>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRandomGenerator>

namespace {

const char *const SNoPrinter = "Aucune imprimante n'est disponible";
const char *const SPrinting = "Impression en cours";
const char *const SNotPrinting = "L'imprimante n'est pas en train d'imprimer";

TPrinter *g_installed = nullptr;

// The file a name stands for: a link is followed, as a save replaces the linked file.
std::string ResolvedTarget(const std::string &fileName)
{
    std::string target = fileName;
    if (char *resolved = ::realpath(fileName.c_str(), nullptr)) {
        target = resolved;
        std::free(resolved);
    }
    return target;
}

// Creates an empty temporary beside `target` (mode 0666 less the umask, or the existing
// file's mode) and answers its name; empty when the folder takes no new file.
std::string CreateTemporaryBeside(const std::string &target)
{
    struct stat existing
    {
    };
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && (S_ISDIR(existing.st_mode) || ::access(target.c_str(), W_OK) != 0))
        return {};
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::string path = target + "." + std::to_string(QRandomGenerator::global()->generate());
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            if (exists)
                ::fchmod(fd, existing.st_mode & 07777);
            ::close(fd);
            return path;
        }
        if (errno != EEXIST)
            break;
    }
    return {};
}

QString DecodedName(const std::string &bytes)
{
    return QFile::decodeName(QByteArray::fromStdString(bytes));
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
        throw EPrinter(SPrinting);
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
        throw EPrinter("Imprimante inconnue : " + name.toStdString());
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
        throw EPrinter(SNoPrinter);
    return *m_printer;
}

void TPrinter::BeginDoc()
{
    QPrinter &printer = QtPrinter();
    CheckNotPrinting();
    if (!m_pdfTarget.empty()) {
        const std::string target = ResolvedTarget(m_pdfTarget);
        m_pdfTemporary = m_pdfTarget.find('\0') == std::string::npos ? CreateTemporaryBeside(target) : "";
        // QPrinter takes a QString: a name that does not survive the round trip is refused.
        if (m_pdfTemporary.empty()
            || QFile::encodeName(DecodedName(m_pdfTemporary)) != m_pdfTemporary.c_str()) {
            DiscardTemporary();
            throw EInOutError(CreateErrorMessage(m_pdfTarget));
        }
        printer.setOutputFileName(DecodedName(m_pdfTemporary));
    }
    auto painter = std::make_unique<QPainter>();
    if (!painter->begin(&printer)) {
        const bool toFile = !m_pdfTarget.empty();
        DiscardTemporary();
        if (toFile)
            throw EInOutError(CreateErrorMessage(m_pdfTarget));
        throw EPrinter("L'imprimante " + printer.printerName().toStdString() + " refuse le document");
    }
    m_painter = std::move(painter);
    m_printing = true;
    m_pageNumber = 1;
}

void TPrinter::NewPage()
{
    if (!m_printing)
        throw EPrinter(SNotPrinting);
    if (!m_printer->newPage())
        throw EPrinter("L'imprimante n'a pas pu commencer une nouvelle page");
    ++m_pageNumber;
}

void TPrinter::EndDoc()
{
    if (!m_printing)
        throw EPrinter(SNotPrinting);
    m_printing = false;
    const bool ended = m_painter->end();
    m_painter.reset();
    if (m_pdfTarget.empty()) {
        if (!ended)
            throw EPrinter("L'imprimante n'a pas pu terminer le document");
        return;
    }
    const std::string target = ResolvedTarget(m_pdfTarget);
    if (!ended || ::rename(m_pdfTemporary.c_str(), target.c_str()) != 0) {
        DiscardTemporary();
        throw EInOutError(SWriteError);
    }
    m_pdfTemporary.clear();
}

void TPrinter::Abort()
{
    if (!m_printing)
        return;
    m_printing = false;
    // A PDF engine cannot abort and writes its file at the end: the temporary goes.
    m_printer->abort();
    if (m_painter->isActive())
        m_painter->end();
    m_painter.reset();
    DiscardTemporary();
}

void TPrinter::DiscardTemporary()
{
    if (!m_pdfTemporary.empty())
        ::unlink(m_pdfTemporary.c_str());
    m_pdfTemporary.clear();
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
