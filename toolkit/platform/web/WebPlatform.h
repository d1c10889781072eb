#pragma once
// The browser as a platform: the page is the desktop, with a window manager
// of the back end's own (WindowManager); input comes from the page's pointer,
// key, text and paste events, and everything the toolkit is handed is
// journaled, so that a page the browser killed comes back as it was. This
// class keeps the clock, the journal and the translation of the page's input;
// what the pointer does to windows is the window manager's.
//
// The clock. NowMs is the back end's own clock in ms since the game began,
// taken from the wall clock (which, unlike the page's monotonic one, keeps
// counting while a phone sleeps) and never going back. It moves only when
// WaitEvent returns:
//  - to the time an event was handed over (its arrival, or the clock if that
//    is later);
//  - to the deadline, when a wait ends at its deadline or less than kLateMs
//    after it;
//  - to the wall time, when a wait ends later than that (the page was frozen,
//    throttled or killed): a jump, journaled, after which the toolkit's
//    late-tick rule decides what the missed ticks do.
// An event waits until the clock reaches its arrival time. The toolkit's
// behaviour is then a function of the journal alone.
//
// Replay. When the page loads and the page's storage holds the journal of an
// unfinished game of this program, its records are handed over again on a
// virtual clock, without waiting and without presenting; then the back end
// goes on in real time from there, the clock continuing from the wall time.
// The journal is kept in two copies, written one after the other, so that a
// write the page's death tears leaves the other whole; the first copy that
// reads back whole is replayed. A journal that cannot be replayed (damaged in
// both copies, another game's, other rules) is given to the page to keep
// aside, and the game starts anew.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/platform/EventQueue.h"
#include "toolkit/platform/Platform.h"
#include "toolkit/platform/web/DomMirror.h"
#include "toolkit/platform/web/Journal.h"
#include "toolkit/platform/web/WindowManager.h"

namespace tk::platform::web {

// Input as the page reports it, before the back end makes toolkit events of it.
struct RawInput {
  enum class Kind : uint8_t {
    PointerDown,    // x, y, button, touch, modifiers
    PointerMove,    // x, y, touch
    PointerUp,      // x, y, button, touch, modifiers
    PointerCancel,  // the browser took the pointer over (a scroll gesture, say)
    PointerLeave,   // the pointer left the page
    KeyDown,        // key, code, modifiers, repeat
    KeyUp,          // key, code, modifiers
    Text,           // text typed, UTF-8
    Paste,          // text pasted, UTF-8
    Resize,         // the viewport: width x height device pixels at ratio
    PageFocus,      // the page became the focused window
    PageBlur,       // the page stopped being the focused window
    Access,         // assistive technology asked node for action (with text) in the mirror
  };
  // The kind of the page's event of that type ("pointerdown", "keydown",
  // "paste", "focus"...; "text" for typed text), or null for another.
  static std::optional<Kind> KindOf(std::string_view type);

  Kind kind = Kind::PointerMove;
  // Wall time of arrival, ms since 1970.
  int64_t wallMs = 0;
  // Pointer position in desktop pixels from the desktop's top-left corner
  // (the page divides by the scale; a fraction is in the pixel it falls in).
  double x = 0;
  double y = 0;
  int button = 1;
  bool touch = false;
  // The key as the page names it: its meaning (KeyboardEvent.key: "Tab",
  // "ArrowLeft", " "...) and its place on the keyboard (KeyboardEvent.code:
  // "KeyV"...), which names the shortcut letters whatever the layout types.
  std::string key;
  std::string code;
  uint8_t modifiers = 0;
  bool repeat = false;
  std::string text;
  NodeId node = kNoNode;
  AccessibleAction action = AccessibleAction::Press;
  int width = 0;
  int height = 0;
  double ratio = 1;
};

// What the page offers the back end: the browser's glue, or a test's.
class Host {
 public:
  virtual ~Host() = default;
  // Wall time, ms since 1970.
  virtual int64_t WallMs() = 0;
  // The viewport at start: width x height device pixels at a device pixel
  // ratio (later changes come as Resize input).
  virtual void Viewport(int& width, int& height, double& ratio) = 0;
  // The next input that arrived, oldest first; false when none waits.
  virtual bool NextInput(RawInput& out) = 0;
  // Waits until input arrives or ms pass (negative: only input ends it);
  // returns at once when input waits already. Yields to the page meanwhile:
  // all that the back end shows and saves is done before.
  virtual void Sleep(int64_t ms) = 0;
  // The picture is width x height desktop pixels, shown at scale device
  // pixels each.
  virtual void SetSurface(int width, int height, double scale) = 0;
  // Shows rectangles of the picture (RGBA words, width per row).
  virtual void Show(const std::vector<uint32_t>& picture, int width,
                    const std::vector<TRect>& rects) = 0;
  // A copy (0 or 1) of the journal's text as last saved (empty: none).
  virtual std::string LoadJournal(int copy) = 0;
  // Saves a copy; false when the page's storage refused it (full, not
  // allowed), which the page then shows.
  virtual bool SaveJournal(int copy, const std::string& text) = 0;
  // Typed text is wanted, or no longer, in the given rectangle of the
  // desktop: the page's text field should take the focus and lie there.
  // node: the mirror's field that stands for the control (kNoNode: none).
  virtual void SetTextInput(bool wanted, const TRect& area, NodeId node) = 0;
  // Whether the page keeps a mirror of the windows for assistive technology
  // (see DomMirror); asked when the toolkit asks whether anything listens.
  virtual bool Mirroring() { return false; }
  // Changes to the mirror, a JSON array of operations (see DomMirror).
  virtual void Mirror(const std::string& operations) { (void)operations; }
  // The journal found could not be used (damaged, another game's or rules):
  // the page keeps what its storage holds aside; a new game starts.
  virtual void JournalRefused() {}
  // Replay ended: how long it took (ms of the page's own clock), how many
  // records it handed over.
  virtual void ReplayFinished(double ms, size_t records) {
    (void)ms;
    (void)records;
  }
  // A monotonic clock with sub-millisecond resolution, for measuring only.
  virtual double PreciseMs() { return 0; }
};

class WebPlatform : public Platform {
 public:
  // A wait that ends this much after its deadline or later is a jump.
  static constexpr int64_t kLateMs = 2000;

