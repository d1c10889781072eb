#pragma once
// Colours. A colour is either a plain 0x00RRGGBB value or one of the system's
// named colours (the face of buttons, the text of windows ...), which stands
// for whatever the system's scheme gives that name at the moment it is drawn.
// The toolkit reads the system's values through the platform seam and sets
// them here; until it does, and where the system has none, they are the
// classic scheme's. Everything that draws resolves a colour with ColorToRGB.

#include <array>
#include <cstdint>

namespace tk {

// A colour as 0x00RRGGBB, or a named system colour (see SystemColor below).
using TColor = uint32_t;

// The system's named colours the program draws with. The caption colours are
// for back ends that draw window frames themselves.
enum class SysColor : uint8_t {
  BtnFace,
  BtnHighlight,
  BtnShadow,
  DkShadow3D,
  Light3D,
  Window,
  WindowText,
  GrayText,
  WindowFrame,
  Highlight,
  HighlightText,
  ActiveCaption,
  GradientActiveCaption,
  InactiveCaption,
  GradientInactiveCaption,
  CaptionText,
  InactiveCaptionText,
};
inline constexpr int kSysColorCount = static_cast<int>(SysColor::InactiveCaptionText) + 1;

// The classic scheme's value of each named colour.
constexpr TColor ClassicColor(SysColor c) {
  constexpr std::array<TColor, kSysColorCount> kClassic = {
      0xD4D0C8,  // BtnFace
      0xFFFFFF,  // BtnHighlight
      0x808080,  // BtnShadow
      0x404040,  // DkShadow3D
      0xD4D0C8,  // Light3D
      0xFFFFFF,  // Window
      0x000000,  // WindowText
      0x808080,  // GrayText
      0x000000,  // WindowFrame
      0x0A246A,  // Highlight
      0xFFFFFF,  // HighlightText
      0x0A246A,  // ActiveCaption
      0xA6CAF0,  // GradientActiveCaption
      0x808080,  // InactiveCaption
      0xC0C0C0,  // GradientInactiveCaption
      0xFFFFFF,  // CaptionText
      0xD4D0C8,  // InactiveCaptionText
  };
  return kClassic[static_cast<size_t>(c)];
}

// A named system colour as a TColor: the top bit set, the name below it.
constexpr TColor SystemColor(SysColor c) {
  return 0x80000000u | static_cast<TColor>(c);
}

// Every named colour's classic value, in the order of SysColor.
constexpr std::array<TColor, kSysColorCount> ClassicPalette() {
  std::array<TColor, kSysColorCount> p{};
  for (int i = 0; i < kSysColorCount; ++i) p[static_cast<size_t>(i)] = ClassicColor(SysColor(i));
  return p;
}

namespace detail {
// The values the named colours resolve to now.
inline std::array<TColor, kSysColorCount> systemPalette = ClassicPalette();
}  // namespace detail

// The 0x00RRGGBB value a colour stands for now. A name the program does not
// know resolves to black.
inline TColor ColorToRGB(TColor c) {
  if ((c & 0x80000000u) == 0) return c;
  TColor index = c & 0x7FFFFFFFu;
  return index < kSysColorCount ? detail::systemPalette[index] : 0;
}

// Sets what a named colour resolves to (the toolkit, from the system).
inline void SetSystemColorValue(SysColor name, TColor rgb) {
  detail::systemPalette[static_cast<size_t>(name)] = rgb & 0xFFFFFF;
}

// The classic scheme's names, as the dialogs and the painter use them.
namespace colors {
inline constexpr TColor clBtnFace = SystemColor(SysColor::BtnFace);
inline constexpr TColor clBtnHighlight = SystemColor(SysColor::BtnHighlight);
inline constexpr TColor clBtnShadow = SystemColor(SysColor::BtnShadow);
inline constexpr TColor cl3DDkShadow = SystemColor(SysColor::DkShadow3D);
inline constexpr TColor cl3DLight = SystemColor(SysColor::Light3D);
inline constexpr TColor clWindow = SystemColor(SysColor::Window);
inline constexpr TColor clWindowText = SystemColor(SysColor::WindowText);
inline constexpr TColor clGrayText = SystemColor(SysColor::GrayText);
inline constexpr TColor clWindowFrame = SystemColor(SysColor::WindowFrame);
inline constexpr TColor clHighlight = SystemColor(SysColor::Highlight);
inline constexpr TColor clHighlightText = SystemColor(SysColor::HighlightText);
}  // namespace colors

// The same names as the classic scheme's plain values, for what must look
// classic whatever the system says (and for checking pixels).
namespace classic {
inline constexpr TColor clBtnFace = ClassicColor(SysColor::BtnFace);
inline constexpr TColor clBtnHighlight = ClassicColor(SysColor::BtnHighlight);
inline constexpr TColor clBtnShadow = ClassicColor(SysColor::BtnShadow);
inline constexpr TColor cl3DDkShadow = ClassicColor(SysColor::DkShadow3D);
inline constexpr TColor cl3DLight = ClassicColor(SysColor::Light3D);
inline constexpr TColor clWindow = ClassicColor(SysColor::Window);
inline constexpr TColor clWindowText = ClassicColor(SysColor::WindowText);
inline constexpr TColor clGrayText = ClassicColor(SysColor::GrayText);
inline constexpr TColor clWindowFrame = ClassicColor(SysColor::WindowFrame);
inline constexpr TColor clHighlight = ClassicColor(SysColor::Highlight);
inline constexpr TColor clHighlightText = ClassicColor(SysColor::HighlightText);
}  // namespace classic

}  // namespace tk
