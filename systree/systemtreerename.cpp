// TorbSystemTreeView: renaming an item by editing its node's label. A name that is
// refused is explained in a message box, and the editor stays open on it.

#include <string>

#include "platform/shell/shellapi.h"
#include "platform/system/comerror.h"
#include "platform/system/qtext.h"
#include "platform/system/translation.h"
#include "platform/ui/application.h"
#include "platform/ui/dialogs.h"
#include "systree/pidlhelp.h"
#include "systree/systemtreeview.h"

namespace {

// The rename flags of the desktop shell's label editing; the namespace takes the name as
// a plain name within the folder whatever they say.
constexpr DWORD RenameFlags = 0x20;

// Why the item `oldName` did not take `newName` (`result` is the namespace's answer).
QString RenameRefusal(const std::string &oldName, const std::string &newName, HRESULT result)
{
    QString reason;
    if (newName.empty())
        reason = Translated("TorbSystemTreeView", "a name cannot be empty");
    else if (newName.find('/') != std::string::npos)
        reason = Translated("TorbSystemTreeView", "a name cannot contain \"/\"");
    else if (newName.find('\0') != std::string::npos)
        reason = Translated("TorbSystemTreeView", "a name cannot contain a NUL character");
    else if (newName == "." || newName == "..")
        reason = Translated("TorbSystemTreeView", "\".\" and \"..\" are reserved names");
    else if (result == HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS))
        reason = Translated("TorbSystemTreeView", "an item with that name already exists in this folder");
    else if (result == E_ACCESSDENIED)
        reason = Translated("TorbSystemTreeView", "the folder that holds it may not be changed");
    else if (result == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)
        || result == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND))
        reason = Translated("TorbSystemTreeView", "it no longer exists");
    else if (result == HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE))
        reason = Translated("TorbSystemTreeView", "the name is too long");
    else if (result == HRESULT_FROM_WIN32(ERROR_WRITE_PROTECT))
        reason = Translated("TorbSystemTreeView", "the file system is read-only");
    else
        reason = ToQString(EOleSysError(result).what()).chopped(1); // without its full stop
    return Translated("TorbSystemTreeView", "Cannot rename %1 to %2: %3.")
        .arg(Quoted(oldName), Quoted(newName), reason);
}

} // namespace

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
    TItemIdList relative;
    const HRESULT result = data->ParentFolder->SetNameOf(
        GetValidHandle(), data->RelativeIDList, wide.c_str(), RenameFlags, relative.Receive());
    if (FAILED(result))
        return result;

    node->SetText(newName);
    if (relative) {
        const TFolderItemData *parentData = DataOf(node->Parent());
        LPITEMIDLIST absolute = IdListJoin(parentData ? parentData->AbsoluteIDList : nullptr, relative.Get());
        if (absolute) {
            IdListFree(data->RelativeIDList);
            IdListFree(data->AbsoluteIDList);
            data->RelativeIDList = relative.Release();
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
