// TorbSystemTreeView: following the file system (the two change watchers), reading nodes
// again (F5) and the right click. Renaming is in systemtreerename.cpp, the rest of the
// tree in systemtreeview.cpp.

#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include <QKeyEvent>
#include <QScopeGuard>

#include "platform/shell/shellcontextmenu.h"
#include "platform/system/dirsearch.h"
#include "platform/ui/application.h"
#include "platform/ui/updatelock.h"
#include "systree/filechangethread.h"
#include "systree/pidlhelp.h"
#include "systree/shellcontextmenu.h"
#include "systree/systemtreeview.h"

namespace {

// What lies at `path`: nothing (also for an empty path), a folder or something else.
enum class TPathKind
{
    pkNone,
    pkFolder,
    pkFile
};

TPathKind KindAt(const std::string &path)
{
    if (path.empty())
        return TPathKind::pkNone;
    const std::optional<TFileInfo> info = FileInfoAt(path);
    if (!info)
        return TPathKind::pkNone;
    return info->IsDirectory ? TPathKind::pkFolder : TPathKind::pkFile;
}

void Stop(std::shared_ptr<TFileChangeThread> &watcher)
{
    if (watcher)
        watcher->Terminate();
    watcher.reset();
}

const TFolderItemData *ItemData(const TTreeNode *node)
{
    return node ? static_cast<const TFolderItemData *>(node->Data()) : nullptr;
}

// The child of `node` whose item is `item` (a list relative to the node's folder), or null.
TTreeNode *ChildOf(const TTreeNode *node, LPCITEMIDLIST item)
{
    for (int i = 0; item && i < node->Count(); ++i) {
        const TFolderItemData *data = ItemData(node->Item(i));
        if (data && data->ParentFolder->CompareIDs(0, data->RelativeIDList, item) == 0)
            return node->Item(i);
    }
    return nullptr;
}

// An open node below a node that is read again, and the open nodes below it, named by
// their items so that they are found among the new nodes.
struct TOpenBranch
{
    TItemIdList Item;
    std::vector<TOpenBranch> Below;
};

std::vector<TOpenBranch> OpenBranches(const TTreeNode *node)
{
    std::vector<TOpenBranch> branches;
    for (int i = 0; i < node->Count(); ++i) {
        const TTreeNode *child = node->Item(i);
        const TFolderItemData *data = ItemData(child);
        if (child->Expanded() && data && data->RelativeIDList)
            branches.push_back({TItemIdList(IdListDuplicate(data->RelativeIDList)), OpenBranches(child)});
    }
    return branches;
}

void OpenAgain(TTreeNode *node, const std::vector<TOpenBranch> &branches)
{
    for (const TOpenBranch &branch : branches) {
        TTreeNode *child = ChildOf(node, branch.Item.Get());
        if (!child)
            continue; // gone meanwhile
        try {
            child->Expand(false);
        } catch (const std::exception &) {
            continue; // it cannot be read any more: it stays closed
        }
        OpenAgain(child, branch.Below);
    }
}

} // namespace

// ---- Watching -------------------------------------------------------------------------

void TorbSystemTreeView::ReadTimerExpired()
{
    TorbCustomSystemTreeView::ReadTimerExpired();
    StartWatching(Selected());
}

void TorbSystemTreeView::StopWatching()
{
    Stop(m_parentWatcher);
    m_watchedParent = nullptr;
    Stop(m_selectionWatcher);
    m_watchedNode = nullptr;
}

std::string TorbSystemTreeView::WatchedDirectory() const
{
    return m_selectionWatcher ? m_selectionWatcher->Directory() : std::string();
}

void TorbSystemTreeView::StartWatching(TTreeNode *node)
{
    StopWatching();
    std::string path = GetNodePath(node);
    if (m_showFiles && KindAt(path) == TPathKind::pkFile)
        path.erase(path.rfind('/') + 1);
    if (path.empty())
        return;

    using enum TFileChangeKind;
    const TFileChangeFilter filter = ListView() || m_showFiles
        ? TFileChangeFilter{fcFileName, fcDirName, fcAttributes, fcSize, fcLastWrite}
        : TFileChangeFilter{fcDirName};
    m_watchedNode = node;
    m_selectionWatcher = TFileChangeThread::Create(
        path, filter, false, [this](TFileChangeThread *sender) { SelectedFolderChanged(sender); });
    m_watchedParent = node->Parent();
    WatchParent();
}

