#pragma once
// Probes of presented pixels: what a dialog's window shows, and where ink of
// one colour lies.

#include <gtest/gtest.h>

#include <initializer_list>

#include "toolkit/forms/Application.h"
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

// The middle of a control in its dialog's client coordinates.
inline tk::TPoint Middle(const tk::TControl* c) {
  tk::TPoint o = c->OriginInForm();
  return {o.X + c->Width() / 2, o.Y + c->Height() / 2};
}

}  // namespace mirvolant::testing
