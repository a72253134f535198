#pragma once

// The bases of the shell control family: a tree, a list view and a combo box that show
// the shell's icons, follow colour and device changes and link to each other.
//
// Linking: a control of the family created with an owner (its parent QObject) is
// announced to the family controls of that owner, which link to it where their slot is
// still free (a tree takes a new list view as its ListView and sets the list view's
// TreeView to itself; likewise for every pair). When a control of the family is
// destroyed, every other control of the family forgets its links to it, whatever its
// owner, so no link ever refers to a destroyed control. Links never own their partner.
//
// The tree delays passing on selection changes by ReadDelay milliseconds: a burst of
// changes reaches the partners once, ReadDelay after the last one. The first change
// after construction passes at once.
//
// One control of the family at a time holds the device-change subscription (a hook on
// the main window's messages); when it goes, the oldest control left takes it over.

#include <cstdint>

#include <QComboBox>
#include <QListWidget>

#include "platform/shell/shellapi.h"
#include "platform/system/timers.h"
#include "platform/ui/treeview.h"

class TImageList;
class TorbCustomSystemTreeView;
class TorbCustomSystemListView;
class TorbCustomSystemComboBox;

enum class TPopupMenuMethod
{
    pmmNone,
    pmmContext,
    pmmUser,
    pmmContextUser
};

enum class TOperation
{
    opInsert,
    opRemove
};

// What the three bases share, whatever widget they are.
class TorbShellControl
{
public:
    virtual ~TorbShellControl();

    // A device arrived or was removed.
    virtual void DeviceChanged() = 0;
    // The absolute list of the selection, owned by the control (none when nothing is
    // selected); valid during the call that received it.
    virtual LPITEMIDLIST GetSelectedIDList() = 0;
    // The folder against which GetSelectedIDList is read (a counted reference).
    virtual TComPtr<IShellFolder> GetBaseFolder() = 0;

    virtual void SetupImageList() = 0;
    // A window to own shell calls: the control's own, its parent's, its form's, the
    // application's active window; null when none exists. Never creates one.
    virtual HWND GetValidHandle();
    virtual void FollowLinkedSelection(IShellFolder *folder, LPCITEMIDLIST idList, bool refresh) = 0;
    // The base version tells the partners; a concrete control re-reads its content first.
    virtual void Rebuild();
    virtual void NotifyLinkedControls(bool refresh) = 0;
    virtual void LinkedControlChanged(TorbShellControl *sender, bool refresh) = 0;
    // A control of the family was inserted into this control's owner, or removed.
    virtual void Notification(TorbShellControl *component, TOperation operation) = 0;

    QWidget *Widget() const { return m_widget; }

protected:
    // Called at the end of each base's constructor and at the start of its destructor.
    void EnterFamily(QWidget *widget);
    void LeaveFamily();
    // Whether the widget's own window exists.
    virtual bool OwnWindowExists() const;
    // Follows `sender`'s selection when `sender` is `link`; answers whether it was.
    bool FollowIfLinked(TorbShellControl *sender, TorbShellControl *link, bool refresh);

private:
    QWidget *m_widget = nullptr;
};

class TorbCustomSystemTreeView : public TCustomTreeView, public TorbShellControl
{
    Q_OBJECT

public:
    explicit TorbCustomSystemTreeView(QWidget *parent = nullptr);
    ~TorbCustomSystemTreeView() override;

    std::uint16_t ReadDelay() const { return m_readDelay; }
    void SetReadDelay(std::uint16_t delay) { m_readDelay = delay; }
    UINT_PTR ReadTimerID() const { return m_readTimerID; }
    bool ImmediateRead() const { return m_immediateRead; }

    TorbCustomSystemListView *ListView() const { return m_listView; }
    void SetListView(TorbCustomSystemListView *listView);
    TorbCustomSystemComboBox *ComboBox() const { return m_comboBox; }
    void SetComboBox(TorbCustomSystemComboBox *comboBox);

