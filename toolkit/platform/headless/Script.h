#pragma once
// Steps a test scripts and a clock that runs only as far as the test lets it:
// how a test drives a program that waits. Each time the program waits with
// nothing to do, the clock runs to the program's deadline or to the limit,
// whichever comes first; at the limit the next step runs; when no step is
// left, the run is over.

#include <cstdint>
#include <deque>
#include <functional>
#include <utility>

namespace tk::platform {

struct Script {
  std::deque<std::function<void()>> steps;
  // How far the clock may run.
  int64_t limit = 0;

  // One move while the program waits for deadline (negative: for input
  // alone): the clock now runs toward it, no further than the limit; at the
  // limit the next step runs instead. False when neither is left.
  bool Next(int64_t& now, int64_t deadline) {
    if (limit > now) {
      now = deadline >= 0 && deadline <= limit ? deadline : limit;
      return true;
    }
    if (steps.empty()) return false;
    std::function<void()> step = std::move(steps.front());
    steps.pop_front();
    step();
    return true;
  }
};

}  // namespace tk::platform
