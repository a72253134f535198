#pragma once

// The shell folder tree: the shell namespace below a chosen root, populated lazily (a
// node's children are enumerated the first time it may expand), with the shell's icons
// and overlays, optionally with files filtered by a mask list, reporting its selection as
// a file-system path.
//
// Each node carries one TFolderItemData that the tree creates with the node and frees in
// the node's deletion notice (FreeNodeData): ParentFolder is the folder that enumerated
// the item, RelativeIDList the item within it, AbsoluteIDList the item from the desktop.
// LiveNodeDataCount counts the records attached and not yet freed.
//
// Paths have no length limit: a path is parsed, matched and read back whole.
//
// Following the file system: the tree watches the selected folder and its parent, each
// with a one-shot TFileChangeThread (StartWatching; started when the read delay runs out
// or, with ReadDelay 0, at each selection change). A change in the selected folder reads
// its children again; the folder gone selects its parent; the parent's change with the
// folder gone rebuilds the tree. A watcher reports on the interface thread, so a report
// never runs beside other tree code; it is dropped when its watcher was replaced or its
// node deleted (by a rebuild or a refresh) in the meantime, and the deletion of the
// watched node stops both watchers. A rebuild of a tree that was watching watches the
// node it selects again. Other folders are not watched: F5 reads the selected node again
// (ReadSelectedAgain), with the folders open below it, which stay open.

#include <cstdint>
#include <memory>
#include <string>

#include <QPoint>

#include "platform/system/stringlist.h"
#include "systree/folderitemdata.h"
#include "systree/shellcontrols.h"

enum class TRootFolder
{
    rfDesktop,
    rfRecycleBin,
    rfControlPanel,
    rfDesktopDir,
    rfDrives,
    rfFavoriteURLs,
    rfFonts,
    rfNetHood,
    rfNetHoodDir,
    rfDocumentDir,
    rfPrinters,
    rfPrograms,
    rfRecentDir,
    rfSendTo,
    rfStartMenu,
    rfStartup,
    rfTemplates,
    rfFileSystem,
    rfCustom
};

// The CSIDL_ value of a root (rfFileSystem as rfDrives); -1 for rfCustom.
int RootFolderCsidl(TRootFolder root);

extern const char *const SystemTreeViewVersion; // "TorbSystemTreeView v0.98.4 Beta"

class QKeyEvent;
class TFileChangeThread;

class TorbSystemTreeView : public TorbCustomSystemTreeView
{
    Q_OBJECT

public:
    // Raises EOleSysError when the shell has no desktop folder.
    explicit TorbSystemTreeView(QWidget *parent = nullptr);
    ~TorbSystemTreeView() override;

    // ---- Properties
    TRootFolder RootFolder() const { return m_rootFolder; }
    void SetRootFolder(TRootFolder root);
    const std::string &CustomDir() const { return m_customDir; }
    void SetCustomDir(const std::string &dir);
    const std::string &CustomDirCaption() const { return m_customDirCaption; }
    void SetCustomDirCaption(const std::string &caption);
    bool ShowFiles() const { return m_showFiles; }
    void SetShowFiles(bool show);
    bool ShowHiddenDirs() const { return m_showHiddenDirs; }
    void SetShowHiddenDirs(bool show) { m_showHiddenDirs = show; }
    bool ExpandRoot() const { return m_expandRoot; }
    void SetExpandRoot(bool expand) { m_expandRoot = expand; }
    bool Autoscroll() const { return m_autoscroll; }
    void SetAutoscroll(bool autoscroll) { m_autoscroll = autoscroll; }
    const std::string &FileMask() const { return m_fileMask; }
    void SetFileMask(const std::string &mask);
    const TStringList &MaskList() const { return m_maskList; }
    TPopupMenuMethod PopupMenuMethod() const { return m_popupMenuMethod; }
    void SetPopupMenuMethod(TPopupMenuMethod method) { m_popupMenuMethod = method; }
    std::string Version() const { return SystemTreeViewVersion; }
    void SetVersion(const std::string &) { }
    TTVExpandedEvent OnPopulated;

