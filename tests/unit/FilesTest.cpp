// Whole files by UTF-8 paths, from the system or from the page's source.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "toolkit/base/Files.h"

namespace {

namespace fs = std::filesystem;

TEST(Files, ReadsWholeFilesByUtf8PathsAndRefusesWhatIsNoFile) {
  fs::path folder = fs::temp_directory_path() / "mirvolant-files-test";
  fs::create_directories(folder);
  // A Cyrillic name: Windows opens it only through its UTF-16 form.
  std::string path = (folder / "").string() + "\xD0\xBA\xD0\xBE\xD0\xB4.bin";
  std::string bytes("J\0P\xFF\x00G", 6);
  std::ofstream(fs::path(std::u8string(path.begin(), path.end())), std::ios::binary) << bytes;

  EXPECT_TRUE(tk::FileExists(path));
  EXPECT_EQ(tk::ReadWholeFile(path), bytes);
  EXPECT_FALSE(tk::FileExists(folder.string()));
  EXPECT_EQ(tk::ReadWholeFile(folder.string()), std::nullopt);
  EXPECT_EQ(tk::ReadWholeFile((folder / "none").string()), std::nullopt);

  // With a source, files come from it alone.
  tk::SetFileSource([](const std::string& p) -> std::optional<std::string> {
    if (p == "/face.ttf") return std::string("face");
    return std::nullopt;
  });
  EXPECT_EQ(tk::ReadWholeFile("/face.ttf"), "face");
  EXPECT_FALSE(tk::FileExists(path));
  tk::SetFileSource(nullptr);
  EXPECT_TRUE(tk::FileExists(path));
  fs::remove_all(folder);
}

}  // namespace
