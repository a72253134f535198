#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <QString>
#include <QWidget>

#include "app/window/windowsettings.h"
#include "platform/system/throttle.h"
#include "platform/ui/dialogs.h"

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;
class TFileList;
class TTreeNode;
class TFolderTree;
class TRichEdit;
class TRichPrinter;
struct TListingStyle;

// The main window: the folder tree, the reading options, the commands, the status line
// and the view that receives the listing.
class TForm1 : public QWidget
{
    Q_OBJECT

public:
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    TFolderTree *tva = nullptr;
    QLabel *Label1 = nullptr;
    QPushButton *Button1 = nullptr;
    QLabel *Label3 = nullptr;
    TRichEdit *RichEdit1 = nullptr;
    QCheckBox *CheckBox1 = nullptr;
    QPushButton *Button2 = nullptr;
    TFontDialog FontDialog1;
    QCheckBox *CheckBox2 = nullptr;
    QFrame *Bevel1 = nullptr;
    QFrame *Bevel2 = nullptr;
    QPushButton *Button3 = nullptr;
    QPushButton *Button4 = nullptr;
    TSaveDialog SaveDialog1;
    TRichPrinter *RichPrinter1 = nullptr;
    TPrintDialog PrintDialog1;
    QCheckBox *CheckBox3 = nullptr;
    QCheckBox *CheckBox4 = nullptr;
    QPushButton *Button5 = nullptr;

    // What the last read found, and the folder it read (ending in '/'), and as chosen.
    std::unique_ptr<TFileList> FileList;
    std::string RootDir;
    std::string FolderRead;

    void FormCreate();
    void FormDestroy();
    void FormResize();
    void tvaClick(QObject *sender);
    // Any change of the tree's selection (keyboard, type-ahead, a rename, a rebuild).
    void tvaChange(QObject *sender, TTreeNode *node);
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    // "Aperçu...": the pages "Imprimer..." would print, and their print from there.
    void Button5Click();
    // "Enregistrer...": writes the listing in the format the name's extension asks for
    // (TSaveFormat).
    void SaveListing(const std::string &fileName);

    // "Lecture répertoire": reads the selected folder with the read command (ReadFolder)
    // into RichEdit1, with the options and the font of the window, and shows how it went.
    void BuildListing();

    // Chooses `folder` in the tree as the user would pick it (the command line's folder),
    // and reads it once the event loop runs when `read`.
    void OpenFolder(const std::string &folder, bool read);

    // What the window keeps for the next run (options, font, folder, size and place), and
    // puts back from the last one; a remembered folder that is gone is not chosen.
    TRemembered Remembered() const;
    void Restore(const TRemembered &remembered);

    bool Reading() const { return m_reading; }
    // The status line's text (SetStatus).
    void SetStatusText(const QString &text, const QString &toolTip);

    // Called with the number of files found so far, at most ten times a second.
    std::function<void(std::size_t found)> OnProgress;
    // While a read collects files, pending messages run at most this often: often
    // enough for the window to repaint and react, rarely enough not to slow the scan.
    int MessageIntervalMs = 10;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void CreateControls();
    void SaveAsPdf(const std::string &fileName);
    void CreateRichPrinter();
    void SetTabOrder();
    void ReportProgress(std::size_t found);
    // The read's stop request: runs pending messages at most every MessageIntervalMs and
    // answers whether the window was closed meanwhile.
    bool ReadStopRequested();
    TListingStyle ListingStyle() const;
    // Shows the tree's Selection in the status line, elided in the middle when long,
    // the whole path in its tooltip.
    void ShowSelection();
    void ApplicationHint();

    bool m_reading = false;
    bool m_closeRequested = false;
    bool m_centred = false;
    struct TStatus
    {
        QString Text;
        QString ToolTip;
    };
    // Shows `status` in the status line (a hint's text too, which m_status never holds).
    void ShowStatus(const TStatus &status);

    // The status set last, shown unless a hint covers it.
    TStatus m_status;
    // While a hint covers the status line: the status it covers, which comes back when
    // the hint empties (a status set meanwhile replaces it).
    std::optional<TStatus> m_statusUnderHint;
    TThrottle m_messages;
};

// The one main window, set before its creation handler runs.
extern TForm1 *Form1;

// Puts `text` into the status line of the main window, elided in the middle when it is
// wider than the line; then the tooltip holds `toolTip`, or the whole text when empty.
// While the application's hint shows there (a context menu entry's help text), the
// text waits until the hint empties.
void SetStatus(const QString &text, const QString &toolTip = QString());
