#pragma once
// A back end without windows for tests: a virtual clock that only moves when a
// test lets it, an input queue that tests fill, a configurable desktop, and
// each window's last presented pixels.
//
// The event loop runs unchanged on it. When the loop has nothing to do, the
// back end lets the virtual clock run up to the limit a test allowed (stopping
// at each deadline the loop asked for, so timers tick one by one), then runs
// the next scripted step. When the script is exhausted it answers Quit, so a
// run always ends.

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "toolkit/paint/PixelBuffer.h"
#include "toolkit/platform/EventQueue.h"
#include "toolkit/platform/Platform.h"
#include "toolkit/platform/WindowTable.h"
#include "toolkit/platform/headless/Script.h"

namespace tk::platform {

class HeadlessPlatform : public Platform {
 public:
  struct Window : KeptWindow {
    WindowId owner = kNoWindow;
    WindowId modalFor = kNoWindow;
    PixelBuffer pixels;
    int presentCount = 0;
  };

  HeadlessPlatform();

  // Configuration.
  void SetDesktop(TRect desktop, std::vector<TRect> monitors = {});
  void SetPixelsPerInch(int ppi) { ppi_ = ppi; }
  void SetBitsPerPixel(int bits) { bitsPerPixel_ = bits; }
  void SetFrame(FrameExtents frame) { frame_ = frame; }
  // The frame changes under windows that exist, as when a window manager
  // answers late: each window is told with a FrameChanged event.
  void ChangeFrame(FrameExtents frame);
  // The next count calls of CreateWindow are refused.
  void RefuseWindows(int count) { refusedWindows_ = count; }

  // Scripted steps run one at a time when the loop is idle.
  void Then(std::function<void()> step) { script_.steps.push_back(std::move(step)); }
  // Lets the virtual clock run ms further (timers tick on the way).
  void Advance(int64_t ms) { script_.limit = std::max(script_.limit, now_) + ms; }
  // Moves the clock at once, as a suspended machine would.
  void JumpClock(int64_t ms) {
    now_ += ms;
    script_.limit = std::max(script_.limit, now_);
  }
  int64_t Now() const { return now_; }

  // Input, addressed to a window (client coordinates for the mouse).
  void Push(Event e) { queue_.Push(std::move(e)); }
  void Key(WindowId w, platform::Key key, uint8_t modifiers = 0);
  void Type(WindowId w, const std::string& utf8);
  // A paste of the system's own, as a browser reports it (the keys of a
  // paste read the clipboard instead: SetClipboard).
  void Paste(WindowId w, const std::string& utf8);
  // The text ClipboardText answers; null: the system pastes by itself.
  void SetClipboard(std::optional<std::string> utf8) { clipboard_ = std::move(utf8); }
  void Click(WindowId w, int x, int y);
  void MouseMove(WindowId w, int x, int y);
  void MouseDown(WindowId w, int x, int y);
  void MouseUp(WindowId w, int x, int y);
  void Close(WindowId w);
  bool QueueEmpty() const { return !queue_.HasInput(); }

  // Inspection.
  const Window* Find(WindowId w) const;
  WindowId Active() const { return active_; }
  // Writes the window's last presented pixels as a PNG file.
  bool SavePng(WindowId w, const std::string& path) const;
  int WaitCount() const { return waits_; }
  // Where the toolkit last said typed text goes, and how often it said so.
  const TextInputPlace& TextInput() const { return textInput_; }
  int TextInputChanges() const { return textInputChanges_; }
  TPoint WindowPosition(WindowId window) const;

  // Platform.
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
  TRect Desktop() override { return desktop_; }
  std::vector<TRect> Monitors() override { return monitors_; }
  int PixelsPerInch() override { return ppi_; }
  int DisplayBitsPerPixel() override { return bitsPerPixel_; }
  std::optional<std::string> ClipboardText() override { return clipboard_; }
  void SetTextInput(const TextInputPlace& place) override {
    textInput_ = place;
    ++textInputChanges_;
  }
  int64_t NowMs() noexcept override { return now_; }
  bool WaitEvent(Event& out, int64_t deadlineMs) override;
  void Wake() override { queue_.PostWake(); }
  void PostQuit() override { queue_.PostQuit(); }
  void SetDueWork(std::function<int64_t()> work) override { dueWork_ = std::move(work); }
  // Runs the toolkit's due work as a system loop of its own would (a window
  // dragged by its title bar); returns the next deadline.
  int64_t RunDueWork() { return dueWork_ ? dueWork_() : -1; }

  // Accessibility: whether a screen reader is said to listen, the last tree
  // published for each window and every change reported, in order.
  void SetAccessibilityListening(bool on) { listening_ = on; }
  bool AccessibilityListening() override { return listening_; }
  void PublishAccessibility(WindowId window, std::shared_ptr<const AccessibleTree> tree,
                            const std::vector<AccessibleChange>& changes) override;
  struct Reported {
    WindowId window;
    AccessibleChange change;
  };
  const AccessibleTree* TreeOf(WindowId window) const;
  const std::vector<Reported>& Reports() const { return reports_; }
  void ClearReports() { reports_.clear(); }
  // Queues what a screen reader asks of a node.
  void Act(WindowId window, NodeId node, AccessibleAction action, std::string text = {});

  // The system's look: a named colour's value, the caret blink time, and the
  // event that tells the toolkit they changed.
  void SetSystemColor(SysColor name, TColor rgb) { colors_[static_cast<size_t>(name)] = rgb; }
  TColor SystemColorValue(SysColor name) override { return colors_[static_cast<size_t>(name)]; }
  void SetCaretBlinkMs(int ms) { caretBlinkMs_ = ms; }
  int CaretBlinkMs() override { return caretBlinkMs_; }
  void SettingsChanged();

 private:
  WindowTable<Window> windows_;
  WindowId active_ = kNoWindow;
  EventQueue queue_;
  std::optional<std::string> clipboard_ = std::string();
  std::function<int64_t()> dueWork_;
  Script script_{{}, 1000000};
  TRect desktop_{0, 0, 1920, 1080};
  std::vector<TRect> monitors_;
  FrameExtents frame_{3, 22, 3, 3};
  int refusedWindows_ = 0;
  int ppi_ = 96;
  int bitsPerPixel_ = 32;
  int64_t now_ = 1000000;
  int waits_ = 0;
  TextInputPlace textInput_;
  int textInputChanges_ = 0;
  bool listening_ = false;
  std::map<WindowId, std::shared_ptr<const AccessibleTree>> trees_;
  std::vector<Reported> reports_;
  std::array<TColor, kSysColorCount> colors_ = ClassicPalette();
  int caretBlinkMs_ = 530;
};

}  // namespace tk::platform
