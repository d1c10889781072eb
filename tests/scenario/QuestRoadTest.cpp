// The whole road as players walk it, on the headless back end: every stop of
// tests/road/road.txt checked against the dialogs. The walk is also what
// checks the road's codes: the quest accepts each of them.

#include <gtest/gtest.h>

#include "CpuTime.h"
#include "Driver.h"

namespace mirvolant::testing {
namespace {

TEST(QuestRoad, EveryStopShowsWhatTheRoadSaysAndTheWholeRoadIsCheap) {
  Driver q;
  WalkRoad(q, [](const Road::Stop& stop) {
    EXPECT_EQ(StopProblems(stop), std::vector<std::string>{}) << "at the road's stop " << stop.name;
  });
  // The board's "Закрыть" ends the run.
  q.Then([&] { q.Click(Form1->SpeedButton10); });
  q.Then([] { ADD_FAILURE() << "the board's close button did not end the run"; });
  double start = CpuSeconds();
  EXPECT_EQ(q.RunProgram(), 0);
  double cpuSeconds = CpuSeconds() - start;
  // 10,800 ticks plus the caret's blinking.
  EXPECT_LT(cpuSeconds, 1.0);
  std::printf("whole road of three missions: %.3f s CPU\n", cpuSeconds);
}

TEST(QuestRoad, VictoryAndMysteryMissionsByTheirOwnPaths) {
  Driver q;
  q.OpenPath(2);
  q.Then([&] {
    ASSERT_TRUE(Form4->FormVisible());
    // The drain code is accepted before the countdown ends.
    q.EnterDrain(Form4);
  });
  q.Then([&] {
    ASSERT_TRUE(Form3->FormVisible());
    q.Seconds(3600);
  });
  q.Then([&] { q.EnterDrain(Form3); });
  q.Then([&] { q.Close(Form3); });
  q.Then([&] {
    // Back at the path choice; the mystery mission by its own path.
    EXPECT_FALSE(Form4->FormVisible());
    EXPECT_TRUE(Form2->FormVisible());
    q.EnterPath(1);
  });
  q.Then([&] {
    EXPECT_TRUE(Form3->FormVisible());
    // A new showing restarts the first phase; the solved slot stays hidden
    // until that showing's third phase ends.
    EXPECT_EQ(unit3::SecondsLeft, 1200);
    EXPECT_FALSE(Form3->MaskEdit1->Visible());
    EXPECT_EQ(Utf8(Form3->Label2->Caption()), "Вирус активирован!!!");
  });
  EXPECT_EQ(q.CloseAllAndRun(), 0);
}

}  // namespace
}  // namespace mirvolant::testing
