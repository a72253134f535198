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
#include <QScrollBar>
#include <QTextBoundaryFinder>
#include <QTextOption>

#include "platform/ui/paragraphviewaccessible.h"

namespace {

// Half an inch in the 96-dpi units that Qt measures tab stops in.
constexpr qreal TabStopDistance = 48;
// The room between the text and the viewport's edges, as QPlainTextEdit leaves it.
constexpr qreal Margin = 4;

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
    UpdateScrollBar();
}

TParagraphView::~TParagraphView() = default;

void TParagraphView::StoreChanged()
{
    UpdateScrollBar();
    viewport()->update();
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

void TParagraphView::ForgetLayouts()
{
    m_layouts.clear();
    m_layoutRevision = m_store.Revision();
}

QTextLayout &TParagraphView::LayoutOf(qsizetype paragraph)
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
    if (m_store.Bold(paragraph) && !m_store.Text(paragraph).isEmpty()) {
        QTextLayout::FormatRange bold;
        bold.start = 0;
        bold.length = int(m_store.Text(paragraph).size());
        bold.format.setFontWeight(QFont::Bold);
        slot->setFormats({bold});
    }
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

qreal TParagraphView::HeightOf(qsizetype paragraph)
{
    const QTextLayout &layout = LayoutOf(paragraph);
    return layout.lineCount() == 0 ? 0 : layout.boundingRect().height();
}

// Drops the layouts outside first..last.
void TParagraphView::KeepOnly(qsizetype first, qsizetype last)
{
    m_layouts.erase(m_layouts.begin(), m_layouts.lower_bound(first));
    m_layouts.erase(m_layouts.upper_bound(last), m_layouts.end());
}

void TParagraphView::UpdateScrollBar()
{
    // The first paragraph of the last screenful: the paragraphs after it fill the view.
    const qreal room = viewport()->height() - 2 * Margin;
    qsizetype first = m_store.Count() - 1;
    for (qreal used = HeightOf(first); first > 0;) {
        const qreal height = HeightOf(first - 1);
        if (used + height > room)
            break;
        used += height;
        --first;
    }
    KeepOnly(first, m_store.Count() - 1);
    QScrollBar *bar = verticalScrollBar();
    bar->setRange(0, int(std::min<qsizetype>(first, std::numeric_limits<int>::max())));
    bar->setPageStep(std::max(1, int(m_store.Count() - first)));
    bar->setSingleStep(1);
    horizontalScrollBar()->setRange(0, 0);
}

void TParagraphView::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Text));
    const qsizetype first = FirstVisibleParagraph();
    qsizetype paragraph = first;
    const qsizetype caretParagraph = m_store.ParagraphAt(m_caret);
    for (qreal y = Margin; paragraph < m_store.Count() && y < viewport()->height(); ++paragraph) {
        QTextLayout &layout = LayoutOf(paragraph);
        layout.draw(&painter, QPointF(Margin, y), SelectionIn(paragraph));
        if (paragraph == caretParagraph && hasFocus())
            layout.drawCursor(&painter, QPointF(Margin, y), int(m_caret - m_store.Position(paragraph)));
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
    range.start = int(from - start);
    range.length = int(to - from);
    range.format.setBackground(palette().brush(QPalette::Highlight));
    range.format.setForeground(palette().brush(QPalette::HighlightedText));
    return {range};
}

void TParagraphView::SetCaret(std::int64_t position, bool keepAnchor)
{
    m_caret = std::clamp<std::int64_t>(position, 0, m_store.Length());
    if (!keepAnchor)
        m_anchor = m_caret;
    m_store.CloseEditStep();
    ShowCaret();
    viewport()->update();
}

// The last paragraph whose every line is in sight (the first shown if none is).
qsizetype TParagraphView::LastWholeParagraphShown()
{
    const qsizetype first = FirstVisibleParagraph();
    qsizetype last = first;
    for (qreal y = Margin + HeightOf(first); last + 1 < m_store.Count();) {
        y += HeightOf(last + 1);
        if (y > viewport()->height())
            break;
        ++last;
    }
    return last;
}

