// Start-up costs on the headless back end: creating the five dialogs from
// their descriptions, and the first frame (the board shown and painted).
// The first measurement runs once in a fresh process, with the font and
// every cache still empty; the others repeat with warm caches.

#include <benchmark/benchmark.h>

#include <memory>

#include "app/Program.h"
#include "quest/Unit1.h"
#include "quest/Unit2.h"
#include "quest/Unit3.h"
#include "quest/Unit4.h"
#include "quest/Unit5.h"
#include "toolkit/forms/Application.h"
#include "toolkit/platform/headless/HeadlessPlatform.h"

namespace {

using namespace mirvolant;

struct Headless {
  tk::platform::HeadlessPlatform platform;
  std::unique_ptr<mirvolant::Program> program;

  void CreateDialogs() {
    program = std::make_unique<mirvolant::Program>(platform, "/usr/games/mirvolant");
    program->CreateDialogs();
  }
  // The board shown, focused and painted into its window.
  void FirstFrame() {
    Form1->Show();
    program->Application().ActivateWindow(Form1);
    program->Application().PaintAll();
  }
};

void StartUpToFirstFrameCold(benchmark::State& state) {
  for (auto _ : state) {
    Headless p;
    p.CreateDialogs();
    p.FirstFrame();
    benchmark::DoNotOptimize(p.platform.Find(Form1->WindowId())->presentCount);
  }
}
// Registered first, so that it runs first and alone in the process.
BENCHMARK(StartUpToFirstFrameCold)->Iterations(1)->Unit(benchmark::kMillisecond);

void CreateFiveDialogs(benchmark::State& state) {
  for (auto _ : state) {
    Headless p;
    p.CreateDialogs();
    benchmark::DoNotOptimize(Form5);
    state.PauseTiming();
    p.program.reset();  // destroying is not part of the start-up
    state.ResumeTiming();
  }
}
BENCHMARK(CreateFiveDialogs)->Unit(benchmark::kMillisecond);

void FirstFrameOfTheBoard(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto p = std::make_unique<Headless>();
    p->CreateDialogs();
    state.ResumeTiming();
    p->FirstFrame();
    state.PauseTiming();
    p.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(FirstFrameOfTheBoard)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
