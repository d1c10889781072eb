#pragma once
// The mystery mission: its second phase shows the clue picture, and its drain
// code reveals the engine code for level 10.

#include "quest/Mission.h"

namespace mirvolant {

class TForm3 : public TMissionForm {
 public:
  TForm3();
  const char* ClassName() const override { return "TForm3"; }

  tk::TImage* Image1;

  void FormActivate(tk::TObject* sender) override;
  void SpeedButton2Click(tk::TObject* sender) override;
  // The picture is named by what it shows.
  void Loaded() override;

 protected:
  void EndPhase1() override;
  void EndPhase2() override;
};

extern TForm3* Form3;
namespace unit3 {
extern int32_t SecondsLeft;
}

inline constexpr std::string_view kMysteryDrainCode = "83~";

}  // namespace mirvolant
