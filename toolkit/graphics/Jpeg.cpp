#include "toolkit/graphics/Jpeg.h"

// libjpeg's headers need size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "toolkit/base/Exceptions.h"

namespace tk {

namespace {

// ---------------------------------------------------------------- errors

// libjpeg's fatal errors must not return into the library. The error manager
// jumps back to the setjmp of the function that called into libjpeg; that
// function holds no objects with destructors, and its caller turns the
// recorded message into an EJPEG exception. No C++ exception ever passes
// through the C library.
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[32];
};

}  // namespace

// Formats the library's message code and leaves the library for good.
[[noreturn]] void RaiseJpegError(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  std::snprintf(err->message, sizeof err->message, "JPEG error #%d", err->pub.msg_code);
  std::longjmp(err->jump, 1);
}

namespace {

void IgnoreMessage(j_common_ptr, int) {}
void IgnoreOutput(j_common_ptr) {}
void NoFormat(j_common_ptr, char* buffer) {
  buffer[0] = '\0';
}
void ResetErrorManager(j_common_ptr cinfo) {
  cinfo->err->num_warnings = 0;
  cinfo->err->msg_code = 0;
}

// Every decoder's error manager is a copy of this: all fields zero (so no
// trace output and no message table) except the hooks. Warnings are dropped.
const jpeg_error_mgr& ErrorTemplate() {
  static const jpeg_error_mgr tmpl = [] {
    jpeg_error_mgr e;
    std::memset(&e, 0, sizeof e);
    e.error_exit = RaiseJpegError;
    e.emit_message = IgnoreMessage;
    e.output_message = IgnoreOutput;
    e.format_message = NoFormat;
    e.reset_error_mgr = ResetErrorManager;
    return e;
  }();
  return tmpl;
}

// ---------------------------------------------------------------- source

constexpr size_t kChunkSize = 4096;

// Feeds the decoder from a memory stream in chunks of 4096 bytes. A stream
// that ends early gets an end-of-image marker (with a dropped warning), so
// whatever arrived is decoded; a stream with no bytes at all is a fatal
// error.
struct StreamSource {
  jpeg_source_mgr pub;
  TMemoryStream* stream;
  bool startOfFile;
  JOCTET buffer[kChunkSize];
};

void InitSource(j_decompress_ptr cinfo) {
  reinterpret_cast<StreamSource*>(cinfo->src)->startOfFile = true;
}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
  auto* src = reinterpret_cast<StreamSource*>(cinfo->src);
  size_t n = src->stream->Read(src->buffer, kChunkSize);
  if (n == 0) {
    if (src->startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    WARNMS(cinfo, JWRN_JPEG_EOF);
    src->buffer[0] = 0xFF;
    src->buffer[1] = JPEG_EOI;
    n = 2;
  }
  src->pub.next_input_byte = src->buffer;
  src->pub.bytes_in_buffer = n;
  src->startOfFile = false;
  return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
  auto* src = reinterpret_cast<StreamSource*>(cinfo->src);
  if (count <= 0) return;
  while (count > static_cast<long>(src->pub.bytes_in_buffer)) {
    count -= static_cast<long>(src->pub.bytes_in_buffer);
    FillInputBuffer(cinfo);
  }
  src->pub.next_input_byte += count;
  src->pub.bytes_in_buffer -= static_cast<size_t>(count);
}

void TermSource(j_decompress_ptr) {}

// One decoder object with its error manager and source. The destructor
// destroys the decoder on every way out; destroying one that was never
// created does nothing.
struct Decoder {
  explicit Decoder(TMemoryStream& stream) {
    std::memset(&cinfo, 0, sizeof cinfo);
    err.pub = ErrorTemplate();
    err.message[0] = '\0';
    cinfo.err = &err.pub;
    std::memset(&src.pub, 0, sizeof src.pub);
    src.stream = &stream;
    src.startOfFile = true;
    src.pub.init_source = InitSource;
    src.pub.fill_input_buffer = FillInputBuffer;
    src.pub.skip_input_data = SkipInputData;
    src.pub.resync_to_restart = jpeg_resync_to_restart;
    src.pub.term_source = TermSource;
  }
  ~Decoder() { jpeg_destroy_decompress(&cinfo); }
  Decoder(const Decoder&) = delete;
  Decoder& operator=(const Decoder&) = delete;

