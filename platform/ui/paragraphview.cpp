#include "platform/ui/paragraphview.h"

#include <algorithm>
#include <limits>

#include <QAccessible>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QIcon>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QStyleHints>
#include <QTextBoundaryFinder>
#include <QTextOption>
#include <QWheelEvent>

#include "platform/document/paragraphoutput.h"
#include "platform/print/font.h"
#include "platform/ui/paragraphmimedata.h"
#include "platform/ui/paragraphviewaccessible.h"

namespace {

// Half an inch in the 96-dpi units that Qt measures tab stops in.
constexpr qreal TabStopDistance = 48;
// The room between the text and the viewport's edges, as QPlainTextEdit leaves it.
constexpr qreal Margin = 4;

// Ctrl+Y, which redoes beside the platform's Redo keys (Ctrl+Shift+Z on X11), as word
// processors and the listing's documented keys have it.
bool IsCtrlY(const QKeyEvent &key)
{
    return key.key() == Qt::Key_Y && (key.modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier;
}

// A menu entry as QPlainTextEdit's menu has it: Qt's own text, so that Qt's catalogue
// translates it, its shortcut after a tab, and the theme's icon where there is one.
QAction *AddAction(
    QMenu &menu, const char *text, QKeySequence::StandardKey key, const QString &name, bool enabled)
{
    QString label = QCoreApplication::translate("QWidgetTextControl", text);
    const QKeySequence shortcut(key);
    if (!shortcut.isEmpty())
        label += u'\t' + shortcut.toString(QKeySequence::NativeText);
    QAction *action = menu.addAction(label);
    action->setObjectName(name);
    const QIcon icon = QIcon::fromTheme(name);
    if (!icon.isNull())
        action->setIcon(icon);
    action->setEnabled(enabled);
    return action;
}

} // namespace

using namespace Qt::StringLiterals;

TParagraphView::TParagraphView(QWidget *parent)
    : QAbstractScrollArea(parent)
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    viewport()->setCursor(Qt::IBeamCursor);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    viewport()->setAcceptDrops(true);
    InstallParagraphViewAccessibility();
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &TParagraphView::BarMoved);
    UpdateScrollBar();
}

TParagraphView::~TParagraphView() = default;

void TParagraphView::StoreChanged()
{
    Refresh();
    const std::int64_t told = std::exchange(m_toldLength, m_store.Length());
    if (!QAccessible::isActive())
        return;
    // The characters that were there are gone: as QTextEdit does, spaces stand for them,
    // so that their count is right.
    TellTextChange(0, QString(qsizetype(told), u' '), m_store.Slice(0, m_store.Length()));
}

void TParagraphView::Refresh()
{
    UpdateScrollBar();
    viewport()->update();
}

// Tells assistive technologies what the store's last edit changed.
void TParagraphView::TellEdit()
{
    m_toldLength = m_store.Length();
    if (!QAccessible::isActive())
        return;
    const TParagraphStore::TChange &change = m_store.LastChange();
    TellTextChange(change.From, change.Removed, m_store.Slice(change.From, change.End));
}

void TParagraphView::TellTextChange(std::int64_t from, const QString &removed, const QString &inserted)
{
    if (removed.isEmpty() && !inserted.isEmpty()) {
        QAccessibleTextInsertEvent event(this, int(from), inserted);
        QAccessible::updateAccessibility(&event);
    } else if (inserted.isEmpty() && !removed.isEmpty()) {
        QAccessibleTextRemoveEvent event(this, int(from), removed);
        QAccessible::updateAccessibility(&event);
    } else if (!removed.isEmpty()) {
        QAccessibleTextUpdateEvent event(this, int(from), removed, inserted);
        QAccessible::updateAccessibility(&event);
    }
}

// Tells assistive technologies where the caret and the selection went, when they moved.
void TParagraphView::TellCaret()
{
    const std::pair selection = m_caret == m_anchor
        ? std::pair(m_caret, m_caret)
        : std::pair(std::min(m_caret, m_anchor), std::max(m_caret, m_anchor));
    const bool caretMoved = std::exchange(m_toldCaret, m_caret) != m_caret;
    const std::pair toldSelection = std::exchange(m_toldSelection, selection);
    const bool selectionChanged = selection != toldSelection
        && (selection.first != selection.second || toldSelection.first != toldSelection.second);
    if (!QAccessible::isActive())
        return;
    if (selectionChanged) {
        QAccessibleTextSelectionEvent event(this, int(selection.first), int(selection.second));
        event.setCursorPosition(int(m_caret));
        QAccessible::updateAccessibility(&event);
    }
    if (caretMoved) {
        QAccessibleTextCursorEvent event(this, int(m_caret));
        QAccessible::updateAccessibility(&event);
    }
}

qsizetype TParagraphView::FirstVisibleParagraph() const
{
    return std::min<qsizetype>(verticalScrollBar()->value(), m_store.Count() - 1);
}

void TParagraphView::SetReadOnly(bool readOnly)
{
    if (readOnly == m_readOnly)
        return;
    m_readOnly = readOnly;
    setAttribute(Qt::WA_InputMethodEnabled, !readOnly);
    QAccessible::State changed;
    changed.readOnly = true;
    changed.editable = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
}

