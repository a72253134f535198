#include "platform/ui/treeview.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QIconEngine>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QSignalBlocker>

#include "platform/system/qtext.h"
#include "platform/ui/application.h"
#include "platform/ui/imagelist.h"
#include "platform/ui/treeviewaccessible.h"

namespace {

// The comparison of the sort that runs at the moment: QTreeWidget sorts through
// QTreeWidgetItem::operator<, which has no room for one of its own.
struct TActiveSort
{
    const TTVCompare *Compare = nullptr;
    TTVSortData Data = 0;
};
TActiveSort g_activeSort;

} // namespace

// ---- TTreeNode ------------------------------------------------------------------------

TTreeNode::~TTreeNode()
{
    // Qt detaches the children from the view before it deletes them, so the whole
    // subtree gets its notices now, while every node still knows its tree.
    if (TCustomTreeView *tree = TreeView())
        tree->NotifySubtreeDeleting(this);
}

TCustomTreeView *TTreeNode::TreeView() const
{
    return static_cast<TCustomTreeView *>(treeWidget());
}

std::string TTreeNode::Text() const
{
    return text(0).toStdString();
}

void TTreeNode::SetText(const std::string &text)
{
    setText(0, ToQString(text));
}

void TTreeNode::SetImageIndex(int index)
{
    if (index == m_imageIndex)
        return;
    m_imageIndex = index;
    UpdateIcon();
}

void TTreeNode::SetSelectedIndex(int index)
{
    if (index == m_selectedIndex)
        return;
    m_selectedIndex = index;
    UpdateIcon();
}

void TTreeNode::SetOverlayIndex(int index)
{
    if (index == m_overlayIndex)
        return;
    m_overlayIndex = index;
    UpdateIcon();
}

void TTreeNode::UpdateIcon()
{
    TCustomTreeView *tree = TreeView();
    if (!tree || !tree->Images()) {
        if (!icon(0).isNull())
            setIcon(0, QIcon());
        return;
    }
    setIcon(0, tree->NodeIcon(m_imageIndex, m_selectedIndex, m_overlayIndex));
}

void TTreeNode::SetHasChildren(bool hasChildren)
{
    m_hasChildren = hasChildren;
    setChildIndicatorPolicy(hasChildren ? ShowIndicator : DontShowIndicator);
}

void TTreeNode::Expand(bool recursive)
{
    if (TCustomTreeView *tree = TreeView())
        tree->ExpandNode(this, recursive);
}

void TTreeNode::ShowExpanded()
{
    // The tree's expansion signals lead to the hooks: they stay quiet meanwhile.
    const QSignalBlocker quiet(treeWidget());
    setExpanded(true);
}

void TTreeNode::Collapse(bool recursive)
{
    setExpanded(false);
    if (recursive) {
        for (int i = 0; i < Count(); ++i)
            Item(i)->Collapse(true);
    }
}

TTreeNode *TTreeNode::Parent() const
{
    return static_cast<TTreeNode *>(parent());
}

TTreeNode *TTreeNode::Item(int index) const
{
    return static_cast<TTreeNode *>(child(index));
}

int TTreeNode::Level() const
{
    int level = 0;
    for (QTreeWidgetItem *owner = parent(); owner; owner = owner->parent())
        ++level;
    return level;
}

bool TTreeNode::Selected() const
{
    const TCustomTreeView *tree = TreeView();
    return tree && tree->Selected() == this;
}

void TTreeNode::MakeVisible()
{
    if (QTreeWidget *tree = treeWidget()) {
        for (QTreeWidgetItem *owner = parent(); owner; owner = owner->parent())
            owner->setExpanded(true);
        tree->scrollToItem(this);
    }
}

void TTreeNode::DeleteChildren()
{
    TCustomTreeView *tree = TreeView();
    if (tree) {
        for (int i = 0; i < Count(); ++i)
            tree->NotifySubtreeDeleting(Item(i));
    }
    // Taken out of the tree, the children get no second notice from their destructors.
    qDeleteAll(takeChildren());
}

void TTreeNode::Delete()
{
    delete this;
}

bool TTreeNode::operator<(const QTreeWidgetItem &other) const
{
    if (g_activeSort.Compare) {
        return (*g_activeSort.Compare)(const_cast<TTreeNode *>(this),
                   static_cast<TTreeNode *>(const_cast<QTreeWidgetItem *>(&other)), g_activeSort.Data)
            < 0;
    }
    return QTreeWidgetItem::operator<(other);
}

