#pragma once
// The window manager's frame around a window, known before the window is
// first shown. SDL learns a window's frame extents only after mapping it
// (tens of milliseconds later), but a dialog must be centred by its outer
// size when it is first shown. Under X11 the window manager can be asked for
// the extents of a window it has not mapped yet (_NET_REQUEST_FRAME_EXTENTS).
// Xlib is reached through the copy SDL has already loaded, so the program
// links no X library of its own; on other systems everything here answers
// "unknown".

#include <optional>

#include "toolkit/platform/Platform.h"

struct SDL_Window;

namespace tk::platform {

class X11Frame {
 public:
  X11Frame();
  ~X11Frame();
  X11Frame(const X11Frame&) = delete;
  X11Frame& operator=(const X11Frame&) = delete;

  // True when an X11 window manager that reports frame extents runs.
  bool Available() const { return available_; }
  // Asks the window manager to report the frame of window.
  void Request(SDL_Window* window);
  // The frame the window manager reported for window, waiting up to
  // timeoutMs for the answer to a Request; nullopt when none came.
  std::optional<FrameExtents> Read(SDL_Window* window, int timeoutMs);

  // The Xlib entry points and atoms in use (defined where Xlib is known).
  struct Api;

 private:
  Api* api_ = nullptr;
  bool available_ = false;
};

}  // namespace tk::platform
