#pragma once

#include <map>
#include <memory>
#include <utility>
#include <vector>

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QInputMethodEvent>
#include <QTextLayout>

#include "platform/document/paragraphstore.h"
#include "platform/system/font.h"

class QMenu;
class QMimeData;
struct TParagraphClip;

// Shows the paragraphs of a TParagraphStore, wrapped at the viewport's width with tab
// stops every half inch. Only the paragraphs in sight are laid out (one QTextLayout each),
// and the vertical scroll bar counts paragraphs, as QPlainTextEdit's does: its value is
// the first paragraph shown, so a jump to the end or a drag of the bar lays out the same
// few paragraphs whatever the length of the text. Its maximum is the first paragraph of
// the last screenful, so the last paragraph ends at the bottom of the view.
//
// A paragraph can be taller than the view (a long wrapped line). The bar stays a count
// of paragraphs, so the view keeps besides its value one more number: the first shown line
// of the first shown paragraph. The wheel, the keys and the caret scroll by shown lines,
// going on to the next paragraph after a paragraph's last line, and never past the first
// line of the last screenful (whose paragraph is the bar's maximum). A move of the bar
// itself shows its paragraph from the first line, or at the maximum from that last
// screenful's first line. Within a tall paragraph the bar's thumb therefore stands still;
// in exchange the bar never needs the height of any paragraph out of sight.
class TParagraphView : public QAbstractScrollArea
{
    Q_OBJECT

public:
    explicit TParagraphView(QWidget *parent = nullptr);
    ~TParagraphView() override;

    TParagraphStore &Store() { return m_store; }
    const TParagraphStore &Store() const { return m_store; }
    // Tells the view that the store changed: the scroll bar and the picture follow, and
    // assistive technologies hear that the whole text was replaced (the view's own edits
    // tell them just what changed).
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
    // Puts the selection on the clipboard as plain text, HTML and RTF (bold paragraphs
    // bold, in DocumentFont).
    void Copy() const;
    // The selection as the clipboard gets it.
    std::unique_ptr<QMimeData> SelectionMimeData() const;
    // The text from `from` to `to` with the weights of its paragraphs, in DocumentFont.
    TParagraphClip ClipOf(std::int64_t from, std::int64_t to) const;
    // The font copied text is given in the rich formats; the view's own by default.
    virtual TFont DocumentFont() const;
    // Cut, Paste, DeleteSelection, Undo and Redo are the person's edits: a read-only view
    // refuses them.
    void Cut();
    void Paste();
    void DeleteSelection();
    // Replaces the selection by `text` as one step of the store's history.
    void Insert(QStringView text, TParagraphStore::TEditKind kind = TParagraphStore::TEditKind::Other);
    void Undo();
    void Redo();

    // Where the caret is drawn in the viewport; empty when its line is out of sight.
    QRectF CaretRect() const;
    // The box of the character at `position` in the viewport; empty when its line is out of
    // sight. A paragraph's end (its break) is a box one pixel wide.
    QRectF CharacterRect(std::int64_t position) const;
    // The position nearest to a point of the viewport, as QPlainTextEdit's cursorForPosition.
    std::int64_t PositionAt(QPointF point) const;
    // Where the paragraph's shown lines begin, as columns of its text: 0 first, each
    // before the end of the text.
    std::vector<int> LineStarts(qsizetype paragraph) const;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

    // The menu QPlainTextEdit offers, with Qt's own (translated) texts: Undo, Redo, Cut,
    // Copy, Paste, Delete and Select All, each enabled when it applies (the edits never in
    // a read-only view, where Qt leaves them out). The caller owns it.
    QMenu *createStandardContextMenu();

    // The paragraphs laid out at the moment: those shown, and at most a screenful more.
    std::size_t LaidOutParagraphs() const { return m_layouts.size(); }

protected:
    // Where the window system has a primary selection (X11), a selection made with the
    // mouse or the keys becomes it, for middle-click pasting.
    void UpdatePrimarySelection();

    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void timerEvent(QTimerEvent *event) override;

private:
    // A shown line: a paragraph and a line of its layout.
    struct TLine
    {
        qsizetype Paragraph = 0;
        int Line = 0;
        auto operator<=>(const TLine &) const = default;
    };

