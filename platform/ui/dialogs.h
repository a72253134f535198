#pragma once

#include <optional>
#include <string>

#include <QString>

#include "platform/system/font.h"
#include "platform/system/set.h"

class QWidget;

// Message box icons and buttons, as the desktop's message box takes them.
constexpr int MB_OK = 0x0000;
constexpr int MB_YESNO = 0x0004;
constexpr int MB_ICONERROR = 0x0010;
constexpr int MB_ICONQUESTION = 0x0020;
constexpr int MB_ICONWARNING = 0x0030;
constexpr int MB_ICONINFORMATION = 0x0040;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

struct TMessageBoxRequest
{
    QString Text;
    QString Caption;
    int Flags = MB_OK;
};

enum class TFontDialogDevice
{
    fdScreen,
    fdPrinter,
    fdBoth
};

struct TFontRequest
{
    TFontDialogDevice Device = TFontDialogDevice::fdScreen;
    int MinFontSize = 0;
    int MaxFontSize = 0;
};

struct TSaveFileRequest
{
    QString Title;
    QString Filter; // "Description|*.ext|Description|*.ext2"
    std::string DefaultExt;
    std::string FileName; // shown at first: the name chosen last
};

// What the print dialog offers: one of the system's queues, or printing to a PDF file.
struct TPrinterChoice
{
    enum class TKind
    {
        pkQueue,
        pkPdfFile
    };
    TKind Kind = TKind::pkQueue;
    QString QueueName;
    std::string FileName; // the PDF file's bytes
    bool Landscape = false;
};

struct TPrintRequest
{
    QString CurrentQueue; // preselected when not empty
    std::string CurrentFile; // the PDF file chosen last
    bool Landscape = false;
};

// Every modal dialog goes through this seam so that tests can answer in their place.
class IDialogSeam
{
public:
    virtual ~IDialogSeam() = default;
    // Answers the id of the button pressed (IDOK, IDYES, ...).
    virtual int MessageBox(const TMessageBoxRequest &request) = 0;
    // Shows `font` and answers true with the chosen one in it, or false when cancelled.
    virtual bool ChooseFont(TFont &font, const TFontRequest &request) = 0;
    // The file name as the user typed or picked it, or nothing when cancelled.
    virtual std::optional<std::string> ChooseSaveFile(const TSaveFileRequest &request) = 0;
    // The printer chosen, or nothing when cancelled. A seam that offers no print dialog
    // answers as the user who cancels.
    virtual std::optional<TPrinterChoice> ChoosePrinter(const TPrintRequest &request);
};

// The seam in use: the real Qt dialogs unless a test installed its own.
IDialogSeam &DialogSeam();
// Installs `seam` (not owned; nullptr restores the Qt dialogs).
void SetDialogSeam(IDialogSeam *seam);

// The font dialog component.
class TFontDialog
{
public:
    TFont Font;
    TFontDialogDevice Device = TFontDialogDevice::fdScreen;
    int MinFontSize = 0;
    int MaxFontSize = 0;

    bool Execute();
};

enum class TOpenOption
{
    ofOverwritePrompt,
    ofHideReadOnly,
    ofEnableSizing
};
using TOpenOptions = TSet<TOpenOption>;

// The save dialog component. A name typed without extension gets DefaultExt; with
// ofOverwritePrompt an existing file is replaced only once the user agrees, else the
// dialog comes back.
class TSaveDialog
{
public:
    std::string DefaultExt;
    QString Filter;
    QString Title;
    TOpenOptions Options{TOpenOption::ofHideReadOnly, TOpenOption::ofEnableSizing};
    std::string FileName;

    bool Execute();
};

// The print dialog component: its choice becomes the current printer (Printer()).
class TPrintDialog
{
public:
    // True when the user confirmed; throws EPrinter when the chosen queue has gone.
    bool Execute();
};
