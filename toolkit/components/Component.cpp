#include "toolkit/components/Component.h"

#include <limits>

#include "toolkit/base/Exceptions.h"

namespace tk {

namespace {
[[noreturn]] void InvalidValue() {
  throw EReadError("Invalid property value");
}
}  // namespace

const char* KindName(PropValue::Kind kind) {
  switch (kind) {
    case PropValue::Kind::Integer:
      return "integer";
    case PropValue::Kind::Ident:
      return "identifier";
    case PropValue::Kind::String:
      return "string";
    case PropValue::Kind::Boolean:
      return "boolean";
    case PropValue::Kind::Set:
      return "set";
    case PropValue::Kind::List:
      return "list";
    case PropValue::Kind::Binary:
      return "binary";
  }
  return "?";
}

TComponent::TComponent(TComponent* owner) : owner_(owner) {
  if (owner_ != nullptr) owner_->InsertComponent(this);
}

TComponent::~TComponent() {
  // Owned components go in reverse creation order.
  for (auto it = components_.rbegin(); it != components_.rend(); ++it) delete *it;
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  for (TComponent* c : components_) {
    if (c->Name() == name) return c;
  }
  return nullptr;
}

void TComponent::ReadProperty(const std::string& name, const PropValue&, ReadContext&) {
  throw EReadError("Property " + name + " does not exist");
}

int32_t IntegerValue(const PropValue& v) {
  if (v.kind != PropValue::Kind::Integer || v.integer < std::numeric_limits<int32_t>::min() ||
      v.integer > std::numeric_limits<int32_t>::max()) {
    InvalidValue();
  }
  return static_cast<int32_t>(v.integer);
}

int32_t CoordinateValue(const PropValue& v) {
  int32_t n = IntegerValue(v);
  if (n < -kMaxCoordinate || n > kMaxCoordinate) InvalidValue();
  return n;
}

bool BooleanValue(const PropValue& v) {
  if (v.kind != PropValue::Kind::Boolean) InvalidValue();
  return v.boolean;
}

const AnsiString& IdentValue(const PropValue& v) {
  if (v.kind != PropValue::Kind::Ident) InvalidValue();
  return v.text;
}

const AnsiString& StringValue(const PropValue& v) {
  if (v.kind != PropValue::Kind::String) InvalidValue();
  return v.text;
}

}  // namespace tk
