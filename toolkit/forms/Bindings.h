#pragma once
// A dialog class's bindings to its description: the handlers it publishes by
// name, and the control members filled in by name while the description is
// read.

#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "toolkit/components/Component.h"

namespace tk {

class DialogBindings : public HandlerLookup {
 public:
  const TNotifyEvent* FindNotifyHandler(std::string_view name) const override;
  const TKeyPressEvent* FindKeyPressHandler(std::string_view name) const override;
  // Fills in the member declared under the component's name, if any; fails
  // when the component is not of the member's class.
  void BindField(TComponent* component);
  // Fails when a declared control was missing from the description.
  void VerifyFields() const;

 protected:
  void Handler(const std::string& name, TNotifyEvent fn) { notify_[name] = std::move(fn); }
  void KeyHandler(const std::string& name, TKeyPressEvent fn) { keyPress_[name] = std::move(fn); }
  // Declares a control member filled in by name while the description is read.
  template <class T>
  void Field(const std::string& name, T*& member) {
    fields_[name] = Binder{[&member](TComponent* c) {
                             member = dynamic_cast<T*>(c);
                             return member != nullptr;
                           },
                           false};
  }

 private:
  struct Binder {
    std::function<bool(TComponent*)> bind;
    bool bound;
  };
  std::map<std::string, TNotifyEvent, std::less<>> notify_;
  std::map<std::string, TKeyPressEvent, std::less<>> keyPress_;
  std::map<std::string, Binder> fields_;
};

}  // namespace tk
