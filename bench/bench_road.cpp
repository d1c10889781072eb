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
#include "tests/support/Road.h"
#include "toolkit/components/Timer.h"
#include "toolkit/forms/Application.h"
#include "toolkit/platform/headless/HeadlessPlatform.h"

namespace {

using namespace mirvolant;
using tk::platform::Key;

// The program on the headless back end, and what walking the road asks of
// a driver.
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
  void Then(std::function<void()> step) { platform.Then(std::move(step)); }
  void Click(tk::TControl* c) {
    tk::TPoint o = c->OriginInForm();
    platform.Click(tk::FormOf(c)->WindowId(), o.X + c->Width() / 2, o.Y + c->Height() / 2);
  }
  // Focuses the field, types the code and presses Enter, as players do.
  void Enter(tk::TMaskEdit* field, const std::string& utf8) {
    Click(field);
    platform.Key(tk::FormOf(field)->WindowId(), Key::A, tk::platform::kCtrl);
    platform.Type(tk::FormOf(field)->WindowId(), utf8);
    platform.Key(tk::FormOf(field)->WindowId(), Key::Enter);
  }
  void SolveBoard() {
    for (int slot = 1; slot <= 9; ++slot) {
      Then([this, slot] {
        Enter(Form1->SlotControls(slot).field, testing::Road::Get().levels[slot - 1]);
      });
    }
  }
  void Wait(int64_t s) {
    Then([this, s] { platform.Advance(s * 1000); });
  }
  void Close(tk::TCustomForm* form) { platform.Close(form->WindowId()); }
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
  for (auto _ : state) {
    Headless p(screenReader);
    testing::WalkRoad(p, [&](const testing::Road::Stop& stop) {
      if (stop.name == "engine-code" && Form3->MaskEdit1->Visible()) {
        state.SkipWithError("the engine code was not revealed");
      }
    });
    p.Then([&] { p.Close(Form1); });
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
