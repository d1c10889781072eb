#include "toolkit/forms/InputRouter.h"

#include "toolkit/forms/Form.h"

namespace tk {

namespace {

TPoint LocalOf(const TControl* control, TPoint p) {
  TPoint o = control->OriginInForm();
  return TPoint{p.X - o.X, p.Y - o.Y};
}

// Only enabled controls react to the pointer.
TControl* Reacting(TControl* control) {
  return control != nullptr && control->EnabledInTree() ? control : nullptr;
}

}  // namespace

TControl* InputRouter::HitTest(TWinControl* parent, TPoint p) const {
  const auto& children = parent->Children();
  // Windowed children lie above the others; later siblings above earlier.
  for (int pass = 0; pass < 2; ++pass) {
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
      TControl* c = *it;
      if (c->IsWindowed() != (pass == 0) || !c->Visible()) continue;
      if (!c->BoundsRect().Contains(p)) continue;
      if (c->IsWindowed()) {
        TPoint inner{p.X - c->Left(), p.Y - c->Top()};
        if (TControl* deeper = HitTest(static_cast<TWinControl*>(c), inner)) return deeper;
      }
      return c;
    }
  }
  return nullptr;
}

TControl* InputRouter::ControlAt(TPoint p) const {
  if (!TRect{0, 0, form_.ClientWidth(), form_.ClientHeight()}.Contains(p)) return nullptr;
  return HitTest(&form_, p);
}

void InputRouter::SetHot(TControl* control) {
  if (control == hot_) return;
  TControl* old = hot_;
  hot_ = control;
  if (old != nullptr) old->MouseLeave();
  if (control != nullptr) control->MouseEnter();
}

void InputRouter::EndCapture() {
  if (captured_ == nullptr) return;
  TControl* c = captured_;
  captured_ = nullptr;
  c->MouseUp(-1, -1, false);
}

void InputRouter::ReleaseCapture() {
  if (captured_ == nullptr) return;
  EndCapture();
  SetHot(nullptr);
}

void InputRouter::Reset() {
  EndCapture();
  SetHot(nullptr);
}

void InputRouter::Forget(const TControl* control) {
  if (captured_ != nullptr && captured_->IsWithin(control)) EndCapture();
  if (hot_ != nullptr && hot_->IsWithin(control)) SetHot(nullptr);
}

void InputRouter::Mouse(const platform::Event& e) {
  if (!form_.WindowEnabled() || !form_.FormVisible()) return;
  TPoint p{e.x, e.y};
  switch (e.kind) {
    case platform::EventKind::MouseDown: {
      if (e.button != 1 || captured_ != nullptr) return;
      TControl* target = Reacting(ControlAt(p));
      if (target == nullptr) return;
      captured_ = target;
      TPoint l = LocalOf(target, p);
      target->MouseDown(l.X, l.Y, e.modifiers);
      break;
    }
    case platform::EventKind::MouseMove: {
      if (captured_ != nullptr) {
        TPoint l = LocalOf(captured_, p);
        captured_->MouseMove(l.X, l.Y, true);
        return;
      }
      TControl* target = Reacting(ControlAt(p));
      SetHot(target);
      if (target != nullptr) {
        TPoint l = LocalOf(target, p);
        target->MouseMove(l.X, l.Y, false);
      }
      break;
    }
    case platform::EventKind::MouseUp: {
      if (e.button != 1 || captured_ == nullptr) return;
      TControl* target = captured_;
      captured_ = nullptr;
      bool inside = ControlAt(p) == target;
      TPoint l = LocalOf(target, p);
      target->MouseUp(l.X, l.Y, inside);
      // The click's handler may have hidden or disabled the dialog.
      if (form_.FormVisible() && form_.WindowEnabled()) SetHot(Reacting(ControlAt(p)));
      break;
    }
    case platform::EventKind::MouseLeave:
      if (captured_ == nullptr) SetHot(nullptr);
      break;
    default:
      break;
  }
}

void InputRouter::Key(const platform::Event& e) {
  if (!form_.WindowEnabled() || !form_.FormVisible()) return;
  using platform::EventKind;
  using platform::Key;
  if (e.kind == EventKind::KeyDown) {
    TWinControl* target = form_.ActiveControl();
    if (target != nullptr && !target->CanFocus()) target = nullptr;
    if (target != nullptr && target->KeyDown(e.key, e.modifiers)) return;
    bool ctrl = (e.modifiers & (platform::kCtrl | platform::kAlt)) != 0;
    // Tab moves the focus; Enter, Escape and Backspace reach the focused
    // control as characters 13, 27 and 8. No dialog has a default or cancel
    // button, so Enter and Escape do nothing else.
    switch (e.key) {
      case Key::Tab:
        if (!ctrl) form_.SelectNext((e.modifiers & platform::kShift) == 0);
        break;
      case Key::Enter:
        if (target != nullptr) target->DeliverChar('\r');
        break;
      case Key::Escape:
        if (target != nullptr) target->DeliverChar(27);
        break;
      case Key::Backspace:
        if (target != nullptr) target->DeliverChar(8);
        break;
      default:
        break;
    }
  } else if (e.kind == EventKind::Paste) {
    TWinControl* target = form_.ActiveControl();
    if (target != nullptr && target->CanFocus()) target->Paste(Utf8ToAnsi(e.text));
  } else if (e.kind == EventKind::Text) {
    size_t pos = 0;
    while (pos < e.text.size()) {
      int byte = UnicodeToAnsi(NextUtf8(e.text, pos));
      // A character the code page lacks is dropped. The focus may move or
      // the dialog close while a character is handled.
      if (byte < 0) continue;
      TWinControl* now = form_.ActiveControl();
      if (now == nullptr || !now->CanFocus() || !form_.WindowEnabled() || !form_.FormVisible()) {
        break;
      }
      now->DeliverChar(static_cast<char>(byte));
    }
  }
}

}  // namespace tk
