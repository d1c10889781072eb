// Copying between pixel buffers.

#include "toolkit/paint/PixelBuffer.h"

#include <algorithm>

namespace tk {

TRect CopyRect(const PixelBuffer& from, PixelBuffer& to, const TRect& rect, TPoint offset) {
  TRect r = rect.Intersect(from.Bounds()).Intersect(to.Bounds().Offset(-offset.X, -offset.Y));
  for (int y = r.Top; y < r.Bottom; ++y) {
    std::copy(from.Row(y) + r.Left, from.Row(y) + r.Right,
              to.Row(y + offset.Y) + r.Left + offset.X);
  }
  return r;
}

}  // namespace tk
