#include "app/FaceFiles.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif
#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

namespace mirvolant {

namespace {

std::string Utf8(const std::filesystem::path& p) {
  std::u8string s = p.u8string();
  return std::string(s.begin(), s.end());
}

#ifdef _WIN32
// The running executable's file, or empty.
std::filesystem::path ModuleFile() {
  std::wstring buffer(MAX_PATH, L'\0');
  while (true) {
    DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) {
      buffer.resize(n);
      return buffer;
    }
    buffer.resize(buffer.size() * 2);
  }
}
#endif

}  // namespace

std::string ProgramPath(const char* argv0) {
#ifdef _WIN32
  std::filesystem::path exe = ModuleFile();
  if (!exe.empty()) return Utf8(exe);
#endif
  return argv0 != nullptr ? argv0 : "";
}

std::string ExecutableFolder(const char* argv0) {
  std::filesystem::path exe;
#if defined(_WIN32)
  exe = ModuleFile();
#elif defined(__EMSCRIPTEN__)
  // Under node the script's own path; in a browser the files the page
  // provides sit in the root of the virtual file system.
  const char* script = emscripten_run_script_string(
      "typeof process === 'object' && process.argv && process.argv[1] ? "
      "require('path').resolve(process.argv[1]) : '/program'");
  exe = script;
#else
  std::error_code ec;
  exe = std::filesystem::read_symlink("/proc/self/exe", ec);
#endif
  if (exe.empty() && argv0 != nullptr) {
    std::error_code ec;
    exe = std::filesystem::absolute(argv0, ec);
  }
  return Utf8(exe.parent_path());
}

std::vector<std::string> DialogFaceFiles(const char* argv0) {
  std::vector<std::string> files;
  std::string folder = ExecutableFolder(argv0);
  if (!folder.empty()) {
    files.push_back(Utf8(std::filesystem::path(std::u8string(folder.begin(), folder.end())) /
                         "ms_sans_serif.ttf"));
  }
#ifdef _WIN32
  // The system's raster MS Sans Serif; the font code takes it only if it
  // has the Cyrillic letters (the Russian edition's file, or Wine's
  // Russian variant).
  wchar_t windows[MAX_PATH];
  UINT n = GetWindowsDirectoryW(windows, MAX_PATH);
  if (n > 0 && n < MAX_PATH) {
    std::filesystem::path fonts = std::filesystem::path(windows) / L"Fonts";
    files.push_back(Utf8(fonts / L"sserife.fon"));
    files.push_back(Utf8(fonts / L"sserifer.fon"));
  }
#endif
  return files;
}

}  // namespace mirvolant
