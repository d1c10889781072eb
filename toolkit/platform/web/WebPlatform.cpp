#include "toolkit/platform/web/WebPlatform.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace tk::platform::web {

namespace {

Event MakeEvent(EventKind kind, WindowId window) {
  Event e;
  e.kind = kind;
  e.window = window;
  return e;
}

Event PointerEvent(EventKind kind, WindowId window, TPoint p, int button = 0,
                   uint8_t modifiers = 0) {
  Event e = MakeEvent(kind, window);
  e.x = p.X;
  e.y = p.Y;
  e.button = button;
  e.modifiers = modifiers;
  return e;
}

// Where a released or cancelled pointer counts as outside every control.
constexpr TPoint kNowhere{-100000, -100000};

}  // namespace

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

WindowId WebPlatform::CreateWindow(const std::string& titleUtf8, int clientWidth,
                                   int clientHeight) {
  WindowId id = desktop_.Create(titleUtf8, clientWidth, clientHeight);
  // A larger window than before may need a smaller scale.
  Rescale();
  return id;
}

void WebPlatform::DestroyWindow(WindowId window) {
  desktop_.Destroy(window);
  std::erase_if(pending_, [window](const Pending& p) { return p.event.window == window; });
  for (WindowId* w : {&dragging_, &closing_, &captured_, &hovered_}) {
    if (*w == window) *w = kNoWindow;
  }
}

void WebPlatform::SetTitle(WindowId window, const std::string& titleUtf8) {
  desktop_.SetTitle(window, titleUtf8);
}

void WebPlatform::ShowWindow(WindowId window) {
  desktop_.Show(window);
}

void WebPlatform::HideWindow(WindowId window) {
  desktop_.Hide(window);
  if (dragging_ == window) dragging_ = kNoWindow;
  if (closing_ == window) closing_ = kNoWindow;
  if (hovered_ == window) hovered_ = kNoWindow;
}

void WebPlatform::MoveWindow(WindowId window, int x, int y) {
  desktop_.Move(window, {x, y});
}

FrameExtents WebPlatform::Frame(WindowId window) {
  return desktop_.Exists(window) ? web::Desktop::kFrame : FrameExtents{};
}

void WebPlatform::SetModalFor(WindowId /*window*/, WindowId /*owner*/) {
  // A modal window is put on top when it is activated; nothing else to do.
}

void WebPlatform::EnableWindow(WindowId window, bool enabled) {
  desktop_.Enable(window, enabled);
  if (!enabled) {
    // A disabled window loses what the pointer was doing with it.
    if (dragging_ == window) dragging_ = kNoWindow;
    if (closing_ == window) {
      desktop_.PressClose(window, false);
      closing_ = kNoWindow;
    }
  }
}

void WebPlatform::Activate(WindowId window) {
  if (desktop_.Shown(window)) desktop_.Activate(window);
}

void WebPlatform::Present(WindowId window, const PixelBuffer& buffer,
                          const std::vector<TRect>& dirty) {
  desktop_.PresentClient(window, buffer, dirty);
}

void WebPlatform::SetTextInput(const TextInputPlace& place) {
  // The page hears of it before the next wait, where the window's place on
  // the desktop is known too.
  textInput_ = place;
}

// Tells the page where typed text goes, in desktop pixels, when that changed:
// another control, or its window moved.
void WebPlatform::TellTextInput() {
  bool wanted = textInput_.Wanted() && desktop_.Shown(textInput_.window);
  TRect area;
  if (wanted) {
    TRect outer = desktop_.OuterRect(textInput_.window);
    area = textInput_.area.Offset(outer.Left + web::Desktop::kFrame.left,
                                  outer.Top + web::Desktop::kFrame.top);
  }
  if (wanted == toldTextInput_ && area == toldTextArea_) return;
  toldTextInput_ = wanted;
  toldTextArea_ = area;
  host_.SetTextInput(wanted, area);
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
  double scale = web::Desktop::Scale(viewWidth_, viewHeight_, ratio_, desktop_.NeedWidth(),
                                     desktop_.NeedHeight());
  int width = static_cast<int>(std::floor(viewWidth_ / scale));
  int height = static_cast<int>(std::floor(viewHeight_ / scale));
  if (scale == scale_ && desktop_.Bounds() == TRect{0, 0, width, height}) return;
  scale_ = scale;
  desktop_.Resize(width, height);
  if (!replaying_) host_.SetSurface(width, height, scale_);
  KeepWindowsOnDesktop();
}

// Windows stay on the desktop, which may be smaller than it was; the toolkit
// hears of each move.
void WebPlatform::KeepWindowsOnDesktop() {
  for (WindowId w : desktop_.Stacking()) {
    TPoint kept = desktop_.Kept(w, desktop_.Position(w));
    if (!(kept == desktop_.Position(w))) {
      Event e = MakeEvent(EventKind::Moved, w);
      e.x = kept.X;
      e.y = kept.Y;
      Queue(e, clock_);
    }
  }
}

TPoint WebPlatform::DesktopPoint(const RawInput& in) const {
  return {static_cast<int>(std::floor(in.x)), static_cast<int>(std::floor(in.y))};
}

