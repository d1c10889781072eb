#pragma once
// The level board: nine code slots, one per game level, and "Закрыть".

#include <cstdint>

#include "toolkit/components/Controls.h"
#include "toolkit/forms/Form.h"

namespace mirvolant {

class TForm1 : public tk::TForm {
 public:
  TForm1();
  const char* ClassName() const override { return "TForm1"; }

  tk::TPanel *Panel1, *Panel2, *Panel3, *Panel4, *Panel5, *Panel6, *Panel7, *Panel8, *Panel9,
      *Panel10;
  tk::TLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7, *Label8, *Label9;
  tk::TMaskEdit *MaskEdit1, *MaskEdit2, *MaskEdit3, *MaskEdit4, *MaskEdit5, *MaskEdit6, *MaskEdit7,
      *MaskEdit8, *MaskEdit9;
  tk::TSpeedButton *SpeedButton1, *SpeedButton2, *SpeedButton3, *SpeedButton4, *SpeedButton5,
      *SpeedButton6, *SpeedButton7, *SpeedButton8, *SpeedButton9, *SpeedButton10;

  void FormActivate(tk::TObject* sender);
  // Slot N's check (N = 1 ... 9); SpeedButtonNClick and Enter in MaskEditN.
  void SlotClick(int slot);
  // "Закрыть" ends the program.
  void SpeedButton10Click(tk::TObject* sender);

  struct Slot {
    tk::TPanel* panel;
    tk::TLabel* label;
    tk::TMaskEdit* field;
    tk::TSpeedButton* button;
  };
  Slot SlotControls(int slot) const;
};

extern TForm1* Form1;

// Levels solved since the board was last activated.
extern uint8_t SolvedCount;

// The code of each level, slot 1 first.
extern const std::string_view kLevelCodes[9];

}  // namespace mirvolant
