#pragma once
// Graphics that a picture holds: the abstract graphic, the bitmap, the
// picture with its change notification, the in-memory byte stream that
// picture blobs are read from, and the process-wide registry of graphic
// classes that a blob's class name is looked up in.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "toolkit/base/Geometry.h"
#include "toolkit/text/Ansi.h"

namespace tk {

class Canvas;

// A growable block of bytes with a read/write position.
class TMemoryStream {
 public:
  TMemoryStream() = default;
  TMemoryStream(const void* data, size_t size);
  explicit TMemoryStream(std::string_view bytes) : TMemoryStream(bytes.data(), bytes.size()) {}

  size_t Size() const { return bytes_.size(); }
  size_t Position() const { return position_; }
  // Positions past the end are clamped to the end.
  void SetPosition(size_t position);
  size_t Remaining() const { return bytes_.size() - position_; }
  const uint8_t* Memory() const { return bytes_.data(); }

  // Copies up to count bytes from the position on; returns how many it copied.
  size_t Read(void* buffer, size_t count);
  // Copies exactly count bytes or throws EReadError "Stream read error".
  void ReadBuffer(void* buffer, size_t count);
  // Writes at the position, growing the stream as needed.
  void Write(const void* buffer, size_t count);
  // Empties the stream.
  void Clear();

 private:
  std::vector<uint8_t> bytes_;
  size_t position_ = 0;
};

class TGraphic;

// What the registry knows about a graphic class: its name and how to make
// one with its defaults.
struct TGraphicClass {
  const char* Name;
  std::unique_ptr<TGraphic> (*Create)();
};

// The base of everything a picture can hold.
class TGraphic {
 public:
  TGraphic() = default;
  TGraphic(const TGraphic&) = delete;
  TGraphic& operator=(const TGraphic&) = delete;
  virtual ~TGraphic();

  virtual const TGraphicClass& ClassType() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetWidth(int width) = 0;
  virtual void SetHeight(int height) = 0;
  // Nothing to draw.
  virtual bool Empty() const { return Width() == 0 || Height() == 0; }
  // Draws the graphic into dest (canvas coordinates).
  virtual void Draw(Canvas& canvas, const TRect& dest) = 0;
  // Reads the class-specific rest of a picture blob.
  virtual void ReadData(TMemoryStream& stream) = 0;

  // Called whenever the graphic's content or size changes.
  std::function<void()> OnChange;

 protected:
  void Changed();
};

// A device-independent bitmap: rows top first, each padded to a multiple of
// four bytes. 24 bits a pixel store blue, green, red; 8 bits a pixel store
// palette indices.
class TBitmap : public TGraphic {
 public:
  static const TGraphicClass& StaticClass();
  const TGraphicClass& ClassType() const override { return StaticClass(); }

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void SetWidth(int width) override { SetSize(width, height_); }
  void SetHeight(int height) override { SetSize(width_, height); }
  // Resizes to width x height at the current pixel depth; the pixels read as 0.
  void SetSize(int width, int height);
  int BitsPerPixel() const { return bitsPerPixel_; }
  // 8 or 24; resizes the pixel memory.
  void SetBitsPerPixel(int bits);
  // The distance in bytes from one row to the next.
  int Stride() const { return stride_; }
  uint8_t* ScanLine(int row) { return pixels_.data() + static_cast<size_t>(row) * stride_; }
  const uint8_t* ScanLine(int row) const {
    return pixels_.data() + static_cast<size_t>(row) * stride_;
  }
  // Palette entries as 0x00RRGGBB (8-bit bitmaps).
  std::vector<TColor>& Palette() { return palette_; }
  const std::vector<TColor>& Palette() const { return palette_; }
  // The colour at (x, y) as 0x00RRGGBB.
  TColor Pixel(int x, int y) const;

  void Draw(Canvas& canvas, const TRect& dest) override;
  // Reads a byte count and a BMP file of that many bytes (uncompressed 8 or
  // 24 bits a pixel).
  void ReadData(TMemoryStream& stream) override;

 private:
  void Allocate();

