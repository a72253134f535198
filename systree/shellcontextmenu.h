#pragma once

// The shell's context menu of items, shown at a point of the screen.

#include <functional>

#include <QObject>
#include <QPoint>
#include <QSet>

#include "platform/shell/shellapi.h"

class QAction;

// Shows the context menu of the `count` items of `idLists` (relative to `parentFolder`)
// at `screenPos`, owned by `ownerWindow`, and carries out the chosen entry, except the
// rename entry, which is handed back through `renameRequested` for the caller to start
// editing the item's label. Answers whether the menu could be shown; `renameRequested`
// is true only when the rename entry was chosen in this call.
//
// Answers false when the folder gives no menu, the menu cannot be filled or the chosen
// command reports a failure (the menu object tells the user why). The application's
// cursor is the hourglass while the call runs and comes back in every case, also when
// the menu object throws (the failure then goes on to the caller).
bool ShowItemContextMenu(IShellFolder *parentFolder, LPCITEMIDLIST *idLists, int count, HWND ownerWindow,
    QPoint screenPos, bool &renameRequested);

// The identifier of the command offset that is handed back as "rename".
constexpr UINT RenameCommandId = 19;

// The richest interface of the menu object shown.
enum class TContextMenuKind
{
    cmkContextMenu,
    cmkContextMenu2,
    cmkContextMenu3
};

// The helper that receives the messages of a shown menu (the menu's "window"): the
// popup, draw and measure messages go to the menu object, the selection messages set the
// application's hint to "verb|help text". Never shown.
class TMenuHelperWindow : public QObject
{
public:
    // `menu` is not owned: the caller holds a reference for the helper's whole life.
    TMenuHelperWindow(IContextMenu *menu, TContextMenuKind kind);

    TContextMenuKind MenuKind() const { return m_kind; }
    // The interface kept at WM_CREATE (the window's user-data slot).
    IContextMenu *UserData() const { return m_userData; }
    void SetUserData(IContextMenu *menu) { m_userData = menu; }

    // Routes the signals of `menu` and of every submenu in it to MenuHelperWndProc.
    void Attach(QMenu *menu);

private:
    void SendSelect(QMenu *menu, QAction *action);

    IContextMenu *m_userData = nullptr;
    TContextMenuKind m_kind;
    QMenu *m_top = nullptr;
    QSet<QMenu *> m_attached;
};

// The creation parameters that WM_CREATE carries in lParam.
struct TCreateStruct
{
    void *lpCreateParams;
};

LRESULT MenuHelperWndProc(TMenuHelperWindow *window, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the menu until it closes and answers the entry chosen (null when dismissed).
// The default runs QMenu::exec at the point; tests install one that drives the menu
// without a modal loop (nullptr restores the default).
using TMenuTracker = std::function<QAction *(QMenu &menu, QPoint screenPos)>;
void SetMenuTracker(TMenuTracker tracker);
