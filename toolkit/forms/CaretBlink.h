#pragma once
// The caret's blinking. It blinks only in the focused field of the active
// dialog, which is also where typed text goes: on and off every period (the
// system's blink time, 530 ms unless it says otherwise), starting a full
// period after it appeared or after the last key. With no period it stays on.

#include <cstdint>

namespace tk {

class TCustomForm;
class TWinControl;

// The focused control of the active dialog when it shows a caret, or null.
TWinControl* CaretControl(TCustomForm* active);

class CaretBlink {
 public:
  static constexpr int64_t kDefaultPeriodMs = 530;

  // 0 or less: the caret does not blink.
  void SetPeriod(int64_t ms) {
    periodMs_ = ms;
    due_ = -1;
  }

  // The time of the next blink, or -1 while no caret blinks.
  int64_t Due() const { return due_; }
  bool IsDue(int64_t now) const { return due_ >= 0 && due_ <= now; }
  // After each repaint: whether a caret is shown; now() is asked only when
  // a new period starts.
  template <class Clock>
  void Follow(bool shown, Clock now) {
    if (!shown || periodMs_ <= 0) {
      due_ = -1;
    } else if (due_ < 0) {
      due_ = now() + periodMs_;
    }
  }
  // A key was pressed: the next repaint starts a new period.
  void Restart() { due_ = -1; }
  // Turns the caret of field on or off and schedules the next blink.
  void Blink(TWinControl* field, int64_t now);

 private:
  int64_t due_ = -1;
  int64_t periodMs_ = kDefaultPeriodMs;
};

}  // namespace tk
