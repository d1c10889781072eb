// The classic frames, read pixel by pixel.

#include <gtest/gtest.h>

#include <tuple>
#include <utility>
#include <vector>

#include "Pixels.h"
#include "toolkit/paint/Canvas.h"
#include "toolkit/paint/PixelBuffer.h"
#include "toolkit/paint/StylePainter.h"

namespace tk {
namespace {

using mirvolant::testing::ExpectPixels;

using namespace colors;
constexpr TColor kBack = 0x123456;

struct Sides {
  TColor top, left, bottom, right, topRight, bottomLeft;
};

// The colours of one ring of a frame at inset i inside r, sampled in the
// middle of each side and at the two mixed corners.
Sides Ring(const PixelBuffer& b, const TRect& r, int i) {
  int midX = (r.Left + r.Right) / 2, midY = (r.Top + r.Bottom) / 2;
  return {b.At(midX, r.Top + i),
          b.At(r.Left + i, midY),
          b.At(midX, r.Bottom - 1 - i),
          b.At(r.Right - 1 - i, midY),
          b.At(r.Right - 1 - i, r.Top + i),
          b.At(r.Left + i, r.Bottom - 1 - i)};
}

void ExpectRing(const Sides& s, TColor topLeft, TColor bottomRight) {
  EXPECT_EQ(s.top, topLeft);
  EXPECT_EQ(s.left, topLeft);
  EXPECT_EQ(s.bottom, bottomRight);
  EXPECT_EQ(s.right, bottomRight);
  // The mixed corners belong to the bottom/right colour.
  EXPECT_EQ(s.topRight, bottomRight);
  EXPECT_EQ(s.bottomLeft, bottomRight);
}

PixelBuffer Framed(FrameKind kind, const TRect& r) {
  PixelBuffer b(30, 20, kBack);
  Canvas c(b);
  style::DrawFrame(c, r, kind);
  return b;
}

TEST(StylePainterTest, EveryFrameKindHasItsClassicColours) {
  const TRect r{3, 2, 25, 17};
  using Rings = std::vector<std::pair<TColor, TColor>>;  // top-left and bottom-right colours
  const std::tuple<const char*, FrameKind, Rings> cases[] = {
      {"panel bevel", FrameKind::PanelRaised, {{clBtnHighlight, clBtnShadow}}},
      {"raised push button",
       FrameKind::ButtonRaised,
       {{clBtnHighlight, cl3DDkShadow}, {cl3DLight, clBtnShadow}}},
      {"pushed push button",
       FrameKind::ButtonPushed,
       {{clWindowFrame, clWindowFrame}, {clBtnShadow, clBtnShadow}}},
      {"thin raised", FrameKind::ThinRaised, {{clBtnHighlight, clBtnShadow}}},
      {"thin sunken", FrameKind::ThinSunken, {{clBtnShadow, clBtnHighlight}}},
      {"sunken field edge",
       FrameKind::FieldSunken,
       {{clBtnShadow, clBtnHighlight}, {cl3DDkShadow, cl3DLight}}},
      {"flat border", FrameKind::FlatBorder, {{clWindowFrame, clWindowFrame}}},
  };
  for (const auto& [name, kind, rings] : cases) {
    SCOPED_TRACE(name);
    auto b = Framed(kind, r);
    int i = 0;
    for (auto [topLeft, bottomRight] : rings) ExpectRing(Ring(b, r, i++), topLeft, bottomRight);
    EXPECT_EQ(b.At(r.Left + i, r.Top + i), kBack);  // the inside is not filled
  }
}

TEST(StylePainterTest, FramesStayInsideTheirRectangle) {
  const TRect r{3, 2, 25, 17};
  for (FrameKind kind : {FrameKind::PanelRaised, FrameKind::ButtonRaised, FrameKind::ButtonPushed,
                         FrameKind::ThinRaised, FrameKind::ThinSunken, FrameKind::FlatBorder,
                         FrameKind::FieldSunken}) {
    auto b = Framed(kind, r);
    int inset = style::ContentInset(kind);
    for (int y = 0; y < b.Height(); ++y) {
      for (int x = 0; x < b.Width(); ++x) {
        bool inFrame =
            r.Contains({x, y}) &&
            !TRect{r.Left + inset, r.Top + inset, r.Right - inset, r.Bottom - inset}.Contains(
                {x, y});
        ASSERT_EQ(b.At(x, y) != kBack, inFrame)
            << "kind " << static_cast<int>(kind) << " at " << x << "," << y;
      }
    }
  }
  auto none = Framed(FrameKind::None, r);
  EXPECT_EQ(none.At(r.Left, r.Top), kBack);
  EXPECT_EQ(style::ContentInset(FrameKind::None), 0);
}

TEST(StylePainterTest, DegenerateRectanglesDrawSafely) {
  PixelBuffer b(10, 10, kBack);
  Canvas c(b);
  style::DrawButtonRaised(c, {4, 4, 4, 8});  // empty
  EXPECT_EQ(b.At(4, 4), kBack);
  style::DrawButtonRaised(c, {2, 2, 3, 3});  // a single pixel
  ExpectPixels(b, {{2, 2, cl3DDkShadow}, {3, 2, kBack}, {2, 3, kBack}});
}

TEST(StylePainterTest, DefaultButtonHasADarkFrameAroundItsEdges) {
  const TRect r{3, 2, 25, 17};
  PixelBuffer b(30, 20, kBack);
  Canvas c(b);
  style::DrawDefaultButton(c, r, false);
  ExpectRing(Ring(b, r, 0), clWindowFrame, clWindowFrame);
  ExpectRing(Ring(b, r, 1), clBtnHighlight, cl3DDkShadow);
  ExpectRing(Ring(b, r, 2), cl3DLight, clBtnShadow);
  style::DrawDefaultButton(c, r, true);
  ExpectRing(Ring(b, r, 0), clWindowFrame, clWindowFrame);
  ExpectRing(Ring(b, r, 1), clBtnShadow, clBtnShadow);
}

TEST(StylePainterTest, FocusRectangleIsDottedAroundItsEdge) {
  PixelBuffer b(12, 10, clBtnFace);
  Canvas c(b);
  style::DrawFocusRect(c, {1, 1, 11, 9});
  ExpectPixels(b, {
                      {1, 1, clWindowFrame},
                      {2, 1, clBtnFace},
                      {3, 1, clWindowFrame},
                      {1, 2, clBtnFace},
                      {1, 3, clWindowFrame},
                      {5, 5, clBtnFace}  // the inside stays
                  });
  int dots = 0;
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 12; ++x) dots += b.At(x, y) == clWindowFrame;
  EXPECT_EQ(dots, 16);  // half of the 32 perimeter pixels
}

}  // namespace
}  // namespace tk
