#pragma once
// The single-line edit field and the password field kind the descriptions
// use. Painting is in ControlPaint.cpp.

#include <string_view>

#include "toolkit/components/Control.h"

namespace tk {

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
  // Replaces the whole text as typing utf8 into the emptied field would:
  // characters the code page lacks and control characters are dropped. The
  // OnKeyPress handler is not called (a line break typed this way means
  // nothing), so the text is only there; the caret goes to its end.
  void TypeText(std::string_view utf8);
  // At most this many characters can be typed or pasted; 0: no limit.
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int length) { maxLength_ = length < 0 ? 0 : length; }
  // The caret's bar in local coordinates, wherever it blinks, in the
  // control's font.
  TRect CaretRect(const Font& font) const;
  void FocusEntered(bool byMouse) override;
  void FocusLeft() override;
  void MouseDown(int x, int y, uint8_t modifiers) override;
  void MouseMove(int x, int y, bool captured) override;
  void Paint(Canvas& canvas) override;
  // A text field, or a password field whose value shows only what is drawn;
  // its caret and selection, and where the caret is while it has the focus.
  bool DescribeAccessible(platform::AccessibleNode& node) const override;
  bool DoAccessibleAction(platform::AccessibleAction action, std::string_view utf8) override;
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
  int maxLength_ = 0;
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

}  // namespace tk
