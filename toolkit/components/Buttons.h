#pragma once
// The two push buttons: the speed button of the descriptions, drawn on its
// parent's surface, and the message box's button, which takes the focus.
// Painting is in ControlPaint.cpp.

#include "toolkit/components/Control.h"

namespace tk {

// The mouse state of a button: pressed while the left button went down on it
// and is held, hot while the pointer is over it.
struct ButtonPress {
  bool hot = false;
  bool pressed = false;

  void Down() { pressed = hot = true; }
  // A move while captured; true when the look changes.
  bool Move(bool inside) {
    if (inside == hot) return false;
    hot = inside;
    return true;
  }
  // The release; true when it makes a click (pressed and released over it).
  bool Up(bool inside) {
    bool click = pressed && inside;
    pressed = false;
    hot = inside;
    return click;
  }
};

// A button drawn on its parent's surface that never takes the focus; a press
// and release of the left mouse button over it is a click.
class TSpeedButton : public TGraphicControl {
 public:
  explicit TSpeedButton(TComponent* owner);
  const char* ClassName() const override { return "TSpeedButton"; }
  const AnsiString& Caption() const { return CaptionText(); }
  void SetCaption(const AnsiString& text) { SetCaptionText(text); }
  bool Flat() const { return flat_; }
  // The mouse is over the button.
  bool Hot() const { return press_.hot; }
  // The mouse button is held down on it and the pointer is over it.
  bool Pressed() const { return press_.pressed && press_.hot; }
  void Click();

  void MouseDown(int x, int y, uint8_t modifiers) override;
  void MouseMove(int x, int y, bool captured) override;
  void MouseUp(int x, int y, bool inside) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void Paint(Canvas& canvas) override;
  static const PropertyTable& PublishedProperties();
  const PropertyTable& Properties() const override { return PublishedProperties(); }

  TNotifyEvent OnClick;

 protected:
  void VisibleChanged() override;

 private:
  bool flat_ = false;
  ButtonPress press_;
};

// The push button of the message box: takes the focus, clicked by the mouse,
// Enter or Space.
class TButton : public TWinControl {
 public:
  explicit TButton(TComponent* owner);
  const char* ClassName() const override { return "TButton"; }
  const AnsiString& Caption() const { return CaptionText(); }
  void SetCaption(const AnsiString& text) { SetCaptionText(text); }
  bool Pressed() const { return press_.pressed && press_.hot; }
  void Click();

  bool KeyDown(platform::Key key, uint8_t modifiers) override;
  void FocusEntered(bool) override { Invalidate(); }
  void FocusLeft() override { Invalidate(); }
  void MouseDown(int x, int y, uint8_t modifiers) override;
  void MouseMove(int x, int y, bool captured) override;
  void MouseUp(int x, int y, bool inside) override;
  void Paint(Canvas& canvas) override;

  TNotifyEvent OnClick;

 private:
  ButtonPress press_;
};

}  // namespace tk
