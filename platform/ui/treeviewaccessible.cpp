#include "platform/ui/treeviewaccessible.h"

#include <mutex>

#include <QAccessible>
#include <QLabel>
#include <QWidget>

namespace {

// Qt's own interface of the tree, which it makes only for its own classes, answers
// everything but the labels. The cache of interfaces then holds both: the tree's object
// leads to this one, and Qt's stays alive, unreached but by this one, until it goes.
class TTreeViewAccessible final : public QAccessibleInterface
{
public:
    explicit TTreeViewAccessible(QAccessibleInterface *qt)
        : m_qt(qt)
        , m_qtId(QAccessible::uniqueId(qt))
    { }
    ~TTreeViewAccessible() override { QAccessible::deleteAccessibleInterface(m_qtId); }

    QList<QPair<QAccessibleInterface *, QAccessible::Relation>> relations(
        QAccessible::Relation match) const override
    {
        auto relations = m_qt->relations(match);
        const auto *tree = qobject_cast<const QWidget *>(object());
        if (!(match & QAccessible::Label) || !tree || !tree->parentWidget())
            return relations;
        for (QLabel *label : tree->parentWidget()->findChildren<QLabel *>(Qt::FindDirectChildrenOnly)) {
            if (label->buddy() == tree)
                relations.append({QAccessible::queryAccessibleInterface(label), QAccessible::Label});
        }
        return relations;
    }

    bool isValid() const override { return m_qt->isValid(); }
    QObject *object() const override { return m_qt->object(); }
    QWindow *window() const override { return m_qt->window(); }
    QAccessibleInterface *focusChild() const override { return m_qt->focusChild(); }
    QAccessibleInterface *childAt(int x, int y) const override { return m_qt->childAt(x, y); }
    QAccessibleInterface *parent() const override { return m_qt->parent(); }
    QAccessibleInterface *child(int index) const override { return m_qt->child(index); }
    int childCount() const override { return m_qt->childCount(); }
    int indexOfChild(const QAccessibleInterface *child) const override { return m_qt->indexOfChild(child); }
    QString text(QAccessible::Text t) const override { return m_qt->text(t); }
    void setText(QAccessible::Text t, const QString &text) override { m_qt->setText(t, text); }
    QRect rect() const override { return m_qt->rect(); }
    QAccessible::Role role() const override { return m_qt->role(); }
    QAccessible::State state() const override { return m_qt->state(); }
    QColor foregroundColor() const override { return m_qt->foregroundColor(); }
    QColor backgroundColor() const override { return m_qt->backgroundColor(); }
    // The table, selection and other interfaces are Qt's own: the model changes reach
    // them there.
    void *interface_cast(QAccessible::InterfaceType type) override { return m_qt->interface_cast(type); }
    void virtual_hook(int id, void *data) override { m_qt->virtual_hook(id, data); }

private:
    QAccessibleInterface *m_qt;
    QAccessible::Id m_qtId;
};

QAccessibleInterface *Factory(const QString &className, QObject *object)
{
    static bool askingQt = false;
    if (askingQt || className != QLatin1StringView("TCustomTreeView") || !object || !object->isWidgetType())
        return nullptr;
    askingQt = true;
    QAccessibleInterface *qt = QAccessible::queryAccessibleInterface(object);
    askingQt = false;
    return qt ? new TTreeViewAccessible(qt) : nullptr;
}

} // namespace

void InstallTreeViewAccessibility()
{
    static std::once_flag installed;
    std::call_once(installed, [] { QAccessible::installFactory(Factory); });
}
