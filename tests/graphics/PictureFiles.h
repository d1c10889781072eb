#pragma once
// Reading the committed clue picture and composing picture blobs for tests
// (and MessageOf for the errors that reading them raises).

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>

#include "MessageOf.h"

inline std::string ReadClueJpeg() {
  std::ifstream in(std::string(MV_SOURCE_DIR) + "/resources/clue-picture.jpg", std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// A blob: class-name length, class name, signed 32-bit little-endian count,
// and the bytes.
inline std::string MakeBlob(const std::string& className, const std::string& bytes,
                            int64_t count = -1) {
  std::string blob;
  blob.push_back(static_cast<char>(className.size()));
  blob += className;
  uint32_t n = static_cast<uint32_t>(count < 0 ? static_cast<int64_t>(bytes.size()) : count);
  for (int i = 0; i < 4; ++i) blob.push_back(static_cast<char>((n >> (8 * i)) & 0xFF));
  return blob + bytes;
}
