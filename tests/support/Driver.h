#pragma once
// One driver for dialogs on the headless back end. A test queues steps
// (input, clock advances, checks) that run whenever the event loop is idle;
// nested modal loops run the later steps. Then it runs either the whole
// program (RunProgram) or three small test dialogs that check the toolkit's
// rules in isolation (TestApp, Run).

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "Road.h"
#include "app/Descriptions.h"
#include "app/Program.h"
#include "quest/Unit1.h"
#include "quest/Unit2.h"
#include "quest/Unit3.h"
#include "quest/Unit4.h"
#include "quest/Unit5.h"
#include "toolkit/components/Controls.h"
#include "toolkit/components/Timer.h"
#include "toolkit/forms/Application.h"
#include "toolkit/forms/Form.h"
#include "toolkit/forms/MessageBox.h"
#include "toolkit/platform/headless/HeadlessPlatform.h"
#include "toolkit/reader/Reader.h"

namespace mirvolant::testing {

using tk::platform::HeadlessPlatform;
using tk::platform::Key;

class TTestDialog;

class Driver {
 public:
  HeadlessPlatform platform;
  // Descriptions the program is built from instead of its own (nothing: the
  // description is missing).
  std::map<std::string, std::optional<std::string>> overrides;

  // Runs the whole program; steps queued before are played inside it.
  int RunProgram(const FatalErrorReport& fallback = {}) {
    return mirvolant::RunProgram(
        platform, "/usr/games/mirvolant",
        [this](std::string_view name) {
          auto it = overrides.find(std::string(name));
          if (it == overrides.end()) return EmbeddedDescription(name);
          return it->second ? std::optional<std::string_view>(*it->second) : std::nullopt;
        },
        fallback);
  }

  void Then(std::function<void()> step) { platform.Then(std::move(step)); }
  // Lets the virtual clock run whole seconds.
  void Seconds(int64_t s) { platform.Advance(s * 1000); }
  // A step that only lets the clock run (s seconds).
  void Wait(int64_t s) {
    Then([this, s] { Seconds(s); });
  }

  // Input as players give it; the mouse goes to the middle of a control.
  void Click(tk::TControl* control) { Mouse(&HeadlessPlatform::Click, control); }
  void Hover(tk::TControl* control) { Mouse(&HeadlessPlatform::MouseMove, control); }
  void Press(tk::TControl* control) { Mouse(&HeadlessPlatform::MouseDown, control); }
  void Key(tk::TCustomForm* form, tk::platform::Key key, uint8_t modifiers = 0) {
    platform.Key(form->WindowId(), key, modifiers);
  }
  void Type(tk::TCustomForm* form, const std::string& utf8) {
    platform.Type(form->WindowId(), utf8);
  }
  // Gives a field the focus with a click, selects what it holds (Ctrl+A) so
  // that typing replaces it, types the text and presses Enter.
  void Enter(tk::TMaskEdit* field, const std::string& utf8) {
    tk::TCustomForm* form = tk::FormOf(field);
    Click(field);
    Key(form, Key::A, tk::platform::kCtrl);
    Type(form, utf8);
    Key(form, Key::Enter);
  }
  void Close(tk::TCustomForm* form) { platform.Close(form->WindowId()); }
  // What a screen reader asks of a control (or of a dialog itself).
  void Act(tk::TControl* control, tk::platform::AccessibleAction action, std::string text = {}) {
    tk::TCustomForm* form = tk::FormOf(control);
    platform.Act(form->WindowId(), control->AccessibleId(), action, std::move(text));
  }
  // A control's node in the last tree published for its dialog, or null.
  const tk::platform::AccessibleNode* Node(const tk::TControl* control) const {
    const tk::platform::AccessibleTree* tree = platform.TreeOf(tk::FormOf(control)->WindowId());
    return tree != nullptr ? tree->Find(control->AccessibleId()) : nullptr;
  }
  // The texts announced since the reports were last cleared.
  std::vector<std::string> Announcements() const {
    std::vector<std::string> out;
    for (const auto& r : platform.Reports()) {
      if (r.change.kind == tk::platform::ChangeKind::Announcement) out.push_back(r.change.text);
    }
    return out;
  }
  // Presses Enter in the error message box, which closes it.
  void DismissBox() {
    ASSERT_NE(tk::Application->MessageBox(), nullptr);
    Key(tk::Application->MessageBox(), Key::Enter);
  }

