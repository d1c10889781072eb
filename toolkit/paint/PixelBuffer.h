#pragma once
// The client area of one top-level window as 32-bit pixels (0x00RRGGBB). A
// named system colour given to fill it is resolved first.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "toolkit/base/Geometry.h"

namespace tk {

class PixelBuffer {
 public:
  PixelBuffer() = default;
  PixelBuffer(int width, int height, TColor fill = 0) { Resize(width, height, fill); }

  void Resize(int width, int height, TColor fill = 0) {
    ResizeUndrawn(width, height);
    std::fill(pixels_.begin(), pixels_.end(), ColorToRGB(fill));
  }
  // Gives the buffer the size with pixels of no particular value, for an
  // owner that draws it whole before anyone reads it: a new window's buffer
  // is then not written twice.
  void ResizeUndrawn(int width, int height) {
    width_ = width < 0 ? 0 : width;
    height_ = height < 0 ? 0 : height;
    pixels_.clear();
    pixels_.resize(static_cast<size_t>(width_) * height_);
  }
  int Width() const { return width_; }
  int Height() const { return height_; }
  TRect Bounds() const { return {0, 0, width_, height_}; }
  uint32_t* Row(int y) { return pixels_.data() + static_cast<size_t>(y) * width_; }
  const uint32_t* Row(int y) const { return pixels_.data() + static_cast<size_t>(y) * width_; }
  // The pixel at (x, y); outside the buffer reads as 0xFFFFFFFF.
  TColor At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0xFFFFFFFF;
    return pixels_[static_cast<size_t>(y) * width_ + x];
  }
  void Set(int x, int y, TColor c) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    pixels_[static_cast<size_t>(y) * width_ + x] = c;
  }

 private:
  int width_ = 0;
  int height_ = 0;
  // Allocates without writing: elements are default-initialised (left as
  // they are) instead of zeroed.
  template <class T>
  struct Uninitialised : std::allocator<T> {
    template <class U>
    struct rebind {
      using other = Uninitialised<U>;
    };
    Uninitialised() = default;
    template <class U>
    Uninitialised(const Uninitialised<U>&) noexcept {}
    template <class U>
    void construct(U* p) noexcept {
      ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
      ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
  };
  std::vector<uint32_t, Uninitialised<uint32_t>> pixels_;
};

// Copies rect of from into to, its top-left corner moved by offset, clipped
// to both buffers (the dirty rectangles of a window into the pixels a back end
// keeps of it). Returns the part of rect copied, in from's coordinates; empty
// when nothing was.
TRect CopyRect(const PixelBuffer& from, PixelBuffer& to, const TRect& rect, TPoint offset = {});

}  // namespace tk
