#pragma once
// Start-up: the application object, the five dialogs in their fixed order,
// the event loop and the exit code.

#include "toolkit/platform/Platform.h"

namespace mirvolant {

// Runs the whole program on the given back end and returns the exit code: 0
// after the main dialog was closed, 1 when a dialog could not be created.
int RunProgram(tk::platform::Platform& platform, const char* programPath);

}  // namespace mirvolant
