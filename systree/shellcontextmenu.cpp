// The shell context menu of the folder tree (the ItemProp unit).
//
// The menu object fills a QMenu with identifiers from 1 (so an entry's command offset
// is its identifier minus 1), the menu runs at the point, and the chosen offset goes
// back to the menu object, except the rename entry (offset 18), which the caller carries
// out by editing the node's label. While the menu is open, a helper object stands where
// the desktop has a hidden helper window: the menu's signals reach it as the desktop's
// menu messages, and it forwards them to the menu object or turns them into the
// application's hint.
//
// The menu kind and the rename choice belong to each call (the kind to its helper), so
// that a call made while another menu is open cannot disturb that menu's state.

#include "systree/shellcontextmenu.h"

#include <memory>

#include <QAction>
#include <QMenu>
#include <QPointer>
#include <QWidget>

#include "platform/system/error.h"
#include "platform/system/qtext.h"
#include "platform/ui/application.h"

namespace {

constexpr UINT FirstCommandId = 1;
constexpr UINT LastCommandId = 0x7FFF;
constexpr std::size_t CommandTextSize = 260;

TMenuTracker g_tracker;

class EAssertionFailed : public Exception
{
public:
    using Exception::Exception;
};

// Shows the hourglass for its life and then puts back the cursor it found.
class TCursorKeeper
{
public:
    TCursorKeeper()
        : m_saved(Application().Cursor())
    {
        Application().SetCursor(TCursor::crHourGlass);
    }
    ~TCursorKeeper() { Application().SetCursor(m_saved); }
    TCursorKeeper(const TCursorKeeper &) = delete;
    TCursorKeeper &operator=(const TCursorKeeper &) = delete;

private:
    TCursor m_saved;
};

template <typename T> TComPtr<T> Ask(IUnknown *object, REFIID iid)
{
    void *answer = nullptr;
    if (FAILED(object->QueryInterface(iid, &answer)) || !answer)
        return {};
    return TComPtr<T>::Adopt(static_cast<T *>(answer));
}

// The text GetCommandString gives, or empty when it gives none. The buffer is closed
// here too, so that a menu object that fills it to the end cannot run past it.
QString CommandString(IContextMenu *menu, UINT offset, UINT type)
{
    char buffer[CommandTextSize] = {};
    if (FAILED(menu->GetCommandString(offset, type, nullptr, buffer, CommandTextSize)))
        return {};
    buffer[CommandTextSize - 1] = 0;
    return ToQString(buffer);
}

UINT TrackPopupMenuEx(QMenu &menu, QPoint screenPos, TMenuHelperWindow &helper)
{
    helper.Attach(&menu);
    QAction *chosen = g_tracker ? g_tracker(menu, screenPos) : menu.exec(screenPos);
    return chosen ? chosen->data().toUInt() : 0;
}

} // namespace

TMenuHelperWindow::TMenuHelperWindow(IContextMenu *menu, TContextMenuKind kind)
    : m_kind(kind)
{
    setObjectName(QStringLiteral("ItemPropCallbackProcessor"));
    TCreateStruct create{menu};
    MenuHelperWndProc(this, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create));
}

