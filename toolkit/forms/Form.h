#pragma once
// Dialogs: top-level windows holding controls, shown modally or as the main
// dialog. The dialog keeps its window, its focus and its painting; input
// routing, placement, handler binding and the modal loop have units of their
// own.

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "toolkit/components/Control.h"
#include "toolkit/forms/Bindings.h"
#include "toolkit/forms/InputRouter.h"
#include "toolkit/forms/Placement.h"
#include "toolkit/paint/PixelBuffer.h"

namespace tk {

// The outcome of a modal dialog; mrNone while it runs.
enum TModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2 };

class TCustomForm : public TWinControl, public ControlHost, public DialogBindings {
 public:
  TCustomForm();
  ~TCustomForm() override;

  ControlHost* Host() const override { return const_cast<TCustomForm*>(this); }

  const AnsiString& Caption() const { return CaptionText(); }
  void SetCaption(const AnsiString& text);
  int ClientWidth() const { return Width(); }
  int ClientHeight() const { return Height(); }
  // The outer frame's top-left corner on the desktop.
  int ScreenLeft() const { return screenLeft_; }
  int ScreenTop() const { return screenTop_; }
  TPosition Position() const { return position_; }
  int FontHeight() const { return fontHeight_; }
  const Font& DialogFont() const override;

  bool FormVisible() const { return formVisible_; }
  // Shown or hidden by the toolkit (RunModal, the main dialog). Showing
  // creates the window at the first time; that may fail (EOutOfResources).
  void Show();
  void Hide();
  // A disabled dialog takes no input, close requests included.
  bool WindowEnabled() const { return windowEnabled_; }
  void SetWindowEnabled(bool enabled);
  bool Modal() const { return modal_; }
  void SetModal(bool modal) {
    modal_ = modal;
    accessibleChange_ = true;
  }
  int ModalOutcome() const { return modalOutcome_; }
  void SetModalOutcome(int outcome) { modalOutcome_ = outcome; }

  // The control that has or gets the focus when the dialog is active.
  TWinControl* ActiveControl() const override { return activeControl_; }
  // Moves the focus to control (or to the dialog itself when null).
  void FocusControl(TWinControl* control, bool byMouse = false) override;
  // Tab and Shift+Tab: the next control in tab order that can take the focus.
  void SelectNext(bool forward);
  // The first control in tab order that can take the focus, or null.
  TWinControl* FirstFocusable() const;
  void ControlLostShowing(TControl* control) override;

  // Shows the dialog modally and runs its loop until it is closed; returns
  // the outcome that ended it.
  int RunModal();
  // Asks the dialog to close: on a modal dialog only records cancel.
  void CloseDialog();

  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  // Calls one of the dialog's events, reporting what escapes it.
  void Fire(const TNotifyEvent& event);

  // Painting: rectangles waiting for repaint, in client coordinates.
  void InvalidateClient(const TRect& r) override;
  bool NeedsPaint() const { return !dirty_.empty() || !painted_.empty(); }
  // Paints the pending rectangles into the buffer and returns them, with
  // those painted ahead, for presenting.
  std::vector<TRect> PaintPending();
  const PixelBuffer& Buffer() const { return buffer_; }
  void Paint(Canvas& canvas) override;

  platform::WindowId WindowId() const { return window_; }
  // Creates the dialog's window (hidden) unless it exists; done at the first
  // showing, so that dialogs nobody opens cost no window. Raises
  // EOutOfResources when the system refuses the window.
  void CreateWindowHandle();
  // The window manager moved the window.
  void WindowMoved(int x, int y);
  // The window's frame became known or changed: a dialog that its rule placed
  // and that nobody moved since is placed again by that rule, with its real
  // outer size.
  void FrameChanged();
  void MoveTo(TPoint outerCorner);
  TRect OuterRect() const;

  // Mouse and key input from the window system.
  InputRouter& Input() { return input_; }
  TControl* ControlAt(TPoint p) const { return input_.ControlAt(p); }

  // Density rescaling applied while building: font height and edges.
  void ApplyDensity(int pixelsPerInch);

  // Accessibility: a dialog named by its caption. Announce has assistive
  // technology say text (a countdown's new minute, say) while the dialog is
  // shown; nothing happens while nothing listens.
  bool DescribeAccessible(platform::AccessibleNode& node) const override;
  void Announce(const AnsiString& text,
                platform::Politeness politeness = platform::Politeness::Polite);
  // Whether anything the accessible tree shows may have changed since the
  // last call (repaints, showing, enabling); clears the mark.
  bool TakeAccessibleChange() { return std::exchange(accessibleChange_, false); }
  bool AccessibleChangePending() const { return accessibleChange_; }

  // ControlHost: timers, errors and the clipboard go to the application.
  bool StartTimer(TTimer* timer) override;
  void StopTimer(TTimer* timer) override;
  void ReportError(const AnsiString& message) override;
  std::optional<AnsiString> ClipboardText() override;

  static const PropertyTable& PublishedProperties();
  const PropertyTable& Properties() const override { return PublishedProperties(); }

 protected:
  // A dialog built in code rather than from a description.
  void SetClientSize(int width, int height);

 private:
  void PaintTree(Canvas& canvas, TControl* control);
  // Places the dialog at its first showing by its Position rule.
  void PlaceAtFirstShowing();
  // Where the rule puts the dialog now, by its outer size.
  TPoint PlaceByRule(TPosition rule) const;

  platform::WindowId window_ = platform::kNoWindow;
  PixelBuffer buffer_;
  std::vector<TRect> dirty_;
  // Painted before the window was shown, not presented yet.
  std::vector<TRect> painted_;
  InputRouter input_{*this};
  int screenLeft_ = 0;
  int screenTop_ = 0;
  TPosition position_ = TPosition::poDesigned;
  // The rule that placed the dialog at its first showing, while the dialog
  // still stands where that rule put it.
  std::optional<TPosition> placedBy_;
  int fontHeight_ = -11;
  int storedPixelsPerInch_ = 96;
  int storedTextHeight_ = 13;
  bool formVisible_ = false;
  bool windowEnabled_ = true;
  bool modal_ = false;
  bool accessibleChange_ = true;
  int modalOutcome_ = mrNone;
  TWinControl* activeControl_ = nullptr;
};

class TForm : public TCustomForm {
 public:
  using TCustomForm::TCustomForm;
};

// The dialog a control belongs to (the top of its parent chain), or null.
TCustomForm* FormOf(const TControl* control);

}  // namespace tk
