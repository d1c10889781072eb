#pragma once
// The root of the object model: components with a name and an owner that
// frees them, and the typed property values that a dialog description holds.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/text/Ansi.h"

namespace tk {

class TCustomForm;

// One stored property value of a description.
struct PropValue {
  enum class Kind : uint8_t { Integer, Ident, String, Boolean, Set, List, Binary };
  Kind kind = Kind::Integer;
  int64_t integer = 0;
  bool boolean = false;
  AnsiString text;                // identifier, string or binary bytes
  std::vector<AnsiString> items;  // set members or list entries
};

const char* KindName(PropValue::Kind kind);

// Where a component reads its properties: the dialog that binds handlers.
struct ReadContext {
  TCustomForm* form = nullptr;
};

// Event handler signatures: a notification and a key press that may change
// or swallow the key (by setting it to 0).
using TNotifyEvent = std::function<void(class TObject* sender)>;
using TKeyPressEvent = std::function<void(class TObject* sender, char& key)>;

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

  // Applies one stored property ("Left", "Font.Height", "OnClick", ...);
  // throws EReadError with the plain reason when it cannot.
  virtual void ReadProperty(const std::string& name, const PropValue& value, ReadContext& ctx);
  // Runs once after the whole description was read.
  virtual void Loaded() {}

 protected:
  void InsertComponent(TComponent* child) { components_.push_back(child); }

 private:
  AnsiString name_;
  TComponent* owner_;
  std::vector<TComponent*> components_;  // owned
};

// Helpers that check a value's kind and throw "Invalid property value".
int32_t IntegerValue(const PropValue& v);
// A position or size in pixels: an integer within +-kMaxCoordinate, so that
// sums of edges and sizes, even rescaled, never leave the int range.
inline constexpr int32_t kMaxCoordinate = 32767;
int32_t CoordinateValue(const PropValue& v);
bool BooleanValue(const PropValue& v);
const AnsiString& IdentValue(const PropValue& v);
const AnsiString& StringValue(const PropValue& v);

}  // namespace tk
