#pragma once
// The JPEG graphic. It keeps the compressed bytes and the size from the
// header; the pixels are decoded with libjpeg the first time they are needed
// and cached from then on, even when the decode fails.

#include <memory>

#include "toolkit/graphics/Graphics.h"

namespace tk {

enum class TJPEGScale { Full, Half, Quarter, Eighth };

// Decode settings. Every JPEG graphic copies the process-wide defaults when
// it is made.
struct TJPEGSettings {
  TJPEGScale Scale = TJPEGScale::Full;
  bool Smoothing = true;
  bool Grayscale = false;
  // 8 bits a pixel with a palette of at most 236 colours.
  bool PixelFormat8 = false;
  // Speed before quality: fast integer transform, one-pass ordered dithering.
  bool Performance = false;
  // Buffered-image display while scans arrive; never used here.
  bool ProgressiveDisplay = false;
};

// The defaults that new JPEG graphics copy.
TJPEGSettings& JPEGDefaults();

// The compressed data, shared between graphics that copy each other.
struct TJPEGData {
  TMemoryStream Data;
  int Width = 0;
  int Height = 0;
  bool Grayscale = false;
  bool MultipleScans = false;
};

class TJPEGImage : public TGraphic {
 public:
  TJPEGImage();
  ~TJPEGImage() override;

  static const TGraphicClass& StaticClass();
  const TGraphicClass& ClassType() const override { return StaticClass(); }

  // The cached bitmap's size if there is one, else the header's.
  int Width() const override;
  int Height() const override;
  // A JPEG image's size comes from its data: these fail with
  // EInvalidGraphicOperation.
  void SetWidth(int width) override;
  void SetHeight(int height) override;

  // Decodes if needed and copies the bitmap into dest.
  void Draw(Canvas& canvas, const TRect& dest) override;
  void ReadData(TMemoryStream& stream) override { LoadJpegBlob(stream); }

  // Reads the byte count and the JPEG bytes from the stream and parses the
  // header. The cached bitmap is discarded.
  void LoadJpegBlob(TMemoryStream& stream);
  // The cached bitmap, decoding first when there is none. A failed decode
  // leaves the (empty or partly filled) bitmap cached and throws EJPEG.
  TBitmap& DecodedBitmap();

  const TJPEGData& Data() const { return *data_; }
  TJPEGSettings& Settings() { return settings_; }
  bool HasBitmap() const { return bitmap_ != nullptr; }
  // How many decodes were started on this graphic.
  int DecodeCount() const { return decodeCount_; }

 private:
  std::shared_ptr<TJPEGData> data_;
  std::unique_ptr<TBitmap> bitmap_;
  TJPEGSettings settings_;
  int decodeCount_ = 0;
};

// Sets the 8-bit default from the display depth (bits per pixel times
// planes: 8-bit output at 8 or fewer) and registers the "jpeg" and "jpg"
// formats. Called once when the application starts.
void StartJpegSupport(int displayBitsPerPixel);
// Removes the JPEG formats from the registry.
void StopJpegSupport();

}  // namespace tk