qreal TParagraphView::TextWidth() const
{
    return std::max<qreal>(1, viewport()->width() - 2 * Margin);
}

void TParagraphView::ForgetLayouts() const
{
    m_layouts.clear();
    m_layoutRevision = m_store.Revision();
}

QTextLayout &TParagraphView::LayoutOf(qsizetype paragraph) const
{
    if (m_layoutRevision != m_store.Revision())
        ForgetLayouts();
    auto &slot = m_layouts[paragraph];
    if (slot)
        return *slot;
    slot = std::make_unique<QTextLayout>(m_store.Text(paragraph).toString(), font(), viewport());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTabStopDistance(TabStopDistance);
    slot->setTextOption(option);
    QList<QTextLayout::FormatRange> formats;
    const int preedit = Preediting(paragraph) ? int(m_preedit.size()) : 0;
    if (m_store.Bold(paragraph) && m_store.Text(paragraph).size() + preedit > 0) {
        QTextLayout::FormatRange bold;
        bold.start = 0;
        bold.length = int(m_store.Text(paragraph).size()) + preedit;
        bold.format.setFontWeight(QFont::Bold);
        formats << bold;
    }
    if (preedit > 0) {
        const int column = int(m_caret - m_store.Position(paragraph));
        slot->setPreeditArea(column, m_preedit);
        for (QTextLayout::FormatRange range : m_preeditFormats) {
            range.start += column;
            formats << range;
        }
    }
    slot->setFormats(formats);
    slot->beginLayout();
    qreal y = 0;
    for (QTextLine line = slot->createLine(); line.isValid(); line = slot->createLine()) {
        line.setLineWidth(TextWidth());
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    slot->endLayout();
    return *slot;
}

qreal TParagraphView::HeightOf(qsizetype paragraph) const
{
    const QTextLayout &layout = LayoutOf(paragraph);
    return layout.lineCount() == 0 ? 0 : layout.boundingRect().height();
}

qreal TParagraphView::HeightOf(TLine line) const
{
    const QTextLayout &layout = LayoutOf(line.Paragraph);
    return line.Line < layout.lineCount() ? layout.lineAt(line.Line).height() : 0;
}

// Moves to the next shown line; false at the last line of the text.
bool TParagraphView::Next(TLine &line) const
{
    if (line.Line + 1 < LayoutOf(line.Paragraph).lineCount())
        ++line.Line;
    else if (line.Paragraph + 1 < m_store.Count())
        line = {line.Paragraph + 1, 0};
    else
        return false;
    return true;
}

bool TParagraphView::Previous(TLine &line) const
{
    if (line.Line > 0)
        --line.Line;
    else if (line.Paragraph > 0)
        line = {line.Paragraph - 1, std::max(0, LayoutOf(line.Paragraph - 1).lineCount() - 1)};
    else
        return false;
    return true;
}

// Where the first shown paragraph starts in the viewport: above its edge when its first
// lines are scrolled out.
qreal TParagraphView::TopY() const
{
    const QTextLayout &layout = LayoutOf(FirstVisibleParagraph());
    return Margin - (m_topLine < layout.lineCount() ? layout.lineAt(m_topLine).y() : 0);
}

// Drops the layouts outside first..last.
void TParagraphView::KeepOnly(qsizetype first, qsizetype last) const
{
    m_layouts.erase(m_layouts.begin(), m_layouts.lower_bound(first));
    m_layouts.erase(m_layouts.upper_bound(last), m_layouts.end());
}

// The first line of the last screenful: the lines from it to the end fill the view.
TParagraphView::TLine TParagraphView::LastScreenfulTop() const
{
    const qreal room = viewport()->height() - 2 * Margin;
    const qsizetype last = m_store.Count() - 1;
    TLine top{last, std::max(0, LayoutOf(last).lineCount() - 1)};
    qreal used = HeightOf(top);
    for (TLine before = top; Previous(before) && used + HeightOf(before) <= room; top = before)
        used += HeightOf(before);
    return top;
}

void TParagraphView::UpdateScrollBar()
{
    m_lastTop = LastScreenfulTop();
    KeepOnly(m_lastTop.Paragraph, m_store.Count() - 1);
    QScrollBar *bar = verticalScrollBar();
    bar->setRange(0, int(std::min<qsizetype>(m_lastTop.Paragraph, std::numeric_limits<int>::max())));
    bar->setPageStep(std::max(1, int(m_store.Count() - m_lastTop.Paragraph)));
    bar->setSingleStep(1);
    horizontalScrollBar()->setRange(0, 0);
    const int lines = LayoutOf(FirstVisibleParagraph()).lineCount();
    m_topLine = std::clamp(m_topLine, 0, std::max(0, lines - 1));
    if (Top() > m_lastTop)
        m_topLine = m_lastTop.Line;
}

// The bar was moved, by the person or by ScrollTo: its paragraph is shown from its first
// line, or the last screenful from its first.
void TParagraphView::BarMoved(int value)
{
    m_topLine = value == verticalScrollBar()->maximum() ? m_lastTop.Line : 0;
    viewport()->update();
}

void TParagraphView::ScrollTo(TLine top)
{
    top = std::min(top, m_lastTop);
    verticalScrollBar()->setValue(int(top.Paragraph));
    m_topLine = top.Line;
    viewport()->update();
}

void TParagraphView::ScrollByLines(int lines)
{
    TLine top = Top();
    for (; lines > 0 && Next(top); --lines) { }
    for (; lines < 0 && Previous(top); ++lines) { }
    ScrollTo(top);
}

void TParagraphView::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Text));
    // The lines scrolled out above the first shown one stay out of the top margin.
    const QRectF shown(0, Margin, viewport()->width(), viewport()->height() - Margin);
    painter.setClipRect(shown);
    const qsizetype first = FirstVisibleParagraph();
    qsizetype paragraph = first;
    const qsizetype caretParagraph = m_store.ParagraphAt(m_caret);
    for (qreal y = TopY(); paragraph < m_store.Count() && y < viewport()->height(); ++paragraph) {
        QTextLayout &layout = LayoutOf(paragraph);
        layout.draw(&painter, QPointF(Margin, y), SelectionIn(paragraph), shown);
        if (paragraph == caretParagraph && hasFocus() && m_caretOn && m_preeditCaret >= 0)
            layout.drawCursor(&painter, QPointF(Margin, y), CaretInLayout());
        y += HeightOf(paragraph);
    }
    KeepOnly(first, paragraph);
}