// Scrolls the least that brings the caret's paragraph into sight.
void TParagraphView::ShowCaret()
{
    QScrollBar *bar = verticalScrollBar();
    const qsizetype paragraph = m_store.ParagraphAt(m_caret);
    if (paragraph < bar->value()) {
        bar->setValue(int(paragraph));
        return;
    }
    if (paragraph <= LastWholeParagraphShown())
        return;
    // The caret's paragraph at the bottom, with as many before it as fit above.
    const qreal room = viewport()->height() - 2 * Margin;
    qsizetype first = paragraph;
    for (qreal used = HeightOf(paragraph); first > 0 && used + HeightOf(first - 1) <= room; --first)
        used += HeightOf(first - 1);
    bar->setValue(int(first));
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

void TParagraphView::Copy() const
{
    if (m_caret != m_anchor)
        QGuiApplication::clipboard()->setText(SelectedText());
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
    const std::int64_t end = m_store.Replace(m_anchor, m_caret, text, kind);
    m_caret = m_anchor = end;
    StoreChanged();
    ShowCaret();
}

void TParagraphView::DeleteOne(bool forward)
{
    if (m_caret == m_anchor) {
        const std::int64_t other = forward ? m_caret + 1 : m_caret - 1;
        if (other < 0 || other > m_store.Length())
            return;
        m_anchor = other;
    }
    Insert(u"", TParagraphStore::TEditKind::Deleting);
}

void TParagraphView::Undo()
{
    if (m_readOnly)
        return;
    const std::int64_t caret = m_store.Undo();
    if (caret >= 0) {
        m_caret = m_anchor = caret;
        StoreChanged();
        ShowCaret();
    }
}

void TParagraphView::Redo()
{
    if (m_readOnly)
        return;
    const std::int64_t caret = m_store.Redo();
    if (caret >= 0) {
        m_caret = m_anchor = caret;
        StoreChanged();
        ShowCaret();
    }
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
    else if (event == QKeySequence::Redo)
        Redo();
    else
        return Edit(event);
    return true;
}

// The keys that edit at the caret; a read-only view takes them and does nothing.
bool TParagraphView::Edit(QKeyEvent *event)
{
    const int key = event->key();
    if (key != Qt::Key_Backspace && key != Qt::Key_Delete && key != Qt::Key_Return && key != Qt::Key_Enter)
        return false;
    if (m_readOnly)
        return true;
    if (key == Qt::Key_Backspace || key == Qt::Key_Delete)
        DeleteOne(key == Qt::Key_Delete);
    else
        Insert(u"\n");
    return true;
}

bool TParagraphView::Move(QKeyEvent *event)
{
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool control = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_Left:
        SetCaret(m_caret - 1, shift);
        return true;
    case Qt::Key_Right:
        SetCaret(m_caret + 1, shift);
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
        SetCaret(control ? 0 : m_store.Position(m_store.ParagraphAt(m_caret)), shift);
        return true;
    case Qt::Key_End: {
        const qsizetype paragraph = m_store.ParagraphAt(m_caret);
        SetCaret(
            control ? m_store.Length() : m_store.Position(paragraph) + m_store.Text(paragraph).size(), shift);
        return true;
    }
    default:
        return false;
    }
}

void TParagraphView::keyPressEvent(QKeyEvent *event)
{
    if (Command(event) || Move(event))
        return;
    const QString text = event->text();
    if (!m_readOnly && !text.isEmpty() && text.at(0).isPrint()) {
        Insert(text, TParagraphStore::TEditKind::Typing);
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

// The position in the text nearest to a point of the viewport.
std::int64_t TParagraphView::PositionAt(QPointF point)
{
    qreal y = Margin;
    for (qsizetype paragraph = FirstVisibleParagraph(); paragraph < m_store.Count(); ++paragraph) {
        const qreal height = HeightOf(paragraph);
        if (point.y() < y + height || paragraph + 1 == m_store.Count()) {
            const QTextLayout &layout = LayoutOf(paragraph);
            int i = 0;
            while (i + 1 < layout.lineCount()
                && point.y() >= y + layout.lineAt(i).y() + layout.lineAt(i).height())
                ++i;
            const int column = layout.lineCount() == 0 ? 0 : layout.lineAt(i).xToCursor(point.x() - Margin);
            return m_store.Position(paragraph) + column;
        }
        y += height;
    }
    return m_store.Length();
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
    SetCaret(PositionAt(event->position()), event->modifiers() & Qt::ShiftModifier);
}

void TParagraphView::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() & Qt::LeftButton)
        SetCaret(PositionAt(event->position()), true);
}

