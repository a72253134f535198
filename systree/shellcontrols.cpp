#include "systree/shellcontrols.h"

#include <algorithm>
#include <vector>

#include <QApplication>

#include "platform/system/devicewatch.h"
#include "platform/ui/application.h"
#include "platform/ui/imagelist.h"

namespace {

// Family-wide state, on the interface thread only.
struct TFamily
{
    std::vector<TorbShellControl *> Controls; // every control alive, oldest first
    std::vector<TorbCustomSystemTreeView *> Trees; // the live tree list
    TorbShellControl *Subscriber = nullptr;
    int HookId = 0;
};

TFamily &Family()
{
    static TFamily family;
    return family;
}

bool DeviceHook(TMessage &message)
{
    if (message.Msg == WM_DEVICECHANGE
        && (message.WParam == DBT_DEVICEARRIVAL || message.WParam == DBT_DEVICEREMOVECOMPLETE)) {
        if (TorbShellControl *subscriber = Family().Subscriber)
            subscriber->DeviceChanged();
    }
    return false;
}

void Subscribe(TorbShellControl *control)
{
    TFamily &family = Family();
    family.Subscriber = control;
    family.HookId = HookMainWindow(DeviceHook);
}

void Unsubscribe()
{
    TFamily &family = Family();
    UnhookMainWindow(family.HookId);
    family.HookId = 0;
    family.Subscriber = nullptr;
}

// A new image list owned by `owner` that shows the system's small (or large) icons, or
// stays empty when the shell has no image list.
TImageList *SystemImageList(QObject *owner, UINT flags)
{
    auto *list = new TImageList(owner);
    SHFILEINFO info{};
    const DWORD_PTR handle = SHGetFileInfo(nullptr, 0, &info, sizeof info, flags);
    if (handle == 0)
        return list;
    list->Masked = true;
    list->BkColor = clNone;
    list->DrawingStyle = TDrawingStyle::dsTransparent;
    list->SetHandle(reinterpret_cast<HIMAGELIST>(handle));
    list->ShareImages = true;
    return list;
}

void ReplaceImageList(TImageList *&list, QObject *owner, UINT flags)
{
    delete list;
    list = SystemImageList(owner, flags);
}

bool WidgetWindowExists(const QWidget *widget)
{
    return widget && widget->testAttribute(Qt::WA_WState_Created);
}

} // namespace

// ---- TorbShellControl -----------------------------------------------------------------

TorbShellControl::~TorbShellControl() = default;

HWND TorbShellControl::GetValidHandle()
{
    if (!m_widget)
        return nullptr;
    if (OwnWindowExists())
        return m_widget;
    if (QWidget *parent = m_widget->parentWidget(); WidgetWindowExists(parent))
        return parent;
    if (QWidget *form = m_widget->window(); form != m_widget && WidgetWindowExists(form))
        return form;
    if (QWidget *active = QApplication::activeWindow(); WidgetWindowExists(active))
        return active;
    return nullptr;
}

void TorbShellControl::Rebuild()
{
    NotifyLinkedControls(false);
}

bool TorbShellControl::OwnWindowExists() const
{
    return WidgetWindowExists(m_widget);
}

void TorbShellControl::EnterFamily(QWidget *widget)
{
    m_widget = widget;
    TFamily &family = Family();
    family.Controls.push_back(this);
    if (!family.Subscriber)
        Subscribe(this);
    // The owner's family controls hear of the newcomer (and the newcomer of itself, as
    // every component of the owner does).
    if (QObject *owner = widget->parent()) {
        const std::vector<TorbShellControl *> controls = family.Controls;
        for (TorbShellControl *control : controls) {
            if (control->m_widget && control->m_widget->parent() == owner)
                control->Notification(this, TOperation::opInsert);
        }
    }
}

void TorbShellControl::LeaveFamily()
{
    TFamily &family = Family();
    std::erase(family.Controls, this);
    if (family.Subscriber == this) {
        Unsubscribe();
        if (!family.Controls.empty())
            Subscribe(family.Controls.front());
    }
    const std::vector<TorbShellControl *> controls = family.Controls;
    for (TorbShellControl *control : controls)
        control->Notification(this, TOperation::opRemove);
}

bool TorbShellControl::FollowIfLinked(TorbShellControl *sender, TorbShellControl *link, bool refresh)
{
    if (!link || sender != link)
        return false;
    const TComPtr<IShellFolder> folder = sender->GetBaseFolder();
    const LPCITEMIDLIST list = sender->GetSelectedIDList();
    FollowLinkedSelection(folder.Get(), list, refresh);
    return true;
}

TorbShellControl *DeviceChangeSubscriber()
{
    return Family().Subscriber;
}

