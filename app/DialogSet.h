#pragma once
// Start-up: the application object, the five dialogs in their fixed order,
// the event loop and the exit code.

#include "toolkit/platform/Platform.h"

namespace tk {
class TApplication;
}

namespace mirvolant {

// Creates the five dialogs from their descriptions, strictly in the order
// Form1 ... Form5; Form1 becomes the main dialog. Throws what the toolkit
// throws when a dialog cannot be built.
void CreateDialogSet(tk::TApplication& application);

// Runs the whole program on the given back end and returns the exit code: 0
// after the main dialog was closed, 1 when a dialog could not be created.
int RunProgram(tk::platform::Platform& platform, const char* programPath);

}  // namespace mirvolant