  // Roads through the program, as steps, with the codes of the road
  // (tests/road/road.txt).
  // Solves the nine board slots in the given order; the ninth opens the
  // path choice.
  void SolveBoard(std::initializer_list<int> order = {1, 2, 3, 4, 5, 6, 7, 8, 9}) {
    for (int slot : order) {
      Then([this, slot] {
        Enter(Form1->SlotControls(slot).field, Road::Get().levels.at(slot - 1));
      });
    }
  }
  // Types path N's code into its field (1 mystery, 2 victory, 3 escape).
  void EnterPath(int path) {
    tk::TMaskEdit* fields[3] = {Form2->MaskEdit1, Form2->MaskEdit2, Form2->MaskEdit3};
    Enter(fields[path - 1], Road::Get().paths.at(path - 1));
  }
  // Types a mission's drain code into its field.
  void EnterDrain(TMissionForm* mission) {
    Enter(mission->MaskEdit1, Road::Get().drains.at(mission->Name()));
  }
  // Solves the board and types path N's code: its mission is shown.
  void OpenPath(int path) {
    SolveBoard();
    Then([this, path] { EnterPath(path); });
  }
  // Closes every shown dialog, innermost first, the board last, then runs
  // the program; returns its exit code.
  int CloseAllAndRun() {
    Then([this] { CloseInnermost(); });
    return RunProgram();
  }

  // Three test dialogs from small descriptions with handlers that tests set;
  // the first is the main dialog. Run() runs their event loop.
  void CreateTestDialogs();
  void Run() { app->RunEventLoop(); }
  tk::TApplication* app = nullptr;
  TTestDialog* d1 = nullptr;
  TTestDialog* d2 = nullptr;
  TTestDialog* d3 = nullptr;

 private:
  void Mouse(void (HeadlessPlatform::*send)(tk::platform::WindowId, int, int), tk::TControl* c) {
    tk::TPoint o = c->OriginInForm();
    (platform.*send)(tk::FormOf(c)->WindowId(), o.X + c->Width() / 2, o.Y + c->Height() / 2);
  }
  void CloseInnermost() {
    std::vector<tk::TCustomForm*> shown = tk::Application->VisibleForms();
    if (shown.empty()) return;
    tk::TCustomForm* top = tk::Application->FocusedForm();
    if (top == nullptr || !top->FormVisible()) top = shown.back();
    Close(top);
    if (top != tk::Application->MainForm()) Then([this] { CloseInnermost(); });
  }

  std::map<std::string, std::string, std::less<>> testDescriptions_;
  std::unique_ptr<tk::DescriptionReader> testReader_;
  std::unique_ptr<tk::TApplication> testApp_;
};

// A test dialog: a panel holding Edit1 and Button1, Edit2 and Edit3 below
// it, and a disabled timer, all of it counted.
class TTestDialog : public tk::TForm {
 public:
  tk::TPanel* Panel1 = nullptr;
  tk::TMaskEdit* Edit1 = nullptr;
  tk::TMaskEdit* Edit2 = nullptr;
  tk::TMaskEdit* Edit3 = nullptr;
  tk::TSpeedButton* Button1 = nullptr;
  tk::TTimer* Timer1 = nullptr;

  int activations = 0;
  int clicks = 0;
  int ticks = 0;
  std::string keys;  // characters seen by Edit1's OnKeyPress
  std::function<void()> onActivate;
  std::function<void()> onClick;
  std::function<void()> onTick;

