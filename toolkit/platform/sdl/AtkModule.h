#pragma once
// The half of the accessibility bridge that needs ATK and GLib, built as a
// module of its own (mirvolant-atk.so, atk/AtkModule.cpp). AtkBridge loads
// it only when the session may ask for accessibility, so that a start
// without it maps none of the accessibility stack's libraries. Both halves
// are built together: C++ types cross between them.

#include <poll.h>

#include <memory>
#include <optional>
#include <vector>

#include "toolkit/platform/sdl/AtkBridge.h"

namespace tk::platform {

class AtkModule {
 public:
  virtual ~AtkModule() = default;

  // Connects to the session bus at address, asks whether accessibility is
  // on and watches the setting from then on. Called once, on any thread,
  // before the GUI thread reads SessionOn.
  virtual void WatchSetting(const char* address) = 0;
  // What the session said; nullopt: it could not be asked.
  virtual std::optional<bool> SessionOn() const = 0;

  // The rest on the GUI thread, as AtkBridge's members of the same names.
  virtual bool Start() = 0;
  virtual void Stop() = 0;
  virtual void Publish(WindowId window, std::shared_ptr<const AccessibleTree> tree,
                       const std::vector<AccessibleChange>& changes) = 0;
  virtual void Forget(WindowId window) = 0;
  virtual void Wait(std::vector<pollfd>& extra, int timeoutMs) = 0;
};

// The module's one exported function, by this name: a new AtkModule that
// serves host, or null when version is not the one it was built for.
constexpr int kAtkModuleVersion = 1;
constexpr const char* kAtkModuleEntry = "mv_atk_module_new";
using AtkModuleEntry = AtkModule* (*)(const AtkBridge::Host* host, int version);

}  // namespace tk::platform
