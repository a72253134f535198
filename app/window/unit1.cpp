#include "app/window/unit1.h"

#include <mutex>
#include <utility>

#include <QAccessibleWidget>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QTimer>

#include "app/export/exportformats.h"
#include "app/read/filelist.h"
#include "app/shared/gui/listingprinter.h"
#include "app/shared/gui/listingview.h"
#include "app/window/foldertree.h"
#include "app/window/previewdialog.h"
#include "app/window/savelisting.h"
#include "platform/document/paragraphoutput.h"
#include "platform/print/printer.h"
#include "platform/system/dirsearch.h"
#include "platform/system/locale.h"
#include "platform/system/qtext.h"
#include "platform/system/savefile.h"
#include "platform/ui/application.h"
#include "platform/ui/richedit.h"
#include "richprint/richprint.h"

TForm1 *Form1 = nullptr;

namespace {

// The window is a plain widget, which Qt shows assistive technologies as a pane: as a
// window it gets its title read when it is activated, and positions relative to it.
QAccessibleInterface *WindowAccessible(const QString &className, QObject *object)
{
    if (className == QLatin1StringView("TForm1") && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Window);
    return nullptr;
}

// The client area the window is designed for, in pixels at 96 dpi.
constexpr int ClientWidth = 792;
constexpr int ClientHeight = 573;

template <typename T> T *Place(T *control, const char *name, int left, int top, int width, int height)
{
    control->setObjectName(QLatin1String(name));
    control->setGeometry(left, top, width, height);
    return control;
}

QPushButton *MakeButton(QWidget *parent, const char *name, const QString &caption, int top)
{
    return Place(new QPushButton(caption, parent), name, 336, top, 433, 25);
}

QCheckBox *MakeCheckBox(QWidget *parent, const char *name, const QString &caption, int left, int top)
{
    return Place(new QCheckBox(caption, parent), name, left, top, 209, 17);
}

QFrame *MakeBevel(QWidget *parent, const char *name, int top, int height)
{
    auto *bevel = Place(new QFrame(parent), name, 320, top, 457, height);
    bevel->setFrameStyle(QFrame::Box | QFrame::Sunken);
    return bevel;
}

} // namespace

TForm1::TForm1(QWidget *parent)
    : QWidget(parent)
{
    Form1 = this;
    static std::once_flag accessible;
    std::call_once(accessible, [] { QAccessible::installFactory(WindowAccessible); });
    setObjectName(QStringLiteral("Form1"));
    setFont(ToQFont(TFont()));
    resize(ClientWidth, ClientHeight);
    CreateControls();
    SetTabOrder();
    FormCreate();
}

TForm1::~TForm1()
{
    FormDestroy();
    if (Form1 == this)
        Form1 = nullptr;
}

void TForm1::CreateControls()
{
    Label1 = Place(new QLabel(tr("Répertoire racine"), this), "Label1", 8, 8, 81, 13);
    // This label sizes itself to its caption (the status line below does not).
    Label1->resize(qMax(81, Label1->sizeHint().width()), 13);
    tva = Place(new TFolderTree(this), "tva", 8, 24, 297, 241);
    tva->SetRootFolder(TRootFolder::rfDesktop);
    tva->SetIndent(19);
    // Screen readers name the tree by its label, and the column of its hidden header by
    // what it holds.
    Label1->setBuddy(tva);
    tva->setAccessibleName(Label1->text());
    tva->setHeaderLabel(tr("Dossiers"));
    tva->OnClick = [this](QObject *sender) { tvaClick(sender); };
    tva->OnChange = [this](QObject *sender, TTreeNode *node) { tvaChange(sender, node); };
    tva->OnEdited = [this](QObject *, TTreeNode *, std::string &) {
        // The label takes the new name only after this: show the path once it has.
        QMetaObject::invokeMethod(
            this, [this] { ShowSelection(); }, Qt::QueuedConnection);
    };
    Label3 = Place(new QLabel(QStringLiteral("Label3"), this), "Label3", 8, 272, 305, 13);
    Label3->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    // Paths and menu texts are shown as they are, never read as markup.
    Label3->setTextFormat(Qt::PlainText);

    // The frames come first so that the controls inside them lie on top.
    Bevel1 = MakeBevel(this, "Bevel1", 24, 105);
    // The lower frame reaches below its design to hold "Aperçu...".
    Bevel2 = MakeBevel(this, "Bevel2", 136, 169);
    CheckBox1 = MakeCheckBox(this, "CheckBox1", tr("Afficher seulement les répertoires"), 336, 40);
    CheckBox2 = MakeCheckBox(this, "CheckBox2", tr("Ordre alphabétique"), 336, 64);
    CheckBox3 = MakeCheckBox(this, "CheckBox3", tr("Inclure taille"), 560, 40);
    CheckBox4 = MakeCheckBox(this, "CheckBox4", tr("Inclure date"), 560, 64);
    Button1 = MakeButton(this, "Button1", tr("Lecture répertoire"), 96);
    Button2 = MakeButton(this, "Button2", tr("Police..."), 152);
    Button3 = MakeButton(this, "Button3", tr("Imprimer..."), 192);
    Button4 = MakeButton(this, "Button4", tr("Enregistrer..."), 232);
    Button5 = MakeButton(this, "Button5", tr("Aperçu..."), 272);

    RichEdit1 = Place(new TRichEdit(this), "RichEdit1", 0, 304, ClientWidth, 269);
    RichEdit1->setAccessibleName(tr("Listing"));
    RichEdit1->SetText(u"RichEdit1");
    RichEdit1->SetFont(ListingViewDesignFont());

    FontDialog1.Device = TFontDialogDevice::fdPrinter;
    SaveDialog1.DefaultExt = "rtf";
    SaveDialog1.Filter = SaveFilter();
    SaveDialog1.Options
        = {TOpenOption::ofOverwritePrompt, TOpenOption::ofHideReadOnly, TOpenOption::ofEnableSizing};

    CreateRichPrinter();

    connect(Button1, &QPushButton::clicked, this, [this] { Guarded([this] { Button1Click(); }); });
    connect(Button2, &QPushButton::clicked, this, [this] { Guarded([this] { Button2Click(); }); });
    connect(Button3, &QPushButton::clicked, this, [this] { Guarded([this] { Button3Click(); }); });
    connect(Button4, &QPushButton::clicked, this, [this] { Guarded([this] { Button4Click(); }); });
    connect(Button5, &QPushButton::clicked, this, [this] { Guarded([this] { Button5Click(); }); });
}