// ---- TCustomTreeView ------------------------------------------------------------------

namespace {

// Shows one icon normally and another where the view draws the item as selected.
class TNodeIconEngine final : public QIconEngine
{
public:
    TNodeIconEngine(QIcon normal, QIcon selected)
        : m_normal(std::move(normal))
        , m_selected(std::move(selected))
    { }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        Pick(mode).paint(painter, rect, Qt::AlignCenter, QIcon::Normal, state);
    }

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return Pick(mode).pixmap(size, QIcon::Normal, state);
    }

    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return Pick(mode).actualSize(size, QIcon::Normal, state);
    }

    QIconEngine *clone() const override { return new TNodeIconEngine(m_normal, m_selected); }
    QString key() const override { return QStringLiteral("vantrel-node"); }

private:
    const QIcon &Pick(QIcon::Mode mode) const { return mode == QIcon::Selected ? m_selected : m_normal; }

    QIcon m_normal;
    QIcon m_selected;
};

} // namespace

TCustomTreeView::TCustomTreeView(QWidget *parent)
    : QTreeWidget(parent)
{
    setColumnCount(1);
    setHeaderHidden(true);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // The one column is the row; Qt's accessible tree selects rows by their place among
    // their siblings, which picks a wrong node below the top level, but items rightly.
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setUniformRowHeights(true);
    // Only F2 (or a menu's Rename) edits a label: a second click on the selected node never
    // does, so that type-ahead typed after it cannot rename a folder by accident.
    setEditTriggers(QAbstractItemView::EditKeyPressed);
    setMouseTracking(true);
    setAnimated(false);
    connect(this, &QTreeWidget::itemExpanded, this, &TCustomTreeView::ItemExpanded);
    connect(this, &QTreeWidget::itemCollapsed, this, &TCustomTreeView::ItemCollapsed);
    connect(this, &QTreeWidget::currentItemChanged, this, &TCustomTreeView::CurrentChanged);
    InstallTreeViewAccessibility();
}

TCustomTreeView::~TCustomTreeView()
{
    // Descendants are gone by now: notices would reach no handler of theirs.
    m_destroying = true;
    blockSignals(true);
    clear();
}

TTreeNode *TCustomTreeView::AddChild(TTreeNode *parent, const std::string &caption)
{
    auto *node = new TTreeNode();
    node->setText(0, ToQString(caption));
    node->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
    if (m_checkboxes)
        node->setCheckState(0, Qt::Unchecked);
    if (!m_readOnly)
        node->setFlags(node->flags() | Qt::ItemIsEditable);
    if (parent) {
        parent->addChild(node);
        if (!parent->m_hasChildren)
            parent->SetHasChildren(true);
    } else {
        addTopLevelItem(node);
    }
    return node;
}

TTreeNode *TCustomTreeView::TopItem(int index) const
{
    return static_cast<TTreeNode *>(topLevelItem(index));
}

void TCustomTreeView::ClearNodes()
{
    for (int i = 0; i < topLevelItemCount(); ++i)
        NotifySubtreeDeleting(TopItem(i));
    // Qt detaches the nodes before deleting them, so they give no second notice.
    clear();
}

TTreeNode *TCustomTreeView::Selected() const
{
    return static_cast<TTreeNode *>(currentItem());
}

void TCustomTreeView::SetSelected(TTreeNode *node)
{
    if (node)
        setCurrentItem(node);
    else
        setCurrentItem(nullptr);
}

TTreeNode *TCustomTreeView::NodeAt(const QPoint &clientPoint) const
{
    return static_cast<TTreeNode *>(itemAt(clientPoint));
}

QPoint TCustomTreeView::ClientToScreen(const QPoint &clientPoint) const
{
    return viewport()->mapToGlobal(clientPoint);
}

int TCustomTreeView::NodeCount() const
{
    int count = 0;
    ForEachNode([&count](TTreeNode *) { ++count; });
    return count;
}

namespace {

void VisitSubtree(TTreeNode *node, const std::function<void(TTreeNode *)> &visit)
{
    visit(node);
    for (int i = 0; i < node->Count(); ++i)
        VisitSubtree(node->Item(i), visit);
}

} // namespace

