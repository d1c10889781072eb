#include "quest/Unit3.h"

#include "quest/CodeCheck.h"

namespace mirvolant {

using tk::operator""_ansi;

TForm3* Form3 = nullptr;
namespace unit3 {
int32_t SecondsLeft = 0;
}

namespace {

constexpr std::string_view kTask =
    "Задание:\r"
    "NEW и первоначально - настоятель православного монастыря,\r"
    "и промышленное предприятие, осущеспвлявшее добычу пластовых\r"
    "полезных ископаемых."_ansi;
constexpr std::string_view kPhase2Clue =
    "Спустившись с горы, я увидел знак Ближняя игуменка, а \r"
    "рядом была шахта."_ansi;
constexpr std::string_view kPhase3Text = "Вирус активирован, введите код слива: 83~"_ansi;
constexpr std::string_view kEngineCode =
    "Код: 66$6\r"
    "Вбейте в движок 10 уровня."_ansi;
// What the clue picture shows, for those who cannot see it.
constexpr std::string_view kPictureName =
    "Банкнота в 20 песо: сверху надпись NEAR IGUMENKA, в середине шахтёры с кирками "
    "и лопатами в штольне у вагонетки."_ansi;

}  // namespace

TForm3::TForm3() : TMissionForm(unit3::SecondsLeft, {kTask, {}, kPhase2Clue, kPhase3Text}) {
  Field("Image1", Image1);
}

void TForm3::Loaded() {
  TMissionForm::Loaded();
  Image1->SetAccessibleName(tk::AnsiString(kPictureName));
}

void TForm3::FormActivate(tk::TObject* sender) {
  // The picture of an earlier showing would cover the task text.
  Image1->SetVisible(false);
  TMissionForm::FormActivate(sender);
}

void TForm3::EndPhase1() {
  Label1->SetCaption("");
  Image1->SetVisible(true);
  Announce(Image1->AccessibleName());
  Timer1->SetEnabled(false);
  Timer2->SetEnabled(true);
  secondsLeft_ = kPhaseTicks;
}

void TForm3::EndPhase2() {
  Image1->SetVisible(false);
  Label1->SetCaption(tk::AnsiString(texts_.phase2Clue));
  Timer2->SetEnabled(false);
  Timer3->SetEnabled(true);
  secondsLeft_ = kPhaseTicks;
}

void TForm3::SpeedButton2Click(tk::TObject*) {
  if (!CheckCodeExact(*MaskEdit1, kMysteryDrainCode)) return;
  Label1->SetCaption(tk::AnsiString(kEngineCode));
  HideDrainSlot();
  Timer1->SetEnabled(false);
  Timer2->SetEnabled(false);
  Timer3->SetEnabled(false);
  Label2->SetCaption(tk::AnsiString("Вирус активирован!!!"_ansi));
  // The engine code must not stay covered by the picture.
  Image1->SetVisible(false);
  AnnounceNews(true);
}

}  // namespace mirvolant
