#include "quest/Unit4.h"

#include "quest/CodeCheck.h"
#include "quest/Unit3.h"

namespace mirvolant {

using tk::operator""_ansi;

TForm4* Form4 = nullptr;
namespace unit4 {
int32_t SecondsLeft = 0;
}

TForm4::TForm4()
    : TMissionForm(unit4::SecondsLeft,
                   {"Задание:\r"
                    "В сорок первом году Тарвелин продолжал искать\r"
                    "дом в котором торговали."_ansi,
                    "Именно в доме торговли в одной из арок я написал код."_ansi,
                    "Арка которая смотрит на ул. Вельдерова."_ansi,
                    "Вирус активирован, введите код слива: 406?&"_ansi}) {}

void TForm4::SpeedButton2Click(tk::TObject*) {
  if (!CheckCodeExact(*MaskEdit1, kVictoryDrainCode)) return;
  HideDrainSlot();
  // This dialog closes when the mystery mission, opened from here, returns.
  Form4->CloseDialog();
  Form3->RunModal();
}

}  // namespace mirvolant
