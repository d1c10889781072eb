#pragma once
// The program's dialog descriptions, built into it: one per dialog class,
// under the class name in capitals ("TFORM1" ...), in Windows-1251.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace mirvolant {

struct EmbeddedResource {
  const char* name;
  const unsigned char* data;
  size_t size;
};

// The table the build generates; the last entry has a null name.
extern const EmbeddedResource kEmbeddedResources[];

// A picture left out of a description, read from a file beside the program
// when it is first needed (the page fetches the clue picture after its first
// frame): the description's name, the component and the JPEG file.
struct PictureFile {
  const char* description;
  const char* component;
  const char* file;
};

// The pictures the build left out; the last entry has a null description.
// Empty where every picture is in its description.
extern const PictureFile kPicturesBeside[];

// The picture blob of a JPEG file's bytes, as a description holds it.
std::string JpegPictureBlob(std::string_view jpeg);

// The description stored under name (exact bytes), or nothing.
std::optional<std::string_view> EmbeddedDescription(std::string_view name);

}  // namespace mirvolant
