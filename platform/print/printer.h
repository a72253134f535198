#pragma once

#include <memory>
#include <string>

#include <QPageSize>
#include <QString>

#include "platform/print/printercanvas.h"
#include "platform/system/error.h"
#include "platform/system/fd.h"

class QPainter;
class QPaintDevice;
class QPrinter;
class TOutputFile;

// The printer could not do what was asked: no printer is available, a document is (or
// is not) open, the device refused.
class EPrinter : public Exception
{
public:
    using Exception::Exception;
};

enum class TPrinterOrientation
{
    poPortrait,
    poLandscape
};

// Indexes of GetDeviceCaps.
constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;
constexpr int PHYSICALWIDTH = 110;
constexpr int PHYSICALHEIGHT = 111;
constexpr int PHYSICALOFFSETX = 112;
constexpr int PHYSICALOFFSETY = 113;
// Mapping modes: one logical unit is one device pixel.
constexpr int MM_TEXT = 1;

class TPrinter;

// The printer's device context. Its origin is the top-left corner of the printable area;
// sizes and offsets are device pixels. Throws EPrinter when no printer is available.
class TDeviceContext
{
public:
    explicit TDeviceContext(TPrinter &printer)
        : m_printer(printer)
    { }

    int GetDeviceCaps(int index) const;
    // Sets the mapping mode and answers the previous one. Drawing always happens in
    // device pixels; the mode is kept for those who ask.
    int SetMapMode(int mode);
    int MapMode() const { return m_mapMode; }
    // What the rich text view lays out for and draws on: the printer, and its painter
    // while a document is open (nullptr otherwise).
    QPaintDevice *Device() const;
    QPainter *Painter() const;

private:
    TPrinter &m_printer;
    int m_mapMode = MM_TEXT;
};

// The process-wide current printer: a print queue, a PDF file, or none. Printing
// goes through a QPrinter that draws from the printable area's corner (not full page).
//
// Errors: EPrinter when no printer is available or the state does not allow the call;
// EInOutError when the PDF file cannot be created ("Impossible de créer le fichier %s")
// or written. A PDF goes to its file as TOutputFile (platform/outputfile.h) says: into a
// temporary beside a regular file, flushed to disk and renamed over it only when the
// document ends complete, so that a failed or aborted job leaves an existing file as it
// was; through a device, a fifo or a descriptor of the process (/dev/stdout) at the end
// of the document; never into a directory or a socket. Any name works, also one that is
// not UTF-8: QPrinter is handed the descriptor's name under /proc/self/fd.
class TPrinter
{
public:
    TPrinter();
    virtual ~TPrinter();
    TPrinter(const TPrinter &) = delete;
    TPrinter &operator=(const TPrinter &) = delete;

    // The gutters every PDF printer leaves unprinted at each edge of the paper.
    static constexpr double PdfGutterMm = 6.0;

    void SelectNone();
    // Printing to a PDF file (the name is its bytes); A4 at 600 dpi unless told.
    void SelectPdf(const std::string &fileName, const QPageSize &pageSize = QPageSize(QPageSize::A4),
        int dotsPerInch = 600);
    // A print queue of the system; throws EPrinter when there is no such queue.
    void SelectQueue(const QString &name);
    // The system's default queue when there is one, else none.
    void SelectDefault();

    bool Available() const { return m_printer != nullptr; }
    // The queue's name, or empty for a PDF file or no printer.
    QString QueueName() const;
    std::string PdfFileName() const { return m_pdfTarget; }

    virtual void BeginDoc();
    virtual void NewPage();
    virtual void EndDoc();
    // Ends the open document without delivering it: the PDF is dropped (an existing file
    // stays as it was), a queue is asked to cancel. Never throws.
    virtual void Abort();
    bool Printing() const { return m_printing; }
    // A document whose pages are drawn into `painter` instead of the device, for a
    // preview: Printing() is true and Painter() is `painter` until EndPreview, NewPage only
    // counts, and nothing reaches the device or a file. The painter's coordinates must be
    // the device's pixels from the printable area's corner.
    void BeginPreview(QPainter &painter);
    void EndPreview();
    bool Previewing() const { return m_previewPainter != nullptr; }
    int PageNumber() const { return m_pageNumber; }

    TPrinterOrientation Orientation() const;
    void SetOrientation(TPrinterOrientation orientation);
    QString Title() const;
    void SetTitle(const QString &title);

    TPrinterCanvas &Canvas() { return m_canvas; }
    TDeviceContext &Handle() { return m_handle; }
    // The device; throws EPrinter when none is available.
    QPrinter &QtPrinter() const;
    QPainter *Painter() const { return m_previewPainter ? m_previewPainter : m_painter.get(); }

private:
    void Replace(std::unique_ptr<QPrinter> printer);
    void OpenPdfOutput(QPrinter &printer);
    void DeliverPdf();
    std::string PdfFailureDetail() const;
    void DropPdfOutput();
    void CheckNotPrinting() const;

    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<QPainter> m_painter;
    QPainter *m_previewPainter = nullptr;
    bool m_printing = false;
    int m_pageNumber = 0;
    std::string m_pdfTarget;
    std::unique_ptr<TOutputFile> m_pdfOutput;
    // The PDF of an output written through, gathered in memory until the document ends.
    TFd m_pdfSpool;
    TPrinterCanvas m_canvas;
    TDeviceContext m_handle;
};

// The current printer; at first the system's default queue when one exists.
TPrinter &Printer();
// Installs `printer` as the current one (not owned; nullptr restores the process's own).
// Lets tests print through a printer that fails on purpose.
void SetPrinter(TPrinter *printer);

// Makes `printer` the current one for the scope's life, then puts the one before back.
class TScopedPrinter
{
public:
    explicit TScopedPrinter(TPrinter &printer);
    ~TScopedPrinter();
    TScopedPrinter(const TScopedPrinter &) = delete;
    TScopedPrinter &operator=(const TScopedPrinter &) = delete;

private:
    TPrinter *m_before;
};
