#include "toolkit/forms/CaretBlink.h"

#include "toolkit/forms/Form.h"

namespace tk {

TWinControl* CaretControl(TCustomForm* active) {
  TWinControl* control = active != nullptr ? active->ActiveControl() : nullptr;
  return control != nullptr && control->HasCaret() ? control : nullptr;
}

void CaretBlink::Blink(TWinControl* field, int64_t now) {
  due_ = -1;
  if (field == nullptr || periodMs_ <= 0) return;
  field->SetCaretOn(!field->CaretVisible());
  due_ = now + periodMs_;
}

}  // namespace tk
