#pragma once
// The victory mission: its drain code opens the mystery mission.

#include "quest/Mission.h"

namespace mirvolant {

class TForm4 : public TMissionForm {
 public:
  TForm4();
  const char* ClassName() const override { return "TForm4"; }
  void SpeedButton2Click(tk::TObject* sender) override;
};

extern TForm4* Form4;
namespace unit4 {
extern int32_t SecondsLeft;
}

inline constexpr std::string_view kVictoryDrainCode = "406?&";

}  // namespace mirvolant
