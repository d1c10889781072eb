#include "toolkit/platform/headless/HeadlessPlatform.h"

#include <algorithm>

namespace tk::platform {

HeadlessPlatform::HeadlessPlatform() {
  monitors_.push_back(desktop_);
}

void HeadlessPlatform::SetDesktop(TRect desktop, std::vector<TRect> monitors) {
  desktop_ = desktop;
  monitors_ = monitors.empty() ? std::vector<TRect>{desktop} : std::move(monitors);
}

void HeadlessPlatform::Key(WindowId w, platform::Key key, uint8_t modifiers) {
  Event e;
  e.kind = EventKind::KeyDown;
  e.window = w;
  e.key = key;
  e.modifiers = modifiers;
  Push(e);
}

void HeadlessPlatform::Type(WindowId w, const std::string& utf8) {
  Event e;
  e.kind = EventKind::Text;
  e.window = w;
  e.text = utf8;
  Push(std::move(e));
}

void HeadlessPlatform::Paste(WindowId w, const std::string& utf8) {
  Event e;
  e.kind = EventKind::KeyDown;
  e.window = w;
  e.key = platform::Key::V;
  e.modifiers = kCtrl;
  queue_.push_back({std::move(e), utf8});
}

namespace {
Event Mouse(EventKind kind, WindowId w, int x, int y, int button) {
  Event e;
  e.kind = kind;
  e.window = w;
  e.x = x;
  e.y = y;
  e.button = button;
  return e;
}
}  // namespace

void HeadlessPlatform::MouseMove(WindowId w, int x, int y) {
  Push(Mouse(EventKind::MouseMove, w, x, y, 0));
}

void HeadlessPlatform::MouseDown(WindowId w, int x, int y) {
  Push(Mouse(EventKind::MouseDown, w, x, y, 1));
}

void HeadlessPlatform::MouseUp(WindowId w, int x, int y) {
  Push(Mouse(EventKind::MouseUp, w, x, y, 1));
}

void HeadlessPlatform::Click(WindowId w, int x, int y) {
  MouseMove(w, x, y);
  MouseDown(w, x, y);
  MouseUp(w, x, y);
}

void HeadlessPlatform::Act(WindowId window, NodeId node, AccessibleAction action,
                           std::string text) {
  Event e;
  e.kind = EventKind::AccessibleAction;
  e.window = window;
  e.node = node;
  e.action = action;
  e.text = std::move(text);
  Push(std::move(e));
}

void HeadlessPlatform::SettingsChanged() {
  Event e;
  e.kind = EventKind::SettingsChanged;
  Push(e);
}

void HeadlessPlatform::PublishAccessibility(WindowId window,
                                            std::shared_ptr<const AccessibleTree> tree,
                                            const std::vector<AccessibleChange>& changes) {
  if (tree != nullptr) {
    trees_[window] = std::move(tree);
  } else {
    trees_.erase(window);
  }
  for (const AccessibleChange& c : changes) reports_.push_back({window, c});
}

const AccessibleTree* HeadlessPlatform::TreeOf(WindowId window) const {
  auto it = trees_.find(window);
  return it == trees_.end() ? nullptr : it->second.get();
}

void HeadlessPlatform::Close(WindowId w) {
  Event e;
  e.kind = EventKind::CloseRequest;
  e.window = w;
  Push(e);
}

const HeadlessPlatform::Window* HeadlessPlatform::Find(WindowId w) const {
  auto it = windows_.find(w);
  return it == windows_.end() ? nullptr : &it->second;
}

bool HeadlessPlatform::SavePng(WindowId w, const std::string& path) const {
  const Window* window = Find(w);
  return window != nullptr && WritePng(window->pixels, path);
}

WindowId HeadlessPlatform::CreateWindow(const std::string& titleUtf8, int clientWidth,
                                        int clientHeight) {
  if (refusedWindows_ > 0) {
    --refusedWindows_;
    return kNoWindow;
  }
  WindowId id = nextId_++;
  Window& w = windows_[id];
  w.title = titleUtf8;
  w.clientWidth = clientWidth;
  w.clientHeight = clientHeight;
  // The pixels come with the first presentation.
  return id;
}

void HeadlessPlatform::DestroyWindow(WindowId window) {
  windows_.erase(window);
  trees_.erase(window);
  if (active_ == window) active_ = kNoWindow;
}

void HeadlessPlatform::SetTitle(WindowId window, const std::string& titleUtf8) {
  if (auto it = windows_.find(window); it != windows_.end()) it->second.title = titleUtf8;
}

void HeadlessPlatform::ShowWindow(WindowId window) {
  if (auto it = windows_.find(window); it != windows_.end()) it->second.visible = true;
}

void HeadlessPlatform::HideWindow(WindowId window) {
  if (auto it = windows_.find(window); it != windows_.end()) it->second.visible = false;
  if (active_ == window) active_ = kNoWindow;
}

void HeadlessPlatform::MoveWindow(WindowId window, int x, int y) {
  if (auto it = windows_.find(window); it != windows_.end()) it->second.position = {x, y};
}

TPoint HeadlessPlatform::WindowPosition(WindowId window) const {
  auto it = windows_.find(window);
  return it == windows_.end() ? TPoint{} : it->second.position;
}

FrameExtents HeadlessPlatform::Frame(WindowId) {
  return frame_;
}

void HeadlessPlatform::EnableWindow(WindowId window, bool enabled) {
  if (auto it = windows_.find(window); it != windows_.end()) it->second.enabled = enabled;
}

void HeadlessPlatform::SetModalFor(WindowId window, WindowId owner) {
  if (auto it = windows_.find(window); it != windows_.end()) it->second.modalFor = owner;
}

void HeadlessPlatform::Activate(WindowId window) {
  active_ = window;
}

void HeadlessPlatform::Present(WindowId window, const PixelBuffer& buffer,
                               const std::vector<TRect>& dirty) {
  auto it = windows_.find(window);
  if (it == windows_.end()) return;
  Window& w = it->second;
  if (w.pixels.Width() != buffer.Width() || w.pixels.Height() != buffer.Height()) {
    w.pixels.Resize(buffer.Width(), buffer.Height());
  }
  for (const TRect& r : dirty) {
    TRect c = r.Intersect(buffer.Bounds());
    for (int y = c.Top; y < c.Bottom; ++y) {
      std::copy(buffer.Row(y) + c.Left, buffer.Row(y) + c.Right, w.pixels.Row(y) + c.Left);
    }
  }
  ++w.presentCount;
}

bool HeadlessPlatform::WaitEvent(Event& out, int64_t deadlineMs) {
  ++waits_;
  while (true) {
    if (quitPosted_) {
      quitPosted_ = false;
      out = Event{};
      out.kind = EventKind::Quit;
      return true;
    }
    if (!queue_.empty()) {
      out = std::move(queue_.front().event);
      if (queue_.front().clipboard) clipboard_ = std::move(*queue_.front().clipboard);
      queue_.pop_front();
      return true;
    }
    if (woken_) {
      woken_ = false;
      out = Event{};
      out.kind = EventKind::Wake;
      return true;
    }
    // A poll (deadline now or past) never moves the clock.
    if (deadlineMs >= 0 && deadlineMs <= now_) return false;
    if (limit_ > now_) {
      // Let the clock run to the deadline, or to the limit if that is sooner.
      if (deadlineMs >= 0 && deadlineMs <= limit_) {
        now_ = deadlineMs;
        return false;
      }
      now_ = limit_;
      continue;
    }
    if (!script_.empty()) {
      auto step = std::move(script_.front());
      script_.pop_front();
      step();
      continue;
    }
    // Nothing more will happen: end the run.
    out = Event{};
    out.kind = EventKind::Quit;
    return true;
  }
}

}  // namespace tk::platform
