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

using namespace classic;
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

// Every frame kind with the colours of its rings from the outside in: top-left
// and bottom-right.
using Rings = std::vector<std::pair<TColor, TColor>>;
const std::tuple<const char*, FrameKind, Rings> kFrames[] = {
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
const TRect kRect{3, 2, 25, 17};  // where the frames are drawn

TEST(StylePainterTest, EveryFrameKindHasItsClassicColours) {
  for (const auto& [name, kind, rings] : kFrames) {
    SCOPED_TRACE(name);
    auto b = Framed(kind, kRect);
    int i = 0;
    for (auto [topLeft, bottomRight] : rings) ExpectRing(Ring(b, kRect, i++), topLeft, bottomRight);
    EXPECT_EQ(b.At(kRect.Left + i, kRect.Top + i), kBack);  // the inside is not filled
  }
}

TEST(StylePainterTest, FramesStayInsideTheirRectangle) {
  for (const auto& [name, kind, rings] : kFrames) {
    auto b = Framed(kind, kRect);
    int inset = style::ContentInset(kind);
    TRect inside{kRect.Left + inset, kRect.Top + inset, kRect.Right - inset, kRect.Bottom - inset};
    for (int y = 0; y < b.Height(); ++y) {
      for (int x = 0; x < b.Width(); ++x) {
        bool inFrame = kRect.Contains({x, y}) && !inside.Contains({x, y});
        ASSERT_EQ(b.At(x, y) != kBack, inFrame) << name << " at " << x << "," << y;
      }
    }
  }
  auto none = Framed(FrameKind::None, kRect);
  EXPECT_EQ(none.At(kRect.Left, kRect.Top), kBack);
  EXPECT_EQ(style::ContentInset(FrameKind::None), 0);
}

TEST(StylePainterTest, DegenerateRectanglesDrawSafely) {
  PixelBuffer b(10, 10, kBack);
  Canvas c(b);
  style::DrawFrame(c, {4, 4, 4, 8}, FrameKind::ButtonRaised);  // empty
  EXPECT_EQ(b.At(4, 4), kBack);
  style::DrawFrame(c, {2, 2, 3, 3}, FrameKind::ButtonRaised);  // a single pixel
  ExpectPixels(b, {{2, 2, cl3DDkShadow}, {3, 2, kBack}, {2, 3, kBack}});
}

TEST(StylePainterTest, DefaultButtonHasADarkFrameAroundItsEdges) {
  PixelBuffer b(30, 20, kBack);
  Canvas c(b);
  style::DrawDefaultButton(c, kRect, false);
  ExpectRing(Ring(b, kRect, 0), clWindowFrame, clWindowFrame);
  ExpectRing(Ring(b, kRect, 1), clBtnHighlight, cl3DDkShadow);
  ExpectRing(Ring(b, kRect, 2), cl3DLight, clBtnShadow);
  style::DrawDefaultButton(c, kRect, true);
  ExpectRing(Ring(b, kRect, 0), clWindowFrame, clWindowFrame);
  ExpectRing(Ring(b, kRect, 1), clBtnShadow, clBtnShadow);
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
