// Decoding the JPEG graphic: once and lazily, cached even on failure, drawn
// unscaled, the truncated and empty cases, and the 8-bit palette path.

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "Pixels.h"
#include "tests/graphics/PictureFiles.h"
#include "toolkit/base/Exceptions.h"
#include "toolkit/graphics/Jpeg.h"
#include "toolkit/paint/Canvas.h"
#include "toolkit/paint/PixelBuffer.h"

namespace tk {
namespace {

using mirvolant::testing::ExpectPixels;

std::unique_ptr<TJPEGImage> LoadJpeg(const std::string& jpeg, bool eightBit = false) {
  auto image = std::make_unique<TJPEGImage>();
  image->Settings().PixelFormat8 = eightBit;
  TMemoryStream stream(MakeBlob("TJPEGImage", jpeg).substr(11));
  image->LoadJpegBlob(stream);
  return image;
}

int Channel(TColor c, int shift) {
  return static_cast<int>((c >> shift) & 0xFF);
}

// The largest difference of one colour channel.
int Distance(TColor a, TColor b) {
  int d = 0;
  for (int s : {0, 8, 16}) d = std::max(d, std::abs(Channel(a, s) - Channel(b, s)));
  return d;
}

TEST(JpegDecode, DecodesOnceAndDrawsUnscaledAtTheTopLeft) {
  auto image = LoadJpeg(ReadClueJpeg());
  int changes = 0;
  image->OnChange = [&] { ++changes; };
  EXPECT_EQ(image->DecodeCount(), 0);

  PixelBuffer buffer(700, 300, 0x123456);
  Canvas canvas(buffer);
  image->Draw(canvas, TRect{0, 0, image->Width(), image->Height()});
  EXPECT_EQ(image->DecodeCount(), 1);
  EXPECT_EQ(changes, 1) << "a finished decode announces a change";
  image->Draw(canvas, TRect{0, 0, 670, 277});
  EXPECT_EQ(image->DecodeCount(), 1) << "later draws use the cached bitmap";

  const TBitmap& bitmap = image->DecodedBitmap();
  EXPECT_EQ(bitmap.Width(), 670);
  EXPECT_EQ(bitmap.Height(), 277);
  EXPECT_EQ(bitmap.BitsPerPixel(), 24);
  EXPECT_EQ(bitmap.Stride(), 2012) << "rows padded to four bytes";
  // The corners land on (0, 0) and (669, 276); nothing beyond is touched.
  EXPECT_EQ(buffer.At(0, 0), bitmap.Pixel(0, 0));
  EXPECT_EQ(buffer.At(669, 276), bitmap.Pixel(669, 276));
  ExpectPixels(buffer, {{670, 0, 0x123456u}, {0, 277, 0x123456u}});
  // The top band is teal and the middle of the note is engraved: a sanity
  // check that the rows are in blue-green-red order and not mirrored.
  TColor band = bitmap.Pixel(20, 8);
  EXPECT_LT(Channel(band, 16), Channel(band, 8)) << std::hex << band;
  EXPECT_LT(Channel(band, 16), Channel(band, 0)) << std::hex << band;
  TColor paper = bitmap.Pixel(200, 230);
  EXPECT_GT(Channel(paper, 16), Channel(paper, 0)) << std::hex << paper;
}

TEST(JpegDecode, EmptyDataFailsAtTheFirstDrawOnlyAndDrawsNothingLater) {
  auto image = LoadJpeg("");
  EXPECT_EQ(image->Width(), 0);
  PixelBuffer buffer(20, 20, 0x123456);
  Canvas canvas(buffer);
  EXPECT_EQ(MessageOf<EJPEG>([&] {
              image->Draw(canvas, TRect{0, 0, image->Width(), image->Height()});
            }),
            "JPEG error #42");
  EXPECT_TRUE(image->HasBitmap()) << "the failed bitmap stays cached";
  EXPECT_NO_THROW(image->Draw(canvas, TRect{0, 0, image->Width(), image->Height()}));
  EXPECT_EQ(image->DecodeCount(), 1);
  EXPECT_EQ(buffer.At(0, 0), 0x123456u);
}

TEST(JpegDecode, CorruptScanDataFailsOnceAndKeepsThePartialBitmap) {
  std::string jpeg = ReadClueJpeg();
  // The second scan names a component the frame does not have: the header
  // parses, the decode fails inside the library.
  size_t first = jpeg.find("\xFF\xDA");
  size_t second = jpeg.find("\xFF\xDA", first + 2);
  ASSERT_NE(second, std::string::npos);
  std::string bad = jpeg;
  bad[second + 5] = 9;
  auto image = LoadJpeg(bad);
  EXPECT_EQ(image->Width(), 670);
  EXPECT_THROW(image->DecodedBitmap(), EJPEG);
  EXPECT_NO_THROW(image->DecodedBitmap());
  EXPECT_EQ(image->DecodeCount(), 1);
  // The scans are gathered before the bitmap is sized, so the cached bitmap
  // is empty and now gives the size.
  EXPECT_EQ(image->Width(), 0);
}

TEST(JpegDecode, TruncatedDataDecodesWhatArrived) {
  std::string jpeg = ReadClueJpeg();
  auto full = LoadJpeg(jpeg);
  auto cut = LoadJpeg(jpeg.substr(0, jpeg.size() / 2));
  EXPECT_EQ(cut->Width(), 670);
  const TBitmap* bitmap = nullptr;
  ASSERT_NO_THROW(bitmap = &cut->DecodedBitmap());
  ASSERT_EQ(bitmap->Width(), 670);
  ASSERT_EQ(bitmap->Height(), 277);
  // The early scans carry the coarse picture: broad areas come out close to
  // the full decode.
  const TBitmap& reference = full->DecodedBitmap();
  long total = 0;
  int samples = 0;
  for (int y = 5; y < 277; y += 16)
    for (int x = 5; x < 670; x += 16, ++samples)
      total += Distance(bitmap->Pixel(x, y), reference.Pixel(x, y));
  EXPECT_LT(total / samples, 40);
}

TEST(JpegDecode, EightBitOutputHasAtMost236PaletteColours) {
  std::string jpeg = ReadClueJpeg();
  auto full = LoadJpeg(jpeg);
  auto quantised = LoadJpeg(jpeg, true);
  const TBitmap& reference = full->DecodedBitmap();
  const TBitmap& bitmap = quantised->DecodedBitmap();
  EXPECT_EQ(bitmap.BitsPerPixel(), 8);
  EXPECT_EQ(bitmap.Stride(), 672);
  EXPECT_LE(bitmap.Palette().size(), 236u);
  EXPECT_GT(bitmap.Palette().size(), 64u) << "a real colour picture uses many entries";
  std::set<int> used;
  for (int y = 0; y < 277; ++y)
    for (int x = 0; x < 670; ++x) used.insert(bitmap.ScanLine(y)[x]);
  EXPECT_LE(*used.rbegin(), static_cast<int>(bitmap.Palette().size()) - 1);
  // Dithered pixels stay near the true colour on average; the palette's
  // red and blue are not swapped (the band stays teal).
  long total = 0;
  for (int y = 0; y < 277; y += 3)
    for (int x = 0; x < 670; x += 3) total += Distance(bitmap.Pixel(x, y), reference.Pixel(x, y));
  EXPECT_LT(total / ((277 / 3 + 1) * (670 / 3 + 1)), 30);
  long bandRed = 0, bandBlue = 0;
  for (int x = 0; x < 100; ++x) {
    bandRed += Channel(bitmap.Pixel(x, 8), 16);
    bandBlue += Channel(bitmap.Pixel(x, 8), 0);
  }
  EXPECT_LT(bandRed, bandBlue);

  PixelBuffer buffer(670, 277);
  Canvas canvas(buffer);
  quantised->Draw(canvas, TRect{0, 0, 670, 277});
  EXPECT_EQ(buffer.At(100, 100), bitmap.Pixel(100, 100));
}

}  // namespace
}  // namespace tk
