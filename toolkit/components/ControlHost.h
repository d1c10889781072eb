#pragma once
// What controls and timers need from the dialog that holds them. The dialog
// implements this interface; components never name the dialog class.

#include <exception>
#include <optional>
#include <utility>

#include "toolkit/base/Exceptions.h"
#include "toolkit/base/Geometry.h"

namespace tk {

class Font;
class TControl;
class TTimer;
class TWinControl;

class ControlHost {
 public:
  // Repaints a rectangle of the dialog's client area.
  virtual void InvalidateClient(const TRect& r) = 0;
  // The dialog font, inherited by every control.
  virtual const Font& DialogFont() const = 0;
  // The control that has or gets the keyboard focus, or null.
  virtual TWinControl* ActiveControl() const = 0;
  // Moves the focus to control (null: to the dialog itself).
  virtual void FocusControl(TWinControl* control, bool byMouse) = 0;
  // A control was hidden or disabled: focus, mouse capture and hover leave it
  // and its children.
  virtual void ControlLostShowing(TControl* control) = 0;
  // Starts a timer's ticks, a full interval from now; false when the system
  // has no more timers.
  virtual bool StartTimer(TTimer* timer) = 0;
  virtual void StopTimer(TTimer* timer) = 0;
  // Shows the message of an exception that escaped an event handler.
  virtual void ReportError(const AnsiString& message) = 0;
  // The clipboard's text (what a paste key inserts); null where the system
  // hands it over only with a paste of its own.
  virtual std::optional<AnsiString> ClipboardText() = 0;

 protected:
  ~ControlHost() = default;
};

// Calls an event handler where its event was dispatched. An exception that
// escapes it ends the handler and is reported to host; EAbort is dropped
// silently. Everything else goes on.
template <class F>
void Invoke(ControlHost* host, F&& handler) {
  try {
    std::forward<F>(handler)();
  } catch (const EAbort&) {
  } catch (const Exception& e) {
    if (host != nullptr) host->ReportError(e.Message());
  } catch (const std::exception& e) {
    if (host != nullptr) host->ReportError(Utf8ToAnsi(e.what()));
  }
}

}  // namespace tk
