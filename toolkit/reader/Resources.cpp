#include "toolkit/reader/Resources.h"

#include <map>

namespace tk {

namespace {
std::map<std::string, std::optional<std::string>, std::less<>>& Overrides() {
  static std::map<std::string, std::optional<std::string>, std::less<>> overrides;
  return overrides;
}
}  // namespace

std::optional<std::string_view> FindResource(std::string_view name) {
  auto it = Overrides().find(name);
  if (it != Overrides().end()) {
    if (!it->second) return std::nullopt;
    return std::string_view(*it->second);
  }
  for (const EmbeddedResource* r = kEmbeddedResources; r->name != nullptr; ++r) {
    if (name == r->name) return std::string_view(reinterpret_cast<const char*>(r->data), r->size);
  }
  return std::nullopt;
}

void OverrideResource(const std::string& name, std::optional<std::string> data) {
  Overrides()[name] = std::move(data);
}

void ClearResourceOverrides() {
  Overrides().clear();
}

}  // namespace tk
