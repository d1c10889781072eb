#pragma once
// Start-up: the JPEG graphic, the application object, the five dialogs in
// their fixed order, the event loop and the exit code.

#include <functional>
#include <memory>
#include <string>

#include "toolkit/forms/Application.h"
#include "toolkit/platform/Platform.h"
#include "toolkit/reader/Reader.h"

namespace mirvolant {

// Tells the user about an error that ends the start-up where the toolkit's
// own error box could not show it: title and text in UTF-8.
using FatalErrorReport = std::function<void(const std::string& title, const std::string& text)>;

// The program on a back end: the graphic classes registered, the reader of
// the dialog descriptions and the application object. The descriptions are
// the built-in ones unless a test or benchmark supplies others.
class Program {
 public:
  Program(tk::platform::Platform& platform, const char* programPath,
          const tk::DescriptionSource& descriptions = {});
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  tk::TApplication& Application() { return *application_; }

  // Creates the five dialogs from their descriptions, strictly in the order
  // Form1 ... Form5; Form1 becomes the main dialog. A picture the build left
  // out of its description is read from its file beside the program when it
  // is first needed. Throws what the toolkit throws when a dialog cannot be
  // built.
  void CreateDialogs();
  // Creates the dialogs and runs the event loop; the board is shown as soon
  // as it is built, the other dialogs are built right after its first frame,
  // before any event is handled. Returns the exit code: 0
  // after the main dialog was closed, 1 when a dialog could not be created
  // or the board could not be shown (the error is reported in the toolkit's
  // error box, or through fallback where not even that box can be shown).
  int Run(const FatalErrorReport& fallback = {});

 private:
  // Form2 ... Form5, after Form1.
  void CreateOtherDialogs();
  void LoadPicturesBeside();

  std::string folder_;
  tk::DescriptionReader reader_;
  std::unique_ptr<tk::TApplication> application_;
};

// The whole program on a back end; returns the exit code.
int RunProgram(tk::platform::Platform& platform, const char* programPath,
               const tk::DescriptionSource& descriptions = {},
               const FatalErrorReport& fallback = {});

}  // namespace mirvolant
