// TorbSystemTreeView: following the file system (the two change watchers), the right
// click and renaming by label editing. The rest of the tree is in systemtreeview.cpp.

#include <memory>
#include <optional>
#include <utility>

#include <QSignalBlocker>

#include "platform/application.h"
#include "platform/comerror.h"
#include "platform/dialogs.h"
#include "platform/dirsearch.h"
#include "platform/shellnamespace.h"
#include "systree/filechangethread.h"
#include "systree/pidlhelp.h"
#include "systree/shellcontextmenu.h"
#include "systree/systemtreeview.h"

namespace {

struct TIdListFree
{
    void operator()(ITEMIDLIST *list) const
    {
        LPITEMIDLIST owned = list;
        IdListFree(owned);
    }
};
using TOwnedList = std::unique_ptr<ITEMIDLIST, TIdListFree>;

// Suspends drawing while it lives.
class TDrawingSuspended
{
public:
    explicit TDrawingSuspended(TCustomTreeView &tree)
        : m_tree(tree)
    {
        m_tree.BeginUpdate();
    }
    ~TDrawingSuspended() { m_tree.EndUpdate(); }
    TDrawingSuspended(const TDrawingSuspended &) = delete;
    TDrawingSuspended &operator=(const TDrawingSuspended &) = delete;

private:
    TCustomTreeView &m_tree;
};

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

// The rename flags of the desktop shell's label editing; the namespace takes the name as
// a plain name within the folder whatever they say.
constexpr DWORD RenameFlags = 0x20;

QString Quoted(const std::string &name)
{
    return u'"' + QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())) + u'"';
}

// Why the item `oldName` did not take `newName` (`result` is the namespace's answer).
QString RenameRefusal(const std::string &oldName, const std::string &newName, HRESULT result)
{
    QString reason;
    if (newName.empty())
        reason = QStringLiteral("a name cannot be empty");
    else if (newName.find('/') != std::string::npos)
        reason = QStringLiteral("a name cannot contain \"/\"");
    else if (newName.find('\0') != std::string::npos)
        reason = QStringLiteral("a name cannot contain a NUL character");
    else if (newName == "." || newName == "..")
        reason = QStringLiteral("\".\" and \"..\" name the folders themselves");
    else if (result == HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS))
        reason = QStringLiteral("an item with that name already exists in this folder");
    else if (result == E_ACCESSDENIED)
        reason = QStringLiteral("the folder that holds it may not be changed");
    else if (result == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)
        || result == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND))
        reason = QStringLiteral("it no longer exists");
    else if (result == HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE))
        reason = QStringLiteral("the name is too long");
    else if (result == HRESULT_FROM_WIN32(ERROR_WRITE_PROTECT))
        reason = QStringLiteral("the file system is read-only");
    else
        reason = QString::fromUtf8(EOleSysError(result).what()).chopped(1); // without its full stop
    return QStringLiteral("Cannot rename %1 to %2: %3.").arg(Quoted(oldName), Quoted(newName), reason);
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

    TDrawingSuspended suspended(*this);
    const std::string path = GetNodePath(node);
    switch (KindAt(path)) {
    case TPathKind::pkFolder:
        // Watching again before the children are read, so that a change made meanwhile
        // brings another report instead of going unseen.
        StartWatching(node);
        RefreshKeepingExpansion(node);
        break;
    case TPathKind::pkFile: {
        // A file shown with ShowFiles: the folder that holds it changed. Read that folder
        // again and keep the file selected.
        TTreeNode *folder = node->Parent();
        if (!folder)
            break;
        const bool wasSelected = Selected() == node;
        const TFolderItemData *data = DataOf(node);
        TOwnedList item(data ? IdListDuplicate(data->RelativeIDList) : nullptr);
        RefreshKeepingExpansion(folder);
        TTreeNode *found = nullptr;
        for (int i = 0; item && !found && i < folder->Count(); ++i) {
            const TFolderItemData *child = DataOf(folder->Item(i));
            if (child && child->ParentFolder->CompareIDs(0, child->RelativeIDList, item.get()) == 0)
                found = folder->Item(i);
        }
        if (found && wasSelected)
            SetSelected(found);
        StartWatching(found ? found : folder);
        break;
    }
    case TPathKind::pkNone: {
        // The folder is gone: its parent shows what is left and takes the selection.
        TTreeNode *parent = node->Parent();
        if (!parent || path.empty())
            break;
        RefreshKeepingExpansion(parent);
        SetSelected(parent);
        break;
    }
    }
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
        TDrawingSuspended suspended(*this);
        node->DeleteChildren();
        if (TFolderItemData *data = DataOf(node)) {
            data->Populated = false;
            // Read afresh whether or not the node shows its children, so that OnExpanding
            // and OnPopulated fire.
            if (CanExpand(node) && wasExpanded) {
                // The node may still count as expanded without children; then the
                // after-expand step (sorting, OnExpanded) has to be run by hand.
                if (!node->Expanded()) {
                    const QSignalBlocker quiet(this);
                    node->setExpanded(true);
                }
                Expand(node);
            }
        }
    }
    NotifyLinkedControls(true);
}

