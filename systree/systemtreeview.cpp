#include "systree/systemtreeview.h"

#include <cstdlib>
#include <utility>

#include <QFontInfo>
#include <QScopedValueRollback>
#include <QScopeGuard>

#include "platform/system/comerror.h"
#include "platform/system/masksearch.h"
#include "platform/system/qtext.h"
#include "platform/ui/application.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/updatelock.h"
#include "systree/pidlhelp.h"

const char *const SystemTreeViewVersion = "TorbSystemTreeView v0.98.4 Beta";

namespace {

int g_liveNodeDataCount = 0;

// Shows the hourglass over a widget while it lives, then its own cursor again.
class TBusyCursor
{
public:
    explicit TBusyCursor(QWidget &widget)
        : m_widget(widget)
        , m_had(widget.testAttribute(Qt::WA_SetCursor))
        , m_cursor(widget.cursor())
    {
        m_widget.setCursor(Qt::WaitCursor);
    }
    ~TBusyCursor()
    {
        if (m_had)
            m_widget.setCursor(m_cursor);
        else
            m_widget.unsetCursor();
    }
    TBusyCursor(const TBusyCursor &) = delete;
    TBusyCursor &operator=(const TBusyCursor &) = delete;

private:
    QWidget &m_widget;
    bool m_had;
    QCursor m_cursor;
};

bool StartsWithIgnoringAsciiCase(const std::string &text, const std::string &prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(text[i]) != lower(prefix[i]))
            return false;
    }
    return true;
}

// The pixel height of a font, as the desktop's negative font height gives it.
int FontPixelHeight(const QWidget &widget)
{
    const QFont font = widget.font();
    if (font.pixelSize() > 0)
        return font.pixelSize();
    return QFontInfo(font).pixelSize();
}

} // namespace

int RootFolderCsidl(TRootFolder root)
{
    switch (root) {
    case TRootFolder::rfDesktop:
        return CSIDL_DESKTOP;
    case TRootFolder::rfRecycleBin:
        return CSIDL_BITBUCKET;
    case TRootFolder::rfControlPanel:
        return CSIDL_CONTROLS;
    case TRootFolder::rfDesktopDir:
        return CSIDL_DESKTOPDIRECTORY;
    case TRootFolder::rfDrives:
    case TRootFolder::rfFileSystem:
        return CSIDL_DRIVES;
    case TRootFolder::rfFavoriteURLs:
        return CSIDL_FAVORITES;
    case TRootFolder::rfFonts:
        return CSIDL_FONTS;
    case TRootFolder::rfNetHood:
        return CSIDL_NETWORK;
    case TRootFolder::rfNetHoodDir:
        return CSIDL_NETHOOD;
    case TRootFolder::rfDocumentDir:
        return CSIDL_PERSONAL;
    case TRootFolder::rfPrinters:
        return CSIDL_PRINTERS;
    case TRootFolder::rfPrograms:
        return CSIDL_PROGRAMS;
    case TRootFolder::rfRecentDir:
        return CSIDL_RECENT;
    case TRootFolder::rfSendTo:
        return CSIDL_SENDTO;
    case TRootFolder::rfStartMenu:
        return CSIDL_STARTMENU;
    case TRootFolder::rfStartup:
        return CSIDL_STARTUP;
    case TRootFolder::rfTemplates:
        return CSIDL_TEMPLATES;
    case TRootFolder::rfCustom:
        break;
    }
    return -1;
}

int LiveNodeDataCount()
{
    return g_liveNodeDataCount;
}

void SystemTreeViewShutdown()
{
    CheckLeaks(g_liveNodeDataCount);
}

// ---- Construction and properties ------------------------------------------------------

TorbSystemTreeView::TorbSystemTreeView(QWidget *parent)
    : TorbCustomSystemTreeView(parent)
{
    IShellFolder *desktop = nullptr;
    OleCheck(SHGetDesktopFolder(&desktop));
    m_desktopFolder = TComPtr<IShellFolder>::Adopt(desktop);
    SetShowRoot(true);
    SetSortType(TSortType::stNone);
}

