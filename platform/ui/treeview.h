#pragma once

// The platform's tree control: nodes with a caption, a data reference, a normal, a
// selected and an overlay image index and a has-children flag; suspended drawing; child
// sorting with a comparison; expansion with a may-expand hook that can refuse and an
// after-expand hook; a deletion notice per node; check boxes; label editing with may-edit
// and edit-finished hooks; line scrolling; mouse-move and right-button-up hooks.
//
// Every expansion, whether by mouse (expand button, double click), keyboard (Right, "+",
// "*") or code (TTreeNode::Expand), passes the may-expand hook and then the after-expand
// hook. A failure raised by the may-expand hook stops the expansion; it reaches the caller
// of TTreeNode::Expand, or the application's error box when the user expanded.
//
// "The window" of the control exists from its first showing (or HandleNeeded) on, and is
// created anew by RecreateWnd (the check-box style does that); the nodes and their data
// stay across a re-creation.

#include <functional>
#include <string>

#include <QTreeWidget>
#include <QTreeWidgetItem>

class QMenu;
class TCustomTreeView;
class TImageList;

using TTVSortData = long;

class TTreeNode : public QTreeWidgetItem
{
public:
    ~TTreeNode() override;

    TCustomTreeView *TreeView() const;

    std::string Text() const;
    void SetText(const std::string &text);

    // Not owned: whoever attaches data frees it, at the latest in the tree's deletion
    // notice of the node.
    void *Data() const { return m_data; }
    void SetData(void *data) { m_data = data; }

    int ImageIndex() const { return m_imageIndex; }
    void SetImageIndex(int index);
    int SelectedIndex() const { return m_selectedIndex; }
    void SetSelectedIndex(int index);
    // -1 for none, otherwise an overlay of the tree's image list.
    int OverlayIndex() const { return m_overlayIndex; }
    void SetOverlayIndex(int index);

    // Whether the node shows an expand button, children or not.
    bool HasChildren() const { return m_hasChildren; }
    void SetHasChildren(bool hasChildren);

    bool Expanded() const { return isExpanded(); }
    // Shows the node expanded without the may-expand and after-expand hooks, for a caller
    // that runs the after-expand step itself.
    void ShowExpanded();
    // Expands through the may-expand hook (which may refuse or raise) and the
    // after-expand hook; `recursive` then expands every child likewise.
    void Expand(bool recursive);
    void Collapse(bool recursive);

    TTreeNode *Parent() const;
    int Count() const { return childCount(); }
    TTreeNode *Item(int index) const;
    int Level() const;

    bool Selected() const;
    void MakeVisible();
    void DeleteChildren();
    // Deletes the node and its children (each gets the deletion notice).
    void Delete();

    bool operator<(const QTreeWidgetItem &other) const override;

private:
    friend class TCustomTreeView;
    TTreeNode() = default;
    void UpdateIcon();

    void *m_data = nullptr;
    int m_imageIndex = -1;
    int m_selectedIndex = -1;
    int m_overlayIndex = -1;
    bool m_hasChildren = false;
};

enum class TSortType
{
    stNone,
    stData,
    stText,
    stBoth
};

using TTVCompare = std::function<int(TTreeNode *first, TTreeNode *second, TTVSortData data)>;
using TTVChangedEvent = std::function<void(QObject *sender, TTreeNode *node)>;
using TTVExpandingEvent = std::function<void(QObject *sender, TTreeNode *node, bool &allow)>;
using TTVExpandedEvent = std::function<void(QObject *sender, TTreeNode *node)>;
using TTVEditedEvent = std::function<void(QObject *sender, TTreeNode *node, std::string &text)>;
using TNotifyEvent = std::function<void(QObject *sender)>;

class TCustomTreeView : public QTreeWidget
{
    Q_OBJECT

public:
    explicit TCustomTreeView(QWidget *parent = nullptr);
    ~TCustomTreeView() override;

    // ---- Nodes
    // A new node with `caption` as the last child of `parent`, or as the last top-level
    // node when `parent` is null. Adding a child shows the parent's expand button.
    TTreeNode *AddChild(TTreeNode *parent, const std::string &caption);
    int TopCount() const { return topLevelItemCount(); }
    TTreeNode *TopItem(int index) const;
    // Every node, each with its deletion notice.
    void ClearNodes();
    TTreeNode *Selected() const;
    void SetSelected(TTreeNode *node);
    TTreeNode *NodeAt(const QPoint &clientPoint) const;
    // A point of the client area (where NodeAt looks) in screen coordinates.
    QPoint ClientToScreen(const QPoint &clientPoint) const;
    // The number of nodes in the whole tree.
    int NodeCount() const;
    // Calls `visit` for every node in tree order (depth first, parent before children).
    void ForEachNode(const std::function<void(TTreeNode *)> &visit) const;

    // ---- Drawing
    void BeginUpdate();
    void EndUpdate();

    // ---- Sorting
    TSortType SortType() const { return m_sortType; }
    void SetSortType(TSortType sortType) { m_sortType = sortType; }
    // Sorts the children of `parent` (the top-level nodes for null) by `compare`, keeping
    // equal nodes in their order; false when there is no comparison.
    bool SortChildren(TTreeNode *parent, const TTVCompare &compare, TTVSortData data, bool recursive);

