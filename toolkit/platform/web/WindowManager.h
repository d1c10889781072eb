#pragma once
// The page is the desktop, and a browser has no window manager, so this is
// one: it keeps the windows' places and stacking, draws each window's frame in
// the classic look (a raised edge three pixels wide, a caption bar with the
// title and a close box), composes the shown windows over the desktop's
// background into one picture, tells what lies under a point, and does what
// the pointer does to windows: dragging by the caption, the close box, the
// mouse captured by the window it was pressed in, hovering, and bringing a
// window to the front with the focus when it is clicked.
//
// Everything is in desktop pixels, one per pixel of a dialog's buffer; how
// many device pixels show one of them is the page's scale (Scale below).

#include <cstdint>
#include <string>
#include <vector>

#include "toolkit/base/Geometry.h"
#include "toolkit/paint/PixelBuffer.h"
#include "toolkit/platform/EventQueue.h"
#include "toolkit/platform/Platform.h"
#include "toolkit/platform/WindowTable.h"

namespace tk::platform::web {

// The groups of moves the window manager queues (see EventQueue::Push): a
// hovering pointer's moves, and the moves of a pointer held down or of a
// window. Only the hovering ones replace each other in the journal too.
enum MoveGroup : uint8_t { kHoverMove = 1, kHeldMove = 2 };

// Pointer input as the page reports it, in desktop pixels.
struct PointerInput {
  TPoint at;
  // 1 left, 2 right, 3 middle.
  int button = 1;
  // A finger or a pen rather than a mouse: nothing hovers.
  bool touch = false;
  uint8_t modifiers = 0;
};

class WindowManager {
 public:
  // The classic dialog frame: three pixels of edge, a caption bar of 18
  // pixels and one line beneath it.
  static constexpr FrameExtents kFrame{3, 22, 3, 3};
  // The desktop's background, the classic scheme's.
  static constexpr TColor kBackground = 0x3A6EA5;

  // What lies under a point of the desktop.
  enum class Part { None, Client, Caption, CloseBox, Edge };
  struct Hit {
    WindowId window = kNoWindow;
    Part part = Part::None;
    // The point in the window's client coordinates.
    TPoint client;
  };

  // The scale, in device pixels per desktop pixel, for a viewport of
  // viewWidth x viewHeight device pixels at a device pixel ratio of
  // deviceRatio, when the largest window made so far is needWidth x
  // needHeight (0 x 0 before the first):
  //  - natural: the device pixel ratio rounded to a whole number (at least
  //    1), so that a dialog pixel is about one CSS pixel and crisp;
  //  - where that does not fit the largest window into the viewport, the
  //    largest whole number that does, if it keeps at least three quarters
  //    of the size that would just fit;
  //  - otherwise exactly the size that fits, a fraction (each dialog pixel
  //    then covers one or two device pixels, never blurred).
  static double Scale(int viewWidth, int viewHeight, double deviceRatio, int needWidth,
                      int needHeight);

  // The desktop's size in desktop pixels; windows keep inside it.
  void Resize(int width, int height);
  TRect Bounds() const { return {0, 0, width_, height_}; }
  // The largest outer size of all windows made so far.
  int NeedWidth() const { return needWidth_; }
  int NeedHeight() const { return needHeight_; }

  // --- The windows, as the toolkit asks for them.
  WindowId Create(const std::string& titleUtf8, int clientWidth, int clientHeight);
  // A window destroyed or hidden lets go of the pointer.
  void Destroy(WindowId window);
  bool Exists(WindowId window) const { return windows_.Find(window) != nullptr; }
  void SetTitle(WindowId window, const std::string& titleUtf8);
  void Show(WindowId window);
  void Hide(WindowId window);
  bool Shown(WindowId window) const;
  // Moves the outer corner; false when nothing moved.
  bool Move(WindowId window, TPoint outerCorner);
  TPoint Position(WindowId window) const;
  // The outer corner that keeps the window inside the desktop where it fits
  // (the left or top edge at 0 where it does not).
  TPoint Kept(WindowId window, TPoint outerCorner) const;
  // A window disabled (beneath a modal one) is no longer dragged and its
  // close box comes up.
  void Enable(WindowId window, bool enabled);
  bool Enabled(WindowId window) const;
  // Puts a shown window on top of the others and draws its caption active;
  // kNoWindow leaves no caption active.
  void Activate(WindowId window);
  WindowId Active() const { return active_; }
  // Shown windows, bottom to top.
  const std::vector<WindowId>& Stacking() const { return stacking_; }
  // Takes the given client rectangles of the window's pixels.
  void PresentClient(WindowId window, const PixelBuffer& buffer, const std::vector<TRect>& dirty);
  // The window's client pixels last presented (for tests and tools).
  PixelBuffer ClientPixels(WindowId window) const;

  // --- The pointer. Each call pushes what the input means to the toolkit
  // (pointer events in client coordinates, focus, moves of a window dragged,
  // close requests) to out, arrived at time.
  void PointerDown(const PointerInput& in, EventQueue& out, int64_t time);
  void PointerMove(const PointerInput& in, EventQueue& out, int64_t time);
  // Released, or cancelled (the browser took the pointer over): a cancelled
  // press is released outside every control and clicks nothing.
  void PointerUp(const PointerInput& in, bool cancelled, EventQueue& out, int64_t time);
  // The mouse left the page.
  void PointerLeave(EventQueue& out, int64_t time);
  // Pushes a move for each window that no longer lies inside the desktop.
  void KeepWindowsOnDesktop(EventQueue& out, int64_t time);
  // What an event handed to the toolkit does to the desktop: a window's move
  // moves it, the focus gained raises it.
  void Delivered(const Event& e);

  Hit HitTest(TPoint p) const;
  TRect OuterRect(WindowId window) const;
  TRect CloseBoxRect(WindowId window) const;

  // --- The picture.
  // Composes the areas that changed since the last call into the picture
  // and returns them.
  std::vector<TRect> Compose();
  // Asks for the whole desktop to be composed again.
  void InvalidateAll();
  // The picture, one 32-bit pixel per desktop pixel with red in the lowest
  // byte and alpha 255 in the highest (a canvas' RGBA bytes).
  const std::vector<uint32_t>& Picture() const { return picture_; }
  // A pixel of the picture as 0x00RRGGBB.
  TColor At(int x, int y) const;

 private:
  struct Window : KeptWindow {
    bool closePressed = false;
    // Frame and client area, 0x00RRGGBB.
    PixelBuffer outer;
  };

  // Draws the close box held down or up.
  void PressClose(WindowId window, bool pressed);
  // A point of the desktop in the window's client coordinates.
  TPoint ClientPoint(WindowId window, TPoint p) const;
  void DrawFrame(Window& w, bool active);
  void Damage(const TRect& r);
  void DamageWindow(const Window& w);
  void ComposeRect(const TRect& r);

  WindowTable<Window> windows_;
  std::vector<WindowId> stacking_;
  WindowId active_ = kNoWindow;
  int width_ = 0;
  int height_ = 0;
  int needWidth_ = 0;
  int needHeight_ = 0;
  std::vector<uint32_t> picture_;
  std::vector<TRect> damage_;
  // The pointer: a window dragged by its caption, a close box held down, the
  // window that had the button pressed in its client area, the window under
  // a hovering mouse.
  WindowId dragging_ = kNoWindow;
  TPoint dragOffset_;
  WindowId closing_ = kNoWindow;
  WindowId captured_ = kNoWindow;
  // The press that captured the pointer.
  PointerInput capturedBy_;
  WindowId hovered_ = kNoWindow;
};

}  // namespace tk::platform::web