void TorbSystemTreeView::WatchParent()
{
    const std::string path = GetNodePath(m_watchedParent);
    if (path.empty())
        return;
    m_parentWatcher = TFileChangeThread::Create(path, {TFileChangeKind::fcDirName}, false,
        [this](TFileChangeThread *sender) { ParentFolderChanged(sender); });
}

void TorbSystemTreeView::SelectedFolderChanged(TFileChangeThread *sender)
{
    // A report of a watcher that was replaced or stopped meanwhile is not ours to act on.
    if (!sender || sender != m_selectionWatcher.get())
        return;
    m_selectionWatcher.reset();
    Stop(m_parentWatcher);
    m_watchedParent = nullptr;
    TTreeNode *node = std::exchange(m_watchedNode, nullptr);
    if (!node)
        return;

    ReadAgain(node, true);
}

void TorbSystemTreeView::ParentFolderChanged(TFileChangeThread *sender)
{
    if (!sender || sender != m_parentWatcher.get())
        return;
    m_parentWatcher.reset();
    if (!m_watchedNode || !m_watchedParent)
        return;
    // Anything at the watched item's path (a file too, with ShowFiles) means the change
    // left it in place: keep watching the parent for the next one.
    if (KindAt(GetNodePath(m_watchedNode)) != TPathKind::pkNone) {
        WatchParent();
        return;
    }
    SetSelected(m_watchedParent);
    Rebuild();
}

void TorbSystemTreeView::RefreshNode(TTreeNode *node)
{
    if (!node)
        return;
    const bool wasExpanded = node->Expanded();
    {
        const TUpdateLock suspended(*this);
        node->DeleteChildren();
        if (TFolderItemData *data = DataOf(node)) {
            data->Populated = false;
            // Read afresh whether or not the node shows its children, so that OnExpanding
            // and OnPopulated fire.
            if (CanExpand(node) && wasExpanded) {
                // The node may still count as expanded without children; then the
                // after-expand step (sorting, OnExpanded) has to be run by hand.
                if (!node->Expanded())
                    node->ShowExpanded();
                Expand(node);
            }
        }
    }
    NotifyLinkedControls(true);
}

void TorbSystemTreeView::RefreshKeepingExpansion(TTreeNode *node)
{
    const bool wasExpanded = node->Expanded();
    const std::vector<TOpenBranch> open = OpenBranches(node);
    RefreshNode(node);
    if (wasExpanded) {
        node->Expand(false);
        OpenAgain(node, open);
        node->MakeVisible();
    }
}

// ---- Reading again --------------------------------------------------------------------

void TorbSystemTreeView::ReadAgain(TTreeNode *node, bool watch)
{
    const TUpdateLock suspended(*this);
    const std::string path = GetNodePath(node);
    switch (KindAt(path)) {
    case TPathKind::pkFolder:
        // Watching again before the children are read, so that a change made meanwhile
        // brings another report instead of going unseen.
        if (watch)
            StartWatching(node);
        RefreshKeepingExpansion(node);
        break;
    case TPathKind::pkFile: {
        // A file shown with ShowFiles: the folder that holds it is read again, and the
        // file stays selected.
        TTreeNode *folder = node->Parent();
        if (!folder)
            break;
        const bool wasSelected = Selected() == node;
        const TFolderItemData *data = DataOf(node);
        const TItemIdList item(data ? IdListDuplicate(data->RelativeIDList) : nullptr);
        RefreshKeepingExpansion(folder);
        TTreeNode *found = ChildOf(folder, item.Get());
        if (found && wasSelected)
            SetSelected(found);
        if (watch)
            StartWatching(found ? found : folder);
        break;
    }
    case TPathKind::pkNone: {
        const TFolderItemData *data = DataOf(node);
        if (path.empty()) {
            // A folder without a path (the desktop, Computer) is read again as it is.
            if (data && data->HasAttribute(SFGAO_FOLDER))
                RefreshKeepingExpansion(node);
            break;
        }
        // The item is gone: its parent shows what is left and takes the selection.
        if (TTreeNode *parent = node->Parent()) {
            RefreshKeepingExpansion(parent);
            SetSelected(parent);
        }
        break;
    }
    }
}

