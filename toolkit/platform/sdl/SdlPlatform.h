#pragma once
// Real windows through SDL2: one SDL window per dialog, software presentation
// of each dialog's pixel buffer, and input translated into the toolkit's
// events. Waiting happens inside SDL until the next input or the deadline the
// toolkit gives; nothing polls.
//
// Signals: SIGTERM and SIGINT end the program like a session end. Their
// handler only sets a flag and writes one byte into a pipe (both are
// async-signal-safe); a small helper thread blocked on that pipe turns each
// byte into an SDL user event, which wakes the waiting GUI thread. Wake() and
// PostQuit() use the same pipe, so they too are safe in a signal handler.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "toolkit/platform/EventQueue.h"
#include "toolkit/platform/Platform.h"
#include "toolkit/platform/WindowTable.h"
#include "toolkit/platform/sdl/AtkBridge.h"
#include "toolkit/platform/sdl/X11Extras.h"

union SDL_Event;
struct SDL_Surface;
struct SDL_Window;

namespace tk::platform {

class SdlPlatform : public Platform {
 public:
  // Initialises SDL's video subsystem; null with the reason in error when no
  // display can be opened.
  static std::unique_ptr<SdlPlatform> Open(std::string& error);
  ~SdlPlatform() override;
  SdlPlatform(const SdlPlatform&) = delete;
  SdlPlatform& operator=(const SdlPlatform&) = delete;

  WindowId CreateWindow(const std::string& titleUtf8, int clientWidth, int clientHeight,
                        WindowId owner) override;
  void DestroyWindow(WindowId window) override;
  void SetTitle(WindowId window, const std::string& titleUtf8) override;
  void ShowWindow(WindowId window) override;
  void HideWindow(WindowId window) override;
  void MoveWindow(WindowId window, int x, int y) override;
  FrameExtents Frame(WindowId window) override;
  void SetModalFor(WindowId window, WindowId owner) override;
  void Activate(WindowId window) override;
  void Present(WindowId window, const PixelBuffer& buffer,
               const std::vector<TRect>& dirty) override;

  TRect Desktop() override;
  std::vector<TRect> Monitors() override;
  int PixelsPerInch() override;
  int DisplayBitsPerPixel() override;
  std::optional<std::string> ClipboardText() override;

  int64_t NowMs() noexcept override;
  bool WaitEvent(Event& out, int64_t deadlineMs) override;
  void Wake() override;
  void PostQuit() override;

  bool AccessibilityListening() override { return atk_ != nullptr && atk_->Running(); }
  void PublishAccessibility(WindowId window, std::shared_ptr<const AccessibleTree> tree,
                            const std::vector<AccessibleChange>& changes) override;

  // Translates one SDL event into the toolkit's events (none, or one) pushed
  // to out; a quit or a wake-up is posted to it. Public so that tests can
  // feed it synthetic SDL events.
  void Translate(const SDL_Event& event, EventQueue& out);
  // The outer corner last asked for or reported.
  TPoint WindowPosition(WindowId window) const;
  // The SDL window of a window (tests draw and send events to it).
  SDL_Window* SdlWindow(WindowId window) const;

 private:
  struct WindowState {
    SDL_Window* sdl = nullptr;
    // SDL's number of the window, which its events carry.
    uint32_t sdlId = 0;
    bool shown = false;
    // Shown through Xlib without waiting for the window manager; SDL is told
    // (and waits for what is left of the mapping) when the first frame is
    // presented, or before anything else is done with the window.
    bool mapping = false;
    // Activated while mapping: raised and given the focus once SDL knows it
    // shown, and after its first frame was sent when that frame ends the
    // mapping (the activation's requests then do not delay the frame).
    bool activatePending = false;
    // The outer corner last asked for or reported; a hidden window is moved
    // only when it is shown.
    TPoint outer;
    bool movePending = false;
    // The window manager was asked for the frame; its answer, once read.
    bool frameRequested = false;
    std::optional<FrameExtents> wmFrame;
  };

  SdlPlatform() = default;
  bool Init(std::string& error);
  WindowState* Find(WindowId window);
  const WindowState* Find(WindowId window) const;
  // The window an SDL event names, or kNoWindow.
  WindowId IdOf(uint32_t sdlId) const;
  // The frame SDL itself knows (and subtracts when it moves the window).
  static FrameExtents SdlFrame(const WindowState& state);
  // Tells SDL that a window shown without waiting is shown (see mapping),
  // then makes a pending activation unless the caller makes it later.
  static void FinishShowing(WindowState& state, bool activate = true);
  static void ActivatePending(WindowState& state);
  // Raises window and gives it the focus.
  static void Raise(WindowState& state);
  void RunPipeReader();
  // The wait while the accessibility bridge runs: one poll() over the X
  // connection and GLib's descriptors (AtkBridge.h).
  bool WaitWithBridge(Event& out, int64_t deadlineMs);
  int DisplayDescriptor();

  X11Extras x11_;
  WindowTable<WindowState> windows_;
  EventQueue queue_;
  uint32_t userEvent_ = 0;
  int pipe_[2] = {-1, -1};
  std::thread pipeReader_;
  int64_t startMs_ = 0;
  int buttonsHeld_ = 0;
  bool sdlStarted_ = false;
  // The frame of dialog windows once one was seen, and whether the window
  // manager left a request for it unanswered.
  std::optional<FrameExtents> knownFrame_;
  bool wmSilent_ = false;
  // Assistive technology: the bridge, and a pipe that the pipe reader also
  // writes to, to end the bridge's poll() when it pushed an SDL event.
  std::unique_ptr<AtkBridge> atk_;
  int bridgeWake_[2] = {-1, -1};
  int displayFd_ = -1;
  // The program's icon, set on every window.
  SDL_Surface* icon_ = nullptr;
};

}  // namespace tk::platform