// --- Input.

void WebPlatform::Queue(Event e, int64_t stamp, bool hover, std::optional<std::string> clipboard) {
  if (replaying_) return;  // the journal holds what the back end said then
  // A pointer move replaces the one before it that the toolkit has not had
  // yet; a window's moves likewise.
  if (!pending_.empty() && !clipboard) {
    Pending& last = pending_.back();
    bool sameMove = (e.kind == EventKind::MouseMove || e.kind == EventKind::Moved) &&
                    last.event.kind == e.kind && last.event.window == e.window &&
                    last.hover == hover;
    if (sameMove) {
      last.event = std::move(e);
      last.stamp = std::max(last.stamp, stamp);
      return;
    }
  }
  Pending p;
  p.event = std::move(e);
  p.stamp = std::max(stamp, pending_.empty() ? stamp : pending_.back().stamp);
  p.hover = hover;
  p.clipboard = std::move(clipboard);
  pending_.push_back(std::move(p));
}

void WebPlatform::TakeInput() {
  RawInput in;
  while (host_.NextInput(in)) Translate(in);
}

void WebPlatform::Translate(const RawInput& in) {
  using K = RawInput::Kind;
  int64_t stamp = std::max<int64_t>(0, in.wallMs - journal_.StartWallMs());
  WindowId active = desktop_.Active();
  switch (in.kind) {
    case K::Resize:
      SetViewport(in.width, in.height, in.ratio);
      return;
    case K::PageFocus:
    case K::PageBlur:
      if (active != kNoWindow) {
        Queue(MakeEvent(in.kind == K::PageFocus ? EventKind::FocusGained : EventKind::FocusLost,
                        active),
              stamp);
      }
      return;
    case K::KeyDown:
    case K::KeyUp: {
      if (active == kNoWindow || in.key == Key::None) return;
      Event e = MakeEvent(in.kind == K::KeyDown ? EventKind::KeyDown : EventKind::KeyUp, active);
      e.key = in.key;
      e.modifiers = in.modifiers;
      e.repeat = in.repeat;
      Queue(e, stamp);
      return;
    }
    case K::Text: {
      if (active == kNoWindow || in.text.empty()) return;
      Event e = MakeEvent(EventKind::Text, active);
      e.text = in.text;
      Queue(e, stamp);
      return;
    }
    case K::Paste: {
      // The toolkit pastes on Ctrl+V; the browser hands the text over only
      // with its paste event, so the key comes with it.
      if (active == kNoWindow) return;
      Event e = MakeEvent(EventKind::KeyDown, active);
      e.key = Key::V;
      e.modifiers = kCtrl;
      Queue(e, stamp, false, in.text);
      return;
    }
    case K::PointerDown: {
      if (dragging_ != kNoWindow || closing_ != kNoWindow || captured_ != kNoWindow) return;
      TPoint p = DesktopPoint(in);
      web::Desktop::Hit hit = desktop_.HitTest(p);
      // A disabled window (one beneath a modal dialog) takes nothing.
      if (hit.window == kNoWindow || !desktop_.Enabled(hit.window)) return;
      if (hit.window != active) {
        if (active != kNoWindow) Queue(MakeEvent(EventKind::FocusLost, active), stamp);
        Queue(MakeEvent(EventKind::FocusGained, hit.window), stamp);
      }
      switch (hit.part) {
        case web::Desktop::Part::Client:
          captured_ = hit.window;
          capturedByTouch_ = in.touch;
          if (hovered_ != kNoWindow && hovered_ != hit.window) {
            Queue(MakeEvent(EventKind::MouseLeave, hovered_), stamp);
          }
          hovered_ = hit.window;
          // A finger comes down where the pointer was not: it moves there first.
          Queue(PointerEvent(EventKind::MouseMove, hit.window, hit.client), stamp);
          Queue(PointerEvent(EventKind::MouseDown, hit.window, hit.client, in.button, in.modifiers),
                stamp);
          break;
        case web::Desktop::Part::Caption:
          if (in.button == 1) {
            dragging_ = hit.window;
            TPoint at = desktop_.Position(hit.window);
            dragOffset_ = {p.X - at.X, p.Y - at.Y};
          }
          break;
        case web::Desktop::Part::CloseBox:
          if (in.button == 1) {
            closing_ = hit.window;
            desktop_.PressClose(closing_, true);
          }
          break;
        default:
          break;
      }
      return;
    }
    case K::PointerMove: {
      TPoint p = DesktopPoint(in);
      if (dragging_ != kNoWindow) {
        TPoint to = desktop_.Kept(dragging_, {p.X - dragOffset_.X, p.Y - dragOffset_.Y});
        Event e = MakeEvent(EventKind::Moved, dragging_);
        e.x = to.X;
        e.y = to.Y;
        Queue(e, stamp);
        return;
      }
      if (closing_ != kNoWindow) {
        desktop_.PressClose(closing_, desktop_.CloseBoxRect(closing_).Contains(p));
        return;
      }
      if (captured_ != kNoWindow) {
        TRect outer = desktop_.OuterRect(captured_);
        TPoint client{p.X - outer.Left - web::Desktop::kFrame.left,
                      p.Y - outer.Top - web::Desktop::kFrame.top};
        Queue(PointerEvent(EventKind::MouseMove, captured_, client), stamp);
        return;
      }
      if (in.touch) return;
      web::Desktop::Hit hit = desktop_.HitTest(p);
      WindowId under = hit.part == web::Desktop::Part::Client && desktop_.Enabled(hit.window)
                           ? hit.window
                           : kNoWindow;
      if (hovered_ != kNoWindow && hovered_ != under) {
        Queue(MakeEvent(EventKind::MouseLeave, hovered_), stamp);
      }
      hovered_ = under;
      if (under != kNoWindow) {
        Queue(PointerEvent(EventKind::MouseMove, under, hit.client), stamp, true);
      }
      return;
    }
    case K::PointerUp:
    case K::PointerCancel: {
      TPoint p = DesktopPoint(in);
      bool cancel = in.kind == K::PointerCancel;
      if (dragging_ != kNoWindow) {
        dragging_ = kNoWindow;
        return;
      }
      if (closing_ != kNoWindow) {
        WindowId w = closing_;
        closing_ = kNoWindow;
        desktop_.PressClose(w, false);
        if (!cancel && desktop_.CloseBoxRect(w).Contains(p)) {
          Queue(MakeEvent(EventKind::CloseRequest, w), stamp);
        }
        return;
      }
      if (captured_ == kNoWindow) return;
      WindowId w = captured_;
      captured_ = kNoWindow;
      TRect outer = desktop_.OuterRect(w);
      TPoint client = cancel ? kNowhere
                             : TPoint{p.X - outer.Left - web::Desktop::kFrame.left,
                                      p.Y - outer.Top - web::Desktop::kFrame.top};
      Queue(PointerEvent(EventKind::MouseUp, w, client, in.button, in.modifiers), stamp);
      // A finger lifted hovers over nothing.
      if (capturedByTouch_ || cancel) {
        Queue(MakeEvent(EventKind::MouseLeave, w), stamp);
        hovered_ = kNoWindow;
      }
      return;
    }
    case K::PointerLeave:
      if (captured_ == kNoWindow && hovered_ != kNoWindow) {
        Queue(MakeEvent(EventKind::MouseLeave, hovered_), stamp);
        hovered_ = kNoWindow;
      }
      return;
  }
}

