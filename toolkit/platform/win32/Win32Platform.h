#pragma once
// Real windows on Windows through the Win32 API: one top-level window per
// dialog, owned by the window the toolkit names (the main dialog) so that it
// stays above it and shares its taskbar button; each dialog's pixel buffer
// shown with SetDIBitsToDevice; input translated into the toolkit's events.
//
// Waiting happens in MsgWaitForMultipleObjectsEx until the next message, the
// wake-up event or the deadline the toolkit gives; nothing polls. Wake() and
// PostQuit() only set a flag and signal the event object, so any thread may
// call them. While Windows runs a loop of its own (a window dragged by its
// title bar, the system menu open), a window timer calls the toolkit's due
// work so that timers keep ticking.
//
// Assistive technology: each window answers WM_GETOBJECT for its client area
// with the toolkit's last published tree (Accessible.h) once a client asked
// or the system says a screen reader runs; a hidden system caret follows the
// drawn one for magnifiers. Colours and the caret's blink time are the
// system's, and a change of either is reported as SettingsChanged.

// windows.h first: its CreateWindow macro must not rename the operation of
// the same name below.
#include <windows.h>
#undef CreateWindow

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "toolkit/paint/PixelBuffer.h"
#include "toolkit/platform/EventQueue.h"
#include "toolkit/platform/Platform.h"
#include "toolkit/platform/WindowTable.h"
#include "toolkit/platform/win32/Accessible.h"

namespace tk::platform {

class Win32Platform : public Platform {
 public:
  // Registers the window class and makes the wake-up event; null with the
  // reason in error when the system refuses either.
  static std::unique_ptr<Win32Platform> Open(std::string& error);
  ~Win32Platform() override;
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

  WindowId CreateWindow(const std::string& titleUtf8, int clientWidth, int clientHeight,
                        WindowId owner) override;
  void DestroyWindow(WindowId window) override;
  void SetTitle(WindowId window, const std::string& titleUtf8) override;
  void ShowWindow(WindowId window) override;
  void HideWindow(WindowId window) override;
  void MoveWindow(WindowId window, int x, int y) override;
  FrameExtents Frame(WindowId window) override;
  void SetModalFor(WindowId window, WindowId owner) override;
  void EnableWindow(WindowId window, bool enabled) override;
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
  void SetDueWork(std::function<int64_t()> work) override { dueWork_ = std::move(work); }

  bool AccessibilityListening() override { return listening_; }
  void PublishAccessibility(WindowId window, std::shared_ptr<const AccessibleTree> tree,
                            const std::vector<AccessibleChange>& changes) override;
  TColor SystemColorValue(SysColor name) override;
  int CaretBlinkMs() override;

  // The system's handle of a window, or null (tests send it messages and
  // read its pixels).
  HWND Handle(WindowId window) const;

 private:
  struct WindowState {
    Win32Platform* platform = nullptr;
    WindowId id = kNoWindow;
    HWND hwnd = nullptr;
    bool trackingLeave = false;
    // The pixels last presented, kept for WM_PAINT: the toolkit presents only
    // what changed.
    PixelBuffer pixels;
    // What MSAA clients see of it, from the first publication on.
    std::unique_ptr<AccessibleWindow> accessible;
  };

  Win32Platform() = default;
  bool Init(std::string& error);
  WindowState* Find(WindowId window);
  const WindowState* Find(WindowId window) const;
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(WindowState& state, UINT message, WPARAM wParam, LPARAM lParam);
  void Push(Event e) { queue_.Push(std::move(e)); }
  void OnChar(WindowState& state, wchar_t unit);
  void OnMouseButton(WindowState& state, UINT message, WPARAM wParam, LPARAM lParam);
  // Draws rect of the kept pixels into the window.
  void Draw(const WindowState& state, HDC dc, const RECT& rect) const;
  // Calls the toolkit's due work inside a system loop and sets the window
  // timer for the next deadline.
  void RunDueWork(HWND hwnd);
  // Assistive technology started listening: the toolkit publishes next turn.
  void StartListening();
  LRESULT OnGetObject(WindowState& state, WPARAM wParam, LPARAM lParam);
  // Places the hidden system caret where the focused field of tree draws
  // its own, or takes it away from hwnd.
  void FollowCaret(HWND hwnd, const AccessibleTree* tree);
  // The system's colours, caret or screen reader changed.
  void OnSettingChange(UINT message, WPARAM wParam);

  WindowTable<WindowState> windows_;
  EventQueue queue_;
  HANDLE wakeEvent_ = nullptr;
  int64_t counterStart_ = 0;
  int64_t counterFrequency_ = 1;
  int buttonsHeld_ = 0;
  // The first half of a character outside the basic plane, until the second.
  wchar_t highSurrogate_ = 0;
  std::function<int64_t()> dueWork_;
  bool inDueWork_ = false;
  bool classRegistered_ = false;
  bool listening_ = false;
  // COM, started on this thread when the first client asked; it ends after
  // the windows (the destructor's body destroys them).
  ComRuntime com_;
  // A SettingsChanged event waits in the queue: one report for the message
  // that every top-level window gets.
  bool settingsQueued_ = false;
  // The window that holds the hidden system caret, and where it is.
  HWND caretWindow_ = nullptr;
  TRect caretRect_;
};

}  // namespace tk::platform
