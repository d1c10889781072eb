#pragma once
// Probes of pixels: what a dialog's window shows, where ink of one colour
// lies, which colours a place holds, and text drawn alone to compare with.

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string_view>

#include "toolkit/forms/Application.h"
#include "toolkit/paint/Canvas.h"
#include "toolkit/paint/Font.h"
#include "toolkit/paint/PixelBuffer.h"
#include "toolkit/platform/headless/HeadlessPlatform.h"

namespace mirvolant::testing {

// What the window of a dialog shows after every pending repaint.
inline const tk::PixelBuffer& Presented(tk::platform::HeadlessPlatform& platform,
                                        tk::TCustomForm* form) {
  tk::Application->PaintAll();
  const tk::platform::HeadlessPlatform::Window* w = platform.Find(form->WindowId());
  EXPECT_NE(w, nullptr);
  static const tk::PixelBuffer empty;
  return w != nullptr ? w->pixels : empty;
}

// The bounding box of the pixels of colour ink inside r.
inline tk::TRect InkOf(const tk::PixelBuffer& b, tk::TColor ink, const tk::TRect& r) {
  tk::TRect box;
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x)
      if (b.At(x, y) == ink) box = box.Union({x, y, x + 1, y + 1});
  return box;
}

// Checks that every pixel of b inside r has one of the colours.
inline void ExpectOnly(const tk::PixelBuffer& b, const tk::TRect& r,
                       std::initializer_list<tk::TColor> colours) {
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x)
      ASSERT_NE(std::find(colours.begin(), colours.end(), b.At(x, y)), colours.end())
          << "at (" << x << ", " << y << ")";
}

// Text drawn by the dialog font alone at (x, y) on a background, to compare
// with.
inline tk::PixelBuffer Reference(int w, int h, tk::TColor back, int x, int y, std::string_view text,
                                 tk::TColor ink) {
  tk::PixelBuffer b(w, h, back);
  tk::Canvas c(b);
  tk::Font::Get(-11).Draw(c, x, y, text, ink);
  return b;
}

// A colour expected at a point.
struct Probe {
  int x;
  int y;
  tk::TColor colour;
};

// Checks the colour at each point; a mismatch names its point.
inline void ExpectPixels(const tk::PixelBuffer& b, std::initializer_list<Probe> probes) {
  for (const Probe& p : probes) {
    EXPECT_EQ(b.At(p.x, p.y), p.colour) << "at (" << p.x << ", " << p.y << ")";
  }
}

}  // namespace mirvolant::testing
