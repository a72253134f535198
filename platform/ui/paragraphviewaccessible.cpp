#include "platform/ui/paragraphviewaccessible.h"

#include <algorithm>
#include <mutex>

#include <QAccessibleWidget>
#include <QFontInfo>

#include "platform/ui/paragraphview.h"
#include "platform/ui/paragraphviewboundaries.h"

namespace {

// A font family as a value of a text attribute, its separators escaped.
QString AttributeValue(QString text)
{
    for (const QChar c : {u'\\', u':', u';', u',', u'='})
        text.replace(c, QStringLiteral("\\") + c);
    return text;
}

// Offsets are the store's positions: each paragraph break counts as one character, "\n".
class TParagraphViewAccessible final : public QAccessibleWidget,
                                       public QAccessibleTextInterface,
                                       public QAccessibleEditableTextInterface
{
public:
    explicit TParagraphViewAccessible(TParagraphView *view)
        : QAccessibleWidget(view, QAccessible::EditableText)
    { }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        if (type == QAccessible::EditableTextInterface && !View().ReadOnly())
            return static_cast<QAccessibleEditableTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.editable = !View().ReadOnly();
        state.readOnly = View().ReadOnly();
        state.multiLine = true;
        state.selectableText = true;
        return state;
    }

    void selection(int selectionIndex, int *startOffset, int *endOffset) const override
    {
        *startOffset = *endOffset = 0;
        if (selectionIndex != 0 || View().Caret() == View().Anchor())
            return;
        *startOffset = int(std::min(View().Caret(), View().Anchor()));
        *endOffset = int(std::max(View().Caret(), View().Anchor()));
    }
    int selectionCount() const override { return View().Caret() == View().Anchor() ? 0 : 1; }
    void addSelection(int startOffset, int endOffset) override { setSelection(0, startOffset, endOffset); }
    void removeSelection(int) override { View().SetCaret(View().Caret()); }
    void setSelection(int, int startOffset, int endOffset) override
    {
        View().SetCaret(startOffset);
        View().SetCaret(endOffset, true);
    }
    int cursorPosition() const override { return int(View().Caret()); }
    void setCursorPosition(int position) override { View().SetCaret(position); }
    QString text(int startOffset, int endOffset) const override
    {
        return View().Store().Slice(startOffset, endOffset);
    }
    int characterCount() const override { return int(View().Store().Length()); }
    // Both in screen coordinates.
    QRect characterRect(int offset) const override
    {
        const QRectF box = View().CharacterRect(offset);
        if (box.isEmpty())
            return {};
        return box.translated(View().viewport()->mapToGlobal(QPoint(0, 0))).toAlignedRect();
    }
    int offsetAtPoint(const QPoint &point) const override
    {
        const QPoint inView = View().viewport()->mapFromGlobal(point);
        if (!View().viewport()->rect().contains(inView))
            return -1;
        return int(View().PositionAt(inView));
    }
    void scrollToSubstring(int startIndex, int) override { View().SetCaret(startIndex); }

    // Qt's own answers read the whole text for each question and, at a boundary that
    // starts no item (as at the start of " \n"), never end; these look at a paragraph.
    QString textBeforeOffset(
        int offset, QAccessible::TextBoundaryType type, int *start, int *end) const override
    {
        if (type == QAccessible::NoBoundary)
            return Answer({}, start, end);
        return Answer(Items(type).Before(Offset(offset)), start, end);
    }
    QString textAfterOffset(
        int offset, QAccessible::TextBoundaryType type, int *start, int *end) const override
    {
        if (type == QAccessible::NoBoundary)
            return Answer({}, start, end);
        return Answer(Items(type).After(Offset(offset)), start, end);
    }
    QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int *start, int *end) const override
    {
        if (type == QAccessible::NoBoundary)
            return Answer({0, View().Store().Length()}, start, end);
        return Answer(Items(type).At(Offset(offset)), start, end);
    }

    // A run is a paragraph with its break: the view's font, bold in a heading.
    QString attributes(int offset, int *startOffset, int *endOffset) const override
    {
        const TParagraphStore &store = View().Store();
        *startOffset = *endOffset = -1;
        const std::int64_t at = Offset(offset);
        if (at < 0 || at > store.Length())
            return {};
        const qsizetype paragraph = store.ParagraphAt(at);
        const std::int64_t start = store.Position(paragraph);
        const bool broken = paragraph + 1 < store.Count();
        *startOffset = int(start);
        *endOffset = int(start + store.Text(paragraph).size() + (broken ? 1 : 0));
        const QFont font = View().font();
        const QFontInfo shown(font);
        // The size asked for, as the font dialog shows it; one given in pixels, as drawn.
        const qreal points = font.pointSizeF() > 0 ? font.pointSizeF() : shown.pointSizeF();
        const int weight = store.Bold(paragraph) ? std::max<int>(font.weight(), QFont::Bold) : font.weight();
        QString attributes = QStringLiteral("font-family:%1;font-size:%2pt;font-weight:%3;font-style:%4;")
                                 .arg(AttributeValue(shown.family()), QString::number(points),
                                     QString::number(weight), shown.italic() ? u"italic" : u"normal");
        if (font.underline())
            attributes += u"text-underline-type:single;";
        return attributes;
    }

    // The edits of assistive technologies, each a step of the history as the person's own
    // are; a read-only view refuses them (and offers no editable text).
    void deleteText(int startOffset, int endOffset) override { replaceText(startOffset, endOffset, {}); }
    void insertText(int offset, const QString &text) override { replaceText(offset, offset, text); }
    void replaceText(int startOffset, int endOffset, const QString &text) override
    {
        if (View().ReadOnly())
            return;
        View().SetCaret(startOffset);
        View().SetCaret(endOffset, true);
        View().Insert(text);
    }

private:
    TParagraphView &View() const { return *static_cast<TParagraphView *>(widget()); }

    // -1 is the end of the text.
    std::int64_t Offset(int offset) const { return offset == -1 ? View().Store().Length() : offset; }

    TTextItems Items(QAccessible::TextBoundaryType type) const
    {
        if (type != QAccessible::LineBoundary)
            return TTextItems(View().Store(), type);
        const TParagraphView &view = View();
        return TTextItems(
            view.Store(), type, [&view](qsizetype paragraph) { return view.LineStarts(paragraph); });
    }

    QString Answer(TTextItem item, int *start, int *end) const
    {
        *start = int(item.Start);
        *end = int(item.End);
        return item.Start < 0 ? QString() : View().Store().Slice(item.Start, item.End);
    }
};

QAccessibleInterface *Factory(const QString &className, QObject *object)
{
    if (className == QLatin1StringView("TParagraphView") && object && object->isWidgetType())
        return new TParagraphViewAccessible(static_cast<TParagraphView *>(object));
    return nullptr;
}

} // namespace

void InstallParagraphViewAccessibility()
{
    static std::once_flag installed;
    std::call_once(installed, [] { QAccessible::installFactory(Factory); });
}