  explicit TTestDialog(int n) : className_("TTestDialog" + std::to_string(n)) {
    Field("Panel1", Panel1);
    Field("Edit1", Edit1);
    Field("Edit2", Edit2);
    Field("Edit3", Edit3);
    Field("Button1", Button1);
    Field("Timer1", Timer1);
    Handler("FormActivate", [this](tk::TObject*) { Count(activations, onActivate); });
    Handler("Button1Click", [this](tk::TObject*) { Count(clicks, onClick); });
    Handler("Timer1Timer", [this](tk::TObject*) { Count(ticks, onTick); });
    KeyHandler("Edit1KeyPress", [this](tk::TObject*, char& key) { keys.push_back(key); });
  }
  const char* ClassName() const override { return className_.c_str(); }

 private:
  static void Count(int& counter, const std::function<void()>& then) {
    ++counter;
    if (then) then();
  }
  std::string className_;
};

template <int N>
struct TTestDialogN : TTestDialog {
  TTestDialogN() : TTestDialog(N) {}
};

// The description of test dialog n.
inline std::string TestDescription(int n) {
  return "object Dialog" + std::to_string(n) + ": TTestDialog" + std::to_string(n) +
         "\n"
         "  Caption = 'Test'\n  ClientHeight = 200\n  ClientWidth = 300\n"
         "  Position = poDesktopCenter\n"
         "  OnActivate = FormActivate\n"
         "  object Panel1: TPanel\n"
         "    Left = 0\n    Top = 0\n    Width = 300\n    Height = 100\n    TabOrder = 0\n"
         "    object Edit1: TMaskEdit\n"
         "      Left = 10\n      Top = 10\n      Width = 100\n      Height = 19\n"
         "      Ctl3D = False\n      PasswordChar = '*'\n      TabOrder = 0\n"
         "      OnKeyPress = Edit1KeyPress\n"
         "    end\n"
         "    object Button1: TSpeedButton\n"
         "      Left = 120\n      Top = 10\n      Width = 50\n      Height = 22\n"
         "      Caption = 'B'\n      Flat = True\n      OnClick = Button1Click\n"
         "    end\n"
         "  end\n"
         "  object Edit2: TMaskEdit\n"
         "    Left = 10\n    Top = 120\n    Width = 100\n    Height = 19\n    TabOrder = 1\n"
         "  end\n"
         "  object Edit3: TMaskEdit\n"
         "    Left = 10\n    Top = 150\n    Width = 100\n    Height = 19\n    TabOrder = 2\n"
         "  end\n"
         "  object Timer1: TTimer\n"
         "    Enabled = False\n    OnTimer = Timer1Timer\n"
         "  end\n"
         "end\n";
}

inline void Driver::CreateTestDialogs() {
  for (int n = 1; n <= 3; ++n)
    testDescriptions_["TTESTDIALOG" + std::to_string(n)] = TestDescription(n);
  testReader_ = std::make_unique<tk::DescriptionReader>(
      [this](std::string_view name) -> std::optional<std::string_view> {
        auto it = testDescriptions_.find(name);
        if (it == testDescriptions_.end()) return std::nullopt;
        return std::string_view(it->second);
      });
  testApp_ =
      std::make_unique<tk::TApplication>(platform, "/opt/games/mirvolant.bin", testReader_.get());
  app = testApp_.get();
  TTestDialogN<1>* one = nullptr;
  TTestDialogN<2>* two = nullptr;
  TTestDialogN<3>* three = nullptr;
  app->CreateDialog(one);
  app->CreateDialog(two);
  app->CreateDialog(three);
  d1 = one;
  d2 = two;
  d3 = three;
}

// A driver with the three test dialogs made.
struct TestApp : Driver {
  TestApp() { CreateTestDialogs(); }
};

inline std::string Utf8(const tk::AnsiString& s) {
  return tk::AnsiToUtf8(s);
}

}  // namespace mirvolant::testing