TorbSystemTreeView::~TorbSystemTreeView()
{
    m_destroying = true;
    SetSelection(std::string());
    StopWatching();
    FreeAllNodeData();
}

void TorbSystemTreeView::SetRootFolder(TRootFolder root)
{
    if (root == m_rootFolder)
        return;
    m_rootFolder = root;
    Rebuild();
}

void TorbSystemTreeView::SetCustomDir(const std::string &dir)
{
    if (dir == m_customDir)
        return;
    m_customDir = dir;
    Rebuild();
}

void TorbSystemTreeView::SetCustomDirCaption(const std::string &caption)
{
    if (caption == m_customDirCaption)
        return;
    m_customDirCaption = caption;
    if (TopCount() > 0)
        TopItem(0)->SetText(caption);
}

void TorbSystemTreeView::SetShowFiles(bool show)
{
    if (show == m_showFiles)
        return;
    m_showFiles = show;
    Rebuild();
}

void TorbSystemTreeView::SetFileMask(const std::string &mask)
{
    if (mask == m_fileMask)
        return;
    m_fileMask = mask;
    ParseMaskList(m_fileMask, m_maskList);
    Rebuild();
}

// ---- The window -----------------------------------------------------------------------

void TorbSystemTreeView::CreateWnd()
{
    m_windowClosing = false;
    TorbCustomSystemTreeView::CreateWnd();
    if (!Loading())
        Rebuild();
}

void TorbSystemTreeView::DestroyWnd()
{
    m_windowClosing = true;
    if (m_pendingSelection.empty())
        m_pendingSelection = Selection();
    TorbCustomSystemTreeView::DestroyWnd();
}

void TorbSystemTreeView::Loaded()
{
    Rebuild();
}

// ---- Building -------------------------------------------------------------------------

bool TorbSystemTreeView::RootIsComputer() const
{
    return m_rootFolder == TRootFolder::rfDrives || m_rootFolder == TRootFolder::rfFileSystem;
}

void TorbSystemTreeView::Rebuild()
{
    if (!HandleAllocated() || Loading())
        return;

    // The rebuild deletes the watched node, which stops the watchers; the node selected
    // at the end is watched instead.
    const bool wasWatching = m_watchedNode != nullptr;
    TItemIdList kept;
    bool keptExpanded = false;
    if (TTreeNode *selected = Selected()) {
        if (TFolderItemData *data = DataOf(selected); data && data->AbsoluteIDList) {
            kept.Reset(IdListDuplicate(data->AbsoluteIDList));
            keptExpanded = selected->Expanded();
        }
    }

    {
        const auto restoreImmediate
            = qScopeGuard([this, saved = ImmediateRead()] { SetImmediateRead(saved); });
        SetImmediateRead(true);
        const TUpdateLock lock(*this);

        SetSelected(nullptr);
        FreeAllNodeData();
        ClearNodes();

        LPITEMIDLIST rootId = nullptr;
        if (m_rootFolder == TRootFolder::rfCustom) {
            if (!ParsePathToIDList(m_desktopFolder.Get(), m_customDir, rootId))
                rootId = nullptr;
        } else if (FAILED(SHGetSpecialFolderLocation(
                       GetValidHandle(), RootFolderCsidl(m_rootFolder), &rootId))) {
            rootId = nullptr;
        }

        if (rootId) {
            LPITEMIDLIST absolute = IdListJoin(nullptr, rootId);
            TTreeNode *node
                = absolute ? AddShellNode(m_desktopFolder.Get(), absolute, nullptr, rootId) : nullptr;
            if (!node) {
                // Dropped by a filter: the lists are still ours.
                IdListFree(absolute);
                IdListFree(rootId);
            } else if (m_expandRoot && TopCount() > 0) {
                node->Expand(false);
            }
        }

        if (SortType() != TSortType::stNone)
            SortTree();

        if (!m_pendingSelection.empty()) {
            const std::string pending = std::exchange(m_pendingSelection, std::string());
            SetSelection(pending);
        } else if (kept.Get()) {
            LPCITEMIDLIST id
                = RootIsComputer() ? IdListNextItem(static_cast<LPCITEMIDLIST>(kept.Get())) : kept.Get();
            if (id) {
                SetSelected(FindNodeByIDList(id));
                if (TTreeNode *selected = Selected()) {
                    selected->MakeVisible();
                    if (keptExpanded && CanExpand(selected))
                        selected->Expand(false);
                }
            }
        }
    }

    TorbCustomSystemTreeView::Rebuild();
    if (wasWatching && !m_watchedNode && Selected())
        StartWatching(Selected());
}

