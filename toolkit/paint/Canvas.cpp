// Every drawing operation works in local coordinates, moves them by the
// origin and touches only pixels inside the clip rectangle. Named system
// colours are resolved as they are drawn.

#include "toolkit/paint/Canvas.h"

#include <algorithm>
#include <cstring>

#include "toolkit/paint/Font.h"

namespace tk {

Canvas::Canvas(PixelBuffer& buffer) : buffer_(&buffer), origin_{0, 0}, clip_(buffer.Bounds()) {}

Canvas Canvas::Child(const TRect& bounds) const {
  TRect inBuffer = bounds.Offset(origin_.X, origin_.Y);
  return Canvas(buffer_, TPoint{inBuffer.Left, inBuffer.Top}, clip_.Intersect(inBuffer));
}

Canvas Canvas::Clipped(const TRect& r) const {
  return Canvas(buffer_, origin_, clip_.Intersect(r.Offset(origin_.X, origin_.Y)));
}

TRect Canvas::ClipRect() const {
  if (clip_.IsEmpty()) return {};
  return clip_.Offset(-origin_.X, -origin_.Y);
}

void Canvas::FillRect(const TRect& r, TColor c) {
  TRect area = clip_.Intersect(r.Offset(origin_.X, origin_.Y));
  if (area.IsEmpty()) return;
  c = ColorToRGB(c);
  // The fill loop stores one pixel at a time; the C library's copy moves
  // whole vector registers. Wide areas (a dialog's background, its panels)
  // fill their first row and copy it down.
  const int width = area.Width();
  uint32_t* first = buffer_->Row(area.Top) + area.Left;
  std::fill(first, first + width, c);
  constexpr int kCopyFrom = 32;
  for (int y = area.Top + 1; y < area.Bottom; ++y) {
    uint32_t* row = buffer_->Row(y) + area.Left;
    if (width >= kCopyFrom) {
      std::memcpy(row, first, static_cast<size_t>(width) * sizeof(uint32_t));
    } else {
      std::fill(row, row + width, c);
    }
  }
}

void Canvas::InvertRect(const TRect& r) {
  TRect area = clip_.Intersect(r.Offset(origin_.X, origin_.Y));
  if (area.IsEmpty()) return;
  for (int y = area.Top; y < area.Bottom; ++y) {
    uint32_t* row = buffer_->Row(y);
    for (int x = area.Left; x < area.Right; ++x) row[x] ^= 0xFFFFFF;
  }
}

void Canvas::SetPixel(int x, int y, TColor c) {
  TPoint p{x + origin_.X, y + origin_.Y};
  if (clip_.Contains(p)) buffer_->Row(p.Y)[p.X] = ColorToRGB(c);
}

void Canvas::HLine(int x1, int x2, int y, TColor c) {
  FillRect({x1, y, x2, y + 1}, c);
}

void Canvas::VLine(int x, int y1, int y2, TColor c) {
  FillRect({x, y1, x + 1, y2}, c);
}

void Canvas::TextOut(int x, int y, std::string_view ansi, const Font& font, TColor c) {
  font.Draw(*this, x, y, ansi, c);
}

void Canvas::DrawMask(int x, int y, int width, int height, const uint8_t* mask, int stride,
                      TColor c) {
  TRect target = TRect::FromSize(x + origin_.X, y + origin_.Y, width, height);
  TRect area = clip_.Intersect(target);
  if (area.IsEmpty()) return;
  c = ColorToRGB(c);
  for (int by = area.Top; by < area.Bottom; ++by) {
    const uint8_t* src = mask + static_cast<ptrdiff_t>(by - target.Top) * stride - target.Left;
    uint32_t* row = buffer_->Row(by);
    for (int bx = area.Left; bx < area.Right; ++bx) {
      if (src[bx]) row[bx] = c;
    }
  }
}

void Canvas::DrawBgr24(int x, int y, int width, int height, const uint8_t* rows, int stride) {
  TRect target = TRect::FromSize(x + origin_.X, y + origin_.Y, width, height);
  TRect area = clip_.Intersect(target);
  if (area.IsEmpty()) return;
  for (int by = area.Top; by < area.Bottom; ++by) {
    const uint8_t* src = rows + static_cast<ptrdiff_t>(by - target.Top) * stride +
                         static_cast<ptrdiff_t>(area.Left - target.Left) * 3;
    uint32_t* row = buffer_->Row(by);
    for (int bx = area.Left; bx < area.Right; ++bx, src += 3) {
      row[bx] = (TColor(src[2]) << 16) | (TColor(src[1]) << 8) | src[0];
    }
  }
}

void Canvas::DrawIndexed8(int x, int y, int width, int height, const uint8_t* rows, int stride,
                          const TColor* palette, int paletteSize) {
  TRect target = TRect::FromSize(x + origin_.X, y + origin_.Y, width, height);
  TRect area = clip_.Intersect(target);
  if (area.IsEmpty()) return;
  for (int by = area.Top; by < area.Bottom; ++by) {
    const uint8_t* src =
        rows + static_cast<ptrdiff_t>(by - target.Top) * stride + (area.Left - target.Left);
    uint32_t* row = buffer_->Row(by);
    for (int bx = area.Left; bx < area.Right; ++bx, ++src) {
      // An index past the palette reads as black, like an unset entry.
      row[bx] = *src < paletteSize ? (palette[*src] & 0xFFFFFF) : 0;
    }
  }
}

}  // namespace tk
