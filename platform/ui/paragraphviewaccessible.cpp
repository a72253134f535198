#include "platform/ui/paragraphviewaccessible.h"

#include <algorithm>
#include <mutex>

#include <QAccessibleWidget>

#include "platform/ui/paragraphview.h"

namespace {

// Offsets are the store's positions: each paragraph break counts as one character, "\n".
class TParagraphViewAccessible final : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit TParagraphViewAccessible(TParagraphView *view)
        : QAccessibleWidget(view, QAccessible::EditableText)
    { }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
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
    QString attributes(int offset, int *startOffset, int *endOffset) const override
    {
        *startOffset = *endOffset = offset;
        return {};
    }

private:
    TParagraphView &View() const { return *static_cast<TParagraphView *>(widget()); }
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
