#include "quest/Mission.h"

namespace mirvolant {

using tk::operator""_ansi;

tk::AnsiString CountdownLine(int phase, int32_t secondsLeft) {
  std::string_view prefix = phase == 1 ? "До активации 1-ой части вируса осталось: "_ansi
                            : phase == 2 ? "До активации 2-ой части вируса осталось: "_ansi
                                         : "До активации 3-ой части вируса осталось: "_ansi;
  return tk::AnsiString(prefix) + tk::DecimalText(secondsLeft) + tk::AnsiString(" сек."_ansi);
}

TMissionForm::TMissionForm(int32_t& secondsLeft, const Texts& texts)
    : secondsLeft_(secondsLeft), texts_(texts) {
  Field("Panel1", Panel1);
  Field("Panel2", Panel2);
  Field("Panel3", Panel3);
  Field("Label1", Label1);
  Field("Label2", Label2);
  Field("Label3", Label3);
  Field("MaskEdit1", MaskEdit1);
  Field("SpeedButton1", SpeedButton1);
  Field("SpeedButton2", SpeedButton2);
  Field("Timer1", Timer1);
  Field("Timer2", Timer2);
  Field("Timer3", Timer3);
  Handler("FormActivate", [this](tk::TObject* s) { FormActivate(s); });
  Handler("Timer1Timer", [this](tk::TObject* s) { Timer1Timer(s); });
  Handler("Timer2Timer", [this](tk::TObject* s) { Timer2Timer(s); });
  Handler("Timer3Timer", [this](tk::TObject* s) { Timer3Timer(s); });
  Handler("SpeedButton1Click", [this](tk::TObject* s) { SpeedButton1Click(s); });
  Handler("SpeedButton2Click", [this](tk::TObject* s) { SpeedButton2Click(s); });
  KeyHandler("MaskEdit1KeyPress", [this](tk::TObject* s, char& key) { MaskEdit1KeyPress(s, key); });
}

void TMissionForm::Loaded() {
  TForm::Loaded();
  Label2->SetAccessibleRole(tk::platform::Role::Status);
}

void TMissionForm::FormActivate(tk::TObject*) {
  Label1->SetCaption(tk::AnsiString(texts_.task));
  secondsLeft_ = kPhaseTicks;
  // Timers of later phases left running by an earlier showing stop first, so
  // only one timer ever counts the seconds down. A running first-phase timer
  // keeps its rhythm.
  Timer2->SetEnabled(false);
  Timer3->SetEnabled(false);
  Timer1->SetEnabled(true);
}

void TMissionForm::MaskEdit1KeyPress(tk::TObject*, char& key) {
  if (key == 13) SpeedButton2Click(this);
}

void TMissionForm::Tick(int phase) {
  --secondsLeft_;
  Label2->SetCaption(CountdownLine(phase, secondsLeft_));
  if (secondsLeft_ != 0) {
    // A screen reader hears the countdown at each whole minute only.
    if (secondsLeft_ > 0 && secondsLeft_ % 60 == 0) Announce(Label2->Caption());
    return;
  }
  if (phase == 1) {
    EndPhase1();
  } else if (phase == 2) {
    EndPhase2();
  } else {
    EndPhase3();
  }
  AnnounceNews(phase == 3);
}

void TMissionForm::AnnounceNews(bool status) {
  if (status) Announce(Label2->Caption());
  Announce(Label1->Caption());
}

void TMissionForm::EndPhase1() {
  Label1->SetCaption(tk::AnsiString(texts_.phase1Clue));
  Timer1->SetEnabled(false);
  Timer2->SetEnabled(true);
  secondsLeft_ = kPhaseTicks;
}

void TMissionForm::EndPhase2() {
  Label1->SetCaption(tk::AnsiString(texts_.phase2Clue));
  Timer2->SetEnabled(false);
  Timer3->SetEnabled(true);
  secondsLeft_ = kPhaseTicks;
}

void TMissionForm::EndPhase3() {
  Label1->SetCaption(tk::AnsiString(texts_.phase3Text));
  Label2->SetCaption(tk::AnsiString("Активация прошла успешно!!!"_ansi));
  Timer3->SetEnabled(false);
  Label3->SetVisible(true);
  MaskEdit1->SetVisible(true);
  SpeedButton2->SetVisible(true);
}

void TMissionForm::HideDrainSlot() {
  Label3->SetVisible(false);
  MaskEdit1->SetVisible(false);
  SpeedButton2->SetVisible(false);
}

}  // namespace mirvolant