void TParagraphView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    ForgetLayouts();
    UpdateScrollBar();
}

void TParagraphView::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        ForgetLayouts();
        UpdateScrollBar();
        viewport()->update();
    }
}

QList<QTextLayout::FormatRange> TParagraphView::SelectionIn(qsizetype paragraph) const
{
    const std::int64_t start = m_store.Position(paragraph);
    const std::int64_t from = std::max(std::min(m_caret, m_anchor), start);
    const std::int64_t to
        = std::min<std::int64_t>(std::max(m_caret, m_anchor), start + m_store.Text(paragraph).size());
    if (from >= to)
        return {};
    QTextLayout::FormatRange range;
    range.start = ToLayout(paragraph, int(from - start), true);
    range.length = ToLayout(paragraph, int(to - start), false) - range.start;
    range.format.setBackground(palette().brush(QPalette::Highlight));
    range.format.setForeground(palette().brush(QPalette::HighlightedText));
    return {range};
}

bool TParagraphView::Preediting(qsizetype paragraph) const
{
    return !m_preedit.isEmpty() && paragraph == m_store.ParagraphAt(m_caret);
}

// Where the caret is in its paragraph's layout: in the preedit, at the input method's caret.
int TParagraphView::CaretInLayout() const
{
    const int column = int(m_caret - m_store.Position(m_store.ParagraphAt(m_caret)));
    return m_preedit.isEmpty() ? column : column + std::max(0, m_preeditCaret);
}

// A column of the store's paragraph as a position in its layout, which holds the preedit
// at the caret: the caret's own column is before the preedit or after it.
int TParagraphView::ToLayout(qsizetype paragraph, int column, bool afterPreedit) const
{
    if (!Preediting(paragraph))
        return column;
    const int caret = int(m_caret - m_store.Position(paragraph));
    return column > caret || (column == caret && afterPreedit) ? column + int(m_preedit.size()) : column;
}

// A position in the layout as a column of the store's paragraph; the preedit counts as
// the caret's column.
int TParagraphView::FromLayout(qsizetype paragraph, int position) const
{
    if (!Preediting(paragraph))
        return position;
    const int caret = int(m_caret - m_store.Position(paragraph));
    if (position <= caret)
        return position;
    return std::max(caret, position - int(m_preedit.size()));
}

void TParagraphView::SetCaret(std::int64_t position, bool keepAnchor)
{
    position = std::clamp<std::int64_t>(position, 0, m_store.Length());
    if (position != m_caret)
        DropPreedit();
    m_caret = position;
    if (!keepAnchor)
        m_anchor = m_caret;
    m_goalX = -1;
    m_store.CloseEditStep();
    ShowCaret();
    viewport()->update();
    updateMicroFocus();
    RestartBlink();
    TellCaret();
}

// Whether the line is wholly in sight; looks no further than a screenful down.
bool TParagraphView::InSight(TLine target) const
{
    TLine line = Top();
    if (target < line)
        return false;
    for (qreal y = Margin + HeightOf(line); y <= viewport()->height() - Margin; y += HeightOf(line)) {
        if (line == target)
            return true;
        if (!Next(line))
            return false;
    }
    return false;
}

// Scrolls the least that brings the caret's line into sight: to the top when it is above
// the view, else to the bottom, with as many lines before it as fit.
void TParagraphView::ShowCaret()
{
    const TLine caret = CaretLine();
    if (InSight(caret))
        return;
    if (caret < Top()) {
        ScrollTo(caret);
        return;
    }
    const qreal room = viewport()->height() - 2 * Margin;
    TLine top = caret;
    qreal used = HeightOf(caret);
    for (TLine before = top; Previous(before) && used + HeightOf(before) <= room; top = before)
        used += HeightOf(before);
    ScrollTo(top);
}

