#include "Monkey.h"

#include <algorithm>
#include <cstdlib>

#include "toolkit/components/Timer.h"

namespace mirvolant::testing {

using tk::operator""_ansi;
using tk::platform::Event;
using tk::platform::EventKind;

namespace {

constexpr std::string_view kEngineCodeText = "Код: 66$6\rВбейте в движок 10 уровня."_ansi;
constexpr std::string_view kPhase3Prefix = "Вирус активирован, введите код слива: "_ansi;

// What the monkey's actions are and how often it picks each.
enum Action : int {
  kTypeText,
  kTypeCode,
  kPressKey,
  kClickControl,
  kClickAnywhere,
  kDrag,
  kMoveMouse,
  kCloseRequest,
  kAdvanceShort,
  kAdvanceLong,
  kJumpClock,
  kPasteShort,
  kLongText,
  kWindowEvent,
  kActionCount
};
constexpr double kWeights[kActionCount] = {22, 5, 22, 10, 8, 4, 5, 2, 10, 0.4, 0.8, 3, 0.1, 2};

std::string Utf8Of(char32_t cp) {
  std::string out;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
  return out;
}

// The components of type T of a dialog that are shown.
template <class T>
std::vector<T*> ShownOf(tk::TCustomForm* form) {
  std::vector<T*> shown;
  for (tk::TComponent* c : form->Components()) {
    if (auto* t = dynamic_cast<T*>(c); t != nullptr && t->Showing()) shown.push_back(t);
  }
  return shown;
}

// The missions by index: mystery, victory, escape.
TMissionForm* Mission(int i) {
  TMissionForm* const missions[3] = {Form3, Form4, Form5};
  return missions[i];
}

int32_t SecondsLeftOf(int i) {
  const int32_t left[3] = {unit3::SecondsLeft, unit4::SecondsLeft, unit5::SecondsLeft};
  return left[i];
}

std::string_view DrainCodeOf(int i) {
  const std::string_view codes[3] = {kMysteryDrainCode, kVictoryDrainCode, kEscapeDrainCode};
  return codes[i];
}

}  // namespace

MonkeyReport Monkey::Run() {
  while (report_.events < budget_ && !stop_) {
    Driver q;
    q_ = &q;
    // Each run starts as a fresh process would.
    SolvedCount = 0;
    unit3::SecondsLeft = unit4::SecondsLeft = unit5::SecondsLeft = 0;
    // Desktops of several shapes (the default one, a small one, two monitors
    // side by side).
    int desktop = Uniform(0, 2);
    if (desktop == 1) q.platform.SetDesktop({0, 0, 1024, 768});
    if (desktop == 2) {
      q.platform.SetDesktop({0, 0, 2304, 1024}, {{0, 0, 1024, 768}, {1024, 0, 2304, 1024}});
    }
    ++report_.runs;
    seen_ = Seen();
    lastAction_ = "start";
    int64_t clockStart = q.platform.Now();
    q.Then([this] { Step(); });
    int code = q.RunProgram();
    report_.virtualSeconds += (q.platform.Now() - clockStart) / 1000;
    if (code != 0 && !stop_) Fail("the program ended with exit code " + std::to_string(code));
    q_ = nullptr;
  }
  return report_;
}

void Monkey::Step() {
  if (stop_) return;
  Observe();
  if (!Check()) return;
  if (report_.events >= budget_) return;
  Act();
  q_->Then([this] { Step(); });
}

bool Monkey::Fail(const std::string& what) {
  if (report_.failure.empty()) {
    report_.failure = what + " (after event " + std::to_string(report_.events) + ", run " +
                      std::to_string(report_.runs) + ", last action: " + lastAction_ + ")";
  }
  stop_ = true;
  return false;
}

std::vector<tk::TCustomForm*> Monkey::AllForms() const {
  std::vector<tk::TCustomForm*> forms;
  for (const auto& f : tk::Application->Forms()) forms.push_back(f.get());
  if (tk::Application->MessageBox() != nullptr) forms.push_back(tk::Application->MessageBox());
  return forms;
}

tk::TCustomForm* Monkey::TopForm() const {
  if (tk::Application->MessageBox() != nullptr) return tk::Application->MessageBox();
  tk::TCustomForm* top = nullptr;
  for (tk::TCustomForm* f : AllForms()) {
    if (f->FormVisible() && f->WindowEnabled()) top = f;
  }
  return top != nullptr ? top : Form1;
}

tk::TCustomForm* Monkey::PickTarget() {
  if (Chance(0.85)) return TopForm();
  std::vector<tk::TCustomForm*> forms = AllForms();
  return forms[static_cast<size_t>(Uniform(0, static_cast<int>(forms.size()) - 1))];
}

bool Monkey::Check() {
  tk::TApplication& app = *tk::Application;
  if (app.MessageBox() != nullptr) {
    return Fail("an error message box is shown: " + Utf8(app.MessageBox()->Text()));
  }
  for (int i = 0; i < 3; ++i) {
    int32_t s = SecondsLeftOf(i);
    if (s < 0 || s > kPhaseTicks) {
      return Fail("SecondsLeft of mission " + std::to_string(i + 3) + " is " + std::to_string(s));
    }
  }
  int modalEnabled = 0;
  tk::TRect desktop = q_->platform.Desktop();
  for (tk::TCustomForm* f : AllForms()) {
    if (f->Modal() && f->WindowEnabled()) ++modalEnabled;
    // The system refuses input to the windows the toolkit disabled.
    const auto* window = q_->platform.Find(f->WindowId());
    if (window != nullptr && window->enabled != f->WindowEnabled()) {
      return Fail(std::string(f->ClassName()) + "'s window is " +
                  (window->enabled ? "enabled" : "disabled") + " for the system only");
    }
    if (f->FormVisible() && desktop.Intersect(f->OuterRect()) != f->OuterRect()) {
      return Fail(std::string(f->ClassName()) + " is shown outside the desktop");
    }
  }
  if (modalEnabled > 1) return Fail(std::to_string(modalEnabled) + " modal dialogs are enabled");

  // Board slots: solved (hidden, "OK") only by their own code.
  int solved = 0;
  for (int slot = 1; slot <= 9; ++slot) {
    TForm1::Slot s = Form1->SlotControls(slot);
    bool hidden = !s.field->Visible();
    if (hidden) ++solved;
    if (hidden && s.field->Text() != kLevelCodes[slot - 1]) {
      return Fail("board slot " + std::to_string(slot) + " solved by \"" + Utf8(s.field->Text()) +
                  "\"");
    }
    if (hidden != (s.panel->Caption() == "OK") || hidden == s.label->Visible() ||
        hidden == s.button->Visible()) {
      return Fail("board slot " + std::to_string(slot) + " is half solved");
    }
  }
  if (solved != SolvedCount) {
    return Fail(std::to_string(solved) + " slots hidden but SolvedCount is " +
                std::to_string(SolvedCount));
  }
  if (Form2->FormVisible() && solved != 9) {
    return Fail("the path choice is open with " + std::to_string(solved) + " levels solved");
  }

  // Missions: opened only through a right path code or the previous
  // mission's drain code; a drain-code slot hidden only by its code.
  bool opened[3] = {
      Form2->MaskEdit1->Text() == kPathCodes[0] ||
          (Form4->FormVisible() && Form4->MaskEdit1->Text() == kVictoryDrainCode),
      Form2->MaskEdit2->Text() == kPathCodes[1] ||
          (Form5->FormVisible() && Form5->MaskEdit1->Text() == kEscapeDrainCode),
      Form2->MaskEdit3->Text() == kPathCodes[2],
  };
  for (int i = 0; i < 3; ++i) {
    TMissionForm* m = Mission(i);
    if (m->FormVisible() && (!Form2->FormVisible() || !opened[i])) {
      return Fail(std::string(m->ClassName()) + " is open without its code");
    }
    if (!m->MaskEdit1->Visible() && m->MaskEdit1->Text() != DrainCodeOf(i)) {
      return Fail(std::string(m->ClassName()) + " accepted the drain code \"" +
                  Utf8(m->MaskEdit1->Text()) + "\"");
    }
  }
  if (Form3->Label1->Caption() == kEngineCodeText && Form3->MaskEdit1->Text() != "83~") {
    return Fail("the engine code is shown without the drain code");
  }
  return true;
}

void Monkey::Observe() {
  if (SolvedCount > seen_.solved) report_.levelsSolved += SolvedCount - seen_.solved;
  seen_.solved = SolvedCount;
  if (Form2->FormVisible() && !seen_.form2) ++report_.pathChoices;
  seen_.form2 = Form2->FormVisible();
  for (int i = 0; i < 3; ++i) {
    TMissionForm* m = Mission(i);
    if (m->FormVisible() && !seen_.mission[i]) ++report_.missionsShown[i];
    seen_.mission[i] = m->FormVisible();
    bool slot = m->MaskEdit1->Visible();
    if (seen_.missionSlotShown[i] && !slot) ++report_.missionsSolved[i];
    seen_.missionSlotShown[i] = slot;
    bool phase3 = std::string_view(m->Label1->Caption()).starts_with(kPhase3Prefix);
    if (phase3 && !seen_.missionPhase3[i]) ++report_.phaseThreeReached;
    seen_.missionPhase3[i] = phase3;
  }
}

void Monkey::AppendCodePoint(std::string& out) {
  switch (Uniform(0, 9)) {
    case 0:
    case 1:
    case 2:  // printable ASCII, codes use it
      out += Utf8Of(static_cast<char32_t>(Uniform(0x20, 0x7E)));
      break;
    case 3:
    case 4:  // Cyrillic, in the code page
      out += Utf8Of(static_cast<char32_t>(Uniform(0x400, 0x45F)));
      break;
    case 5: {  // control characters and DEL
      int c = Uniform(0, 32);
      out += Utf8Of(c == 32 ? 0x7F : static_cast<char32_t>(c));
      break;
    }
    case 6:  // other Latin, Greek, symbols: mostly outside the code page
      out += Utf8Of(static_cast<char32_t>(Uniform(0x80, 0x3FF)));
      break;
    case 7:  // CJK, punctuation, the replacement character, private use
      out += Utf8Of(static_cast<char32_t>(Uniform(0x2000, 0xFFFD)));
      break;
    case 8:  // beyond the basic plane: emoji and the rest
      out += Utf8Of(static_cast<char32_t>(Uniform(0x10000, 0x10FFFF)));
      break;
    default:  // raw bytes: broken UTF-8, lone continuation bytes, surrogates
      if (Chance(0.5)) {
        out.push_back(static_cast<char>(Uniform(0x80, 0xFF)));
      } else {
        out += "\xED\xA0\x80";  // an encoded surrogate
      }
      break;
  }
}

std::string Monkey::RandomText(int length) {
  std::string text;
  for (int i = 0; i < length; ++i) AppendCodePoint(text);
  return text;
}

tk::TPoint Monkey::RandomPoint(tk::TCustomForm* form) {
  return {Uniform(-40, form->ClientWidth() + 40), Uniform(-40, form->ClientHeight() + 40)};
}

bool Monkey::EndsTheRun(tk::TCustomForm* form, tk::TPoint pt) {
  // The board's "Закрыть" ends the run; mostly keep the monkey on the road.
  return form == Form1 && Form1->ControlAt(pt) == Form1->SpeedButton10 && Chance(0.98);
}

std::string Monkey::CodeForFocusedField(tk::TCustomForm* form) const {
  tk::TWinControl* focused = form->ActiveControl();
  if (focused == nullptr) return {};
  if (form == Form1) {
    for (int slot = 1; slot <= 9; ++slot) {
      if (Form1->SlotControls(slot).field == focused) return std::string(kLevelCodes[slot - 1]);
    }
  } else if (form == Form2) {
    tk::TMaskEdit* fields[3] = {Form2->MaskEdit1, Form2->MaskEdit2, Form2->MaskEdit3};
    for (int i = 0; i < 3; ++i) {
      if (fields[i] == focused) return std::string(kPathCodes[i]);
    }
  } else {
    for (int i = 0; i < 3; ++i) {
      if (form == Mission(i) && Mission(i)->MaskEdit1 == focused) {
        // The escape mission shows its code with a capital K.
        return i == 2 ? std::string("5335K") : std::string(DrainCodeOf(i));
      }
    }
  }
  return {};
}

void Monkey::SendText(tk::platform::WindowId w, const std::string& text, bool paste,
                      std::string_view what) {
  HeadlessPlatform& p = q_->platform;
  if (paste) {
    p.Paste(w, text);
  } else {
    p.Type(w, text);
  }
  Did(std::string(what) + " " + std::to_string(text.size()) + " bytes");
}

void Monkey::Act() {
  HeadlessPlatform& p = q_->platform;
  tk::TCustomForm* target = PickTarget();
  tk::platform::WindowId w = target->WindowId();
  // Now and then input goes to a window that does not exist.
  if (Chance(0.01)) w = 9999;

  static std::discrete_distribution<int> pick(std::begin(kWeights), std::end(kWeights));
  int action = pick(rng_);
  switch (action) {
    case kTypeText: {
      SendText(w, RandomText(Uniform(1, 12)), false, "type");
      break;
    }
    case kTypeCode: {
      // The right code (or a near miss) typed into the focused field, so
      // that the monkey reaches the path choice and the missions.
      tk::TCustomForm* top = TopForm();
      std::string code = CodeForFocusedField(top);
      if (code.empty()) {
        // Focus some field of the top dialog first.
        std::vector<tk::TMaskEdit*> fields = ShownOf<tk::TMaskEdit>(top);
        if (fields.empty()) {
          p.Key(top->WindowId(), Key::Tab);
          Did("tab to find a field");
          break;
        }
        q_->Click(fields[static_cast<size_t>(Uniform(0, static_cast<int>(fields.size()) - 1))]);
        Did("click a field", 3);
        break;
      }
      int variant = Uniform(0, 9);
      if (variant == 0 && code.size() > 1) {
        code.pop_back();  // a prefix
      } else if (variant == 1) {
        code.push_back(static_cast<char>(Uniform(0x21, 0x7E)));  // one too many
      } else if (variant == 2) {
        for (char& c : code) {
          if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);  // capitals
        }
      }
      p.Key(top->WindowId(), Key::A, tk::platform::kCtrl);
      p.Type(top->WindowId(), tk::AnsiToUtf8(code));
      p.Key(top->WindowId(), Key::Enter);
      Did("type a code into " + std::string(top->ClassName()), 3);
      break;
    }
    case kPressKey: {
      static constexpr Key kKeys[] = {
          Key::Tab,  Key::Tab,   Key::Enter, Key::Enter, Key::Escape, Key::Backspace, Key::Delete,
          Key::Left, Key::Right, Key::Up,    Key::Down,  Key::Home,   Key::End,       Key::Space,
          Key::A,    Key::C,     Key::V,     Key::X,     Key::Insert, Key::None,
      };
      auto key = kKeys[Uniform(0, static_cast<int>(std::size(kKeys)) - 1)];
      uint8_t mods = Chance(0.6) ? 0 : static_cast<uint8_t>(Uniform(0, 7));
      Event e;
      e.kind = Chance(0.9) ? EventKind::KeyDown : EventKind::KeyUp;
      e.window = w;
      e.key = key;
      e.modifiers = mods;
      e.repeat = Chance(0.1);
      p.Push(e);
      Did("key " + std::to_string(static_cast<int>(key)) + " mods " + std::to_string(mods) +
          " to " + target->ClassName());
      break;
    }
    case kClickControl: {
      std::vector<tk::TControl*> controls = ShownOf<tk::TControl>(target);
      if (controls.empty()) break;
      tk::TControl* c =
          controls[static_cast<size_t>(Uniform(0, static_cast<int>(controls.size()) - 1))];
      tk::TPoint o = c->OriginInForm();
      tk::TPoint pt{o.X + Uniform(0, std::max(0, c->Width() - 1)),
                    o.Y + Uniform(0, std::max(0, c->Height() - 1))};
      if (EndsTheRun(target, pt)) break;
      p.Click(w, pt.X, pt.Y);
      Did("click " + c->Name() + " of " + target->ClassName(), 3);
      break;
    }
    case kClickAnywhere: {
      tk::TPoint pt = RandomPoint(target);
      if (EndsTheRun(target, pt)) break;
      Event down;
      down.kind = EventKind::MouseDown;
      down.window = w;
      down.x = pt.X;
      down.y = pt.Y;
      down.button = Chance(0.8) ? 1 : Uniform(2, 5);
      Event up = down;
      up.kind = EventKind::MouseUp;
      p.Push(down);
      p.Push(up);
      Did("click anywhere in " + std::string(target->ClassName()), 2);
      break;
    }
    case kDrag: {
      tk::TPoint from = RandomPoint(target);
      p.MouseDown(w, from.X, from.Y);
      int moves = Uniform(1, 6);
      for (int i = 0; i < moves; ++i) {
        tk::TPoint to = RandomPoint(target);
        p.MouseMove(w, to.X, to.Y);
      }
      tk::TPoint to = RandomPoint(target);
      p.MouseUp(w, to.X, to.Y);
      Did("drag in " + std::string(target->ClassName()), moves + 2);
      break;
    }
    case kMoveMouse: {
      tk::TPoint pt = RandomPoint(target);
      if (Chance(0.2)) {
        Event e;
        e.kind = EventKind::MouseLeave;
        e.window = w;
        p.Push(e);
      } else {
        p.MouseMove(w, pt.X, pt.Y);
      }
      Did("move the mouse");
      break;
    }
    case kCloseRequest: {
      // Closing the enabled board ends the run, so it is rarer.
      if (target == Form1 && Form1->WindowEnabled() && Chance(0.98)) break;
      p.Close(w);
      Did("close " + std::string(target->ClassName()));
      break;
    }
    case kAdvanceShort: {
      int ms = Uniform(0, 2500);
      p.Advance(ms);
      Did("advance " + std::to_string(ms) + " ms");
      break;
    }
    case kAdvanceLong: {
      // Long enough for a phase or two to end while the monkey waits.
      int s = Uniform(60, 2500);
      p.Advance(int64_t{s} * 1000);
      Did("advance " + std::to_string(s) + " s");
      break;
    }
    case kJumpClock: {
      int64_t ms = Chance(0.5) ? Uniform(1, 60'000) : int64_t{Uniform(1, 30 * 24 * 3600)} * 1000;
      p.JumpClock(ms);
      Did("jump the clock " + std::to_string(ms) + " ms");
      break;
    }
    case kPasteShort: {
      SendText(w, RandomText(Uniform(0, 40)), true, "paste");
      break;
    }
    case kLongText: {
      // A very long paste or burst of typing, of code-page text or not.
      std::string text;
      int length = Uniform(10'000, 200'000);
      if (Chance(0.5)) {
        text.assign(static_cast<size_t>(length), static_cast<char>(Uniform('a', 'z')));
      } else {
        text = RandomText(length / 4);
      }
      ++report_.longPastes;
      SendText(w, text, Chance(0.5), "long text of");
      break;
    }
    case kWindowEvent: {
      static constexpr EventKind kKinds[] = {EventKind::FocusGained, EventKind::FocusLost,
                                             EventKind::Exposed, EventKind::Wake};
      Event e;
      e.kind = kKinds[Uniform(0, 3)];
      e.window = w;
      p.Push(e);
      Did("window event " + std::to_string(static_cast<int>(e.kind)));
      break;
    }
  }
}

}  // namespace mirvolant::testing
