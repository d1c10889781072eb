// What the toolkit does with the ticks that fell due while the program could
// not run: dropped but one (the default), or every one caught up in order.

#include "Driver.h"

namespace mirvolant::testing {
namespace {

TEST(LateTicks, DroppedByDefaultCaughtUpInOrderWhenAsked) {
  struct Case {
    tk::LateTicks policy;
    // Ticks of the first timer and of the second, which the first's third
    // tick starts, after ten and a half seconds of sleep.
    std::vector<int64_t> first;
    std::vector<int64_t> second;
    // Ticks handled before a key typed during the first one: the late ticks
    // happened before it.
    size_t ticksBeforeKey;
  } cases[] = {
      {tk::LateTicks::Drop, {10500}, {}, 1},
      {tk::LateTicks::CatchUp,
       {1000, 2000, 3000, 4000, 5000, 6000, 7000, 8000, 9000, 10000},
       {4000, 5000, 6000, 7000, 8000, 9000, 10000},
       17},
  };
  for (const Case& c : cases) {
    TestApp t;
    t.app->SetLateTicks(c.policy);
    int64_t start = 0;
    std::vector<int64_t> first;
    std::vector<int64_t> second;
    std::vector<int64_t> all;
    size_t ticksBeforeKey = 0;
    // The time a handler sees is its tick's due time.
    t.d1->onTick = [&] {
      first.push_back(t.app->Now() - start);
      all.push_back(first.back());
      if (t.d1->keys.empty()) ++ticksBeforeKey;
      if (first.size() == 1) t.Type(t.d1, "k");
      if (first.size() == 3) t.d2->Timer1->SetEnabled(true);
    };
    t.d2->onTick = [&] {
      second.push_back(t.app->Now() - start);
      all.push_back(second.back());
      if (t.d1->keys.empty()) ++ticksBeforeKey;
    };
    t.Then([&] {
      start = t.platform.Now();
      t.d1->Timer1->SetEnabled(true);
      t.platform.JumpClock(10500);
    });
    t.Then([&] { t.platform.Advance(1); });
    t.Then([&] {
      EXPECT_EQ(first, c.first);
      EXPECT_EQ(second, c.second);
      EXPECT_TRUE(std::is_sorted(all.begin(), all.end()));
      EXPECT_EQ(ticksBeforeKey, c.ticksBeforeKey);
      EXPECT_EQ(t.d1->keys, "k");
      // Afterwards the rhythm goes on from the last due time.
      t.platform.Advance(1000);
    });
    t.Then([&] { EXPECT_EQ(first.back(), c.policy == tk::LateTicks::Drop ? 11500 : 11000); });
    t.Run();
  }
}

}  // namespace
}  // namespace mirvolant::testing
