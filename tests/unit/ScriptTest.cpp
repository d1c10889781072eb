// The script that drives a waiting program in the tests: the clock runs to
// the program's deadline but never past the limit; at the limit the steps run
// one at a time until none is left.

#include <gtest/gtest.h>

#include <vector>

#include "toolkit/platform/headless/Script.h"

namespace {

TEST(Script, ClockStopsAtTheDeadlineOrTheLimitThenStepsRunUntilNoneIsLeft) {
  tk::platform::Script script;
  std::vector<int> ran;
  script.steps = {[&] {
                    ran.push_back(1);
                    script.limit += 50;
                  },
                  [&] { ran.push_back(2); }};
  script.limit = 100;
  int64_t now = 0;
  ASSERT_TRUE(script.Next(now, 30));  // a deadline within the limit
  EXPECT_EQ(now, 30);
  ASSERT_TRUE(script.Next(now, 500));  // one beyond it: the clock stops at the limit
  EXPECT_EQ(now, 100);
  ASSERT_TRUE(script.Next(now, 500));  // at the limit the first step runs
  EXPECT_EQ(now, 100);
  EXPECT_EQ(ran, std::vector<int>{1});
  ASSERT_TRUE(script.Next(now, -1));  // no deadline: on to the new limit
  EXPECT_EQ(now, 150);
  ASSERT_TRUE(script.Next(now, -1));
  EXPECT_EQ(ran, (std::vector<int>{1, 2}));
  EXPECT_FALSE(script.Next(now, -1));  // nothing left: the run is over
  EXPECT_EQ(now, 150);
}

}  // namespace
