#include "platform/ui/dialogs.h"

#include <sys/stat.h>

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFontDialog>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QPrintDialog>
#include <QPrinter>

#include "platform/print/printer.h"
#include "platform/system/qtext.h"
#include "platform/system/translation.h"

namespace {

QMessageBox::Icon IconOf(int flags)
{
    switch (flags & 0xF0) {
    case MB_ICONERROR:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONWARNING:
        return QMessageBox::Warning;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

// The type that Qt's file icon provider gives folders (and the root, in the computer's
// view) in the file dialog's type column. Qt 6.4 asks for it in the context
// "QAbstractFileIconProvider", which its own French catalogue (qtbase_fr) does not have,
// so the folders read "Folder" there; the program's catalogue carries the translations,
// and naming the texts here keeps lupdate from dropping them as obsolete.
struct TQtText
{
    const char *Source;
    const char *Disambiguation;
};
[[maybe_unused]] constexpr TQtText QtFileTypes[] = {
    QT_TRANSLATE_NOOP3("QAbstractFileIconProvider", "Folder", "All other platforms"),
    {QT_TRANSLATE_NOOP("QAbstractFileIconProvider", "Drive"), nullptr},
};

// The icons and the type column of the file dialog, told by the names alone. Qt's own
// provider reads a file's first bytes when its name does not tell its type, and a file
// whose reading blocks (/proc/kmsg, a file on a stalled share) froze the dialog.
class TNameOnlyIconProvider : public QFileIconProvider
{
public:
    QIcon icon(const QFileInfo &info) const override
    {
        if (info.isDir())
            return QFileIconProvider::icon(info);
        const QMimeType type = TypeOf(info);
        return QIcon::fromTheme(type.iconName(),
            QIcon::fromTheme(
                type.genericIconName(), QFileIconProvider::icon(QAbstractFileIconProvider::File)));
    }

    QString type(const QFileInfo &info) const override
    {
        if (info.isDir())
            return QFileIconProvider::type(info);
        const QMimeType type = TypeOf(info);
        return type.comment().isEmpty() ? type.name() : type.comment();
    }

private:
    QMimeType TypeOf(const QFileInfo &info) const
    {
        return m_types.mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
    }

    const QMimeDatabase m_types;
};

// "Description|*.a;*.b|..." in the form QFileDialog takes: "Description (*.a *.b)".
QStringList NameFilters(const QString &filter)
{
    QStringList result;
    const QStringList parts = filter.split(u'|');
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(u';', u' ');
        const QString description = parts[i];
        result << (description.contains(u'(') ? description.section(u'(', 0, 0).trimmed() : description)
                + QStringLiteral(" (") + patterns + u')';
    }
    return result;
}

class TQtDialogSeam : public IDialogSeam
{
public:
    int MessageBox(const TMessageBoxRequest &request) override
    {
        QMessageBox box(IconOf(request.Flags), request.Caption, request.Text,
            (request.Flags & 0x0F) == MB_YESNO ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
            QApplication::activeWindow());
        const int answer = box.exec();
        if (answer == QMessageBox::Yes)
            return IDYES;
        if (answer == QMessageBox::No)
            return IDNO;
        return IDOK;
    }

    bool ChooseFont(TFont &font, const TFontRequest &request) override
    {
        QFont given = ToQFont(font);
        if (!font.StyleName.isEmpty())
            given.setStyleName(font.StyleName);
        QFontDialog dialog(given, QApplication::activeWindow());
        // A printer prints the scalable faces; the screen shows them all.
        if (request.Device == TFontDialogDevice::fdPrinter)
            dialog.setOption(QFontDialog::ScalableFonts);
        // The dialog shows the nearest face it has ("Sans Serif" for "MS Sans Serif"):
        // confirmed unchanged, the font stays exactly as it was.
        const QFont shown = dialog.currentFont();
        if (dialog.exec() != QDialog::Accepted)
            return false;
        if (dialog.selectedFont() == shown)
            return true;
        TFont chosen = FontFromQFont(dialog.selectedFont(), font.Color);
        chosen.Charset = font.Charset;
        if (request.MinFontSize > 0 && chosen.Size() < request.MinFontSize)
            chosen.SetSize(request.MinFontSize);
        if (request.MaxFontSize > 0 && chosen.Size() > request.MaxFontSize)
            chosen.SetSize(request.MaxFontSize);
        font = chosen;
        return true;
    }

    std::optional<std::string> ChooseSaveFile(const TSaveFileRequest &request) override
    {
        TNameOnlyIconProvider icons; // outlives the dialog, which only points at it
        QFileDialog dialog(QApplication::activeWindow(), request.Title);
        dialog.setIconProvider(&icons);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        // The overwrite question and the default extension are TSaveDialog's own.
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        dialog.setNameFilters(NameFilters(request.Filter));
        if (!request.FileName.empty())
            dialog.selectFile(ToQString(request.FileName));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        QString chosen = dialog.selectedFiles().constFirst();
        // A name typed without an extension takes that of the type picked in the list.
        const qsizetype type = NameFilters(request.Filter).indexOf(dialog.selectedNameFilter());
        const QStringList parts = request.Filter.split(u'|');
        if (QFileInfo(chosen).suffix().isEmpty() && type >= 0 && 2 * type + 1 < parts.size()) {
            const QString pattern = parts[2 * type + 1].section(u';', 0, 0);
            if (pattern.startsWith(QStringLiteral("*.")) && pattern.count(u'*') == 1)
                chosen += pattern.mid(1);
        }
        return QFile::encodeName(chosen).toStdString();
    }

    std::optional<TPrinterChoice> ChoosePrinter(const TPrintRequest &request) override
    {
        QPrinter printer(QPrinter::HighResolution);
        if (!request.CurrentQueue.isEmpty())
            printer.setPrinterName(request.CurrentQueue);
        if (!request.CurrentFile.empty()) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(ToQString(request.CurrentFile));
        }
        printer.setPageOrientation(request.Landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
        QPrintDialog dialog(&printer, QApplication::activeWindow());
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        TPrinterChoice choice;
        choice.Landscape = printer.pageLayout().orientation() == QPageLayout::Landscape;
        if (printer.outputFormat() == QPrinter::PdfFormat) {
            choice.Kind = TPrinterChoice::TKind::pkPdfFile;
            choice.FileName = QFile::encodeName(printer.outputFileName()).toStdString();
        } else {
            choice.QueueName = printer.printerName();
        }
        return choice;
    }
};

IDialogSeam *g_seam = nullptr;

bool HasExtension(const std::string &fileName)
{
    const auto slash = fileName.rfind('/');
    const auto dot = fileName.rfind('.');
    return dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
}

bool FileExists(const std::string &fileName)
{
    struct stat st
    {
    };
    return ::stat(fileName.c_str(), &st) == 0;
}

} // namespace

std::optional<TPrinterChoice> IDialogSeam::ChoosePrinter(const TPrintRequest &)
{
    return std::nullopt;
}

IDialogSeam &DialogSeam()
{
    static TQtDialogSeam qtDialogs;
    return g_seam ? *g_seam : qtDialogs;
}

void SetDialogSeam(IDialogSeam *seam)
{
    g_seam = seam;
}

bool TFontDialog::Execute()
{
    return DialogSeam().ChooseFont(Font, {Device, MinFontSize, MaxFontSize});
}

bool TSaveDialog::Execute()
{
    std::string shown = FileName;
    for (;;) {
        const auto chosen = DialogSeam().ChooseSaveFile({Title, Filter, DefaultExt, shown});
        if (!chosen || chosen->empty())
            return false;
        std::string name = *chosen;
        if (!DefaultExt.empty() && !HasExtension(name))
            name += "." + DefaultExt;
        if (Options.Contains(TOpenOption::ofOverwritePrompt) && FileExists(name)) {
            const QString text = Translated("TSaveDialog", "%1 existe déjà.\nVoulez-vous le remplacer ?")
                                     .arg(ToQString(name));
            const QString caption = Title.isEmpty() ? Translated("TSaveDialog", "Enregistrer sous") : Title;
            if (DialogSeam().MessageBox({text, caption, MB_YESNO | MB_ICONWARNING}) != IDYES) {
                shown = name;
                continue;
            }
        }
        FileName = name;
        return true;
    }
}

bool TPrintDialog::Execute()
{
    TPrinter &printer = Printer();
    const bool landscape = printer.Available() && printer.Orientation() == TPrinterOrientation::poLandscape;
    const auto choice = DialogSeam().ChoosePrinter({printer.QueueName(), printer.PdfFileName(), landscape});
    if (!choice)
        return false;
    if (choice->Kind == TPrinterChoice::TKind::pkPdfFile) {
        if (choice->FileName.empty())
            return false;
        printer.SelectPdf(choice->FileName);
    } else {
        printer.SelectQueue(choice->QueueName);
    }
    printer.SetOrientation(
        choice->Landscape ? TPrinterOrientation::poLandscape : TPrinterOrientation::poPortrait);
    return true;
}
