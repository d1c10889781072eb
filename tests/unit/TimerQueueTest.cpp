// The timer queue on a clock of its own: the rhythm of the ticks, and the
// ticks that fell due while the program could not run.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "toolkit/components/Timer.h"
#include "toolkit/components/TimerQueue.h"

namespace {

using tk::LateTicks;
using tk::TimerQueue;

TEST(TimerQueue, LateTicksDroppedByDefaultCaughtUpInOrderWhenAsked) {
  struct Case {
    LateTicks policy;
    // How long the program could not run after the first timer started.
    int64_t sleep;
    // Ticks of the first timer and of the second, which the first's third
    // tick starts: the time each handler sees.
    std::vector<int64_t> first;
    std::vector<int64_t> second;
    // The rhythm goes on from the last due time, unless ticks were dropped.
    int64_t nextDue;
  } cases[] = {
      {LateTicks::Drop, 1003, {1003}, {}, 2000},
      {LateTicks::Drop, 10500, {10500}, {}, 11500},
      {LateTicks::CatchUp,
       10500,
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
    now = 999;
    EXPECT_FALSE(q.FireDue());  // a full interval first
    now = c.sleep;
    while (q.FireDue()) {
    }
    EXPECT_EQ(first, c.first);
    EXPECT_EQ(second, c.second);
    EXPECT_TRUE(std::is_sorted(all.begin(), all.end()));
    EXPECT_EQ(inNestedTurn, c.sleep);
    EXPECT_EQ(q.Now(), c.sleep);
    EXPECT_EQ(q.NextDue(), c.nextDue);
  }
}

}  // namespace
