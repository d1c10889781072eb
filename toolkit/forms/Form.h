#pragma once
// Dialogs: top-level windows built from their descriptions, shown modally or
// as the main dialog, with focus, painting and placement.

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/components/Control.h"
#include "toolkit/paint/PixelBuffer.h"

namespace tk {

class TApplication;

enum class TPosition : uint8_t { poDesigned, poDesktopCenter, poMainFormCenter };

class TCustomForm : public TWinControl {
 public:
  TCustomForm();
  ~TCustomForm() override;

  TCustomForm* Form() const override { return const_cast<TCustomForm*>(this); }

  // Builds the dialog from the description stored under its class name in
  // capitals. Called once by TApplication::CreateDialog.
  void LoadFromDescription();

  const AnsiString& Caption() const { return CaptionText(); }
  void SetCaption(const AnsiString& text);
  int ClientWidth() const { return Width(); }
  int ClientHeight() const { return Height(); }
  // The outer frame's top-left corner on the desktop.
  int ScreenLeft() const { return screenLeft_; }
  int ScreenTop() const { return screenTop_; }
  TPosition Position() const { return position_; }
  int FontHeight() const { return fontHeight_; }
  const Font& DialogFont() const;

  bool FormVisible() const { return formVisible_; }
  // Shown or hidden by the toolkit (RunModal, the main dialog).
  void Show();
  void Hide();
  // A disabled dialog takes no input, close requests included.
  bool WindowEnabled() const { return windowEnabled_; }
  void SetWindowEnabled(bool enabled);
  bool Modal() const { return modal_; }
  int ModalOutcome() const { return modalOutcome_; }
  void SetModalOutcome(int outcome) { modalOutcome_ = outcome; }

  // The control that has or gets the focus when the dialog is active.
  TWinControl* ActiveControl() const { return activeControl_; }
  void SetActiveControl(TWinControl* control);
  // Moves the focus to control (or to the dialog itself when null).
  void FocusControl(TWinControl* control, bool byMouse = false);
  // Tab and Shift+Tab: the next control in tab order that can take the focus.
  void SelectNext(bool forward);
  // The first control in tab order that can take the focus, or null.
  TWinControl* FirstFocusable() const;
  // Called when a control of this dialog is hidden or disabled.
  void ControlLostShowing(TControl* control);

  // Shows the dialog modally and runs its loop until it is closed.
  int RunModal();
  // Asks the dialog to close: on a modal dialog only records cancel.
  void CloseDialog();

  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;

  // Painting: rectangles waiting for repaint, in client coordinates.
  void InvalidateClient(const TRect& r);
  bool NeedsPaint() const { return !dirty_.empty(); }
  // Paints the pending rectangles into the buffer and returns them.
  std::vector<TRect> PaintPending();
  const PixelBuffer& Buffer() const { return buffer_; }
  void Paint(Canvas& canvas) override;

  platform::WindowId WindowId() const { return window_; }
  // Creates the dialog's window (hidden) unless it exists; done at the first
  // showing, so that dialogs nobody opens cost no window.
  void CreateWindowHandle();
  // Places the dialog at its first showing by its Position rule.
  void PlaceAtFirstShowing();
  // The window manager moved the window.
  void WindowMoved(int x, int y);
  TRect OuterRect() const;

  // Mouse input from the window system, in client coordinates.
  void HandleMouse(const platform::Event& e);
  void HandleKey(const platform::Event& e);
  // The control under the point (client coordinates), deepest first.
  TControl* ControlAt(TPoint p) const;

  // Handlers and control fields bound by name while the description is read.
  const TNotifyEvent* FindNotifyHandler(const std::string& name) const;
  const TKeyPressEvent* FindKeyPressHandler(const std::string& name) const;
  void BindField(TComponent* component);
  // Fails when a declared control was missing from the description.
  void VerifyFields() const;

  void ReadProperty(const std::string& name, const PropValue& value, ReadContext& ctx) override;

  // Density rescaling applied while building: font height and edges.
  void ApplyDensity(int pixelsPerInch);

 protected:
  void Handler(const std::string& name, TNotifyEvent fn) { notify_[name] = std::move(fn); }
  void KeyHandler(const std::string& name, TKeyPressEvent fn) { keyPress_[name] = std::move(fn); }
  // Declares a control member filled in by name while the description is read.
  template <class T>
  void Field(const std::string& name, T*& member) {
    fields_[name] = Binder{[&member](TComponent* c) {
                             member = dynamic_cast<T*>(c);
                             return member != nullptr;
                           },
                           false};
  }
  // A dialog built in code rather than from a description.
  void SetClientSize(int width, int height);

 private:
  friend class TApplication;
  TControl* HitTest(TWinControl* parent, TPoint p, TPoint& local) const;
  void PaintTree(Canvas& canvas, TControl* control);
  void SetHot(TControl* control);

  platform::WindowId window_ = platform::kNoWindow;
  PixelBuffer buffer_;
  std::vector<TRect> dirty_;
  int screenLeft_ = 0;
  int screenTop_ = 0;
  bool userMoved_ = false;
  TPosition position_ = TPosition::poDesigned;
  int fontHeight_ = -11;
  int storedPixelsPerInch_ = 96;
  int storedTextHeight_ = 13;
  bool formVisible_ = false;
  bool windowEnabled_ = true;
  bool modal_ = false;
  int modalOutcome_ = 0;
  TWinControl* activeControl_ = nullptr;
  TControl* captured_ = nullptr;
  TControl* hot_ = nullptr;
  std::map<std::string, TNotifyEvent> notify_;
  std::map<std::string, TKeyPressEvent> keyPress_;
  struct Binder {
    std::function<bool(TComponent*)> bind;
    bool bound;
  };
  std::map<std::string, Binder> fields_;
};

class TForm : public TCustomForm {
 public:
  using TCustomForm::TCustomForm;
};

}  // namespace tk