QString TParagraphView::SelectedText() const
{
    return m_store.Slice(std::min(m_caret, m_anchor), std::max(m_caret, m_anchor));
}

void TParagraphView::SelectAll()
{
    m_anchor = 0;
    SetCaret(m_store.Length(), true);
}

TParagraphClip TParagraphView::ClipOf(std::int64_t from, std::int64_t to) const
{
    TParagraphClip clip{m_store.Slice(from, to), {}, RtfFontOf(DocumentFont())};
    for (qsizetype paragraph = m_store.ParagraphAt(from); paragraph <= m_store.ParagraphAt(to); ++paragraph)
        clip.Weights.push_back(m_store.Bold(paragraph));
    return clip;
}

std::unique_ptr<QMimeData> TParagraphView::SelectionMimeData() const
{
    return std::make_unique<TParagraphMimeData>(
        [clip = ClipOf(std::min(m_caret, m_anchor), std::max(m_caret, m_anchor))] { return clip; });
}

TFont TParagraphView::DocumentFont() const
{
    return FontFromQFont(font());
}

void TParagraphView::Copy() const
{
    if (m_caret != m_anchor)
        QGuiApplication::clipboard()->setMimeData(SelectionMimeData().release());
}

void TParagraphView::UpdatePrimarySelection()
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (m_caret == m_anchor || !clipboard->supportsSelection())
        return;
    // Taken when pasted, from the text as it is now: nothing once it has changed.
    auto take = [view = QPointer<TParagraphView>(this), from = std::min(m_caret, m_anchor),
                    to = std::max(m_caret, m_anchor), revision = m_store.Revision()] {
        return view && view->m_store.Revision() == revision ? std::optional(view->ClipOf(from, to))
                                                            : std::nullopt;
    };
    clipboard->setMimeData(new TParagraphMimeData(std::move(take)), QClipboard::Selection);
}

void TParagraphView::Cut()
{
    if (m_readOnly || m_caret == m_anchor)
        return;
    Copy();
    Insert(u"");
}

bool TParagraphView::CanPaste() const
{
    return !m_readOnly && !QGuiApplication::clipboard()->text().isEmpty();
}

void TParagraphView::Paste()
{
    if (CanPaste())
        Insert(QGuiApplication::clipboard()->text());
}

void TParagraphView::DeleteSelection()
{
    if (!m_readOnly && m_caret != m_anchor)
        Insert(u"");
}

void TParagraphView::Insert(QStringView text, TParagraphStore::TEditKind kind)
{
    Place(m_store.Replace(m_anchor, m_caret, text, kind));
}

// Puts the caret, with no selection, where an edit left it.
void TParagraphView::Place(std::int64_t caret)
{
    m_caret = m_anchor = caret;
    m_goalX = -1;
    Refresh();
    ShowCaret();
    updateMicroFocus();
    RestartBlink();
    TellEdit();
    TellCaret();
}

// Removes the selection, or else what Backspace or Delete takes: the character before the
// caret (a surrogate pair whole) or the one after it, or with Control a word.
void TParagraphView::DeleteOne(bool forward, QTextLayout::CursorMode mode)
{
    if (m_caret == m_anchor) {
        const std::int64_t other
            = forward || mode == QTextLayout::SkipWords ? Step(forward, mode) : PreviousCodePoint();
        m_anchor = std::clamp<std::int64_t>(other, 0, m_store.Length());
        if (m_anchor == m_caret)
            return;
    }
    Insert(u"", TParagraphStore::TEditKind::Deleting);
}

std::int64_t TParagraphView::PreviousCodePoint() const
{
    const std::int64_t before = m_caret - 1;
    if (before < 1)
        return before;
    const QString pair = m_store.Slice(before - 1, m_caret);
    return pair.at(0).isHighSurrogate() && pair.at(1).isLowSurrogate() ? before - 1 : before;
}

void TParagraphView::Undo()
{
    if (m_readOnly)
        return;
    const std::int64_t caret = m_store.Undo();
    if (caret >= 0)
        Place(caret);
}

void TParagraphView::Redo()
{
    if (m_readOnly)
        return;
    const std::int64_t caret = m_store.Redo();
    if (caret >= 0)
        Place(caret);
}

// The keys the view acts on, which a shortcut of the window must not take from it, as
// QPlainTextEdit keeps them: typing and editing keys (unless read-only), moves, selections
// and copying.
bool TParagraphView::TakesKey(const QKeyEvent &key) const
{
    static constexpr QKeySequence::StandardKey Edits[]
        = {QKeySequence::Cut, QKeySequence::Paste, QKeySequence::Undo, QKeySequence::Redo,
            QKeySequence::DeleteStartOfWord, QKeySequence::DeleteEndOfWord};
    static constexpr QKeySequence::StandardKey Reads[] = {QKeySequence::Copy, QKeySequence::SelectAll,
        QKeySequence::MoveToNextWord, QKeySequence::MoveToPreviousWord, QKeySequence::MoveToStartOfDocument,
        QKeySequence::MoveToEndOfDocument, QKeySequence::SelectNextWord, QKeySequence::SelectPreviousWord,
        QKeySequence::SelectStartOfDocument, QKeySequence::SelectEndOfDocument};
    const auto matches = [&](QKeySequence::StandardKey sequence) { return key.matches(sequence); };
    if (std::ranges::any_of(Reads, matches)
        || (!m_readOnly && (std::ranges::any_of(Edits, matches) || IsCtrlY(key))))
        return true;
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    if (modifiers != Qt::NoModifier && modifiers != Qt::ShiftModifier)
        return false;
    switch (key.key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        return !m_readOnly;
    default:
        return !m_readOnly && key.key() < Qt::Key_Escape && !key.text().isEmpty();
    }
}

