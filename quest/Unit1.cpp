#include "quest/Unit1.h"

#include <string>

#include "quest/CodeCheck.h"
#include "quest/Unit2.h"

namespace mirvolant {

using tk::operator""_ansi;

TForm1* Form1 = nullptr;
uint8_t SolvedCount = 0;

const std::string_view kLevelCodes[9] = {
    "gg38tt", "72m%", "3&9", "28k03", "жуфа"_ansi, "367", "%3%", "7bx", "vemt",
};

TForm1::TForm1() {
  Field("Panel1", Panel1);
  Field("Panel2", Panel2);
  Field("Panel3", Panel3);
  Field("Panel4", Panel4);
  Field("Panel5", Panel5);
  Field("Panel6", Panel6);
  Field("Panel7", Panel7);
  Field("Panel8", Panel8);
  Field("Panel9", Panel9);
  Field("Panel10", Panel10);
  Field("Label1", Label1);
  Field("Label2", Label2);
  Field("Label3", Label3);
  Field("Label4", Label4);
  Field("Label5", Label5);
  Field("Label6", Label6);
  Field("Label7", Label7);
  Field("Label8", Label8);
  Field("Label9", Label9);
  Field("MaskEdit1", MaskEdit1);
  Field("MaskEdit2", MaskEdit2);
  Field("MaskEdit3", MaskEdit3);
  Field("MaskEdit4", MaskEdit4);
  Field("MaskEdit5", MaskEdit5);
  Field("MaskEdit6", MaskEdit6);
  Field("MaskEdit7", MaskEdit7);
  Field("MaskEdit8", MaskEdit8);
  Field("MaskEdit9", MaskEdit9);
  Field("SpeedButton1", SpeedButton1);
  Field("SpeedButton2", SpeedButton2);
  Field("SpeedButton3", SpeedButton3);
  Field("SpeedButton4", SpeedButton4);
  Field("SpeedButton5", SpeedButton5);
  Field("SpeedButton6", SpeedButton6);
  Field("SpeedButton7", SpeedButton7);
  Field("SpeedButton8", SpeedButton8);
  Field("SpeedButton9", SpeedButton9);
  Field("SpeedButton10", SpeedButton10);

  Handler("FormActivate", [this](tk::TObject* s) { FormActivate(s); });
  for (int n = 1; n <= 9; ++n) {
    std::string digit = std::to_string(n);
    Handler("SpeedButton" + digit + "Click", [this, n](tk::TObject*) { SlotClick(n); });
    // Enter in a field is the same as clicking its button; other keys go on
    // to the field unchanged.
    KeyHandler("MaskEdit" + digit + "KeyPress", [this, n](tk::TObject*, char& key) {
      if (key == 13) SlotClick(n);
    });
  }
  Handler("SpeedButton10Click", [this](tk::TObject* s) { SpeedButton10Click(s); });
}

TForm1::Slot TForm1::SlotControls(int slot) const {
  switch (slot) {
    case 1:
      return {Panel1, Label1, MaskEdit1, SpeedButton1};
    case 2:
      return {Panel2, Label2, MaskEdit2, SpeedButton2};
    case 3:
      return {Panel3, Label3, MaskEdit3, SpeedButton3};
    case 4:
      return {Panel4, Label4, MaskEdit4, SpeedButton4};
    case 5:
      return {Panel5, Label5, MaskEdit5, SpeedButton5};
    case 6:
      return {Panel6, Label6, MaskEdit6, SpeedButton6};
    case 7:
      return {Panel7, Label7, MaskEdit7, SpeedButton7};
    case 8:
      return {Panel8, Label8, MaskEdit8, SpeedButton8};
    default:
      return {Panel9, Label9, MaskEdit9, SpeedButton9};
  }
}

void TForm1::FormActivate(tk::TObject*) {
  SolvedCount = 0;
}

void TForm1::SlotClick(int slot) {
  Slot s = SlotControls(slot);
  if (!CheckCode(*s.field, kLevelCodes[slot - 1])) return;
  ++SolvedCount;
  s.label->SetVisible(false);
  s.field->SetVisible(false);
  s.button->SetVisible(false);
  s.panel->SetCaption("OK");
  if (SolvedCount == 9) Form2->RunModal();
}

void TForm1::SpeedButton10Click(tk::TObject*) {
  Form1->CloseDialog();
}

}  // namespace mirvolant
