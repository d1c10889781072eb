#include "toolkit/forms/Form.h"

#include <algorithm>

#include "toolkit/base/Exceptions.h"
#include "toolkit/components/Controls.h"
#include "toolkit/forms/Application.h"
#include "toolkit/paint/Canvas.h"
#include "toolkit/paint/Font.h"
#include "toolkit/reader/Reader.h"

namespace tk {

namespace {

void FireNotify(const TNotifyEvent& handler, TObject* sender) {
  if (!handler) return;
  try {
    handler(sender);
  } catch (const std::exception& e) {
    Application->HandleException(e);
  }
}

bool IsInside(const TControl* control, const TControl* ancestor) {
  for (const TControl* c = control; c != nullptr; c = c->Parent()) {
    if (c == ancestor) return true;
  }
  return false;
}

// Windowed controls that can take the focus by Tab, in tab order: each
// control before its own children.
void CollectTabStops(const TWinControl* parent, std::vector<TWinControl*>& out) {
  for (TWinControl* child : parent->TabList()) {
    if (!child->Visible() || !child->Enabled()) continue;
    if (child->TabStop() && child->CanFocus()) out.push_back(child);
    CollectTabStops(child, out);
  }
}

}  // namespace

TCustomForm::TCustomForm() : TWinControl(nullptr) {
  SetColor(colors::clBtnFace);
}

TCustomForm::~TCustomForm() {
  if (Application != nullptr && window_ != platform::kNoWindow) {
    Application->UnregisterWindow(this);
    Application->Platform().DestroyWindow(window_);
  }
}

void TCustomForm::LoadFromDescription() {
  ReadDialogDescription(*this);
}

void TCustomForm::SetCaption(const AnsiString& text) {
  if (text == CaptionText()) return;
  SetCaptionText(text);
  if (window_ != platform::kNoWindow) {
    Application->Platform().SetTitle(window_, AnsiToUtf8(text));
  }
}

const Font& TCustomForm::DialogFont() const {
  return Font::Get(fontHeight_);
}

void TCustomForm::SetClientSize(int width, int height) {
  SetBounds(0, 0, width, height);
}

void TCustomForm::CreateWindowHandle() {
  if (window_ != platform::kNoWindow) return;
  auto& platform = Application->Platform();
  // The pixel buffer is made at the first paint: most dialogs stay hidden for
  // a long time, and filling memory nobody looks at only slows the start.
  window_ = platform.CreateWindow(AnsiToUtf8(Caption()), ClientWidth(), ClientHeight());
  platform.MoveWindow(window_, screenLeft_, screenTop_);
  Application->RegisterWindow(this);
}

void TCustomForm::Show() {
  if (formVisible_) return;
  CreateWindowHandle();
  if (position_ != TPosition::poDesigned) PlaceAtFirstShowing();
  formVisible_ = true;
  Application->Platform().ShowWindow(window_);
  InvalidateClient(TRect{0, 0, ClientWidth(), ClientHeight()});
}

void TCustomForm::Hide() {
  if (!formVisible_) return;
  formVisible_ = false;
  if (captured_ != nullptr) {
    captured_->MouseUp(-1, -1, false);
    captured_ = nullptr;
  }
  SetHot(nullptr);
  Application->Platform().HideWindow(window_);
  dirty_.clear();
}

void TCustomForm::SetWindowEnabled(bool enabled) {
  if (enabled == windowEnabled_) return;
  windowEnabled_ = enabled;
  if (!enabled) {
    if (captured_ != nullptr) {
      captured_->MouseUp(-1, -1, false);
      captured_ = nullptr;
    }
    SetHot(nullptr);
  }
}

void TCustomForm::SetActiveControl(TWinControl* control) {
  activeControl_ = control;
}

void TCustomForm::FocusControl(TWinControl* control, bool byMouse) {
  if (control == activeControl_) return;
  TWinControl* old = activeControl_;
  activeControl_ = control;
  if (old != nullptr) old->FocusLeft();
  if (control != nullptr) control->FocusEntered(byMouse);
}

TWinControl* TCustomForm::FirstFocusable() const {
  std::vector<TWinControl*> stops;
  CollectTabStops(this, stops);
  return stops.empty() ? nullptr : stops.front();
}

void TCustomForm::SelectNext(bool forward) {
  std::vector<TWinControl*> stops;
  CollectTabStops(this, stops);
  if (stops.empty()) return;
  auto it = std::find(stops.begin(), stops.end(), activeControl_);
  int n = static_cast<int>(stops.size());
  int index;
  if (it == stops.end()) {
    index = forward ? 0 : n - 1;
  } else {
    int current = static_cast<int>(it - stops.begin());
    index = (current + (forward ? 1 : n - 1)) % n;
  }
  FocusControl(stops[static_cast<size_t>(index)]);
}

void TCustomForm::ControlLostShowing(TControl* control) {
  if (activeControl_ != nullptr && IsInside(activeControl_, control)) {
    // The focus goes to the dialog itself, not to another field.
    TWinControl* old = activeControl_;
    activeControl_ = nullptr;
    old->FocusLeft();
  }
  if (captured_ != nullptr && IsInside(captured_, control)) {
    TControl* c = captured_;
    captured_ = nullptr;
    c->MouseUp(-1, -1, false);
  }
  if (hot_ != nullptr && IsInside(hot_, control)) SetHot(nullptr);
}

int TCustomForm::RunModal() {
  TApplication& app = *Application;
  if (formVisible_ || !windowEnabled_ || modal_) {
    throw EInvalidOperation("Cannot make a visible window modal");
  }
  app.ReleaseCapture();
  CreateWindowHandle();
  modal_ = true;
  TApplication::ModalState state = app.BeginModal(this);
  app.PushFocusedForm(this);
  Show();
  TWinControl* target = activeControl_;
  if (target == nullptr || !target->CanFocus()) target = FirstFocusable();
  app.ActivateWindow(this);
  FocusControl(target);
  FireNotify(OnActivate, this);
  modalOutcome_ = 0;
  do {
    app.HandleMessage();
    if (app.Terminated()) modalOutcome_ = 2;
  } while (modalOutcome_ == 0);
  FireNotify(OnDeactivate, this);
  Hide();
  app.PopFocusedForm();
  app.EndModal(this, state);
  modal_ = false;
  return modalOutcome_;
}

void TCustomForm::CloseDialog() {
  if (modal_) {
    modalOutcome_ = 2;
    return;
  }
  if (this == Application->MainForm()) {
    Application->RequestQuit();
    return;
  }
  Hide();
}

void TCustomForm::InvalidateClient(const TRect& r) {
  if (!formVisible_) return;
  TRect clipped = r.Intersect(TRect{0, 0, ClientWidth(), ClientHeight()});
  if (clipped.IsEmpty()) return;
  // Merge with a pending rectangle that overlaps or touches it; keep the
  // list short by folding everything into one when it grows.
  for (TRect& d : dirty_) {
    TRect grown{d.Left - 1, d.Top - 1, d.Right + 1, d.Bottom + 1};
    if (!grown.Intersect(clipped).IsEmpty()) {
      d = d.Union(clipped);
      return;
    }
  }
  dirty_.push_back(clipped);
  if (dirty_.size() > 16) {
    TRect all;
    for (const TRect& d : dirty_) all = all.Union(d);
    dirty_.assign(1, all);
  }
}

std::vector<TRect> TCustomForm::PaintPending() {
  std::vector<TRect> rects;
  rects.swap(dirty_);
  if (buffer_.Width() != ClientWidth() || buffer_.Height() != ClientHeight()) {
    buffer_.Resize(ClientWidth(), ClientHeight(), Color());
  }
  for (const TRect& r : rects) {
    Canvas canvas = Canvas(buffer_).Clipped(r);
    PaintTree(canvas, this);
  }
  return rects;
}

void TCustomForm::PaintTree(Canvas& canvas, TControl* control) {
  if (control != this && !control->Visible()) return;
  Canvas own = control == this ? canvas : canvas.Child(control->BoundsRect());
  if (own.ClipRect().IsEmpty()) return;
  try {
    control->Paint(own);
  } catch (const std::exception& e) {
    // The rest of the window still paints; the failure is reported.
    Application->HandleException(e);
  }
  if (!control->IsWindowed()) return;
  auto* parent = static_cast<TWinControl*>(control);
  // Children stack in creation order, windowed ones above the others.
  std::vector<TControl*> children = parent->Children();
  for (TControl* child : children) {
    if (!child->IsWindowed()) PaintTree(own, child);
  }
  for (TControl* child : children) {
    if (child->IsWindowed()) PaintTree(own, child);
  }
}

TControl* TCustomForm::HitTest(TWinControl* parent, TPoint p, TPoint& local) const {
  const auto& children = parent->Children();
  // Windowed children lie above the others; later siblings above earlier.
  for (int pass = 0; pass < 2; ++pass) {
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
      TControl* c = *it;
      if (c->IsWindowed() != (pass == 0) || !c->Visible()) continue;
      if (!c->BoundsRect().Contains(p)) continue;
      TPoint inner{p.X - c->Left(), p.Y - c->Top()};
      if (c->IsWindowed()) {
        TControl* deeper = HitTest(static_cast<TWinControl*>(c), inner, local);
        if (deeper != nullptr) return deeper;
      }
      local = inner;
      return c;
    }
  }
  return nullptr;
}