void TParagraphView::mouseReleaseEvent(QMouseEvent *event)
{
    // The press placed the caret and the moves the selection: the release ends the drag.
    event->setAccepted(event->button() == Qt::LeftButton);
}

void TParagraphView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        SelectWordAt(PositionAt(event->position()));
}

void TParagraphView::inputMethodEvent(QInputMethodEvent *event)
{
    // Text being composed is not shown; what the input method commits goes in at the caret.
    if (!m_readOnly && !event->commitString().isEmpty())
        Insert(event->commitString(), TParagraphStore::TEditKind::Typing);
    event->accept();
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
    const qsizetype caretParagraph = m_store.ParagraphAt(m_caret);
    qreal y = Margin;
    for (qsizetype paragraph = FirstVisibleParagraph(); paragraph <= caretParagraph; ++paragraph) {
        if (y >= viewport()->height())
            return {};
        const auto found = m_layouts.find(paragraph);
        if (found == m_layouts.end())
            return {}; // not painted yet
        const QTextLayout &layout = *found->second;
        if (paragraph == caretParagraph) {
            const QTextLine line = layout.lineForTextPosition(int(m_caret - m_store.Position(paragraph)));
            if (!line.isValid())
                return QRectF(Margin, y, 1, QFontMetricsF(font()).height());
            const qreal x = line.cursorToX(int(m_caret - m_store.Position(paragraph)));
            return QRectF(Margin + x, y + line.y(), 1, line.height());
        }
        y += layout.boundingRect().height();
    }
    return {};
}

QVariant TParagraphView::inputMethodQuery(Qt::InputMethodQuery query) const
{
    const qsizetype paragraph = m_store.ParagraphAt(m_caret);
    const std::int64_t start = m_store.Position(paragraph);
    switch (query) {
    case Qt::ImEnabled:
        return true;
    case Qt::ImCursorRectangle:
        return CaretRect();
    case Qt::ImFont:
        return font();
    case Qt::ImCursorPosition:
        return int(m_caret - start);
    case Qt::ImAnchorPosition:
        return int(std::clamp<std::int64_t>(m_anchor - start, 0, m_store.Text(paragraph).size()));
    case Qt::ImSurroundingText:
        return m_store.Text(paragraph).toString();
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

// Moves the caret by lines as they are shown (a wrapped paragraph has several), keeping
// its distance from the left edge.
void TParagraphView::MoveByLines(int lines, bool keepAnchor)
{
    qsizetype paragraph = m_store.ParagraphAt(m_caret);
    const int column = int(m_caret - m_store.Position(paragraph));
    const QTextLayout *layout = &LayoutOf(paragraph);
    int line = std::max(0, layout->lineForTextPosition(column).lineNumber());
    const qreal x = layout->lineCount() == 0 ? 0 : layout->lineAt(line).cursorToX(column);
    for (; lines > 0; --lines) {
        if (line + 1 < layout->lineCount())
            ++line;
        else if (paragraph + 1 < m_store.Count()) {
            layout = &LayoutOf(++paragraph);
            line = 0;
        } else {
            break;
        }
    }
    for (; lines < 0; ++lines) {
        if (line > 0)
            --line;
        else if (paragraph > 0) {
            layout = &LayoutOf(--paragraph);
            line = std::max(0, layout->lineCount() - 1);
        } else {
            break;
        }
    }
    const int to = layout->lineCount() == 0 ? 0 : layout->lineAt(line).xToCursor(x);
    SetCaret(m_store.Position(paragraph) + to, keepAnchor);
}

// Moves the caret a screenful of lines and scrolls the view along by as many paragraphs.
void TParagraphView::MoveByPage(int direction, bool keepAnchor)
{
    const qsizetype before = m_store.ParagraphAt(m_caret);
    QScrollBar *bar = verticalScrollBar();
    const int value = bar->value();
    MoveByLines(direction * LinesPerPage(), keepAnchor);
    bar->setValue(int(value + m_store.ParagraphAt(m_caret) - before));
    ShowCaret();
}
