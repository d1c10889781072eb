#include "toolkit/components/Control.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "toolkit/components/Properties.h"
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

namespace {

// Controls are numbered in the order they are made, never reusing a number in
// a run: a program that makes its dialogs in the same order numbers them the
// same way each run, so that a saved input that names a node (a page's
// journal) means the same control when it is replayed.
platform::NodeId NextAccessibleId() {
  static platform::NodeId last = platform::kNoNode;
  return ++last;
}

}  // namespace

TControl::TControl(TComponent* owner) : TComponent(owner), accessibleId_(NextAccessibleId()) {}

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
  ControlHost* host = Host();
  if (!visible && host != nullptr && parent_ != nullptr) host->ControlLostShowing(this);
  VisibleChanged();
}

void TControl::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Invalidate();
  ControlHost* host = Host();
  if (!enabled && host != nullptr && parent_ != nullptr) host->ControlLostShowing(this);
}

bool TControl::Showing() const {
  // The top of the chain is the dialog, whose own visibility is not part of it.
  for (const TControl* c = this; c != nullptr && c->parent_ != nullptr; c = c->parent_) {
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

bool TControl::IsWithin(const TControl* ancestor) const {
  for (const TControl* c = this; c != nullptr; c = c->parent_) {
    if (c == ancestor) return true;
  }
  return false;
}

ControlHost* TControl::Host() const {
  return parent_ != nullptr ? parent_->Host() : nullptr;
}

const Font& TControl::GetFont() const {
  ControlHost* host = Host();
  return host != nullptr ? host->DialogFont() : Font::Get(-11);
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
  ControlHost* host = Host();
  if (host == nullptr) return;
  if (parent_ == nullptr) {
    host->InvalidateClient(local);  // the dialog itself
    return;
  }
  if (!Showing()) return;
  TRect r = local.Intersect(TRect{0, 0, width_, height_});
  if (r.IsEmpty()) return;
  TPoint o = OriginInForm();
  host->InvalidateClient(r.Offset(o.X, o.Y));
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

bool TControl::DescribeAccessible(platform::AccessibleNode& node) const {
  node.role = platform::Role::Panel;
  node.name = AnsiToUtf8(caption_);
  return true;
}

bool TControl::DoAccessibleAction(platform::AccessibleAction, std::string_view) {
  return false;
}

platform::NodeId TControl::AccessibleId() const {
  return accessibleId_;
}

void TControl::SetAccessibleName(const AnsiString& name) {
  if (name == accessibleName_) return;
  accessibleName_ = name;
  Invalidate();
}

void TControl::SetAccessibleRole(platform::Role role) {
  if (hasAccessibleRole_ && role == accessibleRole_) return;
  accessibleRole_ = role;
  hasAccessibleRole_ = true;
  Invalidate();
}

void TControl::SetCaptionText(const AnsiString& text) {
  if (text == caption_) return;
  caption_ = text;
  CaptionChanged();
}

const PropertyTable& TControl::PublishedProperties() {
  // While a description is read the fields are set directly: nothing is
  // shown yet, and labels measure themselves once everything is read.
  static const PropertyTable table(
      &TComponent::PublishedProperties(),
      {Coordinate<TControl>("Left", [](TControl& c, int v) { c.left_ = v; }),
       Coordinate<TControl>("Top", [](TControl& c, int v) { c.top_ = v; }),
       Coordinate<TControl>("Width", [](TControl& c, int v) { c.width_ = std::max(v, 0); }),
       Coordinate<TControl>("Height", [](TControl& c, int v) { c.height_ = std::max(v, 0); }),
       Boolean<TControl>("Visible", [](TControl& c, bool v) { c.visible_ = v; }),
       Boolean<TControl>("Enabled", [](TControl& c, bool v) { c.enabled_ = v; }),
       String<TControl>("Caption", [](TControl& c, const AnsiString& v) { c.caption_ = v; }),
       // The stored geometry already is the aligned result, and no dialog
       // can be resized: the alignment is checked, never followed.
       OnlyIdent("Align", {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"}),
       // Hints are never shown; the values are only checked.
       Ignored("ShowHint", PropValue::Kind::Boolean),
       Ignored("ParentShowHint", PropValue::Kind::Boolean)});
  return table;
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
  ControlHost* host = Host();
  return host != nullptr && host->ActiveControl() == this;
}

void TWinControl::DeliverChar(char key) {
  if (OnKeyPress) OnKeyPress(this, key);
  if (key != 0) CharTyped(key);
}

void TWinControl::ScaleEdges(int m, int d) {
  TControl::ScaleEdges(m, d);
  for (TControl* c : children_) c->ScaleEdges(m, d);
}

const PropertyTable& TWinControl::PublishedProperties() {
  static const PropertyTable table(
      &TControl::PublishedProperties(),
      {Integer<TWinControl>("TabOrder", INT32_MIN, INT32_MAX,
                            [](TWinControl& c, int v) { c.SetTabOrder(v); }),
       Boolean<TWinControl>("TabStop", [](TWinControl& c, bool v) { c.tabStop_ = v; }),
       Boolean<TWinControl>("Ctl3D", [](TWinControl& c, bool v) { c.ctl3D_ = v; }),
       // The parent's setting is never taken over here.
       Ignored("ParentCtl3D", PropValue::Kind::Boolean),
       Event<TWinControl>("OnKeyPress", &TWinControl::OnKeyPress)});
  return table;
}

}  // namespace tk
