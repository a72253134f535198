#include "app/window/previewdialog.h"

#include <algorithm>
#include <chrono>
#include <climits>

#include <QComboBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/window/previewpages.h"
#include "platform/system/locale.h"
#include "richprint/richpreview.h"

namespace {

// How long each step of the count may hold the dialog up.
constexpr std::chrono::milliseconds CountingStep{15};
// The zoom list's fitted entries, by their data; the others hold a percentage.
constexpr int FitWidthItem = -1;
constexpr int FitPageItem = -2;
constexpr int Percentages[] = {50, 75, 100, 125, 150, 200, 300, 400};

QToolButton *MakeToolButton(QWidget *parent, QStyle::StandardPixmap icon, const QString &text)
{
    auto *button = new QToolButton(parent);
    button->setIcon(parent->style()->standardIcon(icon));
    button->setText(text);
    button->setToolTip(text);
    button->setAutoRaise(true);
    return button;
}

QString Number(int value)
{
    return TLocale::User().Locale().toString(value);
}

} // namespace

TPreviewDialog::TPreviewDialog(TRichPrinter &printer, TRichEdit &richEdit, QWidget *parent)
    : QDialog(parent)
    , m_preview(std::make_unique<TRichPreview>(printer, richEdit))
{
    setObjectName(QStringLiteral("PreviewDialog"));
    setWindowTitle(tr("Aperçu avant impression"));
    CreateControls();
    if (const QScreen *place = parent ? parent->screen() : screen()) {
        const QSize room = place->availableGeometry().size();
        resize(std::min(900, room.width() * 9 / 10), room.height() * 9 / 10);
    }
    PageBox->setText(u"1"_qs);
    ShowPageState();
    ShowZoom();
    connect(&m_counting, &QTimer::timeout, this, [this] { CountSome(); });
    m_counting.start(0);
    Pages->setFocus();
}

TPreviewDialog::~TPreviewDialog()
{
    // The pages draw from the preview, which goes before the dialog's children do.
    delete Pages;
}

