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

#include <cstdint>
#include <memory>
#include <string>

#include <QPoint>

#include "systree/folderitemdata.h"
#include "systree/shellcontrols.h"
#include "systree/stringlist.h"

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

protected:
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
};

// The node data records that trees created and have not freed.
int LiveNodeDataCount();
// The tree unit's shutdown check: ELeaking while LiveNodeDataCount is above 0.
void SystemTreeViewShutdown();