bool TParagraphView::event(QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride && TakesKey(*static_cast<QKeyEvent *>(event))) {
        event->accept();
        return true;
    }
    return QAbstractScrollArea::event(event);
}

bool TParagraphView::Command(QKeyEvent *event)
{
    if (event == QKeySequence::SelectAll)
        SelectAll();
    else if (event == QKeySequence::Copy)
        Copy();
    else if (event == QKeySequence::Cut)
        Cut();
    else if (event == QKeySequence::Paste)
        Paste();
    else if (event == QKeySequence::Undo)
        Undo();
    else if (event == QKeySequence::Redo || IsCtrlY(*event))
        Redo();
    else
        return Edit(event);
    return true;
}

// The keys that edit at the caret; a read-only view takes them and does nothing.
bool TParagraphView::Edit(QKeyEvent *event)
{
    const bool words = event == QKeySequence::DeleteStartOfWord || event == QKeySequence::DeleteEndOfWord;
    const int key = event->key();
    if (!words && key != Qt::Key_Backspace && key != Qt::Key_Delete && key != Qt::Key_Return
        && key != Qt::Key_Enter)
        return false;
    if (m_readOnly)
        return true;
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        Insert(u"\n");
    else
        DeleteOne(key == Qt::Key_Delete, words ? QTextLayout::SkipWords : QTextLayout::SkipCharacters);
    return true;
}

// The next or previous place for the caret: a character or a word on in its paragraph,
// the neighbouring paragraph from its ends.
std::int64_t TParagraphView::Step(bool forward, QTextLayout::CursorMode mode) const
{
    const qsizetype paragraph = m_store.ParagraphAt(m_caret);
    const std::int64_t start = m_store.Position(paragraph);
    const int column = int(m_caret - start);
    const QTextLayout &layout = LayoutOf(paragraph);
    if (forward)
        return column >= m_store.Text(paragraph).size() ? m_caret + 1
                                                        : start + layout.nextCursorPosition(column, mode);
    return column == 0 ? m_caret - 1 : start + layout.previousCursorPosition(column, mode);
}

// The start and end of the caret's shown line. The end of a line that wraps after a space
// is before the space, as in QPlainTextEdit, so that the caret stays on the line.
std::int64_t TParagraphView::LineStart() const
{
    const qsizetype paragraph = m_store.ParagraphAt(m_caret);
    const std::int64_t start = m_store.Position(paragraph);
    const QTextLine line = LayoutOf(paragraph).lineForTextPosition(int(m_caret - start));
    return line.isValid() ? start + line.textStart() : m_caret;
}

std::int64_t TParagraphView::LineEnd() const
{
    const qsizetype paragraph = m_store.ParagraphAt(m_caret);
    const std::int64_t start = m_store.Position(paragraph);
    const QTextLayout &layout = LayoutOf(paragraph);
    const QTextLine line = layout.lineForTextPosition(int(m_caret - start));
    if (!line.isValid())
        return m_caret;
    int end = line.textStart() + line.textLength();
    if (line.lineNumber() + 1 < layout.lineCount() && end > line.textStart()
        && layout.text().at(end - 1).isSpace())
        --end;
    return start + end;
}

bool TParagraphView::Move(QKeyEvent *event)
{
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool control = event->modifiers() & Qt::ControlModifier;
    const auto by = control ? QTextLayout::SkipWords : QTextLayout::SkipCharacters;
    switch (event->key()) {
    case Qt::Key_Left:
        SetCaret(Step(false, by), shift);
        return true;
    case Qt::Key_Right:
        SetCaret(Step(true, by), shift);
        return true;
    case Qt::Key_Up:
        MoveByLines(-1, shift);
        return true;
    case Qt::Key_Down:
        MoveByLines(1, shift);
        return true;
    case Qt::Key_PageUp:
        MoveByPage(-1, shift);
        return true;
    case Qt::Key_PageDown:
        MoveByPage(1, shift);
        return true;
    case Qt::Key_Home:
        SetCaret(control ? 0 : LineStart(), shift);
        return true;
    case Qt::Key_End:
        SetCaret(control ? m_store.Length() : LineEnd(), shift);
        return true;
    default:
        return false;
    }
}

