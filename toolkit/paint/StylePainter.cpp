// The classic frames. Each pair of lines is drawn top/left first, then
// bottom/right, so the bottom/right colour owns the top-right and bottom-left
// corner pixels.

#include "toolkit/paint/StylePainter.h"

#include <iterator>

#include "toolkit/paint/Canvas.h"
#include "toolkit/paint/Font.h"

namespace tk::style {

using namespace colors;

namespace {

// The rings of a frame, from the outside in: each a one-pixel edge pair.
struct Ring {
  TColor topLeft;
  TColor bottomRight;
};
struct FrameRings {
  int count;
  Ring rings[2];
};

// The rings of every kind of frame, in the order of FrameKind. Light falls
// from the top left: a raised edge is light there and dark at the bottom
// right, a sunken one the other way round.
constexpr FrameRings kFrames[] = {
    {0, {}},                                                          // None
    {1, {{clBtnHighlight, clBtnShadow}}},                             // PanelRaised
    {2, {{clBtnHighlight, cl3DDkShadow}, {cl3DLight, clBtnShadow}}},  // ButtonRaised
    // A one-colour frame around a shadow line: the flat look of a pressed
    // button.
    {2, {{clWindowFrame, clWindowFrame}, {clBtnShadow, clBtnShadow}}},  // ButtonPushed
    {1, {{clBtnHighlight, clBtnShadow}}},                               // ThinRaised
    {1, {{clBtnShadow, clBtnHighlight}}},                               // ThinSunken
    {1, {{clWindowFrame, clWindowFrame}}},                              // FlatBorder
    {2, {{clBtnShadow, clBtnHighlight}, {cl3DDkShadow, cl3DLight}}},    // FieldSunken
};
static_assert(std::size(kFrames) == static_cast<size_t>(FrameKind::FieldSunken) + 1);

const FrameRings& RingsOf(FrameKind kind) {
  return kFrames[static_cast<size_t>(kind)];
}

}  // namespace

int ContentInset(FrameKind kind) {
  return RingsOf(kind).count;
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

void DrawFrame(Canvas& canvas, const TRect& r, FrameKind kind) {
  const FrameRings& frame = RingsOf(kind);
  for (int i = 0; i < frame.count; ++i) {
    const Ring& ring = frame.rings[i];
    DrawEdgePair(canvas, {r.Left + i, r.Top + i, r.Right - i, r.Bottom - i}, ring.topLeft,
                 ring.bottomRight);
  }
}

void DrawDefaultButton(Canvas& canvas, const TRect& r, bool pushed) {
  // The default button's own frame.
  DrawEdgePair(canvas, r, clWindowFrame, clWindowFrame);
  TRect inner{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
  if (pushed) {
    // Pushed: only a shadow line inside the frame.
    DrawEdgePair(canvas, inner, clBtnShadow, clBtnShadow);
  } else {
    DrawFrame(canvas, inner, FrameKind::ButtonRaised);
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