  // Takes the host's viewport and reads the journal the host holds; game
  // names the game and its rules (see Journal): another's journal is refused.
  WebPlatform(Host& host, std::string game);

  // The toolkit's key of a key the page names (see RawInput), or Key::None.
  static Key KeyOf(std::string_view key, std::string_view code);

  // Tools and tests: after the journal's records, let the clock run on to
  // clock (timers ticking on time) before going on in real time.
  void SetReplayUntil(int64_t clock) { replayUntil_ = clock; }

  bool Replaying() const { return replaying_; }
  const WindowManager& Windows() const { return windows_; }
  const Journal& CurrentJournal() const { return journal_; }
  double ScaleFactor() const { return scale_; }

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
  bool Presenting() override { return !replaying_; }
  void SetTextInput(const TextInputPlace& place) override;
  TRect Desktop() override { return windows_.Bounds(); }
  std::vector<TRect> Monitors() override { return {windows_.Bounds()}; }
  int PixelsPerInch() override { return 96; }
  int DisplayBitsPerPixel() override { return 32; }
  // The page reads the clipboard only in its paste event (a Paste event).
  std::optional<std::string> ClipboardText() override { return std::nullopt; }
  int64_t NowMs() noexcept override { return clock_; }
  bool WaitEvent(Event& out, int64_t deadlineMs) override;
  void Wake() override { queue_.PostWake(); }
  void PostQuit() override { queue_.PostQuit(); }
  // The page listens while it keeps its mirror; a replay publishes nothing
  // (nothing is presented), the first turn after it publishes every window.
  bool AccessibilityListening() override { return host_.Mirroring(); }
  void PublishAccessibility(WindowId window, std::shared_ptr<const AccessibleTree> tree,
                            const std::vector<AccessibleChange>& changes) override;
  const DomMirror& Mirror() const { return mirror_; }

 private:
  // The wall clock as the back end's clock, never going back.
  int64_t RealNow();
  bool ReplayWait(Event& out, int64_t deadlineMs, bool& answered);
  void FinishReplay();
  void Deliver(EventQueue::Entry entry, Event& out);
  void TakeInput();
  void Translate(const RawInput& in);
  void KeepWindowsOnDesktop();
  void Rescale();
  void SetViewport(int width, int height, double ratio);
  void Flush();
  void SaveJournal();
  void TellTextInput();
  void TellMirror();

  Host& host_;
  std::string program_;
  WindowManager windows_;
  Journal journal_;
  bool journalDirty_ = false;
  // The move group of the journal's last record (0: no hover move).
  uint8_t lastRecordGroup_ = 0;
  bool replaying_ = false;
  size_t replayIndex_ = 0;
  std::optional<int64_t> replayUntil_;
  double replayStartedMs_ = -1;
  int64_t clock_ = 0;
  int64_t lastReal_ = 0;
  // Input translated and not yet handed over, each at its arrival.
  EventQueue queue_;
  DomMirror mirror_;
  TextInputPlace textInput_;
  // What the host was last told of typed text, in desktop pixels.
  bool toldTextInput_ = false;
  TRect toldTextArea_;
  NodeId toldTextNode_ = kNoNode;
  // The viewport and the scale that shows the desktop in it.
  int viewWidth_ = 0;
  int viewHeight_ = 0;
  double ratio_ = 1;
  double scale_ = 1;
};

}  // namespace tk::platform::web
