// The classic frames. Each pair of lines is drawn top/left first, then
// bottom/right, so the bottom/right colour owns the top-right and bottom-left
// corner pixels.

#include "toolkit/paint/StylePainter.h"

#include "toolkit/paint/Canvas.h"
#include "toolkit/paint/Font.h"

namespace tk::style {

using namespace colors;

int ContentInset(FrameKind kind) {
  switch (kind) {
    case FrameKind::None:
      return 0;
    case FrameKind::PanelRaised:
    case FrameKind::ThinRaised:
    case FrameKind::ThinSunken:
    case FrameKind::FlatBorder:
      return 1;
    case FrameKind::ButtonRaised:
    case FrameKind::ButtonPushed:
    case FrameKind::FieldSunken:
      return 2;
  }
  return 0;
}

void DrawEdgePair(Canvas& canvas, const TRect& r, TColor topLeft, TColor bottomRight) {
  if (r.IsEmpty()) return;
  // Top row and left column, each stopping one pixel short of the far corner.
  canvas.HLine(r.Left, r.Right - 1, r.Top, topLeft);
  canvas.VLine(r.Left, r.Top, r.Bottom - 1, topLeft);
  // Bottom row and right column, corner to corner.
  canvas.HLine(r.Left, r.Right, r.Bottom - 1, bottomRight);
  canvas.VLine(r.Right - 1, r.Top, r.Bottom, bottomRight);
}

void DrawPanelBevel(Canvas& canvas, const TRect& r) {
  // Lit from the top left: highlight there, shadow at the bottom right.
  DrawEdgePair(canvas, r, clBtnHighlight, clBtnShadow);
}

void DrawButtonRaised(Canvas& canvas, const TRect& r) {
  // Outer edge: highlight top/left, dark shadow bottom/right.
  DrawEdgePair(canvas, r, clBtnHighlight, cl3DDkShadow);
  // Inner edge: light top/left, shadow bottom/right.
  DrawEdgePair(canvas, {r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1}, cl3DLight, clBtnShadow);
}

void DrawButtonPushed(Canvas& canvas, const TRect& r) {
  // Outer edge: a one-colour frame on all four sides.
  DrawEdgePair(canvas, r, clWindowFrame, clWindowFrame);
  // Inner edge: shadow on all four sides, the flat look of a pressed button.
  DrawEdgePair(canvas, {r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1}, clBtnShadow,
               clBtnShadow);
}

void DrawThinRaised(Canvas& canvas, const TRect& r) {
  // Raised by one pixel: highlight top/left, shadow bottom/right.
  DrawEdgePair(canvas, r, clBtnHighlight, clBtnShadow);
}

void DrawThinSunken(Canvas& canvas, const TRect& r) {
  // Sunken by one pixel: shadow top/left, highlight bottom/right.
  DrawEdgePair(canvas, r, clBtnShadow, clBtnHighlight);
}

void DrawFlatBorder(Canvas& canvas, const TRect& r) {
  // A single line of the window-frame colour all around.
  DrawEdgePair(canvas, r, clWindowFrame, clWindowFrame);
}

void DrawFieldSunken(Canvas& canvas, const TRect& r) {
  // Outer edge: shadow top/left, highlight bottom/right.
  DrawEdgePair(canvas, r, clBtnShadow, clBtnHighlight);
  // Inner edge: dark shadow top/left, light bottom/right.
  DrawEdgePair(canvas, {r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1}, cl3DDkShadow, cl3DLight);
}

void DrawDefaultButton(Canvas& canvas, const TRect& r, bool pushed) {
  // The default button's own frame.
  DrawEdgePair(canvas, r, clWindowFrame, clWindowFrame);
  TRect inner{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
  if (pushed) {
    // Pushed: only a shadow line inside the frame.
    DrawEdgePair(canvas, inner, clBtnShadow, clBtnShadow);
  } else {
    DrawButtonRaised(canvas, inner);
  }
}

void DrawFrame(Canvas& canvas, const TRect& r, FrameKind kind) {
  switch (kind) {
    case FrameKind::None:
      break;
    case FrameKind::PanelRaised:
      DrawPanelBevel(canvas, r);
      break;
    case FrameKind::ButtonRaised:
      DrawButtonRaised(canvas, r);
      break;
    case FrameKind::ButtonPushed:
      DrawButtonPushed(canvas, r);
      break;
    case FrameKind::ThinRaised:
      DrawThinRaised(canvas, r);
      break;
    case FrameKind::ThinSunken:
      DrawThinSunken(canvas, r);
      break;
    case FrameKind::FlatBorder:
      DrawFlatBorder(canvas, r);
      break;
    case FrameKind::FieldSunken:
      DrawFieldSunken(canvas, r);
      break;
  }
}

void DrawFocusRect(Canvas& canvas, const TRect& r) {
  if (r.IsEmpty()) return;
  // A checkerboard along the four sides: a pixel is set when the sum of its
  // offsets from the top-left corner is even.
  auto dot = [&](int x, int y) {
    if ((x - r.Left + y - r.Top) % 2 == 0) canvas.SetPixel(x, y, clWindowFrame);
  };
  for (int x = r.Left; x < r.Right; ++x) {
    dot(x, r.Top);
    dot(x, r.Bottom - 1);
  }
  for (int y = r.Top + 1; y < r.Bottom - 1; ++y) {
    dot(r.Left, y);
    dot(r.Right - 1, y);
  }
}

void DrawEmbossedText(Canvas& canvas, int x, int y, std::string_view ansi, const Font& font) {
  font.Draw(canvas, x + 1, y + 1, ansi, clBtnHighlight);
  font.Draw(canvas, x, y, ansi, clBtnShadow);
}

}  // namespace tk::style
