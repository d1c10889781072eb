#pragma once
// Runs the real program on the headless back end. A test queues scripted
// steps (typing, clicks, clock advances, checks) that run whenever the event
// loop is idle, then starts the loop; nested modal loops run the later steps.

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "app/Descriptions.h"
#include "app/DialogSet.h"
#include "quest/Unit1.h"
#include "quest/Unit2.h"
#include "quest/Unit3.h"
#include "quest/Unit4.h"
#include "quest/Unit5.h"
#include "toolkit/forms/Application.h"
#include "toolkit/forms/MessageBox.h"
#include "toolkit/platform/headless/HeadlessPlatform.h"

namespace mirvolant::testing {

using tk::platform::HeadlessPlatform;
using tk::platform::Key;

class QuestHarness {
 public:
  HeadlessPlatform platform;

  // Runs the whole program; steps queued before are played inside it.
  int RunProgram(const FatalErrorReport& fallback = {}) {
    return mirvolant::RunProgram(
        platform, "/usr/games/mirvolant",
        [this](std::string_view name) -> std::optional<std::string_view> {
          auto it = overrides.find(std::string(name));
          if (it == overrides.end()) return EmbeddedDescription(name);
          if (!it->second) return std::nullopt;
          return std::string_view(*it->second);
        },
        fallback);
  }
  // Descriptions the program is built from instead of its own (nothing: the
  // description is missing).
  std::map<std::string, std::optional<std::string>> overrides;

  void Then(std::function<void()> step) { platform.Then(std::move(step)); }

  // Clicks the middle of a control.
  void ClickOn(tk::TControl* control) {
    tk::TPoint o = control->OriginInForm();
    platform.Click(tk::FormOf(control)->WindowId(), o.X + control->Width() / 2,
                   o.Y + control->Height() / 2);
  }
  // Gives a field the focus with a click, selects what it holds (Ctrl+A) so
  // that typing replaces it, types the text and presses Enter.
  void Enter(tk::TMaskEdit* field, const std::string& utf8) {
    ClickOn(field);
    platform.Key(tk::FormOf(field)->WindowId(), Key::A, tk::platform::kCtrl);
    platform.Type(tk::FormOf(field)->WindowId(), utf8);
    platform.Key(tk::FormOf(field)->WindowId(), Key::Enter);
  }
  // Types into a field and clicks its "ОК" button instead of pressing Enter.
  void EnterByButton(tk::TMaskEdit* field, tk::TSpeedButton* button, const std::string& utf8) {
    ClickOn(field);
    platform.Type(tk::FormOf(field)->WindowId(), utf8);
    ClickOn(button);
  }
  // Lets the virtual clock run whole seconds.
  void Seconds(int64_t s) { platform.Advance(s * 1000); }
  void Close(tk::TCustomForm* form) { platform.Close(form->WindowId()); }

  // Solves the nine board slots with their codes, in the given order.
  void SolveBoard(const int (&order)[9]) {
    static const char* const kCodes[9] = {"gg38tt", "72m%", "3&9", "28k03", "жуфа",
                                          "367",    "%3%",  "7bx", "vemt"};
    for (int slot : order) {
      Then([this, slot] { Enter(Form1->SlotControls(slot).field, kCodes[slot - 1]); });
    }
  }
};

inline std::string Utf8(const tk::AnsiString& s) {
  return tk::AnsiToUtf8(s);
}

}  // namespace mirvolant::testing
