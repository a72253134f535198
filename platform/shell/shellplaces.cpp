// The places of the user's session that the namespace shows: home, the XDG base and
// user directories, the trash, mounted volumes and print queues. Everything is read
// from the environment and the files when asked, so a change of HOME or XDG_* takes
// effect at the next call; callers read user-dirs.dirs once per operation.

#include <cstdlib>
#include <fstream>
#include <mntent.h>
#include <mutex>
#include <pwd.h>
#include <unistd.h>

#include <QPrinterInfo>

#include "platform/shell/private/shellfs.h"
#include "platform/shell/private/shellnamespace.h"

namespace {

std::mutex g_sourcesMutex;
std::optional<TShellSources> g_overriddenSources;

std::string UserName()
{
    if (const passwd *entry = ::getpwuid(::getuid()))
        return entry->pw_name;
    const char *user = std::getenv("USER");
    return user ? user : "";
}

// An XDG base directory: the variable when it holds an absolute path, else the default.
std::string BaseDirectory(const char *variable, std::string_view fallback)
{
    const char *value = std::getenv(variable);
    if (value && value[0] == '/')
        return CleanPath(value);
    return JoinPath(HomePath(), fallback);
}

// The value of a user-dirs.dirs line: "$HOME/..." or an absolute path, in double quotes
// with backslash escapes. Anything else is ignored, as xdg-user-dirs does.
std::optional<std::string> UserDirValue(std::string_view text, const std::string &home)
{
    if (text.empty() || text.front() != '"')
        return std::nullopt;
    std::string value;
    std::size_t at = 1;
    for (; at < text.size() && text[at] != '"'; ++at) {
        if (text[at] == '\\' && at + 1 < text.size())
            ++at;
        value += text[at];
    }
    if (at == text.size())
        return std::nullopt;
    if (value.starts_with("$HOME")) {
        const std::string rest = value.substr(5);
        if (!rest.empty() && rest.front() != '/')
            return std::nullopt;
        return CleanPath(home + rest);
    }
    if (!value.empty() && value.front() == '/')
        return CleanPath(value);
    return std::nullopt;
}

bool Contains(const std::vector<std::string> &list, std::string_view value)
{
    for (const std::string &item : list) {
        if (item == value)
            return true;
    }
    return false;
}

} // namespace

std::string HomePath()
{
    const char *home = std::getenv("HOME");
    if (home && home[0] == '/')
        return CleanPath(home);
    if (const passwd *entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
        return CleanPath(entry->pw_dir);
    return "/";
}

std::string ConfigHome()
{
    return BaseDirectory("XDG_CONFIG_HOME", ".config");
}

std::string DataHome()
{
    return BaseDirectory("XDG_DATA_HOME", ".local/share");
}

std::string RuntimeDir()
{
    const char *value = std::getenv("XDG_RUNTIME_DIR");
    if (value && value[0] == '/')
        return CleanPath(value);
    return "/run/user/" + std::to_string(::getuid());
}

std::string TrashFilesPath()
{
    return DataHome() + "/Trash/files";
}

TUserDirs::TUserDirs()
    : m_home(HomePath())
{
    std::ifstream file(ConfigHome() + "/user-dirs.dirs");
    std::string line;
    while (std::getline(file, line)) {
        const std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#')
            continue;
        const std::size_t equals = line.find('=', start);
        if (equals == std::string::npos)
            continue;
        std::string key = line.substr(start, equals - start);
        if (!key.starts_with("XDG_") || !key.ends_with("_DIR"))
            continue;
        if (std::optional<std::string> value
            = UserDirValue(std::string_view(line).substr(equals + 1), m_home))
            m_dirs.emplace_back(key.substr(4, key.size() - 8), std::move(*value));
    }
}

std::string TUserDirs::Get(std::string_view key, std::string_view fallback) const
{
    // The last line that names a key wins, as when the shell sources the file.
    for (auto it = m_dirs.rbegin(); it != m_dirs.rend(); ++it) {
        if (it->first == key)
            return it->second;
    }
    return fallback.empty() ? m_home : JoinPath(m_home, fallback);
}

std::string DesktopDirectory(const TUserDirs &dirs)
{
    return dirs.Get("DESKTOP", "Desktop");
}

TShellSources TShellSources::System()
{
    TShellSources sources;
    sources.MountTable = "/proc/self/mounts";
    const std::string user = UserName();
    if (!user.empty())
        sources.RemovableRoots = {"/media/" + user, "/run/media/" + user};
    sources.FixedRoots = {"/mnt"};
    return sources;
}

void OverrideShellSources(const TShellSources *sources)
{
    const std::lock_guard lock(g_sourcesMutex);
    if (sources)
        g_overriddenSources = *sources;
    else
        g_overriddenSources.reset();
}

TShellSources CurrentShellSources()
{
    {
        const std::lock_guard lock(g_sourcesMutex);
        if (g_overriddenSources)
            return *g_overriddenSources;
    }
    return TShellSources::System();
}

std::vector<TVolume> UserVolumes(const TShellSources &sources)
{
    std::vector<TVolume> volumes;
    FILE *table = ::setmntent(sources.MountTable.c_str(), "r");
    if (!table)
        return volumes;
    mntent entry;
    char buffer[4096];
    while (::getmntent_r(table, &entry, buffer, sizeof buffer)) {
        const std::string mountPoint = CleanPath(entry.mnt_dir);
        if (mountPoint.size() < 2 || mountPoint.front() != '/')
            continue;
        const std::string folder = mountPoint.substr(0, mountPoint.rfind('/'));
        const bool removable = Contains(sources.RemovableRoots, folder);
        if (!removable && !Contains(sources.FixedRoots, folder))
            continue;
        bool known = false;
        for (const TVolume &volume : volumes)
            known = known || volume.MountPoint == mountPoint;
        if (!known)
            volumes.push_back({mountPoint, removable});
    }
    ::endmntent(table);
    return volumes;
}

std::vector<std::string> PrinterQueueNames(const TShellSources &sources)
{
    if (sources.PrinterNames)
        return *sources.PrinterNames;
    std::vector<std::string> names;
    for (const QString &name : QPrinterInfo::availablePrinterNames()) {
        if (!name.isEmpty())
            names.push_back(name.toStdString());
    }
    return names;
}

bool IsOnRemovableVolume(const TShellSources &sources, std::string_view path)
{
    for (const std::string &root : sources.RemovableRoots) {
        if (path.size() > root.size() + 1 && path.starts_with(root) && path[root.size()] == '/')
            return true;
    }
    return false;
}
