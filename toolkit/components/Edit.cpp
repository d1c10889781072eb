#include "toolkit/components/Edit.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "toolkit/components/Classes.h"
#include "toolkit/components/Properties.h"
#include "toolkit/paint/Font.h"

namespace tk {

namespace {
const ClassRegistration<TMaskEdit> kMaskEdit("TMaskEdit");
}  // namespace

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 121, 21);
  SetTabStop(true);
  SetColor(colors::clWindow);
}

void TCustomEdit::SetText(const AnsiString& text) {
  if (text == text_) return;
  text_ = text;
  anchor_ = caret_ = 0;
  scroll_ = 0;
  Invalidate();
}

AnsiString TCustomEdit::DisplayText() const {
  if (passwordChar_ == 0) return text_;
  return AnsiString(text_.size(), passwordChar_);
}

int TCustomEdit::SelStart() const {
  return std::min(anchor_, caret_);
}
int TCustomEdit::SelLength() const {
  return std::abs(anchor_ - caret_);
}

void TCustomEdit::SetSelection(int anchor, int caret) {
  int n = static_cast<int>(text_.size());
  anchor_ = std::clamp(anchor, 0, n);
  caret_ = std::clamp(caret, 0, n);
  ScrollToCaret();
  caretOn_ = Focused();
  Invalidate();
}

void TCustomEdit::SetCaretOn(bool on) {
  if (on == caretOn_) return;
  caretOn_ = on;
  Invalidate();
}

TRect TCustomEdit::TextArea() const {
  // A flat one-pixel border (or the two-pixel sunken edge) and one pixel of
  // margin inside it.
  int border = Ctl3D() ? 2 : 1;
  return TRect{border + 1, border, Width() - border - 1, Height() - border};
}

TRect TCustomEdit::CaretRect(const Font& font) const {
  // A one-pixel bar as high as the text, just left of the character it
  // stands before.
  TRect area = TextArea();
  int x = area.Left;
  int end = std::min(caret_, static_cast<int>(text_.size()));
  for (int i = scroll_; i < end; ++i) {
    char shown = passwordChar_ != 0 ? passwordChar_ : text_[static_cast<size_t>(i)];
    x += font.CharWidth(static_cast<uint8_t>(shown));
  }
  int y = area.Top + 1;
  return {x, y, x + 1, y + font.TextHeight()};
}

void TCustomEdit::ReplaceSelection(std::string_view inserted) {
  if (maxLength_ > 0) {
    // What does not fit is dropped, as the classic field does.
    int room = maxLength_ - (static_cast<int>(text_.size()) - SelLength());
    inserted = inserted.substr(0, static_cast<size_t>(std::max(room, 0)));
  }
  int start = SelStart();
  text_.replace(static_cast<size_t>(start), static_cast<size_t>(SelLength()), inserted);
  anchor_ = caret_ = start + static_cast<int>(inserted.size());
  ScrollToCaret();
  caretOn_ = true;
  Invalidate();
}

void TCustomEdit::MoveCaret(int pos, bool extend) {
  int n = static_cast<int>(text_.size());
  caret_ = std::clamp(pos, 0, n);
  if (!extend) anchor_ = caret_;
  ScrollToCaret();
  caretOn_ = true;
  Invalidate();
}

void TCustomEdit::ScrollToCaret() {
  const Font& font = GetFont();
  AnsiString shown = DisplayText();
  int areaWidth = std::max(TextArea().Width(), 1);
  scroll_ = std::clamp(scroll_, 0, caret_);
  // Scroll right just far enough for the text before the caret to fit into
  // the text area. Measuring back from the caret keeps this linear in the
  // visible characters however long the text is (a long paste).
  int first = caret_;
  int width = 0;
  while (first > scroll_) {
    int w = font.CharWidth(static_cast<uint8_t>(shown[static_cast<size_t>(first - 1)]));
    if (width + w >= areaWidth) break;
    width += w;
    --first;
  }
  scroll_ = first;
  // When deleting left the shown text short of the area's right edge, scroll
  // back left so that the text before it comes into view again.
  int tail = 0;
  for (size_t i = static_cast<size_t>(scroll_); i < shown.size() && tail < areaWidth; ++i) {
    tail += font.CharWidth(static_cast<uint8_t>(shown[i]));
  }
  while (scroll_ > 0) {
    int w = font.CharWidth(static_cast<uint8_t>(shown[static_cast<size_t>(scroll_ - 1)]));
    if (tail + w >= areaWidth) break;
    tail += w;
    --scroll_;
  }
}

int TCustomEdit::PositionAt(int x) const {
  const Font& font = GetFont();
  AnsiString shown = DisplayText();
  int pos = scroll_;
  int left = TextArea().Left;
  while (pos < static_cast<int>(shown.size())) {
    int w = font.CharWidth(static_cast<uint8_t>(shown[pos]));
    if (x < left + w / 2) break;
    left += w;
    ++pos;
  }
  return pos;
}

