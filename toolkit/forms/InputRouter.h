#pragma once
// Routes a dialog's mouse and keyboard input to its controls: hit-testing
// (windowed controls above the others, later siblings above earlier ones),
// the mouse captured by the control that saw the press until the release,
// the control under the pointer, keys to the focused control and Tab between
// the controls. Disabled or hidden controls get nothing.

#include "toolkit/base/Geometry.h"
#include "toolkit/platform/Platform.h"

namespace tk {

class TControl;
class TCustomForm;
class TWinControl;

class InputRouter {
 public:
  explicit InputRouter(TCustomForm& form) : form_(form) {}

  void Mouse(const platform::Event& e);
  // Key-down and typed text, for the focused control.
  void Key(const platform::Event& e);

  // The control under the point (client coordinates), deepest first.
  TControl* ControlAt(TPoint p) const;
  // Ends a capture as a release outside the control would, and with it the
  // hover.
  void ReleaseCapture();
  // Ends capture and hover: the dialog was hidden or disabled.
  void Reset();
  // control was hidden or disabled: capture and hover leave it and its
  // children.
  void Forget(const TControl* control);

 private:
  TControl* HitTest(TWinControl* parent, TPoint p) const;
  void SetHot(TControl* control);
  void EndCapture();

  TCustomForm& form_;
  TControl* captured_ = nullptr;
  TControl* hot_ = nullptr;
};

}  // namespace tk
