#pragma once

// Timers with identifiers and a callback, as the desktop's SetTimer without a window
// gives them: each call makes a new timer that calls its callback every `elapse`
// milliseconds on the interface thread until it is killed. The callback receives the
// identifier that SetTimer returned. A failure that a callback raises goes to the
// application's error box; it does not stop the timer.

#include <cstdint>

#include "platform/system/wintypes.h"

using TIMERPROC = void (*)(HWND window, UINT message, UINT_PTR identifier, DWORD time);

constexpr UINT WM_TIMER = 0x0113;

// A new timer; answers its identifier (never 0), or 0 when no timer can be made (no
// callback, or no event loop in the process). `window` and `eventId` are not used: a
// timer without a window always gets an identifier of its own.
UINT_PTR SetTimer(HWND window, UINT_PTR eventId, UINT elapse, TIMERPROC callback);
// Stops the timer; false when no such timer runs. A callback may kill its own timer.
bool KillTimer(HWND window, UINT_PTR identifier);
// The number of timers running; tests check that trees kill theirs.
int LiveTimerCount();
