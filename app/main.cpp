// The program's entry: the dialog face, the native back end, then the dialog
// set.

#include <cstdio>
#include <string>

#include "app/DialogSet.h"
#include "app/FaceFiles.h"
#include "toolkit/paint/Font.h"
#include "toolkit/platform/Platform.h"

int main(int /*argc*/, char** argv) {
  tk::Font::SetPreferredFaceFiles(mirvolant::DialogFaceFiles(argv[0]));
  std::string error;
  std::unique_ptr<tk::platform::Platform> platform = tk::platform::OpenNativePlatform(error);
  if (platform == nullptr) {
    std::fprintf(stderr, "mirvolant: %s\n", error.c_str());
    return 1;
  }
  return mirvolant::RunProgram(*platform, argv[0]);
}
