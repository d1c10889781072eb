#pragma once
// The seam between the toolkit and the system. The toolkit never includes a
// window system header; a back end implements this interface and only reports
// what its platform says. Rules (what a key means, when a dialog may close,
// which window gets the focus) live in the toolkit above it.
//
// A back end is one class derived from Platform plus a factory function that
// opens it (see the end of this file). Everything runs on one thread: the
// toolkit calls these operations and waits in WaitEvent from its GUI thread;
// only Wake and PostQuit may be called from elsewhere.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "toolkit/base/Geometry.h"
#include "toolkit/platform/Accessibility.h"

namespace tk {

class PixelBuffer;

namespace platform {

// A top-level window, numbered by the back end; 0 is never a window.
using WindowId = uint32_t;
inline constexpr WindowId kNoWindow = 0;

// Keys reported on key-down and key-up. Typed characters arrive separately as
// Text events; the letter keys are reported too, whatever the modifiers, so
// that the toolkit can decide what a shortcut such as Ctrl+V means.
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
  Insert,
  A,
  C,
  V,
  X,
};

enum Modifier : uint8_t { kShift = 1, kCtrl = 2, kAlt = 4 };

enum class EventKind : uint8_t {
  KeyDown,       // key, modifiers, repeat (held down)
  KeyUp,         // key, modifiers
  Text,          // text: the UTF-8 characters typed
  Paste,         // text: UTF-8 the system pasted by itself (see ClipboardText)
  MouseMove,     // x, y in client coordinates of window
  MouseDown,     // x, y, button (1 = left, 2 = right, 3 = middle)
  MouseUp,       // x, y, button
  MouseLeave,    // the pointer left the window
  CloseRequest,  // the close box or the window manager asked to close window
  FocusGained,   // window became the active window
  FocusLost,     // window stopped being the active window
  Exposed,       // window contents must be presented again
  Moved,         // the user or window manager moved window to x, y (outer)
  FrameChanged,  // window's frame (see Frame) became known or changed
  Quit,          // the session or a signal asks the program to end
  Wake,          // nothing; ends a wait early
  // Accessibility and the system's look (see the end of Platform).
  AccessibleAction,  // assistive technology asks node of window for action, with text
  SettingsChanged,   // the system's colours or caret blink time changed
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
  // AccessibleAction only.
  NodeId node = kNoNode;
  AccessibleAction action = AccessibleAction::Press;
};

// An event of a kind for a window, at a point of its client area where it has
// one; the other fields as above.
inline Event WindowEvent(EventKind kind, WindowId window, TPoint at = {}) {
  Event e;
  e.kind = kind;
  e.window = window;
  e.x = at.X;
  e.y = at.Y;
  return e;
}

// Sizes of a window's frame around its client area.
struct FrameExtents {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  friend bool operator==(const FrameExtents&, const FrameExtents&) = default;
};

// The control that takes typed text: its window and its rectangle in that
// window's client coordinates. No window: no control takes typed text.
struct TextInputPlace {
  WindowId window = kNoWindow;
  TRect area;
  bool Wanted() const { return window != kNoWindow; }
  friend bool operator==(const TextInputPlace&, const TextInputPlace&) = default;
};

class Platform {
 public:
  virtual ~Platform() = default;

  // --- Windows. Every window is a top-level dialog window with a title bar
  // and a close box, not resizable, created hidden. A window id the back end
  // does not know (destroyed, or never made) is ignored by every operation.

