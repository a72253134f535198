#pragma once

#include <map>
#include <memory>

#include <QAbstractScrollArea>
#include <QTextLayout>

class QMenu;

#include "platform/ui/paragraphstore.h"

// Shows the paragraphs of a TParagraphStore, wrapped at the viewport's width with tab
// stops every half inch. Only the paragraphs in sight are laid out (one QTextLayout each),
// and the vertical scroll bar counts paragraphs, as QPlainTextEdit's does: its value is
// the first paragraph shown, so a jump to the end or a drag of the bar lays out the same
// few paragraphs whatever the length of the text. Its maximum is the first paragraph of
// the last screenful, so the last paragraph ends at the bottom of the view. A paragraph
// taller than the view is not yet scrolled through line by line.
class TParagraphView : public QAbstractScrollArea
{
    Q_OBJECT

public:
    explicit TParagraphView(QWidget *parent = nullptr);
    ~TParagraphView() override;

    TParagraphStore &Store() { return m_store; }
    const TParagraphStore &Store() const { return m_store; }
    // Tells the view that the store changed: the scroll bar and the picture follow.
    void StoreChanged();

    qsizetype FirstVisibleParagraph() const;

    // A read-only view lets the caret move and the text be selected and copied, but no key,
    // paste, input method, drop or menu command changes the text. Insert still does.
    void SetReadOnly(bool readOnly);
    bool ReadOnly() const { return m_readOnly; }

    // The caret and the other end of the selection, as positions in the store.
    std::int64_t Caret() const { return m_caret; }
    std::int64_t Anchor() const { return m_anchor; }
    void SetCaret(std::int64_t position, bool keepAnchor = false);
    QString SelectedText() const;
    void SelectAll();
    void Copy() const;
    // Cut, Paste, DeleteSelection, Undo and Redo are the person's edits: a read-only view
    // refuses them.
    void Cut();
    void Paste();
    void DeleteSelection();
    // Replaces the selection by `text` as one step of the store's history.
    void Insert(QStringView text, TParagraphStore::TEditKind kind = TParagraphStore::TEditKind::Other);
    void Undo();
    void Redo();

    // Where the caret is drawn in the viewport; empty when its paragraph is out of sight.
    QRectF CaretRect() const;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

    // The menu QPlainTextEdit offers, with Qt's own (translated) texts: Undo, Redo, Cut,
    // Copy, Paste, Delete and Select All, each enabled when it applies. The caller owns it.
    QMenu *createStandardContextMenu();

    // The paragraphs laid out at the moment: those shown, and at most a screenful more.
    std::size_t LaidOutParagraphs() const { return m_layouts.size(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    QTextLayout &LayoutOf(qsizetype paragraph);
    qreal HeightOf(qsizetype paragraph);
    void UpdateScrollBar();
    void ForgetLayouts();
    void KeepOnly(qsizetype first, qsizetype last);
    qreal TextWidth() const;
    bool Command(QKeyEvent *event);
    bool Edit(QKeyEvent *event);
    bool CanPaste() const;
    bool Move(QKeyEvent *event);
    void DeleteOne(bool forward);
    void MoveByLines(int lines, bool keepAnchor);
    int LinesPerPage() const;
    void MoveByPage(int direction, bool keepAnchor);
    qsizetype LastWholeParagraphShown();
    void ShowCaret();
    std::int64_t PositionAt(QPointF point);
    void SelectWordAt(std::int64_t position);
    QList<QTextLayout::FormatRange> SelectionIn(qsizetype paragraph) const;

    TParagraphStore m_store;
    std::map<qsizetype, std::unique_ptr<QTextLayout>> m_layouts;
    std::int64_t m_layoutRevision = -1;
    std::int64_t m_caret = 0;
    std::int64_t m_anchor = 0;
    bool m_readOnly = false;
};