TTreeNode *TorbSystemTreeView::AddShellNode(
    IShellFolder *folder, LPITEMIDLIST absoluteID, TTreeNode *parent, LPITEMIDLIST relativeID)
{
    // One refresh per enumeration is enough: the folder forgets what it knows (the mount
    // table, whether it may be written) and reads it again for the next item.
    if (folder != m_validatedFolder) {
        SFGAOF validate = SFGAO_VALIDATE;
        folder->GetAttributesOf(0, nullptr, &validate);
    }

    std::string caption = ItemDisplayName(folder, relativeID, TDisplayNameKind::dnNormal);
    if (!parent && m_rootFolder == TRootFolder::rfCustom && !m_customDirCaption.empty())
        caption = m_customDirCaption;

    SFGAOF attributes = SFGAO_TREE_MASK;
    LPCITEMIDLIST items[] = {relativeID};
    // A folder that cannot answer leaves the mask as it was asked: no attribute is known.
    if (FAILED(folder->GetAttributesOf(1, items, &attributes)))
        attributes = 0;

    if (m_rootFolder == TRootFolder::rfFileSystem
        && !(attributes & (SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR)))
        return nullptr;
    if (!m_fileMask.empty() && !(attributes & SFGAO_FOLDER)) {
        std::string path;
        if (SHGetPathFromIDList(absoluteID, path) && !MatchMaskList(path, m_maskList))
            return nullptr;
    }

    auto *data = new TFolderItemData();
    data->Populated = false;
    data->ParentFolder = TComPtr<IShellFolder>(folder);
    data->Attributes = attributes;
    data->RelativeIDList = relativeID;
    data->AbsoluteIDList = absoluteID;
    ++g_liveNodeDataCount;
    TTreeNode *node = AddChild(parent, caption);
    node->SetData(data);

    int normalIcon = -1;
    int openIcon = -1;
    ItemIconPair(absoluteID, normalIcon, openIcon);
    if (openIcon == 0 && normalIcon != 0)
        openIcon = normalIcon;
    if (data->HasAttribute(SFGAO_FOLDER)) {
        node->SetImageIndex(normalIcon);
        node->SetSelectedIndex(openIcon);
    } else {
        node->SetImageIndex(openIcon);
        node->SetSelectedIndex(openIcon);
    }

    if (data->HasAttribute(SFGAO_SHARE))
        node->SetOverlayIndex(0);
    if (data->HasAttribute(SFGAO_LINK))
        node->SetOverlayIndex(1);

    bool hasChildren = data->HasAttribute(SFGAO_HASSUBFOLDER);
    if (m_showFiles && !hasChildren) {
        void *object = nullptr;
        if (data->ParentFolder->BindToObject(relativeID, nullptr, IID_IShellFolder, &object) == S_OK
            && object) {
            const auto itemFolder = TComPtr<IShellFolder>::Adopt(static_cast<IShellFolder *>(object));
            const DWORD flags = SHCONTF_NONFOLDERS | (m_showHiddenDirs ? SHCONTF_INCLUDEHIDDEN : 0);
            IEnumIDList *raw = nullptr;
            if (SUCCEEDED(itemFolder->EnumObjects(GetValidHandle(), flags, &raw)) && raw) {
                const auto enumerator = TComPtr<IEnumIDList>::Adopt(raw);
                hasChildren = true;
                TItemIdList item;
                ULONG fetched = 0;
                if (enumerator->Next(1, item.Receive(), &fetched) == S_OK)
                    hasChildren = fetched > 0;
            }
        }
    }
    node->SetHasChildren(hasChildren);
    return node;
}