TControl* TCustomForm::ControlAt(TPoint p) const {
  TPoint local;
  if (!TRect{0, 0, ClientWidth(), ClientHeight()}.Contains(p)) return nullptr;
  return HitTest(const_cast<TCustomForm*>(this), p, local);
}

void TCustomForm::SetHot(TControl* control) {
  if (control == hot_) return;
  TControl* old = hot_;
  hot_ = control;
  if (old != nullptr) old->MouseLeave();
  if (control != nullptr) control->MouseEnter();
}

void TCustomForm::HandleMouse(const platform::Event& e) {
  if (!windowEnabled_ || !formVisible_) return;
  TPoint p{e.x, e.y};
  auto localOf = [](TControl* c, TPoint pt) {
    TPoint o = c->OriginInForm();
    return TPoint{pt.X - o.X, pt.Y - o.Y};
  };
  switch (e.kind) {
    case platform::EventKind::MouseDown: {
      if (e.button != 1 || captured_ != nullptr) return;
      TControl* target = ControlAt(p);
      if (target == nullptr || !target->EnabledInTree()) return;
      captured_ = target;
      TPoint l = localOf(target, p);
      target->MouseDown(l.X, l.Y, e.modifiers);
      break;
    }
    case platform::EventKind::MouseMove: {
      if (captured_ != nullptr) {
        TPoint l = localOf(captured_, p);
        captured_->MouseMove(l.X, l.Y, true);
        return;
      }
      TControl* target = ControlAt(p);
      if (target != nullptr && !target->EnabledInTree()) target = nullptr;
      SetHot(target);
      if (target != nullptr) {
        TPoint l = localOf(target, p);
        target->MouseMove(l.X, l.Y, false);
      }
      break;
    }
    case platform::EventKind::MouseUp: {
      if (e.button != 1 || captured_ == nullptr) return;
      TControl* target = captured_;
      captured_ = nullptr;
      bool inside = ControlAt(p) == target;
      TPoint l = localOf(target, p);
      target->MouseUp(l.X, l.Y, inside);
      TControl* under = ControlAt(p);
      if (under != nullptr && !under->EnabledInTree()) under = nullptr;
      if (formVisible_ && windowEnabled_) SetHot(under);
      break;
    }
    case platform::EventKind::MouseLeave:
      if (captured_ == nullptr) SetHot(nullptr);
      break;
    default:
      break;
  }
}