bool TCustomEdit::KeyDown(platform::Key key, uint8_t modifiers) {
  using platform::Key;
  bool shift = (modifiers & platform::kShift) != 0;
  bool ctrl = (modifiers & platform::kCtrl) != 0;
  int n = static_cast<int>(text_.size());
  switch (key) {
    case Key::Left:
      if (!shift && SelLength() > 0) {
        MoveCaret(SelStart(), false);
      } else {
        MoveCaret(caret_ - 1, shift);
      }
      return true;
    case Key::Right:
      if (!shift && SelLength() > 0) {
        MoveCaret(SelStart() + SelLength(), false);
      } else {
        MoveCaret(caret_ + 1, shift);
      }
      return true;
    case Key::Home:
      MoveCaret(0, shift);
      return true;
    case Key::End:
      MoveCaret(n, shift);
      return true;
    case Key::Delete:
      if (SelLength() == 0 && caret_ < n) anchor_ = caret_ + 1;
      ReplaceSelection("");
      return true;
    case Key::A:
      if (ctrl) {
        SelectAll();
        return true;
      }
      return false;
    case Key::C:
    case Key::X:
      // A password field gives nothing away: copy and cut do nothing.
      return ctrl;
    case Key::V:
    case Key::Insert:
      if (modifiers != (key == Key::V ? platform::kCtrl : platform::kShift)) return false;
      // Where the system pastes by itself, the text comes as its own event.
      if (ControlHost* host = Host()) {
        if (std::optional<AnsiString> text = host->ClipboardText()) Paste(*text);
      }
      return true;
    default:
      return false;
  }
}

void TCustomEdit::CharTyped(char key) {
  auto byte = static_cast<unsigned char>(key);
  if (byte == 8) {
    if (SelLength() == 0 && caret_ > 0) anchor_ = caret_ - 1;
    ReplaceSelection("");
    return;
  }
  // Other control characters (Enter among them) insert nothing.
  if (byte < 32 || byte == 127) return;
  ReplaceSelection(std::string_view(&key, 1));
}

void TCustomEdit::Paste(const AnsiString& text) {
  // A single-line field takes the clipboard text up to its first line break;
  // other control characters are dropped.
  AnsiString clean;
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (byte == '\r' || byte == '\n') break;
    if (byte >= 32 && byte != 127) clean.push_back(c);
  }
  ReplaceSelection(clean);
}

void TCustomEdit::TypeText(std::string_view utf8) {
  AnsiString typed;
  size_t pos = 0;
  while (pos < utf8.size()) {
    int byte = UnicodeToAnsi(NextUtf8(utf8, pos));
    if (byte >= 32 && byte != 127) typed.push_back(static_cast<char>(byte));
  }
  anchor_ = 0;
  caret_ = static_cast<int>(text_.size());
  ReplaceSelection(typed);
}

bool TCustomEdit::DoAccessibleAction(platform::AccessibleAction action, std::string_view utf8) {
  if (action != platform::AccessibleAction::SetText) return false;
  TypeText(utf8);
  return true;
}

bool TCustomEdit::DescribeAccessible(platform::AccessibleNode& node) const {
  namespace states = platform::states;
  bool password = passwordChar_ != 0;
  node.role = password ? platform::Role::PasswordField : platform::Role::TextField;
  // A password field's value is what the screen shows: one password
  // character per character typed, never the text.
  node.value = AnsiToUtf8(DisplayText());
  if (password) node.states |= states::kProtected;
  node.caret = caret_;
  node.selectionStart = SelStart();
  node.selectionEnd = SelStart() + SelLength();
  if ((node.states & states::kFocused) != 0) {
    TPoint o = OriginInForm();
    node.caretBounds =
        CaretRect(GetFont()).Intersect(TextArea()).Offset(o.X, o.Y).Intersect(node.bounds);
  }
  node.actions |= platform::ActionBit(platform::AccessibleAction::SetText);
  return true;
}

void TCustomEdit::FocusEntered(bool byMouse) {
  if (!byMouse && autoSelect_) {
    anchor_ = 0;
    caret_ = static_cast<int>(text_.size());
    ScrollToCaret();
  }
  caretOn_ = true;
  Invalidate();
}

void TCustomEdit::FocusLeft() {
  caretOn_ = false;
  Invalidate();
}

void TCustomEdit::MouseDown(int x, int /*y*/, uint8_t modifiers) {
  ControlHost* host = Host();
  if (host != nullptr && host->ActiveControl() != this) host->FocusControl(this, true);
  MoveCaret(PositionAt(x), (modifiers & platform::kShift) != 0);
}

void TCustomEdit::MouseMove(int x, int /*y*/, bool captured) {
  if (captured) MoveCaret(PositionAt(x), true);
}

const PropertyTable& TCustomEdit::PublishedProperties() {
  static const PropertyTable table(
      &TWinControl::PublishedProperties(),
      {String<TCustomEdit>("PasswordChar",
                           [](TCustomEdit& e, const AnsiString& v) {
                             if (v.size() != 1) return false;
                             e.passwordChar_ = v[0];
                             return true;
                           }),
       String<TCustomEdit>("Text", [](TCustomEdit& e, const AnsiString& v) { e.text_ = v; }),
       Boolean<TCustomEdit>("AutoSelect", [](TCustomEdit& e, bool v) { e.autoSelect_ = v; }),
       Integer<TCustomEdit>("MaxLength", 0, INT32_MAX,
                            [](TCustomEdit& e, int v) { e.maxLength_ = v; })});
  return table;
}

void TCustomEdit::Loaded() {
  // With AutoSize the height follows the font: text height plus the border
  // and margins (6 with a flat border, 8 with the sunken 3-D edge).
  int height = GetFont().TextHeight() + (Ctl3D() ? 8 : 6);
  SetBounds(Left(), Top(), Width(), height);
}

}  // namespace tk
