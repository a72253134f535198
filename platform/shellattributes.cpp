// Attributes of namespace nodes. Only the bits asked for are worked out, and each costs
// at most one call: the link bit an lstat, read-only and drop-target an access check,
// has-subfolder a read of the folder until its first subfolder. Whether the holding
// folder is writable (rename, delete, move) is asked once per folder object and kept
// until SFGAO_VALIDATE.
//
// Access checks use the effective user (AT_EACCESS), the one the file system applies.

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/shellfs.h"
#include "platform/shellnamespace.h"

namespace {

constexpr SFGAOF FileSystemCapabilities = SFGAO_CANCOPY | SFGAO_CANLINK | SFGAO_HASPROPSHEET;
constexpr SFGAOF ParentCapabilities = SFGAO_CANMOVE | SFGAO_CANRENAME | SFGAO_CANDELETE;

bool MayWrite(const std::string &path, int mode)
{
    const TPathAt at = PathAt(path);
    return at.Ok() && ::faccessat(at.Dir, at.Name.c_str(), mode, AT_EACCESS) == 0;
}

SFGAOF VirtualAttributes(const TShellNode &node)
{
    switch (node.Kind) {
    case TItemKind::ikDesktop:
        return SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER
            | (IsDirectory(DesktopDirectory(TUserDirs())) ? SFGAO_FILESYSTEM : 0);
    case TItemKind::ikComputer:
        return SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER;
    case TItemKind::ikControlPanel:
        return SFGAO_FOLDER | SFGAO_HASSUBFOLDER;
    case TItemKind::ikPrinters:
        return SFGAO_FOLDER;
    default:
        return 0;
    }
}

SFGAOF FileSystemAttributes(const TShellNode &node, SFGAOF mask, TAttributeContext &context)
{
    const bool folder = IsFolderKind(node.Kind);
    SFGAOF attributes = SFGAO_FILESYSTEM | FileSystemCapabilities;
    if (folder)
        attributes |= SFGAO_FOLDER | SFGAO_FILESYSANCESTOR;
    if (BaseName(node.Path).starts_with('.'))
        attributes |= SFGAO_HIDDEN;
    if ((mask & ParentCapabilities) && context.HasParent() && context.ParentWritable())
        attributes |= ParentCapabilities;
    if ((mask & SFGAO_REMOVABLE) && IsOnRemovableVolume(context.Sources(), node.Path))
        attributes |= SFGAO_REMOVABLE;
    if (!(mask & (SFGAO_LINK | SFGAO_READONLY | SFGAO_DROPTARGET | SFGAO_HASSUBFOLDER)))
        return attributes;

    const TPathAt at = PathAt(node.Path);
    if (!at.Ok())
        return attributes;
    struct stat info;
    if ((mask & SFGAO_LINK) && ::fstatat(at.Dir, at.Name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0
        && S_ISLNK(info.st_mode))
        attributes |= SFGAO_LINK;
    if (mask & (SFGAO_READONLY | SFGAO_DROPTARGET)) {
        if (::faccessat(at.Dir, at.Name.c_str(), W_OK, AT_EACCESS) != 0) {
            // A missing entry is not read-only: it is not there at all.
            if (errno == EACCES || errno == EROFS || errno == EPERM)
                attributes |= SFGAO_READONLY;
        } else if (folder && ::faccessat(at.Dir, at.Name.c_str(), X_OK, AT_EACCESS) == 0) {
            attributes |= SFGAO_DROPTARGET;
        }
    }
    if (folder && (mask & SFGAO_HASSUBFOLDER) && HasSubfolder(at.Dir, at.Name.c_str()))
        attributes |= SFGAO_HASSUBFOLDER;
    return attributes;
}

} // namespace

bool TAttributeContext::ParentWritable()
{
    if (!m_writable)
        m_writable = MayWrite(m_parentDir, W_OK | X_OK);
    return *m_writable;
}

const TShellSources &TAttributeContext::Sources()
{
    if (!m_sources)
        m_sources = CurrentShellSources();
    return *m_sources;
}

std::string ParentDirectory(const TShellNode &parent, const TShellNode &node)
{
    switch (node.Kind) {
    case TItemKind::ikFolder:
    case TItemKind::ikFile:
        return parent.Path;
    case TItemKind::ikDesktopFolder:
    case TItemKind::ikDesktopFile: {
        const std::size_t slash = node.Path.rfind('/');
        return slash == 0 ? std::string("/") : node.Path.substr(0, slash);
    }
    default:
        return {};
    }
}

SFGAOF NodeAttributes(const TShellNode &node, SFGAOF mask, TAttributeContext &context)
{
    SFGAOF attributes;
    if (node.Kind == TItemKind::ikTrash && !IsDirectory(node.Path))
        attributes = SFGAO_FOLDER; // no trash folder yet: an empty virtual folder
    else if (node.Path.empty())
        attributes = VirtualAttributes(node);
    else
        attributes = FileSystemAttributes(node, mask, context);
    return attributes & mask;
}
