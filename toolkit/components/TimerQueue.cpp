#include "toolkit/components/TimerQueue.h"

#include <algorithm>

#include "toolkit/components/Timer.h"

namespace tk {

bool TimerQueue::Start(TTimer* timer) {
  if (entries_.size() >= limit_) return false;
  entries_.push_back({timer, Now() + timer->Interval()});
  return true;
}

void TimerQueue::Stop(TTimer* timer) {
  std::erase_if(entries_, [timer](const Entry& e) { return e.timer == timer; });
}

int64_t TimerQueue::NextDue() const {
  int64_t deadline = -1;
  for (const Entry& e : entries_) {
    if (deadline < 0 || e.due < deadline) deadline = e.due;
  }
  return deadline;
}

bool TimerQueue::FireDue() {
  int64_t now = clock_();
  Entry* due = nullptr;
  for (Entry& e : entries_) {
    if (e.due <= now && (due == nullptr || e.due < due->due)) due = &e;
  }
  if (due == nullptr) return false;
  TTimer* timer = due->timer;
  int64_t dueTime = due->due;
  due->due += timer->Interval();
  if (lateTicks_ == LateTicks::Drop) {
    if (due->due <= now) due->due = now + timer->Interval();
    timer->Tick();
    return true;
  }
  // The handler may start timers, stop this one or run a loop of its own:
  // the entry is not touched after it.
  TickTimeScope duringTick(tickTime_, dueTime);
  timer->Tick();
  return true;
}

}  // namespace tk