void TParagraphView::keyPressEvent(QKeyEvent *event)
{
    CommitPreedit();
    const std::pair selection(m_caret, m_anchor);
    if (Command(event) || Move(event)) {
        if (std::pair(m_caret, m_anchor) != selection && m_caret != m_anchor)
            UpdatePrimarySelection();
        return;
    }
    const QString text = event->text();
    if (!m_readOnly && !text.isEmpty() && text.at(0).isPrint()) {
        Insert(text, TParagraphStore::TEditKind::Typing);
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

std::int64_t TParagraphView::PositionAt(QPointF point) const
{
    // Points beyond the viewport count as on its edge: the search stays within a screenful.
    const qreal pointY = std::clamp<qreal>(point.y(), 0, viewport()->height());
    const qsizetype first = FirstVisibleParagraph();
    qreal y = TopY();
    for (qsizetype paragraph = first; paragraph < m_store.Count(); ++paragraph) {
        const qreal height = HeightOf(paragraph);
        if (pointY < y + height || paragraph + 1 == m_store.Count()) {
            const QTextLayout &layout = LayoutOf(paragraph);
            int i = paragraph == first ? std::min(m_topLine, std::max(0, layout.lineCount() - 1)) : 0;
            while (
                i + 1 < layout.lineCount() && pointY >= y + layout.lineAt(i).y() + layout.lineAt(i).height())
                ++i;
            const int column = layout.lineCount() == 0 ? 0 : layout.lineAt(i).xToCursor(point.x() - Margin);
            return m_store.Position(paragraph) + FromLayout(paragraph, column);
        }
        y += height;
    }
    return m_store.Length();
}

std::vector<int> TParagraphView::LineStarts(qsizetype paragraph) const
{
    std::vector<int> starts{0};
    const QTextLayout &layout = LayoutOf(paragraph);
    const auto size = int(m_store.Text(paragraph).size());
    for (int i = 1; i < layout.lineCount(); ++i) {
        // What is being composed is not in the store: a line starting in it starts at the caret.
        const int column = FromLayout(paragraph, layout.lineAt(i).textStart());
        if (column > starts.back() && column < size)
            starts.push_back(column);
    }
    return starts;
}

// Selects the word the position lies in, or the one it starts.
void TParagraphView::SelectWordAt(std::int64_t position)
{
    const qsizetype paragraph = m_store.ParagraphAt(position);
    const std::int64_t start = m_store.Position(paragraph);
    const QString text = m_store.Text(paragraph).toString();
    const auto at = qsizetype(position - start);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Word, text);
    finder.setPosition(at);
    const bool startsWord = finder.boundaryReasons() & QTextBoundaryFinder::StartOfItem;
    const qsizetype from = startsWord ? at : std::max<qsizetype>(0, finder.toPreviousBoundary());
    finder.setPosition(at);
    const qsizetype next = finder.toNextBoundary();
    m_anchor = start + from;
    SetCaret(start + (next < 0 ? text.size() : next), true);
}

void TParagraphView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QAbstractScrollArea::mousePressEvent(event);
    CommitPreedit();
    SetCaret(PositionAt(event->position()), event->modifiers() & Qt::ShiftModifier);
}

void TParagraphView::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    // A drag above the view scrolls it up a line a move; below, the caret's line brought
    // into sight does the same downwards.
    if (event->position().y() < 0)
        ScrollByLines(-1);
    SetCaret(PositionAt(event->position()), true);
}

void TParagraphView::mouseReleaseEvent(QMouseEvent *event)
{
    // The press placed the caret and the moves the selection: the release ends the drag.
    event->setAccepted(event->button() == Qt::LeftButton);
    if (event->button() == Qt::LeftButton)
        UpdatePrimarySelection();
}

void TParagraphView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        SelectWordAt(PositionAt(event->position()));
        UpdatePrimarySelection();
    }
}

// What the input method commits replaces the selection (or the surrounding text it names)
// as typing; what it composes is only shown.
void TParagraphView::inputMethodEvent(QInputMethodEvent *event)
{
    event->accept();
    if (m_readOnly) {
        DropPreedit();
        return;
    }
    if (event->replacementLength() > 0 || event->replacementStart() != 0) {
        const std::int64_t start = m_store.Position(m_store.ParagraphAt(m_caret));
        const std::int64_t end = start + m_store.Text(m_store.ParagraphAt(m_caret)).size();
        m_anchor = std::clamp<std::int64_t>(m_caret + event->replacementStart(), start, end);
        m_caret = std::clamp<std::int64_t>(m_anchor + event->replacementLength(), start, end);
    }
    if (!event->commitString().isEmpty() || event->replacementLength() > 0)
        Insert(event->commitString(), TParagraphStore::TEditKind::Typing);
    ApplySelection(event->attributes());
    SetPreedit(event->preeditString(), event->attributes());
}

// The input method's Selection: a selection in the caret's paragraph.
void TParagraphView::ApplySelection(const QList<QInputMethodEvent::Attribute> &attributes)
{
    for (const QInputMethodEvent::Attribute &attribute : attributes) {
        if (attribute.type != QInputMethodEvent::Selection)
            continue;
        const std::int64_t start = m_store.Position(m_store.ParagraphAt(m_caret));
        const std::int64_t anchor = start + attribute.start;
        SetCaret(anchor);
        SetCaret(anchor + attribute.length, true);
    }
}