bool TorbSystemTreeView::PopulateNode(IShellFolder *folder, TTreeNode *node)
{
    bool found = false;
    const TUpdateLock lock(*this);
    TBusyCursor busy(*this);

    DWORD flags = SHCONTF_FOLDERS;
    if (m_showHiddenDirs)
        flags |= SHCONTF_INCLUDEHIDDEN;
    if (m_showFiles)
        flags |= SHCONTF_NONFOLDERS;
    IEnumIDList *raw = nullptr;
    if (FAILED(folder->EnumObjects(GetValidHandle(), flags, &raw)) || !raw)
        return false;
    const auto enumerator = TComPtr<IEnumIDList>::Adopt(raw);

    TFolderItemData *data = node ? DataOf(node) : nullptr;
    const LPCITEMIDLIST parentAbsolute = data ? data->AbsoluteIDList : nullptr;
    SFGAOF validate = SFGAO_VALIDATE;
    folder->GetAttributesOf(0, nullptr, &validate);
    const QScopedValueRollback validated(m_validatedFolder, folder);
    LPITEMIDLIST item = nullptr;
    ULONG fetched = 0;
    while (enumerator->Next(1, &item, &fetched) == S_OK) {
        found = true;
        TItemIdList relative(item);
        TItemIdList absolute(IdListJoin(parentAbsolute, item));
        if (!absolute.Get())
            continue;
        if (AddShellNode(folder, absolute.Get(), node, relative.Get())) {
            // The node's data owns them now.
            relative.Release();
            absolute.Release();
        }
        item = nullptr;
    }
    return found;
}

// ---- Tree control hooks ---------------------------------------------------------------

bool TorbSystemTreeView::CanExpand(TTreeNode *node)
{
    bool allowed = TorbCustomSystemTreeView::CanExpand(node);
    if (allowed) {
        TFolderItemData *data = GetNodeData(node);
        if (data && !data->Populated) {
            if (!node->Parent() && m_rootFolder == TRootFolder::rfDesktop) {
                PopulateNode(m_desktopFolder.Get(), node);
                data->Populated = true;
            } else {
                void *object = nullptr;
                OleCheck(data->ParentFolder->BindToObject(
                    data->RelativeIDList, nullptr, IID_IShellFolder, &object));
                const auto folder = TComPtr<IShellFolder>::Adopt(static_cast<IShellFolder *>(object));
                data->Populated = true;
                allowed = folder && PopulateNode(folder.Get(), node);
            }
        }
    }
    if (allowed)
        DoPopulated(node);
    else
        node->SetHasChildren(false);
    return allowed;
}

void TorbSystemTreeView::Expand(TTreeNode *node)
{
    {
        const TUpdateLock lock(*this);
        SortChildren(
            node, [this](TTreeNode *a, TTreeNode *b, TTVSortData data) { return CompareNodes(a, b, data); },
            0, false);
    }
    TorbCustomSystemTreeView::Expand(node);
}

void TorbSystemTreeView::Delete(TTreeNode *node)
{
    // A report about a deleted node has nothing left to refresh.
    if (node == m_watchedNode || node == m_watchedParent)
        StopWatching();
    if (node == m_menuNode)
        m_menuNode = nullptr;
    if (!m_windowClosing)
        FreeNodeData(node);
    TorbCustomSystemTreeView::Delete(node);
}

void TorbSystemTreeView::MouseMove(int x, int y)
{
    if (m_autoscroll)
        DoAutoscroll(x, y);
}

void TorbSystemTreeView::DoPopulated(TTreeNode *node)
{
    if (OnPopulated)
        OnPopulated(this, node);
}

