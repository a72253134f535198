#pragma once

// A user's home for the shell namespace inside a temporary tree: HOME and the XDG
// variables point at folders of the tree (home, home/.config, home/.local/share, run),
// and the namespace reads the tree's mount table ("mounts", with removable volumes
// below media/user and fixed ones below mnt) and no print queues but the test's own.
// Restore (or the destructor) puts the variables and the namespace's sources back.

#include <optional>
#include <string>
#include <vector>

#include "platform/shell/private/shellnamespace.h"
#include "tests/support/temptree.h"

class TShellHome
{
public:
    explicit TShellHome(TTempTree &tree);
    ~TShellHome() { Restore(); }
    TShellHome(const TShellHome &) = delete;
    TShellHome &operator=(const TShellHome &) = delete;

    std::string Home() const { return m_tree.Path("home"); }
    // Replaces the mounted volumes (mount points) or the print queues from now on.
    void SetVolumes(const std::vector<std::string> &mountPoints);
    void SetPrinters(const std::vector<std::string> &names);
    void Restore();

private:
    struct TSaved
    {
        const char *Name;
        std::optional<std::string> Value;
    };

    TTempTree &m_tree;
    TShellSources m_sources;
    std::vector<TSaved> m_saved;
    bool m_restored = false;
};