  // Creates the library's object and attaches the stream, from its start.
  void Create() {
    jpeg_create_decompress(&cinfo);
    src.stream->SetPosition(0);
    cinfo.src = &src.pub;
  }

  jpeg_decompress_struct cinfo;
  ErrorManager err;
  StreamSource src;
};

// The functions below run libjpeg under setjmp. They hold no objects with
// destructors, so the jump back from RaiseJpegError skips nothing that needs
// cleaning up. They return false after a fatal error.

bool ReadHeader(Decoder* d, TJPEGData* data) {
  if (setjmp(d->err.jump)) return false;
  d->Create();
  jpeg_read_header(&d->cinfo, TRUE);
  data->Width = static_cast<int>(d->cinfo.image_width);
  data->Height = static_cast<int>(d->cinfo.image_height);
  data->Grayscale = d->cinfo.jpeg_color_space == JCS_GRAYSCALE;
  data->MultipleScans = jpeg_has_multiple_scans(&d->cinfo);
  return true;
}

void ApplySettings(j_decompress_ptr cinfo, const TJPEGSettings& s) {
  // The library's defaults that the bitmap relies on: the floating-point
  // transform, smooth chroma upsampling and rows in blue-green-red order.
  cinfo->dct_method = JDCT_FLOAT;
  cinfo->do_fancy_upsampling = TRUE;
  if (cinfo->out_color_space != JCS_GRAYSCALE) cinfo->out_color_space = JCS_EXT_BGR;

  cinfo->scale_num = 1;
  cinfo->scale_denom = 1u << static_cast<unsigned>(s.Scale);
  cinfo->do_block_smoothing = s.Smoothing ? TRUE : FALSE;
  if (s.Grayscale) cinfo->out_color_space = JCS_GRAYSCALE;
  if (s.PixelFormat8 || cinfo->out_color_space == JCS_GRAYSCALE) {
    cinfo->quantize_colors = TRUE;
    cinfo->desired_number_of_colors = 236;
  }
  if (s.Performance) {
    cinfo->dct_method = JDCT_IFAST;
    cinfo->two_pass_quantize = FALSE;
    cinfo->dither_mode = JDITHER_ORDERED;
  }
}

constexpr int kMaxRowsPerRead = 16;

bool DecodeInto(Decoder* d, TBitmap* bitmap, const TJPEGSettings* settings) {
  if (setjmp(d->err.jump)) return false;
  j_decompress_ptr cinfo = &d->cinfo;
  d->Create();
  jpeg_read_header(cinfo, TRUE);
  ApplySettings(cinfo, *settings);
  bitmap->SetBitsPerPixel(cinfo->quantize_colors ? 8 : 24);

  // A progressive file gathers all its scans here, before the first row.
  jpeg_start_decompress(cinfo);
  // Rows are written straight into the bitmap, so their width must match.
  if (cinfo->output_components != (cinfo->quantize_colors ? 1 : 3)) {
    ERREXIT(cinfo, JERR_CONVERSION_NOTIMPL);
  }
  bitmap->SetSize(static_cast<int>(cinfo->output_width), static_cast<int>(cinfo->output_height));

  int rowsPerRead = 1;
  if (bitmap->Stride() > 0 && bitmap->Stride() % 4 == 0) {
    rowsPerRead =
        cinfo->rec_outbuf_height < kMaxRowsPerRead ? cinfo->rec_outbuf_height : kMaxRowsPerRead;
    if (rowsPerRead < 1) rowsPerRead = 1;
  }

  if (cinfo->quantize_colors) {
    // The library's colour map is in the output component order: blue,
    // green, red, or one grey component.
    std::vector<TColor>& palette = bitmap->Palette();
    palette.resize(static_cast<size_t>(cinfo->actual_number_of_colors));
    for (int i = 0; i < cinfo->actual_number_of_colors; ++i) {
      if (cinfo->out_color_components >= 3) {
        palette[i] = (TColor(cinfo->colormap[2][i]) << 16) | (TColor(cinfo->colormap[1][i]) << 8) |
                     cinfo->colormap[0][i];
      } else {
        TColor g = cinfo->colormap[0][i];
        palette[i] = (g << 16) | (g << 8) | g;
      }
    }
  }

  // Rows go straight into the bitmap, top row first.
  JSAMPROW rows[kMaxRowsPerRead];
  while (cinfo->output_scanline < cinfo->output_height) {
    int first = static_cast<int>(cinfo->output_scanline);
    int count = static_cast<int>(cinfo->output_height) - first;
    if (count > rowsPerRead) count = rowsPerRead;
    for (int i = 0; i < count; ++i) rows[i] = bitmap->ScanLine(first + i);
    jpeg_read_scanlines(cinfo, rows, static_cast<JDIMENSION>(count));
  }
  jpeg_finish_decompress(cinfo);
  return true;
}

}  // namespace

