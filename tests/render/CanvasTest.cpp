// Clipping of the canvas, copying between pixel buffers and PNG files of them.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "Pixels.h"
#include "toolkit/paint/Canvas.h"
#include "toolkit/paint/Font.h"
#include "toolkit/paint/PixelBuffer.h"
#include "toolkit/paint/png/PngFile.h"

namespace tk {
namespace {

using mirvolant::testing::ExpectPixels;

constexpr TColor kBack = 0x111111;
constexpr TColor kInk = 0xABCDEF;

// Counts the pixels of colour c inside r, and checks none lies outside it.
int CountInside(const PixelBuffer& b, TColor c, const TRect& r) {
  int n = 0;
  for (int y = 0; y < b.Height(); ++y) {
    for (int x = 0; x < b.Width(); ++x) {
      if (b.At(x, y) != c) continue;
      EXPECT_TRUE(r.Contains({x, y})) << "pixel outside at " << x << "," << y;
      ++n;
    }
  }
  return n;
}

TEST(CanvasTest, ChildMovesTheOriginAndCutsTheClip) {
  PixelBuffer b(40, 30, kBack);
  Canvas root(b);
  EXPECT_EQ(root.ClipRect(), (TRect{0, 0, 40, 30}));
  Canvas child = root.Child({10, 5, 30, 25});
  EXPECT_EQ(child.Origin(), (TPoint{10, 5}));
  EXPECT_EQ(child.ClipRect(), (TRect{0, 0, 20, 20}));
  // A grandchild reaching past its parent is cut by the parent's area, and
  // one starting left of it (a negative left edge) keeps its own origin.
  Canvas grand = child.Child({-8, 2, 30, 10});
  EXPECT_EQ(grand.Origin(), (TPoint{2, 7}));
  EXPECT_EQ(grand.ClipRect(), (TRect{8, 0, 28, 8}));
  grand.FillRect({-100, -100, 100, 100}, kInk);
  EXPECT_EQ(CountInside(b, kInk, {10, 7, 30, 15}), 20 * 8);
}

TEST(CanvasTest, ClippedKeepsTheOrigin) {
  PixelBuffer b(20, 20, kBack);
  Canvas c = Canvas(b).Child({5, 5, 20, 20}).Clipped({1, 1, 4, 3});
  EXPECT_EQ(c.Origin(), (TPoint{5, 5}));
  EXPECT_EQ(c.ClipRect(), (TRect{1, 1, 4, 3}));
  c.FillRect({0, 0, 10, 10}, kInk);
  EXPECT_EQ(CountInside(b, kInk, {6, 6, 9, 8}), 6);
}

TEST(CanvasTest, DisjointClipDrawsNothing) {
  PixelBuffer b(20, 20, kBack);
  Canvas c = Canvas(b).Child({0, 0, 5, 5}).Child({10, 10, 15, 15});
  EXPECT_TRUE(c.ClipRect().IsEmpty());
  c.FillRect({-50, -50, 50, 50}, kInk);
  c.SetPixel(0, 0, kInk);
  c.HLine(-5, 5, 0, kInk);
  c.TextOut(0, 0, "W", Font::Get(-11), kInk);
  EXPECT_EQ(CountInside(b, kInk, b.Bounds()), 0);
}

TEST(CanvasTest, LinesCoverHalfOpenRangesInsideTheClip) {
  PixelBuffer b(10, 10, kBack);
  Canvas c = Canvas(b).Clipped({2, 2, 8, 8});
  c.HLine(0, 5, 3, kInk);   // x 2..4 remain
  c.VLine(6, 4, 20, kInk);  // y 4..7 remain
  c.SetPixel(1, 1, kInk);   // outside the clip
  c.SetPixel(7, 7, 0x22);   // the clip's last pixel
  ExpectPixels(b, {{2, 3, kInk},
                   {4, 3, kInk},
                   {5, 3, kBack},
                   {6, 4, kInk},
                   {6, 7, kInk},
                   {6, 8, kBack},
                   {1, 1, kBack},
                   {7, 7, 0x22u}});
  EXPECT_EQ(CountInside(b, kInk, {2, 3, 7, 8}), 3 + 4);
}

TEST(CanvasTest, InvertFlipsColoursInsideTheClipOnly) {
  PixelBuffer b(6, 4, 0xFFFFFF);
  b.Set(2, 1, 0x0A246A);
  Canvas c = Canvas(b).Clipped({1, 0, 3, 4});
  c.InvertRect({2, 1, 5, 3});
  ExpectPixels(b, {
                      {2, 1, 0xF5DB95u}, {2, 2, 0x000000u}, {3, 1, 0xFFFFFFu}  // outside the clip
                  });
  c.InvertRect({2, 1, 5, 3});
  EXPECT_EQ(b.At(2, 1), 0x0A246Au);  // inverting twice restores
}

TEST(CanvasTest, ImagesAreCutAtEveryEdge) {
  // A 4 x 3 image of distinct colours drawn partly outside a clip.
  uint8_t bgr[3][12];
  uint8_t idx[3][4];
  TColor palette[12];
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x) {
      bgr[y][x * 3 + 0] = static_cast<uint8_t>(x);  // blue
      bgr[y][x * 3 + 1] = static_cast<uint8_t>(y);  // green
      bgr[y][x * 3 + 2] = 0x80;                     // red
      idx[y][x] = static_cast<uint8_t>(y * 4 + x);
      palette[y * 4 + x] = 0x010000u * static_cast<TColor>(y * 4 + x + 1);
    }
  }
  PixelBuffer b(10, 10, kBack);
  Canvas c = Canvas(b).Clipped({3, 3, 6, 5});
  c.DrawBgr24(2, 2, 4, 3, &bgr[0][0], 12);
  ExpectPixels(b, {{2, 2, kBack},
                   {3, 3, 0x800101u},  // image pixel (1, 1)
                   {5, 4, 0x800203u},  // image pixel (3, 2)
                   {6, 4, kBack},
                   {3, 5, kBack}});

