#pragma once
// The error message box: the message beside a stop icon, one OK button,
// titled with the application title, centred on the active dialog.

#include "toolkit/components/Controls.h"
#include "toolkit/forms/Form.h"

namespace tk {

class TMessageBoxForm : public TCustomForm {
 public:
  TMessageBoxForm(const AnsiString& caption, const AnsiString& text);
  const char* ClassName() const override { return "TMessageBoxForm"; }

  const AnsiString& Text() const { return label_->Caption(); }
  bool Closed() const { return closed_; }
  void Close() { closed_ = true; }
  TButton* OkButton() const { return button_; }
  // Centres the box on the given outer rectangle, kept inside the desktop.
  void CentreOn(const TRect& owner, const TRect& desktop);

 private:
  TStopIcon* icon_;
  TLabel* label_;
  TButton* button_;
  bool closed_ = false;
};

}  // namespace tk