  // Creates a hidden window with the given client size and title, owned by
  // owner (kNoWindow: by none): where the system knows owners, an owned
  // window stays above its owner and shares its taskbar entry. Returns
  // kNoWindow when the system refuses; the toolkit then raises the error.
  virtual WindowId CreateWindow(const std::string& titleUtf8, int clientWidth, int clientHeight,
                                WindowId owner) = 0;
  // Destroys the window; no event for it is reported afterwards.
  virtual void DestroyWindow(WindowId window) = 0;
  virtual void SetTitle(WindowId window, const std::string& titleUtf8) = 0;
  // Shows or hides the window. Showing does not activate it (see Activate);
  // what was presented while it was hidden may be lost (an Exposed event then
  // asks for it again).
  virtual void ShowWindow(WindowId window) = 0;
  virtual void HideWindow(WindowId window) = 0;
  // Moves the outer frame's top-left corner to (x, y) on the desktop, hidden
  // or shown. The position sticks until the next move, by the toolkit or by
  // the user (reported as Moved).
  virtual void MoveWindow(WindowId window, int x, int y) = 0;
  // The frame around the client area, as it will be when the window is shown
  // (all zero where windows have no frame). May be asked before the first
  // showing: placing a dialog needs its outer size then. Where the system
  // tells the frame only later (a window manager busy elsewhere), this is the
  // best guess so far, and a FrameChanged event follows when the frame
  // becomes known or changes.
  virtual FrameExtents Frame(WindowId window) = 0;
  // Tells the system that window is modal for owner (kept above it, sharing
  // its taskbar entry) where it knows such a thing; otherwise does nothing.
  // The toolkit itself refuses input to the windows beneath.
  virtual void SetModalFor(WindowId window, WindowId owner) = 0;
  // Tells the system that the toolkit enabled or disabled the window, so that
  // the system too refuses it input and its close box; the toolkit refuses
  // input to a disabled window either way. Windows are created enabled.
  virtual void EnableWindow(WindowId window, bool enabled) {
    (void)window;
    (void)enabled;
  }
  // Raises a shown window and gives it the keyboard focus. The FocusGained
  // and FocusLost events that follow are reported as the system sends them.
  virtual void Activate(WindowId window) = 0;
  // Shows the given rectangles (client coordinates, inside the buffer) of the
  // window's pixel buffer. The buffer is the whole client area, 0x00RRGGBB.
  virtual void Present(WindowId window, const PixelBuffer& buffer,
                       const std::vector<TRect>& dirty) = 0;
  // False while nothing presented would be seen (a back end replaying saved
  // input, say): the toolkit then leaves its rectangles pending and paints
  // them once this is true again.
  virtual bool Presenting() { return true; }
  // Tells the system where typed text goes: the active window's focused
  // control that takes it, by its window and its rectangle (see
  // TextInputPlace), so that it can offer an on-screen keyboard and keep that
  // control in sight above it, as input methods place their windows. Asked
  // before each wait, told only of changes. Where the system has no such
  // thing it does nothing.
  virtual void SetTextInput(const TextInputPlace& place) { (void)place; }

  // --- The display.

  // The desktop spanning all monitors, and each monitor's bounds, in desktop
  // coordinates; there is always at least one monitor.
  virtual TRect Desktop() = 0;
  virtual std::vector<TRect> Monitors() = 0;
  // The density the user asked for (text scale), in pixels per inch; 96 when
  // the system says nothing. Asked once per dialog while it is built.
  virtual int PixelsPerInch() = 0;
  // Bits per pixel times colour planes of the display.
  virtual int DisplayBitsPerPixel() = 0;
  // Pasting. Where a program may read the clipboard when it likes, the back
  // end reports the keys as they are pressed (Ctrl+V, Shift+Insert are keys
  // like any other) and returns the clipboard's text here, UTF-8, empty when
  // it holds no text: the toolkit decides that a key pastes and asks. Where
  // the system hands the text over only with a paste of its own (a browser
  // gives it with its paste event, which follows a key only when the key's
  // default action was left alone), the back end still reports the keys,
  // returns null here and reports each such paste as a Paste event with the
  // text. Either way no back end makes up a key.
  virtual std::optional<std::string> ClipboardText() = 0;

  // --- Time and waiting.

