#include "platform/shell/shellcontextmenu.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QProcess>
#include <QUrl>

#include "platform/shell/itemproperties.h"
#include "platform/shell/private/shellfs.h"
#include "platform/shell/private/shellnamespace.h"
#include "platform/system/qtext.h"
#include "platform/system/translation.h"
#include "platform/ui/application.h"
#include "platform/ui/dialogs.h"

namespace {

const TLaunchSeam *g_launchSeam = nullptr;
std::vector<const TNewFolderNotice *> g_newFolderNotices;

bool StartProgram(const QString &program, const QStringList &arguments)
{
    return g_launchSeam ? g_launchSeam->StartProgram(program, arguments)
                        : QProcess::startDetached(program, arguments);
}

// The verb is the command's name for programs and stays as it is; the caption and the
// help text are translated when shown.
struct TCommandText
{
    UINT Offset;
    const char *Verb;
    const char *Caption;
    const char *Help;
};

constexpr TCommandText Commands[] = {
    {IDM_OPEN, "open", QT_TRANSLATE_NOOP("ShellContextMenu", "&Open"),
        QT_TRANSLATE_NOOP("ShellContextMenu", "Opens the item with its default application.")},
    {IDM_OPENCONTAINING, "opencontaining", QT_TRANSLATE_NOOP("ShellContextMenu", "Open &Containing Folder"),
        QT_TRANSLATE_NOOP("ShellContextMenu", "Opens the folder that holds the item.")},
    {IDM_COPYPATH, "copypath", QT_TRANSLATE_NOOP("ShellContextMenu", "Copy &Path"),
        QT_TRANSLATE_NOOP("ShellContextMenu", "Copies the item's path to the clipboard.")},
    {IDM_NEWFOLDER, "newfolder", QT_TRANSLATE_NOOP("ShellContextMenu", "New &Folder"),
        QT_TRANSLATE_NOOP("ShellContextMenu", "Creates a new folder inside this folder.")},
    {IDM_DELETE, "delete", QT_TRANSLATE_NOOP("ShellContextMenu", "Move to &Trash"),
        QT_TRANSLATE_NOOP("ShellContextMenu", "Moves the item to the trash.")},
    {IDM_RENAME, "rename", QT_TRANSLATE_NOOP("ShellContextMenu", "Rena&me"),
        QT_TRANSLATE_NOOP("ShellContextMenu", "Renames the item.")},
    {IDM_PROPERTIES, "properties", QT_TRANSLATE_NOOP("ShellContextMenu", "P&roperties"),
        QT_TRANSLATE_NOOP("ShellContextMenu", "Shows the item's path, kind, size, dates and permissions.")},
};

QString Text(const char *source)
{
    return Translated("ShellContextMenu", source);
}

const TCommandText *CommandText(UINT offset)
{
    for (const TCommandText &command : Commands) {
        if (command.Offset == offset)
            return &command;
    }
    return nullptr;
}

QString ErrnoText(int error)
{
    return ToQString(std::strerror(error));
}

// Copies `text` into `name` (cchMax bytes, terminator included) without cutting a
// UTF-8 sequence.
void CopyText(const std::string &text, char *name, UINT cchMax)
{
    std::size_t length = std::min<std::size_t>(text.size(), cchMax - 1);
    while (length < text.size() && length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
        --length;
    std::memcpy(name, text.data(), length);
    name[length] = 0;
}

class TItemContextMenu final
    : public TShellObject<IContextMenu3, IID_IContextMenu, IID_IContextMenu2, IID_IContextMenu3>
{
public:
    explicit TItemContextMenu(std::vector<TMenuItem> items)
        : m_items(std::move(items))
    { }

    HRESULT QueryContextMenu(
        HMENU menu, UINT indexMenu, UINT idCmdFirst, UINT idCmdLast, UINT flags) override;
    HRESULT InvokeCommand(CMINVOKECOMMANDINFO *info) override;
    HRESULT GetCommandString(UINT_PTR idCmd, UINT type, UINT *, char *name, UINT cchMax) override;
    HRESULT HandleMenuMsg(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        return HandleMenuMsg2(message, wParam, lParam, nullptr);
    }
    HRESULT HandleMenuMsg2(UINT message, WPARAM wParam, LPARAM lParam, LRESULT *result) override;

private:
    bool Single() const { return m_items.size() == 1; }
    bool AllHave(SFGAOF attribute) const
    {
        return std::all_of(m_items.begin(), m_items.end(),
            [&](const TMenuItem &item) { return item.Attributes & attribute; });
    }
    // Whether the entry at `offset` applies to the items (and to the menu's flags).
    bool Offers(UINT offset) const;
    void FillOpenWith(QMenu *menu);
    HRESULT Carry(UINT offset, HWND owner);
    HRESULT Open(const std::string &path, bool isFolder);
    HRESULT Start(const TDesktopApplication &application, const std::string &path);
    HRESULT Fail(const QString &text, HRESULT result);

    std::vector<TMenuItem> m_items;
    UINT m_flags = CMF_NORMAL;
    UINT m_firstId = 1;
    UINT m_lastId = 0;
    QPointer<QMenu> m_openWith;
    bool m_openWithFilled = false;
    std::vector<TDesktopApplication> m_applications;
};

bool TItemContextMenu::Offers(UINT offset) const
{
    switch (offset) {
    case IDM_OPEN:
    case IDM_COPYPATH:
        return true;
    case IDM_OPENCONTAINING:
    case IDM_PROPERTIES:
        return Single();
    case IDM_NEWFOLDER:
        return Single() && m_items.front().IsFolder;
    case IDM_DELETE:
        return AllHave(SFGAO_CANDELETE);
    case IDM_RENAME:
        return (m_flags & CMF_CANRENAME) && Single() && AllHave(SFGAO_CANRENAME);
    default:
        return offset >= IDM_OPENWITHFIRST && offset - IDM_OPENWITHFIRST < m_applications.size();
    }
}

HRESULT TItemContextMenu::QueryContextMenu(
    HMENU menu, UINT indexMenu, UINT idCmdFirst, UINT idCmdLast, UINT flags)
{
    if (!menu || idCmdFirst > idCmdLast)
        return E_INVALIDARG;
    m_flags = flags;
    m_firstId = idCmdFirst;
    m_lastId = idCmdLast;
    QAction *before = menu->actions().value(static_cast<qsizetype>(indexMenu), nullptr);
    auto add = [&](UINT offset) {
        if (!Offers(offset) || idCmdLast - idCmdFirst < offset)
            return static_cast<QAction *>(nullptr);
        auto *action = new QAction(Text(CommandText(offset)->Caption), menu);
        action->setData(idCmdFirst + offset);
        menu->insertAction(before, action);
        return action;
    };
    auto separator = [&] {
        auto *action = new QAction(menu);
        action->setSeparator(true);
        menu->insertAction(before, action);
    };

    if (QAction *open = add(IDM_OPEN)) {
        QFont bold = open->font();
        bold.setBold(true);
        open->setFont(bold);
    }
    if (flags & CMF_DEFAULTONLY)
        return MAKE_SCODE_SUCCESS(IDM_OPEN + 1);
    if (Single() && idCmdLast - idCmdFirst >= IDM_OPENWITHFIRST) {
        auto *openWith = new QMenu(Translated("ShellContextMenu", "Open &With"), menu);
        menu->insertMenu(before, openWith);
        m_openWith = openWith;
        m_openWithFilled = false;
        m_applications.clear();
    }
    add(IDM_OPENCONTAINING);
    separator();
    add(IDM_COPYPATH);
    add(IDM_NEWFOLDER);
    separator();
    add(IDM_DELETE);
    add(IDM_RENAME);
    separator();
    add(IDM_PROPERTIES);
    const UINT used = std::min(IDM_OPENWITHFIRST + MaxOpenWithEntries, idCmdLast - idCmdFirst + 1);
    return MAKE_SCODE_SUCCESS(static_cast<std::uint16_t>(used));
}

void TItemContextMenu::FillOpenWith(QMenu *menu)
{
    m_openWithFilled = true;
    const TMenuItem &item = m_items.front();
    m_applications = ApplicationsFor(item.Path, item.IsFolder);
    const UINT room = m_lastId - m_firstId - IDM_OPENWITHFIRST + 1;
    if (m_applications.size() > room)
        m_applications.resize(room);
    for (std::size_t index = 0; index < m_applications.size(); ++index) {
        QAction *action = menu->addAction(m_applications[index].Name);
        action->setData(m_firstId + IDM_OPENWITHFIRST + static_cast<UINT>(index));
    }
    if (m_applications.empty())
        menu->addAction(Translated("ShellContextMenu", "No Applications Found"))->setEnabled(false);
}

HRESULT TItemContextMenu::HandleMenuMsg2(UINT message, WPARAM wParam, LPARAM, LRESULT *result)
{
    if (result)
        *result = 0;
    if (message != WM_INITMENUPOPUP)
        return S_FALSE; // nothing is drawn by the owner
    auto *menu = reinterpret_cast<QMenu *>(wParam);
    if (menu && menu == m_openWith && !m_openWithFilled)
        FillOpenWith(menu);
    return S_OK;
}

HRESULT TItemContextMenu::GetCommandString(UINT_PTR idCmd, UINT type, UINT *, char *name, UINT cchMax)
{
    if (!name || cchMax == 0)
        return E_INVALIDARG;
    name[0] = 0;
    if (idCmd > 0xFFFF || !Offers(static_cast<UINT>(idCmd)) || (type != GCS_VERBA && type != GCS_HELPTEXTA))
        return E_INVALIDARG;
    const auto offset = static_cast<UINT>(idCmd);
    std::string text;
    if (const TCommandText *command = CommandText(offset)) {
        text = type == GCS_VERBA ? command->Verb : Text(command->Help).toStdString();
    } else {
        const TDesktopApplication &application = m_applications[offset - IDM_OPENWITHFIRST];
        text = type == GCS_VERBA
            ? "openwith"
            : Translated("ShellContextMenu", "Opens the item with %1.").arg(application.Name).toStdString();
    }
    CopyText(text, name, cchMax);
    return S_OK;
}

HRESULT TItemContextMenu::InvokeCommand(CMINVOKECOMMANDINFO *info)
{
    if (!info || info->cbSize < sizeof(CMINVOKECOMMANDINFO))
        return E_INVALIDARG;
    UINT offset = 0;
    if (IS_INTRESOURCE(info->lpVerb)) {
        offset = LOWORD(reinterpret_cast<std::uintptr_t>(info->lpVerb));
    } else {
        const auto match = std::find_if(std::begin(Commands), std::end(Commands),
            [&](const TCommandText &command) { return std::strcmp(command.Verb, info->lpVerb) == 0; });
        if (match == std::end(Commands))
            return E_INVALIDARG;
        offset = match->Offset;
    }
    if (offset == IDM_RENAME)
        return E_NOTIMPL; // renaming is the caller's: it edits the item's name in place
    if (!Offers(offset))
        return E_INVALIDARG;
    try {
        return Carry(offset, info->hwnd);
    } catch (const std::exception &error) {
        return Fail(ToQString(error.what()), E_FAIL);
    }
}

HRESULT TItemContextMenu::Fail(const QString &text, HRESULT result)
{
    Application().MessageBox(text, QString(), MB_OK | MB_ICONERROR);
    return result;
}

HRESULT TItemContextMenu::Carry(UINT offset, HWND owner)
{
    const std::string &first = m_items.front().Path;
    switch (offset) {
    case IDM_OPEN:
        for (const TMenuItem &item : m_items) {
            if (const HRESULT result = Open(item.Path, item.IsFolder); FAILED(result))
                return result;
        }
        return S_OK;
    case IDM_OPENCONTAINING: {
        const std::size_t slash = first.rfind('/');
        return Open(slash == 0 || slash == std::string::npos ? "/" : first.substr(0, slash), true);
    }
    case IDM_COPYPATH: {
        QStringList paths;
        QList<QUrl> urls;
        for (const TMenuItem &item : m_items) {
            paths << ToQString(item.Path);
            urls << FileUrl(item.Path);
        }
        auto *data = new QMimeData;
        data->setText(paths.join(u'\n'));
        data->setUrls(urls);
        QGuiApplication::clipboard()->setMimeData(data);
        return S_OK;
    }
    case IDM_NEWFOLDER: {
        int error = 0;
        const std::string made = CreateNewFolder(first, error);
        if (made.empty())
            return Fail(Translated("ShellContextMenu", "Cannot create a new folder in %1: %2.")
                            .arg(Quoted(first), ErrnoText(error)),
                HResultFromErrno(error));
        TNewFolderNotice::Tell(made);
        return S_OK;
    }
    case IDM_DELETE:
        for (const TMenuItem &item : m_items) {
            const int error = MoveToTrash(item.Path);
            if (error == 0)
                continue;
            const QString reason = error == EXDEV
                ? Translated("ShellContextMenu", "it lies on another file system than the trash")
                : error == EINVAL ? Translated("ShellContextMenu", "it is the trash or holds it")
                                  : ErrnoText(error);
            return Fail(Translated("ShellContextMenu", "Cannot move %1 to the trash: %2.")
                            .arg(Quoted(item.Path), reason),
                HResultFromErrno(error));
        }
        return S_OK;
    case IDM_PROPERTIES:
        if (const int error = ShowItemProperties(owner, first))
            return Fail(Translated("ShellContextMenu", "Cannot read the properties of %1: %2.")
                            .arg(Quoted(first), ErrnoText(error)),
                HResultFromErrno(error));
        return S_OK;
    default:
        return Start(m_applications[offset - IDM_OPENWITHFIRST], first);
    }
}

HRESULT TItemContextMenu::Open(const std::string &path, bool isFolder)
{
    const std::optional<TDesktopApplication> application = DefaultApplicationFor(path, isFolder);
    if (!application)
        return Fail(Translated("ShellContextMenu",
                        "Cannot open %1: no application is set up to open items of type %2.")
                        .arg(Quoted(path), MimeTypeNameOf(path, isFolder)),
            E_FAIL);
    return Start(*application, path);
}

HRESULT TItemContextMenu::Start(const TDesktopApplication &application, const std::string &path)
{
    const QStringList arguments = ExecArguments(application.Exec, path);
    if (arguments.isEmpty())
        return Fail(
            Translated("ShellContextMenu", "The application \"%1\" has no command line that can be run.")
                .arg(application.Name),
            E_FAIL);
    if (!StartProgram(arguments.front(), arguments.mid(1)))
        return Fail(Translated("ShellContextMenu", "Cannot start \"%1\" (%2).")
                        .arg(application.Name, arguments.front()),
            E_FAIL);
    return S_OK;
}

} // namespace

TNewFolderNotice::TNewFolderNotice(std::function<void(const std::string &path)> made)
    : m_made(std::move(made))
{
    g_newFolderNotices.push_back(this);
}

TNewFolderNotice::~TNewFolderNotice()
{
    std::erase(g_newFolderNotices, this);
}

void TNewFolderNotice::Tell(const std::string &path)
{
    // A listener may end other notices while it hears of the folder.
    const std::vector<const TNewFolderNotice *> notices = g_newFolderNotices;
    for (const TNewFolderNotice *notice : notices) {
        if (std::find(g_newFolderNotices.begin(), g_newFolderNotices.end(), notice)
            != g_newFolderNotices.end())
            notice->m_made(path);
    }
}

void SetLaunchSeam(const TLaunchSeam *seam)
{
    g_launchSeam = seam;
}

IContextMenu3 *NewItemContextMenu(std::vector<TMenuItem> items)
{
    return new TItemContextMenu(std::move(items));
}
