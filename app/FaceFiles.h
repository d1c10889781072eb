#pragma once
// Where the program looks for the dialog face before the font code's own
// search: the face shipped beside the executable, then on Windows the
// system's own MS Sans Serif.

#include <string>
#include <vector>

namespace mirvolant {

// The folder of the running executable as UTF-8; argv0 is the fallback where
// the system cannot tell.
std::string ExecutableFolder(const char* argv0);

// The face files to prefer, best first, for tk::Font::SetPreferredFaceFiles.
std::vector<std::string> DialogFaceFiles(const char* argv0);

}  // namespace mirvolant