void TPreviewDialog::CreateControls()
{
    Pages = new TPreviewPages(*m_preview, this);
    Pages->setObjectName(QStringLiteral("Pages"));
    Pages->setAccessibleName(tr("Pages"));
    FirstButton = MakeToolButton(this, QStyle::SP_MediaSkipBackward, tr("Première page"));
    PreviousButton = MakeToolButton(this, QStyle::SP_MediaSeekBackward, tr("Page précédente"));
    NextButton = MakeToolButton(this, QStyle::SP_MediaSeekForward, tr("Page suivante"));
    LastButton = MakeToolButton(this, QStyle::SP_MediaSkipForward, tr("Dernière page"));
    auto *pageLabel = new QLabel(tr("&Page"), this);
    PageBox = new QLineEdit(this);
    PageBox->setValidator(new QIntValidator(1, INT_MAX, PageBox));
    PageBox->setAccessibleName(tr("Numéro de page"));
    PageBox->setMaximumWidth(fontMetrics().horizontalAdvance(u"0000000"_qs) + 12);
    PageBox->setAlignment(Qt::AlignRight);
    pageLabel->setBuddy(PageBox);
    PageCount = new QLabel(this);
    ZoomBox = new QComboBox(this);
    ZoomBox->setEditable(true);
    ZoomBox->setInsertPolicy(QComboBox::NoInsert);
    ZoomBox->setAccessibleName(tr("Zoom"));
    ZoomBox->addItem(tr("Pleine largeur"), FitWidthItem);
    ZoomBox->addItem(tr("Page entière"), FitPageItem);
    for (const int percent : Percentages)
        ZoomBox->addItem(tr("%1 %").arg(percent), percent);
    OnePageButton = MakeToolButton(this, QStyle::SP_FileIcon, tr("Une page"));
    TwoPagesButton = MakeToolButton(this, QStyle::SP_FileDialogDetailedView, tr("Deux pages"));
    for (QToolButton *button : {OnePageButton, TwoPagesButton}) {
        button->setCheckable(true);
        button->setAutoExclusive(true);
    }
    OnePageButton->setChecked(true);
    PrintButton = new QPushButton(tr("Imprimer..."), this);
    CloseButton = new QPushButton(tr("Fermer"), this);
    PrintButton->setAutoDefault(false);
    CloseButton->setAutoDefault(false);

    auto *bar = new QHBoxLayout;
    for (QWidget *control : {static_cast<QWidget *>(FirstButton), static_cast<QWidget *>(PreviousButton),
             static_cast<QWidget *>(pageLabel), static_cast<QWidget *>(PageBox),
             static_cast<QWidget *>(PageCount), static_cast<QWidget *>(NextButton),
             static_cast<QWidget *>(LastButton)})
        bar->addWidget(control);
    bar->addSpacing(16);
    bar->addWidget(ZoomBox);
    bar->addWidget(OnePageButton);
    bar->addWidget(TwoPagesButton);
    bar->addStretch(1);
    bar->addWidget(PrintButton);
    bar->addWidget(CloseButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(Pages, 1);

    connect(FirstButton, &QToolButton::clicked, Pages, [this] { Pages->ShowPage(0); });
    connect(PreviousButton, &QToolButton::clicked, Pages, &TPreviewPages::ShowPrevious);
    connect(NextButton, &QToolButton::clicked, Pages, &TPreviewPages::ShowNext);
    connect(LastButton, &QToolButton::clicked, Pages, &TPreviewPages::ShowLast);
    connect(PageBox, &QLineEdit::returnPressed, this, [this] { GoToTypedPage(); });
    connect(ZoomBox, &QComboBox::activated, this, [this](int item) { ZoomChosen(item); });
    connect(ZoomBox->lineEdit(), &QLineEdit::returnPressed, this, [this] { ZoomTyped(); });
    connect(OnePageButton, &QToolButton::toggled, Pages, [this](bool on) {
        if (on)
            Pages->SetPagesSideBySide(1);
    });
    connect(TwoPagesButton, &QToolButton::toggled, Pages, [this](bool on) {
        if (on)
            Pages->SetPagesSideBySide(2);
    });
    connect(PrintButton, &QPushButton::clicked, this, [this] {
        m_printRequested = true;
        accept();
    });
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(Pages, &TPreviewPages::PageShown, this, [this] {
        PageBox->setText(QString::number(Pages->CurrentPage() + 1));
        ShowPageState();
    });
    connect(Pages, &TPreviewPages::ZoomChanged, this, [this] { ShowZoom(); });
    // The pages turn wherever the focus is in the dialog.
    connect(new QShortcut(QKeySequence::MoveToNextPage, this), &QShortcut::activated, Pages,
        &TPreviewPages::ShowNext);
    connect(new QShortcut(QKeySequence::MoveToPreviousPage, this), &QShortcut::activated, Pages,
        &TPreviewPages::ShowPrevious);
}

void TPreviewDialog::CountSome()
{
    if (m_preview->CountFor(CountingStep))
        m_counting.stop();
    ShowPageState();
}

void TPreviewDialog::ShowPageState()
{
    const int current = Pages->CurrentPage();
    const int known = m_preview->PagesCounted();
    const bool counted = m_preview->Counted();
    PageCount->setText(counted ? tr("sur %1").arg(Number(known)) : tr("sur au moins %1").arg(Number(known)));
    FirstButton->setEnabled(current > 0);
    PreviousButton->setEnabled(current > 0);
    const bool more = !counted || current + Pages->PagesSideBySide() < known;
    NextButton->setEnabled(more);
    LastButton->setEnabled(more);
    Pages->setAccessibleDescription(QString::number(current + 1) + u' ' + PageCount->text());
}

void TPreviewDialog::GoToTypedPage()
{
    bool ok = false;
    const int page = PageBox->text().toInt(&ok);
    if (ok)
        Pages->ShowPage(page - 1);
    // The box shows the page reached: the last for a number beyond it.
    PageBox->setText(QString::number(Pages->CurrentPage() + 1));
    ShowPageState();
}

void TPreviewDialog::ZoomChosen(int item)
{
    const int data = ZoomBox->itemData(item).toInt();
    if (data == FitWidthItem)
        Pages->SetFit(TPreviewPages::TFit::Width);
    else if (data == FitPageItem)
        Pages->SetFit(TPreviewPages::TFit::Page);
    else
        Pages->SetZoom(data / 100.0);
}

void TPreviewDialog::ZoomTyped()
{
    // A number is a percentage; words choose the fitted entry they begin.
    const QString typed = ZoomBox->currentText().trimmed();
    if (!typed.isEmpty() && std::none_of(typed.begin(), typed.end(), [](QChar c) { return c.isDigit(); })) {
        for (const int fit : {FitWidthItem, FitPageItem}) {
            const int item = ZoomBox->findData(fit);
            if (ZoomBox->itemText(item).startsWith(typed, Qt::CaseInsensitive)) {
                ZoomChosen(item);
                break;
            }
        }
        ShowZoom();
        return;
    }
    QString digits = typed;
    digits.removeIf([](QChar c) { return !c.isDigit(); });
    bool ok = false;
    const int percent = digits.toInt(&ok);
    if (ok && percent > 0)
        Pages->SetZoom(percent / 100.0);
    ShowZoom();
}

void TPreviewDialog::ShowZoom()
{
    const QSignalBlocker blocker(ZoomBox);
    const TPreviewPages::TFit fit = Pages->Fit();
    if (fit != TPreviewPages::TFit::None) {
        ZoomBox->setCurrentIndex(
            ZoomBox->findData(fit == TPreviewPages::TFit::Width ? FitWidthItem : FitPageItem));
        return;
    }
    const int percent = qRound(Pages->Zoom() * 100);
    const int item = ZoomBox->findData(percent);
    ZoomBox->setCurrentIndex(item);
    if (item < 0)
        ZoomBox->setEditText(tr("%1 %").arg(percent));
}