  // Monotonic time in milliseconds; never goes back, never fails. (Asked
  // for several times a tick; noexcept keeps the page's calls direct.)
  virtual int64_t NowMs() noexcept = 0;
  // Returns the next event as soon as there is one, in this order: the input
  // the system reported, oldest first; then Quit, once asked for (by
  // PostQuit, a signal or the session); then Wake. Input the system reports
  // after a Quit comes after it. Without an event, waits until the monotonic
  // time deadlineMs (forever when deadlineMs is negative) and returns false
  // when it passed; a deadline already past only polls. Must not busy-wait.
  virtual bool WaitEvent(Event& out, int64_t deadlineMs) = 0;
  // Ends a running or the next wait early with a Wake event. Safe to call
  // from any thread and from a signal handler.
  virtual void Wake() = 0;
  // Asks the program to end as a session end would: WaitEvent then returns
  // Quit. Safe to call from any thread and from a signal handler.
  virtual void PostQuit() = 0;

  // Where the system keeps the thread in a loop of its own for a while (on
  // Windows, while the user drags a window by its title bar), the toolkit
  // cannot wait in WaitEvent. The toolkit gives the back end its due work
  // here at start-up: fire the timers that are due and repaint, never wait;
  // it returns the next deadline (negative: none). A back end with such
  // loops calls it whenever that deadline passes inside them; others keep
  // it unused.
  virtual void SetDueWork(std::function<int64_t()> work) { (void)work; }

  // --- Accessibility (the model is in Accessibility.h) and the system's look.
  // Every operation has a default, so a back end that maps none of it pays
  // nothing: the toolkit builds no tree while nothing listens.

  // Whether assistive technology listens now (a screen reader or magnifier
  // runs, or the user asked for accessibility). Asked after each loop turn
  // that paints, so it must be cheap: a flag the back end keeps. While false
  // the toolkit builds and publishes nothing. When it turns true the back end
  // calls Wake: the next turn publishes every shown window (WindowShown).
  virtual bool AccessibilityListening() { return false; }
  // Hands over a window's tree and what changed since the last call for that
  // window (in the order Accessibility.h states), after the loop turn that
  // changed it; nothing is called for a window where nothing changed. tree is
  // null after WindowHidden. The tree is immutable and the back end may keep
  // it as long as it likes: it answers every query from the last one given
  // and tells the platform of the changes. Only called while listening;
  // after listening stopped and started again, every shown window is
  // published anew. A back end turns what the user asks through assistive
  // technology into AccessibleAction events (window, node, action, text for
  // SetText) and may refuse at once what the last tree shows it cannot do
  // (an action the node lacks, kDisabled on it or its root); the toolkit
  // checks again and ignores an action that its rules refuse (a hidden or
  // disabled control, a dialog beneath a modal one, a node that went away).
  virtual void PublishAccessibility(WindowId window, std::shared_ptr<const AccessibleTree> tree,
                                    const std::vector<AccessibleChange>& changes) {
    (void)window;
    (void)tree;
    (void)changes;
  }
  // The system's value of a named colour, 0x00RRGGBB (a high-contrast scheme
  // included); the classic scheme's where the system has none. Asked for
  // every name at start-up and after each SettingsChanged event, which the
  // back end reports when the system's colours or scheme change: the toolkit
  // then asks again and repaints every window.
  virtual TColor SystemColorValue(SysColor name) { return ClassicColor(name); }
  // How long the caret stays on and off, in milliseconds; 0 or less: it does
  // not blink, it stays on. Asked when SystemColorValue is.
  virtual int CaretBlinkMs() { return 530; }
};

// Opens the native back end of the platform the program was built for (each
// native back end defines it). Returns null and sets error to a sentence for
// the user when no window system can be reached; never ends the process.
std::unique_ptr<Platform> OpenNativePlatform(std::string& error);

// Tells the user of an error that ends the program outside its own windows
// (no window system, not even the error box): title and text in UTF-8. Where
// the platform's programs have no console (Windows), in the system's message
// box; where the error stream reaches the user it does nothing. Each native
// back end defines it.
void ReportFatalError(const std::string& titleUtf8, const std::string& textUtf8);

}  // namespace platform
}  // namespace tk
