#include "toolkit/components/Properties.h"

#include <algorithm>

#include "toolkit/base/Exceptions.h"

namespace tk {

namespace {
bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
           return lower(x) == lower(y);
         });
}
}  // namespace

const Property* PropertyTable::Find(std::string_view name) const {
  // Descriptions spell the names as published: an exact match is looked for
  // first, as it is cheap; the slower comparison ignoring case comes after.
  for (const PropertyTable* table = this; table != nullptr; table = table->base_) {
    for (const Property& p : table->properties_) {
      if (p.name == name) return &p;
    }
  }
  for (const PropertyTable* table = this; table != nullptr; table = table->base_) {
    for (const Property& p : table->properties_) {
      if (SameNameIgnoringCase(p.name, name)) return &p;
    }
  }
  return nullptr;
}

void ApplyProperty(TComponent& component, const std::string& name, const PropValue& value,
                   const ReadContext& ctx) {
  const Property* property = component.Properties().Find(name);
  if (property == nullptr) throw EReadError("Property " + name + " does not exist");
  if (!property->apply(component, value, ctx)) throw EReadError("Invalid property value");
}

Property OnlyBoolean(const char* name, bool accepted) {
  return {name, [accepted](TComponent&, const PropValue& v, const ReadContext&) {
            return v.kind == PropValue::Kind::Boolean && v.boolean == accepted;
          }};
}

Property OnlyIdent(const char* name, std::initializer_list<const char*> accepted) {
  std::vector<std::string> allowed(accepted.begin(), accepted.end());
  return {name, [allowed](TComponent&, const PropValue& v, const ReadContext&) {
            return v.kind == PropValue::Kind::Ident &&
                   std::find(allowed.begin(), allowed.end(), v.text) != allowed.end();
          }};
}

Property Ignored(const char* name, PropValue::Kind kind) {
  return {name,
          [kind](TComponent&, const PropValue& v, const ReadContext&) { return v.kind == kind; }};
}

}  // namespace tk
