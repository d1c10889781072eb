#pragma once
// A monkey that plays the real program on the headless back end: from a fixed
// seed it sends random input to whatever dialogs are open (typed bytes and
// text of any kind, very long pastes, keys, clicks and drags anywhere, close
// requests, clock jumps) and checks the program's invariants after every
// event. The program is started again whenever the monkey ends it.
//
// Used by the monkey test: a short run in CI, a longer one with
// MV_MONKEY_EVENTS set (see the README).

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "Driver.h"

namespace mirvolant::testing {

struct MonkeyReport {
  int64_t events = 0;                     // input events and clock moves sent
  int64_t runs = 0;                       // program runs started
  int64_t levelsSolved = 0;               // board slots solved
  int64_t pathChoices = 0;                // times the path choice was opened
  int64_t missionsShown[3] = {0, 0, 0};   // TForm3, TForm4, TForm5
  int64_t missionsSolved[3] = {0, 0, 0};  // drain codes accepted
  int64_t phaseThreeReached = 0;          // a drain code shown after a countdown
  int64_t longPastes = 0;
  int64_t virtualSeconds = 0;
  std::string failure;  // the first broken invariant, empty when none
};

class Monkey {
 public:
  Monkey(uint64_t seed, int64_t events) : rng_(seed), budget_(events) {}

  // Plays until the event budget is spent or an invariant breaks.
  MonkeyReport Run();

 private:
  // One scripted step: check, then act, then queue the next step.
  void Step();
  void Act();
  bool Check();
  // Records the first broken invariant and stops; false, for Check.
  bool Fail(const std::string& what);

  // Dialogs and where input goes.
  std::vector<tk::TCustomForm*> AllForms() const;
  tk::TCustomForm* TopForm() const;
  tk::TCustomForm* PickTarget();
  // The code that solves the focused field, or empty.
  std::string CodeForFocusedField(tk::TCustomForm* form) const;

  // Random input.
  int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  bool Chance(double p) { return std::bernoulli_distribution(p)(rng_); }
  std::string RandomText(int length);
  void AppendCodePoint(std::string& out);
  tk::TPoint RandomPoint(tk::TCustomForm* form);
  // Most clicks that would end the run are skipped.
  bool EndsTheRun(tk::TCustomForm* form, tk::TPoint pt);
  // Pastes or types text into window w; what, with the size, names it.
  void SendText(tk::platform::WindowId w, const std::string& text, bool paste,
                std::string_view what);
  // Counts the events an action sent and notes it for the failure report.
  void Did(std::string action, int64_t events = 1) {
    lastAction_ = std::move(action);
    report_.events += events;
  }

  // Observations between steps, to count the road the monkey took.
  void Observe();

  std::mt19937_64 rng_;
  int64_t budget_;
  MonkeyReport report_;
  Driver* q_ = nullptr;
  std::string lastAction_;
  bool stop_ = false;
  // Previous observations, afresh for every run.
  struct Seen {
    bool form2 = false;
    bool mission[3] = {false, false, false};
    bool missionSlotShown[3] = {true, true, true};
    bool missionPhase3[3] = {false, false, false};
    int solved = 0;
  } seen_;
};

}  // namespace mirvolant::testing
