#pragma once
// The error message box: the message beside a stop icon, one OK button,
// titled with the application title. An ordinary dialog shown modally; OK
// (a click, Enter or Space) or the close box ends it.

#include "toolkit/components/Controls.h"
#include "toolkit/forms/Form.h"

namespace tk {

class TMessageBoxForm : public TCustomForm {
 public:
  TMessageBoxForm(const AnsiString& caption, const AnsiString& text);
  const char* ClassName() const override { return "TMessageBoxForm"; }

  const AnsiString& Text() const { return label_->Caption(); }
  TButton* OkButton() const { return button_; }
  // An alert whose description is its message.
  bool DescribeAccessible(platform::AccessibleNode& node) const override;

 private:
  TLabel* label_;
  TButton* button_;
};

}  // namespace tk
