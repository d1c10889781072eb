#pragma once
// The open class registry: the classes a description may name, each
// registered by its own source file when the program starts.

#include <string_view>

#include "toolkit/components/Component.h"

namespace tk {

using ComponentFactory = TComponent* (*)(TComponent* owner);

// Registers (or replaces) the factory of a class name.
void RegisterClass(std::string_view className, ComponentFactory factory);
// The factory registered under the exact class name, or null.
ComponentFactory FindClass(std::string_view className);

// A static object of this type registers T under its class name. Place it in
// the source file that defines T's constructor, so that every program using
// T links it.
template <class T>
struct ClassRegistration {
  explicit ClassRegistration(std::string_view className) {
    RegisterClass(className, [](TComponent* owner) -> TComponent* { return new T(owner); });
  }
};

}  // namespace tk
