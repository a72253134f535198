#pragma once

#include <optional>
#include <string>
#include <vector>

#include <QStringList>

class TTempTree;

// The desktop's applications as a test sets them up, for the object's life: the system's
// data and configuration folders ($XDG_DATA_DIRS, $XDG_CONFIG_DIRS) lie in the test's tree
// and hold no application (the MIME database is still the system's, reached through a
// link), no desktop is current, and PATH holds only the tree's "bin" folder, so neither a
// system application nor xdg-open takes part. The variables are put back at the end.
class TFakeApplications
{
public:
    explicit TFakeApplications(TTempTree &tree);
    ~TFakeApplications();
    TFakeApplications(const TFakeApplications &) = delete;
    TFakeApplications &operator=(const TFakeApplications &) = delete;

    // The folder of the system's desktop entries and its mimeapps.list ($XDG_DATA_DIRS).
    std::string SystemApplications() const;
    // The folder of the system's configuration, for its mimeapps.list ($XDG_CONFIG_DIRS).
    std::string SystemConfig() const;

    // Writes the desktop entry `relative` (below an applications folder of the tree, such
    // as "home/.local/share/applications/viewer.desktop") with these keys.
    void Entry(const std::string &relative, const std::string &keys);
    // A program `name` in PATH that writes the arguments it gets to a file of its own;
    // starting it twice before Recorded reads the file keeps the last call.
    void RecordingProgram(const std::string &name);
    // The arguments the program `name` was started with, waiting (with events running)
    // up to `ms` for it to run; nothing when it did not. Reading forgets them.
    std::optional<QStringList> Recorded(const std::string &name, int ms = 5000);

private:
    struct TSaved
    {
        const char *Name;
        std::optional<std::string> Value;
    };

    TTempTree &m_tree;
    std::vector<TSaved> m_saved;
};
