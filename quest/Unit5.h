#pragma once
// The escape mission: its drain code opens the victory mission.

#include "quest/Mission.h"

namespace mirvolant {

class TForm5 : public TMissionForm {
 public:
  TForm5();
  const char* ClassName() const override { return "TForm5"; }
  void SpeedButton2Click(tk::TObject* sender) override;
};

extern TForm5* Form5;
namespace unit5 {
extern int32_t SecondsLeft;
}

// Shown as "5335K"; compared after lower-casing the typed text.
inline constexpr std::string_view kEscapeDrainCode = "5335k";

}  // namespace mirvolant
