#include "toolkit/graphics/Graphics.h"

#include <algorithm>
#include <cstring>

#include "toolkit/base/Exceptions.h"
#include "toolkit/paint/Canvas.h"

namespace tk {

// ---------------------------------------------------------------- stream

TMemoryStream::TMemoryStream(const void* data, size_t size)
    : bytes_(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size) {}

void TMemoryStream::SetPosition(size_t position) {
  position_ = std::min(position, bytes_.size());
}

size_t TMemoryStream::Read(void* buffer, size_t count) {
  size_t n = std::min(count, Remaining());
  if (n > 0) std::memcpy(buffer, bytes_.data() + position_, n);
  position_ += n;
  return n;
}

void TMemoryStream::ReadBuffer(void* buffer, size_t count) {
  if (count > Remaining()) throw EReadError("Stream read error");
  Read(buffer, count);
}

void TMemoryStream::Write(const void* buffer, size_t count) {
  if (count == 0) return;
  const auto* p = static_cast<const uint8_t*>(buffer);
  size_t overlap = std::min(count, bytes_.size() - position_);
  // An empty stream has no storage yet: memcpy must not see its null data.
  if (overlap > 0) std::memcpy(bytes_.data() + position_, p, overlap);
  // Appending copies once instead of zero-filling first.
  bytes_.insert(bytes_.end(), p + overlap, p + count);
  position_ += count;
}

void TMemoryStream::Clear() {
  bytes_.clear();
  position_ = 0;
}

// ---------------------------------------------------------------- graphic

TGraphic::~TGraphic() = default;

void TGraphic::Changed() {
  if (OnChange) OnChange();
}

// ---------------------------------------------------------------- bitmap

const TGraphicClass& TBitmap::StaticClass() {
  static const TGraphicClass cls{
      "TBitmap", []() -> std::unique_ptr<TGraphic> { return std::make_unique<TBitmap>(); }};
  return cls;
}

void TBitmap::Allocate() {
  if (width_ <= 0 || height_ <= 0) {
    width_ = std::max(width_, 0);
    height_ = std::max(height_, 0);
    stride_ = width_ > 0 ? ((width_ * bitsPerPixel_ / 8 + 3) & ~3) : 0;
    pixels_.clear();
    return;
  }
  stride_ = (width_ * (bitsPerPixel_ / 8) + 3) & ~3;
  pixels_.assign(static_cast<size_t>(stride_) * height_, 0);
}

void TBitmap::SetSize(int width, int height) {
  if (width == width_ && height == height_) return;
  width_ = width;
  height_ = height;
  Allocate();
  Changed();
}

void TBitmap::SetBitsPerPixel(int bits) {
  if (bits != 8 && bits != 24) throw EInvalidGraphicOperation("Invalid pixel format");
  if (bits == bitsPerPixel_) return;
  bitsPerPixel_ = bits;
  Allocate();
  Changed();
}

TColor TBitmap::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  const uint8_t* row = ScanLine(y);
  if (bitsPerPixel_ == 8) {
    uint8_t index = row[x];
    return index < palette_.size() ? palette_[index] & 0xFFFFFF : 0;
  }
  const uint8_t* p = row + static_cast<size_t>(x) * 3;
  return (TColor(p[2]) << 16) | (TColor(p[1]) << 8) | p[0];
}

void TBitmap::Draw(Canvas& canvas, const TRect& dest) {
  if (Empty() || dest.IsEmpty()) return;
  if (dest.Width() == width_ && dest.Height() == height_) {
    if (bitsPerPixel_ == 8) {
      canvas.DrawIndexed8(dest.Left, dest.Top, width_, height_, pixels_.data(), stride_,
                          palette_.data(), static_cast<int>(palette_.size()));
    } else {
      canvas.DrawBgr24(dest.Left, dest.Top, width_, height_, pixels_.data(), stride_);
    }
    return;
  }
  // A destination of another size is filled by nearest-neighbour sampling,
  // one row at a time so no second image is held.
  std::vector<uint8_t> row(static_cast<size_t>(dest.Width()) * 3);
  for (int y = 0; y < dest.Height(); ++y) {
    int sy = static_cast<int>(static_cast<int64_t>(y) * height_ / dest.Height());
    for (int x = 0; x < dest.Width(); ++x) {
      int sx = static_cast<int>(static_cast<int64_t>(x) * width_ / dest.Width());
      TColor c = Pixel(sx, sy);
      row[x * 3] = c & 0xFF;
      row[x * 3 + 1] = (c >> 8) & 0xFF;
      row[x * 3 + 2] = (c >> 16) & 0xFF;
    }
    canvas.DrawBgr24(dest.Left, dest.Top + y, dest.Width(), 1, row.data(),
                     static_cast<int>(row.size()));
  }
}

