#include "toolkit/components/Timer.h"

#include <cstdint>

#include "toolkit/components/Classes.h"
#include "toolkit/components/ControlHost.h"
#include "toolkit/components/Properties.h"

namespace tk {

namespace {
const ClassRegistration<TTimer> kTimer("TTimer");
}  // namespace

TTimer::TTimer(TComponent* owner) : TComponent(owner) {}

TTimer::~TTimer() {
  if (running_) {
    if (ControlHost* host = Host()) host->StopTimer(this);
  }
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  ControlHost* host = Host();
  // Nothing ticks without a dialog, nor while the description is read
  // (Loaded() starts the timer then).
  if (host == nullptr || loading_) return;
  bool want = enabled_ && interval_ != 0 && static_cast<bool>(OnTimer);
  if (want == running_) return;
  if (!want) {
    host->StopTimer(this);
    running_ = false;
    return;
  }
  if (!host->StartTimer(this)) {
    // The platform refused: Enabled stays false so that enabling again
    // retries, rather than reading true while nothing ticks.
    enabled_ = false;
    throw EOutOfResources("Not enough timers available");
  }
  running_ = true;
}

void TTimer::Tick() {
  if (OnTimer) Invoke(Host(), [this] { OnTimer(this); });
}

const PropertyTable& TTimer::PublishedProperties() {
  static const PropertyTable table(
      &TComponent::PublishedProperties(),
      {Boolean<TTimer>("Enabled", [](TTimer& t, bool v) { t.enabled_ = v; }),
       Integer<TTimer>("Interval", 0, INT32_MAX,
                       [](TTimer& t, int v) { t.interval_ = static_cast<uint32_t>(v); }),
       Event<TTimer>("OnTimer", &TTimer::OnTimer),
       // Design positions; no effect at run time.
       Integer<TTimer>("Left", INT32_MIN, INT32_MAX, [](TTimer&, int) {}),
       Integer<TTimer>("Top", INT32_MIN, INT32_MAX, [](TTimer&, int) {})});
  return table;
}

}  // namespace tk
