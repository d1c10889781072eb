#include "app/Descriptions.h"

#include <cstdint>

namespace mirvolant {

std::optional<std::string_view> EmbeddedDescription(std::string_view name) {
  for (const EmbeddedResource* r = kEmbeddedResources; r->name != nullptr; ++r) {
    if (name == r->name) return std::string_view(reinterpret_cast<const char*>(r->data), r->size);
  }
  return std::nullopt;
}

std::string JpegPictureBlob(std::string_view jpeg) {
  constexpr std::string_view kClass = "TJPEGImage";
  std::string blob(1, static_cast<char>(kClass.size()));
  blob += kClass;
  auto count = static_cast<uint32_t>(jpeg.size());
  for (int i = 0; i < 4; ++i) blob.push_back(static_cast<char>((count >> (8 * i)) & 0xFF));
  blob += jpeg;
  return blob;
}

}  // namespace mirvolant
