#include "toolkit/platform/web/WebPlatform.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <iterator>
#include <utility>

#include "toolkit/platform/AccessibleQueries.h"

namespace tk::platform::web {

std::optional<RawInput::Kind> RawInput::KindOf(std::string_view type) {
  // The page's type of each kind, in the order of Kind.
  static constexpr std::string_view kTypes[] = {
      "pointerdown", "pointermove", "pointerup", "pointercancel", "pointerleave",
      "keydown",     "keyup",       "text",      "paste",         "resize",
      "focus",       "blur",        "access"};
  static_assert(std::size(kTypes) == static_cast<size_t>(Kind::Access) + 1);
  const auto* found = std::find(std::begin(kTypes), std::end(kTypes), type);
  if (found == std::end(kTypes)) return std::nullopt;
  return static_cast<Kind>(found - std::begin(kTypes));
}

Key WebPlatform::KeyOf(std::string_view key, std::string_view code) {
  static constexpr std::pair<std::string_view, Key> kNamed[] = {
      {"Tab", Key::Tab},          {"Enter", Key::Enter},
      {"Escape", Key::Escape},    {"Backspace", Key::Backspace},
      {"Delete", Key::Delete},    {"ArrowLeft", Key::Left},
      {"ArrowRight", Key::Right}, {"ArrowUp", Key::Up},
      {"ArrowDown", Key::Down},   {"Home", Key::Home},
      {"End", Key::End},          {" ", Key::Space},
      {"Insert", Key::Insert},
  };
  // The shortcut letters by the key's place, whatever the layout types there.
  static constexpr std::pair<std::string_view, Key> kPlaced[] = {
      {"KeyA", Key::A}, {"KeyC", Key::C}, {"KeyV", Key::V}, {"KeyX", Key::X}};
  for (const auto& [name, k] : kNamed) {
    if (name == key) return k;
  }
  for (const auto& [name, k] : kPlaced) {
    if (name == code) return k;
  }
  return Key::None;
}

WebPlatform::WebPlatform(Host& host, std::string game)
    : host_(host), program_(std::move(game)), journal_(program_, host.WallMs()) {
  int width = 0;
  int height = 0;
  double ratio = 1;
  host_.Viewport(width, height, ratio);
  SetViewport(width, height, ratio);
  const std::string saved[2] = {host_.LoadJournal(0), host_.LoadJournal(1)};
  for (const std::string& text : saved) {
    if (text.empty()) continue;
    if (std::optional<Journal> old = Journal::Decode(text, program_)) {
      journal_ = std::move(*old);
      replaying_ = true;
      // A copy that differs (torn, missing) is written whole again once the
      // replay is done.
      journalDirty_ = saved[0] != saved[1];
      return;
    }
  }
  bool found = !saved[0].empty() || !saved[1].empty();
  if (found) host_.JournalRefused();
  journalDirty_ = true;
}

int64_t WebPlatform::RealNow() {
  lastReal_ = std::max(lastReal_, host_.WallMs() - journal_.StartWallMs());
  return lastReal_;
}

// --- Windows.

WindowId WebPlatform::CreateWindow(const std::string& titleUtf8, int clientWidth, int clientHeight,
                                   WindowId /*owner*/) {
  // Every window lies on the one page; a modal one is put on top when it is
  // activated.
  WindowId id = windows_.Create(titleUtf8, clientWidth, clientHeight);
  // A larger window than before may need a smaller scale.
  Rescale();
  return id;
}

void WebPlatform::DestroyWindow(WindowId window) {
  windows_.Destroy(window);
  mirror_.Forget(window);
  queue_.Forget(window);
}

void WebPlatform::SetTitle(WindowId window, const std::string& titleUtf8) {
  windows_.SetTitle(window, titleUtf8);
}

void WebPlatform::ShowWindow(WindowId window) {
  windows_.Show(window);
}

void WebPlatform::HideWindow(WindowId window) {
  windows_.Hide(window);
}

void WebPlatform::MoveWindow(WindowId window, int x, int y) {
  windows_.Move(window, {x, y});
}

FrameExtents WebPlatform::Frame(WindowId window) {
  return windows_.Exists(window) ? WindowManager::kFrame : FrameExtents{};
}

void WebPlatform::SetModalFor(WindowId /*window*/, WindowId /*owner*/) {
  // A modal window is put on top when it is activated; nothing else to do.
}

void WebPlatform::EnableWindow(WindowId window, bool enabled) {
  windows_.Enable(window, enabled);
}

void WebPlatform::Activate(WindowId window) {
  if (windows_.Shown(window)) windows_.Activate(window);
}

void WebPlatform::Present(WindowId window, const PixelBuffer& buffer,
                          const std::vector<TRect>& dirty) {
  windows_.PresentClient(window, buffer, dirty);
}

void WebPlatform::SetTextInput(const TextInputPlace& place) {
  // The page hears of it before the next wait, where the window's place on
  // the desktop is known too.
  textInput_ = place;
}

// Tells the page where typed text goes, in desktop pixels, when that changed:
// another control, or its window moved.
void WebPlatform::TellTextInput() {
  bool wanted = textInput_.Wanted() && windows_.Shown(textInput_.window);
  TRect area;
  NodeId node = kNoNode;
  if (wanted) {
    TRect outer = windows_.OuterRect(textInput_.window);
    area = textInput_.area.Offset(outer.Left + WindowManager::kFrame.left,
                                  outer.Top + WindowManager::kFrame.top);
    // The mirror's field of the control that takes the text: the focused
    // node of that window, where it is one that takes text.
    const AccessibleNode* focused = mirror_.Focused(textInput_.window);
    if (focused != nullptr && (focused->actions & ActionBit(AccessibleAction::SetText)) != 0) {
      node = focused->id;
    }
  }
  if (wanted == toldTextInput_ && area == toldTextArea_ && node == toldTextNode_) return;
  toldTextInput_ = wanted;
  toldTextArea_ = area;
  toldTextNode_ = node;
  host_.SetTextInput(wanted, area, node);
}

// --- The mirror for assistive technology.

void WebPlatform::PublishAccessibility(WindowId window, std::shared_ptr<const AccessibleTree> tree,
                                       const std::vector<AccessibleChange>& changes) {
  mirror_.Publish(window, std::move(tree), changes);
}

// Tells the page what changed in its mirror: the toolkit's publications since
// the last wait, and the windows that moved or changed places in the stack.
void WebPlatform::TellMirror() {
  const std::vector<WindowId>& stacking = windows_.Stacking();
  for (WindowId id : mirror_.Windows()) {
    auto at = std::find(stacking.begin(), stacking.end(), id);
    if (at == stacking.end()) continue;
    TRect outer = windows_.OuterRect(id);
    mirror_.Place(id,
                  {outer.Left + WindowManager::kFrame.left, outer.Top + WindowManager::kFrame.top},
                  static_cast<int>(at - stacking.begin()));
  }
  std::string operations = mirror_.TakeOperations();
  if (!operations.empty()) host_.Mirror(operations);
}

// --- The viewport and the scale.

void WebPlatform::SetViewport(int width, int height, double ratio) {
  width = std::max(1, width);
  height = std::max(1, height);
  ratio = ratio > 0 ? ratio : 1;
  // A viewport that only got shorter, as wide as before, lost room to an
  // on-screen keyboard or a browser's bar: the desktop keeps its size and
  // scale, so that no window jumps, and the page scrolls the field being
  // typed in into sight. Wider, narrower or taller, it is laid out anew.
  if (width == viewWidth_ && ratio == ratio_ && height < viewHeight_) return;
  viewWidth_ = width;
  viewHeight_ = height;
  ratio_ = ratio;
  Rescale();
}

void WebPlatform::Rescale() {
  double scale = WindowManager::Scale(viewWidth_, viewHeight_, ratio_, windows_.NeedWidth(),
                                      windows_.NeedHeight());
  int width = static_cast<int>(std::floor(viewWidth_ / scale));
  int height = static_cast<int>(std::floor(viewHeight_ / scale));
  if (scale == scale_ && windows_.Bounds() == TRect{0, 0, width, height}) return;
  scale_ = scale;
  windows_.Resize(width, height);
  if (!replaying_) host_.SetSurface(width, height, scale_);
  KeepWindowsOnDesktop();
}

// Windows stay on the desktop, which may be smaller than it was; the toolkit
// hears of each move. While replaying, the journal holds what it heard.
void WebPlatform::KeepWindowsOnDesktop() {
  if (!replaying_) windows_.KeepWindowsOnDesktop(queue_, clock_);
}

// --- Input.

void WebPlatform::TakeInput() {
  RawInput in;
  while (host_.NextInput(in)) Translate(in);
}

void WebPlatform::Translate(const RawInput& in) {
  using K = RawInput::Kind;
  int64_t stamp = std::max<int64_t>(0, in.wallMs - journal_.StartWallMs());
  WindowId active = windows_.Active();
  // A fraction of a desktop pixel is in the pixel it falls in.
  PointerInput pointer{{static_cast<int>(std::floor(in.x)), static_cast<int>(std::floor(in.y))},
                       in.button,
                       in.touch,
                       in.modifiers};
  switch (in.kind) {
    case K::Resize:
      SetViewport(in.width, in.height, in.ratio);
      return;
    case K::PageFocus:
    case K::PageBlur:
      if (active != kNoWindow) {
        queue_.Push(
            WindowEvent(in.kind == K::PageFocus ? EventKind::FocusGained : EventKind::FocusLost,
                        active),
            stamp);
      }
      return;
    case K::KeyDown:
    case K::KeyUp: {
      Key key = KeyOf(in.key, in.code);
      if (active == kNoWindow || key == Key::None) return;
      Event e = WindowEvent(in.kind == K::KeyDown ? EventKind::KeyDown : EventKind::KeyUp, active);
      e.key = key;
      e.modifiers = in.modifiers;
      e.repeat = in.repeat;
      queue_.Push(std::move(e), stamp);
      return;
    }
    case K::Text:
    case K::Paste: {
      // A paste may be empty: it still replaces the selection.
      if (active == kNoWindow || (in.kind == K::Text && in.text.empty())) return;
      Event e = WindowEvent(in.kind == K::Text ? EventKind::Text : EventKind::Paste, active);
      e.text = in.text;
      queue_.Push(std::move(e), stamp);
      return;
    }
    case K::PointerDown:
      windows_.PointerDown(pointer, queue_, stamp);
      return;
    case K::PointerMove:
      windows_.PointerMove(pointer, queue_, stamp);
      return;
    case K::PointerUp:
    case K::PointerCancel:
      windows_.PointerUp(pointer, in.kind == K::PointerCancel, queue_, stamp);
      return;
    case K::PointerLeave:
      windows_.PointerLeave(queue_, stamp);
      return;
    case K::Access: {
      // Refused at once where the last tree shows it cannot be done; the
      // toolkit checks again by its own rules.
      WindowId window = kNoWindow;
      const AccessibleNode* node = mirror_.Find(in.node, &window);
      if (node == nullptr ||
          RefuseAction(*mirror_.Tree(window), *node, in.action) != ActionRefusal::None) {
        return;
      }
      queue_.Push(AccessibleActionEvent(window, in.node, in.action,
                                        in.action == AccessibleAction::SetText ? in.text : ""),
                  stamp);
      return;
    }
  }
}

void WebPlatform::Deliver(EventQueue::Entry entry, Event& out) {
  clock_ = std::max(clock_, entry.time);
  windows_.Delivered(entry.event);
  JournalRecord record = JournalRecord::OfEvent(clock_, entry.event);
  // A hovering pointer's moves replace each other in the journal too, by the
  // queue's rule: only where it came to rest counts.
  uint8_t group = entry.moveGroup == kHoverMove ? kHoverMove : 0;
  if (!journal_.Records().empty() &&
      EventQueue::Replaces(entry.event, group, journal_.Records().back().event, lastRecordGroup_)) {
    journal_.ReplaceLast(record);
  } else {
    journal_.Append(record);
  }
  lastRecordGroup_ = group;
  journalDirty_ = true;
  out = std::move(entry.event);
}

// --- Waiting.

bool WebPlatform::ReplayWait(Event& out, int64_t deadline, bool& answered) {
  answered = true;
  // The replay's time counts from its first wait: building the dialogs
  // before is what every start of the page costs.
  if (replayStartedMs_ < 0) replayStartedMs_ = host_.PreciseMs();
  const std::vector<JournalRecord>& records = journal_.Records();
  while (replayIndex_ < records.size()) {
    const JournalRecord& r = records[replayIndex_];
    int64_t target = deadline < 0 ? INT64_MAX : std::max(deadline, clock_);
    if (r.kind == JournalRecord::Kind::Event && r.time <= target) {
      ++replayIndex_;
      clock_ = std::max(clock_, r.time);
      windows_.Delivered(r.event);
      out = r.event;
      return true;
    }
    if (deadline < 0) {
      // Waiting without a deadline, the run that wrote the journal could not
      // have woken late: such a jump means nothing.
      ++replayIndex_;
      continue;
    }
    if (deadline <= clock_) return false;
    if (r.kind == JournalRecord::Kind::Jump && deadline >= r.deadline) {
      ++replayIndex_;
      clock_ = std::max(deadline, r.time);
      return false;
    }
    clock_ = deadline;
    return false;
  }
  if (replayUntil_ && deadline >= 0 && deadline <= *replayUntil_) {
    clock_ = std::max(clock_, deadline);
    return false;
  }
  FinishReplay();
  answered = false;
  return false;
}

void WebPlatform::FinishReplay() {
  replaying_ = false;
  lastReal_ = std::max(lastReal_, clock_);
  lastRecordGroup_ = 0;
  host_.ReplayFinished(host_.PreciseMs() - replayStartedMs_, replayIndex_);
  // Show what the replay built: the toolkit paints on its next turn.
  host_.SetSurface(windows_.Bounds().Width(), windows_.Bounds().Height(), scale_);
  windows_.InvalidateAll();
  queue_.PostWake();
  KeepWindowsOnDesktop();
}

void WebPlatform::Flush() {
  std::vector<TRect> rects = windows_.Compose();
  if (!rects.empty()) host_.Show(windows_.Picture(), windows_.Bounds().Width(), rects);
  // The mirror first: the field that takes the text may be new.
  TellMirror();
  TellTextInput();
  if (journalDirty_) SaveJournal();
}

void WebPlatform::SaveJournal() {
  journalDirty_ = false;
  std::string text = journal_.Encode();
  // The second copy only after the first is whole: one of them always holds
  // a journal that reads back, the newest the storage took. Each save
  // writes all of it, so one that fails loses nothing that a later one
  // does not write again.
  if (host_.SaveJournal(0, text)) host_.SaveJournal(1, text);
}

bool WebPlatform::WaitEvent(Event& out, int64_t deadline) {
  for (;;) {
    // The journal's records are the input queued first.
    if (replaying_) {
      bool answered = false;
      bool got = ReplayWait(out, deadline, answered);
      if (answered) return got;
    }
    TakeInput();
    // Input counts once the clock reaches its arrival.
    EventQueue::Entry entry;
    if (queue_.Pop(entry, deadline < 0 ? INT64_MAX : std::max(deadline, clock_))) {
      if (entry.event.kind == EventKind::Quit || entry.event.kind == EventKind::Wake) {
        out = std::move(entry.event);
      } else {
        Deliver(std::move(entry), out);
      }
      return true;
    }
    // A poll: the clock moves only when a wait ends.
    if (deadline >= 0 && deadline <= clock_) return false;
    int64_t now = RealNow();
    if (deadline >= 0 && now >= deadline) {
      if (now - deadline >= kLateMs) {
        clock_ = now;
        journal_.Append(JournalRecord::OfJump(deadline, now));
        lastRecordGroup_ = 0;
        journalDirty_ = true;
      } else {
        clock_ = deadline;
      }
      return false;
    }
    Flush();
    host_.Sleep(deadline < 0 ? -1 : deadline - now);
  }
}

}  // namespace tk::platform::web
