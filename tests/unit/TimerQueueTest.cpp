// The timer queue on a clock of its own: the rhythm of the ticks, the limit,
// and the ticks that fell due while the program could not run.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "toolkit/components/Timer.h"
#include "toolkit/components/TimerQueue.h"

namespace {

using tk::LateTicks;
using tk::TimerQueue;

TEST(TimerQueue, KeepsTheRhythmStopsAndRefusesTimersBeyondItsLimit) {
  int64_t now = 0;
  TimerQueue q([&] { return now; });
  tk::TTimer timer(nullptr);
  int ticks = 0;
  timer.OnTimer = [&](tk::TObject*) { ++ticks; };
  EXPECT_EQ(q.NextDue(), -1);
  ASSERT_TRUE(q.Start(&timer));
  now = 999;
  EXPECT_FALSE(q.FireDue());
  now = 1003;
  EXPECT_TRUE(q.FireDue());
  EXPECT_FALSE(q.FireDue());
  EXPECT_EQ(ticks, 1);
  // A tick handled a little late keeps the rhythm.
  EXPECT_EQ(q.NextDue(), 2000);

  q.SetLimit(1);
  tk::TTimer other(nullptr);
  EXPECT_FALSE(q.Start(&other));
  q.Stop(&timer);
  EXPECT_EQ(q.Count(), 0u);
  EXPECT_EQ(q.NextDue(), -1);
  EXPECT_TRUE(q.Start(&other));
  EXPECT_EQ(q.NextDue(), now + 1000);
}

TEST(TimerQueue, LateTicksDroppedByDefaultCaughtUpInOrderWhenAsked) {
  struct Case {
    LateTicks policy;
    // Ticks of the first timer and of the second, which the first's third
    // tick starts, after ten and a half seconds of sleep: the time each
    // handler sees.
    std::vector<int64_t> first;
    std::vector<int64_t> second;
    // Afterwards the rhythm goes on from the last due time.
    int64_t nextDue;
  } cases[] = {
      {LateTicks::Drop, {10500}, {}, 11500},
      {LateTicks::CatchUp,
       {1000, 2000, 3000, 4000, 5000, 6000, 7000, 8000, 9000, 10000},
       {4000, 5000, 6000, 7000, 8000, 9000, 10000},
       11000},
  };
  for (const Case& c : cases) {
    int64_t now = 0;
    TimerQueue q([&] { return now; });
    q.SetLateTicks(c.policy);
    tk::TTimer a(nullptr);
    tk::TTimer b(nullptr);
    std::vector<int64_t> first;
    std::vector<int64_t> second;
    std::vector<int64_t> all;
    int64_t inNestedTurn = -1;
    a.OnTimer = [&](tk::TObject*) {
      first.push_back(q.Now());
      all.push_back(q.Now());
      if (first.size() == 1) {
        // A loop turn inside the handler (a dialog it opens) runs at the
        // clock's time; the tick's time comes back after it.
        TimerQueue::LoopTurn turn(q);
        inNestedTurn = q.Now();
      }
      EXPECT_EQ(q.Now(), first.back());
      if (first.size() == 3) q.Start(&b);
    };
    b.OnTimer = [&](tk::TObject*) {
      second.push_back(q.Now());
      all.push_back(q.Now());
    };
    q.Start(&a);
    now = 10500;
    while (q.FireDue()) {
    }
    EXPECT_EQ(first, c.first);
    EXPECT_EQ(second, c.second);
    EXPECT_TRUE(std::is_sorted(all.begin(), all.end()));
    EXPECT_EQ(inNestedTurn, 10500);
    EXPECT_EQ(q.Now(), 10500);
    EXPECT_EQ(q.NextDue(), c.nextDue);
  }
}

}  // namespace
