// Replays a journal of the browser build on this machine's build of the same
// program and writes what each shown dialog's client area then shows, so that
// the browser's screenshots can be compared with this build's rendering of
// the very same state.
//
// Usage: replay_journal JOURNAL_FILE CLOCK OUT_DIR [STOP]
//   JOURNAL_FILE  the journal's text, as the page stored it (a game of this
//                 build's rules)
//   CLOCK         the page's clock (ms) when its screenshot was taken: the
//                 timers run on to it after the journal's last record
//   OUT_DIR       receives one PNG per shown dialog, named by its window
//                 number: window-N.png, and the program's state as text
//                 (state.txt, UTF-8: each dialog's controls, the counters)
//   STOP          a stop of the road (tests/road/road.txt): what of it the
//                 state does not show goes to road.txt, a line each
// Exits 1 when the journal cannot be read.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "Road.h"
#include "WebHarness.h"
#include "app/FaceFiles.h"
#include "quest/Rules.h"
#include "toolkit/paint/Font.h"
#include "toolkit/paint/png/PngFile.h"

using namespace mirvolant::testing;

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) {
    std::fprintf(stderr, "usage: replay_journal JOURNAL_FILE CLOCK OUT_DIR [STOP]\n");
    return 2;
  }
  const std::string game = mirvolant::SavedGameName();
  tk::Font::SetPreferredFaceFiles(mirvolant::DialogFaceFiles(argv[0]));
  std::ifstream in(argv[1], std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  std::optional<web::Journal> journal = web::Journal::Decode(text.str(), game);
  if (!journal) {
    std::fprintf(stderr, "replay_journal: %s is not a journal of %s\n", argv[1], game.c_str());
    return 1;
  }
  int64_t clock = std::atoll(argv[2]);
  std::string out = argv[3];
  FakeHost host;
  host.storage = text.str();
  host.wall = journal->StartWallMs() + clock;
  int written = 0;
  // The first wait after the replay: everything is painted as the page
  // showed it.
  host.Then([&] {
    const web::WindowManager& screen = host.platform->Windows();
    for (tk::platform::WindowId id : screen.Stacking()) {
      std::string path = out + "/window-" + std::to_string(id) + ".png";
      if (tk::WritePng(screen.ClientPixels(id), path)) ++written;
    }
    std::ofstream(out + "/state.txt") << tk::AnsiToUtf8(StateOf());
    if (argc < 5) return;
    const std::vector<Road::Stop>& stops = Road::Get().stops;
    auto stop =
        std::find_if(stops.begin(), stops.end(), [&](auto& s) { return s.name == argv[4]; });
    std::ofstream road(out + "/road.txt");
    if (stop == stops.end()) road << "the road has no stop " << argv[4] << "\n";
    for (const std::string& problem :
         stop == stops.end() ? std::vector<std::string>{} : StopProblems(*stop)) {
      road << problem << "\n";
    }
  });
  web::WebPlatform platform(host, game);
  platform.SetReplayUntil(clock);
  host.platform = &platform;
  mirvolant::Program program(platform, "/Mirvolant");
  program.Application().SetLateTicks(tk::LateTicks::CatchUp);
  program.Run();
  std::printf("%d dialogs written, clock %lld\n", written,
              static_cast<long long>(platform.NowMs()));
  return host.refused || written == 0 ? 1 : 0;
}
