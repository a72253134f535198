#pragma once

// Every slot, event handler and callback that Qt or a worker thread calls runs through
// Guarded, since no exception may cross Qt: a failure goes to the failure handler. The
// application object installs its error box as the handler; until one is installed,
// the failure's message goes to standard error.

#include <exception>
#include <functional>

using TFailureHandler = void (*)(const std::exception &error);

void SetFailureHandler(TFailureHandler handler);

// Runs `action`, handing any failure to the failure handler.
void Guarded(const std::function<void()> &action);
