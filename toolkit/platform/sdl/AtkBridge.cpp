#include "toolkit/platform/sdl/AtkBridge.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "toolkit/platform/sdl/AtkModule.h"

// Where the installation puts the module, relative to the program's folder
// (set by the build from the install layout).
#ifndef MV_ATK_MODULE_FROM_BINDIR
#define MV_ATK_MODULE_FROM_BINDIR "../lib/mirvolant"
#endif

namespace tk::platform {

bool AccessibilityWanted(const char* forced, const char* noBridge, std::optional<bool> sessionOn) {
  if (forced != nullptr && std::strcmp(forced, "0") == 0) return false;
  if (forced != nullptr && std::strcmp(forced, "1") == 0) return true;
  if (noBridge != nullptr && std::strcmp(noBridge, "1") == 0) return false;
  return sessionOn.value_or(false);
}

namespace {

constexpr const char* kModuleFile = "mirvolant-atk.so";
// How long after start-up the session is asked: by then the first windows
// are on screen.
constexpr std::chrono::milliseconds kAskDelay{200};

// MIRVOLANT_ATK_MODULE when set; else beside the program, as in a build
// tree; else where the installation puts it.
std::string ModulePath() {
  if (const char* path = std::getenv("MIRVOLANT_ATK_MODULE"); path != nullptr && *path != '\0')
    return path;
  char exe[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  std::string dir = n > 0 ? std::string(exe, static_cast<size_t>(n)) : std::string();
  dir = dir.substr(0, dir.find_last_of('/') + 1);
  std::string beside = dir + kModuleFile;
  if (access(beside.c_str(), F_OK) == 0) return beside;
  return dir + MV_ATK_MODULE_FROM_BINDIR "/" + kModuleFile;
}

// The session bus's address without starting one: the environment's, or the
// user's bus of a systemd session; empty when there is none.
std::string SessionBusAddress() {
  if (const char* env = std::getenv("DBUS_SESSION_BUS_ADDRESS"); env != nullptr && *env != '\0')
    return env;
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr) {
    std::string path = std::string(runtime) + "/bus";
    if (access(path.c_str(), F_OK) == 0) return "unix:path=" + path;
  }
  return {};
}

bool Is(const char* value, const char* wanted) {
  return value != nullptr && std::strcmp(value, wanted) == 0;
}

}  // namespace

AtkBridge::AtkBridge(Host host) : host_(std::move(host)) {}

AtkBridge::~AtkBridge() {
  {
    std::lock_guard<std::mutex> lock(stopMutex_);
    stopping_ = true;
  }
  stopAsked_.notify_all();
  if (watcher_.joinable()) watcher_.join();
  if (running_) module_->Stop();
  // The module stays mapped: GLib's types and the bridge's handlers cannot
  // be taken back.
  module_.reset();
}

std::unique_ptr<AtkModule> AtkBridge::Load(const Host& host) {
  std::string path = ModulePath();
  // Its libraries' symbols stay its own; the module is never unloaded.
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  auto entry = handle == nullptr ? nullptr
                                 : reinterpret_cast<AtkModuleEntry>(dlsym(handle, kAtkModuleEntry));
  AtkModule* module = entry == nullptr ? nullptr : entry(&host, kAtkModuleVersion);
  if (module == nullptr) {
    const char* why = handle == nullptr || entry == nullptr ? dlerror() : "another version";
    std::fprintf(stderr, "accessibility is off: cannot load %s: %s\n", path.c_str(),
                 why != nullptr ? why : "no entry");
  }
  return std::unique_ptr<AtkModule>(module);
}

void AtkBridge::StartAsking(const char* forced, const char* noBridge) {
  // Forced either way: the session need not be asked, nor watched.
  if (Is(forced, "0") || Is(forced, "1") || Is(noBridge, "1")) return;
  std::string address = SessionBusAddress();
  if (address.empty()) return;
  // Loading the module and asking take milliseconds of work that would
  // compete with the X server and the window manager while they show the
  // first windows: done beside the GUI thread, once those had a moment; the
  // GUI thread is woken to read the answer.
  watcher_ = std::thread([this, address] {
    {
      std::unique_lock<std::mutex> lock(stopMutex_);
      if (stopAsked_.wait_for(lock, kAskDelay, [this] { return stopping_; })) {
        watched_.store(true, std::memory_order_release);
        return;
      }
    }
    module_ = Load(host_);
    if (module_ != nullptr) module_->WatchSetting(address.c_str());
    watched_.store(true, std::memory_order_release);
    // The GUI thread reads the setting now; a change told while the module
    // was not handed over yet is not lost.
    if (module_ != nullptr) host_.wake();
  });
}

AtkModule* AtkBridge::Module() {
  if (watcher_.joinable()) {
    if (!watched_.load(std::memory_order_acquire)) return nullptr;
    watcher_.join();
  }
  return module_.get();
}

bool AtkBridge::Update() {
  const char* forced = std::getenv("MIRVOLANT_ACCESSIBILITY");
  const char* noBridge = std::getenv("NO_AT_BRIDGE");
  if (!asked_) {
    asked_ = true;
    StartAsking(forced, noBridge);
    // Forced on: loaded here, once.
    if (!watcher_.joinable() && AccessibilityWanted(forced, noBridge, std::nullopt))
      module_ = Load(host_);
  }
  AtkModule* module = Module();
  bool wanted = module != nullptr && AccessibilityWanted(forced, noBridge, module->SessionOn());
  if (wanted == running_) return false;
  if (wanted) {
    running_ = module->Start();
    return running_;
  }
  module->Stop();
  running_ = false;
  return true;
}

void AtkBridge::Publish(WindowId window, std::shared_ptr<const AccessibleTree> tree,
                        const std::vector<AccessibleChange>& changes) {
  if (running_) module_->Publish(window, std::move(tree), changes);
}

void AtkBridge::Forget(WindowId window) {
  if (running_) module_->Forget(window);
}

void AtkBridge::Wait(std::vector<pollfd>& extra, int timeoutMs) {
  module_->Wait(extra, timeoutMs);
}

}  // namespace tk::platform