    // The selected item's file-system path; empty when nothing is selected, the item has
    // no path or the window does not exist yet.
    std::string Selection() const;
    // Selects the node of `path`, expanding every level on the way; waits in
    // PendingSelection while the window does not exist. An empty path, a path that does
    // not parse or a tree whose top node has no child leaves the selection as it is.
    void SetSelection(const std::string &path);
    std::string Directory() const { return Selection(); }
    void SetDirectory(const std::string &path) { SetSelection(path); }
    const std::string &PendingSelection() const { return m_pendingSelection; }

    // ---- Operations
    void Rebuild() override;
    // A node for the item as the last child of `parent` (a top node for null). On success
    // the node's data owns both lists; on none (a filter dropped the item) the caller
    // still owns them.
    virtual TTreeNode *AddShellNode(
        IShellFolder *folder, LPITEMIDLIST absoluteID, TTreeNode *parent, LPITEMIDLIST relativeID);
    // Enumerates the folder's items as children of `node`; true when it gave any item.
    bool PopulateNode(IShellFolder *folder, TTreeNode *node);
    int CompareNodes(TTreeNode *first, TTreeNode *second, TTVSortData data);
    virtual bool SortChildLevels(const TTVCompare &compare, TTVSortData data);
    bool SortTree();
    // A new list for `path` read by `folder` (the caller frees it), or false.
    bool ParsePathToIDList(IShellFolder *folder, const std::string &path, LPITEMIDLIST &idList);
    // The deepest node whose path matches the front of `idList` (relative to the top
    // node's folder), expanding the nodes on the way; null for an empty tree or no list.
    TTreeNode *FindNodeByIDList(LPCITEMIDLIST idList);
    // The node's data; for a node without data the message box "Could not get folder
    // data." and null.
    TFolderItemData *GetNodeData(TTreeNode *node);
    void FreeNodeData(TTreeNode *node);
    void FreeAllNodeData();
    virtual void DeleteNode(TTreeNode *node);
    std::string GetNodePath(TTreeNode *node);
    // `path` without a leading `caption` (and the delimiter after it), ignoring the case
    // of ASCII letters; `path` itself when it does not begin so.
    static std::string StripRootCaption(const std::string &caption, const std::string &path);

    void FollowLinkedSelection(IShellFolder *folder, LPCITEMIDLIST idList, bool refresh) override;
    LPITEMIDLIST GetSelectedIDList() override;
    TComPtr<IShellFolder> GetBaseFolder() override;

    // ---- Following the file system and item commands
    void ReadTimerExpired() override;
    // Deletes the node's children and reads them again (expanding the node again when it
    // was expanded), then tells the partners.
    void RefreshNode(TTreeNode *node);
    // Reads the selected node again, as F5 does: a folder's children and the open folders
    // below it (which stay open), a file's folder (the file stays selected), or for an
    // item that is gone, its parent, which takes the selection. Changes made in folders
    // that are not watched show this way.
    void ReadSelectedAgain();
    // Stops both watchers, then watches the node's folder (with ShowFiles, the folder of
    // a file) and its parent's folder. A node without a path is not watched.
    void StartWatching(TTreeNode *node);
    // Stops both watchers and forgets their nodes.
    void StopWatching();
    TTreeNode *WatchedNode() const { return m_watchedNode; }
    TTreeNode *WatchedParent() const { return m_watchedParent; }
    // The folder that the selection watcher watches; empty when none runs.
    std::string WatchedDirectory() const;
    // The shell's context menu of the node at `screenPoint`; starts editing the node's
    // label when the menu hands the rename entry back. Answers whether the menu handled
    // the click (false for a node without data).
    virtual bool ShowItemMenu(TTreeNode *node, const QPoint &screenPoint);
    // Renames the node's item on disk. On success the caption is `newName` as typed and
    // the node's lists (and those of the nodes below it) name the new item. False for no
    // node, no data, an empty name or a name the shell refuses; then nothing changes.
    // (A name typed in the node's label that is refused is explained in a message box,
    // and the label's editor stays open on it.)
    bool RenameNode(TTreeNode *node, const std::string &newName);

protected:
    // The watchers' reports; `sender` is the watcher that reports.
    void SelectedFolderChanged(TFileChangeThread *sender);
    void ParentFolderChanged(TFileChangeThread *sender);

