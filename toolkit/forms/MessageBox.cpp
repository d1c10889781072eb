#include "toolkit/forms/MessageBox.h"

#include <algorithm>

#include "toolkit/forms/Application.h"
#include "toolkit/paint/Font.h"

namespace tk {

TMessageBoxForm::TMessageBoxForm(const AnsiString& caption, const AnsiString& text) {
  SetName("MessageBox");
  SetCaption(caption);
  icon_ = new TStopIcon(this);
  icon_->SetParent(this);
  label_ = new TLabel(this);
  label_->SetParent(this);
  button_ = new TButton(this);
  button_->SetParent(this);
  button_->SetCaption("OK");
  button_->OnClick = [this](TObject*) { closed_ = true; };

  // The classic layout: margins of 11 pixels, the icon at the top left, the
  // text beside it, the button centred below both.
  constexpr int kMargin = 11;
  constexpr int kGap = 18;
  label_->SetCaption(text);
  label_->AdjustSize();
  int textLeft = kMargin + 32 + kGap;
  int textHeight = label_->Height();
  int top = kMargin;
  int textTop = textHeight < 32 ? top + (32 - textHeight) / 2 : top;
  label_->SetBounds(textLeft, textTop, label_->Width(), textHeight);
  icon_->SetBounds(kMargin, top, 32, 32);
  int contentBottom = std::max(top + 32, textTop + textHeight);
  int width = std::max(textLeft + label_->Width() + kMargin, 75 + 2 * kMargin);
  int buttonTop = contentBottom + 14;
  button_->SetBounds((width - 75) / 2, buttonTop, 75, 23);
  SetClientSize(width, buttonTop + 23 + kMargin);
}

void TMessageBoxForm::CentreOn(const TRect& owner, const TRect& desktop) {
  TRect outer = OuterRect();
  int x = owner.Left + (owner.Width() - outer.Width()) / 2;
  int y = owner.Top + (owner.Height() - outer.Height()) / 2;
  x = std::clamp(x, desktop.Left, std::max(desktop.Left, desktop.Right - outer.Width()));
  y = std::clamp(y, desktop.Top, std::max(desktop.Top, desktop.Bottom - outer.Height()));
  Application->Platform().MoveWindow(WindowId(), x, y);
  WindowMoved(x, y);
}

}  // namespace tk
