#include "quest/Unit2.h"

#include <string>

#include "quest/CodeCheck.h"
#include "quest/Unit3.h"
#include "quest/Unit4.h"
#include "quest/Unit5.h"

namespace mirvolant {

TForm2* Form2 = nullptr;

const std::string_view kPathCodes[3] = {"hhh52", "hhh", "jjj52"};

TForm2::TForm2() {
  Field("Panel1", Panel1);
  Field("Panel2", Panel2);
  Field("Panel3", Panel3);
  Field("Panel4", Panel4);
  Field("Label1", Label1);
  Field("Label2", Label2);
  Field("Label3", Label3);
  Field("MaskEdit1", MaskEdit1);
  Field("MaskEdit2", MaskEdit2);
  Field("MaskEdit3", MaskEdit3);
  Field("SpeedButton1", SpeedButton1);
  Field("SpeedButton2", SpeedButton2);
  Field("SpeedButton3", SpeedButton3);
  Field("SpeedButton4", SpeedButton4);
  Field("Memo1", Memo1);

  for (int n = 1; n <= 3; ++n) {
    std::string digit = std::to_string(n);
    Handler("SpeedButton" + digit + "Click", [this, n](tk::TObject*) { SlotClick(n); });
    KeyHandler("MaskEdit" + digit + "KeyPress", [this, n](tk::TObject*, char& key) {
      if (key == 13) SlotClick(n);
    });
  }
  Handler("SpeedButton4Click", [this](tk::TObject* s) { SpeedButton4Click(s); });
}

void TForm2::SlotClick(int slot) {
  tk::TMaskEdit* field = slot == 1 ? MaskEdit1 : slot == 2 ? MaskEdit2 : MaskEdit3;
  if (!CheckCode(*field, kPathCodes[slot - 1])) return;
  // The slot stays open: the same path can be taken again.
  switch (slot) {
    case 1:
      Form3->RunModal();
      break;
    case 2:
      Form4->RunModal();
      break;
    default:
      Form5->RunModal();
      break;
  }
}

void TForm2::SpeedButton4Click(tk::TObject*) {
  Form2->CloseDialog();
}

}  // namespace mirvolant
