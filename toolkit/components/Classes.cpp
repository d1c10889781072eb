#include "toolkit/components/Classes.h"

#include <map>
#include <string>

namespace tk {

namespace {
// Built at its first use, so registrations from any file's static objects
// find it ready whatever the order of their initialisation.
std::map<std::string, ComponentFactory, std::less<>>& Registry() {
  static std::map<std::string, ComponentFactory, std::less<>> registry;
  return registry;
}
}  // namespace

void RegisterClass(std::string_view className, ComponentFactory factory) {
  Registry()[std::string(className)] = factory;
}

ComponentFactory FindClass(std::string_view className) {
  auto it = Registry().find(className);
  return it == Registry().end() ? nullptr : it->second;
}

}  // namespace tk
