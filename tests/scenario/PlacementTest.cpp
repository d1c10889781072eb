// Where dialogs appear: centred on the desktop or on the board at their first
// showing, clamped to the desktop's corner, moved to the active dialog's
// monitor, and left where the user put them afterwards. Also the rescaling
// of the layout on a screen of another density.

#include <gtest/gtest.h>

#include "QuestHarness.h"
#include "toolkit/paint/Font.h"

namespace mirvolant::testing {
namespace {

tk::TPoint Position(QuestHarness& q, tk::TCustomForm* f) {
  return q.platform.WindowPosition(f->WindowId());
}

void MoveByUser(QuestHarness& q, tk::TCustomForm* f, int x, int y) {
  tk::platform::Event e;
  e.kind = tk::platform::EventKind::Moved;
  e.window = f->WindowId();
  e.x = x;
  e.y = y;
  q.platform.MoveWindow(f->WindowId(), x, y);
  q.platform.Push(e);
}

TEST(Placement, DesktopAndBoardCentresWithTheOuterSize) {
  QuestHarness q;
  q.platform.SetFrame({3, 22, 3, 3});
  q.SolveBoard({1, 2, 3, 4, 5, 6, 7, 8, 9});
  q.Then([&] {
    // Board: (1920 - 525) div 2, (1080 - 451) div 2.
    EXPECT_EQ(Position(q, Form1), (tk::TPoint{697, 314}));
    // Path choice on the board: 697 + (525 - 623) div 2, 314 + (451 - 320) div 2.
    EXPECT_EQ(Position(q, Form2), (tk::TPoint{648, 379}));
    EXPECT_EQ(Form2->Position(), tk::TPosition::poDesigned);
    q.Enter(Form2->MaskEdit2, "hhh");
  });
  q.Then([&] {
    // The victory mission is centred on the desktop.
    EXPECT_EQ(Position(q, Form4), (tk::TPoint{(1920 - 678) / 2, (1080 - 281) / 2}));
    q.Close(Form4);
  });
  q.Then([&] { q.Close(Form2); });
  q.Then([&] { q.Close(Form1); });
  EXPECT_EQ(q.RunProgram(), 0);
}

TEST(Placement, NegativePositionsAreClampedToZero) {
  QuestHarness q;
  q.platform.SetDesktop({0, 0, 400, 300});
  q.Then([&] {
    EXPECT_EQ(Position(q, Form1), (tk::TPoint{0, 0}));
    q.Close(Form1);
  });
  EXPECT_EQ(q.RunProgram(), 0);
}

TEST(Placement, SeveralMonitorsAndAMovedDialogReopeningWhereItWasLeft) {
  QuestHarness q;
  q.platform.SetDesktop({0, 0, 3840, 1080}, {{0, 0, 1920, 1080}, {1920, 0, 3840, 1080}});
  q.SolveBoard({1, 2, 3, 4, 5, 6, 7, 8, 9});
  q.Then([&] {
    // The user drags the path choice onto the second monitor.
    MoveByUser(q, Form2, 2500, 200);
  });
  q.Then([&] { q.Enter(Form2->MaskEdit3, "jjj52"); });
  q.Then([&] {
    // Centred on the board it would lie on the first monitor; the active
    // dialog is on the second, so it is centred there, without clamping.
    EXPECT_EQ(Position(q, Form5), (tk::TPoint{1920 + (1920 - 678) / 2, (1080 - 281) / 2}));
    MoveByUser(q, Form5, 40, 50);
  });
  q.Then([&] { q.Close(Form5); });
  q.Then([&] { q.Enter(Form2->MaskEdit3, "jjj52"); });
  q.Then([&] {
    EXPECT_EQ(Position(q, Form5), (tk::TPoint{40, 50}));
    EXPECT_EQ(Form5->ScreenLeft(), 40);
    q.Close(Form5);
  });
  q.Then([&] { q.Close(Form2); });
  q.Then([&] { q.Close(Form1); });
  EXPECT_EQ(q.RunProgram(), 0);
}

TEST(Density, EveryEdgeAndTheClientSizeFollowTheNewTextHeight) {
  int height = tk::Font::Get(tk::MulDiv(-11, 120, 96)).DigitHeight();
  ASSERT_NE(height, 13) << "the 120 ppi font must differ for this test to mean anything";
  QuestHarness q;
  q.platform.SetPixelsPerInch(120);
  auto scaled = [height](int v) { return tk::MulDiv(v, height, 13); };
  q.Then([&] {
    EXPECT_EQ(Form1->FontHeight(), -14);
    EXPECT_EQ(Form1->ClientWidth(), scaled(519));
    EXPECT_EQ(Form1->ClientHeight(), scaled(426));
    // Left and right edges are scaled, not the width.
    EXPECT_EQ(Form1->Panel1->Left(), scaled(-8));
    EXPECT_EQ(Form1->Panel1->Left() + Form1->Panel1->Width(), scaled(-8 + 177));
    EXPECT_EQ(Form1->Panel5->Top(), scaled(128));
    EXPECT_EQ(Form1->Panel5->Top() + Form1->Panel5->Height(), scaled(128 + 129));
    EXPECT_EQ(Form1->SpeedButton10->Left(), scaled(216));
    EXPECT_EQ(Form1->SpeedButton10->Left() + Form1->SpeedButton10->Width(), scaled(216 + 73));
    // Auto-sized controls measure with the new font.
    EXPECT_EQ(Form1->Label1->Height(), tk::Font::Get(-14).TextHeight());
    q.Close(Form1);
  });
  EXPECT_EQ(q.RunProgram(), 0);
}

}  // namespace
}  // namespace mirvolant::testing
