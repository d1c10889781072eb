#pragma once
// Drawing into a pixel buffer through an origin and a clip rectangle. A
// control paints into a canvas whose origin is its own top-left corner and
// whose clip is its bounds cut by every parent's client area.

#include <cstdint>
#include <string_view>

#include "toolkit/base/Geometry.h"
#include "toolkit/paint/PixelBuffer.h"

namespace tk {

class Font;

class Canvas {
 public:
  // The whole buffer, origin at its top-left corner.
  explicit Canvas(PixelBuffer& buffer);

  // A canvas for a child whose bounds are given in this canvas' coordinates:
  // the origin moves to the bounds' top-left corner and the clip is cut by
  // the bounds.
  Canvas Child(const TRect& bounds) const;
  // The same origin with the clip cut by r (local coordinates).
  Canvas Clipped(const TRect& r) const;

  // The clip rectangle in local coordinates.
  TRect ClipRect() const;
  // The origin in buffer coordinates.
  TPoint Origin() const { return origin_; }
  PixelBuffer& Buffer() const { return *buffer_; }

  void FillRect(const TRect& r, TColor c);
  void SetPixel(int x, int y, TColor c);
  // Horizontal line over [x1, x2) at y; vertical line over [y1, y2) at x.
  void HLine(int x1, int x2, int y, TColor c);
  void VLine(int x, int y1, int y2, TColor c);
  // One line of Windows-1251 text with its top-left corner at (x, y).
  void TextOut(int x, int y, std::string_view ansi, const Font& font, TColor c);
  // Inverts every colour channel inside r (the caret).
  void InvertRect(const TRect& r);
  // Fills the pixels whose mask byte is non-zero with c; rows of width bytes
  // with their top-left at (x, y).
  void DrawMask(int x, int y, int width, int height, const uint8_t* mask, int stride, TColor c);
  // Copies rows of 24-bit blue-green-red pixels with their top-left at (x, y).
  void DrawBgr24(int x, int y, int width, int height, const uint8_t* rows, int stride);
  // Copies rows of 8-bit palette indices (palette entries are 0x00RRGGBB).
  void DrawIndexed8(int x, int y, int width, int height, const uint8_t* rows, int stride,
                    const TColor* palette, int paletteSize);

 private:
  Canvas(PixelBuffer* buffer, TPoint origin, TRect clip)
      : buffer_(buffer), origin_(origin), clip_(clip) {}

  PixelBuffer* buffer_;
  TPoint origin_;  // buffer coordinates of local (0, 0)
  TRect clip_;     // buffer coordinates
};

}  // namespace tk
