#pragma once

#include <memory>

#include <QDialog>
#include <QTimer>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class TPreviewPages;
class TRichEdit;
class TRichPreview;
class TRichPrinter;

// "Aperçu avant impression": the pages the printing component prints for the view, on
// the current printer (or the PDF printer's page when there is none), with the page
// turned by buttons, keys or its number, a zoom, one or two pages, and "Imprimer...",
// which closes the preview for the print dialog (PrintRequested()).
//
// The pages are counted while the dialog waits for the user, a few milliseconds at a
// time, so it opens on the first page at once and closes at once.
class TPreviewDialog : public QDialog
{
    Q_OBJECT

public:
    // Throws EPrinter when the page cannot be set up.
    TPreviewDialog(TRichPrinter &printer, TRichEdit &richEdit, QWidget *parent = nullptr);
    ~TPreviewDialog() override;

    bool PrintRequested() const { return m_printRequested; }

    TPreviewPages *Pages = nullptr;
    QToolButton *FirstButton = nullptr;
    QToolButton *PreviousButton = nullptr;
    QToolButton *NextButton = nullptr;
    QToolButton *LastButton = nullptr;
    QLineEdit *PageBox = nullptr;
    QLabel *PageCount = nullptr;
    QComboBox *ZoomBox = nullptr;
    QToolButton *OnePageButton = nullptr;
    QToolButton *TwoPagesButton = nullptr;
    QPushButton *PrintButton = nullptr;
    QPushButton *CloseButton = nullptr;

private:
    void CreateControls();
    void CountSome();
    // The count and the buttons that lead somewhere; the page box changes only with the
    // page, not while the user types in it.
    void ShowPageState();
    void GoToTypedPage();
    void ZoomChosen(int item);
    void ZoomTyped();
    void ShowZoom();

    std::unique_ptr<TRichPreview> m_preview;
    QTimer m_counting;
    bool m_printRequested = false;
};
