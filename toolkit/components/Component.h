#pragma once
// The root of the object model: components with a name and an owner that
// frees them, the typed property values that a dialog description holds, and
// the event handler signatures.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/text/Ansi.h"

namespace tk {

class ControlHost;
class PropertyTable;

// One stored property value of a description.
struct PropValue {
  enum class Kind : uint8_t { Integer, Ident, String, Boolean, Set, List, Binary };
  Kind kind = Kind::Integer;
  int64_t integer = 0;
  bool boolean = false;
  AnsiString text;                // identifier, string or binary bytes
  std::vector<AnsiString> items;  // set members or list entries
};

// Event handler signatures: a notification and a key press that may change
// or swallow the key (by setting it to 0).
using TNotifyEvent = std::function<void(class TObject* sender)>;
using TKeyPressEvent = std::function<void(class TObject* sender, char& key)>;

// Where the handler names of a description are looked up while it is read:
// the dialog being built implements it.
class HandlerLookup {
 public:
  virtual const TNotifyEvent* FindNotifyHandler(std::string_view name) const = 0;
  virtual const TKeyPressEvent* FindKeyPressHandler(std::string_view name) const = 0;

 protected:
  ~HandlerLookup() = default;
};

struct ReadContext {
  const HandlerLookup* handlers = nullptr;
};

class TObject {
 public:
  virtual ~TObject() = default;
  virtual const char* ClassName() const = 0;
};

class TComponent : public TObject {
 public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  const AnsiString& Name() const { return name_; }
  void SetName(const AnsiString& name) { name_ = name; }
  TComponent* Owner() const { return owner_; }
  // Owned components in creation order.
  const std::vector<TComponent*>& Components() const { return components_; }
  TComponent* FindComponent(std::string_view name) const;

  // The dialog this component belongs to, or null: found through the owner
  // (controls find it through their parents instead).
  virtual ControlHost* Host() const;

  // The properties a description may store for this class.
  static const PropertyTable& PublishedProperties();
  virtual const PropertyTable& Properties() const { return PublishedProperties(); }
  // Runs once after the whole description was read.
  virtual void Loaded() {}

 protected:
  void InsertComponent(TComponent* child) { components_.push_back(child); }
  // Frees the owned components, last created first.
  void DestroyComponents();

 private:
  AnsiString name_;
  TComponent* owner_;
  std::vector<TComponent*> components_;  // owned
};

}  // namespace tk
