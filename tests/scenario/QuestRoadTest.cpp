// The whole road as players walk it, on the headless back end.

#include <gtest/gtest.h>

#include "CpuTime.h"
#include "Driver.h"
#include "toolkit/components/Timer.h"

namespace mirvolant::testing {
namespace {

using tk::operator""_ansi;

TEST(QuestRoad, NineLevelsThreeMissionsAndTheEngineCode) {
  Driver q;
  q.Then([&] {
    // Only the board is shown, centred, with the first field focused.
    ASSERT_EQ(tk::Application->VisibleForms().size(), 1u);
    EXPECT_EQ(tk::Application->VisibleForms()[0], Form1);
    EXPECT_EQ(Form1->ActiveControl(), Form1->MaskEdit1);
    EXPECT_EQ(SolvedCount, 0);
    const tk::TCustomForm* others[] = {Form2, Form3, Form4, Form5};
    for (const tk::TCustomForm* f : others) EXPECT_FALSE(f->FormVisible());
  });
  // Slot 1 typed in capitals, a mixture of Enter and the "ОК" button.
  q.Then([&] { q.Enter(Form1->MaskEdit5, "жуфа"); });
  q.Then([&] { q.EnterByButton(Form1->MaskEdit1, Form1->SpeedButton1, "GG38TT"); });
  q.Then([&] {
    EXPECT_EQ(SolvedCount, 2);
    EXPECT_EQ(Form1->MaskEdit1->Text(), "gg38tt");
    EXPECT_FALSE(Form1->Label1->Visible());
    EXPECT_FALSE(Form1->MaskEdit1->Visible());
    EXPECT_FALSE(Form1->SpeedButton1->Visible());
    EXPECT_EQ(Form1->Panel1->Caption(), "OK");
    EXPECT_EQ(Form1->Panel2->Caption(), "");
  });
  q.SolveBoard({9, 2, 7, 3, 8, 4});
  q.Then([&] {
    EXPECT_EQ(SolvedCount, 8);
    EXPECT_FALSE(Form2->FormVisible());
    q.Enter(Form1->MaskEdit6, "367");
  });
  q.Then([&] {
    // The ninth success opened the path choice modally over the disabled board.
    EXPECT_TRUE(Form2->FormVisible());
    EXPECT_TRUE(Form2->Modal());
    EXPECT_FALSE(Form1->WindowEnabled());
    EXPECT_EQ(tk::Application->FocusedForm(), Form2);
    EXPECT_EQ(Form2->ActiveControl(), Form2->MaskEdit1);
    q.Enter(Form2->MaskEdit3, "jjj52");
  });
  q.Then([&] {
    ASSERT_TRUE(Form5->FormVisible());
    EXPECT_FALSE(Form2->WindowEnabled());
    EXPECT_EQ(
        Form5->Label1->Caption(),
        "Задание:\rПрежде чем разгадать тайну я перекрестился, и в этом\rмне помог князь."_ansi);
    EXPECT_TRUE(Form5->Timer1->Enabled());
    EXPECT_EQ(unit5::SecondsLeft, 1200);
    q.Seconds(1);
  });
  q.Then([&] {
    EXPECT_EQ(Form5->Label2->Caption(), "До активации 1-ой части вируса осталось: 1199 сек."_ansi);
    q.Seconds(1199);
  });
  q.Then([&] {
    EXPECT_EQ(Form5->Label1->Caption(), "Князь Олвесар."_ansi);
    EXPECT_FALSE(Form5->Timer1->Enabled());
    EXPECT_TRUE(Form5->Timer2->Enabled());
    EXPECT_EQ(unit5::SecondsLeft, 1200);
    q.Seconds(1200);
  });
  q.Then([&] {
    EXPECT_EQ(Form5->Label1->Caption(), "Ищи около моста."_ansi);
    EXPECT_TRUE(Form5->Timer3->Enabled());
    q.Seconds(1199);
  });
  q.Then([&] {
    EXPECT_EQ(Form5->Label2->Caption(), "До активации 3-ой части вируса осталось: 1 сек."_ansi);
    q.Seconds(1);
  });
  q.Then([&] {
    // 3600 ticks after the showing: the drain code.
    EXPECT_EQ(Form5->Label1->Caption(), "Вирус активирован, введите код слива: 5335K"_ansi);
    EXPECT_EQ(Form5->Label2->Caption(), "Активация прошла успешно!!!"_ansi);
    EXPECT_FALSE(Form5->Timer3->Enabled());
    EXPECT_EQ(unit5::SecondsLeft, 0);
    q.Enter(Form5->MaskEdit1, "5335K");
  });
  q.Then([&] {
    // The escape mission asked to close and opened the victory mission from
    // the same handler: it stays shown and disabled beneath it.
    EXPECT_TRUE(Form4->FormVisible());
    EXPECT_TRUE(Form5->FormVisible());
    EXPECT_FALSE(Form5->WindowEnabled());
    EXPECT_EQ(Form5->ModalOutcome(), 2);
    EXPECT_EQ(Form5->MaskEdit1->Text(), "5335k");
    EXPECT_FALSE(Form5->MaskEdit1->Visible());
    q.Enter(Form4->MaskEdit1, "406?&");
  });
  q.Then([&] {
    EXPECT_TRUE(Form3->FormVisible());
    EXPECT_TRUE(Form4->FormVisible());
    EXPECT_FALSE(Form4->WindowEnabled());
    EXPECT_EQ(tk::Application->FocusedForm(), Form3);
    q.Enter(Form3->MaskEdit1, "83~");
  });
  q.Then([&] {
    EXPECT_EQ(Form3->Label1->Caption(), "Код: 66$6\rВбейте в движок 10 уровня."_ansi);
    EXPECT_EQ(Form3->Label2->Caption(), "Вирус активирован!!!"_ansi);
    EXPECT_FALSE(Form3->Timer1->Enabled());
    EXPECT_FALSE(Form3->Timer2->Enabled());
    EXPECT_FALSE(Form3->Timer3->Enabled());
    EXPECT_FALSE(Form3->MaskEdit1->Visible());
    EXPECT_TRUE(Form3->FormVisible());
    q.Close(Form3);
  });
  q.Then([&] {
    // Closing the mystery mission unwound victory and escape as well.
    EXPECT_FALSE(Form3->FormVisible());
    EXPECT_FALSE(Form4->FormVisible());
    EXPECT_FALSE(Form5->FormVisible());
    EXPECT_TRUE(Form2->FormVisible());
    EXPECT_TRUE(Form2->WindowEnabled());
    EXPECT_EQ(tk::Application->FocusedForm(), Form2);
    EXPECT_EQ(Form2->MaskEdit3->Text(), "jjj52");
    q.Click(Form2->SpeedButton4);
  });
  q.Then([&] {
    EXPECT_FALSE(Form2->FormVisible());
    EXPECT_TRUE(Form1->WindowEnabled());
    for (int n = 1; n <= 9; ++n) EXPECT_EQ(Form1->SlotControls(n).panel->Caption(), "OK");
    q.Click(Form1->SpeedButton10);
  });
  q.Then([] { ADD_FAILURE() << "the board's close button did not end the run"; });
  EXPECT_EQ(q.RunProgram(), 0);
}

TEST(QuestRoad, VictoryAndMysteryMissionsByTheirOwnPaths) {
  Driver q;
  q.SolveBoard();
  q.Then([&] { q.Enter(Form2->MaskEdit2, "HHH"); });
  q.Then([&] {
    ASSERT_TRUE(Form4->FormVisible());
    // The drain code is accepted before the countdown ends.
    q.Enter(Form4->MaskEdit1, "406?&");
  });
  q.Then([&] {
    ASSERT_TRUE(Form3->FormVisible());
    q.Seconds(1200);
  });
  q.Then([&] {
    // The mystery mission's second phase shows the picture instead of text.
    EXPECT_EQ(Form3->Label1->Caption(), "");
    EXPECT_TRUE(Form3->Image1->Visible());
    q.Seconds(1200);
  });
  q.Then([&] {
    EXPECT_FALSE(Form3->Image1->Visible());
    EXPECT_EQ(Form3->Label1->Caption(),
              "Спустившись с горы, я увидел знак Ближняя игуменка, а \rрядом была шахта."_ansi);
    q.Seconds(1200);
  });
  q.Then([&] {
    EXPECT_EQ(Form3->Label1->Caption(), "Вирус активирован, введите код слива: 83~"_ansi);
    q.Enter(Form3->MaskEdit1, "83~");
  });
  q.Then([&] { q.Close(Form3); });
  q.Then([&] {
    // Back at the path choice; the mystery mission by its own path.
    EXPECT_FALSE(Form4->FormVisible());
    EXPECT_TRUE(Form2->FormVisible());
    q.Enter(Form2->MaskEdit1, "hhh52");
  });
  q.Then([&] {
    EXPECT_TRUE(Form3->FormVisible());
    // A new showing restarts the first phase; the solved slot stays hidden
    // until that showing's third phase ends.
    EXPECT_EQ(unit3::SecondsLeft, 1200);
    EXPECT_FALSE(Form3->MaskEdit1->Visible());
    EXPECT_EQ(Form3->Label2->Caption(), "Вирус активирован!!!"_ansi);
  });
  EXPECT_EQ(q.CloseAllAndRun(), 0);
}

TEST(QuestRoad, WholeRoadRunsFastOnTheVirtualClock) {
  Driver q;
  q.SolveBoard({9, 8, 7, 6, 5, 4, 3, 2, 1});
  q.Then([&] { q.Enter(Form2->MaskEdit3, "jjj52"); });
  q.Wait(3600);
  q.Then([&] { q.Enter(Form5->MaskEdit1, "5335k"); });
  q.Wait(3600);
  q.Then([&] { q.Enter(Form4->MaskEdit1, "406?&"); });
  q.Wait(3600);
  q.Then([&] {
    EXPECT_EQ(Form3->Label1->Caption(), "Вирус активирован, введите код слива: 83~"_ansi);
    q.Enter(Form3->MaskEdit1, "83~");
  });
  q.Then(
      [&] { EXPECT_EQ(Form3->Label1->Caption(), "Код: 66$6\rВбейте в движок 10 уровня."_ansi); });
  double start = CpuSeconds();
  EXPECT_EQ(q.CloseAllAndRun(), 0);
  double cpuSeconds = CpuSeconds() - start;
  // 10,800 ticks plus the caret's blinking.
  EXPECT_LT(cpuSeconds, 1.0);
  std::printf("whole road of three missions: %.3f s CPU\n", cpuSeconds);
}

}  // namespace
}  // namespace mirvolant::testing