void TorbSystemTreeView::RefreshKeepingExpansion(TTreeNode *node)
{
    const bool wasExpanded = node->Expanded();
    RefreshNode(node);
    if (wasExpanded) {
        node->Expand(false);
        node->MakeVisible();
    }
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
    return ShowItemMenu(node, viewport()->mapToGlobal(clientPoint));
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
    const TOwnedList item(IdListDuplicate(data->RelativeIDList));
    if (!folder || !item)
        return false;
    LPCITEMIDLIST items[] = {item.get()};
    bool renameRequested = false;
    struct TMenuNode
    {
        TTreeNode *&Node;
        ~TMenuNode() { Node = nullptr; }
    } menuNode{m_menuNode};
    m_menuNode = node;
    const bool handled = ShowItemContextMenu(folder.Get(), items, 1, this, screenPoint, renameRequested);
    if (renameRequested && m_menuNode)
        EditLabel(m_menuNode);
    return handled;
}

// ---- Renaming -------------------------------------------------------------------------

bool TorbSystemTreeView::CanEdit(TTreeNode *node)
{
    const TFolderItemData *data = DataOf(node);
    return data && data->HasAttribute(SFGAO_CANRENAME);
}

bool TorbSystemTreeView::EditFinished(TTreeNode *node, const std::string &text)
{
    if (EditCancelled() || !node)
        return false;
    const std::string oldName = node->Text();
    const HRESULT result = RenameItem(node, text);
    if (SUCCEEDED(result))
        return true;
    // Nothing typed is lost: the editor stays open on the name so that it can be mended.
    KeepEditing();
    Application().MessageBox(RenameRefusal(oldName, text, result), QString(), MB_OK | MB_ICONERROR);
    return false;
}

bool TorbSystemTreeView::RenameNode(TTreeNode *node, const std::string &newName)
{
    return SUCCEEDED(RenameItem(node, newName));
}

HRESULT TorbSystemTreeView::RenameItem(TTreeNode *node, const std::string &newName)
{
    // A NUL would cut the wide name short: the item would get another name than shown.
    if (newName.empty() || newName.find('\0') != std::string::npos)
        return HRESULT_FROM_WIN32(ERROR_INVALID_NAME);
    TFolderItemData *data = DataOf(node);
    if (!data || !data->ParentFolder || !data->RelativeIDList)
        return E_INVALIDARG;
    const std::u16string wide = WideFromSystem(newName);
    LPITEMIDLIST received = nullptr;
    const HRESULT result = data->ParentFolder->SetNameOf(
        GetValidHandle(), data->RelativeIDList, wide.c_str(), RenameFlags, &received);
    TOwnedList relative(received);
    if (FAILED(result))
        return result;

    node->SetText(newName);
    if (relative) {
        const TFolderItemData *parentData = DataOf(node->Parent());
        LPITEMIDLIST absolute = IdListJoin(parentData ? parentData->AbsoluteIDList : nullptr, relative.get());
        if (absolute) {
            IdListFree(data->RelativeIDList);
            IdListFree(data->AbsoluteIDList);
            data->RelativeIDList = relative.release();
            data->AbsoluteIDList = absolute;
        }
    }
    FollowRename(node);
    return S_OK;
}

void TorbSystemTreeView::FollowRename(TTreeNode *node)
{
    // The nodes below still hold the folder and the absolute lists of the old place; their
    // own relative lists name them within their folders and stay. Nodes are not deleted
    // here: the label editor of `node` may still be open.
    const TFolderItemData *data = DataOf(node);
    if (!data || node->Count() == 0)
        return;
    void *object = nullptr;
    if (FAILED(data->ParentFolder->BindToObject(data->RelativeIDList, nullptr, IID_IShellFolder, &object))
        || !object)
        return; // gone again already: the watchers' next report reads what is left
    const auto folder = TComPtr<IShellFolder>::Adopt(static_cast<IShellFolder *>(object));
    for (int i = 0; i < node->Count(); ++i) {
        TTreeNode *child = node->Item(i);
        TFolderItemData *childData = DataOf(child);
        if (!childData)
            continue;
        if (LPITEMIDLIST absolute = IdListJoin(data->AbsoluteIDList, childData->RelativeIDList)) {
            IdListFree(childData->AbsoluteIDList);
            childData->AbsoluteIDList = absolute;
        }
        childData->ParentFolder = folder;
        FollowRename(child);
    }
}
