// How each control kind draws itself in the classic look. Every Paint gets a
// canvas whose origin is the control's top-left corner and whose clip is
// already cut to what may be seen of it; coordinates below are local.

#include <algorithm>
#include <string_view>

#include "toolkit/components/Controls.h"
#include "toolkit/graphics/Graphics.h"
#include "toolkit/paint/Canvas.h"
#include "toolkit/paint/Font.h"
#include "toolkit/paint/StylePainter.h"

namespace tk {

namespace {

using namespace colors;

TRect LocalRect(const TControl& c) {
  return TRect{0, 0, c.Width(), c.Height()};
}

// Draws one line of a label with "&" marking the next character as its
// accelerator, underlined; "&&" shows a single "&".
void DrawPrefixedLine(Canvas& canvas, int x, int y, std::string_view line, const Font& font,
                      TColor color) {
  size_t pos = 0;
  while (pos < line.size()) {
    size_t amp = line.find('&', pos);
    std::string_view run = line.substr(pos, amp == std::string_view::npos ? amp : amp - pos);
    font.Draw(canvas, x, y, run, color);
    x += font.TextWidth(run);
    if (amp == std::string_view::npos || amp + 1 >= line.size()) break;
    std::string_view marked = line.substr(amp + 1, 1);
    font.Draw(canvas, x, y, marked, color);
    int w = font.TextWidth(marked);
    // "&&" is a literal ampersand, not an accelerator.
    if (marked[0] != '&') canvas.HLine(x, x + w, y + font.TextHeight() - 1, color);
    x += w;
    pos = amp + 2;
  }
}

// Draws text left-aligned at (x, y), greyed in the classic embossed way
// when the control is disabled.
void DrawLabelLine(Canvas& canvas, int x, int y, std::string_view line, const Font& font,
                   TColor color, bool enabled) {
  if (enabled) {
    DrawPrefixedLine(canvas, x, y, line, font, color);
    return;
  }
  DrawPrefixedLine(canvas, x + 1, y + 1, line, font, clBtnHighlight);
  DrawPrefixedLine(canvas, x, y, line, font, clBtnShadow);
}

// A button caption centred in the area inside its frame; the pushed state
// moves it one pixel right and down.
void DrawButtonCaption(Canvas& canvas, const TRect& inner, std::string_view caption,
                       const Font& font, bool pushed, bool enabled) {
  int x = inner.Left + (inner.Width() - font.TextWidth(caption) + 1) / 2;
  int y = inner.Top + (inner.Height() - font.TextHeight() + 1) / 2;
  if (pushed) {
    ++x;
    ++y;
  }
  if (enabled) {
    font.Draw(canvas, x, y, caption, clWindowText);
  } else {
    style::DrawEmbossedText(canvas, x, y, caption, font);
  }
}

}  // namespace

// ------------------------------------------------------------------ TPanel

void TPanel::Paint(Canvas& canvas) {
  TRect r = LocalRect(*this);
  // The raised bevel just inside the edge, then the face inside it.
  style::DrawFrame(canvas, r, FrameKind::PanelRaised);
  TRect inner{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
  canvas.FillRect(inner, Color());
  if (Caption().empty()) return;
  // One line, centred horizontally inside the bevel and vertically in a
  // band as high as a "W" at the middle of the panel. The whole panel
  // counts, also where the parent clips it.
  const Font& font = GetFont();
  int x = inner.Left + (inner.Width() - font.TextWidth(Caption())) / 2;
  int y = (inner.Top + inner.Bottom - font.TextHeight()) / 2;
  font.Draw(canvas, x, y, Caption(), clWindowText);
}

// ------------------------------------------------------------------ TLabel

void TLabel::Paint(Canvas& canvas) {
  // Opaque: the label's own colour behind the text.
  canvas.FillRect(LocalRect(*this), Color());
  const Font& font = GetFont();
  int y = 0;
  bool enabled = EnabledInTree();
  for (std::string_view line : Lines()) {
    DrawLabelLine(canvas, 0, y, line, font, clWindowText, enabled);
    y += font.TextHeight();
  }
}

// ------------------------------------------------------------------ TCustomEdit

void TCustomEdit::Paint(Canvas& canvas) {
  TRect r = LocalRect(*this);
  canvas.FillRect(r, Color());
  style::DrawFrame(canvas, r, Ctl3D() ? FrameKind::FieldSunken : FrameKind::FlatBorder);

  const Font& font = GetFont();
  TRect area = TextArea();
  Canvas text = canvas.Clipped(area);
  AnsiString shown = DisplayText();
  std::string_view visible =
      std::string_view(shown).substr(std::min(static_cast<size_t>(ScrollOffset()), shown.size()));
  int x = area.Left;
  int y = area.Top + 1;
  bool enabled = EnabledInTree();
  bool focused = Focused();

  // The selection shows only while the field has the focus.
  int selStart = SelStart() - ScrollOffset();
  int selEnd = selStart + SelLength();
  if (!focused || SelLength() == 0) selStart = selEnd = 0;
  selStart = std::clamp(selStart, 0, static_cast<int>(visible.size()));
  selEnd = std::clamp(selEnd, 0, static_cast<int>(visible.size()));

  std::string_view before = visible.substr(0, static_cast<size_t>(selStart));
  std::string_view selected =
      visible.substr(static_cast<size_t>(selStart), static_cast<size_t>(selEnd - selStart));
  std::string_view after = visible.substr(static_cast<size_t>(selEnd));
  TColor ink = enabled ? clWindowText : clGrayText;
  font.Draw(text, x, y, before, ink);
  x += font.TextWidth(before);
  if (!selected.empty()) {
    int w = font.TextWidth(selected);
    text.FillRect({x, y, x + w, y + font.TextHeight()}, clHighlight);
    font.Draw(text, x, y, selected, clHighlightText);
    x += w;
  }
  font.Draw(text, x, y, after, ink);

  if (focused && CaretVisible()) canvas.Clipped(area).InvertRect(CaretRect(font));
}

// ------------------------------------------------------------------ TMemo

void TMemo::Paint(Canvas& canvas) {
  TRect r = LocalRect(*this);
  canvas.FillRect(r, Color());
  style::DrawFrame(canvas, r, Ctl3D() ? FrameKind::FieldSunken : FrameKind::FlatBorder);
  int border = Ctl3D() ? 2 : 1;
  // Text that does not fit stays out of view: clip to the inside of the
  // border. A disabled memo shows its text in the grey text colour on its
  // window background.
  Canvas text = canvas.Clipped({border, border, r.Right - border, r.Bottom - border});
  const Font& font = GetFont();
  TColor ink = EnabledInTree() ? clWindowText : clGrayText;
  int y = border;
  for (const AnsiString& line : WrappedLines()) {
    if (y >= r.Bottom - border) break;
    font.Draw(text, border + 1, y, line, ink);
    y += font.TextHeight();
  }
}

// ------------------------------------------------------------------ TSpeedButton

void TSpeedButton::Paint(Canvas& canvas) {
  TRect r = LocalRect(*this);
  bool enabled = EnabledInTree();
  bool pushed = enabled && Pressed();
  TRect inner;
  if (!Flat()) {
    // A standard push button filling the rectangle, pushed in while held.
    canvas.FillRect(r, Color());
    style::DrawFrame(canvas, r, pushed ? FrameKind::ButtonPushed : FrameKind::ButtonRaised);
    inner = {r.Left + 2, r.Top + 2, r.Right - 2, r.Bottom - 2};
  } else {
    // Flat: no background of its own; a thin edge only under the mouse.
    if (pushed) {
      style::DrawFrame(canvas, r, FrameKind::ThinSunken);
    } else if (enabled && Hot()) {
      style::DrawFrame(canvas, r, FrameKind::ThinRaised);
    }
    inner = {r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
  }
  DrawButtonCaption(canvas, inner, Caption(), GetFont(), pushed, enabled);
}

// ------------------------------------------------------------------ TImage

void TImage::Paint(Canvas& canvas) {
  // The picture at its own size from the top-left corner; what it does not
  // cover shows what lies beneath, so nothing else is drawn.
  // A graphic without a size is still asked to draw: a JPEG graphic whose
  // data is empty decodes there and reports its error once.
  TPicture& picture = Picture();
  if (picture.Graphic() == nullptr) return;
  // A first draw decodes and announces the change; the control is drawing the
  // result right now and need not be painted again.
  struct PaintingScope {
    bool& flag;
    explicit PaintingScope(bool& f) : flag(f) { flag = true; }
    ~PaintingScope() { flag = false; }
  } scope(painting_);
  picture.Draw(canvas, TRect::FromSize(0, 0, picture.Width(), picture.Height()));
}

// ------------------------------------------------------------------ TButton

void TButton::Paint(Canvas& canvas) {
  TRect r = LocalRect(*this);
  bool enabled = EnabledInTree();
  bool pushed = enabled && Pressed();
  canvas.FillRect(r, Color());
  TRect inner;
  if (Focused()) {
    // The focused button is the default one: a dark frame around it.
    style::DrawDefaultButton(canvas, r, pushed);
    inner = {r.Left + 3, r.Top + 3, r.Right - 3, r.Bottom - 3};
  } else {
    style::DrawFrame(canvas, r, pushed ? FrameKind::ButtonPushed : FrameKind::ButtonRaised);
    inner = {r.Left + 2, r.Top + 2, r.Right - 2, r.Bottom - 2};
  }
  DrawButtonCaption(canvas, inner, Caption(), GetFont(), pushed, enabled);
  if (Focused()) style::DrawFocusRect(canvas, {r.Left + 4, r.Top + 4, r.Right - 4, r.Bottom - 4});
}

// ------------------------------------------------------------------ TStopIcon

void TStopIcon::Paint(Canvas& canvas) {
  // A red disc with a dark rim and a white diagonal cross, drawn from the
  // distance of each pixel's centre to the icon's centre.
  constexpr TColor kRed = 0xFF0000;
  constexpr TColor kRim = 0x800000;
  constexpr TColor kShadow = 0x808080;
  const int size = std::min(Width(), Height());
  if (size <= 0) return;
  const double c = (size - 1) / 2.0;
  const double radius = size / 2.0 - 1.5;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      double dx = x - c, dy = y - c;
      double d2 = dx * dx + dy * dy;
      // A soft shadow one pixel right and down of the disc.
      double sx = x - c - 1.5, sy = y - c - 1.5;
      if (d2 > radius * radius) {
        if (sx * sx + sy * sy <= radius * radius) canvas.SetPixel(x, y, kShadow);
        continue;
      }
      bool rim = d2 > (radius - 1.0) * (radius - 1.0);
      canvas.SetPixel(x, y, rim ? kRim : kRed);
    }
  }
  // The cross: two strokes three pixels wide inside the disc.
  int from = size * 9 / 32, to = size - 1 - size * 9 / 32;
  for (int i = from; i <= to; ++i) {
    for (int w = -1; w <= 1; ++w) {
      canvas.SetPixel(i + w, i, clBtnHighlight);
      canvas.SetPixel(size - 1 - i + w, i, clBtnHighlight);
    }
  }
}

}  // namespace tk
