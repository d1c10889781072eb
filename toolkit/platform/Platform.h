#pragma once
// The seam between the toolkit and the system. The toolkit never includes a
// window system header; a back end implements this interface: the SDL one for
// real windows, the headless one for tests.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/base/Geometry.h"

namespace tk {

class PixelBuffer;

namespace platform {

using WindowId = uint32_t;
inline constexpr WindowId kNoWindow = 0;

// Keys that the toolkit handles on key-down. Typed characters arrive as Text.
enum class Key : uint8_t {
  None,
  Tab,
  Enter,
  Escape,
  Backspace,
  Delete,
  Left,
  Right,
  Up,
  Down,
  Home,
  End,
  Space,
  A,  // with Ctrl: select all
  C,  // with Ctrl: copy
  V,  // with Ctrl: paste
  X,  // with Ctrl: cut
  Insert,
};

enum Modifier : uint8_t { kShift = 1, kCtrl = 2, kAlt = 4 };

enum class EventKind : uint8_t {
  KeyDown,       // key, modifiers
  KeyUp,         // key, modifiers
  Text,          // text: UTF-8 characters typed
  Paste,         // text: UTF-8 clipboard contents to insert
  MouseMove,     // x, y in client coordinates of window
  MouseDown,     // x, y, button (1 = left)
  MouseUp,       // x, y, button
  MouseLeave,    // the pointer left the window
  CloseRequest,  // the close box or the window manager asked to close window
  FocusGained,   // window became the active window
  FocusLost,     // window stopped being the active window
  Exposed,       // window contents must be presented again
  Moved,         // the user or window manager moved window to x, y (outer)
  Quit,          // the session or a signal asks the program to end
  Wake,          // nothing; ends a wait early
};

struct Event {
  EventKind kind = EventKind::Wake;
  WindowId window = kNoWindow;
  Key key = Key::None;
  uint8_t modifiers = 0;
  bool repeat = false;
  int button = 0;
  int x = 0;
  int y = 0;
  std::string text;
};

// Sizes of a window's frame around its client area.
struct FrameExtents {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

class Platform {
 public:
  virtual ~Platform() = default;

  // Creates a hidden top-level window with the given client size.
  virtual WindowId CreateWindow(const std::string& titleUtf8, int clientWidth,
                                int clientHeight) = 0;
  virtual void DestroyWindow(WindowId window) = 0;
  virtual void SetTitle(WindowId window, const std::string& titleUtf8) = 0;
  virtual void SetClientSize(WindowId window, int clientWidth, int clientHeight) = 0;
  virtual void ShowWindow(WindowId window) = 0;
  virtual void HideWindow(WindowId window) = 0;
  // Moves the outer frame's top-left corner to (x, y) on the desktop.
  virtual void MoveWindow(WindowId window, int x, int y) = 0;
  // The outer frame's top-left corner on the desktop.
  virtual TPoint WindowPosition(WindowId window) = 0;
  virtual FrameExtents Frame(WindowId window) = 0;
  // Marks window as modal for owner where the window system supports it.
  virtual void SetModalFor(WindowId window, WindowId owner) = 0;
  // Raises window and gives it the keyboard focus.
  virtual void Activate(WindowId window) = 0;
  // Shows the given rectangles (client coordinates) of buffer in window.
  virtual void Present(WindowId window, const PixelBuffer& buffer,
                       const std::vector<TRect>& dirty) = 0;

  // The desktop spanning all monitors, and each monitor's bounds.
  virtual TRect Desktop() = 0;
  virtual std::vector<TRect> Monitors() = 0;
  virtual int PixelsPerInch() = 0;
  // Bits per pixel times colour planes of the display.
  virtual int DisplayBitsPerPixel() = 0;

  // Monotonic time in milliseconds.
  virtual int64_t NowMs() = 0;
  // Waits for the next event until the monotonic time deadlineMs (or forever
  // when deadlineMs is negative). Returns false when the deadline passed.
  virtual bool WaitEvent(Event& out, int64_t deadlineMs) = 0;
  // Ends a running or the next wait early; safe to call from a signal handler.
  virtual void Wake() = 0;
  // Asks the loop to end as a session end would: WaitEvent then returns Quit.
  // Safe to call from a signal handler.
  virtual void PostQuit() = 0;
};

}  // namespace platform
}  // namespace tk
