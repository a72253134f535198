#pragma once

// The context menu object of file-system items, the one that IShellFolder::GetUIObjectOf
// hands out for IID_IContextMenu, IID_IContextMenu2 and IID_IContextMenu3.
//
// Entries, by command offset (identifier = first identifier + offset):
//    0 "open"            open with the default application (DefaultApplicationFor)
//    1 "opencontaining"  open the folder that holds the item with the default
//                        application of folders (one item only)
//      "Open With"       a submenu of the applications registered for the item's MIME
//                        type, filled when it opens (WM_INITMENUPOPUP); offsets 32..95
//    2 "copypath"        the paths, one a line, to the clipboard (as text and as URLs)
//    3 "newfolder"       "New Folder", "New Folder (2)", ... inside a folder item
//    4 "delete"          move to the freedesktop trash of the user ($XDG_DATA_HOME/Trash)
//   18 "rename"          only with CMF_CANRENAME for one renamable item; the caller edits
//                        the name itself, so InvokeCommand answers E_NOTIMPL for it
//   19 "properties"      a dialog with path, kind, size, dates and permissions
// A command that fails tells the user why in an error box and answers a failure code.
// No command runs a shell: applications are started directly with their arguments.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QString>
#include <QStringList>

#include "platform/shell/shellapi.h"

class QUrl;

constexpr UINT IDM_OPEN = 0;
constexpr UINT IDM_OPENCONTAINING = 1;
constexpr UINT IDM_COPYPATH = 2;
constexpr UINT IDM_NEWFOLDER = 3;
constexpr UINT IDM_DELETE = 4;
constexpr UINT IDM_RENAME = 18;
constexpr UINT IDM_PROPERTIES = 19;
constexpr UINT IDM_OPENWITHFIRST = 32;
constexpr UINT MaxOpenWithEntries = 64;

// One item of the menu.
struct TMenuItem
{
    std::string Path;
    bool IsFolder = false;
    SFGAOF Attributes = 0; // SFGAO_CANRENAME and SFGAO_CANDELETE decide those entries
};

// A new menu object for the items (at least one), holding one reference.
IContextMenu3 *NewItemContextMenu(std::vector<TMenuItem> items);

// How the menu starts programs; tests record instead of launching.
struct TLaunchSeam
{
    std::function<bool(const QString &program, const QStringList &arguments)> StartProgram;
};
// Installs `seam` (not owned; nullptr restores QProcess).
void SetLaunchSeam(const TLaunchSeam *seam);

// An application that declares it opens a MIME type (a desktop entry).
struct TDesktopApplication
{
    QString Id; // "org.example.Editor.desktop"
    QString Name;
    QString Exec;
};

// The applications for the MIME type of `path` (and its parent types) from the
// "applications" folders of $XDG_DATA_HOME and $XDG_DATA_DIRS, a user's entry hiding
// the system's entry with the same id; sorted by name, at most MaxOpenWithEntries.
// Names are those of the user's locale (Name[fr_FR], then Name[fr], then Name).
std::vector<TDesktopApplication> ApplicationsFor(const std::string &path, bool isFolder);

// The application that opens `path` by default, as the freedesktop MIME database says:
// the first installed entry that a [Default Applications] group of the mimeapps.list
// files names for the item's type or a type it derives from (the files of
// $XDG_CONFIG_HOME, $XDG_CONFIG_DIRS, then the "applications" folders of
// $XDG_DATA_HOME and $XDG_DATA_DIRS, each desktop's own list before the common one),
// else the first application that lists the type. Nothing when no application opens it.
std::optional<TDesktopApplication> DefaultApplicationFor(const std::string &path, bool isFolder);

// The name of the MIME type of `path` ("text/plain"; "inode/directory" for a folder).
QString MimeTypeNameOf(const std::string &path, bool isFolder);

// The program and arguments of a desktop entry's Exec line for `path`: quoting and
// escapes as desktop entries have them, %f/%F the path, %u/%U its file URL, %% a '%',
// other field codes dropped; the path is appended when the line takes no file. Empty
// when the line cannot be read.
QStringList ExecArguments(const QString &exec, const std::string &path);

// The file URL of a path, byte for byte (names that are not UTF-8 stay intact).
QUrl FileUrl(const std::string &path);

// Moves `path` to the user's trash; 0 or the errno of the failure. Never replaces an
// entry of the trash, never copies: an item on another file system than the trash
// fails with EXDEV, and an item that is already in the trash with EINVAL.
int MoveToTrash(const std::string &path);

// Creates the first free "New Folder", "New Folder (2)", ... (in the user's language:
// "Nouveau dossier", "Nouveau dossier (2)", ...) in `folder`; the new folder's path, or
// empty with `error` set.
std::string CreateNewFolder(const std::string &folder, int &error);

// Hears, for its life, of each folder that the "New Folder" command makes: `made` gets
// the new folder's path on the interface thread before InvokeCommand returns, as the
// desktop's shell change notice (SHCNE_MKDIR) tells a folder view, which then selects the
// folder and opens its name for editing.
class TNewFolderNotice
{
public:
    explicit TNewFolderNotice(std::function<void(const std::string &path)> made);
    ~TNewFolderNotice();
    TNewFolderNotice(const TNewFolderNotice &) = delete;
    TNewFolderNotice &operator=(const TNewFolderNotice &) = delete;

    // Tells every notice alive of `path`.
    static void Tell(const std::string &path);

private:
    std::function<void(const std::string &path)> m_made;
};
