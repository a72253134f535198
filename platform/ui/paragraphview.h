#pragma once

#include <map>
#include <memory>

#include <QAbstractScrollArea>
#include <QTextLayout>

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

    // The caret and the other end of the selection, as positions in the store.
    std::int64_t Caret() const { return m_caret; }
    std::int64_t Anchor() const { return m_anchor; }
    void SetCaret(std::int64_t position, bool keepAnchor = false);
    QString SelectedText() const;
    void SelectAll();
    void Copy() const;
    void Paste();
    // Replaces the selection by `text` as one step of the store's history.
    void Insert(QStringView text, TParagraphStore::TEditKind kind = TParagraphStore::TEditKind::Other);
    void Undo();
    void Redo();
    // A read-only view takes no edit from the user; moving and selecting still work.
    void SetReadOnly(bool readOnly) { m_readOnly = readOnly; }
    bool ReadOnly() const { return m_readOnly; }

    // Where the caret is drawn in the viewport; empty when its paragraph is out of sight.
    QRectF CaretRect() const;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

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

private:
    QTextLayout &LayoutOf(qsizetype paragraph);
    qreal HeightOf(qsizetype paragraph);
    void UpdateScrollBar();
    void ForgetLayouts();
    void KeepOnly(qsizetype first, qsizetype last);
    qreal TextWidth() const;
    bool Command(QKeyEvent *event);
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