void TCustomTreeView::ForEachNode(const std::function<void(TTreeNode *)> &visit) const
{
    for (int i = 0; i < TopCount(); ++i)
        VisitSubtree(TopItem(i), visit);
}

void TCustomTreeView::BeginUpdate()
{
    if (m_updateCount++ == 0)
        setUpdatesEnabled(false);
}

void TCustomTreeView::EndUpdate()
{
    if (m_updateCount > 0 && --m_updateCount == 0)
        setUpdatesEnabled(true);
}

bool TCustomTreeView::SortChildren(
    TTreeNode *parent, const TTVCompare &compare, TTVSortData data, bool recursive)
{
    if (!compare)
        return false;
    const QScopedValueRollback activeSort(g_activeSort, TActiveSort{&compare, data});
    QTreeWidgetItem *owner = parent ? static_cast<QTreeWidgetItem *>(parent) : invisibleRootItem();
    if (owner->childCount() > 1)
        owner->sortChildren(0, Qt::AscendingOrder);
    if (recursive) {
        for (int i = 0; i < owner->childCount(); ++i)
            SortChildren(static_cast<TTreeNode *>(owner->child(i)), compare, data, true);
    }
    return true;
}

void TCustomTreeView::SetReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    ForEachNode([readOnly](TTreeNode *node) {
        node->setFlags(readOnly ? node->flags() & ~Qt::ItemIsEditable : node->flags() | Qt::ItemIsEditable);
    });
}

void TCustomTreeView::SetCheckboxes(bool checkboxes)
{
    if (checkboxes == m_checkboxes)
        return;
    m_checkboxes = checkboxes;
    RecreateWnd();
    ForEachNode([this](TTreeNode *node) { ApplyCheckbox(node); });
}

void TCustomTreeView::ApplyCheckbox(TTreeNode *node) const
{
    if (m_checkboxes)
        node->setCheckState(0, Qt::Unchecked);
    else
        node->setData(0, Qt::CheckStateRole, QVariant());
}

bool TCustomTreeView::Checked(const TTreeNode *node) const
{
    return m_checkboxes && node && node->checkState(0) == Qt::Checked;
}

void TCustomTreeView::SetImages(TImageList *images)
{
    m_images = images;
    RefreshIcons();
}

void TCustomTreeView::RefreshIcons()
{
    m_icons.clear();
    ForEachNode([](TTreeNode *node) { node->UpdateIcon(); });
}

QIcon TCustomTreeView::NodeIcon(int image, int selected, int overlay)
{
    if (!m_images)
        return {};
    const qint64 key
        = (qint64(image & 0xFFFFFF) << 32) | (qint64(selected & 0xFFFFFF) << 8) | (overlay & 0xFF);
    auto found = m_icons.constFind(key);
    if (found == m_icons.cend()) {
        const QIcon normal = m_images->Icon(image, overlay);
        QIcon icon = image == selected
            ? normal
            : QIcon(new TNodeIconEngine(normal, m_images->Icon(selected, overlay)));
        found = m_icons.insert(key, icon);
    }
    return found.value();
}

void TCustomTreeView::SetColor(unsigned color)
{
    QPalette colours = palette();
    colours.setColor(QPalette::Base, QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF));
    setPalette(colours);
}

unsigned TCustomTreeView::Color() const
{
    const QColor colour = palette().color(QPalette::Base);
    return unsigned(colour.red()) | (unsigned(colour.green()) << 8) | (unsigned(colour.blue()) << 16);
}

void TCustomTreeView::EditLabel(TTreeNode *node)
{
    if (node)
        editItem(node, 0);
}

void TCustomTreeView::ScrollLine(Qt::Orientation orientation, int lines)
{
    QScrollBar *bar = orientation == Qt::Vertical ? verticalScrollBar() : horizontalScrollBar();
    bar->setValue(bar->value() + lines * bar->singleStep());
}

bool TCustomTreeView::ScrollBarHasRange(Qt::Orientation orientation) const
{
    const QScrollBar *bar = orientation == Qt::Vertical ? verticalScrollBar() : horizontalScrollBar();
    return bar->minimum() != bar->maximum();
}

void TCustomTreeView::EndLoading()
{
    if (!m_loading)
        return;
    m_loading = false;
    Loaded();
}

void TCustomTreeView::HandleNeeded()
{
    if (!m_handleAllocated)
        CreateWnd();
}

