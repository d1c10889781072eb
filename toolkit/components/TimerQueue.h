#pragma once
// The running timers, each with the time its next tick is due. The event
// loop asks for the next deadline, fires the earliest due tick, and chooses
// what becomes of ticks that fell due while the program could not run. Time
// comes from a clock the owner gives (the platform's).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace tk {

class TTimer;

// What happens to the ticks of a timer that fell due while the program could
// not run (a suspended machine, a page the browser froze).
enum class LateTicks {
  // One tick when the program runs again; the others are dropped and the
  // rhythm starts afresh from then.
  Drop,
  // Every tick that fell due is handled, in order of due time; while a
  // tick's handler runs, the time is that tick's due time, so that a timer
  // it starts counts from then. A phase of so many ticks then lasts its wall
  // time whatever happened meanwhile.
  CatchUp,
};

class TimerQueue {
 public:
  using Clock = std::function<int64_t()>;
  explicit TimerQueue(Clock clock) : clock_(std::move(clock)) {}

  // Starts ticking: the next tick is a full interval from Now(). False when
  // no more timers can be had.
  bool Start(TTimer* timer);
  void Stop(TTimer* timer);
  size_t Count() const { return entries_.size(); }
  // Limits the number of running timers (a platform that refuses timers).
  void SetLimit(size_t limit) { limit_ = limit; }

  // Late ticks are dropped unless the owner asks otherwise.
  void SetLateTicks(LateTicks policy) { lateTicks_ = policy; }
  LateTicks LateTickPolicy() const { return lateTicks_; }

  // The time timers count from: the due time of the tick being caught up,
  // else the clock's.
  int64_t Now() const { return tickTime_ >= 0 ? tickTime_ : clock_(); }
  // The earliest due time, or -1 when nothing runs.
  int64_t NextDue() const;
  // Fires the earliest tick that is due; true if one fired. The next tick
  // keeps the rhythm (a full interval after this one's due time); under Drop
  // a timer that fell more than an interval behind starts afresh from now.
  bool FireDue();

  // A loop turn that runs inside a caught-up tick's handler (a dialog it
  // opens) is not part of the tick: the clock's time holds during it, and
  // the tick's time comes back when the turn ends.
  class LoopTurn;

 private:
  // Sets the tick time for a scope and puts the old one back at its end.
  class TickTimeScope {
   public:
    TickTimeScope(int64_t& tickTime, int64_t value) : tickTime_(tickTime), saved_(tickTime) {
      tickTime_ = value;
    }
    ~TickTimeScope() { tickTime_ = saved_; }
    TickTimeScope(const TickTimeScope&) = delete;
    TickTimeScope& operator=(const TickTimeScope&) = delete;

   private:
    int64_t& tickTime_;
    int64_t saved_;
  };

  struct Entry {
    TTimer* timer;
    int64_t due;
  };

  Clock clock_;
  std::vector<Entry> entries_;
  size_t limit_ = 10000;
  LateTicks lateTicks_ = LateTicks::Drop;
  // The due time of the tick whose handler runs under CatchUp, or -1.
  int64_t tickTime_ = -1;
};

class TimerQueue::LoopTurn {
 public:
  explicit LoopTurn(TimerQueue& queue) : scope_(queue.tickTime_, -1) {}

 private:
  TickTimeScope scope_;
};

}  // namespace tk
