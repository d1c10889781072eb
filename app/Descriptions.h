#pragma once
// The program's dialog descriptions, built into it: one per dialog class,
// under the class name in capitals ("TFORM1" ...), in Windows-1251.

#include <cstddef>
#include <optional>
#include <string_view>

namespace mirvolant {

struct EmbeddedResource {
  const char* name;
  const unsigned char* data;
  size_t size;
};

// The table the build generates; the last entry has a null name.
extern const EmbeddedResource kEmbeddedResources[];

// The description stored under name (exact bytes), or nothing.
std::optional<std::string_view> EmbeddedDescription(std::string_view name);

}  // namespace mirvolant
