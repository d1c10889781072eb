#pragma once
// The one modal protocol, for the quest's dialogs and the error message box
// alike. Opening the loop ends any mouse capture, marks the dialog modal,
// remembers the active window, saves the focused dialog and makes this one
// focused, disables every other shown and enabled window, shows the dialog
// and gives it the focus. Run handles events until the dialog has an outcome
// (a terminating program gives mrCancel). Closing undoes all of it in
// reverse: the dialog is hidden, exactly the windows it disabled are enabled
// again, the saved focused dialog comes back, the remembered window is
// re-activated if this dialog was still active, and the mark is dropped.

#include <vector>

namespace tk {

class TApplication;
class TCustomForm;

class ModalLoop {
 public:
  // Raises (with nothing changed) when the dialog's window cannot be made.
  ModalLoop(TApplication& app, TCustomForm& form);
  ~ModalLoop();
  ModalLoop(const ModalLoop&) = delete;
  ModalLoop& operator=(const ModalLoop&) = delete;

  // Handles events until the dialog's outcome is set; returns it.
  int Run();

 private:
  TApplication& app_;
  TCustomForm& form_;
  TCustomForm* previousActive_ = nullptr;
  std::vector<TCustomForm*> disabled_;
};

}  // namespace tk