void TParagraphView::SetPreedit(const QString &text, const QList<QInputMethodEvent::Attribute> &attributes)
{
    m_layouts.erase(m_store.ParagraphAt(m_caret));
    m_preedit = text;
    m_preeditCaret = int(text.size());
    m_preeditFormats.clear();
    for (const QInputMethodEvent::Attribute &attribute : attributes) {
        if (attribute.type == QInputMethodEvent::Cursor)
            m_preeditCaret = attribute.length > 0 ? attribute.start : -1;
        const QTextCharFormat format = attribute.value.value<QTextFormat>().toCharFormat();
        if (attribute.type == QInputMethodEvent::TextFormat && format.isValid())
            m_preeditFormats << QTextLayout::FormatRange{attribute.start, attribute.length, format};
    }
    UpdateScrollBar();
    ShowCaret();
    viewport()->update();
    updateMicroFocus();
    RestartBlink();
}

void TParagraphView::DropPreedit()
{
    if (m_preedit.isEmpty())
        return;
    m_layouts.erase(m_store.ParagraphAt(m_caret));
    m_preedit.clear();
    m_preeditFormats.clear();
    m_preeditCaret = 0;
    viewport()->update();
}

// Asks the input method to commit what it composes (as QPlainTextEdit does before the
// caret moves away); what it keeps composing is dropped.
void TParagraphView::CommitPreedit()
{
    if (m_preedit.isEmpty())
        return;
    QGuiApplication::inputMethod()->commit();
    DropPreedit();
}

void TParagraphView::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    RestartBlink();
    viewport()->update();
}

void TParagraphView::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    if (event->reason() != Qt::PopupFocusReason)
        CommitPreedit();
    m_blink.stop();
    viewport()->update();
}

void TParagraphView::hideEvent(QHideEvent *event)
{
    QAbstractScrollArea::hideEvent(event);
    m_blink.stop();
}

// Shows the caret and starts its blinking afresh, as after every move.
void TParagraphView::RestartBlink()
{
    m_caretOn = true;
    const int flashTime = QGuiApplication::styleHints()->cursorFlashTime();
    if (hasFocus() && isVisible() && flashTime > 0)
        m_blink.start(flashTime / 2, this);
    else
        m_blink.stop();
}

void TParagraphView::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_blink.timerId())
        return QAbstractScrollArea::timerEvent(event);
    m_caretOn = !m_caretOn;
    viewport()->update(CaretRect().toAlignedRect().adjusted(-2, 0, 2, 0));
}

QMenu *TParagraphView::createStandardContextMenu()
{
    auto *menu = new QMenu(this);
    const bool editable = !m_readOnly;
    const bool selection = m_caret != m_anchor;
    connect(AddAction(*menu, "&Undo", QKeySequence::Undo, u"edit-undo"_s, editable && m_store.CanUndo()),
        &QAction::triggered, this, &TParagraphView::Undo);
    connect(AddAction(*menu, "&Redo", QKeySequence::Redo, u"edit-redo"_s, editable && m_store.CanRedo()),
        &QAction::triggered, this, &TParagraphView::Redo);
    menu->addSeparator();
    connect(AddAction(*menu, "Cu&t", QKeySequence::Cut, u"edit-cut"_s, editable && selection),
        &QAction::triggered, this, &TParagraphView::Cut);
    connect(AddAction(*menu, "&Copy", QKeySequence::Copy, u"edit-copy"_s, selection), &QAction::triggered,
        this, &TParagraphView::Copy);
    connect(AddAction(*menu, "&Paste", QKeySequence::Paste, u"edit-paste"_s, CanPaste()), &QAction::triggered,
        this, &TParagraphView::Paste);
    connect(AddAction(*menu, "Delete", QKeySequence::Delete, u"edit-delete"_s, editable && selection),
        &QAction::triggered, this, &TParagraphView::DeleteSelection);
    menu->addSeparator();
    connect(
        AddAction(*menu, "Select All", QKeySequence::SelectAll, u"edit-select-all"_s, m_store.Length() > 0),
        &QAction::triggered, this, &TParagraphView::SelectAll);
    return menu;
}

