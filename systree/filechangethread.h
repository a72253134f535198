#pragma once

// A one-shot watcher of one folder: on a thread of its own it sleeps until the first
// change of the chosen kinds in the folder or a stop request, using no processor time
// meanwhile, and after a change runs its handler once on the interface thread and ends.
// A stop request wakes it at once and ends it without the handler; it takes precedence
// over a change seen at the same time, and a handler on its way to the interface thread
// is dropped there when the stop request came first.
//
// The watcher is shared between its thread and its owner (see TThread): the owner keeps
// the reference that Create gives, asks it to Terminate() when it no longer wants the
// report, and drops it. The object goes when both are done with it; a stop request on a
// watcher that has already ended, also one whose watch could not be set up, is safe.

#include <functional>
#include <memory>
#include <string>

#include "platform/system/changenotify.h"
#include "platform/system/set.h"
#include "platform/system/thread.h"

enum class TFileChangeKind
{
    fcFileName,
    fcDirName,
    fcAttributes,
    fcSize,
    fcLastWrite,
    fcSecurity
};
using TFileChangeFilter = TSet<TFileChangeKind>;

// The system filter of a set of change kinds.
DWORD ChangeFilterFlags(TFileChangeFilter filter);

class TFileChangeThread : public TThread
{
public:
    using TChangeEvent = std::function<void(TFileChangeThread *sender)>;

    // A watcher of `directory`, started at once, with its handler in place before it
    // watches. The handler runs on the interface thread.
    static std::shared_ptr<TFileChangeThread> Create(const std::string &directory, TFileChangeFilter filter,
        bool watchSubtree, TChangeEvent onDirectoryChanged);

    const std::string &Directory() const { return m_directory; }
    TFileChangeFilter Filter() const { return m_filter; }
    // Kept as the watcher's published property, though the tree only ever watches a
    // folder's own entries.
    bool WatchSubtree() const { return m_watchSubtree; }
    // The watch ended without a change to report: stopped, or it could not be set up.
    // Valid once the thread has finished.
    bool Aborted() const { return m_aborted.load(); }

    ~TFileChangeThread() override;

protected:
    void Execute() override;
    void DoTerminate() override;
    void TerminateRequested() override;

private:
    TFileChangeThread(const std::string &directory, TFileChangeFilter filter, bool watchSubtree,
        TChangeEvent onDirectoryChanged);

    const std::string m_directory;
    const TFileChangeFilter m_filter;
    const bool m_watchSubtree;
    const TChangeEvent m_onDirectoryChanged;
    // How often the stop request is looked at when no stop event could be made.
    static constexpr DWORD FallbackSliceMs = 10;

    std::atomic<bool> m_aborted{false};
    HANDLE m_changeHandle = 0;
    // Set by a stop request, so that the wait ends at once.
    const HANDLE m_stopEvent;
};
