#pragma once
// The path choice: the story and three paths, each behind a path code.

#include "toolkit/components/Controls.h"
#include "toolkit/forms/Form.h"

namespace mirvolant {

class TForm2 : public tk::TForm {
 public:
  TForm2();
  const char* ClassName() const override { return "TForm2"; }

  tk::TPanel *Panel1, *Panel2, *Panel3, *Panel4;
  tk::TLabel *Label1, *Label2, *Label3;
  tk::TMaskEdit *MaskEdit1, *MaskEdit2, *MaskEdit3;
  tk::TSpeedButton *SpeedButton1, *SpeedButton2, *SpeedButton3, *SpeedButton4;
  tk::TMemo* Memo1;

  // Slot N's check (N = 1 ... 3): a right path code opens that path's mission.
  void SlotClick(int slot);
  void SpeedButton4Click(tk::TObject* sender);
};

extern TForm2* Form2;

// The path codes, slot 1 first.
extern const std::string_view kPathCodes[3];

}  // namespace mirvolant
