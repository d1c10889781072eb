#include "toolkit/forms/Form.h"

#include <algorithm>
#include <cstdint>

#include "toolkit/base/Exceptions.h"
#include "toolkit/components/Properties.h"
#include "toolkit/forms/Application.h"
#include "toolkit/forms/ModalLoop.h"
#include "toolkit/paint/Canvas.h"
#include "toolkit/paint/Font.h"

namespace tk {

namespace {

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
  // The controls and timers go first, while they can still reach their
  // dialog (a running timer leaves the application's list).
  DestroyComponents();
  if (Application != nullptr && window_ != platform::kNoWindow) {
    Application->UnregisterWindow(this);
    Application->Platform().DestroyWindow(window_);
  }
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
  // Every other dialog is owned by the main dialog: above it, and sharing its
  // taskbar entry.
  TCustomForm* main = Application->MainForm();
  platform::WindowId owner =
      main != nullptr && main != this ? main->WindowId() : platform::kNoWindow;
  platform::WindowId id =
      platform.CreateWindow(AnsiToUtf8(Caption()), ClientWidth(), ClientHeight(), owner);
  if (id == platform::kNoWindow) throw EOutOfResources("Error creating window");
  window_ = id;
  platform.MoveWindow(window_, screenLeft_, screenTop_);
  if (!windowEnabled_) platform.EnableWindow(window_, false);
  Application->RegisterWindow(this);
}

void TCustomForm::Show() {
  if (formVisible_) return;
  CreateWindowHandle();
  formVisible_ = true;
  accessibleChange_ = true;
  InvalidateClient(TRect{0, 0, ClientWidth(), ClientHeight()});
  // Drawn before the window is placed and shown: the drawing overlaps the
  // window manager's answer about the frame, and once shown the window only
  // needs its pixels presented. Nothing is drawn while nothing is presented.
  if (Application->Platform().Presenting()) painted_ = PaintPending();
  if (position_ != TPosition::poDesigned) PlaceAtFirstShowing();
  Application->Platform().ShowWindow(window_);
}

void TCustomForm::Hide() {
  if (!formVisible_) return;
  formVisible_ = false;
  accessibleChange_ = true;
  input_.Reset();
  Application->Platform().HideWindow(window_);
  dirty_.clear();
  painted_.clear();
}

void TCustomForm::SetWindowEnabled(bool enabled) {
  if (enabled == windowEnabled_) return;
  windowEnabled_ = enabled;
  accessibleChange_ = true;
  if (!enabled) input_.Reset();
  if (window_ != platform::kNoWindow) Application->Platform().EnableWindow(window_, enabled);
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
  if (activeControl_ != nullptr && activeControl_->IsWithin(control)) {
    // The focus goes to the dialog itself, not to another field.
    TWinControl* old = activeControl_;
    activeControl_ = nullptr;
    old->FocusLeft();
  }
  input_.Forget(control);
}

int TCustomForm::RunModal() {
  if (formVisible_ || !windowEnabled_ || modal_) {
    throw EInvalidOperation("Cannot make a visible window modal");
  }
  ModalLoop loop(*Application, *this);
  Fire(OnActivate);
  // A close asked for while activating has no effect.
  modalOutcome_ = mrNone;
  int outcome = loop.Run();
  Fire(OnDeactivate);
  return outcome;
}

void TCustomForm::CloseDialog() {
  if (modal_) {
    modalOutcome_ = mrCancel;
    return;
  }
  if (this == Application->MainForm()) {
    Application->RequestQuit();
    return;
  }
  Hide();
}

void TCustomForm::Fire(const TNotifyEvent& event) {
  if (event) Invoke(this, [&] { event(this); });
}

void TCustomForm::InvalidateClient(const TRect& r) {
  if (!formVisible_) return;
  // What is drawn anew may read anew.
  accessibleChange_ = true;
  TRect clipped = r.Intersect(TRect{0, 0, ClientWidth(), ClientHeight()});
  if (clipped.IsEmpty()) return;
  // Merged with a pending rectangle that overlaps or touches it.
  AddDamage(dirty_, clipped, 1, 16);
}

std::vector<TRect> TCustomForm::PaintPending() {
  std::vector<TRect> rects;
  rects.swap(dirty_);
  if (buffer_.Width() != ClientWidth() || buffer_.Height() != ClientHeight()) {
    // A new buffer holds nothing yet: it is drawn whole, and the dialog's
    // own paint fills it, so it needs no fill of its own.
    buffer_.ResizeUndrawn(ClientWidth(), ClientHeight());
    rects.assign(1, TRect{0, 0, ClientWidth(), ClientHeight()});
  }
  for (const TRect& r : rects) {
    Canvas canvas = Canvas(buffer_).Clipped(r);
    PaintTree(canvas, this);
  }
  if (!painted_.empty()) {
    rects.insert(rects.begin(), painted_.begin(), painted_.end());
    painted_.clear();
  }
  return rects;
}

void TCustomForm::PaintTree(Canvas& canvas, TControl* control) {
  if (control != this && !control->Visible()) return;
  Canvas own = control == this ? canvas : canvas.Child(control->BoundsRect());
  if (own.ClipRect().IsEmpty()) return;
  // A control that fails to paint is reported; the rest still paints.
  Invoke(this, [&] { control->Paint(own); });
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

void TCustomForm::Paint(Canvas& canvas) {
  canvas.FillRect(canvas.ClipRect(), Color());
}

bool TCustomForm::DescribeAccessible(platform::AccessibleNode& node) const {
  node.role = platform::Role::Dialog;
  node.name = AnsiToUtf8(Caption());
  return true;
}

void TCustomForm::Announce(const AnsiString& text, platform::Politeness politeness) {
  if (Application != nullptr) Application->Accessibility().Announce(*this, text, politeness);
}

void TCustomForm::PlaceAtFirstShowing() {
  MoveTo(PlaceByRule(position_));
  placedBy_ = position_;
  position_ = TPosition::poDesigned;
}

TPoint TCustomForm::PlaceByRule(TPosition rule) const {
  auto& platform = Application->Platform();
  TRect outer = OuterRect();
  PlacementInput in;
  in.rule = rule;
  in.width = outer.Width();
  in.height = outer.Height();
  in.stored = {screenLeft_, screenTop_};
  in.desktop = platform.Desktop();
  in.monitors = platform.Monitors();
  TCustomForm* main = Application->MainForm();
  if (main != nullptr && main != this) in.mainDialog = main->OuterRect();
  // The dialog active before this one (placed again, this one may be active).
  TCustomForm* active = Application->ActiveForm();
  if (active == nullptr || active == this) active = main;
  if (active != nullptr && active != this) in.activeDialog = active->OuterRect();
  return PlaceDialog(in);
}

void TCustomForm::MoveTo(TPoint outerCorner) {
  screenLeft_ = outerCorner.X;
  screenTop_ = outerCorner.Y;
  if (window_ != platform::kNoWindow) {
    Application->Platform().MoveWindow(window_, outerCorner.X, outerCorner.Y);
  }
}

void TCustomForm::WindowMoved(int x, int y) {
  // A move to anywhere but where the toolkit put the dialog is the user's
  // (or the window manager's) choice, which a later frame must not undo.
  if (x != screenLeft_ || y != screenTop_) placedBy_.reset();
  screenLeft_ = x;
  screenTop_ = y;
}

void TCustomForm::FrameChanged() {
  if (!placedBy_) return;
  TPoint corner = PlaceByRule(*placedBy_);
  if (corner != TPoint{screenLeft_, screenTop_}) MoveTo(corner);
}

TRect TCustomForm::OuterRect() const {
  platform::FrameExtents frame{};
  if (Application != nullptr && window_ != platform::kNoWindow) {
    frame = Application->Platform().Frame(window_);
  }
  return TRect::FromSize(screenLeft_, screenTop_, ClientWidth() + frame.left + frame.right,
                         ClientHeight() + frame.top + frame.bottom);
}

bool TCustomForm::StartTimer(TTimer* timer) {
  return Application != nullptr && Application->Timers().Start(timer);
}

void TCustomForm::StopTimer(TTimer* timer) {
  if (Application != nullptr) Application->Timers().Stop(timer);
}

void TCustomForm::ReportError(const AnsiString& message) {
  if (Application != nullptr) Application->ShowException(message);
}

std::optional<AnsiString> TCustomForm::ClipboardText() {
  if (Application == nullptr) return AnsiString();
  std::optional<std::string> text = Application->Platform().ClipboardText();
  if (!text) return std::nullopt;
  return Utf8ToAnsi(*text);
}

const PropertyTable& TCustomForm::PublishedProperties() {
  // The classic look and font are the only ones drawn: the stored values
  // that name them are checked, not followed.
  static const PropertyTable table(
      &TWinControl::PublishedProperties(),
      {Coordinate<TCustomForm>("Left", [](TCustomForm& f, int v) { f.screenLeft_ = v; }),
       Coordinate<TCustomForm>("Top", [](TCustomForm& f, int v) { f.screenTop_ = v; }),
       Coordinate<TCustomForm>(
           "ClientWidth",
           [](TCustomForm& f, int v) { f.SetBounds(0, 0, std::max(v, 0), f.ClientHeight()); }),
       Coordinate<TCustomForm>(
           "ClientHeight",
           [](TCustomForm& f, int v) { f.SetBounds(0, 0, f.ClientWidth(), std::max(v, 0)); }),
       // A fixed dialog frame; it also switches automatic scroll bars off.
       OnlyIdent("BorderStyle", {"bsDialog"}),
       OnlyIdent("Color", {"clBtnFace"}),
       OnlyIdent("Font.Charset", {"DEFAULT_CHARSET"}),
       OnlyIdent("Font.Color", {"clWindowText"}),
       Integer<TCustomForm>("Font.Height", -200, 200,
                            [](TCustomForm& f, int v) {
                              if (v == 0) return false;
                              f.fontHeight_ = v;
                              return true;
                            }),
       Ignored("Font.Name", PropValue::Kind::String),
       {"Font.Style",
        [](TComponent&, const PropValue& v, const ReadContext&) {
          return v.kind == PropValue::Kind::Set && v.items.empty();
        }},
       Ignored("OldCreateOrder", PropValue::Kind::Boolean),
       Enum<TCustomForm, TPosition>("Position",
                                    {{"poDesigned", TPosition::poDesigned},
                                     {"poDesktopCenter", TPosition::poDesktopCenter},
                                     {"poMainFormCenter", TPosition::poMainFormCenter}},
                                    [](TCustomForm& f, TPosition v) { f.position_ = v; }),
       Event<TCustomForm>("OnActivate", &TCustomForm::OnActivate),
       Integer<TCustomForm>("PixelsPerInch", 1, INT32_MAX,
                            [](TCustomForm& f, int v) { f.storedPixelsPerInch_ = v; }),
       Integer<TCustomForm>("TextHeight", 1, INT32_MAX,
                            [](TCustomForm& f, int v) { f.storedTextHeight_ = v; })});
  return table;
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

TCustomForm* FormOf(const TControl* control) {
  if (control == nullptr) return nullptr;
  while (control->Parent() != nullptr) control = control->Parent();
  return dynamic_cast<TCustomForm*>(const_cast<TControl*>(control));
}

}  // namespace tk
