// Painting costs: a full repaint of each dialog, and what one timer tick
// repaints (the countdown label of a mission dialog).

#include <benchmark/benchmark.h>

#include <memory>

#include "app/Program.h"
#include "quest/Unit1.h"
#include "quest/Unit2.h"
#include "quest/Unit3.h"
#include "quest/Unit4.h"
#include "quest/Unit5.h"
#include "toolkit/forms/Application.h"
#include "toolkit/paint/Canvas.h"
#include "toolkit/paint/Font.h"
#include "toolkit/platform/headless/HeadlessPlatform.h"

namespace {

using namespace mirvolant;
using tk::operator""_ansi;

// The five dialogs built from their descriptions on the headless back end,
// each shown so that its repaints happen.
struct Dialogs {
  tk::platform::HeadlessPlatform platform;
  std::unique_ptr<mirvolant::Program> program;

  Dialogs() {
    program = std::make_unique<mirvolant::Program>(platform, "/usr/games/mirvolant");
    program->CreateDialogs();
    for (tk::TCustomForm* f : Forms()) {
      f->Show();
      f->PaintPending();
    }
  }
  static std::vector<tk::TCustomForm*> Forms() { return {Form1, Form2, Form3, Form4, Form5}; }
};

Dialogs& Shared() {
  static Dialogs dialogs;
  return dialogs;
}

void FullRepaint(benchmark::State& state, int index) {
  tk::TCustomForm* form = Shared().Forms()[static_cast<size_t>(index)];
  if (index == 2) Form3->Image1->SetVisible(true);  // the picture too
  tk::TRect all{0, 0, form->ClientWidth(), form->ClientHeight()};
  for (auto _ : state) {
    form->InvalidateClient(all);
    benchmark::DoNotOptimize(form->PaintPending());
  }
  state.SetLabel(std::to_string(all.Width()) + "x" + std::to_string(all.Height()));
}
BENCHMARK_CAPTURE(FullRepaint, Board, 0);
BENCHMARK_CAPTURE(FullRepaint, PathChoice, 1);
BENCHMARK_CAPTURE(FullRepaint, MysteryWithPicture, 2);
BENCHMARK_CAPTURE(FullRepaint, Victory, 3);
BENCHMARK_CAPTURE(FullRepaint, Escape, 4);

// One tick of the escape mission's first phase: the handler counts down and
// sets the countdown text; then the invalidated rectangles are painted and
// presented, as one turn of the event loop does.
// Opens the escape mission afresh (its countdown full) and paints it all.
void RestartEscape(Dialogs& d) {
  Form5->FormActivate(nullptr);
  d.program->Application().PaintAll();
}

// Restarts the countdown, untimed, before it runs out; then counts one second.
void TickEscape(benchmark::State& state, Dialogs& d) {
  if (Form5->SecondsLeft() < 10) {
    state.PauseTiming();
    RestartEscape(d);
    state.ResumeTiming();
  }
  Form5->Timer1Timer(nullptr);
}

void OneTick(benchmark::State& state) {
  Dialogs& d = Shared();
  RestartEscape(d);
  size_t rects = 0;
  int64_t area = 0;
  for (auto _ : state) {
    TickEscape(state, d);
    for (const tk::TRect& r : Form5->PaintPending()) {
      ++rects;
      area += static_cast<int64_t>(r.Width()) * r.Height();
    }
  }
  state.counters["pixels_per_tick"] =
      benchmark::Counter(static_cast<double>(area) / static_cast<double>(state.iterations()));
  state.counters["rects_per_tick"] =
      benchmark::Counter(static_cast<double>(rects) / static_cast<double>(state.iterations()));
}
BENCHMARK(OneTick);

// The same tick including presentation through the back end.
void OneTickPresented(benchmark::State& state) {
  Dialogs& d = Shared();
  RestartEscape(d);
  for (auto _ : state) {
    TickEscape(state, d);
    d.program->Application().PaintAll();
  }
}
BENCHMARK(OneTickPresented);

// Text drawing alone: a label's line in the dialog font.
void DrawLabelText(benchmark::State& state) {
  tk::PixelBuffer buffer(672, 40, tk::colors::clBtnFace);
  tk::Canvas canvas(buffer);
  const tk::Font& font = tk::Font::Get(-11);
  std::string_view text = "До активации 1-ой части вируса осталось: 1199 сек."_ansi;
  for (auto _ : state) {
    canvas.TextOut(16, 8, text, font, tk::colors::clWindowText);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(DrawLabelText);

}  // namespace

BENCHMARK_MAIN();
