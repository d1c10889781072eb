#pragma once
// The events a back end has taken from its system and not yet handed to the
// toolkit, with the requests to wake up and to quit, handed over in the order
// WaitEvent promises (Platform.h): queued input, then Quit, then Wake.
//
// Input is pushed and popped on the GUI thread only. PostWake and PostQuit
// only set a lock-free flag, so any thread and a signal handler may call
// them; a back end that sleeps in its system also makes that wait end.

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdint>
#include <deque>
#include <utility>

#include "toolkit/platform/Platform.h"

namespace tk::platform {

class EventQueue {
 public:
  struct Entry {
    Event event;
    // When it arrived on the back end's clock; never before the entry ahead
    // of it. Back ends that hand input over at once leave it 0.
    int64_t time = 0;
    // Pointer and window moves of the same non-zero group merge (see Push).
    uint8_t moveGroup = 0;
  };

  // Queues an input event. A MouseMove or Moved event with a non-zero
  // moveGroup replaces the last entry instead when that is the same kind of
  // event for the same window in the same group: the toolkit needs only where
  // the pointer or the window is now.
  void Push(Event e, int64_t time = 0, uint8_t moveGroup = 0) {
    if (!entries_.empty()) {
      Entry& last = entries_.back();
      time = std::max(time, last.time);
      if (Replaces(e, moveGroup, last.event, last.moveGroup)) {
        last.event = std::move(e);
        last.time = time;
        return;
      }
    }
    entries_.push_back({std::move(e), time, moveGroup});
  }
  // The rule above: whether a move of a group replaces the event before it.
  static bool Replaces(const Event& e, uint8_t group, const Event& before, uint8_t beforeGroup) {
    bool move = e.kind == EventKind::MouseMove || e.kind == EventKind::Moved;
    return move && group != 0 && group == beforeGroup && before.kind == e.kind &&
           before.window == e.window;
  }
  // Drops what is queued for a window that went away.
  void Forget(WindowId window) {
    std::erase_if(entries_, [window](const Entry& q) { return q.event.window == window; });
  }
  bool HasInput() const { return !entries_.empty(); }

  void PostWake() { wake_.store(true); }
  void PostQuit() { quit_.store(true); }

  // The next event in order, where input counts only once its time is at
  // most upTo; false when there is none.
  bool Pop(Entry& out, int64_t upTo = INT64_MAX) {
    if (entries_.empty() || entries_.front().time > upTo) {
      out.time = 0;
      out.moveGroup = 0;
      return Request(out.event);
    }
    out = std::move(entries_.front());
    entries_.pop_front();
    return true;
  }
  bool Pop(Event& out) {
    if (entries_.empty()) return Request(out);
    out = std::move(entries_.front().event);
    entries_.pop_front();
    return true;
  }

 private:
  // A quit asked for, else a wake-up; false when neither is.
  bool Request(Event& out) {
    EventKind kind = EventKind::Quit;
    if (!quit_.exchange(false)) {
      if (!wake_.exchange(false)) return false;
      kind = EventKind::Wake;
    }
    out = Event{};
    out.kind = kind;
    return true;
  }

  static_assert(std::atomic<bool>::is_always_lock_free, "the flags are set in signal handlers");
  std::deque<Entry> entries_;
  std::atomic<bool> quit_{false};
  std::atomic<bool> wake_{false};
};

}  // namespace tk::platform