void TCustomForm::HandleKey(const platform::Event& e) {
  if (!windowEnabled_ || !formVisible_) return;
  TWinControl* target = activeControl_;
  if (target != nullptr && !target->CanFocus()) target = nullptr;
  using platform::EventKind;
  using platform::Key;
  if (e.kind == EventKind::KeyDown) {
    if (target != nullptr && target->KeyDown(e.key, e.modifiers)) return;
    bool ctrl = (e.modifiers & (platform::kCtrl | platform::kAlt)) != 0;
    switch (e.key) {
      case Key::Tab:
        if (!ctrl) SelectNext((e.modifiers & platform::kShift) == 0);
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
  } else if (e.kind == EventKind::Text) {
    size_t pos = 0;
    while (pos < e.text.size()) {
      int byte = UnicodeToAnsi(NextUtf8(e.text, pos));
      // A character the code page lacks is dropped. The focus may move or
      // the dialog close while a character is handled.
      if (byte < 0) continue;
      TWinControl* now = activeControl_;
      if (now == nullptr || !now->CanFocus() || !windowEnabled_ || !formVisible_) break;
      now->DeliverChar(static_cast<char>(byte));
    }
  } else if (e.kind == EventKind::Paste) {
    if (target != nullptr) target->Paste(Utf8ToAnsi(e.text));
  }
}

void TCustomForm::PlaceAtFirstShowing() {
  auto& platform = Application->Platform();
  platform::FrameExtents frame = platform.Frame(window_);
  int w = ClientWidth() + frame.left + frame.right;
  int h = ClientHeight() + frame.top + frame.bottom;
  int x = screenLeft_;
  int y = screenTop_;
  if (position_ == TPosition::poDesktopCenter) {
    TRect desktop = platform.Desktop();
    x = desktop.Left + (desktop.Width() - w) / 2;
    y = desktop.Top + (desktop.Height() - h) / 2;
  } else if (position_ == TPosition::poMainFormCenter) {
    TCustomForm* main = Application->MainForm();
    if (main != nullptr && main != this) {
      TRect outer = main->OuterRect();
      x = outer.Left + (outer.Width() - w) / 2;
      y = outer.Top + (outer.Height() - h) / 2;
    }
  }
  x = std::max(x, 0);
  y = std::max(y, 0);
  if (position_ == TPosition::poMainFormCenter) {
    std::vector<TRect> monitors = platform.Monitors();
    if (monitors.size() > 1) {
      auto monitorOf = [&](const TRect& r) -> int {
        // The monitor with the largest share of the rectangle, or the
        // nearest one when it lies on none.
        int best = 0;
        int64_t bestArea = -1;
        for (size_t i = 0; i < monitors.size(); ++i) {
          TRect in = monitors[i].Intersect(r);
          int64_t area = static_cast<int64_t>(in.Width()) * in.Height();
          if (area > bestArea) {
            bestArea = area;
            best = static_cast<int>(i);
          }
        }
        return best;
      };
      TCustomForm* active = Application->ActiveForm();
      if (active == nullptr) active = Application->MainForm();
      if (active != nullptr && active != this) {
        int mine = monitorOf(TRect::FromSize(x, y, w, h));
        int theirs = monitorOf(active->OuterRect());
        if (mine != theirs) {
          const TRect& m = monitors[static_cast<size_t>(theirs)];
          x = m.Left + (m.Width() - w) / 2;
          y = m.Top + (m.Height() - h) / 2;
        }
      }
    }
  }
  screenLeft_ = x;
  screenTop_ = y;
  platform.MoveWindow(window_, x, y);
  position_ = TPosition::poDesigned;
}

void TCustomForm::WindowMoved(int x, int y) {
  screenLeft_ = x;
  screenTop_ = y;
  userMoved_ = true;
}

TRect TCustomForm::OuterRect() const {
  platform::FrameExtents frame{};
  if (Application != nullptr && window_ != platform::kNoWindow) {
    frame = Application->Platform().Frame(window_);
  }
  return TRect::FromSize(screenLeft_, screenTop_, ClientWidth() + frame.left + frame.right,
                         ClientHeight() + frame.top + frame.bottom);
}

const TNotifyEvent* TCustomForm::FindNotifyHandler(const std::string& name) const {
  auto it = notify_.find(name);
  return it == notify_.end() ? nullptr : &it->second;
}

const TKeyPressEvent* TCustomForm::FindKeyPressHandler(const std::string& name) const {
  auto it = keyPress_.find(name);
  return it == keyPress_.end() ? nullptr : &it->second;
}

void TCustomForm::BindField(TComponent* component) {
  auto it = fields_.find(component->Name());
  if (it == fields_.end()) return;
  if (!it->second.bind(component)) {
    throw EReadError("Field " + component->Name() + " has the wrong class " +
                     component->ClassName());
  }
  it->second.bound = true;
}

void TCustomForm::VerifyFields() const {
  for (const auto& [name, binder] : fields_) {
    if (!binder.bound) throw EReadError("Control " + name + " is missing from the description");
  }
}

void TCustomForm::Paint(Canvas& canvas) {
  canvas.FillRect(canvas.ClipRect(), Color());
}

void TCustomForm::ReadProperty(const std::string& name, const PropValue& value, ReadContext& ctx) {
  auto identIs = [&](std::initializer_list<const char*> allowed) {
    const AnsiString& v = IdentValue(value);
    for (const char* a : allowed) {
      if (v == a) return;
    }
    throw EReadError("Invalid property value");
  };
  if (name == "Left") {
    screenLeft_ = CoordinateValue(value);
  } else if (name == "Top") {
    screenTop_ = CoordinateValue(value);
  } else if (name == "ClientWidth") {
    SetBounds(0, 0, std::max(CoordinateValue(value), 0), ClientHeight());
  } else if (name == "ClientHeight") {
    SetBounds(0, 0, ClientWidth(), std::max(CoordinateValue(value), 0));
  } else if (name == "BorderStyle") {
    // A fixed dialog frame; it also switches automatic scroll bars off.
    identIs({"bsDialog"});
  } else if (name == "Color") {
    identIs({"clBtnFace"});
  } else if (name == "Font.Charset") {
    identIs({"DEFAULT_CHARSET"});
  } else if (name == "Font.Color") {
    identIs({"clWindowText"});
  } else if (name == "Font.Height") {
    fontHeight_ = IntegerValue(value);
    if (fontHeight_ == 0 || fontHeight_ < -200 || fontHeight_ > 200) {
      throw EReadError("Invalid property value");
    }
  } else if (name == "Font.Name") {
    StringValue(value);
  } else if (name == "Font.Style") {
    if (value.kind != PropValue::Kind::Set || !value.items.empty()) {
      throw EReadError("Invalid property value");
    }
  } else if (name == "OldCreateOrder") {
    BooleanValue(value);
  } else if (name == "Position") {
    const AnsiString& v = IdentValue(value);
    if (v == "poDesigned") {
      position_ = TPosition::poDesigned;
    } else if (v == "poDesktopCenter") {
      position_ = TPosition::poDesktopCenter;
    } else if (v == "poMainFormCenter") {
      position_ = TPosition::poMainFormCenter;
    } else {
      throw EReadError("Invalid property value");
    }
  } else if (name == "OnActivate") {
    const TNotifyEvent* handler = FindNotifyHandler(IdentValue(value));
    if (handler == nullptr) throw EReadError("Invalid property value");
    OnActivate = *handler;
  } else if (name == "PixelsPerInch") {
    storedPixelsPerInch_ = IntegerValue(value);
    if (storedPixelsPerInch_ <= 0) throw EReadError("Invalid property value");
  } else if (name == "TextHeight") {
    storedTextHeight_ = IntegerValue(value);
    if (storedTextHeight_ <= 0) throw EReadError("Invalid property value");
  } else if (name == "Caption") {
    SetCaptionText(StringValue(value));
  } else {
    TWinControl::ReadProperty(name, value, ctx);
  }
}

void TCustomForm::ApplyDensity(int pixelsPerInch) {
  // The font follows the screen's density; the layout follows the font's
  // real text height, which also differs when a substitute face is in use.
  if (pixelsPerInch > 0 && pixelsPerInch != storedPixelsPerInch_) {
    fontHeight_ = MulDiv(fontHeight_, pixelsPerInch, storedPixelsPerInch_);
  }
  int newTextHeight = Font::Get(fontHeight_).DigitHeight();
  if (newTextHeight == storedTextHeight_) return;
  for (TControl* child : Children()) child->ScaleEdges(newTextHeight, storedTextHeight_);
  SetBounds(0, 0, MulDiv(ClientWidth(), newTextHeight, storedTextHeight_),
            MulDiv(ClientHeight(), newTextHeight, storedTextHeight_));
}

}  // namespace tk
