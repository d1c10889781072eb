// The program in a browser: the files the page fetched (the dialog face,
// later the clue picture), the browser back end, and the dialog set with late
// ticks caught up, so that a phase lasts its twenty minutes of wall time
// however long the phone kept the page frozen.

#include <cstdlib>
#include <memory>
#include <string>

#include "app/FaceFiles.h"
#include "app/Program.h"
#include "quest/Rules.h"
#include "toolkit/paint/Font.h"
#include "toolkit/platform/web/browser/Browser.h"

namespace {
// The program's path as the toolkit sees it: its title ("Mirvolant") comes
// from the file name, and the page puts its files beside it.
constexpr const char* kProgramPath = "/Mirvolant";

int RunInPage() {
  tk::SetFileSource(tk::platform::web::PageFiles());
  tk::Font::SetPreferredFaceFiles(mirvolant::DialogFaceFiles(kProgramPath));
  // The page's saved game belongs to the quest's rules, not to this build.
  std::unique_ptr<tk::platform::Platform> platform =
      tk::platform::web::OpenBrowserPlatform(mirvolant::SavedGameName());
  mirvolant::Program program(*platform, kProgramPath);
  program.Application().SetLateTicks(tk::LateTicks::CatchUp);
  return program.Run();
}

}  // namespace

int main() {
  // main has returned to the page long before the game ends (every wait
  // suspends it); its exit code reaches the page only through exit.
  std::exit(RunInPage());
}