// ---- TorbCustomSystemTreeView ---------------------------------------------------------

TorbCustomSystemTreeView::TorbCustomSystemTreeView(QWidget *parent)
    : TCustomTreeView(parent)
{
    Family().Trees.push_back(this);
    SetupImageList();
    EnterFamily(this);
}

TorbCustomSystemTreeView::~TorbCustomSystemTreeView()
{
    LeaveFamily();
    if (m_readTimerID != 0)
        KillTimer(nullptr, std::exchange(m_readTimerID, 0));
    std::erase(Family().Trees, this);
}

void TorbCustomSystemTreeView::SetListView(TorbCustomSystemListView *listView)
{
    if (listView != m_listView)
        m_listView = listView;
}

void TorbCustomSystemTreeView::SetComboBox(TorbCustomSystemComboBox *comboBox)
{
    if (comboBox != m_comboBox)
        m_comboBox = comboBox;
}

void TorbCustomSystemTreeView::DeviceChanged()
{
    Rebuild();
}

void TorbCustomSystemTreeView::ReadTimerExpired()
{
    KillTimer(nullptr, m_readTimerID);
    m_readTimerID = 0;
    NotifyLinkedControls(false);
}

void TorbCustomSystemTreeView::SetupImageList()
{
    SetImages(nullptr);
    ReplaceImageList(m_images, this, SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    SetImages(m_images);
}

void TorbCustomSystemTreeView::NotifyLinkedControls(bool refresh)
{
    if (m_listView)
        m_listView->LinkedControlChanged(this, refresh);
    if (m_comboBox)
        m_comboBox->LinkedControlChanged(this, refresh);
}

void TorbCustomSystemTreeView::LinkedControlChanged(TorbShellControl *sender, bool refresh)
{
    if (!FollowIfLinked(sender, m_listView, refresh))
        FollowIfLinked(sender, m_comboBox, refresh);
}

void TorbCustomSystemTreeView::Notification(TorbShellControl *component, TOperation operation)
{
    if (operation == TOperation::opInsert) {
        if (auto *list = dynamic_cast<TorbCustomSystemListView *>(component); list && !m_listView) {
            m_listView = list;
            list->SetTreeView(this);
        }
        if (auto *combo = dynamic_cast<TorbCustomSystemComboBox *>(component); combo && !m_comboBox) {
            m_comboBox = combo;
            combo->SetTreeView(this);
        }
        return;
    }
    if (component == static_cast<TorbShellControl *>(m_listView))
        m_listView = nullptr;
    if (component == static_cast<TorbShellControl *>(m_comboBox))
        m_comboBox = nullptr;
}

void TorbCustomSystemTreeView::ReadTimerProc(HWND, UINT, UINT_PTR identifier, DWORD)
{
    const std::vector<TorbCustomSystemTreeView *> trees = Family().Trees;
    for (TorbCustomSystemTreeView *tree : trees) {
        if (tree->m_readTimerID == identifier) {
            tree->ReadTimerExpired();
            return;
        }
    }
}

void TorbCustomSystemTreeView::Change(TTreeNode *node)
{
    TCustomTreeView::Change(node);
    if (m_readDelay > 0 && !m_immediateRead) {
        if (m_readTimerID != 0)
            KillTimer(nullptr, m_readTimerID);
        m_readTimerID = ::SetTimer(nullptr, 33, m_readDelay, &TorbCustomSystemTreeView::ReadTimerProc);
        return;
    }
    if (!Loading())
        m_immediateRead = false;
    NotifyLinkedControls(false);
}

void TorbCustomSystemTreeView::SysColorChange()
{
    SetupImageList();
    TCustomTreeView::SysColorChange();
    // A colour the program gave the tree is given again, flipped and back, so that the
    // tree repaints in it. A tree that follows the palette is only repainted: setting
    // its colour would pin the palette of the moment, which later changes of the
    // desktop's theme would then never reach.
    if (!testAttribute(Qt::WA_SetPalette)) {
        viewport()->update();
        return;
    }
    const unsigned color = Color();
    SetColor(color == 0 ? 0xFFFFFF : 0);
    SetColor(color);
}

// ---- TorbCustomSystemListView ---------------------------------------------------------

TorbCustomSystemListView::TorbCustomSystemListView(QWidget *parent)
    : QListWidget(parent)
{
    SetupImageList();
    EnterFamily(this);
}

TorbCustomSystemListView::~TorbCustomSystemListView()
{
    LeaveFamily();
}

unsigned TorbCustomSystemListView::Color() const
{
    const QColor colour = palette().color(QPalette::Base);
    return unsigned(colour.red()) | (unsigned(colour.green()) << 8) | (unsigned(colour.blue()) << 16);
}

void TorbCustomSystemListView::SetColor(unsigned color)
{
    QPalette colours = palette();
    colours.setColor(QPalette::Base, QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF));
    setPalette(colours);
}