void WebPlatform::ApplyEffects(const Event& e) {
  switch (e.kind) {
    case EventKind::Moved:
      desktop_.Move(e.window, {e.x, e.y});
      break;
    case EventKind::FocusGained:
      desktop_.Activate(e.window);
      break;
    default:
      break;
  }
}

void WebPlatform::Deliver(Pending p, Event& out) {
  clock_ = std::max(clock_, p.stamp);
  ApplyEffects(p.event);
  JournalRecord record = JournalRecord::OfEvent(clock_, p.event, p.clipboard);
  if (p.hover && lastRecordHover_ && !journal_.Records().empty() &&
      journal_.Records().back().event.window == p.event.window) {
    journal_.ReplaceLast(record);
  } else {
    journal_.Append(record);
  }
  lastRecordHover_ = p.hover;
  journalDirty_ = true;
  if (p.clipboard) clipboard_ = *p.clipboard;
  out = std::move(p.event);
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
      ApplyEffects(r.event);
      if (r.clipboard) clipboard_ = *r.clipboard;
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
  lastRecordHover_ = false;
  host_.ReplayFinished(host_.PreciseMs() - replayStartedMs_, replayIndex_);
  // Show what the replay built: the toolkit paints on its next turn.
  host_.SetSurface(desktop_.Bounds().Width(), desktop_.Bounds().Height(), scale_);
  desktop_.InvalidateAll();
  woken_ = true;
  KeepWindowsOnDesktop();
}

void WebPlatform::Flush() {
  std::vector<TRect> rects = desktop_.Compose();
  if (!rects.empty()) host_.Show(desktop_.Picture(), desktop_.Bounds().Width(), rects);
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
    if (quit_) {
      quit_ = false;
      out = Event{};
      out.kind = EventKind::Quit;
      return true;
    }
    if (replaying_) {
      bool answered = false;
      bool got = ReplayWait(out, deadline, answered);
      if (answered) return got;
    }
    TakeInput();
    int64_t target = deadline < 0 ? INT64_MAX : std::max(deadline, clock_);
    if (!pending_.empty() && pending_.front().stamp <= target) {
      Pending p = std::move(pending_.front());
      pending_.pop_front();
      Deliver(std::move(p), out);
      return true;
    }
    if (woken_) {
      woken_ = false;
      out = Event{};
      out.kind = EventKind::Wake;
      return true;
    }
    // A poll: the clock moves only when a wait ends.
    if (deadline >= 0 && deadline <= clock_) return false;
    int64_t now = RealNow();
    if (deadline >= 0 && now >= deadline) {
      if (now - deadline >= kLateMs) {
        clock_ = now;
        journal_.Append(JournalRecord::OfJump(deadline, now));
        lastRecordHover_ = false;
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
