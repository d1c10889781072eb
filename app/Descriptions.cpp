#include "app/Descriptions.h"

namespace mirvolant {

std::optional<std::string_view> EmbeddedDescription(std::string_view name) {
  for (const EmbeddedResource* r = kEmbeddedResources; r->name != nullptr; ++r) {
    if (name == r->name) return std::string_view(reinterpret_cast<const char*>(r->data), r->size);
  }
  return std::nullopt;
}

}  // namespace mirvolant
