#include "toolkit/components/Control.h"

#include <algorithm>
#include <cstdlib>

#include "toolkit/base/Exceptions.h"
#include "toolkit/forms/Form.h"
#include "toolkit/paint/Font.h"

namespace tk {

int MulDiv(int v, int m, int d) {
  if (d == 0) return -1;
  int64_t num = static_cast<int64_t>(v) * m;
  int64_t q = num / d;
  int64_t r = num % d;
  // Round the remainder: halves go away from zero.
  if (2 * std::llabs(r) >= std::llabs(static_cast<int64_t>(d))) {
    q += ((num < 0) != (d < 0)) ? -1 : 1;
  }
  return static_cast<int>(q);
}

TControl::TControl(TComponent* owner) : TComponent(owner) {}

TControl::~TControl() {
  if (parent_ != nullptr) parent_->RemoveChild(this);
}

void TControl::SetBounds(int left, int top, int width, int height) {
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  Invalidate();
  left_ = left;
  top_ = top;
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  Invalidate();
}

void TControl::SetVisible(bool visible) {
  if (visible == visible_) return;
  if (!visible) Invalidate();
  visible_ = visible;
  if (visible) Invalidate();
  TCustomForm* form = Form();
  if (!visible && form != nullptr && form != this) form->ControlLostShowing(this);
  VisibleChanged();
}

void TControl::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Invalidate();
  TCustomForm* form = Form();
  if (!enabled && form != nullptr && form != this) form->ControlLostShowing(this);
}

bool TControl::Showing() const {
  for (const TControl* c = this; c != nullptr && c != Form(); c = c->parent_) {
    if (!c->visible_) return false;
  }
  return true;
}

bool TControl::EnabledInTree() const {
  for (const TControl* c = this; c != nullptr; c = c->parent_) {
    if (!c->enabled_) return false;
  }
  return true;
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  Invalidate();
  if (parent_ != nullptr) parent_->RemoveChild(this);
  parent_ = parent;
  if (parent_ != nullptr) parent_->AddChild(this);
  Invalidate();
}

TCustomForm* TControl::Form() const {
  return parent_ != nullptr ? parent_->Form() : nullptr;
}

const Font& TControl::GetFont() const {
  TCustomForm* form = Form();
  return form != nullptr ? form->DialogFont() : Font::Get(-11);
}

TPoint TControl::OriginInForm() const {
  TPoint p;
  for (const TControl* c = this; c != nullptr && c->parent_ != nullptr; c = c->parent_) {
    p.X += c->left_;
    p.Y += c->top_;
  }
  return p;
}

void TControl::Invalidate() {
  InvalidateRect(TRect{0, 0, width_, height_});
}

void TControl::InvalidateRect(const TRect& local) {
  TCustomForm* form = Form();
  if (form == nullptr) return;
  if (form == this) {
    form->InvalidateClient(local);
    return;
  }
  if (!Showing()) return;
  TRect r = local.Intersect(TRect{0, 0, width_, height_});
  if (r.IsEmpty()) return;
  TPoint o = OriginInForm();
  form->InvalidateClient(r.Offset(o.X, o.Y));
}

void TControl::ScaleEdges(int m, int d) {
  int left = MulDiv(left_, m, d);
  int top = MulDiv(top_, m, d);
  int right = MulDiv(left_ + width_, m, d);
  int bottom = MulDiv(top_ + height_, m, d);
  left_ = left;
  top_ = top;
  width_ = right - left;
  height_ = bottom - top;
}

void TControl::SetCaptionText(const AnsiString& text) {
  if (text == caption_) return;
  caption_ = text;
  CaptionChanged();
}

void TControl::ReadProperty(const std::string& name, const PropValue& value, ReadContext& ctx) {
  if (name == "Left") {
    left_ = CoordinateValue(value);
  } else if (name == "Top") {
    top_ = CoordinateValue(value);
  } else if (name == "Width") {
    width_ = std::max(CoordinateValue(value), 0);
  } else if (name == "Height") {
    height_ = std::max(CoordinateValue(value), 0);
  } else if (name == "Visible") {
    visible_ = BooleanValue(value);
  } else if (name == "Enabled") {
    enabled_ = BooleanValue(value);
  } else if (name == "Caption") {
    caption_ = StringValue(value);
  } else if (name == "Align") {
    const AnsiString& a = IdentValue(value);
    static const std::pair<const char*, TAlign> kAligns[] = {
        {"alNone", TAlign::alNone}, {"alTop", TAlign::alTop},     {"alBottom", TAlign::alBottom},
        {"alLeft", TAlign::alLeft}, {"alRight", TAlign::alRight}, {"alClient", TAlign::alClient}};
    bool found = false;
    for (const auto& [n, v] : kAligns) {
      if (a == n) {
        align_ = v;
        found = true;
      }
    }
    if (!found) throw EReadError("Invalid property value");
  } else if (name == "ShowHint" || name == "ParentShowHint") {
    BooleanValue(value);  // hints are never shown; the value is only checked
  } else {
    TComponent::ReadProperty(name, value, ctx);
  }
}

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
  for (TControl* c : children_) c->DetachFromParent();
}

void TWinControl::AddChild(TControl* child) {
  children_.push_back(child);
  if (child->IsWindowed()) tabList_.push_back(static_cast<TWinControl*>(child));
}

void TWinControl::RemoveChild(TControl* child) {
  std::erase(children_, child);
  if (child->IsWindowed()) std::erase(tabList_, static_cast<TWinControl*>(child));
}

int TWinControl::TabOrder() const {
  if (Parent() == nullptr) return -1;
  const auto& list = Parent()->tabList_;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int order) {
  if (Parent() == nullptr) return;
  auto& list = Parent()->tabList_;
  std::erase(list, this);
  if (order < 0 || order > static_cast<int>(list.size())) order = static_cast<int>(list.size());
  list.insert(list.begin() + order, this);
}

bool TWinControl::CanFocus() const {
  return Showing() && EnabledInTree();
}

bool TWinControl::Focused() const {
  TCustomForm* form = Form();
  return form != nullptr && form->ActiveControl() == this;
}

void TWinControl::DeliverChar(char key) {
  if (OnKeyPress) OnKeyPress(this, key);
  if (key != 0) CharTyped(key);
}

void TWinControl::ScaleEdges(int m, int d) {
  TControl::ScaleEdges(m, d);
  for (TControl* c : children_) c->ScaleEdges(m, d);
}

void TWinControl::ReadProperty(const std::string& name, const PropValue& value, ReadContext& ctx) {
  if (name == "TabOrder") {
    SetTabOrder(IntegerValue(value));
  } else if (name == "TabStop") {
    tabStop_ = BooleanValue(value);
  } else if (name == "Ctl3D") {
    ctl3D_ = BooleanValue(value);
  } else if (name == "ParentCtl3D") {
    BooleanValue(value);  // the parent's setting is never taken over here
  } else if (name == "OnKeyPress") {
    const TKeyPressEvent* handler = ctx.form->FindKeyPressHandler(IdentValue(value));
    if (handler == nullptr) throw EReadError("Invalid property value");
    OnKeyPress = *handler;
  } else {
    TControl::ReadProperty(name, value, ctx);
  }
}

}  // namespace tk
