#include "toolkit/forms/MessageBox.h"

#include <algorithm>

namespace tk {

TMessageBoxForm::TMessageBoxForm(const AnsiString& caption, const AnsiString& text) {
  SetName("MessageBox");
  SetCaption(caption);
  auto* icon = new TStopIcon(this);
  icon->SetParent(this);
  label_ = new TLabel(this);
  label_->SetParent(this);
  button_ = new TButton(this);
  button_->SetParent(this);
  button_->SetCaption("OK");
  button_->OnClick = [this](TObject*) { SetModalOutcome(mrOk); };

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
  icon->SetBounds(kMargin, top, 32, 32);
  int contentBottom = std::max(top + 32, textTop + textHeight);
  int width = std::max(textLeft + label_->Width() + kMargin, 75 + 2 * kMargin);
  int buttonTop = contentBottom + 14;
  button_->SetBounds((width - 75) / 2, buttonTop, 75, 23);
  SetClientSize(width, buttonTop + 23 + kMargin);
}

bool TMessageBoxForm::DescribeAccessible(platform::AccessibleNode& node) const {
  TCustomForm::DescribeAccessible(node);
  node.role = platform::Role::Alert;
  node.description = AnsiToUtf8(Text());
  return true;
}

}  // namespace tk