void TorbSystemTreeView::DoAutoscroll(int x, int y)
{
    if (!m_autoscroll)
        return;
    const int margin = std::abs(FontPixelHeight(*this));
    const int horizontalBar = ScrollBarHasRange(Qt::Horizontal) ? 16 : 0;
    const int verticalBar = ScrollBarHasRange(Qt::Vertical) ? 16 : 0;
    if (y < margin)
        ScrollLine(Qt::Vertical, -1);
    else if (height() - verticalBar - margin < y)
        ScrollLine(Qt::Vertical, 1);
    if (x < margin)
        ScrollLine(Qt::Horizontal, -1);
    else if (width() - horizontalBar - margin < x)
        ScrollLine(Qt::Horizontal, 1);
}

// ---- Sorting and finding --------------------------------------------------------------

int TorbSystemTreeView::CompareNodes(TTreeNode *first, TTreeNode *second, TTVSortData)
{
    if (first == second)
        return 0;
    if (!first)
        return -1;
    if (!second)
        return 1;
    const TFolderItemData *a = DataOf(first);
    const TFolderItemData *b = DataOf(second);
    if (!a || !b)
        return 0;
    const HRESULT answer = a->ParentFolder->CompareIDs(0, a->RelativeIDList, b->RelativeIDList);
    return static_cast<std::int8_t>(answer & 0xFF);
}

bool TorbSystemTreeView::SortChildLevels(const TTVCompare &compare, TTVSortData data)
{
    if (!HandleAllocated())
        return false;
    const TTVCompare byNodes
        = [this](TTreeNode *a, TTreeNode *b, TTVSortData d) { return CompareNodes(a, b, d); };
    const bool result = SortChildren(nullptr, compare ? compare : byNodes, data, false);
    ForEachNode([this, &byNodes, data](TTreeNode *node) {
        if (node->HasChildren())
            SortChildren(node, byNodes, data, false);
    });
    return result;
}

bool TorbSystemTreeView::SortTree()
{
    if (!HandleAllocated())
        return false;
    const TUpdateLock lock(*this);
    return SortChildLevels(
        [this](TTreeNode *a, TTreeNode *b, TTVSortData data) { return CompareNodes(a, b, data); }, 0);
}

bool TorbSystemTreeView::ParsePathToIDList(
    IShellFolder *folder, const std::string &path, LPITEMIDLIST &idList)
{
    idList = nullptr;
    if (!folder)
        return false;
    try {
        const std::u16string wide = WideFromSystem(path);
        ULONG eaten = 0;
        ULONG attributes = 0;
        LPITEMIDLIST parsed = nullptr;
        const HRESULT result
            = folder->ParseDisplayName(GetValidHandle(), nullptr, wide.c_str(), &eaten, &parsed, &attributes);
        if (FAILED(result) || !parsed) {
            IdListFree(parsed);
            return false;
        }
        idList = parsed;
        return true;
    } catch (const std::exception &) {
        return false;
    }
}

TTreeNode *TorbSystemTreeView::FindNodeByIDList(LPCITEMIDLIST idList)
{
    if (TopCount() == 0 || !idList)
        return nullptr;
    TTreeNode *current = TopItem(0);
    if (ItemIdCount(idList) == 0)
        return current;
    if (current->Count() == 0)
        return current;
    int index = 0;
    TTreeNode *candidate = current->Item(0);
    TItemIdList item(IdListFirstItem(idList));
    while (candidate && item.Get()) {
        const TFolderItemData *data = GetNodeData(candidate);
        if (data && data->ParentFolder->CompareIDs(0, data->RelativeIDList, item.Get()) == 0) {
            current = candidate;
            idList = IdListNextItem(idList);
            if (!idList || ItemIdCount(idList) == 0)
                break;
            item.Reset(IdListFirstItem(idList));
            current->Expand(false);
            index = 0;
            if (current->Count() == 0)
                break;
        } else if (++index >= current->Count()) {
            break;
        }
        candidate = index < current->Count() ? current->Item(index) : nullptr;
    }
    return current;
}

// ---- Node data ------------------------------------------------------------------------

TFolderItemData *TorbSystemTreeView::DataOf(const TTreeNode *node)
{
    return node ? static_cast<TFolderItemData *>(node->Data()) : nullptr;
}

