#pragma once
// The structure the three mission dialogs share: a task, three timed phases of
// 1200 one-second ticks ending in clues, and a drain code to type back.

#include <cstdint>
#include <string_view>

#include "toolkit/components/Controls.h"
#include "toolkit/components/Timer.h"
#include "toolkit/forms/Form.h"

namespace mirvolant {

inline constexpr int32_t kPhaseTicks = 1200;

class TMissionForm : public tk::TForm {
 public:
  tk::TPanel *Panel1, *Panel2, *Panel3;
  tk::TLabel *Label1, *Label2, *Label3;
  tk::TMaskEdit* MaskEdit1;
  tk::TSpeedButton *SpeedButton1, *SpeedButton2;
  tk::TTimer *Timer1, *Timer2, *Timer3;

  // Shown with RunModal: the task and a fresh first phase.
  virtual void FormActivate(tk::TObject* sender);
  void Timer1Timer(tk::TObject*) { Tick(1); }
  void Timer2Timer(tk::TObject*) { Tick(2); }
  void Timer3Timer(tk::TObject*) { Tick(3); }
  // The drain-code check.
  virtual void SpeedButton2Click(tk::TObject* sender) = 0;
  void MaskEdit1KeyPress(tk::TObject* sender, char& key);
  // "Закрыть".
  void SpeedButton1Click(tk::TObject*) { CloseDialog(); }

  int32_t SecondsLeft() const { return secondsLeft_; }

  // The status line is a status for assistive technology: read on demand,
  // not each second.
  void Loaded() override;

 protected:
  struct Texts {
    std::string_view task;
    std::string_view phase1Clue;
    std::string_view phase2Clue;
    std::string_view phase3Text;
  };
  TMissionForm(int32_t& secondsLeft, const Texts& texts);

  // One tick of phase K: count down, show it, end the phase at 0.
  void Tick(int phase);
  virtual void EndPhase1();
  virtual void EndPhase2();
  void EndPhase3();
  // Hides the drain-code slot: label, field, button.
  void HideDrainSlot();
  // Has a screen reader say the new task or clue text, after the status line
  // when that no longer counts down.
  void AnnounceNews(bool status);

  int32_t& secondsLeft_;
  Texts texts_;
};

// The countdown line of phase K with the seconds left.
tk::AnsiString CountdownLine(int phase, int32_t secondsLeft);

}  // namespace mirvolant