  PixelBuffer p(10, 10, kBack);
  Canvas cp = Canvas(p).Child({1, 1, 9, 9});
  cp.DrawIndexed8(-1, 0, 4, 3, &idx[0][0], 4, palette, 11);
  EXPECT_EQ(p.At(1, 1), palette[1]);  // column 0 of the image is cut off
  EXPECT_EQ(p.At(3, 2), palette[7]);
  ExpectPixels(p, {{3, 3, 0u},  // index 11 is past the palette
                   {0, 1, kBack}});
}

TEST(CanvasTest, TextIsClippedPixelExactly) {
  const Font& f = Font::Get(-11);
  PixelBuffer whole(40, 15, kBack), cut(40, 15, kBack);
  Canvas(whole).TextOut(2, 1, "WMW", f, kInk);
  Canvas(cut).Clipped({5, 4, 12, 8}).TextOut(2, 1, "WMW", f, kInk);
  for (int y = 0; y < 15; ++y) {
    for (int x = 0; x < 40; ++x) {
      bool inside = TRect{5, 4, 12, 8}.Contains({x, y});
      ASSERT_EQ(cut.At(x, y), inside ? whole.At(x, y) : kBack) << x << "," << y;
    }
  }
  EXPECT_GT(CountInside(cut, kInk, {5, 4, 12, 8}), 0);
}

TEST(PixelBufferTest, PngRoundTripKeepsEveryPixel) {
  PixelBuffer b(7, 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x)
      b.Set(x, y, static_cast<TColor>((x * 37) << 16 | (y * 51) << 8 | (x + y)));
  std::string path = testing::TempDir() + "/roundtrip.png";
  ASSERT_TRUE(WritePng(b, path));
  PixelBuffer back;
  ASSERT_TRUE(ReadPng(path, back));
  ASSERT_EQ(back.Width(), 7);
  ASSERT_EQ(back.Height(), 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) EXPECT_EQ(back.At(x, y), b.At(x, y)) << x << "," << y;
  std::filesystem::remove(path);
}

TEST(PixelBufferTest, BadFilesAreRefused) {
  PixelBuffer b(3, 3, kBack);
  EXPECT_FALSE(WritePng(b, "/nonexistent-dir/x.png"));
  EXPECT_FALSE(WritePng(PixelBuffer(), testing::TempDir() + "/empty.png"));
  PixelBuffer out(2, 2, kInk);
  EXPECT_FALSE(ReadPng("/nonexistent-dir/x.png", out));
  std::string junk = testing::TempDir() + "/junk.png";
  std::ofstream(junk) << "not a png at all";
  EXPECT_FALSE(ReadPng(junk, out));
  // A truncated PNG fails cleanly too.
  std::string good = testing::TempDir() + "/good.png";
  ASSERT_TRUE(WritePng(PixelBuffer(50, 50, 0x123456), good));
  std::filesystem::resize_file(good, std::filesystem::file_size(good) / 2);
  EXPECT_FALSE(ReadPng(good, out));
  std::filesystem::remove(junk);
  std::filesystem::remove(good);
}

TEST(PixelBufferTest, OutsideReadsAsMarkerAndWritesAreIgnored) {
  PixelBuffer b(2, 2, kBack);
  b.Set(-1, 0, kInk);
  b.Set(2, 1, kInk);
  ExpectPixels(b, {{-1, 0, 0xFFFFFFFFu}, {0, 2, 0xFFFFFFFFu}});
  EXPECT_EQ(CountInside(b, kInk, b.Bounds()), 0);
}

TEST(PixelBufferCopy, ARectangleIsClippedToBothBuffersAndMovedByTheOffset) {
  PixelBuffer from(10, 8, kInk);
  PixelBuffer to(12, 12, kBack);
  // Reaching past from's right edge and, moved, past to's top edge.
  TRect copied = CopyRect(from, to, {6, 0, 14, 5}, {4, -2});
  EXPECT_EQ(copied, (TRect{6, 2, 8, 5}));
  EXPECT_EQ(CountInside(to, kInk, {10, 0, 12, 3}), 6);
  EXPECT_TRUE(CopyRect(from, to, {0, 0, 4, 4}, {20, 0}).IsEmpty());
}

}  // namespace
}  // namespace tk
