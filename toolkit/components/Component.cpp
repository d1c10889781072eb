#include "toolkit/components/Component.h"

#include "toolkit/components/Properties.h"

namespace tk {

TComponent::TComponent(TComponent* owner) : owner_(owner) {
  if (owner_ != nullptr) owner_->InsertComponent(this);
}

TComponent::~TComponent() {
  DestroyComponents();
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    TComponent* last = components_.back();
    components_.pop_back();
    delete last;
  }
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  for (TComponent* c : components_) {
    if (c->Name() == name) return c;
  }
  return nullptr;
}

ControlHost* TComponent::Host() const {
  return owner_ != nullptr ? owner_->Host() : nullptr;
}

const PropertyTable& TComponent::PublishedProperties() {
  static const PropertyTable table(nullptr, {});
  return table;
}

}  // namespace tk
