#include "toolkit/platform/headless/HeadlessPlatform.h"

#include <algorithm>

#include "toolkit/paint/png/PngFile.h"

namespace tk::platform {

HeadlessPlatform::HeadlessPlatform() {
  monitors_.push_back(desktop_);
}

void HeadlessPlatform::SetDesktop(TRect desktop, std::vector<TRect> monitors) {
  desktop_ = desktop;
  monitors_ = monitors.empty() ? std::vector<TRect>{desktop} : std::move(monitors);
}

void HeadlessPlatform::Key(WindowId w, platform::Key key, uint8_t modifiers) {
  Event e = WindowEvent(EventKind::KeyDown, w);
  e.key = key;
  e.modifiers = modifiers;
  Push(std::move(e));
}

void HeadlessPlatform::Type(WindowId w, const std::string& utf8) {
  Event e = WindowEvent(EventKind::Text, w);
  e.text = utf8;
  Push(std::move(e));
}

void HeadlessPlatform::Paste(WindowId w, const std::string& utf8) {
  Event e = WindowEvent(EventKind::Paste, w);
  e.text = utf8;
  Push(std::move(e));
}

void HeadlessPlatform::MouseMove(WindowId w, int x, int y) {
  Push(WindowEvent(EventKind::MouseMove, w, {x, y}));
}

void HeadlessPlatform::MouseDown(WindowId w, int x, int y) {
  Event e = WindowEvent(EventKind::MouseDown, w, {x, y});
  e.button = 1;
  Push(std::move(e));
}

void HeadlessPlatform::MouseUp(WindowId w, int x, int y) {
  Event e = WindowEvent(EventKind::MouseUp, w, {x, y});
  e.button = 1;
  Push(std::move(e));
}

void HeadlessPlatform::Click(WindowId w, int x, int y) {
  MouseMove(w, x, y);
  MouseDown(w, x, y);
  MouseUp(w, x, y);
}

void HeadlessPlatform::Act(WindowId window, NodeId node, AccessibleAction action,
                           std::string text) {
  Event e = WindowEvent(EventKind::AccessibleAction, window);
  e.node = node;
  e.action = action;
  e.text = std::move(text);
  Push(std::move(e));
}

void HeadlessPlatform::ChangeFrame(FrameExtents frame) {
  frame_ = frame;
  for (const auto& [id, window] : windows_) Push(WindowEvent(EventKind::FrameChanged, id));
}

void HeadlessPlatform::SettingsChanged() {
  Push(WindowEvent(EventKind::SettingsChanged, kNoWindow));
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
  Push(WindowEvent(EventKind::CloseRequest, w));
}

const HeadlessPlatform::Window* HeadlessPlatform::Find(WindowId w) const {
  return windows_.Find(w);
}

bool HeadlessPlatform::SavePng(WindowId w, const std::string& path) const {
  const Window* window = Find(w);
  return window != nullptr && WritePng(window->pixels, path);
}

WindowId HeadlessPlatform::CreateWindow(const std::string& titleUtf8, int clientWidth,
                                        int clientHeight, WindowId owner) {
  if (refusedWindows_ > 0) {
    --refusedWindows_;
    return kNoWindow;
  }
  // The pixels come with the first presentation.
  Window w;
  w.title = titleUtf8;
  w.clientWidth = clientWidth;
  w.clientHeight = clientHeight;
  w.owner = owner;
  return windows_.Add(std::move(w));
}

void HeadlessPlatform::DestroyWindow(WindowId window) {
  windows_.Remove(window);
  queue_.Forget(window);
  trees_.erase(window);
  if (active_ == window) active_ = kNoWindow;
}

void HeadlessPlatform::SetTitle(WindowId window, const std::string& titleUtf8) {
  if (Window* w = windows_.Find(window)) w->title = titleUtf8;
}

void HeadlessPlatform::ShowWindow(WindowId window) {
  if (Window* w = windows_.Find(window)) w->shown = true;
}

void HeadlessPlatform::HideWindow(WindowId window) {
  if (Window* w = windows_.Find(window)) w->shown = false;
  if (active_ == window) active_ = kNoWindow;
}

void HeadlessPlatform::MoveWindow(WindowId window, int x, int y) {
  if (Window* w = windows_.Find(window)) w->position = {x, y};
}

TPoint HeadlessPlatform::WindowPosition(WindowId window) const {
  const Window* w = windows_.Find(window);
  return w == nullptr ? TPoint{} : w->position;
}

FrameExtents HeadlessPlatform::Frame(WindowId) {
  return frame_;
}

void HeadlessPlatform::EnableWindow(WindowId window, bool enabled) {
  if (Window* w = windows_.Find(window)) w->enabled = enabled;
}

void HeadlessPlatform::SetModalFor(WindowId window, WindowId owner) {
  if (Window* w = windows_.Find(window)) w->modalFor = owner;
}

void HeadlessPlatform::Activate(WindowId window) {
  active_ = window;
}

void HeadlessPlatform::Present(WindowId window, const PixelBuffer& buffer,
                               const std::vector<TRect>& dirty) {
  Window* w = windows_.Find(window);
  if (w == nullptr) return;
  if (w->pixels.Width() != buffer.Width() || w->pixels.Height() != buffer.Height()) {
    w->pixels.Resize(buffer.Width(), buffer.Height());
  }
  for (const TRect& r : dirty) CopyRect(buffer, w->pixels, r);
  ++w->presentCount;
}

bool HeadlessPlatform::WaitEvent(Event& out, int64_t deadlineMs) {
  ++waits_;
  while (true) {
    if (queue_.Pop(out)) return true;
    // A poll (deadline now or past) never moves the clock.
    if (deadlineMs >= 0 && deadlineMs <= now_) return false;
    if (script_.Next(now_, deadlineMs)) continue;
    // Nothing more will happen: end the run.
    out = Event{};
    out.kind = EventKind::Quit;
    return true;
  }
}

}  // namespace tk::platform
