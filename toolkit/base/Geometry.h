#pragma once
// Points and rectangles. A rectangle holds its left and top edge and the edge
// just past its right and bottom side, as the classic GUI did. Colours are in
// Colors.h.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "toolkit/base/Colors.h"

namespace tk {

struct TPoint {
  int X = 0;
  int Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;

  static TRect FromSize(int left, int top, int width, int height) {
    return {left, top, left + width, top + height};
  }
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  bool Contains(TPoint p) const { return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom; }
  TRect Offset(int dx, int dy) const { return {Left + dx, Top + dy, Right + dx, Bottom + dy}; }
  TRect Intersect(const TRect& o) const {
    TRect r{std::max(Left, o.Left), std::max(Top, o.Top), std::min(Right, o.Right),
            std::min(Bottom, o.Bottom)};
    if (r.IsEmpty()) return {};
    return r;
  }
  // The smallest rectangle holding both; an empty rectangle adds nothing.
  TRect Union(const TRect& o) const {
    if (IsEmpty()) return o;
    if (o.IsEmpty()) return *this;
    return {std::min(Left, o.Left), std::min(Top, o.Top), std::max(Right, o.Right),
            std::max(Bottom, o.Bottom)};
  }
  friend bool operator==(const TRect&, const TRect&) = default;
};

// Adds r to a short list of rectangles waiting to be redrawn: it joins the
// first one it overlaps (or comes within reach pixels of); when the list
// grows past limit, everything folds into one rectangle.
inline void AddDamage(std::vector<TRect>& list, const TRect& r, int reach, size_t limit) {
  for (TRect& d : list) {
    TRect grown{d.Left - reach, d.Top - reach, d.Right + reach, d.Bottom + reach};
    if (!grown.Intersect(r).IsEmpty()) {
      d = d.Union(r);
      return;
    }
  }
  list.push_back(r);
  if (list.size() > limit) {
    TRect all;
    for (const TRect& d : list) all = all.Union(d);
    list.assign(1, all);
  }
}

}  // namespace tk