    QTextLayout &LayoutOf(qsizetype paragraph) const;
    qreal HeightOf(qsizetype paragraph) const;
    qreal HeightOf(TLine line) const;
    bool Next(TLine &line) const;
    bool Previous(TLine &line) const;
    TLine Top() const { return {FirstVisibleParagraph(), m_topLine}; }
    qreal TopY() const;
    TLine LastScreenfulTop() const;
    void ScrollTo(TLine top);
    void ScrollByLines(int lines);
    void BarMoved(int value);
    void UpdateScrollBar();
    void ForgetLayouts() const;
    void KeepOnly(qsizetype first, qsizetype last) const;
    qreal TextWidth() const;
    bool TakesKey(const QKeyEvent &key) const;
    bool Command(QKeyEvent *event);
    bool Edit(QKeyEvent *event);
    bool CanPaste() const;
    bool Move(QKeyEvent *event);
    void DeleteOne(bool forward, QTextLayout::CursorMode mode);
    std::int64_t PreviousCodePoint() const;
    void Place(std::int64_t caret);
    std::int64_t Step(bool forward, QTextLayout::CursorMode mode) const;
    std::int64_t LineStart() const;
    std::int64_t LineEnd() const;
    TLine CaretLine() const;
    void MoveByLines(int lines, bool keepAnchor);
    int LinesPerPage() const;
    void MoveByPage(int direction, bool keepAnchor);
    bool InSight(TLine target) const;
    void ShowCaret();
    void SelectWordAt(std::int64_t position);
    bool Preediting(qsizetype paragraph) const;
    int CaretInLayout() const;
    int ToLayout(qsizetype paragraph, int column, bool afterPreedit) const;
    int FromLayout(qsizetype paragraph, int position) const;
    void SetPreedit(const QString &text, const QList<QInputMethodEvent::Attribute> &attributes);
    void DropPreedit();
    void RestartBlink();
    void CommitPreedit();
    void ApplySelection(const QList<QInputMethodEvent::Attribute> &attributes);
    QList<QTextLayout::FormatRange> SelectionIn(qsizetype paragraph) const;
    void Refresh();
    void TellEdit();
    void TellTextChange(std::int64_t from, const QString &removed, const QString &inserted);
    void TellCaret();

    TParagraphStore m_store;
    // The layouts are a cache of what the store and the width give.
    mutable std::map<qsizetype, std::unique_ptr<QTextLayout>> m_layouts;
    mutable std::int64_t m_layoutRevision = -1;
    std::int64_t m_caret = 0;
    std::int64_t m_anchor = 0;
    bool m_readOnly = false;
    // The first shown line of the first shown paragraph, and the first line of the last
    // screenful, where scrolling down ends.
    int m_topLine = 0;
    TLine m_lastTop;
    // Where Up and Down aim, from the left of the text: the caret's x when the vertical
    // moves began; negative when the last move was not vertical.
    qreal m_goalX = -1;
    // What the input method is composing: shown at the caret, in the caret's paragraph's
    // layout, with the input method's formats (from the preedit's start) and its own caret
    // (hidden when negative), but not in the store until committed.
    QString m_preedit;
    QList<QTextLayout::FormatRange> m_preeditFormats;
    int m_preeditCaret = 0;
    // The caret blinks only while the view has the focus (so in the active window) and is
    // shown: an idle window wakes nothing up.
    QBasicTimer m_blink;
    bool m_caretOn = true;
    // Wheel turns too small to scroll a line yet, in eighths of a degree.
    int m_wheelRest = 0;
    // The text's length, the caret and the selection as assistive technologies last heard
    // of them.
    std::int64_t m_toldLength = 0;
    std::int64_t m_toldCaret = 0;
    std::pair<std::int64_t, std::int64_t> m_toldSelection;
};