    bool CanEdit(TTreeNode *node) override;
    bool EditFinished(TTreeNode *node, const std::string &text) override;
    bool RightButtonUp(const QPoint &clientPoint) override;
    // F5 reads the selected node again (ReadSelectedAgain), except while a label is edited.
    void keyPressEvent(QKeyEvent *event) override;
    QMenu *ChoosePopupMenu() const override;
    virtual void DoAutoscroll(int x, int y);
    virtual void DoPopulated(TTreeNode *node);

    bool CanExpand(TTreeNode *node) override;
    void Expand(TTreeNode *node) override;
    void Delete(TTreeNode *node) override;
    void Change(TTreeNode *node) override;
    void MouseMove(int x, int y) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void Loaded() override;

private:
    // The node's data without the message box.
    static TFolderItemData *DataOf(const TTreeNode *node);
    bool RootIsComputer() const;
    // Starts the parent watcher on WatchedParent's folder, when it has one.
    void WatchParent();
    // RefreshNode, then the node expanded again (and shown) when it was, and the folders
    // below it that were open opened again.
    void RefreshKeepingExpansion(TTreeNode *node);
    // What a change report of the node's folder and ReadSelectedAgain do; with `watch`, the
    // node (or what takes its place) is watched afterwards.
    void ReadAgain(TTreeNode *node, bool watch);
    // After "New Folder" in the menu of `folder`: the folder is read again and opened, and
    // the new folder at `path` selected with its label open for editing.
    void ShowNewFolder(TTreeNode *folder, const std::string &path);
    // After a menu command on `node`: when nothing is at its path any more, the node goes
    // (its parent is read again, and takes the selection when the node had it).
    void ForgetIfGone(TTreeNode *node);
    // RenameNode answering the namespace's result.
    HRESULT RenameItem(TTreeNode *node, const std::string &newName);
    // After a rename: the nodes below `node` take their folder and lists from its new
    // place.
    void FollowRename(TTreeNode *node);

    TComPtr<IShellFolder> m_desktopFolder;
    TRootFolder m_rootFolder = TRootFolder::rfDesktop;
    std::string m_customDir;
    std::string m_customDirCaption;
    bool m_showFiles = false;
    bool m_showHiddenDirs = true;
    bool m_expandRoot = true;
    bool m_autoscroll = false;
    std::string m_fileMask;
    TStringList m_maskList;
    TPopupMenuMethod m_popupMenuMethod = TPopupMenuMethod::pmmContext;
    std::string m_pendingSelection;
    bool m_windowClosing = false;
    bool m_destroying = false;
    // The folder that PopulateNode refreshed at the start of its enumeration.
    IShellFolder *m_validatedFolder = nullptr;

    std::shared_ptr<TFileChangeThread> m_selectionWatcher;
    TTreeNode *m_watchedNode = nullptr;
    std::shared_ptr<TFileChangeThread> m_parentWatcher;
    TTreeNode *m_watchedParent = nullptr;
    // The node whose context menu is open; cleared when the node is deleted meanwhile.
    TTreeNode *m_menuNode = nullptr;
};

// The node data records that trees created and have not freed.
int LiveNodeDataCount();
// The tree unit's shutdown check: ELeaking while LiveNodeDataCount is above 0.
void SystemTreeViewShutdown();
