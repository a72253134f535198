// Attributes of namespace nodes. Only the bits asked for are worked out, and each costs
// at most one call: the link bit an lstat, read-only and drop-target an access check
// (one for both where a folder may be written and entered), has-subfolder a read of the
// folder until its first subfolder. Whether the holding folder is writable (rename,
// delete, move) is asked once per folder object and kept until SFGAO_VALIDATE, and so is
// the holding folder itself, opened once the folder object is asked about a second entry.
//
// Access checks use the effective user (AT_EACCESS), the one the file system applies.

#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/shell/private/shellfs.h"
#include "platform/shell/private/shellnamespace.h"

namespace {

constexpr SFGAOF FileSystemCapabilities = SFGAO_CANCOPY | SFGAO_CANLINK | SFGAO_HASPROPSHEET;
constexpr SFGAOF ParentCapabilities = SFGAO_CANMOVE | SFGAO_CANRENAME | SFGAO_CANDELETE;

bool MayWrite(const std::string &path, int mode)
{
    const TPathAt at = PathAt(path);
    return at.Ok() && ::faccessat(at.Dir, at.Name.c_str(), mode, AT_EACCESS) == 0;
}

// Whether the directory `name` in `dir` holds a directory (or a link to one). The entry
// types answer without a stat; only links and unknown types are looked at. The entries
// are read straight into a buffer: a DIR stream would cost two more calls (it checks the
// descriptor) and an allocation per folder.
bool HoldsFolder(int dir, const char *name)
{
    const TFd folder(::openat(dir, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder)
        return false;
    alignas(dirent64) static thread_local char buffer[32768];
    for (;;) {
        const ssize_t size = ::getdents64(folder.Get(), buffer, sizeof buffer);
        if (size <= 0)
            return false;
        for (ssize_t at = 0; at < size;) {
            const auto *entry = reinterpret_cast<const dirent64 *>(buffer + at);
            at += entry->d_reclen;
            const char *entryName = entry->d_name;
            if (entryName[0] == '.' && (entryName[1] == 0 || (entryName[1] == '.' && entryName[2] == 0)))
                continue;
            if (entry->d_type == DT_DIR)
                return true;
            if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
                struct stat info;
                if (::fstatat(folder.Get(), entryName, &info, 0) == 0 && S_ISDIR(info.st_mode))
                    return true;
            }
        }
    }
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

    TPathAt at;
    if (const int dir = context.EntryDirectory(node.Path); dir >= 0) {
        at.Dir = dir;
        at.Name = BaseName(node.Path);
    } else {
        at = PathAt(node.Path);
    }
    if (!at.Ok())
        return attributes;
    struct stat info;
    if ((mask & SFGAO_LINK) && ::fstatat(at.Dir, at.Name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0
        && S_ISLNK(info.st_mode))
        attributes |= SFGAO_LINK;
    if (mask & (SFGAO_READONLY | SFGAO_DROPTARGET)) {
        // Writable and enterable, the common case for a folder, takes one check.
        if (folder && ::faccessat(at.Dir, at.Name.c_str(), W_OK | X_OK, AT_EACCESS) == 0) {
            attributes |= SFGAO_DROPTARGET;
        } else if (::faccessat(at.Dir, at.Name.c_str(), W_OK, AT_EACCESS) != 0) {
            // A missing entry is not read-only: it is not there at all.
            if (errno == EACCES || errno == EROFS || errno == EPERM)
                attributes |= SFGAO_READONLY;
        } else if (folder && ::faccessat(at.Dir, at.Name.c_str(), X_OK, AT_EACCESS) == 0) {
            attributes |= SFGAO_DROPTARGET;
        }
    }
    if (folder && (mask & SFGAO_HASSUBFOLDER) && HoldsFolder(at.Dir, at.Name.c_str()))
        attributes |= SFGAO_HASSUBFOLDER;
    return attributes;
}

} // namespace

void TAttributeContext::Forget()
{
    m_writable.reset();
    m_sources.reset();
    m_parentFd = TFd();
    m_entriesAsked = 0;
}

int TAttributeContext::EntryDirectory(std::string_view path)
{
    if (m_parentDir.empty())
        return -1;
    // Right inside the folder: the folder, then '/' (the root's own), then one component.
    const std::string_view name = BaseName(path);
    if (name.empty() || name.size() >= path.size() || name == "." || name == "..")
        return -1;
    const std::string_view folder = path.substr(0, path.size() - name.size());
    const bool inside = m_parentDir == "/"
        ? folder == "/"
        : folder.size() == m_parentDir.size() + 1 && folder.starts_with(m_parentDir) && folder.back() == '/';
    if (!inside)
        return -1;
    // One entry alone is served by its path: opening the folder would be one call more.
    if (m_entriesAsked < 2 && ++m_entriesAsked == 2)
        m_parentFd = OpenDirectory(m_parentDir, O_PATH);
    return m_parentFd.Get();
}

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