void TCustomTreeView::RecreateWnd()
{
    if (!m_handleAllocated)
        return;
    DestroyWnd();
    CreateWnd();
}

void TCustomTreeView::CreateWnd()
{
    m_handleAllocated = true;
}

void TCustomTreeView::DestroyWnd()
{
    m_handleAllocated = false;
}

// ---- Hooks ----------------------------------------------------------------------------

bool TCustomTreeView::CanExpand(TTreeNode *node)
{
    bool allow = true;
    if (OnExpanding)
        OnExpanding(this, node, allow);
    return allow;
}

void TCustomTreeView::Expand(TTreeNode *node)
{
    if (OnExpanded)
        OnExpanded(this, node);
}

void TCustomTreeView::Collapse(TTreeNode *node)
{
    if (OnCollapsed)
        OnCollapsed(this, node);
}

void TCustomTreeView::Change(TTreeNode *node)
{
    if (OnChange)
        OnChange(this, node);
}

void TCustomTreeView::Delete(TTreeNode *node)
{
    if (OnDeletion)
        OnDeletion(this, node);
}

bool TCustomTreeView::CanEdit(TTreeNode *node)
{
    bool allow = true;
    if (OnEditing)
        OnEditing(this, node, allow);
    return allow;
}

bool TCustomTreeView::EditFinished(TTreeNode *, const std::string &text)
{
    return !text.empty();
}

void TCustomTreeView::MouseMove(int, int)
{ }

bool TCustomTreeView::RightButtonUp(const QPoint &)
{
    return false;
}

void TCustomTreeView::Click()
{
    if (OnClick)
        OnClick(this);
}

void TCustomTreeView::SysColorChange()
{
    RefreshIcons();
}

// ---- Qt's side ------------------------------------------------------------------------

void TCustomTreeView::ExpandNode(TTreeNode *node, bool recursive)
{
    if (!node->Expanded() && (node->HasChildren() || node->Count() > 0)) {
        std::exception_ptr failure;
        std::exception_ptr *const saved = std::exchange(m_expandFailure, &failure);
        node->setExpanded(true);
        m_expandFailure = saved;
        if (failure)
            std::rethrow_exception(failure);
    }
    if (recursive) {
        for (int i = 0; i < node->Count(); ++i)
            ExpandNode(node->Item(i), true);
    }
}

void TCustomTreeView::ItemExpanded(QTreeWidgetItem *item)
{
    if (m_refusing)
        return;
    auto *node = static_cast<TTreeNode *>(item);
    std::exception_ptr *const failure = std::exchange(m_expandFailure, nullptr);
    bool allowed = false;
    try {
        allowed = CanExpand(node);
        if (allowed)
            Expand(node);
    } catch (...) {
        if (failure)
            *failure = std::current_exception();
        else
            Guarded([] { throw; });
    }
    m_expandFailure = failure;
    if (!allowed) {
        m_refusing = true;
        item->setExpanded(false);
        m_refusing = false;
    }
}

void TCustomTreeView::ItemCollapsed(QTreeWidgetItem *item)
{
    if (m_refusing)
        return;
    Guarded([this, item] { Collapse(static_cast<TTreeNode *>(item)); });
}

void TCustomTreeView::CurrentChanged(QTreeWidgetItem *current, QTreeWidgetItem *)
{
    if (m_destroying)
        return;
    Guarded([this, current] { Change(static_cast<TTreeNode *>(current)); });
}

// The tree has one selected node, the current item. An item selected without becoming
// current (as assistive technologies select an item) becomes the selected node.
void TCustomTreeView::selectionChanged(const QItemSelection &selected, const QItemSelection &deselected)
{
    QTreeWidget::selectionChanged(selected, deselected);
    const QModelIndexList indexes = selected.indexes();
    if (indexes.isEmpty())
        return;
    const QModelIndex item = indexes.first().siblingAtColumn(0);
    if (item != currentIndex().siblingAtColumn(0))
        selectionModel()->setCurrentIndex(item, QItemSelectionModel::NoUpdate);
}

void TCustomTreeView::NodeDeleting(TTreeNode *node)
{
    if (m_destroying)
        return;
    if (node == m_editingNode)
        m_editingNode = nullptr;
    Guarded([this, node] { Delete(node); });
}

void TCustomTreeView::NotifySubtreeDeleting(TTreeNode *node)
{
    NodeDeleting(node);
    for (int i = 0; i < node->Count(); ++i)
        NotifySubtreeDeleting(node->Item(i));
}

