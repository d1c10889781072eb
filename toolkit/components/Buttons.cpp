#include "toolkit/components/Buttons.h"

#include <type_traits>

#include "toolkit/components/Classes.h"
#include "toolkit/components/Properties.h"

namespace tk {

namespace {
const ClassRegistration<TSpeedButton> kSpeedButton("TSpeedButton");
}  // namespace

// ------------------------------------------------------------- PushButton

template <class Base>
void PushButton<Base>::Click() {
  if (OnClick) Invoke(this->Host(), [this] { OnClick(this); });
}

template <class Base>
void PushButton<Base>::MouseDown(int /*x*/, int /*y*/, uint8_t /*modifiers*/) {
  if constexpr (std::is_base_of_v<TWinControl, Base>) {
    if (ControlHost* host = this->Host()) host->FocusControl(this, true);
  }
  pressed_ = hot_ = true;
  this->Invalidate();
}

template <class Base>
void PushButton<Base>::MouseMove(int x, int y, bool captured) {
  // While held, the button looks pushed only with the pointer over it.
  bool inside = TRect{0, 0, this->Width(), this->Height()}.Contains({x, y});
  if (!captured || inside == hot_) return;
  hot_ = inside;
  this->Invalidate();
}

template <class Base>
void PushButton<Base>::MouseUp(int /*x*/, int /*y*/, bool inside) {
  bool click = pressed_ && inside;
  pressed_ = false;
  hot_ = inside;
  this->Invalidate();
  if (click) Click();
}

template <class Base>
void PushButton<Base>::MouseEnter() {
  hot_ = true;
  this->Invalidate();
}

template <class Base>
void PushButton<Base>::MouseLeave() {
  hot_ = false;
  this->Invalidate();
}

template <class Base>
bool PushButton<Base>::DescribeAccessible(platform::AccessibleNode& node) const {
  node.role = platform::Role::PushButton;
  node.name = AnsiToUtf8(WithoutAccelMarks(Caption()));
  node.actions |= platform::ActionBit(platform::AccessibleAction::Press);
  return true;
}

template <class Base>
bool PushButton<Base>::DoAccessibleAction(platform::AccessibleAction action, std::string_view) {
  if (action != platform::AccessibleAction::Press) return false;
  Click();
  return true;
}

template <class Base>
void PushButton<Base>::VisibleChanged() {
  if (!this->Visible()) hot_ = pressed_ = false;
}

template class PushButton<TGraphicControl>;
template class PushButton<TWinControl>;

// ----------------------------------------------------------- TSpeedButton

TSpeedButton::TSpeedButton(TComponent* owner) : PushButton(owner) {
  SetBounds(0, 0, 23, 22);
}

const PropertyTable& TSpeedButton::PublishedProperties() {
  static const PropertyTable table(
      &TControl::PublishedProperties(),
      {Boolean<TSpeedButton>("Flat", [](TSpeedButton& b, bool v) { b.flat_ = v; }),
       Event<TSpeedButton>("OnClick", &TSpeedButton::OnClick)});
  return table;
}

// ---------------------------------------------------------------- TButton

TButton::TButton(TComponent* owner) : PushButton(owner) {
  SetBounds(0, 0, 75, 23);
  SetTabStop(true);
}

bool TButton::KeyDown(platform::Key key, uint8_t /*modifiers*/) {
  if (key == platform::Key::Enter || key == platform::Key::Space) {
    Click();
    return true;
  }
  return false;
}

}  // namespace tk
