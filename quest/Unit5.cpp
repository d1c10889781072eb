#include "quest/Unit5.h"

#include "quest/CodeCheck.h"
#include "quest/Unit4.h"

namespace mirvolant {

using tk::operator""_ansi;

TForm5* Form5 = nullptr;
namespace unit5 {
int32_t SecondsLeft = 0;
}

TForm5::TForm5()
    : TMissionForm(unit5::SecondsLeft, {"Задание:\r"
                                        "Прежде чем разгадать тайну я перекрестился, и в этом\r"
                                        "мне помог князь."_ansi,
                                        "Князь Олвесар."_ansi, "Ищи около моста."_ansi,
                                        "Вирус активирован, введите код слива: 5335K"_ansi}) {}

void TForm5::SpeedButton2Click(tk::TObject*) {
  if (!CheckCode(*MaskEdit1, kEscapeDrainCode)) return;
  HideDrainSlot();
  // This dialog closes when the victory mission, opened from here, returns.
  Form5->CloseDialog();
  Form4->RunModal();
}

}  // namespace mirvolant
