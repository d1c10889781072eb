#pragma once
// A timer ticks every Interval milliseconds while it is enabled and has a
// handler. Ticks come from the application's timer list, not from a dialog,
// so they go on while the dialog is hidden or disabled.

#include <cstdint>

#include "toolkit/components/Component.h"

namespace tk {

class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;
  const char* ClassName() const override { return "TTimer"; }

  bool Enabled() const { return enabled_; }
  // The same value again does nothing (a running timer keeps its rhythm);
  // from false to true a full interval starts now.
  void SetEnabled(bool enabled);
  uint32_t Interval() const { return interval_; }
  // Ticking: enabled, a non-zero interval and a handler.
  bool Running() const { return running_; }

  TNotifyEvent OnTimer;

  static const PropertyTable& PublishedProperties();
  const PropertyTable& Properties() const override { return PublishedProperties(); }
  void Loaded() override {
    loading_ = false;
    UpdateTimer();
  }

  // Called by the application's timer list when the timer is due.
  void Tick();

 private:
  void UpdateTimer();

  bool enabled_ = true;
  bool loading_ = true;
  uint32_t interval_ = 1000;
  bool running_ = false;
};

}  // namespace tk
