// Where dialogs appear: centred on the desktop or on the board at their first
// showing, clamped to the desktop's corner, moved to the active dialog's
// monitor, and left where the user put them afterwards. Also the rescaling
// of the layout on a screen of another density.

#include <gtest/gtest.h>

#include "Driver.h"
#include "toolkit/forms/Placement.h"
#include "toolkit/paint/Font.h"

namespace mirvolant::testing {
namespace {

tk::TPoint Position(Driver& q, tk::TCustomForm* f) {
  return q.platform.WindowPosition(f->WindowId());
}

void MoveByUser(Driver& q, tk::TCustomForm* f, int x, int y) {
  tk::platform::Event e;
  e.kind = tk::platform::EventKind::Moved;
  e.window = f->WindowId();
  e.x = x;
  e.y = y;
  q.platform.MoveWindow(f->WindowId(), x, y);
  q.platform.Push(e);
}

TEST(Placement, RulesAsAFunctionOfSizesDesktopAndMonitors) {
  using tk::TPosition;
  const tk::TRect one{0, 0, 1920, 1080};
  const std::vector<tk::TRect> two = {{0, 0, 1920, 1080}, {1920, 0, 3840, 1080}};
  struct Case {
    TPosition rule;
    tk::TRect desktop;
    std::vector<tk::TRect> monitors;
    std::optional<tk::TRect> main, active;
    tk::TPoint expected;
  } cases[] = {
      {TPosition::poDesigned, one, {one}, {}, {}, {465, 308}},
      {TPosition::poDesktopCenter, one, {one}, {}, {}, {697, 314}},
      // Truncating halves, and a desktop that does not start at 0.
      {TPosition::poDesktopCenter, {-1280, 0, 1920, 1080}, {one}, {}, {}, {-1280 + 1337, 314}},
      {TPosition::poMainFormCenter, one, {one}, {{697, 314, 1222, 765}}, {}, {697, 314}},
      // Without another main dialog the stored position stays.
      {TPosition::poMainFormCenter, one, {one}, {}, {}, {465, 308}},
      // Negative coordinates become 0, on the desktop rule as on the board's.
      {TPosition::poDesktopCenter, {0, 0, 400, 300}, {one}, {}, {}, {0, 0}},
      {TPosition::poMainFormCenter, one, {one}, {{-300, -100, 100, 100}}, {}, {0, 0}},
      // On the active dialog's monitor when centring on the board lands on
      // another one; unclamped there.
      {TPosition::poMainFormCenter,
       {0, 0, 3840, 1080},
       two,
       {{697, 314, 1222, 765}},
       {{2500, 200, 3000, 500}},
       {1920 + 697, 314}},
      {TPosition::poMainFormCenter,
       {0, 0, 3840, 1080},
       two,
       {{697, 314, 1222, 765}},
       {{100, 200, 600, 500}},
       {697, 314}},
  };
  for (const Case& c : cases) {
    tk::PlacementInput in{.rule = c.rule,
                          .width = 525,
                          .height = 451,
                          .stored = {465, 308},
                          .desktop = c.desktop,
                          .monitors = c.monitors,
                          .mainDialog = c.main,
                          .activeDialog = c.active};
    EXPECT_EQ(tk::PlaceDialog(in), c.expected) << static_cast<int>(c.rule);
  }
  // The error box: centred on its owner, kept inside the desktop.
  EXPECT_EQ(tk::CentreInside({0, 0, 100, 100}, 300, 100, one), (tk::TPoint{0, 0}));
  EXPECT_EQ(tk::CentreInside({1800, 1000, 1920, 1080}, 300, 100, one), (tk::TPoint{1620, 980}));
}

TEST(Placement, DesktopAndBoardCentresWithTheOuterSize) {
  Driver q;
  q.platform.SetFrame({3, 22, 3, 3});
  q.SolveBoard();
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
  });
  EXPECT_EQ(q.CloseAllAndRun(), 0);
}

TEST(Placement, AFrameToldLateMovesTheDialogsNobodyMoved) {
  Driver q;
  // The window manager has not said its frame when the board is placed.
  q.platform.SetFrame({});
  q.Then([&] {
    EXPECT_EQ(Position(q, Form1), (tk::TPoint{(1920 - 519) / 2, (1080 - 426) / 2}));
    q.platform.ChangeFrame({3, 22, 3, 3});
  });
  q.SolveBoard();
  q.Then([&] {
    // Where the rules put them with the real frame (see above).
    EXPECT_EQ(Position(q, Form1), (tk::TPoint{697, 314}));
    EXPECT_EQ(Position(q, Form2), (tk::TPoint{648, 379}));
    MoveByUser(q, Form2, 40, 50);
  });
  q.Then([&] { q.platform.ChangeFrame({1, 22, 1, 1}); });
  q.Then([&] {
    // The board follows its rule again; the path choice stays where the user
    // put it.
    EXPECT_EQ(Position(q, Form1), (tk::TPoint{(1920 - 521) / 2, (1080 - 449) / 2}));
    EXPECT_EQ(Position(q, Form2), (tk::TPoint{40, 50}));
    EXPECT_EQ(Form2->ScreenLeft(), 40);
  });
  EXPECT_EQ(q.CloseAllAndRun(), 0);
}

TEST(Placement, NegativePositionsAreClampedToZero) {
  Driver q;
  q.platform.SetDesktop({0, 0, 400, 300});
  q.Then([&] { EXPECT_EQ(Position(q, Form1), (tk::TPoint{0, 0})); });
  EXPECT_EQ(q.CloseAllAndRun(), 0);
}

TEST(Placement, SeveralMonitorsAndAMovedDialogReopeningWhereItWasLeft) {
  Driver q;
  q.platform.SetDesktop({0, 0, 3840, 1080}, {{0, 0, 1920, 1080}, {1920, 0, 3840, 1080}});
  q.SolveBoard();
  // The user drags the path choice onto the second monitor.
  q.Then([&] { MoveByUser(q, Form2, 2500, 200); });
  q.Then([&] { q.EnterPath(3); });
  q.Then([&] {
    // Centred on the board it would lie on the first monitor; the active
    // dialog is on the second, so it is centred there, without clamping.
    EXPECT_EQ(Position(q, Form5), (tk::TPoint{1920 + (1920 - 678) / 2, (1080 - 281) / 2}));
    MoveByUser(q, Form5, 40, 50);
  });
  q.Then([&] { q.Close(Form5); });
  q.Then([&] { q.EnterPath(3); });
  q.Then([&] {
    EXPECT_EQ(Position(q, Form5), (tk::TPoint{40, 50}));
    EXPECT_EQ(Form5->ScreenLeft(), 40);
  });
  EXPECT_EQ(q.CloseAllAndRun(), 0);
}

TEST(Density, EveryEdgeAndTheClientSizeFollowTheNewTextHeight) {
  int height = tk::Font::Get(tk::MulDiv(-11, 120, 96)).DigitHeight();
  ASSERT_NE(height, 13) << "the 120 ppi font must differ for this test to mean anything";
  Driver q;
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
  });
  EXPECT_EQ(q.CloseAllAndRun(), 0);
}

}  // namespace
}  // namespace mirvolant::testing