void TMenuHelperWindow::Attach(QMenu *menu)
{
    if (m_attached.contains(menu))
        return;
    m_attached.insert(menu);
    if (!m_top) {
        m_top = menu;
        connect(menu, &QMenu::aboutToHide, this, [this] {
            Guarded([this] { MenuHelperWndProc(this, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0); });
        });
    }
    connect(menu, &QMenu::aboutToShow, this, [this, menu] {
        Guarded([this, menu] {
            MenuHelperWndProc(this, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
            // The menu object may have added submenus while it filled this one.
            for (QAction *action : menu->actions()) {
                if (action->menu())
                    Attach(action->menu());
            }
        });
    });
    connect(menu, &QMenu::hovered, this,
        [this, menu](QAction *action) { Guarded([this, menu, action] { SendSelect(menu, action); }); });
    for (QAction *action : menu->actions()) {
        if (action->menu())
            Attach(action->menu());
    }
}

void TMenuHelperWindow::SendSelect(QMenu *menu, QAction *action)
{
    WPARAM wParam = 0;
    if (action->menu())
        wParam
            = MAKEWPARAM(static_cast<std::uint16_t>(menu->actions().indexOf(action)), MF_POPUP | MF_HILITE);
    else if (action->isSeparator())
        wParam = MAKEWPARAM(0, MF_SEPARATOR | MF_HILITE);
    else
        wParam = MAKEWPARAM(static_cast<std::uint16_t>(action->data().toUInt()), MF_HILITE);
    MenuHelperWndProc(this, WM_MENUSELECT, wParam, reinterpret_cast<LPARAM>(menu));
}

LRESULT MenuHelperWndProc(TMenuHelperWindow *window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        window->SetUserData(
            static_cast<IContextMenu *>(reinterpret_cast<TCreateStruct *>(lParam)->lpCreateParams));
        return 0;
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_INITMENUPOPUP:
        if (window->MenuKind() != TContextMenuKind::cmkContextMenu) {
            IContextMenu *menu = window->UserData();
            if (!menu)
                throw EAssertionFailed("NIL Context Menu! (systree/ItemProp)");
            if (window->MenuKind() == TContextMenuKind::cmkContextMenu3) {
                LRESULT answer = 0;
                static_cast<IContextMenu3 *>(menu)->HandleMenuMsg2(message, wParam, lParam, &answer);
            } else {
                static_cast<IContextMenu2 *>(menu)->HandleMenuMsg(message, wParam, lParam);
            }
        }
        return message == WM_INITMENUPOPUP ? 0 : 1;
    case WM_MENUSELECT: {
        if (HIWORD(wParam) == 0xFFFF && lParam == 0) {
            Application().SetHint(QString());
            return 0;
        }
        // The low word of a submenu entry is its position, not an identifier.
        if (HIWORD(wParam) & (MF_POPUP | MF_SEPARATOR))
            return 0;
        const UINT id = LOWORD(wParam);
        IContextMenu *menu = window->UserData();
        if (id >= FirstCommandId && menu) {
            const QString verb = CommandString(menu, id - FirstCommandId, GCS_VERBA);
            const QString help = CommandString(menu, id - FirstCommandId, GCS_HELPTEXTA);
            Application().SetHint(verb + u'|' + help);
        }
        return 0;
    }
    default:
        return 0;
    }
}

void SetMenuTracker(TMenuTracker tracker)
{
    g_tracker = std::move(tracker);
}

bool ShowItemContextMenu(IShellFolder *parentFolder, LPCITEMIDLIST *idLists, int count, HWND ownerWindow,
    QPoint screenPos, bool &renameRequested)
{
    renameRequested = false;
    const TCursorKeeper cursor;
    if (!parentFolder || !idLists || count < 1)
        return false;
    // The owner may go while the menu runs; the command must not be handed a dead window.
    const QPointer<QWidget> owner(ownerWindow);

    void *object = nullptr;
    if (FAILED(parentFolder->GetUIObjectOf(
            ownerWindow, static_cast<UINT>(count), idLists, IID_IContextMenu, nullptr, &object))
        || !object)
        return false;
    const auto contextMenu = TComPtr<IContextMenu>::Adopt(static_cast<IContextMenu *>(object));
    IContextMenu *menu = contextMenu.Get();
    TContextMenuKind kind = TContextMenuKind::cmkContextMenu;
    const auto menu2 = Ask<IContextMenu2>(contextMenu.Get(), IID_IContextMenu2);
    TComPtr<IContextMenu3> menu3;
    if (menu2) {
        menu = menu2.Get();
        kind = TContextMenuKind::cmkContextMenu2;
        menu3 = Ask<IContextMenu3>(menu2.Get(), IID_IContextMenu3);
        if (menu3) {
            menu = menu3.Get();
            kind = TContextMenuKind::cmkContextMenu3;
        }
    }

    // Declared before the popup so that the popup goes first, as the helper outlives
    // every message of the menu.
    std::unique_ptr<TMenuHelperWindow> helper;
    const auto popup = std::make_unique<QMenu>();
    if (FAILED(menu->QueryContextMenu(
            popup.get(), 0, FirstCommandId, LastCommandId, CMF_EXPLORE | CMF_CANRENAME)))
        return false;
    helper = std::make_unique<TMenuHelperWindow>(menu, kind);

    bool result = true;
    const UINT chosen = TrackPopupMenuEx(*popup, screenPos, *helper);
    if (chosen == RenameCommandId) {
        renameRequested = true;
    } else if (chosen != 0) {
        CMINVOKECOMMANDINFO info{};
        info.cbSize = sizeof info;
        info.hwnd = owner.data();
        info.lpVerb = MAKEINTRESOURCEA(chosen - FirstCommandId);
        info.nShow = SW_SHOWNORMAL;
        result = SUCCEEDED(menu->InvokeCommand(&info));
    }
    return result;
}
