#pragma once
// The accessible trees the toolkit publishes, shown to assistive technology
// on Linux: one ATK object per node, exported over AT-SPI by libatk-bridge.
//
// The bridge runs only while the session asks for accessibility: the
// accessibility bus says so (org.a11y.Status, IsEnabled or
// ScreenReaderEnabled, which mirror the desktop's setting), or the user forces
// it with MIRVOLANT_ACCESSIBILITY=1 (=0 keeps it off, as does NO_AT_BRIDGE=1).
//
// Everything that needs ATK and GLib is a module of its own (AtkModule.h),
// loaded only when it may be wanted: forced on, or a session bus to ask.
// Without either, a start maps none of the accessibility stack. The session
// is asked 200 ms after the first Update (at start-up), when the first
// windows are on screen, from a short-lived thread that loads the module and
// asks; later changes of the setting are followed: a thread of the D-Bus
// library notices them. Either wakes the GUI thread, which starts or stops
// the bridge in Update. While it is off, nothing of GLib runs on the GUI
// thread.
//
// While it runs, GLib's sources (the bridge's D-Bus connection) need the GUI
// thread: the back end then waits in Wait, one poll() over GLib's
// descriptors and its own.
//
// The module is found through MIRVOLANT_ATK_MODULE when set, else beside the
// program (a build tree), else where the installation puts it.

#include <poll.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "toolkit/platform/Platform.h"

namespace tk::platform {

// What the environment and the session say, to one answer: whether the
// bridge should run. forced is MIRVOLANT_ACCESSIBILITY ("1" on, "0" off,
// null or anything else: not forced); noBridge is NO_AT_BRIDGE; sessionOn is
// what the accessibility bus said (nullopt: it could not be asked).
bool AccessibilityWanted(const char* forced, const char* noBridge, std::optional<bool> sessionOn);

class AtkModule;

class AtkBridge {
 public:
  struct Host {
    // Where window's client area lies on the screen.
    std::function<TPoint(WindowId)> clientOrigin;
    // Hands an AccessibleAction event to the toolkit (GUI thread).
    std::function<void(Event)> post;
    // Ends the GUI thread's wait; called from any thread.
    std::function<void()> wake;
  };

  // Nothing is loaded nor asked yet: the first Update does that.
  explicit AtkBridge(Host host);
  ~AtkBridge();
  AtkBridge(const AtkBridge&) = delete;
  AtkBridge& operator=(const AtkBridge&) = delete;

  // On the GUI thread, at start-up and before each wait: the first call
  // starts asking the session (or loads the module when forced on); each
  // starts or stops the bridge when the setting asks for it.
  // True when this changed whether it runs.
  bool Update();
  // Whether the bridge runs (and so the toolkit publishes).
  bool Running() const { return running_; }

  void Publish(WindowId window, std::shared_ptr<const AccessibleTree> tree,
               const std::vector<AccessibleChange>& changes);
  // The window is destroyed: its objects go, as when it is hidden.
  void Forget(WindowId window);

  // Waits until one of extra is ready, GLib has work or timeoutMs passed
  // (negative: no limit), then runs GLib's ready sources. extra's revents
  // are filled in.
  void Wait(std::vector<pollfd>& extra, int timeoutMs);

 private:
  // The module, loaded on the GUI thread when forced on, otherwise by the
  // watcher; null while the watcher works, or when it could not be loaded.
  AtkModule* Module();
  void StartAsking(const char* forced, const char* noBridge);
  static std::unique_ptr<AtkModule> Load(const Host& host);

  Host host_;
  std::thread watcher_;
  std::atomic<bool> watched_{false};  // the watcher is done with module_
  // Ends the watcher's wait before it asks, when the bridge goes first.
  std::mutex stopMutex_;
  std::condition_variable stopAsked_;
  bool stopping_ = false;
  std::unique_ptr<AtkModule> module_;
  bool asked_ = false;
  bool running_ = false;
};

}  // namespace tk::platform
