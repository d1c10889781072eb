#include "toolkit/components/Timer.h"

#include "toolkit/base/Exceptions.h"
#include "toolkit/forms/Application.h"
#include "toolkit/forms/Form.h"

namespace tk {

TTimer::TTimer(TComponent* owner) : TComponent(owner) {}

TTimer::~TTimer() {
  if (running_ && Application != nullptr) Application->StopTimer(this);
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  UpdateTimer();
}

void TTimer::SetInterval(uint32_t ms) {
  if (ms == interval_) return;
  interval_ = ms;
  // A new interval restarts a running timer.
  if (running_ && Application != nullptr) {
    Application->StopTimer(this);
    running_ = false;
  }
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  if (loading_ && Application != nullptr) {
    // While the description is read nothing starts; Loaded() starts it.
    return;
  }
  bool want = enabled_ && interval_ != 0 && static_cast<bool>(OnTimer);
  if (want == running_ || Application == nullptr) return;
  if (!want) {
    Application->StopTimer(this);
    running_ = false;
    return;
  }
  if (!Application->StartTimer(this)) {
    // The platform refused: Enabled stays false so that enabling again
    // retries, rather than reading true while nothing ticks.
    enabled_ = false;
    throw EOutOfResources("Not enough timers available");
  }
  running_ = true;
}

void TTimer::Tick() {
  if (!OnTimer) return;
  try {
    OnTimer(this);
  } catch (const std::exception& e) {
    if (Application != nullptr) Application->HandleException(e);
  }
}

void TTimer::ReadProperty(const std::string& name, const PropValue& value, ReadContext& ctx) {
  if (name == "Enabled") {
    enabled_ = BooleanValue(value);
  } else if (name == "Interval") {
    int32_t v = IntegerValue(value);
    if (v < 0) throw EReadError("Invalid property value");
    interval_ = static_cast<uint32_t>(v);
  } else if (name == "OnTimer") {
    const TNotifyEvent* handler = ctx.form->FindNotifyHandler(IdentValue(value));
    if (handler == nullptr) throw EReadError("Invalid property value");
    OnTimer = *handler;
  } else if (name == "Left" || name == "Top") {
    IntegerValue(value);  // design positions; no effect at run time
  } else {
    TComponent::ReadProperty(name, value, ctx);
  }
}

}  // namespace tk
