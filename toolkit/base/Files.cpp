#include "toolkit/base/Files.h"

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>

namespace tk {

namespace {

FileSource& Source() {
  static FileSource source;
  return source;
}

// UTF-8 on every system: Windows' own file names are UTF-16.
std::filesystem::path FsPath(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

}  // namespace

void SetFileSource(FileSource source) {
  Source() = std::move(source);
}

bool FileExists(const std::string& path) {
  if (Source()) return Source()(path).has_value();
  std::error_code ec;
  return !path.empty() && std::filesystem::is_regular_file(FsPath(path), ec);
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
  if (Source()) return Source()(path);
  if (!FileExists(path)) return std::nullopt;
  // In one read of the file's size. C's files, not streams, which would
  // bring their locales into the page's code.
  std::error_code ec;
  auto size = std::filesystem::file_size(FsPath(path), ec);
  if (ec) return std::nullopt;
#ifdef _WIN32
  std::FILE* file = _wfopen(FsPath(path).c_str(), L"rb");
#else
  std::FILE* file = std::fopen(path.c_str(), "rb");
#endif
  if (file == nullptr) return std::nullopt;
  std::string bytes(static_cast<size_t>(size), '\0');
  bool whole = std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size() &&
               std::fgetc(file) == EOF && std::ferror(file) == 0;
  std::fclose(file);
  if (!whole) return std::nullopt;
  return bytes;
}

}  // namespace tk
