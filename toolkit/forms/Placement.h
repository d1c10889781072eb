#pragma once
// Where a dialog appears when it is first shown: a pure function of its
// placement rule, its outer size, the desktop, the monitors and the dialogs
// it is centred on.

#include <cstdint>
#include <optional>
#include <vector>

#include "toolkit/base/Geometry.h"

namespace tk {

enum class TPosition : uint8_t { poDesigned, poDesktopCenter, poMainFormCenter };

struct PlacementInput {
  TPosition rule = TPosition::poDesigned;
  int width = 0;  // the dialog's outer size
  int height = 0;
  TPoint stored;  // where it stands now (kept by poDesigned)
  TRect desktop;  // spanning all monitors
  std::vector<TRect> monitors;
  // The main dialog's outer rectangle where it stands, when it is another
  // dialog than the one placed.
  std::optional<TRect> mainDialog;
  // The outer rectangle of the active dialog (the main dialog when none is
  // active), when it is another dialog than the one placed.
  std::optional<TRect> activeDialog;
};

// The outer top-left corner. poDesktopCenter centres on the desktop,
// poMainFormCenter on the main dialog; negative coordinates become 0. With
// several monitors, a dialog centred on the main dialog that lands on another
// monitor than the active dialog's is centred on that monitor instead,
// unclamped. Halves are integer division truncating toward zero.
TPoint PlaceDialog(const PlacementInput& in);

// The corner that centres a width x height rectangle on owner, kept inside
// the desktop (the error message box over the dialog it interrupts).
TPoint CentreInside(const TRect& owner, int width, int height, const TRect& desktop);

}  // namespace tk
