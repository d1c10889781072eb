// Metrics and rendering of the dialog font.

#include <gtest/gtest.h>

#include <filesystem>

#include "Pixels.h"
#include "app/FaceFiles.h"
#include "toolkit/paint/Canvas.h"
#include "toolkit/paint/Font.h"
#include "toolkit/paint/PixelBuffer.h"
#include "toolkit/text/Ansi.h"

namespace tk {
namespace {

using mirvolant::testing::ExpectOnly;
using mirvolant::testing::InkOf;

constexpr const char* kDialogFace = "/usr/share/wine/fonts/ms_sans_serif.ttf";
constexpr const char* kOutlineFace = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
// Windows' raster MS Sans Serif as Wine ships it: the Russian (code page 1251)
// and the Western edition.
constexpr const char* kRussianRasterFace = "/usr/share/wine/fonts/sserifer.fon";
constexpr const char* kWesternRasterFace = "/usr/share/wine/fonts/sserife.fon";

// The number of pixels in which two buffers of one size differ.
int Differing(const PixelBuffer& a, const PixelBuffer& b) {
  int n = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x) n += a.At(x, y) != b.At(x, y);
  return n;
}

TEST(FontTest, DialogFontMetricsMatchTheStoredLayouts) {
  if (!std::filesystem::exists(kDialogFace)) GTEST_SKIP() << "fonts-wine is not installed";
  const Font& f = Font::Get(-11);
  EXPECT_EQ(f.Height(), -11);
  EXPECT_EQ(f.TextHeight(), 13);
  EXPECT_EQ(f.DigitHeight(), 13);
  // An empty label is as wide as one blank.
  EXPECT_EQ(f.CharWidth(' '), 3);
  EXPECT_EQ(f.TextWidth(""), 0);
  EXPECT_EQ(f.TextWidth("Введите код 1го уровня:"_ansi), 124);
  // Widths add up character by character.
  EXPECT_EQ(f.TextWidth("OK"), f.CharWidth('O') + f.CharWidth('K'));
  EXPECT_EQ(f.TextWidth("*****"), 5 * f.CharWidth('*'));
  EXPECT_GT(f.CharWidth('*'), 0);
}

TEST(FontTest, GetCachesOneFontPerHeight) {
  EXPECT_EQ(&Font::Get(-11), &Font::Get(-11));
  EXPECT_NE(&Font::Get(-11), &Font::Get(-14));
}

TEST(FontTest, RescaledHeightsPickTheStrikeForTheCharacterHeight) {
  if (!std::filesystem::exists(kDialogFace)) GTEST_SKIP() << "fonts-wine is not installed";
  // 8 points at 120 pixels per inch is -14: the 16-pixel strike.
  EXPECT_EQ(Font::Get(-14).DigitHeight(), 16);
  EXPECT_EQ(Font::Get(-13).DigitHeight(), 16);
  EXPECT_EQ(Font::Get(-16).DigitHeight(), 20);
  EXPECT_EQ(Font::Get(-20).DigitHeight(), 20);
  // Below the smallest strike the smallest one is used.
  EXPECT_EQ(Font::Get(-8).DigitHeight(), 13);
  // A positive height counts the whole cell; 0 is the default dialog font.
  EXPECT_EQ(Font::Get(13).TextHeight(), 13);
  EXPECT_EQ(Font::Get(19).TextHeight(), 16);
  EXPECT_EQ(Font::Get(0).TextHeight(), 13);
  EXPECT_GT(Font::Get(-14).TextWidth("Введите код"_ansi),
            Font::Get(-11).TextWidth("Введите код"_ansi));
}

TEST(FontTest, TabIsEightBlanksAndLineBreaksTakeNoRoom) {
  const Font& f = Font::Get(-11);
  EXPECT_EQ(f.CharWidth('\t'), 8 * f.CharWidth(' '));
  EXPECT_EQ(f.CharWidth('\r'), 0);
  EXPECT_EQ(f.CharWidth('\n'), 0);
}

TEST(FontTest, TextIsDrawnMonochromeInsideItsCell) {
  const Font& f = Font::Get(-11);
  PixelBuffer b(60, 20, classic::clWindow);
  Canvas c(b);
  c.TextOut(5, 3, "Ж0g", f, 0x123456);
  TRect ink = InkOf(b, 0x123456, b.Bounds());
  ASSERT_FALSE(ink.IsEmpty());
  // Only the text colour is written: no anti-aliased pixels.
  ExpectOnly(b, b.Bounds(), {classic::clWindow, 0x123456});
  EXPECT_GE(ink.Left, 5);
  EXPECT_GE(ink.Top, 3);
  EXPECT_LE(ink.Right, 5 + f.TextWidth("Ж0g"));
  EXPECT_LE(ink.Bottom, 3 + f.TextHeight());
  // The descender of "g" reaches below the digit's bottom.
  EXPECT_GT(ink.Bottom, 3 + 9);
}

TEST(FontTest, CyrillicGlyphsComeFromWindows1251Bytes) {
  if (!std::filesystem::exists(kDialogFace)) GTEST_SKIP() << "fonts-wine is not installed";
  const Font& f = Font::Get(-11);
  // "Ж" and "Ш" are different glyphs of the strike, not a missing-glyph box.
  PixelBuffer a(20, 13, 0xFFFFFF), b(20, 13, 0xFFFFFF);
  Canvas ca(a), cb(b);
  ca.TextOut(0, 0, "Ж"_ansi, f, 0);
  cb.TextOut(0, 0, "Ш"_ansi, f, 0);
  EXPECT_GT(Differing(a, b), 3);
  EXPECT_NE(f.CharWidth(0xC6), 0);  // Ж
}

TEST(FontTest, OutlineFaceFallbackRendersMonochromeAtTheRequestedHeight) {
  if (!std::filesystem::exists(kOutlineFace)) GTEST_SKIP() << "fonts-dejavu-core is missing";
  auto f = Font::FromFile(kOutlineFace, -11);
  ASSERT_NE(f, nullptr);
  EXPECT_GE(f->TextHeight(), 12);
  EXPECT_LE(f->TextHeight(), 14);
  auto big = Font::FromFile(kOutlineFace, -22);
  ASSERT_NE(big, nullptr);
  EXPECT_GT(big->TextWidth("Введите"_ansi), f->TextWidth("Введите"_ansi));
  PixelBuffer b(80, 16, 0xFFFFFF);
  Canvas c(b);
  c.TextOut(0, 0, "Выход", *f, 0);
  ExpectOnly(b, b.Bounds(), {0, 0xFFFFFF});
  EXPECT_FALSE(InkOf(b, 0, b.Bounds()).IsEmpty());
}

// The pixels of a text drawn black on white.
PixelBuffer Drawn(const Font& f, std::string_view ansi) {
  PixelBuffer b(f.TextWidth(ansi) + 2, f.TextHeight(), 0xFFFFFF);
  Canvas c(b);
  c.TextOut(0, 0, ansi, f, 0);
  return b;
}

TEST(FontTest, RussianRasterFaceDrawsTheDialogFacesStrikes) {
  if (!std::filesystem::exists(kDialogFace) || !std::filesystem::exists(kRussianRasterFace)) {
    GTEST_SKIP() << "fonts-wine is not installed";
  }
  // One face per strike in the .fon file; the byte itself finds the glyph.
  const std::string_view text = "Введите код 1го уровня: Жж OK"_ansi;
  for (int height : {-11, -14, -16, 0, 19}) {
    auto raster = Font::FromFile(kRussianRasterFace, height);
    auto ttf = Font::FromFile(kDialogFace, height);
    ASSERT_NE(raster, nullptr);
    ASSERT_NE(ttf, nullptr);
    EXPECT_EQ(raster->TextHeight(), ttf->TextHeight()) << height;
    PixelBuffer a = Drawn(*raster, text);
    PixelBuffer b = Drawn(*ttf, text);
    ASSERT_EQ(a.Width(), b.Width()) << height;
    EXPECT_EQ(Differing(a, b), 0) << height;
  }
  EXPECT_EQ(Font::FromFile(kRussianRasterFace, -11)->TextWidth("Введите код 1го уровня:"_ansi),
            124);
}

TEST(FontTest, WesternRasterFaceHasNoCyrillicGlyphs) {
  if (!std::filesystem::exists(kWesternRasterFace)) GTEST_SKIP() << "fonts-wine is not installed";
  // Its character map is code page 1252: the Cyrillic letters find no glyph.
  auto f = Font::FromFile(kWesternRasterFace, -11);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(Differing(Drawn(*f, "Ж"_ansi), Drawn(*f, "Ш"_ansi)), 0);
}

TEST(FontTest, TheFaceBesideTheExecutableComesFirst) {
  // Shipped beside the executables of the Windows and the web build; the
  // Linux build uses the installed face.
  std::string beside = mirvolant::DialogFaceFiles(nullptr).front();
  if (!std::filesystem::exists(
          std::filesystem::path(std::u8string(beside.begin(), beside.end())))) {
    GTEST_SKIP() << "no dialog face beside the test executable";
  }
  EXPECT_EQ(Font::FaceFile(), beside);
}

TEST(FontTest, MissingFaceFileGivesNoFont) {
  EXPECT_EQ(Font::FromFile("/nonexistent/face.ttf", -11), nullptr);
}

}  // namespace
}  // namespace tk
