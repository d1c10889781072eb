#pragma once
// The web back end on a page of the test's own: a wall clock the test moves,
// input the test gives as the page would (pointer in desktop pixels, keys by
// the browser's names, typed and pasted text), the journal kept in a string, and steps that run
// whenever the program waits with nothing to do. When the steps are done the
// program is asked to end, as the headless back end does.

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <typeinfo>

#include "app/Program.h"
#include "quest/Unit1.h"
#include "quest/Unit2.h"
#include "quest/Unit3.h"
#include "quest/Unit4.h"
#include "quest/Unit5.h"
#include "toolkit/components/Controls.h"
#include "toolkit/components/Timer.h"
#include "toolkit/forms/Application.h"
#include "toolkit/platform/headless/Script.h"
#include "toolkit/platform/web/WebPlatform.h"
#include "toolkit/text/Ansi.h"

namespace mirvolant::testing {

namespace web = tk::platform::web;
using Raw = web::RawInput::Kind;

class FakeHost : public web::Host {
 public:
  static constexpr int64_t kStart = 1'700'000'000'000;

  int64_t wall = kStart;
  std::deque<web::RawInput> arrived;
  tk::platform::Script script;
  // The journal's two copies, and whether the storage takes a save.
  std::string storage;
  std::string storageCopy;
  bool storageFull = false;
  bool refused = false;
  bool textInput = false;
  tk::TRect textArea;
  tk::platform::NodeId textNode = tk::platform::kNoNode;
  // The page's mirror for assistive technology: kept or not, and each batch
  // of its changes.
  bool mirroring = false;
  std::vector<std::string> mirrored;
  double replayMs = -1;
  size_t replayed = 0;
  int viewWidth = 1280;
  int viewHeight = 800;
  double ratio = 1;
  web::WebPlatform* platform = nullptr;

  // Steps and time.
  void Then(std::function<void()> step) { script.steps.push_back(std::move(step)); }
  // Lets the program run ms of wall time, waking as it asks.
  void RunFor(int64_t ms) {
    Then([this, ms] { script.limit = wall + ms; });
  }
  // The page is frozen for ms: the time passes without the program.
  void Freeze(int64_t ms) {
    Then([this, ms] { wall += ms; });
  }

  // Input as the page reports it, now.
  web::RawInput& Arrive(Raw kind) {
    web::RawInput in;
    in.kind = kind;
    in.wallMs = wall;
    arrived.push_back(in);
    return arrived.back();
  }
  void Pointer(Raw kind, tk::TPoint p, bool touch = false) {
    web::RawInput& in = Arrive(kind);
    in.x = p.X + 0.5;
    in.y = p.Y + 0.5;
    in.touch = touch;
  }
  void Click(tk::TPoint p, bool touch = false) {
    if (!touch) Pointer(Raw::PointerMove, p);
    Pointer(Raw::PointerDown, p, touch);
    Pointer(Raw::PointerUp, p, touch);
  }
  // A key by its name and place, as the browser names them ("Enter"; "a" at "KeyA").
  void Key(const std::string& key, const std::string& code = "", uint8_t modifiers = 0) {
    for (Raw kind : {Raw::KeyDown, Raw::KeyUp}) {
      web::RawInput& in = Arrive(kind);
      in.key = key;
      in.code = code;
      in.modifiers = modifiers;
    }
  }
  void Type(const std::string& utf8) { Arrive(Raw::Text).text = utf8; }
  // What a screen reader asks of a node of the page's mirror.
  void Access(tk::platform::NodeId node, tk::platform::AccessibleAction action,
              const std::string& utf8 = "") {
    web::RawInput& in = Arrive(Raw::Access);
    in.node = node;
    in.action = action;
    in.text = utf8;
  }
  void Paste(const std::string& utf8) { Arrive(Raw::Paste).text = utf8; }

  // The desktop point at the middle of a control.
  tk::TPoint At(const tk::TControl* control) const {
    tk::TCustomForm* form = tk::FormOf(control);
    tk::TRect outer = platform->Windows().OuterRect(form->WindowId());
    tk::TPoint o = control->OriginInForm();
    return {outer.Left + web::WindowManager::kFrame.left + o.X + control->Width() / 2,
            outer.Top + web::WindowManager::kFrame.top + o.Y + control->Height() / 2};
  }
  // Clicks a field, selects what it holds, types and presses Enter.
  void Enter(const tk::TMaskEdit* field, const std::string& utf8) {
    Click(At(field));
    Key("a", "KeyA", tk::platform::kCtrl);
    Type(utf8);
    Key("Enter");
  }

  // Host.
  int64_t WallMs() override { return wall; }
  void Viewport(int& width, int& height, double& r) override {
    width = viewWidth;
    height = viewHeight;
    r = ratio;
  }
  bool NextInput(web::RawInput& out) override {
    if (arrived.empty()) return false;
    out = arrived.front();
    arrived.pop_front();
    return true;
  }
  void Sleep(int64_t ms) override {
    if (!arrived.empty()) return;
    if (!script.Next(wall, ms < 0 ? -1 : wall + ms)) platform->PostQuit();
  }
  void SetSurface(int, int, double) override {}
  void Show(const std::vector<uint32_t>&, int, const std::vector<tk::TRect>&) override {}
  std::string LoadJournal(int copy) override { return copy == 0 ? storage : storageCopy; }
  bool SaveJournal(int copy, const std::string& text) override {
    if (storageFull) return false;
    (copy == 0 ? storage : storageCopy) = text;
    return true;
  }
  void SetTextInput(bool wanted, const tk::TRect& area, tk::platform::NodeId node) override {
    textInput = wanted;
    textArea = area;
    textNode = node;
  }
  bool Mirroring() override { return mirroring; }
  void Mirror(const std::string& operations) override { mirrored.push_back(operations); }
  void JournalRefused() override { refused = true; }
  void ReplayFinished(double ms, size_t records) override {
    replayMs = ms;
    replayed = records;
  }
  double PreciseMs() override;
};

// Runs the program on a web back end over host until its steps are done;
// returns the exit code.
int RunOnPage(FakeHost& host, const char* program = "Mirvolant test");

// The program's state as text: every dialog's window, focus and controls,
// the timers and the quest's counters. Two runs that reached the same state
// give the same text.
std::string StateOf();

}  // namespace mirvolant::testing
