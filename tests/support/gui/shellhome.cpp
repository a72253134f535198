#include "tests/support/gui/shellhome.h"

#include <cstdlib>

TShellHome::TShellHome(TTempTree &tree)
    : m_tree(tree)
{
    for (const char *name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"}) {
        const char *value = std::getenv(name);
        m_saved.push_back({name, value ? std::optional<std::string>(value) : std::nullopt});
    }
    m_tree.Folder("home/.config");
    m_tree.Folder("home/.local/share");
    m_tree.Folder("run");
    ::setenv("HOME", Home().c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (Home() + "/.config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (Home() + "/.local/share").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", m_tree.Path("run").c_str(), 1);
    m_sources.MountTable = m_tree.Path("mounts");
    m_sources.RemovableRoots = {m_tree.Path("media/user")};
    m_sources.FixedRoots = {m_tree.Path("mnt")};
    m_sources.PrinterNames = std::vector<std::string>();
    SetVolumes({});
}

void TShellHome::SetVolumes(const std::vector<std::string> &mountPoints)
{
    std::string table = "proc /proc proc rw 0 0\n";
    for (const std::string &mountPoint : mountPoints) {
        // The mount table escapes blanks the octal way.
        std::string escaped;
        for (const char c : mountPoint)
            escaped += c == ' ' ? std::string("\\040") : std::string(1, c);
        table += "/dev/sdz1 " + escaped + " vfat rw 0 0\n";
    }
    m_tree.TextFile("mounts", table);
    OverrideShellSources(&m_sources);
}

void TShellHome::SetPrinters(const std::vector<std::string> &names)
{
    m_sources.PrinterNames = names;
    OverrideShellSources(&m_sources);
}

void TShellHome::Restore()
{
    if (std::exchange(m_restored, true))
        return;
    OverrideShellSources(nullptr);
    for (const TSaved &saved : m_saved) {
        if (saved.Value)
            ::setenv(saved.Name, saved.Value->c_str(), 1);
        else
            ::unsetenv(saved.Name);
    }
}
