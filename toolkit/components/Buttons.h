#pragma once
// The two push buttons: the speed button of the descriptions, drawn on its
// parent's surface, and the message box's button, which takes the focus.
// Both share one mouse behaviour. Painting is in ControlPaint.cpp.

#include "toolkit/components/Control.h"

namespace tk {

// The mouse behaviour of a push button. It is pressed while the left mouse
// button that went down on it is held, and drawn pushed while the pointer is
// over it as well; a release over it is a click. A button that can take the
// focus (a windowed one) takes it when pressed; one drawn on its parent's
// surface never does.
template <class Base>
class PushButton : public Base {
 public:
  using Base::Base;

  const AnsiString& Caption() const { return this->CaptionText(); }
  void SetCaption(const AnsiString& text) { this->SetCaptionText(text); }
  // The mouse is over the button.
  bool Hot() const { return hot_; }
  // The mouse button is held down on it and the pointer is over it.
  bool Pressed() const { return pressed_ && hot_; }
  void Click();

  void MouseDown(int x, int y, uint8_t modifiers) override;
  void MouseMove(int x, int y, bool captured) override;
  void MouseUp(int x, int y, bool inside) override;
  void MouseEnter() override;
  void MouseLeave() override;

  // A push button named by its caption; Press clicks it without touching
  // the focus, as a screen reader's press of a button that takes none.
  bool DescribeAccessible(platform::AccessibleNode& node) const override;
  bool DoAccessibleAction(platform::AccessibleAction action, std::string_view utf8) override;

  TNotifyEvent OnClick;

 protected:
  void VisibleChanged() override;

 private:
  bool hot_ = false;
  bool pressed_ = false;
};

// The buttons of the descriptions: flat ones show a thin edge only under the
// mouse.
class TSpeedButton : public PushButton<TGraphicControl> {
 public:
  explicit TSpeedButton(TComponent* owner);
  const char* ClassName() const override { return "TSpeedButton"; }
  bool Flat() const { return flat_; }
  void Paint(Canvas& canvas) override;
  static const PropertyTable& PublishedProperties();
  const PropertyTable& Properties() const override { return PublishedProperties(); }

 private:
  bool flat_ = false;
};

// The push button of the message box: clicked by the mouse, Enter or Space.
class TButton : public PushButton<TWinControl> {
 public:
  explicit TButton(TComponent* owner);
  const char* ClassName() const override { return "TButton"; }
  bool KeyDown(platform::Key key, uint8_t modifiers) override;
  void FocusEntered(bool) override { Invalidate(); }
  void FocusLeft() override { Invalidate(); }
  void Paint(Canvas& canvas) override;
};

}  // namespace tk
