// libFuzzer target for reading picture blobs and decoding JPEG data.
//
// An input that starts like a JPEG file (FF D8) is wrapped into a TJPEGImage
// blob, so JPEG files serve as seeds; anything else is read as a picture blob
// as the description reader hands it over. Whatever the blob yields is
// decoded and drawn. The only acceptable failures are the toolkit's own
// exceptions.

#include <cstddef>
#include <cstdint>
#include <string>

#include "toolkit/base/Exceptions.h"
#include "toolkit/graphics/Graphics.h"
#include "toolkit/graphics/Jpeg.h"
#include "toolkit/paint/Canvas.h"
#include "toolkit/paint/PixelBuffer.h"

namespace {

// Pictures larger than this are read but not decoded: their bitmaps would
// only measure the machine's memory.
constexpr int64_t kMaxDecodedPixels = 4'000'000;

std::string WrapJpeg(const uint8_t* data, size_t size) {
  std::string blob("\x0ATJPEGImage", 11);
  uint32_t n = static_cast<uint32_t>(size);
  for (int i = 0; i < 4; ++i) blob.push_back(static_cast<char>((n >> (8 * i)) & 0xFF));
  blob.append(reinterpret_cast<const char*>(data), size);
  return blob;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  [[maybe_unused]] static const bool started = [] {
    tk::StartJpegSupport(32);
    return true;
  }();

  std::string bytes = size >= 2 && data[0] == 0xFF && data[1] == 0xD8
                          ? WrapJpeg(data, size)
                          : std::string(reinterpret_cast<const char*>(data), size);
  tk::TMemoryStream stream(bytes);
  tk::TPicture picture;
  try {
    picture.LoadPictureBlob(stream);
  } catch (const tk::Exception&) {
    return 0;
  }
  tk::TGraphic* graphic = picture.Graphic();
  if (graphic == nullptr) return 0;
  if (static_cast<int64_t>(graphic->Width()) * graphic->Height() > kMaxDecodedPixels) return 0;
  if (auto* jpeg = dynamic_cast<tk::TJPEGImage*>(graphic)) {
    // Both output paths: the size's parity picks the 8-bit one.
    jpeg->Settings().PixelFormat8 = (size & 1) != 0;
  }
  tk::PixelBuffer buffer(64, 48);
  tk::Canvas canvas(buffer);
  for (int pass = 0; pass < 2; ++pass) {
    try {
      picture.Draw(canvas, tk::TRect{-3, -2, graphic->Width() - 3, graphic->Height() - 2});
    } catch (const tk::Exception&) {
    }
  }
  return 0;
}