void TCustomTreeView::showEvent(QShowEvent *event)
{
    QTreeWidget::showEvent(event);
    Guarded([this] { HandleNeeded(); });
}

void TCustomTreeView::changeEvent(QEvent *event)
{
    QTreeWidget::changeEvent(event);
    // A new palette reaches a widget as PaletteChange (ApplicationPaletteChange never
    // comes here); the icons follow it. A change of the desktop's theme is a colour
    // change of the system's.
    if (event->type() == QEvent::PaletteChange)
        Guarded([this] { RefreshIcons(); });
    else if (event->type() == QEvent::ThemeChange)
        Guarded([this] { SysColorChange(); });
}

void TCustomTreeView::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint point = event->position().toPoint();
    Guarded([this, point] { MouseMove(point.x(), point.y()); });
    QTreeWidget::mouseMoveEvent(event);
}

void TCustomTreeView::mouseReleaseEvent(QMouseEvent *event)
{
    QTreeWidget::mouseReleaseEvent(event);
    const QPoint point = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        Guarded([this] { Click(); });
    } else if (event->button() == Qt::RightButton) {
        bool handled = false;
        Guarded([this, point, &handled] { handled = RightButtonUp(point); });
        if (QMenu *menu = handled ? nullptr : ChoosePopupMenu())
            menu->popup(ClientToScreen(point));
    }
}

void TCustomTreeView::mouseDoubleClickEvent(QMouseEvent *event)
{
    TTreeNode *node = NodeAt(event->position().toPoint());
    const bool wasExpanded = node && node->Expanded();
    QTreeWidget::mouseDoubleClickEvent(event);
    // Qt expands on a double click only what already has children; a node whose
    // children are still to be read expands too.
    if (node && !wasExpanded && !node->Expanded() && node->HasChildren() && node->Count() == 0
        && event->button() == Qt::LeftButton && state() == NoState)
        Guarded([node] { node->Expand(false); });
}

void TCustomTreeView::contextMenuEvent(QContextMenuEvent *event)
{
    // A mouse's right click is answered when the button goes up (RightButtonUp).
    if (event->reason() != QContextMenuEvent::Mouse) {
        if (QMenu *menu = ChoosePopupMenu())
            menu->popup(event->globalPos());
    }
    event->accept();
}

bool TCustomTreeView::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event)
{
    if (trigger == QAbstractItemView::AllEditTriggers || (editTriggers() & trigger)) {
        auto *node = static_cast<TTreeNode *>(itemFromIndex(index));
        if (!node || m_readOnly)
            return false;
        bool allowed = false;
        Guarded([this, node, &allowed] { allowed = CanEdit(node); });
        if (!allowed)
            return false;
        if (!QTreeWidget::edit(index, trigger, event))
            return false;
        m_editingNode = node;
        m_editCommitted = false;
        return true;
    }
    return QTreeWidget::edit(index, trigger, event);
}

void TCustomTreeView::commitData(QWidget *editor)
{
    if (m_finishingEdit)
        return;
    if (!m_editingNode) {
        QTreeWidget::commitData(editor);
        return;
    }
    const auto *line = qobject_cast<QLineEdit *>(editor);
    m_editCommitted = true;
    FinishEdit(line ? line->text().toStdString() : std::string(), false);
}

void TCustomTreeView::closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint)
{
    if (m_finishingEdit)
        return;
    if (m_editingNode && !m_editCommitted)
        FinishEdit(std::string(), true);
    if (std::exchange(m_keepEditing, false) && m_editingNode) {
        m_editCommitted = false;
        editor->setFocus();
        return;
    }
    m_editingNode = nullptr;
    QTreeWidget::closeEditor(editor, hint);
}

void TCustomTreeView::FinishEdit(const std::string &text, bool cancelled)
{
    TTreeNode *node = m_editingNode;
    m_keepEditing = false;
    m_editCancelled = cancelled;
    const QScopedValueRollback finishing(m_finishingEdit, true);
    Guarded([this, node, &text] {
        if (!node || !EditFinished(node, text))
            return;
        std::string caption = text;
        if (OnEdited)
            OnEdited(this, node, caption);
        node->SetText(caption);
    });
    if (cancelled)
        m_keepEditing = false;
    if (!m_keepEditing)
        m_editingNode = nullptr;
}