  int width_ = 0;
  int height_ = 0;
  int bitsPerPixel_ = 24;
  int stride_ = 0;
  std::vector<uint8_t> pixels_;
  std::vector<TColor> palette_;
};

// Metafiles and icons are registered so that blobs naming them select their
// class, but this program draws neither: reading their data fails with
// EInvalidGraphic naming the kind.
class TUnsupportedGraphic : public TGraphic {
 public:
  const TGraphicClass& ClassType() const override { return class_; }
  int Width() const override { return 0; }
  int Height() const override { return 0; }
  void SetWidth(int) override {}
  void SetHeight(int) override {}
  void Draw(Canvas&, const TRect&) override {}
  void ReadData(TMemoryStream& stream) override;

 protected:
  // kindName, "Metafiles" or "Icons", is what the failure message names.
  TUnsupportedGraphic(const TGraphicClass& cls, const char* kindName)
      : class_(cls), kindName_(kindName) {}

 private:
  const TGraphicClass& class_;
  const char* kindName_;
};

class TMetafile : public TUnsupportedGraphic {
 public:
  TMetafile() : TUnsupportedGraphic(StaticClass(), "Metafiles") {}
  static const TGraphicClass& StaticClass();
};

class TIcon : public TUnsupportedGraphic {
 public:
  TIcon() : TUnsupportedGraphic(StaticClass(), "Icons") {}
  static const TGraphicClass& StaticClass();
};

// Holds at most one graphic and tells its owner when the graphic changes.
class TPicture {
 public:
  TPicture() = default;
  TPicture(const TPicture&) = delete;
  TPicture& operator=(const TPicture&) = delete;
  ~TPicture();

  TGraphic* Graphic() const {
    Arrive();
    return graphic_.get();
  }
  // Takes the graphic (or none) and announces the change; a blob still to
  // come is forgotten.
  void SetGraphic(std::unique_ptr<TGraphic> graphic);
  int Width() const { return Graphic() ? graphic_->Width() : 0; }
  int Height() const { return Graphic() ? graphic_->Height() : 0; }
  // Draws the graphic into dest; nothing without one.
  void Draw(Canvas& canvas, const TRect& dest);

  // Reads a picture blob from the stream's position: the class-name length,
  // the class name, and the data of that class. A name that no registered
  // class has leaves the picture empty. When the class fails to read its
  // data the exception passes on and the picture keeps its graphic.
  void LoadPictureBlob(TMemoryStream& stream);

  // The blob that source gives, read when the picture is first measured,
  // drawn or asked for its graphic rather than now: for data that arrives
  // after the dialog was made. Until source gives a blob the picture is
  // empty, and every such use asks it again; a blob that fails to read fails
  // that use, as LoadPictureBlob does, and is not asked for again.
  using BlobSource = std::function<std::optional<std::string>()>;
  void LoadPictureBlobLater(BlobSource source);
  bool BlobToCome() const { return static_cast<bool>(later_); }

  std::function<void()> OnChange;

 private:
  void Changed();
  // Reads the blob to come if its source has it. The picture's content is
  // the same before and after, only known later, hence const.
  void Arrive() const;

  std::unique_ptr<TGraphic> graphic_;
  mutable BlobSource later_;
};

// One entry of the graphic registry.
struct TGraphicFormat {
  AnsiString Extension;
  AnsiString Description;
  const TGraphicClass* Class;
};

// The process-wide registry, in registration order.
const std::vector<TGraphicFormat>& GraphicFormats();
void RegisterGraphicFormat(const AnsiString& extension, const AnsiString& description,
                           const TGraphicClass& graphicClass);
// Removes every entry of the class.
void UnregisterGraphicClass(const TGraphicClass& graphicClass);
// Walks the registry from the last entry to the first and returns the class of
// the first entry whose class name equals name byte for byte; nullptr when
// none does.
const TGraphicClass* FindGraphicClass(std::string_view name);

// Reads the signed 32-bit little-endian byte count that precedes a graphic's
// data in a blob; a stream that ends inside it or a negative count fails with
// EReadError.
int32_t ReadBlobCount(TMemoryStream& stream);

}  // namespace tk
