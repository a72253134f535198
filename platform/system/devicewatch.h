#pragma once

// Messages of the application's main window that the shell controls hook: the device
// change notice, raised when a volume is mounted (DBT_DEVICEARRIVAL) or unmounted
// (DBT_DEVICEREMOVECOMPLETE). The mount table (/proc/self/mountinfo) is watched while at
// least one hook is installed; each change of its set of mount points delivers one
// message per kind of change. Everything runs on the interface thread.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/system/wintypes.h"

constexpr UINT WM_DEVICECHANGE = 0x0219;
constexpr WPARAM DBT_DEVICEARRIVAL = 0x8000;
constexpr WPARAM DBT_DEVICEREMOVECOMPLETE = 0x8004;

struct TMessage
{
    UINT Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
};

// Answers true when it consumed the message.
using TWindowHook = std::function<bool(TMessage &message)>;

// Installs a hook on the main window's messages; answers its identifier (never 0).
int HookMainWindow(TWindowHook hook);
void UnhookMainWindow(int identifier);
int MainWindowHookCount();

// Hands `message` to the hooks in the order they were installed, until one consumes it;
// answers whether one did. The device watch and tests deliver through it.
bool DeliverMainWindowMessage(TMessage message);

// The mount table watched; tests point it at a file of their own (a regular file is
// watched for changes of its content). An empty path restores /proc/self/mountinfo.
void SetMountTablePath(const std::string &path);
// Reads the watched table again now and delivers what changed; the watch calls it.
void CheckMountTable();
