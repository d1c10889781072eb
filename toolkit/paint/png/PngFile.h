#pragma once
// PNG files of pixel buffers (screenshots and reference pictures).

#include <string>

#include "toolkit/paint/PixelBuffer.h"

namespace tk {

// Writes the buffer as an 8-bit RGB PNG file; false when it cannot.
bool WritePng(const PixelBuffer& buffer, const std::string& path);
// Reads an 8-bit RGB or RGBA PNG file into buffer; false when it cannot.
bool ReadPng(const std::string& path, PixelBuffer& buffer);

}  // namespace tk