TFolderItemData *TorbSystemTreeView::GetNodeData(TTreeNode *node)
{
    if (!node)
        return nullptr;
    if (TFolderItemData *data = DataOf(node))
        return data;
    Application().MessageBox(ToQString(SNoFolderData), QString(), MB_OK | MB_ICONERROR);
    return nullptr;
}

void TorbSystemTreeView::FreeNodeData(TTreeNode *node)
{
    TFolderItemData *data = DataOf(node);
    if (!data)
        return;
    IdListFree(data->RelativeIDList);
    IdListFree(data->AbsoluteIDList);
    delete data;
    if (!m_destroying)
        node->SetData(nullptr);
    --g_liveNodeDataCount;
}

void TorbSystemTreeView::FreeAllNodeData()
{
    ForEachNode([this](TTreeNode *node) { FreeNodeData(node); });
}

void TorbSystemTreeView::DeleteNode(TTreeNode *node)
{
    FreeNodeData(node);
    node->Delete();
}

// ---- Paths and selection --------------------------------------------------------------

std::string TorbSystemTreeView::GetNodePath(TTreeNode *node)
{
    const TFolderItemData *data = GetNodeData(node);
    if (!data)
        return {};
    std::string path;
    if (!SHGetPathFromIDList(data->AbsoluteIDList, path))
        return {};
    return path;
}

std::string TorbSystemTreeView::Selection() const
{
    if (!HandleAllocated())
        return {};
    TTreeNode *node = Selected();
    if (!node)
        return {};
    return const_cast<TorbSystemTreeView *>(this)->GetNodePath(node);
}

void TorbSystemTreeView::SetSelection(const std::string &path)
{
    if (path.empty())
        return;
    if (Loading() || !HandleAllocated()) {
        m_pendingSelection = path;
        return;
    }
    if (TopCount() == 0)
        return;
    TTreeNode *top = TopItem(0);
    if (!top->Expanded())
        top->Expand(false);
    // A top node without children has no folder to read the path with.
    if (top->Count() == 0)
        return;
    const TFolderItemData *first = GetNodeData(top->Item(0));
    if (!first)
        return;
    const bool plain = m_rootFolder == TRootFolder::rfDesktop || RootIsComputer();
    const std::string text = plain ? path : StripRootCaption(top->Text(), path);
    TItemIdList id;
    if (!ParsePathToIDList(first->ParentFolder.Get(), text, *id.Receive()))
        return;
    const TUpdateLock lock(*this);
    SetSelected(FindNodeByIDList(id.Get()));
    if (TTreeNode *selected = Selected())
        selected->MakeVisible();
}

std::string TorbSystemTreeView::StripRootCaption(const std::string &caption, const std::string &path)
{
    std::string prefix = caption;
    if (!prefix.empty() && prefix.back() != '/')
        prefix += '/';
    if (StartsWithIgnoringAsciiCase(path, prefix))
        return path.substr(prefix.size());
    return path;
}

void TorbSystemTreeView::FollowLinkedSelection(IShellFolder *, LPCITEMIDLIST idList, bool)
{
    if (!idList)
        return;
    if (RootIsComputer())
        idList = IdListNextItem(idList);
    SetSelected(FindNodeByIDList(idList));
    if (TTreeNode *selected = Selected())
        selected->MakeVisible();
}

LPITEMIDLIST TorbSystemTreeView::GetSelectedIDList()
{
    TTreeNode *node = Selected();
    if (!node)
        return nullptr;
    const TFolderItemData *data = GetNodeData(node);
    return data ? data->AbsoluteIDList : nullptr;
}

TComPtr<IShellFolder> TorbSystemTreeView::GetBaseFolder()
{
    return m_desktopFolder;
}

void TorbSystemTreeView::Change(TTreeNode *node)
{
    if (m_destroying)
        return;
    TBusyCursor busy(*this);
    TorbCustomSystemTreeView::Change(node);
    if (ReadDelay() == 0 && DataOf(node))
        StartWatching(node);
}