    // ---- Options
    bool ShowRoot() const { return rootIsDecorated(); }
    void SetShowRoot(bool show) { setRootIsDecorated(show); }
    int Indent() const { return indentation(); }
    void SetIndent(int indent) { setIndentation(indent); }
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly);
    bool Checkboxes() const { return m_checkboxes; }
    // Changes the window style: the window is created anew when it exists.
    void SetCheckboxes(bool checkboxes);
    bool Checked(const TTreeNode *node) const;
    // Not owned; null shows no icons.
    TImageList *Images() const { return m_images; }
    void SetImages(TImageList *images);
    // The window colour (0xRRGGBB as the desktop's TColor: 0x00BBGGRR).
    virtual void SetColor(unsigned color);
    unsigned Color() const;
    // Not owned; shown on a right click that the tree did not handle.
    QMenu *PopupMenu() const { return m_popupMenu; }
    void SetPopupMenu(QMenu *menu) { m_popupMenu = menu; }

    // ---- Label editing
    void EditLabel(TTreeNode *node);
    bool IsEditing() const { return m_editingNode != nullptr; }

    // ---- Scrolling (one line or one column per call, as the scroll messages do)
    void ScrollLine(Qt::Orientation orientation, int lines);
    // Whether the scroll bar has a range (its minimum differs from its maximum).
    bool ScrollBarHasRange(Qt::Orientation orientation) const;

    // ---- Loading from a form description: properties set meanwhile are only stored;
    // EndLoading calls Loaded.
    bool Loading() const { return m_loading; }
    void BeginLoading() { m_loading = true; }
    void EndLoading();

    // ---- The window
    bool HandleAllocated() const { return m_handleAllocated; }
    void HandleNeeded();
    void RecreateWnd();

    // ---- Events
    TNotifyEvent OnClick;
    TTVChangedEvent OnChange;
    TTVExpandingEvent OnExpanding;
    TTVExpandedEvent OnExpanded;
    TTVExpandedEvent OnCollapsed;
    TTVExpandedEvent OnDeletion;
    TTVExpandingEvent OnEditing;
    TTVEditedEvent OnEdited;

protected:
    // May-expand: the default asks OnExpanding.
    virtual bool CanExpand(TTreeNode *node);
    // After-expand: the default fires OnExpanded.
    virtual void Expand(TTreeNode *node);
    virtual void Collapse(TTreeNode *node);
    // The selected node changed (null for none); the default fires OnChange.
    virtual void Change(TTreeNode *node);
    // A node is about to be deleted; the default fires OnDeletion.
    virtual void Delete(TTreeNode *node);
    // May-edit: the default asks OnEditing.
    virtual bool CanEdit(TTreeNode *node);
    // Edit-finished with the text typed (empty when the edit was cancelled): answers
    // whether the caption takes the text. The default takes any non-empty text.
    virtual bool EditFinished(TTreeNode *node, const std::string &text);
    // Whether the edit that EditFinished hears of was cancelled rather than confirmed.
    bool EditCancelled() const { return m_editCancelled; }
    // From EditFinished refusing a confirmed text: the editor stays open on that text,
    // and the edit goes on until a text is taken or the edit is cancelled.
    void KeepEditing() { m_keepEditing = true; }
    // The pointer moved over the tree (client coordinates), before the default handling.
    virtual void MouseMove(int x, int y);
    // The right button was released over the tree; answers whether that was handled, so
    // that the popup menu does not show.
    virtual bool RightButtonUp(const QPoint &clientPoint);
    // The menu that a right click which RightButtonUp did not handle shows, and the
    // keyboard's menu key; none shows nothing. The default is PopupMenu.
    virtual QMenu *ChoosePopupMenu() const { return m_popupMenu; }
    virtual void Click();
    // The system colours changed.
    virtual void SysColorChange();

    virtual void CreateWnd();
    virtual void DestroyWnd();
    virtual void Loaded() { }

    void showEvent(QShowEvent *event) override;
    void selectionChanged(const QItemSelection &selected, const QItemSelection &deselected) override;
    void changeEvent(QEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override;
    void commitData(QWidget *editor) override;
    void closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    friend class TTreeNode;

    void ExpandNode(TTreeNode *node, bool recursive);
    void ItemExpanded(QTreeWidgetItem *item);
    void ItemCollapsed(QTreeWidgetItem *item);
    void CurrentChanged(QTreeWidgetItem *current, QTreeWidgetItem *previous);
    void NodeDeleting(TTreeNode *node);
    void NotifySubtreeDeleting(TTreeNode *node);
    // The icon that shows `image`, and `selected` while the node is selected.
    QIcon NodeIcon(int image, int selected, int overlay);
    void RefreshIcons();
    void ApplyCheckbox(TTreeNode *node) const;
    void FinishEdit(const std::string &text, bool cancelled);

    int m_updateCount = 0;
    TSortType m_sortType = TSortType::stNone;
    bool m_readOnly = false;
    bool m_checkboxes = false;
    bool m_handleAllocated = false;
    bool m_loading = false;
    bool m_destroying = false;
    bool m_refusing = false;
    TImageList *m_images = nullptr;
    QMenu *m_popupMenu = nullptr;
    TTreeNode *m_editingNode = nullptr;
    QHash<qint64, QIcon> m_icons;
    bool m_editCommitted = false;
    bool m_editCancelled = false;
    bool m_keepEditing = false;
    // While EditFinished runs: a message box it shows takes the focus, which makes the
    // editor commit and close again.
    bool m_finishingEdit = false;
    // Where a failure of the may-expand hook goes while code expands a node.
    std::exception_ptr *m_expandFailure = nullptr;
};
