#include "toolkit/forms/ModalLoop.h"

#include "toolkit/forms/Application.h"

namespace tk {

ModalLoop::ModalLoop(TApplication& app, TCustomForm& form) : app_(app), form_(form) {
  // The only step that can fail comes first, while nothing has changed yet.
  form_.CreateWindowHandle();
  app_.ReleaseCapture();
  form_.SetModal(true);
  previousActive_ = app_.ActiveForm();
  app_.PushFocusedForm(&form_);
  // Timers are not touched: they tick on in every dialog.
  disabled_ = app_.DisableOtherWindows(&form_);
  form_.Show();
  TWinControl* target = form_.ActiveControl();
  if (target == nullptr || !target->CanFocus()) target = form_.FirstFocusable();
  app_.ActivateWindow(&form_);
  form_.FocusControl(target);
}

int ModalLoop::Run() {
  do {
    app_.HandleMessage();
    if (app_.Terminated()) form_.SetModalOutcome(mrCancel);
  } while (form_.ModalOutcome() == mrNone);
  return form_.ModalOutcome();
}

ModalLoop::~ModalLoop() {
  // The windows beneath are enabled before the dialog disappears: a system
  // that hands the activation on when the active window goes then finds one
  // of ours, not another program's window, and does not raise that above
  // ours for a moment.
  app_.EnableWindows(disabled_);
  form_.Hide();
  app_.PopFocusedForm();
  // The window beneath becomes active again, unless the user activated
  // another one meanwhile.
  TCustomForm* active = app_.ActiveForm();
  bool wasActive = active == &form_ || active == nullptr;
  app_.WindowHidden(&form_);
  if (wasActive && app_.HasWindow(previousActive_)) app_.ActivateWindow(previousActive_);
  form_.SetModal(false);
}

}  // namespace tk