// ---------------------------------------------------------------- settings

TJPEGSettings& JPEGDefaults() {
  static TJPEGSettings defaults;
  return defaults;
}

// ---------------------------------------------------------------- image

TJPEGImage::TJPEGImage() : data_(std::make_shared<TJPEGData>()), settings_(JPEGDefaults()) {}

TJPEGImage::~TJPEGImage() = default;

const TGraphicClass& TJPEGImage::StaticClass() {
  static const TGraphicClass cls{
      "TJPEGImage", []() -> std::unique_ptr<TGraphic> { return std::make_unique<TJPEGImage>(); }};
  return cls;
}

int TJPEGImage::Width() const {
  return bitmap_ ? bitmap_->Width() : data_->Width;
}

int TJPEGImage::Height() const {
  return bitmap_ ? bitmap_->Height() : data_->Height;
}

void TJPEGImage::SetWidth(int) {
  throw EInvalidGraphicOperation("Cannot change the size of a JPEG image");
}

void TJPEGImage::SetHeight(int) {
  throw EInvalidGraphicOperation("Cannot change the size of a JPEG image");
}

void TJPEGImage::LoadJpegBlob(TMemoryStream& stream) {
  int32_t count = ReadBlobCount(stream);
  data_ = std::make_shared<TJPEGData>();
  bitmap_.reset();
  if (static_cast<size_t>(count) > stream.Remaining()) throw EReadError("Stream read error");
  data_->Data.Write(stream.Memory() + stream.Position(), static_cast<size_t>(count));
  data_->Data.SetPosition(0);
  stream.SetPosition(stream.Position() + static_cast<size_t>(count));
  if (count == 0) return;
  Decoder decoder(data_->Data);
  if (!ReadHeader(&decoder, data_.get())) throw EJPEG(decoder.err.message);
}

TBitmap& TJPEGImage::DecodedBitmap() {
  if (bitmap_) return *bitmap_;
  // Cached at once, so a failed decode is not tried again.
  bitmap_ = std::make_unique<TBitmap>();
  ++decodeCount_;
  Decoder decoder(data_->Data);
  bool ok;
  try {
    ok = DecodeInto(&decoder, bitmap_.get(), &settings_);
  } catch (const std::bad_alloc&) {
    throw EOutOfResources("Not enough memory to decode the JPEG image");
  }
  if (!ok) throw EJPEG(decoder.err.message);
  // The control that asked is drawing at this moment; it takes the change
  // without invalidating itself again.
  Changed();
  return *bitmap_;
}

void TJPEGImage::Draw(Canvas& canvas, const TRect& dest) {
  DecodedBitmap().Draw(canvas, dest);
}

// ---------------------------------------------------------------- registry

void StartJpegSupport(int displayBitsPerPixel) {
  JPEGDefaults().PixelFormat8 = displayBitsPerPixel <= 8;
  // Starting twice must not list the formats twice.
  UnregisterGraphicClass(TJPEGImage::StaticClass());
  RegisterGraphicFormat("jpeg", "JPEG Image File", TJPEGImage::StaticClass());
  RegisterGraphicFormat("jpg", "JPEG Image File", TJPEGImage::StaticClass());
}

void StopJpegSupport() {
  UnregisterGraphicClass(TJPEGImage::StaticClass());
}

}  // namespace tk
