#pragma once

#include <string>

// Temporary files that must not outlive the process. While a TTemporaryName holds a
// name, a fatal signal (SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGPIPE, SIGXFSZ) removes the
// file of that name before the process ends, once RemoveTemporariesOnFatalSignals() has
// been called.
//
// The handler reads the names from a fixed table of atomic slots, which is all it may
// touch: a name is entered before its file is created and taken out only after the file
// is gone or renamed, and its text stays in place (the object is neither copied nor
// moved) for as long as it is entered.
class TTemporaryName
{
public:
    TTemporaryName() = default;
    // Removes the file still held.
    ~TTemporaryName();
    TTemporaryName(const TTemporaryName &) = delete;
    TTemporaryName &operator=(const TTemporaryName &) = delete;

    // Holds `path` (lets go of the name held before, leaving its file). False when the
    // table is full, and the name is not held.
    bool Hold(std::string path);
    // Lets go of the name and leaves its file: it was renamed, or never created.
    void Release() noexcept;
    // Removes the file and lets go of its name.
    void Remove() noexcept;

    bool Held() const { return m_slot >= 0; }
    const std::string &Path() const { return m_path; }

private:
    std::string m_path;
    int m_slot = -1;
};

// Installs the handlers that remove every held temporary, restore the signal's default
// action and raise it again, so that the process ends as the signal says. A signal that
// is ignored (nohup) or already handled keeps its disposition. Call once at start.
void RemoveTemporariesOnFatalSignals();
