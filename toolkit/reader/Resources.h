#pragma once
// Data built into the program: the dialog descriptions, found by name.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tk {

struct EmbeddedResource {
  const char* name;
  const unsigned char* data;
  size_t size;
};

// The table the build generates; the last entry has a null name.
extern const EmbeddedResource kEmbeddedResources[];

// The resource stored under name (exact bytes), or nothing.
std::optional<std::string_view> FindResource(std::string_view name);

// Replaces or removes a resource for the rest of the process, so that tests
// can build dialogs from other descriptions.
void OverrideResource(const std::string& name, std::optional<std::string> data);
void ClearResourceOverrides();

}  // namespace tk
