#include "toolkit/forms/Bindings.h"

#include "toolkit/base/Exceptions.h"

namespace tk {

const TNotifyEvent* DialogBindings::FindNotifyHandler(std::string_view name) const {
  auto it = notify_.find(name);
  return it == notify_.end() ? nullptr : &it->second;
}

const TKeyPressEvent* DialogBindings::FindKeyPressHandler(std::string_view name) const {
  auto it = keyPress_.find(name);
  return it == keyPress_.end() ? nullptr : &it->second;
}

void DialogBindings::BindField(TComponent* component) {
  auto it = fields_.find(component->Name());
  if (it == fields_.end()) return;
  if (!it->second.bind(component)) {
    throw EReadError("Field " + component->Name() + " has the wrong class " +
                     component->ClassName());
  }
  it->second.bound = true;
}

void DialogBindings::VerifyFields() const {
  for (const auto& [name, binder] : fields_) {
    if (!binder.bound) throw EReadError("Control " + name + " is missing from the description");
  }
}

}  // namespace tk
