#pragma once
// The classic 3-D look: every kind of frame, drawn with the named
// colours of the classic scheme. Every frame is drawn just inside the given
// rectangle; ContentInset tells how many pixels it takes on each side.

#include <string_view>

#include "toolkit/base/Geometry.h"

namespace tk {

class Canvas;
class Font;

enum class FrameKind {
  None,          // nothing drawn
  PanelRaised,   // panel bevel, raised, one pixel wide
  ButtonRaised,  // push button at rest
  ButtonPushed,  // push button held down
  ThinRaised,    // flat button under the mouse
  ThinSunken,    // flat button held down
  FlatBorder,    // one-pixel border of a field without 3-D look
  FieldSunken,   // two-pixel sunken edge of a field with 3-D look
};

namespace style {

// Pixels a frame of this kind takes on each side of its rectangle.
int ContentInset(FrameKind kind);

// Draws a frame of the given kind just inside r.
void DrawFrame(Canvas& canvas, const TRect& r, FrameKind kind);

// The frame of the default push button: a window-frame line around the
// button, which is drawn one pixel further in.
void DrawDefaultButton(Canvas& canvas, const TRect& r, bool pushed);

// A one-pixel frame: topLeft along the top and left side, bottomRight along
// the bottom and right side. The top-right and bottom-left corner pixels
// belong to the bottom-right colour, as in the classic look.
void DrawEdgePair(Canvas& canvas, const TRect& r, TColor topLeft, TColor bottomRight);

// The dotted focus rectangle of a focused push button, every other pixel.
void DrawFocusRect(Canvas& canvas, const TRect& r);

// Text of a disabled control on a button-face background: embossed, first in
// the highlight colour one pixel right and down, then in the shadow colour.
void DrawEmbossedText(Canvas& canvas, int x, int y, std::string_view ansi, const Font& font);

}  // namespace style

}  // namespace tk