void TorbCustomSystemListView::DeviceChanged()
{
    if (m_treeView)
        m_treeView->Rebuild();
    else
        Rebuild();
}

void TorbCustomSystemListView::SetupImageList()
{
    ReplaceImageList(m_largeImages, this, SHGFI_SYSICONINDEX);
    ReplaceImageList(m_smallImages, this, SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
}

void TorbCustomSystemListView::NotifyLinkedControls(bool refresh)
{
    if (m_treeView)
        m_treeView->LinkedControlChanged(this, refresh);
    if (m_comboBox)
        m_comboBox->LinkedControlChanged(this, refresh);
}

void TorbCustomSystemListView::LinkedControlChanged(TorbShellControl *sender, bool refresh)
{
    if (!FollowIfLinked(sender, m_treeView, refresh))
        FollowIfLinked(sender, m_comboBox, refresh);
}

void TorbCustomSystemListView::Notification(TorbShellControl *component, TOperation operation)
{
    if (operation == TOperation::opInsert) {
        if (auto *tree = dynamic_cast<TorbCustomSystemTreeView *>(component); tree && !m_treeView) {
            m_treeView = tree;
            tree->SetListView(this);
        }
        if (auto *combo = dynamic_cast<TorbCustomSystemComboBox *>(component); combo && !m_comboBox) {
            m_comboBox = combo;
            combo->SetListView(this);
        }
        return;
    }
    if (component == static_cast<TorbShellControl *>(m_treeView))
        m_treeView = nullptr;
    if (component == static_cast<TorbShellControl *>(m_comboBox))
        m_comboBox = nullptr;
}

// A widget hears of a new palette or theme as PaletteChange or ThemeChange (the
// application's own ApplicationPaletteChange never reaches changeEvent). The list is
// repainted with the palette as it is, which stays unpinned.
void TorbCustomSystemListView::changeEvent(QEvent *event)
{
    QListWidget::changeEvent(event);
    if (event->type() != QEvent::PaletteChange && event->type() != QEvent::ThemeChange)
        return;
    Guarded([this] {
        SetupImageList();
        viewport()->update();
    });
}

// ---- TorbCustomSystemComboBox ---------------------------------------------------------

TorbCustomSystemComboBox::TorbCustomSystemComboBox(QWidget *parent)
    : QComboBox(parent)
{
    SetupImageList();
    connect(this, &QComboBox::activated, this, [this](int) { Guarded([this] { Click(); }); });
    EnterFamily(this);
}

TorbCustomSystemComboBox::~TorbCustomSystemComboBox()
{
    LeaveFamily();
}

void TorbCustomSystemComboBox::DeviceChanged()
{
    if (m_treeView)
        m_treeView->Rebuild();
    else
        Rebuild();
}

void TorbCustomSystemComboBox::SetupImageList()
{
    ReplaceImageList(m_systemImages, this, SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
}

void TorbCustomSystemComboBox::NotifyLinkedControls(bool refresh)
{
    if (m_listView)
        m_listView->LinkedControlChanged(this, refresh);
    if (m_treeView)
        m_treeView->LinkedControlChanged(this, refresh);
}

void TorbCustomSystemComboBox::LinkedControlChanged(TorbShellControl *sender, bool refresh)
{
    if (!FollowIfLinked(sender, m_treeView, refresh))
        FollowIfLinked(sender, m_listView, refresh);
}

void TorbCustomSystemComboBox::Notification(TorbShellControl *component, TOperation operation)
{
    if (operation == TOperation::opInsert) {
        if (auto *tree = dynamic_cast<TorbCustomSystemTreeView *>(component); tree && !m_treeView) {
            m_treeView = tree;
            tree->SetComboBox(this);
        }
        if (auto *list = dynamic_cast<TorbCustomSystemListView *>(component); list && !m_listView) {
            m_listView = list;
            list->SetComboBox(this);
        }
        return;
    }
    if (component == static_cast<TorbShellControl *>(m_treeView))
        m_treeView = nullptr;
    if (component == static_cast<TorbShellControl *>(m_listView))
        m_listView = nullptr;
}

void TorbCustomSystemComboBox::Click()
{
    NotifyLinkedControls(false);
    if (OnClick)
        OnClick(this);
}

void TorbCustomSystemComboBox::changeEvent(QEvent *event)
{
    QComboBox::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ThemeChange)
        Guarded([this] { SetupImageList(); });
}
