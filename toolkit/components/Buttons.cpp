#include "toolkit/components/Buttons.h"

#include "toolkit/components/Classes.h"
#include "toolkit/components/Properties.h"

namespace tk {

namespace {
const ClassRegistration<TSpeedButton> kSpeedButton("TSpeedButton");
}  // namespace

TSpeedButton::TSpeedButton(TComponent* owner) : TGraphicControl(owner) {
  SetBounds(0, 0, 23, 22);
}

void TSpeedButton::Click() {
  if (OnClick) Invoke(Host(), [this] { OnClick(this); });
}

void TSpeedButton::MouseDown(int /*x*/, int /*y*/, uint8_t /*modifiers*/) {
  press_.Down();
  Invalidate();
}

void TSpeedButton::MouseMove(int x, int y, bool captured) {
  if (captured && press_.Move(TRect{0, 0, Width(), Height()}.Contains({x, y}))) Invalidate();
}

void TSpeedButton::MouseUp(int /*x*/, int /*y*/, bool inside) {
  bool click = press_.Up(inside);
  Invalidate();
  if (click) Click();
}

void TSpeedButton::MouseEnter() {
  press_.hot = true;
  Invalidate();
}

void TSpeedButton::MouseLeave() {
  press_.hot = false;
  Invalidate();
}

void TSpeedButton::VisibleChanged() {
  if (!Visible()) press_ = ButtonPress{};
}

const PropertyTable& TSpeedButton::PublishedProperties() {
  static const PropertyTable table(
      &TControl::PublishedProperties(),
      {Boolean<TSpeedButton>("Flat", [](TSpeedButton& b, bool v) { b.flat_ = v; }),
       Notify<TSpeedButton>("OnClick", &TSpeedButton::OnClick)});
  return table;
}

TButton::TButton(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 75, 23);
  SetTabStop(true);
}

void TButton::Click() {
  if (OnClick) Invoke(Host(), [this] { OnClick(this); });
}

bool TButton::KeyDown(platform::Key key, uint8_t /*modifiers*/) {
  if (key == platform::Key::Enter || key == platform::Key::Space) {
    Click();
    return true;
  }
  return false;
}

void TButton::MouseDown(int /*x*/, int /*y*/, uint8_t /*modifiers*/) {
  if (ControlHost* host = Host()) host->FocusControl(this, true);
  press_.Down();
  Invalidate();
}

void TButton::MouseMove(int x, int y, bool captured) {
  if (captured && press_.Move(TRect{0, 0, Width(), Height()}.Contains({x, y}))) Invalidate();
}

void TButton::MouseUp(int /*x*/, int /*y*/, bool inside) {
  bool click = press_.Up(inside);
  Invalidate();
  if (click) Click();
}

}  // namespace tk
