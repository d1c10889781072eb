#include "toolkit/platform/web/WindowManager.h"

#include <algorithm>
#include <cmath>

#include "toolkit/paint/Canvas.h"
#include "toolkit/paint/Font.h"
#include "toolkit/paint/StylePainter.h"
#include "toolkit/text/Ansi.h"

namespace tk::platform::web {

using namespace colors;

namespace {

// Caption colours of the classic scheme: a gradient from left to right.
constexpr TColor kActiveCaption = 0x0A246A;
constexpr TColor kActiveCaptionEnd = 0xA6CAF0;
constexpr TColor kInactiveCaption = 0x808080;
constexpr TColor kInactiveCaptionEnd = 0xC0C0C0;
constexpr TColor kActiveCaptionText = 0xFFFFFF;
constexpr TColor kInactiveCaptionText = 0xD4D0C8;
// The caption bar's height and the close box inside it.
constexpr int kCaptionHeight = 18;
constexpr int kCloseWidth = 16;
constexpr int kCloseHeight = 14;
// The close glyph, a diagonal cross of two-pixel strokes.
constexpr int kGlyphWidth = 8;
constexpr int kGlyphHeight = 7;
constexpr const char* kCloseGlyph[kGlyphHeight] = {
    "xx....xx", ".xx..xx.", "..xxxx..", "...xx...", "..xxxx..", ".xx..xx.", "xx....xx",
};

TColor Blend(TColor a, TColor b, int step, int steps) {
  if (steps <= 0) return a;
  TColor out = 0;
  for (int shift : {0, 8, 16}) {
    int ca = static_cast<int>((a >> shift) & 0xFF);
    int cb = static_cast<int>((b >> shift) & 0xFF);
    out |= static_cast<TColor>(ca + (cb - ca) * step / steps) << shift;
  }
  return out;
}

// 0x00RRGGBB to a canvas' RGBA bytes in one little-endian word.
uint32_t Rgba(TColor c) {
  return 0xFF000000u | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

}  // namespace

double WindowManager::Scale(int viewWidth, int viewHeight, double deviceRatio, int needWidth,
                            int needHeight) {
  double natural = std::max(1.0, std::round(deviceRatio));
  if (needWidth <= 0 || needHeight <= 0 || viewWidth <= 0 || viewHeight <= 0) return natural;
  double fit = std::min(static_cast<double>(viewWidth) / needWidth,
                        static_cast<double>(viewHeight) / needHeight);
  if (fit >= natural) return natural;
  double whole = std::floor(fit);
  if (whole >= 1 && whole >= 0.75 * fit) return whole;
  return fit;
}

void WindowManager::Resize(int width, int height) {
  width_ = std::max(1, width);
  height_ = std::max(1, height);
  picture_.assign(static_cast<size_t>(width_) * height_, Rgba(kBackground));
  InvalidateAll();
}

WindowId WindowManager::Create(const std::string& titleUtf8, int clientWidth, int clientHeight) {
  WindowId id = windows_.Add();
  Window& w = *windows_.Find(id);
  w.title = titleUtf8;
  w.clientWidth = std::max(0, clientWidth);
  w.clientHeight = std::max(0, clientHeight);
  w.outer.Resize(w.clientWidth + kFrame.left + kFrame.right,
                 w.clientHeight + kFrame.top + kFrame.bottom, clBtnFace);
  needWidth_ = std::max(needWidth_, w.outer.Width());
  needHeight_ = std::max(needHeight_, w.outer.Height());
  DrawFrame(w, false);
  return id;
}

void WindowManager::Destroy(WindowId window) {
  Window* w = windows_.Find(window);
  if (w == nullptr) return;
  if (w->shown) DamageWindow(*w);
  std::erase(stacking_, window);
  windows_.Remove(window);
  if (active_ == window) active_ = kNoWindow;
  for (WindowId* held : {&dragging_, &closing_, &captured_, &hovered_}) {
    if (*held == window) *held = kNoWindow;
  }
}

void WindowManager::SetTitle(WindowId window, const std::string& titleUtf8) {
  Window* w = windows_.Find(window);
  if (w == nullptr) return;
  w->title = titleUtf8;
  DrawFrame(*w, active_ == window);
  if (w->shown) DamageWindow(*w);
}

void WindowManager::Show(WindowId window) {
  Window* w = windows_.Find(window);
  if (w == nullptr || w->shown) return;
  w->shown = true;
  // A window shown comes on top, as on a desktop with a window manager.
  stacking_.push_back(window);
  DamageWindow(*w);
}

void WindowManager::Hide(WindowId window) {
  Window* w = windows_.Find(window);
  if (w == nullptr || !w->shown) return;
  w->shown = false;
  w->closePressed = false;
  std::erase(stacking_, window);
  DamageWindow(*w);
  if (active_ == window) active_ = kNoWindow;
  // A press in its client area still ends with its release.
  for (WindowId* held : {&dragging_, &closing_, &hovered_}) {
    if (*held == window) *held = kNoWindow;
  }
}

bool WindowManager::Shown(WindowId window) const {
  const Window* w = windows_.Find(window);
  return w != nullptr && w->shown;
}

TPoint WindowManager::Kept(WindowId window, TPoint p) const {
  const Window* w = windows_.Find(window);
  if (w == nullptr) return p;
  auto keep = [](int v, int size, int room) {
    if (size >= room) return 0;
    return std::clamp(v, 0, room - size);
  };
  return {keep(p.X, w->outer.Width(), width_), keep(p.Y, w->outer.Height(), height_)};
}

bool WindowManager::Move(WindowId window, TPoint p) {
  Window* w = windows_.Find(window);
  if (w == nullptr || w->position == p) return false;
  if (w->shown) DamageWindow(*w);
  w->position = p;
  if (w->shown) DamageWindow(*w);
  return true;
}

TPoint WindowManager::Position(WindowId window) const {
  const Window* w = windows_.Find(window);
  return w == nullptr ? TPoint{} : w->position;
}

void WindowManager::Enable(WindowId window, bool enabled) {
  Window* w = windows_.Find(window);
  if (w == nullptr) return;
  w->enabled = enabled;
  if (enabled) return;
  if (dragging_ == window) dragging_ = kNoWindow;
  if (closing_ == window) {
    PressClose(window, false);
    closing_ = kNoWindow;
  }
}

bool WindowManager::Enabled(WindowId window) const {
  const Window* w = windows_.Find(window);
  return w != nullptr && w->enabled;
}

void WindowManager::Activate(WindowId window) {
  Window* w = windows_.Find(window);
  if (w != nullptr && !w->shown) return;
  if (w != nullptr && (stacking_.empty() || stacking_.back() != window)) {
    std::erase(stacking_, window);
    stacking_.push_back(window);
    DamageWindow(*w);
  }
  if (window == active_) return;
  if (Window* old = windows_.Find(active_)) {
    DrawFrame(*old, false);
    if (old->shown) DamageWindow(*old);
  }
  active_ = w != nullptr ? window : kNoWindow;
  if (w != nullptr) {
    DrawFrame(*w, true);
    DamageWindow(*w);
  }
}

void WindowManager::PressClose(WindowId window, bool pressed) {
  Window* w = windows_.Find(window);
  if (w == nullptr || w->closePressed == pressed) return;
  w->closePressed = pressed;
  DrawFrame(*w, active_ == window);
  if (w->shown) Damage(CloseBoxRect(window));
}

void WindowManager::DrawFrame(Window& w, bool active) {
  Canvas c(w.outer);
  const int width = w.outer.Width();
  const int height = w.outer.Height();
  // A raised edge: light and dark shadow outside, highlight and shadow
  // inside, then one ring of the face colour.
  style::DrawEdgePair(c, {0, 0, width, height}, cl3DLight, cl3DDkShadow);
  style::DrawEdgePair(c, {1, 1, width - 1, height - 1}, clBtnHighlight, clBtnShadow);
  style::DrawEdgePair(c, {2, 2, width - 2, height - 2}, clBtnFace, clBtnFace);
  // The caption bar and the face-coloured line beneath it.
  const int left = kFrame.left;
  const int right = width - kFrame.right;
  const int top = kFrame.left;
  TColor from = active ? kActiveCaption : kInactiveCaption;
  TColor to = active ? kActiveCaptionEnd : kInactiveCaptionEnd;
  for (int x = left; x < right; ++x) {
    c.VLine(x, top, top + kCaptionHeight, Blend(from, to, x - left, right - left - 1));
  }
  c.HLine(left, right, top + kCaptionHeight, clBtnFace);
  // The close box: a small push button with the cross, which sinks while
  // held down.
  TRect box = TRect::FromSize(right - 2 - kCloseWidth, top + 2, kCloseWidth, kCloseHeight);
  c.FillRect(box, clBtnFace);
  if (w.closePressed) {
    style::DrawEdgePair(c, box, cl3DDkShadow, clBtnHighlight);
    style::DrawEdgePair(c, {box.Left + 1, box.Top + 1, box.Right - 1, box.Bottom - 1}, clBtnShadow,
                        cl3DLight);
  } else {
    style::DrawFrame(c, box, FrameKind::ButtonRaised);
  }
  int shift = w.closePressed ? 1 : 0;
  int gx = box.Left + (kCloseWidth - kGlyphWidth) / 2 + shift;
  int gy = box.Top + (kCloseHeight - kGlyphHeight) / 2 + shift;
  for (int y = 0; y < kGlyphHeight; ++y) {
    for (int x = 0; x < kGlyphWidth; ++x) {
      if (kCloseGlyph[y][x] == 'x') c.SetPixel(gx + x, gy + y, clWindowText);
    }
  }
  // The title in bold (drawn twice, one pixel apart), cut off before the
  // close box.
  const Font& font = Font::Get(-11);
  Canvas text = c.Clipped({left + 2, top, box.Left - 2, top + kCaptionHeight});
  int ty = top + (kCaptionHeight - font.TextHeight()) / 2;
  TColor ink = active ? kActiveCaptionText : kInactiveCaptionText;
  AnsiString title = Utf8ToAnsi(w.title);
  text.TextOut(left + 2, ty, title, font, ink);
  text.TextOut(left + 3, ty, title, font, ink);
}

void WindowManager::PresentClient(WindowId window, const PixelBuffer& buffer,
                                  const std::vector<TRect>& dirty) {
  Window* w = windows_.Find(window);
  if (w == nullptr) return;
  const TRect client{0, 0, w->clientWidth, w->clientHeight};
  for (const TRect& r : dirty) {
    TRect c = CopyRect(buffer, w->outer, r.Intersect(client), {kFrame.left, kFrame.top});
    if (!c.IsEmpty() && w->shown) {
      Damage(c.Offset(w->position.X + kFrame.left, w->position.Y + kFrame.top));
    }
  }
}

PixelBuffer WindowManager::ClientPixels(WindowId window) const {
  const Window* w = windows_.Find(window);
  if (w == nullptr) return {};
  PixelBuffer out(w->clientWidth, w->clientHeight);
  CopyRect(w->outer, out, out.Bounds().Offset(kFrame.left, kFrame.top),
           {-kFrame.left, -kFrame.top});
  return out;
}

TRect WindowManager::OuterRect(WindowId window) const {
  const Window* w = windows_.Find(window);
  if (w == nullptr) return {};
  return TRect::FromSize(w->position.X, w->position.Y, w->outer.Width(), w->outer.Height());
}

TRect WindowManager::CloseBoxRect(WindowId window) const {
  TRect outer = OuterRect(window);
  if (outer.IsEmpty()) return {};
  int right = outer.Right - kFrame.right;
  return TRect::FromSize(right - 2 - kCloseWidth, outer.Top + kFrame.left + 2, kCloseWidth,
                         kCloseHeight);
}

WindowManager::Hit WindowManager::HitTest(TPoint p) const {
  for (auto it = stacking_.rbegin(); it != stacking_.rend(); ++it) {
    TRect outer = OuterRect(*it);
    if (!outer.Contains(p)) continue;
    Hit hit;
    hit.window = *it;
    hit.client = {p.X - outer.Left - kFrame.left, p.Y - outer.Top - kFrame.top};
    TRect client{outer.Left + kFrame.left, outer.Top + kFrame.top, outer.Right - kFrame.right,
                 outer.Bottom - kFrame.bottom};
    TRect caption{client.Left, outer.Top + kFrame.left, client.Right,
                  outer.Top + kFrame.left + kCaptionHeight};
    if (client.Contains(p)) {
      hit.part = Part::Client;
    } else if (CloseBoxRect(*it).Contains(p)) {
      hit.part = Part::CloseBox;
    } else if (caption.Contains(p)) {
      hit.part = Part::Caption;
    } else {
      hit.part = Part::Edge;
    }
    return hit;
  }
  return {};
}

TPoint WindowManager::ClientPoint(WindowId window, TPoint p) const {
  TRect outer = OuterRect(window);
  return {p.X - outer.Left - kFrame.left, p.Y - outer.Top - kFrame.top};
}

namespace {

Event ButtonEvent(EventKind kind, WindowId window, TPoint p, const PointerInput& in) {
  Event e = WindowEvent(kind, window, p);
  e.button = in.button;
  e.modifiers = in.modifiers;
  return e;
}

// Where a cancelled press is released: outside every control.
constexpr TPoint kNowhere{-100000, -100000};

}  // namespace

void WindowManager::PointerDown(const PointerInput& in, EventQueue& out, int64_t time) {
  if (dragging_ != kNoWindow || closing_ != kNoWindow || captured_ != kNoWindow) return;
  Hit hit = HitTest(in.at);
  // A disabled window (one beneath a modal dialog) takes nothing.
  if (hit.window == kNoWindow || !Enabled(hit.window)) return;
  // A click brings the window to the front with the focus.
  if (hit.window != active_) {
    if (active_ != kNoWindow) out.Push(WindowEvent(EventKind::FocusLost, active_), time);
    out.Push(WindowEvent(EventKind::FocusGained, hit.window), time);
  }
  switch (hit.part) {
    case Part::Client:
      captured_ = hit.window;
      capturedBy_ = in;
      if (hovered_ != kNoWindow && hovered_ != hit.window) {
        out.Push(WindowEvent(EventKind::MouseLeave, hovered_), time);
      }
      hovered_ = hit.window;
      // A finger comes down where the pointer was not: it moves there first.
      out.Push(WindowEvent(EventKind::MouseMove, hit.window, hit.client), time, kHeldMove);
      out.Push(ButtonEvent(EventKind::MouseDown, hit.window, hit.client, in), time);
      break;
    case Part::Caption:
      if (in.button == 1) {
        dragging_ = hit.window;
        TPoint at = Position(hit.window);
        dragOffset_ = {in.at.X - at.X, in.at.Y - at.Y};
      }
      break;
    case Part::CloseBox:
      if (in.button == 1) {
        closing_ = hit.window;
        PressClose(closing_, true);
      }
      break;
    default:
      break;
  }
}

void WindowManager::PointerMove(const PointerInput& in, EventQueue& out, int64_t time) {
  if (dragging_ != kNoWindow) {
    TPoint to = Kept(dragging_, {in.at.X - dragOffset_.X, in.at.Y - dragOffset_.Y});
    out.Push(WindowEvent(EventKind::Moved, dragging_, to), time, kHeldMove);
    return;
  }
  if (closing_ != kNoWindow) {
    PressClose(closing_, CloseBoxRect(closing_).Contains(in.at));
    return;
  }
  if (captured_ != kNoWindow) {
    out.Push(WindowEvent(EventKind::MouseMove, captured_, ClientPoint(captured_, in.at)), time,
             kHeldMove);
    return;
  }
  if (in.touch) return;
  Hit hit = HitTest(in.at);
  WindowId under = hit.part == Part::Client && Enabled(hit.window) ? hit.window : kNoWindow;
  if (hovered_ != kNoWindow && hovered_ != under) {
    out.Push(WindowEvent(EventKind::MouseLeave, hovered_), time);
  }
  hovered_ = under;
  if (under != kNoWindow) {
    out.Push(WindowEvent(EventKind::MouseMove, under, hit.client), time, kHoverMove);
  }
}

void WindowManager::PointerUp(const PointerInput& in, bool cancelled, EventQueue& out,
                              int64_t time) {
  if (dragging_ != kNoWindow) {
    dragging_ = kNoWindow;
    return;
  }
  if (closing_ != kNoWindow) {
    WindowId w = closing_;
    closing_ = kNoWindow;
    PressClose(w, false);
    if (!cancelled && CloseBoxRect(w).Contains(in.at)) {
      out.Push(WindowEvent(EventKind::CloseRequest, w), time);
    }
    return;
  }
  if (captured_ == kNoWindow) return;
  WindowId w = captured_;
  captured_ = kNoWindow;
  // A cancelled press is released with the button that made it, where no
  // control is, so that nothing stays pressed and nothing is clicked.
  if (cancelled) {
    out.Push(ButtonEvent(EventKind::MouseUp, w, kNowhere, capturedBy_), time);
  } else {
    out.Push(ButtonEvent(EventKind::MouseUp, w, ClientPoint(w, in.at), in), time);
  }
  // A finger lifted hovers over nothing.
  if (capturedBy_.touch || cancelled) {
    out.Push(WindowEvent(EventKind::MouseLeave, w), time);
    hovered_ = kNoWindow;
  }
}

void WindowManager::PointerLeave(EventQueue& out, int64_t time) {
  if (captured_ == kNoWindow && hovered_ != kNoWindow) {
    out.Push(WindowEvent(EventKind::MouseLeave, hovered_), time);
    hovered_ = kNoWindow;
  }
}

void WindowManager::KeepWindowsOnDesktop(EventQueue& out, int64_t time) {
  for (WindowId w : stacking_) {
    TPoint kept = Kept(w, Position(w));
    if (!(kept == Position(w))) out.Push(WindowEvent(EventKind::Moved, w, kept), time, kHeldMove);
  }
}

void WindowManager::Delivered(const Event& e) {
  switch (e.kind) {
    case EventKind::Moved:
      Move(e.window, {e.x, e.y});
      break;
    case EventKind::FocusGained:
      Activate(e.window);
      break;
    default:
      break;
  }
}

void WindowManager::Damage(const TRect& r) {
  TRect c = r.Intersect(Bounds());
  if (c.IsEmpty()) return;
  AddDamage(damage_, c, 0, 32);
}

void WindowManager::DamageWindow(const Window& w) {
  Damage(TRect::FromSize(w.position.X, w.position.Y, w.outer.Width(), w.outer.Height()));
}

void WindowManager::InvalidateAll() {
  damage_.assign(1, Bounds());
}

void WindowManager::ComposeRect(const TRect& r) {
  const uint32_t background = Rgba(kBackground);
  for (int y = r.Top; y < r.Bottom; ++y) {
    uint32_t* row = picture_.data() + static_cast<size_t>(y) * width_;
    std::fill(row + r.Left, row + r.Right, background);
  }
  for (WindowId id : stacking_) {
    const Window& w = *windows_.Find(id);
    TRect outer = TRect::FromSize(w.position.X, w.position.Y, w.outer.Width(), w.outer.Height());
    TRect part = outer.Intersect(r);
    if (part.IsEmpty()) continue;
    for (int y = part.Top; y < part.Bottom; ++y) {
      const uint32_t* src = w.outer.Row(y - outer.Top) - outer.Left;
      uint32_t* dst = picture_.data() + static_cast<size_t>(y) * width_;
      for (int x = part.Left; x < part.Right; ++x) dst[x] = Rgba(src[x]);
    }
  }
}

std::vector<TRect> WindowManager::Compose() {
  std::vector<TRect> done;
  done.swap(damage_);
  for (const TRect& r : done) ComposeRect(r);
  return done;
}

TColor WindowManager::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0xFFFFFFFF;
  uint32_t p = picture_[static_cast<size_t>(y) * width_ + x];
  return ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
}

}  // namespace tk::platform::web
