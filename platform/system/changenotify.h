#pragma once

// Change notification: a handle that becomes signalled when something of the chosen
// kinds changes in a folder, over inotify. The handle is not re-armed by a wait: once
// signalled it stays so, and the caller closes it.
//
// The filter bits and what they watch:
//
//   FILE_NOTIFY_CHANGE_FILE_NAME  0x001  an entry that is not a folder is created,
//                                        deleted or renamed (IN_CREATE, IN_DELETE,
//                                        IN_MOVED_FROM, IN_MOVED_TO without IN_ISDIR)
//   FILE_NOTIFY_CHANGE_DIR_NAME   0x002  the same for folders (with IN_ISDIR)
//   FILE_NOTIFY_CHANGE_ATTRIBUTES 0x004  metadata: permissions, owner, times (IN_ATTRIB)
//   FILE_NOTIFY_CHANGE_SIZE       0x008  a file's content is written (IN_MODIFY)
//   FILE_NOTIFY_CHANGE_LAST_WRITE 0x010  a file is written or closed after writing
//                                        (IN_MODIFY, IN_CLOSE_WRITE)
//   FILE_NOTIFY_CHANGE_SECURITY   0x100  permissions and owner (IN_ATTRIB)
//
// Whatever the filter, the handle is also signalled when the watched folder itself is
// deleted, renamed or unmounted, or when the kernel's event queue overflowed: the owner
// must read the folder again in those cases too. With a watched subtree every folder
// below is watched as well, also folders created while the watch runs.

#include <string>

#include "platform/system/wintypes.h"

using HANDLE = std::intptr_t;
constexpr HANDLE INVALID_HANDLE_VALUE = -1;

constexpr DWORD FILE_NOTIFY_CHANGE_FILE_NAME = 0x001;
constexpr DWORD FILE_NOTIFY_CHANGE_DIR_NAME = 0x002;
constexpr DWORD FILE_NOTIFY_CHANGE_ATTRIBUTES = 0x004;
constexpr DWORD FILE_NOTIFY_CHANGE_SIZE = 0x008;
constexpr DWORD FILE_NOTIFY_CHANGE_LAST_WRITE = 0x010;
constexpr DWORD FILE_NOTIFY_CHANGE_SECURITY = 0x100;

constexpr DWORD WAIT_OBJECT_0 = 0x000;
constexpr DWORD WAIT_TIMEOUT = 0x102;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;

constexpr DWORD INFINITE = 0xFFFFFFFF;

// A new handle watching `path` (of any length), or INVALID_HANDLE_VALUE with GetLastError() telling why
// (the folder does not exist or is not a folder, access denied, no inotify watches or
// instances left).
HANDLE FindFirstChangeNotification(const std::string &path, bool watchSubtree, DWORD filter);
// WAIT_OBJECT_0 when the handle is signalled (at once when it already was),
// WAIT_TIMEOUT when nothing of its kinds happened within `milliseconds`, WAIT_FAILED
// for a handle that is not open.
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
// Closes the handle; false for one that is not open.
bool FindCloseChangeNotification(HANDLE handle);

// An event: a handle that SetEvent signals for good, so that a thread waiting on it
// together with a change handle is woken at once, and a waiting thread uses no time at
// all until one of them is signalled. INVALID_HANDLE_VALUE when the system has no
// descriptor left.
HANDLE CreateEvent();
// Signals the event; any thread may call it. False for a handle that is not an event.
bool SetEvent(HANDLE event);
// Closes an event or a change handle; false for one that is not open.
bool CloseHandle(HANDLE handle);

// Waits until one of `handles` (change handles and events) is signalled: answers
// WAIT_OBJECT_0 + the index of the first signalled one, WAIT_TIMEOUT when none was within
// `milliseconds` (INFINITE: no limit), WAIT_FAILED when a handle is not open.
DWORD WaitForMultipleObjects(DWORD count, const HANDLE *handles, DWORD milliseconds);

// The error code of the calling thread's last failed call of this unit.
DWORD GetLastError();
