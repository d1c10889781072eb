// The program's entry: the dialog face, the native back end, then the dialog
// set. An error that ends the start-up outside the program's own windows goes
// to the error stream and to the back end's fatal-error report (a message box
// on Windows, where a GUI program has no console).

#include <cstdio>
#include <string>

#include "app/FaceFiles.h"
#include "app/Program.h"
#include "toolkit/paint/Font.h"
#include "toolkit/platform/Platform.h"

int main(int /*argc*/, char** argv) {
  std::string programPath = mirvolant::ProgramPath(argv[0]);
  tk::Font::SetPreferredFaceFiles(mirvolant::DialogFaceFiles(argv[0]));
  std::string error;
  std::unique_ptr<tk::platform::Platform> platform = tk::platform::OpenNativePlatform(error);
  if (platform == nullptr) {
    std::fprintf(stderr, "mirvolant: %s\n", error.c_str());
    tk::platform::ReportFatalError(tk::AnsiToUtf8(tk::TApplication::TitleOf(programPath.c_str())),
                                   error);
    return 1;
  }
  return mirvolant::RunProgram(*platform, programPath.c_str(), {}, tk::platform::ReportFatalError);
}