void TForm1::CreateRichPrinter()
{
    RichPrinter1 = new TRichPrinter(this);
    ConfigureListingPrinter(*RichPrinter1);
}

void TForm1::SetTabOrder()
{
    const QList<QWidget *> order = {tva, Button1, RichEdit1, CheckBox1, Button2, CheckBox2, Button3, Button4,
        Button5, CheckBox3, CheckBox4};
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order[i], order[i + 1]);
    for (QLabel *label : {Label1, Label3})
        label->setFocusPolicy(Qt::NoFocus);
}

void TForm1::FormCreate()
{
    FileList = std::make_unique<TFileList>(TLocale::User());
    RichEdit1->Clear();
    setWindowTitle(Application().Title());
    SetStatus(QString());
    Application().OnHint = [this] { ApplicationHint(); };
}

void TForm1::OpenFolder(const std::string &folder, bool read)
{
    tva->SelectPath(folder);
    ShowSelection();
    if (read)
        QTimer::singleShot(0, Button1, &QPushButton::click);
}

TRemembered TForm1::Remembered() const
{
    TRemembered remembered;
    remembered.DirsOnly = CheckBox1->isChecked();
    remembered.Sorted = CheckBox2->isChecked();
    remembered.Sizes = CheckBox3->isChecked();
    remembered.Dates = CheckBox4->isChecked();
    remembered.Font = FontDialog1.Font;
    remembered.Folder = tva->Selection();
    remembered.Geometry = saveGeometry();
    return remembered;
}

void TForm1::Restore(const TRemembered &remembered)
{
    CheckBox1->setChecked(remembered.DirsOnly);
    CheckBox2->setChecked(remembered.Sorted);
    CheckBox3->setChecked(remembered.Sizes);
    CheckBox4->setChecked(remembered.Dates);
    if (remembered.Font) {
        FontDialog1.Font = *remembered.Font;
        RichEdit1->SetFont(*remembered.Font);
    }
    if (!remembered.Geometry.isEmpty() && restoreGeometry(remembered.Geometry))
        m_centred = true;
    const auto folder = remembered.Folder.empty() ? std::nullopt : FileInfoAt(remembered.Folder);
    if (folder && folder->IsDirectory)
        OpenFolder(remembered.Folder, false);
}

void TForm1::FormDestroy()
{
    // A window made later holds the hint now.
    if (Form1 == this)
        Application().OnHint = nullptr;
    FileList.reset();
}

void TForm1::ApplicationHint()
{
    // The tree's context menu sets a hint for the entry it highlights and empties it as
    // it closes: the status line shows the entry's help text meanwhile.
    const QString hint = Application().Hint();
    if (hint.isEmpty()) {
        if (m_statusUnderHint) {
            m_status = *std::exchange(m_statusUnderHint, std::nullopt);
            ShowStatus(m_status);
        }
        return;
    }
    if (!m_statusUnderHint)
        m_statusUnderHint = m_status;
    ShowStatus({GetLongHint(hint), QString()});
}

