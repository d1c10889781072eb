#pragma once
// Whole files read by their UTF-8 paths, on every system. The page has no
// file system: its loader hands the program the files it fetched, and they
// are read through the same calls from the source the page sets.

#include <functional>
#include <optional>
#include <string>

namespace tk {

// Whether path names a regular file.
bool FileExists(const std::string& path);
// The bytes of the regular file at path; nullopt when there is none or it
// cannot be read whole.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Where files come from instead of the system (null: from the system). The
// source answers nullopt for a file it does not have.
using FileSource = std::function<std::optional<std::string>(const std::string& path)>;
void SetFileSource(FileSource source);

}  // namespace tk
