#pragma once
// The control kinds that the dialog descriptions use, plus the push button and
// icon of the error message box. Painting is in ControlPaint.cpp.

#include <memory>
#include <string>
#include <vector>

#include "toolkit/components/Control.h"

namespace tk {

class TPicture;

// A container with a raised one-pixel bevel and an optional centred caption.
class TPanel : public TWinControl {
 public:
  explicit TPanel(TComponent* owner);
  const char* ClassName() const override { return "TPanel"; }
  const AnsiString& Caption() const { return CaptionText(); }
  void SetCaption(const AnsiString& text) { SetCaptionText(text); }
  bool CanFocus() const override { return false; }
  void Paint(Canvas& canvas) override;
};

// A line of caption text as drawn, without its accelerator marks.
AnsiString WithoutAccelMarks(std::string_view line);

// Opaque text, auto-sized to its lines (carriage returns split lines).
class TLabel : public TGraphicControl {
 public:
  explicit TLabel(TComponent* owner);
  const char* ClassName() const override { return "TLabel"; }
  const AnsiString& Caption() const { return CaptionText(); }
  void SetCaption(const AnsiString& text) { SetCaptionText(text); }
  bool AutoSize() const { return autoSize_; }
  // The caption split at carriage returns.
  std::vector<std::string_view> Lines() const;
  // Resizes to the text's extent, keeping the top-left corner.
  void AdjustSize();
  void Loaded() override { AdjustSize(); }
  void Paint(Canvas& canvas) override;

 protected:
  void CaptionChanged() override;

 private:
  bool autoSize_ = true;
};

// A single-line edit field. With a password character every character shows
// as that character; the text holds what was typed.
class TCustomEdit : public TWinControl {
 public:
  explicit TCustomEdit(TComponent* owner);

  const AnsiString& Text() const { return text_; }
  // A different text replaces the old one, the caret goes to the start and
  // the selection is dropped; the same text again does nothing.
  void SetText(const AnsiString& text);
  char PasswordChar() const { return passwordChar_; }
  // What the field shows: the text, or one password character per byte.
  AnsiString DisplayText() const;
  int CaretPos() const { return caret_; }
  // The selection as [SelStart, SelStart + SelLength).
  int SelStart() const;
  int SelLength() const;
  void SetSelection(int anchor, int caret);
  void SelectAll() { SetSelection(0, static_cast<int>(text_.size())); }
  // The caret blinks on and off while the field has the focus.
  bool HasCaret() const override { return true; }
  bool CaretVisible() const override { return caretOn_; }
  void SetCaretOn(bool on) override;
  // First shown character (the text scrolls to keep the caret in view).
  int ScrollOffset() const { return scroll_; }

  // The editing keys and shortcuts: arrows, Home, End, Delete (Shift
  // extends the selection), Ctrl+A selects all, Ctrl+V and Shift+Insert
  // paste; copy and cut give nothing away from a password field.
  bool KeyDown(platform::Key key, uint8_t modifiers) override;
  // Inserts text in place of the selection, up to its first line break.
  void Paste(const AnsiString& text) override;
  void FocusEntered(bool byMouse) override;
  void FocusLeft() override;
  void MouseDown(int x, int y, uint8_t modifiers) override;
  void MouseMove(int x, int y, bool captured) override;
  void Paint(Canvas& canvas) override;
  static const PropertyTable& PublishedProperties();
  const PropertyTable& Properties() const override { return PublishedProperties(); }
  void Loaded() override;

  // Inner text area (inside the border) in local coordinates.
  TRect TextArea() const;

 protected:
  void CharTyped(char key) override;

 private:
  void ReplaceSelection(std::string_view inserted);
  void MoveCaret(int pos, bool extend);
  int PositionAt(int x) const;
  void ScrollToCaret();

  AnsiString text_;
  char passwordChar_ = 0;
  bool autoSelect_ = true;
  int anchor_ = 0;
  int caret_ = 0;
  int scroll_ = 0;
  bool caretOn_ = false;
};

class TMaskEdit : public TCustomEdit {
 public:
  using TCustomEdit::TCustomEdit;
  const char* ClassName() const override { return "TMaskEdit"; }
};

// Multi-line text with word wrapping. Built disabled here, so it shows its
// text greyed and takes no input.
class TMemo : public TWinControl {
 public:
  explicit TMemo(TComponent* owner);
  const char* ClassName() const override { return "TMemo"; }
  const std::vector<AnsiString>& Lines() const { return lines_; }
  void SetLines(std::vector<AnsiString> lines);
  // The lines as shown: each entry wrapped at word boundaries to the width.
  std::vector<AnsiString> WrappedLines() const;
  void Paint(Canvas& canvas) override;
  static const PropertyTable& PublishedProperties();
  const PropertyTable& Properties() const override { return PublishedProperties(); }

 private:
  std::vector<AnsiString> lines_;
};

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

// Shows a picture at its own size from the control's top-left corner.
class TImage : public TGraphicControl {
 public:
  explicit TImage(TComponent* owner);
  ~TImage() override;
  const char* ClassName() const override { return "TImage"; }
  TPicture& Picture() { return *picture_; }
  void Paint(Canvas& canvas) override;
  static const PropertyTable& PublishedProperties();
  const PropertyTable& Properties() const override { return PublishedProperties(); }

 private:
  std::unique_ptr<TPicture> picture_;
  bool painting_ = false;
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

// The 32 x 32 stop icon of the error message box.
class TStopIcon : public TGraphicControl {
 public:
  explicit TStopIcon(TComponent* owner);
  const char* ClassName() const override { return "TStopIcon"; }
  void Paint(Canvas& canvas) override;
};

}  // namespace tk
