#pragma once
// Published properties as data. Each class keeps one table of the properties
// a description may store for it, chained to its base class's table; each
// entry is built by a typed helper below that checks the value's kind and
// range and hands a typed value to a setter. ApplyProperty is the one place
// that turns a refused value into "Invalid property value".
//
//   static const PropertyTable table(&TControl::PublishedProperties(),
//       {Boolean<TSpeedButton>("Flat", [](TSpeedButton& b, bool v) { b.flat_ = v; }),
//        Event<TSpeedButton>("OnClick", &TSpeedButton::OnClick)});
//
// A setter may return bool: false refuses the value.

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "toolkit/components/Component.h"

namespace tk {

// A position or size in pixels: an integer within +-kMaxCoordinate, so that
// sums of edges and sizes, even rescaled, never leave the int range.
inline constexpr int32_t kMaxCoordinate = 32767;

struct Property {
  std::string name;
  // Applies the value; false when the property does not accept it.
  std::function<bool(TComponent&, const PropValue&, const ReadContext&)> apply;
};

class PropertyTable {
 public:
  PropertyTable(const PropertyTable* base, std::initializer_list<Property> properties)
      : base_(base), properties_(properties) {}
  // The class's own entry first, then its bases'. Names compare without
  // regard to ASCII case, as the description format has it.
  const Property* Find(std::string_view name) const;

 private:
  const PropertyTable* base_;
  std::vector<Property> properties_;
};

// Applies one stored property; throws EReadError with the plain reason
// ("Property X does not exist", "Invalid property value").
void ApplyProperty(TComponent& component, const std::string& name, const PropValue& value,
                   const ReadContext& ctx);

namespace detail {
template <class C, class V, class F>
bool CallSetter(TComponent& c, V&& value, const F& set) {
  if constexpr (std::is_same_v<std::invoke_result_t<const F&, C&, V>, bool>) {
    return set(static_cast<C&>(c), std::forward<V>(value));
  } else {
    set(static_cast<C&>(c), std::forward<V>(value));
    return true;
  }
}
}  // namespace detail

// An integer within [lo, hi].
template <class C, class F>
Property Integer(const char* name, int32_t lo, int32_t hi, F set) {
  return {name, [lo, hi, set](TComponent& c, const PropValue& v, const ReadContext&) {
            if (v.kind != PropValue::Kind::Integer || v.integer < lo || v.integer > hi) {
              return false;
            }
            return detail::CallSetter<C>(c, static_cast<int32_t>(v.integer), set);
          }};
}

// A position or size within +-kMaxCoordinate.
template <class C, class F>
Property Coordinate(const char* name, F set) {
  return Integer<C>(name, -kMaxCoordinate, kMaxCoordinate, std::move(set));
}

template <class C, class F>
Property Boolean(const char* name, F set) {
  return {name, [set](TComponent& c, const PropValue& v, const ReadContext&) {
            return v.kind == PropValue::Kind::Boolean && detail::CallSetter<C>(c, v.boolean, set);
          }};
}

// A stored flag that only the given value may have (the look it stands for
// is the only one drawn).
Property OnlyBoolean(const char* name, bool accepted);

template <class C, class F>
Property String(const char* name, F set) {
  return {name, [set](TComponent& c, const PropValue& v, const ReadContext&) {
            return v.kind == PropValue::Kind::String &&
                   detail::CallSetter<C>(c, static_cast<const AnsiString&>(v.text), set);
          }};
}

// An identifier naming one of the given values.
template <class C, class E, class F>
Property Enum(const char* name, std::initializer_list<std::pair<const char*, E>> values, F set) {
  std::vector<std::pair<std::string, E>> table;
  for (const auto& [ident, value] : values) table.emplace_back(ident, value);
  return {name, [table, set](TComponent& c, const PropValue& v, const ReadContext&) {
            if (v.kind != PropValue::Kind::Ident) return false;
            for (const auto& [ident, value] : table) {
              if (v.text == ident) return detail::CallSetter<C>(c, value, set);
            }
            return false;
          }};
}

// An identifier that may only be one of the given ones and changes nothing
// (the classic look and font that every dialog has).
Property OnlyIdent(const char* name, std::initializer_list<const char*> accepted);

// A value of the given kind that is checked and otherwise has no effect.
Property Ignored(const char* name, PropValue::Kind kind);

template <class C, class F>
Property Strings(const char* name, F set) {
  return {name, [set](TComponent& c, const PropValue& v, const ReadContext&) {
            return v.kind == PropValue::Kind::List &&
                   detail::CallSetter<C>(c, static_cast<const std::vector<AnsiString>&>(v.items),
                                         set);
          }};
}

template <class C, class F>
Property Binary(const char* name, F set) {
  return {name, [set](TComponent& c, const PropValue& v, const ReadContext&) {
            return v.kind == PropValue::Kind::Binary &&
                   detail::CallSetter<C>(c, std::string_view(v.text), set);
          }};
}

namespace detail {
inline const TNotifyEvent* FindHandler(const HandlerLookup& lookup, std::string_view name,
                                       const TNotifyEvent*) {
  return lookup.FindNotifyHandler(name);
}
inline const TKeyPressEvent* FindHandler(const HandlerLookup& lookup, std::string_view name,
                                         const TKeyPressEvent*) {
  return lookup.FindKeyPressHandler(name);
}
}  // namespace detail

// An event (OnClick, OnKeyPress ...) bound to the dialog's handler of the
// stored name; a name the dialog lacks is refused.
template <class C, class E, class B>
Property Event(const char* name, E B::*event) {
  return {name, [event](TComponent& c, const PropValue& v, const ReadContext& ctx) {
            if (v.kind != PropValue::Kind::Ident || ctx.handlers == nullptr) return false;
            const E* handler =
                detail::FindHandler(*ctx.handlers, v.text, static_cast<const E*>(nullptr));
            if (handler == nullptr) return false;
            static_cast<C&>(c).*event = *handler;
            return true;
          }};
}

}  // namespace tk
