#include "toolkit/forms/Placement.h"

#include <algorithm>

namespace tk {

namespace {

// The monitor with the largest share of the rectangle (the first one when it
// lies on none).
size_t MonitorOf(const std::vector<TRect>& monitors, const TRect& r) {
  size_t best = 0;
  int64_t bestArea = -1;
  for (size_t i = 0; i < monitors.size(); ++i) {
    TRect in = monitors[i].Intersect(r);
    int64_t area = static_cast<int64_t>(in.Width()) * in.Height();
    if (area > bestArea) {
      bestArea = area;
      best = i;
    }
  }
  return best;
}

}  // namespace

TPoint PlaceDialog(const PlacementInput& in) {
  const int w = in.width;
  const int h = in.height;
  int x = in.stored.X;
  int y = in.stored.Y;
  if (in.rule == TPosition::poDesktopCenter) {
    x = in.desktop.Left + (in.desktop.Width() - w) / 2;
    y = in.desktop.Top + (in.desktop.Height() - h) / 2;
  } else if (in.rule == TPosition::poMainFormCenter && in.mainDialog) {
    x = in.mainDialog->Left + (in.mainDialog->Width() - w) / 2;
    y = in.mainDialog->Top + (in.mainDialog->Height() - h) / 2;
  }
  x = std::max(x, 0);
  y = std::max(y, 0);
  if (in.rule == TPosition::poMainFormCenter && in.monitors.size() > 1 && in.activeDialog) {
    size_t mine = MonitorOf(in.monitors, TRect::FromSize(x, y, w, h));
    size_t theirs = MonitorOf(in.monitors, *in.activeDialog);
    if (mine != theirs) {
      const TRect& m = in.monitors[theirs];
      x = m.Left + (m.Width() - w) / 2;
      y = m.Top + (m.Height() - h) / 2;
    }
  }
  return {x, y};
}

TPoint CentreInside(const TRect& owner, int width, int height, const TRect& desktop) {
  int x = owner.Left + (owner.Width() - width) / 2;
  int y = owner.Top + (owner.Height() - height) / 2;
  x = std::clamp(x, desktop.Left, std::max(desktop.Left, desktop.Right - width));
  y = std::clamp(y, desktop.Top, std::max(desktop.Top, desktop.Bottom - height));
  return {x, y};
}

}  // namespace tk
