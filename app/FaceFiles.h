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

// The program file's path, from which its title is made: on Windows the
// module's own file name (argv0 may lack the extension, or name a link or a
// short 8.3 alias), elsewhere argv0.
std::string ProgramPath(const char* argv0);

// The face files to prefer, best first, for tk::Font::SetPreferredFaceFiles.
std::vector<std::string> DialogFaceFiles(const char* argv0);

}  // namespace mirvolant
