#pragma once
// Small dialogs built from descriptions that tests supply, with handlers
// that tests set, for checking the toolkit's rules in isolation.

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <string>

#include "toolkit/components/Controls.h"
#include "toolkit/components/Timer.h"
#include "toolkit/forms/Application.h"
#include "toolkit/forms/Form.h"
#include "toolkit/forms/MessageBox.h"
#include "toolkit/platform/headless/HeadlessPlatform.h"
#include "toolkit/reader/Reader.h"

namespace mirvolant::testing {

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

  TTestDialog() {
    Field("Panel1", Panel1);
    Field("Edit1", Edit1);
    Field("Edit2", Edit2);
    Field("Edit3", Edit3);
    Field("Button1", Button1);
    Field("Timer1", Timer1);
    Handler("FormActivate", [this](tk::TObject*) {
      ++activations;
      if (onActivate) onActivate();
    });
    Handler("Button1Click", [this](tk::TObject*) {
      ++clicks;
      if (onClick) onClick();
    });
    Handler("Timer1Timer", [this](tk::TObject*) {
      ++ticks;
      if (onTick) onTick();
    });
    KeyHandler("Edit1KeyPress", [this](tk::TObject*, char& key) { keys.push_back(key); });
  }
};

template <int N>
class TTestDialogN : public TTestDialog {
 public:
  const char* ClassName() const override { return kNames[N]; }

 private:
  static constexpr const char* kNames[] = {"TTestDialog0", "TTestDialog1", "TTestDialog2",
                                           "TTestDialog3"};
};

// The description of a test dialog: a panel holding Edit1 and Button1,
// Edit2 and Edit3 below it, and a disabled timer.
inline std::string TestDescription(int n, const std::string& position = "poDesktopCenter") {
  std::string cls = "TTestDialog" + std::to_string(n);
  return "object Dialog" + std::to_string(n) + ": " + cls +
         "\n"
         "  Caption = 'Test'\n"
         "  ClientHeight = 200\n"
         "  ClientWidth = 300\n"
         "  Position = " +
         position +
         "\n"
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

// An application with three test dialogs; the first is the main dialog.
struct TestApp {
  tk::platform::HeadlessPlatform platform;
  std::map<std::string, std::string, std::less<>> descriptions;
  tk::DescriptionReader reader{[this](std::string_view name) -> std::optional<std::string_view> {
    auto it = descriptions.find(name);
    if (it == descriptions.end()) return std::nullopt;
    return std::string_view(it->second);
  }};
  std::unique_ptr<tk::TApplication> app;
  TTestDialogN<1>* d1 = nullptr;
  TTestDialogN<2>* d2 = nullptr;
  TTestDialogN<3>* d3 = nullptr;

  TestApp() {
    for (int n = 1; n <= 3; ++n) {
      descriptions["TTESTDIALOG" + std::to_string(n)] = TestDescription(n);
    }
    app = std::make_unique<tk::TApplication>(platform, "/opt/games/mirvolant.bin", &reader);
    app->CreateDialog(d1);
    app->CreateDialog(d2);
    app->CreateDialog(d3);
  }
  ~TestApp() { app.reset(); }
  void Then(std::function<void()> step) { platform.Then(std::move(step)); }
  void Click(tk::TControl* c) {
    tk::TPoint o = c->OriginInForm();
    platform.Click(tk::FormOf(c)->WindowId(), o.X + c->Width() / 2, o.Y + c->Height() / 2);
  }
  void Key(tk::TCustomForm* f, tk::platform::Key k, uint8_t mods = 0) {
    platform.Key(f->WindowId(), k, mods);
  }
  void Type(tk::TCustomForm* f, const std::string& text) { platform.Type(f->WindowId(), text); }
  // Presses Enter in the message box, which closes it.
  void DismissBox() {
    ASSERT_NE(app->MessageBox(), nullptr);
    platform.Key(app->MessageBox()->WindowId(), tk::platform::Key::Enter);
  }
  void Run() { app->RunEventLoop(); }
};

}  // namespace mirvolant::testing
