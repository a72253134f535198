#pragma once

#include <fcntl.h>
#include <string>
#include <vector>

// Temporary files that must not outlive the process, and the moment an output becomes
// whole.
//
// Once RemoveTemporariesOnFatalSignals() has been called, every signal whose default
// action ends the process (signal(7): SIGHUP, SIGINT, SIGQUIT, SIGILL, SIGTRAP, SIGABRT,
// SIGBUS, SIGFPE, SIGUSR1, SIGSEGV, SIGUSR2, SIGPIPE, SIGALRM, SIGTERM, SIGSTKFLT, SIGXCPU,
// SIGXFSZ, SIGVTALRM, SIGPROF, SIGIO, SIGPWR, SIGSYS and the real-time signals) removes
// the files whose names TTemporaryName objects hold (a name may also be that of a folder,
// removed when empty), then ends the process by that
// signal, as it would have ended without the handler. A signal that is ignored (nohup)
// or already handled (by a sanitizer, a crash reporter) when it is called keeps what it
// had.
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

    // Holds `path` (lets go of the name held before, leaving its file), a path relative
    // to the working folder or, with `folder`, the name `path` in the folder open as
    // `folder`, a descriptor that stays open while the name is held. False when the table
    // is full, and the name is not held.
    bool Hold(std::string path, int folder = AT_FDCWD);
    // Lets go of the name and leaves its file: it was renamed, or never created.
    void Release() noexcept;
    // Removes the file and lets go of its name.
    void Remove() noexcept;

    bool Held() const { return m_slot >= 0; }
    const std::string &Path() const { return m_path; }
    int Folder() const { return m_entry.Folder; }

    // What a slot of the table points at: read by the signal handler.
    struct TEntry
    {
        int Folder = AT_FDCWD;
        const char *Name = nullptr;
    };

private:
    std::string m_path;
    TEntry m_entry;
    int m_slot = -1;
};

// Installs the handlers described above. Call once at start, before any thread starts.
void RemoveTemporariesOnFatalSignals();

// The signals whose default action ends the process, which the handlers are for.
std::vector<int> FatalSignals();

// While a TCommitSection lives, an output is becoming whole (the rename or the link that
// puts it in place of its target). A signal sent to end the process meanwhile, on any
// thread, waits until the section is over, so that the process never ends between the
// two steps of a commit; it then ends the process as it would have (or, with
// EndWithSuccessOnceCommitted(), as said there). The signals of a fault (SIGILL, SIGTRAP,
// SIGABRT, SIGBUS, SIGFPE, SIGSEGV, SIGSYS) never wait.
class TCommitSection
{
public:
    TCommitSection();
    // Delivers the signal that waited, if any.
    ~TCommitSection();
    TCommitSection(const TCommitSection &) = delete;
    TCommitSection &operator=(const TCommitSection &) = delete;

    // The output is whole: it replaced its target.
    void Committed();
};

// For a command whose work is one output: once an output has been committed, a signal
// sent to end the process (any handled one but a fault's) ends it with exit status 0, as
// the work is done, rather than by the signal. Call once at start, with
// RemoveTemporariesOnFatalSignals().
void EndWithSuccessOnceCommitted();
