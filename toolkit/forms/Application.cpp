#include "toolkit/forms/Application.h"

#include <algorithm>
#include <cstdio>

#include "toolkit/forms/MessageBox.h"

namespace tk {

TApplication* Application = nullptr;

AnsiString TApplication::TitleOf(const char* path) {
  std::string_view p = path != nullptr ? path : "";
  size_t slash = p.find_last_of("/\\");
  if (slash != std::string_view::npos) p.remove_prefix(slash + 1);
  size_t dot = p.find('.');
  if (dot != std::string_view::npos) p = p.substr(0, dot);
  AnsiString title = Utf8ToAnsi(p);
  if (title.size() > 1) title = title.substr(0, 1) + AsciiLower(title.substr(1));
  return title;
}

TApplication::TApplication(platform::Platform& platform, const char* programPath,
                           DialogLoader* loader)
    : platform_(platform),
      title_(TitleOf(programPath)),
      loader_(loader),
      timers_([&platform] { return platform.NowMs(); }) {
  Application = this;
  platform_.SetDueWork([this] { return HandleDueWork(); });
  ReadSystemLook();
}

void TApplication::ReadSystemLook() {
  for (int i = 0; i < kSysColorCount; ++i) {
    auto name = static_cast<SysColor>(i);
    SetSystemColorValue(name, platform_.SystemColorValue(name));
  }
  caret_.SetPeriod(platform_.CaretBlinkMs());
  // A caret that no longer blinks stays on.
  if (TWinControl* field = CaretControl(activeForm_)) field->SetCaretOn(true);
}

TApplication::~TApplication() {
  platform_.SetDueWork({});
  // Dialogs go in reverse creation order; their timers and windows with them.
  while (!forms_.empty()) forms_.pop_back();
  Application = nullptr;
}

void TApplication::Load(TCustomForm& form) {
  if (loader_ == nullptr) {
    throw EResNotFound(std::string("Resource ") + form.ClassName() + " not found");
  }
  loader_->Load(form);
}

void TApplication::RunEventLoop(const std::function<void()>& afterFirstFrame) {
  if (mainForm_ == nullptr) return;
  ShowMainForm();
  if (afterFirstFrame) {
    PaintAll();
    afterFirstFrame();
  }
  while (!terminated_) HandleMessage();
}

void TApplication::ShowMainForm() {
  mainForm_->Show();
  ActivateWindow(mainForm_);
  // The focus enters the main dialog: its one activation outside RunModal.
  SetFocusedForm(mainForm_);
}

void TApplication::RequestQuit() {
  quitPosted_ = true;
}

void TApplication::HandleMessage() {
  TimerQueue::LoopTurn turn(timers_);
  PaintAll();
  if (quitPosted_) {
    quitPosted_ = false;
    terminated_ = true;
    return;
  }
  platform::Event e;
  // Ticks that fell due while the program could not run happened before any
  // input that is waiting now.
  if (timers_.LateTickPolicy() == LateTicks::CatchUp && timers_.FireDue()) return;
  // Input first, then due timers, then wait: timers never starve input.
  if (platform_.WaitEvent(e, platform_.NowMs())) {
    Dispatch(e);
    return;
  }
  if (timers_.FireDue()) return;
  if (caret_.IsDue(platform_.NowMs())) {
    BlinkCaret();
    return;
  }
  if (platform_.WaitEvent(e, NextDeadline())) Dispatch(e);
}

int64_t TApplication::HandleDueWork() {
  // Each due timer fires once, unless late ticks are caught up: the queue
  // then moves its deadline by one interval at a time.
  while (timers_.FireDue()) {
  }
  if (caret_.IsDue(platform_.NowMs())) BlinkCaret();
  PaintAll();
  return NextDeadline();
}

int64_t TApplication::NextDeadline() const noexcept {
  int64_t deadline = timers_.NextDue();
  int64_t blink = caret_.Due();
  if (blink >= 0 && (deadline < 0 || blink < deadline)) deadline = blink;
  return deadline;
}

void TApplication::BlinkCaret() {
  // A blink changes nothing that assistive technology reads.
  bool pending = activeForm_ != nullptr && activeForm_->AccessibleChangePending();
  caret_.Blink(CaretControl(activeForm_), platform_.NowMs());
  if (activeForm_ != nullptr && !pending) activeForm_->TakeAccessibleChange();
}

void TApplication::PaintAll() {
  // A paint that fails shows the error box, which registers a window of its
  // own: walk a copy of the list.
  if (platform_.Presenting()) {
    std::vector<TCustomForm*> windows = windows_;
    for (TCustomForm* form : windows) {
      if (!form->FormVisible() || !form->NeedsPaint()) continue;
      std::vector<TRect> rects = form->PaintPending();
      platform_.Present(form->WindowId(), form->Buffer(), rects);
    }
    if (platform_.AccessibilityListening()) {
      accessibility_.Publish(platform_, windows_, activeForm_);
    } else {
      accessibility_.Reset();
    }
  }
  // The caret blinks only in a focused field of the active window, which is
  // also where typed text goes.
  TWinControl* textField = CaretControl(activeForm_);
  caret_.Follow(textField != nullptr, [this] { return platform_.NowMs(); });
  platform::TextInputPlace place;
  if (textField != nullptr) {
    TPoint origin = textField->OriginInForm();
    place.window = activeForm_->WindowId();
    place.area = TRect::FromSize(origin.X, origin.Y, textField->Width(), textField->Height());
  }
  if (!(place == textInput_)) {
    textInput_ = place;
    platform_.SetTextInput(place);
  }
}

TCustomForm* TApplication::FormOfWindow(platform::WindowId id) const {
  for (TCustomForm* form : windows_) {
    if (form->WindowId() == id) return form;
  }
  return nullptr;
}

void TApplication::RegisterWindow(TCustomForm* form) {
  windows_.push_back(form);
}

void TApplication::UnregisterWindow(TCustomForm* form) {
  std::erase(windows_, form);
  accessibility_.Forget(*form);
  if (activeForm_ == form) activeForm_ = nullptr;
  if (focusedForm_ == form) focusedForm_ = nullptr;
  std::erase(savedFocus_, form);
}

void TApplication::WindowHidden(TCustomForm* form) {
  if (activeForm_ == form) activeForm_ = nullptr;
}

bool TApplication::HasWindow(const TCustomForm* form) const {
  return form != nullptr && std::find(windows_.begin(), windows_.end(), form) != windows_.end();
}

void TApplication::Dispatch(const platform::Event& e) {
  using platform::EventKind;
  if (e.kind == EventKind::Quit) {
    terminated_ = true;
    return;
  }
  if (e.kind == EventKind::Wake) return;
  if (e.kind == EventKind::SettingsChanged) {
    // New colours: everything is drawn again.
    ReadSystemLook();
    for (TCustomForm* shown : VisibleForms()) {
      shown->InvalidateClient(TRect{0, 0, shown->ClientWidth(), shown->ClientHeight()});
    }
    return;
  }
  TCustomForm* form = FormOfWindow(e.window);
  if (form == nullptr) return;
  Invoke(form, [&] {
    switch (e.kind) {
      case EventKind::CloseRequest:
        // A disabled dialog ignores the close box like any other input.
        if (form->WindowEnabled() && form->FormVisible()) form->CloseDialog();
        break;
      case EventKind::KeyDown:
      case EventKind::Paste:
      case EventKind::Text:
        // A key or a paste restarts the caret's blink phase.
        if (e.kind != EventKind::Text) caret_.Restart();
        form->Input().Key(e);
        break;
      case EventKind::MouseMove:
      case EventKind::MouseDown:
      case EventKind::MouseUp:
      case EventKind::MouseLeave:
        form->Input().Mouse(e);
        break;
      case EventKind::FocusGained:
        if (!form->FormVisible()) break;
        if (!form->WindowEnabled()) {
          // A dialog beneath a modal one: the modal one keeps the focus.
          if (focusedForm_ != nullptr && focusedForm_ != form && focusedForm_->FormVisible()) {
            ActivateWindow(focusedForm_);
          }
          break;
        }
        if (activeForm_ != form) ActivateWindow(form);
        SetFocusedForm(form);
        break;
      case EventKind::FocusLost:
        if (activeForm_ == form) {
          activeForm_ = nullptr;
          if (TWinControl* control = form->ActiveControl()) control->SetCaretOn(false);
        }
        break;
      case EventKind::Exposed:
        form->InvalidateClient(TRect{0, 0, form->ClientWidth(), form->ClientHeight()});
        break;
      case EventKind::Moved:
        form->WindowMoved(e.x, e.y);
        break;
      case EventKind::FrameChanged:
        form->FrameChanged();
        // Dialogs centred on the board follow it when it was placed again.
        if (form == mainForm_) {
          for (TCustomForm* other : windows_) {
            if (other != form) other->FrameChanged();
          }
        }
        break;
      case EventKind::AccessibleAction:
        ApplyAccessibleAction(*this, *form, e);
        break;
      default:
        break;
    }
  });
}

void TApplication::ActivateWindow(TCustomForm* form) {
  if (form == nullptr || !form->FormVisible()) return;
  activeForm_ = form;
  platform_.Activate(form->WindowId());
  // Initial focus: the first control in tab order that can take it.
  if (form->ActiveControl() == nullptr) {
    if (TWinControl* first = form->FirstFocusable()) form->FocusControl(first);
  } else {
    form->ActiveControl()->SetCaretOn(true);
  }
}

void TApplication::SetFocusedForm(TCustomForm* form) {
  if (form == focusedForm_) return;
  TCustomForm* old = focusedForm_;
  focusedForm_ = form;
  if (old != nullptr) old->Fire(old->OnDeactivate);
  if (form != nullptr) form->Fire(form->OnActivate);
}

void TApplication::PushFocusedForm(TCustomForm* form) {
  savedFocus_.push_back(focusedForm_);
  focusedForm_ = form;
}

void TApplication::PopFocusedForm() {
  if (savedFocus_.empty()) return;
  focusedForm_ = savedFocus_.back();
  savedFocus_.pop_back();
}

void TApplication::ReleaseCapture() {
  std::vector<TCustomForm*> windows = windows_;
  for (TCustomForm* form : windows) form->Input().ReleaseCapture();
}

std::vector<TCustomForm*> TApplication::DisableOtherWindows(TCustomForm* form) {
  std::vector<TCustomForm*> disabled;
  for (TCustomForm* other : windows_) {
    if (other != form && other->FormVisible() && other->WindowEnabled()) {
      other->SetWindowEnabled(false);
      disabled.push_back(other);
    }
  }
  if (form->WindowId() != platform::kNoWindow && mainForm_ != nullptr && form != mainForm_ &&
      mainForm_->WindowId() != platform::kNoWindow) {
    platform_.SetModalFor(form->WindowId(), mainForm_->WindowId());
  }
  return disabled;
}

void TApplication::EnableWindows(const std::vector<TCustomForm*>& windows) {
  for (TCustomForm* other : windows) {
    // A window that went away meanwhile is not touched.
    if (HasWindow(other)) other->SetWindowEnabled(true);
  }
}

std::vector<TCustomForm*> TApplication::VisibleForms() const {
  std::vector<TCustomForm*> out;
  for (TCustomForm* form : windows_) {
    if (form->FormVisible()) out.push_back(form);
  }
  return out;
}

AnsiString TApplication::MessageBoxText(const AnsiString& message) {
  AnsiString text = message;
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text.push_back('.');
  return text;
}

void TApplication::ShowException(const AnsiString& message) {
  ShowErrorBox(MessageBoxText(message));
}

bool TApplication::ShowStartupError(const AnsiString& message) {
  return ShowErrorBox(MessageBoxText(message));
}

bool TApplication::ShowErrorBox(const AnsiString& text) {
  std::fprintf(stderr, "%s: %s\n", AnsiToUtf8(title_).c_str(), AnsiToUtf8(text).c_str());
  if (terminated_) return false;
  bool shown = true;
  TMessageBoxForm box(title_, text);
  TMessageBoxForm* outer = messageBox_;
  messageBox_ = &box;
  try {
    // Centred on the dialog it interrupts, or on the desktop.
    box.CreateWindowHandle();
    TRect owner = activeForm_ != nullptr ? activeForm_->OuterRect() : platform_.Desktop();
    TRect outerRect = box.OuterRect();
    box.MoveTo(CentreInside(owner, outerRect.Width(), outerRect.Height(), platform_.Desktop()));
    box.RunModal();
  } catch (const Exception&) {
    // Not even the box could be shown: the message went to the error stream.
    shown = false;
  }
  messageBox_ = outer;
  return shown;
}

}  // namespace tk
