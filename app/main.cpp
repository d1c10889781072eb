// The program's entry: the dialog face, the native back end, then the dialog
// set.

#include <cstdio>
#include <string>

#include "app/FaceFiles.h"
#include "app/Program.h"
#include "toolkit/paint/Font.h"
#include "toolkit/platform/Platform.h"
#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// Shows an error that ends the program where none of its own windows can: a
// GUI program on Windows has no console, so the system's message box; the
// error stream elsewhere has it already.
void ReportFatalError(const std::string& title, const std::string& text) {
#ifdef _WIN32
  auto wide = [](const std::string& utf8) {
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
    std::wstring out(static_cast<size_t>(n > 0 ? n : 1), L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, out.data(), n);
    return out;
  };
  MessageBoxW(nullptr, wide(text).c_str(), wide(title).c_str(), MB_OK | MB_ICONERROR);
#else
  (void)title;
  (void)text;
#endif
}

}  // namespace

int main(int /*argc*/, char** argv) {
  std::string programPath = mirvolant::ProgramPath(argv[0]);
  tk::Font::SetPreferredFaceFiles(mirvolant::DialogFaceFiles(argv[0]));
  std::string error;
  std::unique_ptr<tk::platform::Platform> platform = tk::platform::OpenNativePlatform(error);
  if (platform == nullptr) {
    std::fprintf(stderr, "mirvolant: %s\n", error.c_str());
    ReportFatalError(tk::AnsiToUtf8(tk::TApplication::TitleOf(programPath.c_str())), error);
    return 1;
  }
  return mirvolant::RunProgram(*platform, programPath.c_str(), {}, ReportFatalError);
}
