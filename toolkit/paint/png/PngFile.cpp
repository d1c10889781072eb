// PNG files of pixel buffers, with libpng: the screenshots and the tests'
// reference pictures. Kept apart from the pixel buffers so that the program
// itself does not load libpng. Errors inside libpng leave through its longjmp
// back into the small functions below, which hold no C++ objects with
// destructors across the jump.

#include "toolkit/paint/png/PngFile.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace tk {

namespace {

// Writes width x height RGB rows; returns false on any libpng error.
bool WriteRows(FILE* file, int width, int height, png_bytepp rows) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

struct ReadResult {
  png_uint_32 width = 0;
  png_uint_32 height = 0;
};

// Reads the header of an open PNG file and its rows as 8-bit RGBA into a
// buffer the caller frees with free(). Returns null on any libpng error.
unsigned char* ReadRows(FILE* file, ReadResult* result) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return nullptr;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return nullptr;
  }
  // Set before the jump target so that a failure frees it (volatile keeps
  // the value across longjmp).
  unsigned char* volatile pixels = nullptr;
  png_bytep* volatile rows = nullptr;
  if (setjmp(png_jmpbuf(png))) {
    free(rows);
    free(pixels);
    png_destroy_read_struct(&png, &info, nullptr);
    return nullptr;
  }
  png_init_io(png, file);
  png_read_info(png, info);
  png_uint_32 width = png_get_image_width(png, info);
  png_uint_32 height = png_get_image_height(png, info);
  int colorType = png_get_color_type(png, info);
  int bitDepth = png_get_bit_depth(png, info);
  // Normalise every kind of PNG to 8-bit RGBA.
  if (bitDepth == 16) png_set_strip_16(png);
  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
  if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
    png_set_gray_to_rgb(png);
  }
  png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_read_update_info(png, info);
  if (width == 0 || height == 0 || width > 32768 || height > 32768) {
    png_destroy_read_struct(&png, &info, nullptr);
    return nullptr;
  }
  pixels = static_cast<unsigned char*>(malloc(static_cast<size_t>(width) * height * 4));
  rows = static_cast<png_bytep*>(malloc(sizeof(png_bytep) * height));
  if (!pixels || !rows) {
    free(rows);
    free(pixels);
    png_destroy_read_struct(&png, &info, nullptr);
    return nullptr;
  }
  for (png_uint_32 y = 0; y < height; ++y) rows[y] = pixels + static_cast<size_t>(y) * width * 4;
  png_read_image(png, rows);
  png_read_end(png, nullptr);
  free(rows);
  png_destroy_read_struct(&png, &info, nullptr);
  result->width = width;
  result->height = height;
  return pixels;
}

}  // namespace

bool WritePng(const PixelBuffer& buffer, const std::string& path) {
  if (buffer.Width() <= 0 || buffer.Height() <= 0) return false;
  std::vector<png_byte> data(static_cast<size_t>(buffer.Width()) * buffer.Height() * 3);
  std::vector<png_bytep> rows(static_cast<size_t>(buffer.Height()));
  for (int y = 0; y < buffer.Height(); ++y) {
    png_bytep out = data.data() + static_cast<size_t>(y) * buffer.Width() * 3;
    rows[static_cast<size_t>(y)] = out;
    const uint32_t* in = buffer.Row(y);
    for (int x = 0; x < buffer.Width(); ++x) {
      *out++ = static_cast<png_byte>(in[x] >> 16);
      *out++ = static_cast<png_byte>(in[x] >> 8);
      *out++ = static_cast<png_byte>(in[x]);
    }
  }
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  bool ok = WriteRows(file, buffer.Width(), buffer.Height(), rows.data());
  ok = std::fclose(file) == 0 && ok;
  if (!ok) std::remove(path.c_str());
  return ok;
}

bool ReadPng(const std::string& path, PixelBuffer& buffer) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  ReadResult result;
  unsigned char* pixels = ReadRows(file, &result);
  std::fclose(file);
  if (!pixels) return false;
  int width = static_cast<int>(result.width);
  int height = static_cast<int>(result.height);
  buffer.Resize(width, height);
  for (int y = 0; y < height; ++y) {
    const unsigned char* in = pixels + static_cast<size_t>(y) * width * 4;
    uint32_t* out = buffer.Row(y);
    for (int x = 0; x < width; ++x, in += 4) {
      out[x] = (uint32_t(in[0]) << 16) | (uint32_t(in[1]) << 8) | in[2];
    }
  }
  free(pixels);
  return true;
}

}  // namespace tk
