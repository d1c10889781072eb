#pragma once
// The application object: the dialogs it owns, the main dialog, the event
// loop with its nested modal loops, focus between dialogs and the error
// message box. The loop runs the timer queue and the caret's blinking.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/base/Exceptions.h"
#include "toolkit/components/TimerQueue.h"
#include "toolkit/forms/AccessibleTree.h"
#include "toolkit/forms/CaretBlink.h"
#include "toolkit/forms/Form.h"
#include "toolkit/platform/Platform.h"

namespace tk {

class TMessageBoxForm;

// Builds a dialog from its description; the description reader implements
// it. Raises when the dialog cannot be built.
class DialogLoader {
 public:
  virtual void Load(TCustomForm& form) = 0;

 protected:
  ~DialogLoader() = default;
};

class TApplication {
 public:
  // The title is the program file's name without folder, cut at its first
  // full stop, every character after the first lower-cased. Dialogs are
  // built by loader, which must outlive the application; without one no
  // dialog can be created.
  TApplication(platform::Platform& platform, const char* programPath,
               DialogLoader* loader = nullptr);
  ~TApplication();
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  // The title the rule above gives a program file's path.
  static AnsiString TitleOf(const char* programPath);

  platform::Platform& Platform() { return platform_; }
  const AnsiString& Title() const { return title_; }
  TCustomForm* MainForm() const { return mainForm_; }
  bool Terminated() const { return terminated_; }

  // Creates a dialog of class T, stores it in ref and builds it hidden from
  // its description. The first dialog created is the main dialog.
  template <class T>
  void CreateDialog(T*& ref) {
    auto form = std::make_unique<T>();
    ref = form.get();
    T* raw = form.get();
    forms_.push_back(std::move(form));
    try {
      Load(*raw);
      // A dialog's window is made when it is first shown, except the main
      // dialog's: that one is always shown, and made now the window system
      // prepares it (the frame it will get) while the other dialogs are built.
      if (mainForm_ == nullptr) raw->CreateWindowHandle();
    } catch (...) {
      forms_.pop_back();
      ref = nullptr;
      throw;
    }
    if (mainForm_ == nullptr) mainForm_ = raw;
  }

  // Shows the main dialog and handles events until the program is told to
  // terminate. Raises when the main dialog's window cannot be made.
  // afterFirstFrame, when given, runs once the main dialog was first
  // presented, before any event is handled (and raises as the loop does):
  // work that the first frame need not wait for.
  void RunEventLoop(const std::function<void()>& afterFirstFrame = {});
  // Posts a quit request; the loop that reads it sets the terminate flag.
  void RequestQuit();
  // Handles one event, waiting for one (or the next due timer) if needed.
  void HandleMessage();
  // Fires the timers that are due, blinks the caret and repaints, without
  // waiting; returns the next deadline (negative: none). The back end runs
  // it while the system holds the thread in a loop of its own.
  int64_t HandleDueWork();

  // Shows a message in the error message box (a full stop added by the
  // rule below). Called where an event was dispatched.
  void ShowException(const AnsiString& message);
  // Reports an error that ends the start-up; false when not even the error
  // box could be shown (the message then went to the error stream only).
  bool ShowStartupError(const AnsiString& message);
  // Shows text in the error message box and waits until it is closed; false
  // when the box could not be shown.
  bool ShowErrorBox(const AnsiString& text);
  // The message box text for a message: a full stop is added when the last
  // character sorts after ".".
  static AnsiString MessageBoxText(const AnsiString& message);
  // The message box currently shown, or null.
  TMessageBoxForm* MessageBox() const { return messageBox_; }

  // Focus between dialogs: the dialog that last received the keyboard focus.
  TCustomForm* FocusedForm() const { return focusedForm_; }
  // The dialog whose window is active.
  TCustomForm* ActiveForm() const { return activeForm_; }
  void ActivateWindow(TCustomForm* form);
  // The focus enters form: fires OnDeactivate / OnActivate when it changes.
  void SetFocusedForm(TCustomForm* form);

  // The running timers of every dialog; the loop fires their ticks.
  TimerQueue& Timers() { return timers_; }
  // Late ticks are dropped unless the program asks otherwise; caught-up
  // ticks are handled before any input.
  void SetLateTicks(LateTicks policy) { timers_.SetLateTicks(policy); }

  const std::vector<std::unique_ptr<TCustomForm>>& Forms() const { return forms_; }
  // Dialogs shown, modal or otherwise, including the message box.
  std::vector<TCustomForm*> VisibleForms() const;

  // Paints and presents every dialog with pending rectangles, then publishes
  // what changed to assistive technology, where it listens.
  void PaintAll();
  AccessibilityPublisher& Accessibility() { return accessibility_; }

  // The modal protocol's steps on the application's side (see ModalLoop).
  // Disables every other shown, enabled window; returns those disabled.
  std::vector<TCustomForm*> DisableOtherWindows(TCustomForm* form);
  void EnableWindows(const std::vector<TCustomForm*>& windows);
  void PushFocusedForm(TCustomForm* form);
  void PopFocusedForm();
  // Ends a mouse capture in every dialog.
  void ReleaseCapture();
  // A dialog's window that was made and is about to go.
  void RegisterWindow(TCustomForm* form);
  void UnregisterWindow(TCustomForm* form);
  // The window disappeared (hidden): it is no longer the active one.
  void WindowHidden(TCustomForm* form);
  // The dialog has a window that has not gone away.
  bool HasWindow(const TCustomForm* form) const;

 private:
  void Load(TCustomForm& form);
  void Dispatch(const platform::Event& e);
  TCustomForm* FormOfWindow(platform::WindowId id) const;
  // The next timer tick or caret blink, or -1.
  int64_t NextDeadline() const noexcept;
  void BlinkCaret();
  void ShowMainForm();
  // Reads the system's colours and caret blink time.
  void ReadSystemLook();

  platform::Platform& platform_;
  AnsiString title_;
  DialogLoader* loader_;
  std::vector<std::unique_ptr<TCustomForm>> forms_;
  std::vector<TCustomForm*> windows_;
  TCustomForm* mainForm_ = nullptr;
  TCustomForm* focusedForm_ = nullptr;
  TCustomForm* activeForm_ = nullptr;
  std::vector<TCustomForm*> savedFocus_;
  bool terminated_ = false;
  bool quitPosted_ = false;
  TimerQueue timers_;
  CaretBlink caret_;
  // What the platform was last told of typed text (SetTextInput).
  platform::TextInputPlace textInput_;
  TMessageBoxForm* messageBox_ = nullptr;
  AccessibilityPublisher accessibility_;
};

// The one application object while it exists.
extern TApplication* Application;

}  // namespace tk
