// Editing in a password field: caret, selection, deletion, paste.

#include <gtest/gtest.h>

#include "toolkit/components/Controls.h"

namespace {

using tk::platform::kCtrl;
using tk::platform::Key;
using tk::platform::kShift;

void TypeText(tk::TMaskEdit& e, const std::string& ansi) {
  for (char c : ansi) e.DeliverChar(c);
}

TEST(EditField, TypingInsertsAtTheCaretOrReplacesTheSelection) {
  tk::TMaskEdit e(nullptr);
  TypeText(e, "abcd");
  EXPECT_EQ(e.Text(), "abcd");
  EXPECT_EQ(e.CaretPos(), 4);
  e.KeyDown(Key::Left, 0);
  e.KeyDown(Key::Left, 0);
  TypeText(e, "X");
  EXPECT_EQ(e.Text(), "abXcd");
  e.KeyDown(Key::Home, 0);
  e.KeyDown(Key::Right, kShift);
  e.KeyDown(Key::Right, kShift);
  EXPECT_EQ(e.SelStart(), 0);
  EXPECT_EQ(e.SelLength(), 2);
  TypeText(e, "Z");
  EXPECT_EQ(e.Text(), "ZXcd");
  e.KeyDown(Key::End, kShift);  // from the caret (1) to the end
  EXPECT_EQ(e.SelLength(), 3);
  e.KeyDown(Key::Left, 0);  // collapses to the selection's start
  EXPECT_EQ(e.CaretPos(), 1);
  EXPECT_EQ(e.SelLength(), 0);
}

TEST(EditField, BackspaceDeleteAndSelectAll) {
  tk::TMaskEdit e(nullptr);
  TypeText(e, "12345");
  e.DeliverChar(8);
  EXPECT_EQ(e.Text(), "1234");
  e.KeyDown(Key::Home, 0);
  e.KeyDown(Key::Delete, 0);
  EXPECT_EQ(e.Text(), "234");
  e.DeliverChar(8);  // nothing before the caret
  EXPECT_EQ(e.Text(), "234");
  e.KeyDown(Key::End, 0);
  e.KeyDown(Key::Delete, 0);  // nothing after the caret
  EXPECT_EQ(e.Text(), "234");
  EXPECT_TRUE(e.KeyDown(Key::A, kCtrl));
  EXPECT_EQ(e.SelLength(), 3);
  e.KeyDown(Key::Delete, 0);
  EXPECT_EQ(e.Text(), "");
}

TEST(EditField, ControlCharactersEnterAndCopyInsertNothing) {
  tk::TMaskEdit e(nullptr);
  TypeText(e, "ab");
  for (char c : {'\r', '\n', '\t', '\x1B', '\x01', '\x7F'}) e.DeliverChar(c);
  EXPECT_EQ(e.Text(), "ab");
  e.KeyDown(Key::A, kCtrl);
  EXPECT_TRUE(e.KeyDown(Key::C, kCtrl));
  EXPECT_TRUE(e.KeyDown(Key::X, kCtrl));  // cut does not remove the text
  EXPECT_EQ(e.Text(), "ab");
}

TEST(EditField, PasteTakesTheFirstLineWithoutLimit) {
  tk::TMaskEdit e(nullptr);
  TypeText(e, "xy");
  e.KeyDown(Key::Left, 0);
  e.Paste("12\t3\r\nignored");
  EXPECT_EQ(e.Text(), "x123y");
  std::string longText(100000, 'q');
  e.KeyDown(Key::A, kCtrl);
  e.Paste(longText);
  EXPECT_EQ(e.Text(), longText);
  EXPECT_EQ(e.CaretPos(), 100000);
}

TEST(EditField, SettingTheTextMovesTheCaretHomeOnlyWhenItChanges) {
  tk::TMaskEdit e(nullptr);
  TypeText(e, "abc");
  e.SetText("abc");
  EXPECT_EQ(e.CaretPos(), 3);
  e.SetText("ABC");
  EXPECT_EQ(e.CaretPos(), 0);
  EXPECT_EQ(e.SelLength(), 0);
}

}  // namespace