void TParagraphView::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void TParagraphView::dragEnterEvent(QDragEnterEvent *event)
{
    if (!m_readOnly && event->mimeData()->hasText())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TParagraphView::dragMoveEvent(QDragMoveEvent *event)
{
    if (!m_readOnly && event->mimeData()->hasText())
        event->acceptProposedAction();
    else
        event->ignore();
}

// Dropped text goes in where it was dropped.
void TParagraphView::dropEvent(QDropEvent *event)
{
    const QString text = event->mimeData()->text();
    if (m_readOnly || text.isEmpty()) {
        event->ignore();
        return;
    }
    SetCaret(PositionAt(event->position()));
    Insert(text);
    event->acceptProposedAction();
}

QRectF TParagraphView::CaretRect() const
{
    const TLine caret = CaretLine();
    if (caret < Top())
        return {};
    qreal y = TopY();
    for (qsizetype paragraph = FirstVisibleParagraph(); paragraph < caret.Paragraph; ++paragraph) {
        y += HeightOf(paragraph);
        if (y >= viewport()->height())
            return {};
    }
    const QTextLayout &layout = LayoutOf(caret.Paragraph);
    if (layout.lineCount() == 0)
        return QRectF(Margin, y, 1, QFontMetricsF(font()).height());
    const QTextLine line = layout.lineAt(caret.Line);
    return QRectF(Margin + line.cursorToX(CaretInLayout()), y + line.y(), 1, line.height());
}

QRectF TParagraphView::CharacterRect(std::int64_t position) const
{
    const qsizetype paragraph = m_store.ParagraphAt(position);
    if (paragraph < FirstVisibleParagraph())
        return {};
    qreal y = TopY();
    for (qsizetype shown = FirstVisibleParagraph(); shown < paragraph; ++shown) {
        y += HeightOf(shown);
        if (y >= viewport()->height())
            return {};
    }
    const QTextLayout &layout = LayoutOf(paragraph);
    const int column = int(position - m_store.Position(paragraph));
    if (layout.lineCount() == 0)
        return QRectF(Margin, y, 1, QFontMetricsF(font()).height());
    const QTextLine line = layout.lineForTextPosition(column);
    const qreal top = y + line.y();
    if (!line.isValid() || top + line.height() <= 0 || top >= viewport()->height())
        return {};
    const qreal x = line.cursorToX(column);
    const bool inLine = column < line.textStart() + line.textLength();
    const qreal width = inLine ? line.cursorToX(column + 1) - x : 1;
    return QRectF(Margin + x, top, std::max<qreal>(1, width), line.height());
}

// Columns and text are those of the caret's paragraph in the store: what is being composed
// is not part of them, but the caret's rectangle is the input method's caret in it.
QVariant TParagraphView::inputMethodQuery(Qt::InputMethodQuery query) const
{
    const qsizetype paragraph = m_store.ParagraphAt(m_caret);
    const std::int64_t start = m_store.Position(paragraph);
    const QStringView text = m_store.Text(paragraph);
    switch (query) {
    case Qt::ImEnabled:
        return !m_readOnly;
    case Qt::ImReadOnly:
        return m_readOnly;
    case Qt::ImHints:
        return int(Qt::ImhMultiLine);
    case Qt::ImCursorRectangle:
        return CaretRect().translated(viewport()->pos());
    case Qt::ImFont:
        return font();
    case Qt::ImCursorPosition:
        return int(m_caret - start);
    case Qt::ImAbsolutePosition:
        return qlonglong(m_caret);
    case Qt::ImAnchorPosition:
        return int(std::clamp<std::int64_t>(m_anchor - start, 0, text.size()));
    case Qt::ImSurroundingText:
        return text.toString();
    case Qt::ImTextBeforeCursor:
        return text.first(m_caret - start).toString();
    case Qt::ImTextAfterCursor:
        return text.sliced(m_caret - start).toString();
    case Qt::ImCurrentSelection:
        return SelectedText();
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}

int TParagraphView::LinesPerPage() const
{
    return std::max(1, int(viewport()->height() / QFontMetricsF(font()).height()) - 1);
}

TParagraphView::TLine TParagraphView::CaretLine() const
{
    const qsizetype paragraph = m_store.ParagraphAt(m_caret);
    const QTextLine line = LayoutOf(paragraph).lineForTextPosition(CaretInLayout());
    return {paragraph, std::max(0, line.isValid() ? line.lineNumber() : 0)};
}

// Moves the caret by lines as they are shown (a wrapped paragraph has several), aiming at
// the x where the vertical moves began, so that a short line on the way loses no column.
void TParagraphView::MoveByLines(int lines, bool keepAnchor)
{
    TLine line = CaretLine();
    const QTextLayout &before = LayoutOf(line.Paragraph);
    const int column = int(m_caret - m_store.Position(line.Paragraph));
    const qreal x = m_goalX >= 0  ? m_goalX
        : before.lineCount() == 0 ? 0
                                  : before.lineAt(line.Line).cursorToX(column);
    for (; lines > 0 && Next(line); --lines) { }
    for (; lines < 0 && Previous(line); ++lines) { }
    const QTextLayout &after = LayoutOf(line.Paragraph);
    const int to = after.lineCount() == 0 ? 0 : after.lineAt(line.Line).xToCursor(x);
    SetCaret(m_store.Position(line.Paragraph) + to, keepAnchor);
    m_goalX = x;
}

// Scrolls a screenful of lines and moves the caret as many, so that it keeps its place in
// the view unless the text ends first.
void TParagraphView::MoveByPage(int direction, bool keepAnchor)
{
    ScrollByLines(direction * LinesPerPage());
    MoveByLines(direction * LinesPerPage(), keepAnchor);
}

// Scrolls by shown lines, as many per notch as the platform asks (three as a rule).
void TParagraphView::wheelEvent(QWheelEvent *event)
{
    if (event->angleDelta().y() == 0) {
        event->ignore();
        return;
    }
    const int perLine = std::max(1, 120 / std::max(1, QGuiApplication::styleHints()->wheelScrollLines()));
    m_wheelRest += event->angleDelta().y();
    const int lines = m_wheelRest / perLine;
    m_wheelRest -= lines * perLine;
    ScrollByLines(-lines);
    event->accept();
}
