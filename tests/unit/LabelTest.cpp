// Auto-sized labels measure their lines with the dialog font.

#include <gtest/gtest.h>

#include "toolkit/components/Controls.h"
#include "toolkit/paint/Font.h"

namespace {

using tk::operator""_ansi;

TEST(LabelSize, EmptyOneLineAndSeveralLines) {
  tk::TLabel label(nullptr);
  label.SetBounds(24, 24, 100, 100);
  label.AdjustSize();
  EXPECT_EQ(label.Width(), 3);  // one blank
  EXPECT_EQ(label.Height(), 13);
  label.SetCaption(tk::AnsiString("Введите код 1го уровня:"_ansi));
  EXPECT_EQ(label.Width(), 124);
  EXPECT_EQ(label.Height(), 13);
  label.SetCaption("a\rlonger line\rb");
  EXPECT_EQ(label.Height(), 39);
  EXPECT_EQ(label.Width(), tk::Font::Get(-11).TextWidth("longer line"));
  EXPECT_EQ(label.Left(), 24);  // the top-left corner stays
  label.SetCaption("");
  EXPECT_EQ(label.Width(), 3);
  EXPECT_EQ(label.Height(), 13);
}

TEST(LabelSize, AcceleratorMarksTakeNoRoom) {
  tk::TLabel label(nullptr);
  label.SetCaption("&File");
  EXPECT_EQ(label.Width(), tk::Font::Get(-11).TextWidth("File"));
  label.SetCaption("A&&B");
  EXPECT_EQ(label.Width(), tk::Font::Get(-11).TextWidth("A&B"));
}

}  // namespace