void TorbSystemTreeView::ForgetIfGone(TTreeNode *node)
{
    // A command that took the item away (Move to Trash) may have done so before any
    // watcher was there to see it: the tree does not wait for one.
    const std::string path = GetNodePath(node);
    if (path.empty() || KindAt(path) != TPathKind::pkNone)
        return;
    if (node == Selected()) {
        ReadAgain(node, m_selectionWatcher || m_parentWatcher);
    } else if (TTreeNode *parent = node->Parent()) {
        const TUpdateLock suspended(*this);
        RefreshKeepingExpansion(parent);
    }
}

void TorbSystemTreeView::ReadSelectedAgain()
{
    TTreeNode *node = Selected();
    if (!node || !DataOf(node))
        return;
    ReadAgain(node, m_selectionWatcher || m_parentWatcher);
}

void TorbSystemTreeView::keyPressEvent(QKeyEvent *event)
{
    // While a label is edited the key belongs to the editor's text, which a new reading
    // of the node would throw away.
    if (event->key() == Qt::Key_F5 && event->modifiers() == Qt::NoModifier && !IsEditing()) {
        Guarded([this] { ReadSelectedAgain(); });
        event->accept();
        return;
    }
    TorbCustomSystemTreeView::keyPressEvent(event);
}

void TorbSystemTreeView::ShowNewFolder(TTreeNode *folder, const std::string &path)
{
    const bool watching = m_selectionWatcher || m_parentWatcher;
    {
        const TUpdateLock suspended(*this);
        RefreshKeepingExpansion(folder);
        folder->SetHasChildren(true);
        folder->Expand(false);
    }
    TTreeNode *made = nullptr;
    for (int i = 0; !made && i < folder->Count(); ++i) {
        if (GetNodePath(folder->Item(i)) == path)
            made = folder->Item(i);
    }
    if (!made)
        return;
    SetSelected(made);
    made->MakeVisible();
    // The watcher of the folder is about to report the new folder and would read the
    // folder again, ending the editing: the new folder is watched from now on instead.
    if (watching)
        StartWatching(made);
    EditLabel(made);
}

// ---- The right click ------------------------------------------------------------------

bool TorbSystemTreeView::RightButtonUp(const QPoint &clientPoint)
{
    if (m_popupMenuMethod != TPopupMenuMethod::pmmContext
        && m_popupMenuMethod != TPopupMenuMethod::pmmContextUser)
        return false;
    TTreeNode *node = NodeAt(clientPoint);
    if (!node)
        return false;
    SetSelected(node);
    return ShowItemMenu(node, ClientToScreen(clientPoint));
}

QMenu *TorbSystemTreeView::ChoosePopupMenu() const
{
    if (m_popupMenuMethod == TPopupMenuMethod::pmmUser
        || m_popupMenuMethod == TPopupMenuMethod::pmmContextUser)
        return PopupMenu();
    return nullptr;
}

bool TorbSystemTreeView::ShowItemMenu(TTreeNode *node, const QPoint &screenPoint)
{
    const TFolderItemData *data = DataOf(node);
    if (!data || !data->RelativeIDList)
        return false;
    // The menu runs its own event loop, in which a watcher's report may delete the node:
    // the menu gets a folder reference and a list of its own, and the node is only
    // touched afterwards when it is still there.
    const TComPtr<IShellFolder> folder = data->ParentFolder;
    const TItemIdList item(IdListDuplicate(data->RelativeIDList));
    if (!folder || !item)
        return false;
    LPCITEMIDLIST items[] = {item.Get()};
    bool renameRequested = false;
    const auto menuNodeGone = qScopeGuard([this] { m_menuNode = nullptr; });
    m_menuNode = node;
    std::string madeFolder;
    const TNewFolderNotice notice([&madeFolder](const std::string &path) { madeFolder = path; });
    const bool handled = ShowItemContextMenu(folder.Get(), items, 1, this, screenPoint, renameRequested);
    if (renameRequested && m_menuNode)
        EditLabel(m_menuNode);
    else if (!madeFolder.empty() && m_menuNode)
        ShowNewFolder(m_menuNode, madeFolder);
    else if (m_menuNode)
        ForgetIfGone(m_menuNode);
    return handled;
}
