// The event loop's costs on the headless back end: one timer tick of a
// mission dialog through the loop (the handler, the repaint of what changed
// and its presentation), and the whole road of the quest: nine levels, the
// escape, victory and mystery missions with their 10,800 ticks, the engine
// code, and the way back; each also while a screen reader listens.

#include <benchmark/benchmark.h>

#include <memory>

#include "app/Program.h"
#include "quest/Unit1.h"
#include "quest/Unit2.h"
#include "quest/Unit3.h"
#include "quest/Unit4.h"
#include "quest/Unit5.h"
#include "toolkit/components/Timer.h"
#include "toolkit/forms/Application.h"
#include "toolkit/platform/headless/HeadlessPlatform.h"

namespace {

using namespace mirvolant;
using tk::platform::Key;

struct Headless {
  tk::platform::HeadlessPlatform platform;
  std::unique_ptr<mirvolant::Program> program;

  // screenReader: the back end says that assistive technology listens, so
  // every paint that changed something is followed by a publication.
  explicit Headless(bool screenReader = false) {
    platform.SetAccessibilityListening(screenReader);
    program = std::make_unique<mirvolant::Program>(platform, "/usr/games/mirvolant");
    program->CreateDialogs();
  }
  void Click(tk::TControl* c) {
    tk::TPoint o = c->OriginInForm();
    platform.Click(tk::FormOf(c)->WindowId(), o.X + c->Width() / 2, o.Y + c->Height() / 2);
  }
  // Focuses the field, types the code and presses Enter, as players do.
  void Enter(tk::TMaskEdit* field, const char* utf8) {
    Click(field);
    platform.Key(tk::FormOf(field)->WindowId(), Key::A, tk::platform::kCtrl);
    platform.Type(tk::FormOf(field)->WindowId(), utf8);
    platform.Key(tk::FormOf(field)->WindowId(), Key::Enter);
  }
};

void TickLoop(benchmark::State& state, bool screenReader) {
  Headless p(screenReader);
  int ticks = 0;
  // The escape mission shown as the players see it: its countdown ticking.
  Form5->Show();
  p.program->Application().ActivateWindow(Form5);
  p.program->Application().PaintAll();
  Form5->FormActivate(nullptr);
  p.program->Application().PaintAll();
  for (auto _ : state) {
    // Let one second pass; the loop wakes for the tick (and for the
    // caret's one or two blinks in that second), runs the handler,
    // repaints and presents.
    int64_t until = p.platform.Now() + 1000;
    p.platform.Advance(1000);
    while (p.platform.Now() < until) p.program->Application().HandleMessage();
    p.program->Application().HandleMessage();  // the tick due now, then its repaint
    p.program->Application().HandleMessage();
    ++ticks;
    if (unit5::SecondsLeft < 10) {
      state.PauseTiming();
      Form5->FormActivate(nullptr);
      p.program->Application().PaintAll();
      state.ResumeTiming();
    }
  }
  state.counters["ticks"] = ticks;
}
void OneTickThroughTheLoop(benchmark::State& state) {
  TickLoop(state, false);
}
BENCHMARK(OneTickThroughTheLoop)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(TickLoop, ScreenReaderListening, true)->Unit(benchmark::kMicrosecond);

void Road(benchmark::State& state, bool screenReader) {
  static const char* const kCodes[9] = {"gg38tt", "72m%", "3&9", "28k03", "жуфа",
                                        "367",    "%3%",  "7bx", "vemt"};
  for (auto _ : state) {
    Headless p(screenReader);
    for (int slot = 1; slot <= 9; ++slot) {
      p.platform.Then([&p, slot] { p.Enter(Form1->SlotControls(slot).field, kCodes[slot - 1]); });
    }
    p.platform.Then([&] { p.Enter(Form2->MaskEdit3, "jjj52"); });
    p.platform.Then([&] { p.platform.Advance(3600 * 1000); });
    p.platform.Then([&] { p.Enter(Form5->MaskEdit1, "5335k"); });
    p.platform.Then([&] { p.platform.Advance(3600 * 1000); });
    p.platform.Then([&] { p.Enter(Form4->MaskEdit1, "406?&"); });
    p.platform.Then([&] { p.platform.Advance(3600 * 1000); });
    p.platform.Then([&] { p.Enter(Form3->MaskEdit1, "83~"); });
    p.platform.Then([&] {
      if (Form3->MaskEdit1->Visible()) state.SkipWithError("the engine code was not revealed");
      p.platform.Close(Form3->WindowId());
    });
    p.platform.Then([&] { p.platform.Close(Form2->WindowId()); });
    p.platform.Then([&] { p.platform.Close(Form1->WindowId()); });
    p.program->Application().RunEventLoop();
  }
}
void WholeRoad(benchmark::State& state) {
  Road(state, false);
}
BENCHMARK(WholeRoad)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Road, ScreenReaderListening, true)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