namespace {

uint32_t Le32(const uint8_t* p) {
  return p[0] | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
uint16_t Le16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

[[noreturn]] void InvalidBitmap() {
  throw EInvalidGraphic("Bitmap image is not valid");
}

}  // namespace

int32_t ReadBlobCount(TMemoryStream& stream) {
  uint8_t b[4];
  if (stream.Read(b, 4) != 4) throw EReadError("Picture data ends inside the byte count");
  int32_t count = static_cast<int32_t>(Le32(b));
  if (count < 0) throw EReadError("Picture data has a negative byte count");
  return count;
}

void TBitmap::ReadData(TMemoryStream& stream) {
  int32_t count = ReadBlobCount(stream);
  // Checked before allocating: the count comes from the data.
  if (static_cast<size_t>(count) > stream.Remaining()) throw EReadError("Stream read error");
  std::vector<uint8_t> file(static_cast<size_t>(count));
  stream.ReadBuffer(file.data(), file.size());
  // File header (14 bytes) and an information header of at least 40 bytes.
  if (file.size() < 54 || file[0] != 'B' || file[1] != 'M') InvalidBitmap();
  uint32_t offset = Le32(&file[10]);
  uint32_t infoSize = Le32(&file[14]);
  if (infoSize < 40 || infoSize > file.size() - 14) InvalidBitmap();
  int32_t width = static_cast<int32_t>(Le32(&file[18]));
  int32_t height = static_cast<int32_t>(Le32(&file[22]));
  uint16_t bits = Le16(&file[28]);
  uint32_t compression = Le32(&file[30]);
  uint32_t used = Le32(&file[46]);
  bool topDown = height < 0;
  if (topDown) height = height == INT32_MIN ? 0 : -height;
  if (width <= 0 || height <= 0 || width > 65535 || height > 65535) InvalidBitmap();
  if ((bits != 8 && bits != 24) || compression != 0) InvalidBitmap();
  size_t srcStride = (static_cast<size_t>(width) * (bits / 8) + 3) & ~size_t{3};
  if (offset > file.size() || srcStride * height > file.size() - offset) InvalidBitmap();
  std::vector<TColor> palette;
  if (bits == 8) {
    size_t entries = used == 0 ? 256 : std::min<uint32_t>(used, 256);
    size_t at = 14 + infoSize;
    if (at + entries * 4 > offset) InvalidBitmap();
    for (size_t i = 0; i < entries; ++i) {
      const uint8_t* q = &file[at + i * 4];
      palette.push_back((TColor(q[2]) << 16) | (TColor(q[1]) << 8) | q[0]);
    }
  }
  bitsPerPixel_ = bits;
  width_ = width;
  height_ = height;
  Allocate();
  palette_ = std::move(palette);
  for (int y = 0; y < height_; ++y) {
    int srcRow = topDown ? y : height_ - 1 - y;
    std::memcpy(ScanLine(y), &file[offset + srcStride * srcRow], srcStride);
  }
  Changed();
}

// ---------------------------------------------------------------- metafile, icon

const TGraphicClass& TMetafile::StaticClass() {
  static const TGraphicClass cls{
      "TMetafile", []() -> std::unique_ptr<TGraphic> { return std::make_unique<TMetafile>(); }};
  return cls;
}

const TGraphicClass& TIcon::StaticClass() {
  static const TGraphicClass cls{
      "TIcon", []() -> std::unique_ptr<TGraphic> { return std::make_unique<TIcon>(); }};
  return cls;
}

void TUnsupportedGraphic::ReadData(TMemoryStream&) {
  throw EInvalidGraphic(std::string(kindName_) + " are not supported");
}

// ---------------------------------------------------------------- picture

TPicture::~TPicture() {
  if (graphic_) graphic_->OnChange = nullptr;
}

void TPicture::Changed() {
  if (OnChange) OnChange();
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic) {
  later_ = nullptr;
  graphic_ = std::move(graphic);
  if (graphic_) graphic_->OnChange = [this] { Changed(); };
  Changed();
}

void TPicture::Draw(Canvas& canvas, const TRect& dest) {
  if (Graphic()) graphic_->Draw(canvas, dest);
}

void TPicture::LoadPictureBlobLater(BlobSource source) {
  SetGraphic(nullptr);
  later_ = std::move(source);
}

void TPicture::Arrive() const {
  if (!later_) return;
  std::optional<std::string> blob = later_();
  if (!blob) return;
  later_ = nullptr;
  TMemoryStream stream(blob->data(), blob->size());
  const_cast<TPicture*>(this)->LoadPictureBlob(stream);
}

void TPicture::LoadPictureBlob(TMemoryStream& stream) {
  uint8_t length = 0;
  if (stream.Read(&length, 1) != 1) throw EReadError("Picture data ends inside the class name");
  if (length > 63) throw EReadError("Picture data has a class name longer than 63 characters");
  char name[63];
  if (stream.Read(name, length) != length) {
    throw EReadError("Picture data ends inside the class name");
  }
  std::unique_ptr<TGraphic> graphic;
  if (const TGraphicClass* cls = FindGraphicClass(std::string_view(name, length))) {
    graphic = cls->Create();
    // An exception here frees the new graphic; the old one stays.
    graphic->ReadData(stream);
  }
  SetGraphic(std::move(graphic));
}

// ---------------------------------------------------------------- registry

namespace {

std::vector<TGraphicFormat>& Registry() {
  static std::vector<TGraphicFormat> formats = {
      {"wmf", "Metafiles", &TMetafile::StaticClass()},
      {"emf", "Enhanced Metafiles", &TMetafile::StaticClass()},
      {"ico", "Icons", &TIcon::StaticClass()},
      {"bmp", "Bitmaps", &TBitmap::StaticClass()},
  };
  return formats;
}

}  // namespace

const std::vector<TGraphicFormat>& GraphicFormats() {
  return Registry();
}

void RegisterGraphicFormat(const AnsiString& extension, const AnsiString& description,
                           const TGraphicClass& graphicClass) {
  Registry().push_back({extension, description, &graphicClass});
}

void UnregisterGraphicClass(const TGraphicClass& graphicClass) {
  auto& formats = Registry();
  std::erase_if(formats, [&](const TGraphicFormat& f) { return f.Class == &graphicClass; });
}

const TGraphicClass* FindGraphicClass(std::string_view name) {
  const auto& formats = Registry();
  for (auto it = formats.rbegin(); it != formats.rend(); ++it) {
    if (name == it->Class->Name) return it->Class;
  }
  return nullptr;
}

}  // namespace tk