    void DeviceChanged() override;
    // The read delay ran out: stop the timer and tell the partners.
    virtual void ReadTimerExpired();
    void SetupImageList() override;
    void NotifyLinkedControls(bool refresh) override;
    void LinkedControlChanged(TorbShellControl *sender, bool refresh) override;
    void Notification(TorbShellControl *component, TOperation operation) override;

    // The timer callback: hands the expiry to the live tree whose timer it is.
    static void ReadTimerProc(HWND window, UINT message, UINT_PTR identifier, DWORD time);

protected:
    void SetImmediateRead(bool immediate) { m_immediateRead = immediate; }
    void Change(TTreeNode *node) override;
    void SysColorChange() override;
    bool OwnWindowExists() const override { return HandleAllocated(); }

private:
    std::uint16_t m_readDelay = 500;
    UINT_PTR m_readTimerID = 0;
    bool m_immediateRead = true;
    TorbCustomSystemListView *m_listView = nullptr;
    TorbCustomSystemComboBox *m_comboBox = nullptr;
    TImageList *m_images = nullptr;
};

class TorbCustomSystemListView : public QListWidget, public TorbShellControl
{
    Q_OBJECT

public:
    explicit TorbCustomSystemListView(QWidget *parent = nullptr);
    ~TorbCustomSystemListView() override;

    TorbCustomSystemTreeView *TreeView() const { return m_treeView; }
    void SetTreeView(TorbCustomSystemTreeView *treeView) { m_treeView = treeView; }
    TorbCustomSystemComboBox *ComboBox() const { return m_comboBox; }
    void SetComboBox(TorbCustomSystemComboBox *comboBox) { m_comboBox = comboBox; }

    TImageList *LargeImages() const { return m_largeImages; }
    TImageList *SmallImages() const { return m_smallImages; }
    unsigned Color() const;
    virtual void SetColor(unsigned color);

    void DeviceChanged() override;
    void SetupImageList() override;
    void NotifyLinkedControls(bool refresh) override;
    void LinkedControlChanged(TorbShellControl *sender, bool refresh) override;
    void Notification(TorbShellControl *component, TOperation operation) override;

protected:
    void changeEvent(QEvent *event) override;

private:
    TorbCustomSystemTreeView *m_treeView = nullptr;
    TorbCustomSystemComboBox *m_comboBox = nullptr;
    TImageList *m_largeImages = nullptr;
    TImageList *m_smallImages = nullptr;
};

class TorbCustomSystemComboBox : public QComboBox, public TorbShellControl
{
    Q_OBJECT

public:
    explicit TorbCustomSystemComboBox(QWidget *parent = nullptr);
    ~TorbCustomSystemComboBox() override;

    TorbCustomSystemTreeView *TreeView() const { return m_treeView; }
    void SetTreeView(TorbCustomSystemTreeView *treeView) { m_treeView = treeView; }
    TorbCustomSystemListView *ListView() const { return m_listView; }
    void SetListView(TorbCustomSystemListView *listView) { m_listView = listView; }
    // Filled by the base; its use is left to a concrete combo box.
    TImageList *SystemImages() const { return m_systemImages; }

    void DeviceChanged() override;
    void SetupImageList() override;
    void NotifyLinkedControls(bool refresh) override;
    void LinkedControlChanged(TorbShellControl *sender, bool refresh) override;
    void Notification(TorbShellControl *component, TOperation operation) override;

    TNotifyEvent OnClick;

protected:
    // The user picked an entry: the partners hear of it, then OnClick fires.
    virtual void Click();
    void changeEvent(QEvent *event) override;

private:
    TorbCustomSystemTreeView *m_treeView = nullptr;
    TorbCustomSystemListView *m_listView = nullptr;
    TImageList *m_systemImages = nullptr;
};

// The control that holds the device-change subscription, or null.
TorbShellControl *DeviceChangeSubscriber();
