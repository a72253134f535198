#include "app/read/entrykind.h"

#include <dirent.h>
#include <sys/stat.h>

TEntryKind KindOf(int dirFd, const TFolderEntry &entry)
{
    if (entry.Type == DT_DIR)
        return {true, true, false};
    if (!KindNeedsLook(entry))
        return {true, false, false};
    const char *name = entry.Name.data();
    const bool link = entry.Type == DT_LNK;
    const auto type = EntryTypeAt(dirFd, name, true);
    if (!type)
        return {link || EntryTypeAt(dirFd, name, false).has_value(), false, link};
    if (*type != S_IFDIR)
        return {true, false, link};
    // A folder may be a link even where the folder does not list the entry's type.
    return {true, true, link || EntryTypeAt(dirFd, name, false) == S_IFLNK};
}