void TForm1::SetStatusText(const QString &text, const QString &toolTip)
{
    if (m_statusUnderHint) {
        m_statusUnderHint = TStatus{text, toolTip};
        return;
    }
    m_status = {text, toolTip};
    ShowStatus(m_status);
}

void TForm1::ShowStatus(const TStatus &status)
{
    const QString shown = Label3->fontMetrics().elidedText(status.Text, Qt::ElideMiddle, Label3->width());
    Label3->setText(shown);
    Label3->setToolTip(!status.ToolTip.isEmpty() ? status.ToolTip
            : shown != status.Text               ? status.Text
                                                 : QString());
}

void TForm1::FormResize()
{
    const int above = qMax(Label3->y() + Label3->height(), Bevel2->y() + Bevel2->height());
    // A window lower than the status line leaves the view with no height at all.
    const int viewHeight = qMax(0, height() - above - 8);
    RichEdit1->setGeometry(0, height() - viewHeight, width(), viewHeight);
}

void TForm1::tvaClick(QObject *)
{
    ShowSelection();
}

void TForm1::tvaChange(QObject *, TTreeNode *)
{
    // During a read the status line tells how far it has come.
    if (!m_reading)
        ShowSelection();
}

void TForm1::ShowSelection()
{
    const QString path = ToQString(tva->Selection());
    SetStatus(path, path);
}

void TForm1::Button1Click()
{
    BuildListing();
}

void TForm1::Button2Click()
{
    FontDialog1.Font = RichEdit1->Font();
    if (FontDialog1.Execute())
        RichEdit1->SetFont(FontDialog1.Font);
}

void TForm1::Button3Click()
{
    if (PrintDialog1.Execute())
        RichPrinter1->PrintRichEdit(RichEdit1, 1);
}

void TForm1::Button4Click()
{
    if (SaveDialog1.Execute())
        SaveListing(SaveDialog1.FileName);
}

void TForm1::Button5Click()
{
    TPreviewDialog preview(*RichPrinter1, *RichEdit1, this);
    preview.exec();
    if (preview.PrintRequested())
        Button3Click();
}

void TForm1::SaveListing(const std::string &fileName)
{
    const TSaveFormat format = SaveFormatOf(fileName);
    switch (format) {
    case TSaveFormat::Rtf:
        RichEdit1->SaveToFile(fileName);
        return;
    case TSaveFormat::Text:
        SaveFileAtomically(fileName, [this](QIODevice &out) { WritePlainText(RichEdit1->Store(), out); });
        return;
    case TSaveFormat::Pdf:
        SaveAsPdf(fileName);
        return;
    case TSaveFormat::Html:
    case TSaveFormat::Csv:
    case TSaveFormat::Json:
        break;
    }
    // The files found: those of the last read, as the export writes them.
    if (FolderRead.empty() || m_reading) {
        Application().MessageBox(
            tr("Aucune lecture à enregistrer : choisissez un dossier et lisez-le d'abord."),
            tr("Avertissement"), MB_OK | MB_ICONWARNING);
        return;
    }
    TDataSettings settings;
    settings.RootName = FolderRead;
    settings.DirsOnly = CheckBox1->isChecked();
    settings.Sizes = CheckBox3->isChecked();
    settings.Dates = CheckBox4->isChecked();
    const TDataFormat dataFormat = format == TSaveFormat::Html ? TDataFormat::Html
        : format == TSaveFormat::Csv                           ? TDataFormat::Csv
                                                               : TDataFormat::Json;
    SaveFileAtomically(
        fileName, [&](QIODevice &out) { WriteDataFormat(dataFormat, *FileList, RootDir, settings, out); });
}

void TForm1::SaveAsPdf(const std::string &fileName)
{
    // The PDF goes through the printer; the printer chosen for "Imprimer..." comes back.
    TPrinter &printer = Printer();
    const auto restore = qScopeGuard([&printer, queue = printer.QueueName(), pdf = printer.PdfFileName(),
                                         available = printer.Available()] {
        try {
            if (!queue.isEmpty())
                printer.SelectQueue(queue);
            else if (!pdf.empty())
                printer.SelectPdf(pdf);
            else if (!available)
                printer.SelectNone();
        } catch (const EPrinter &) {
            printer.SelectDefault();
        }
    });
    PrintListingToPdf(*RichEdit1, fileName);
}

void TForm1::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    FormResize();
}

void TForm1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_centred && screen()) {
        m_centred = true;
        const QRect available = screen()->availableGeometry();
        move(available.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
    }
}

void TForm1::closeEvent(QCloseEvent *event)
{
    // A read in progress ends at its next file; the window closes once it has.
    if (m_reading) {
        m_closeRequested = true;
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void SetStatus(const QString &text, const QString &toolTip)
{
    if (Form1)
        Form1->SetStatusText(text, toolTip);
}
