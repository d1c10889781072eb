// The monkey on the real program: a fixed seed, a few hundred thousand random
// events, the invariants checked after each. MV_MONKEY_EVENTS and
// MV_MONKEY_SEED choose a longer run or another seed.

#include <gtest/gtest.h>

#include <cstdlib>

#include "CpuTime.h"
#include "Monkey.h"

namespace mirvolant::testing {
namespace {

int64_t EnvOr(const char* name, int64_t fallback) {
  const char* v = std::getenv(name);
  return v != nullptr && *v != '\0' ? std::strtoll(v, nullptr, 10) : fallback;
}

TEST(Monkey, RandomInputBreaksNoInvariantAndReachesTheMissions) {
  const uint64_t seed = static_cast<uint64_t>(EnvOr("MV_MONKEY_SEED", 20261208));
  const int64_t events = EnvOr("MV_MONKEY_EVENTS", 300000);
  double start = CpuSeconds();
  MonkeyReport r = Monkey(seed, events).Run();
  double cpu = CpuSeconds() - start;
  std::printf(
      "monkey seed %llu: %lld events in %lld runs, %.1f s CPU, %lld virtual hours\n"
      "  levels solved %lld, path choice opened %lld, missions shown %lld/%lld/%lld,\n"
      "  solved %lld/%lld/%lld, drain codes shown after a countdown %lld, long texts %lld\n",
      static_cast<unsigned long long>(seed), static_cast<long long>(r.events),
      static_cast<long long>(r.runs), cpu, static_cast<long long>(r.virtualSeconds / 3600),
      static_cast<long long>(r.levelsSolved), static_cast<long long>(r.pathChoices),
      static_cast<long long>(r.missionsShown[0]), static_cast<long long>(r.missionsShown[1]),
      static_cast<long long>(r.missionsShown[2]), static_cast<long long>(r.missionsSolved[0]),
      static_cast<long long>(r.missionsSolved[1]), static_cast<long long>(r.missionsSolved[2]),
      static_cast<long long>(r.phaseThreeReached), static_cast<long long>(r.longPastes));

  EXPECT_EQ(r.failure, "");
  EXPECT_GE(r.events, events);
  // The random walk must have reached every part of the quest, or the
  // invariants above were checked only on the board.
  if (events >= 100000) {
    EXPECT_GT(r.pathChoices, 0);
    for (int i = 0; i < 3; ++i) {
      EXPECT_GT(r.missionsShown[i], 0) << "mission " << i + 3;
      EXPECT_GT(r.missionsSolved[i], 0) << "mission " << i + 3;
    }
    EXPECT_GT(r.phaseThreeReached, 0);
    EXPECT_GT(r.longPastes, 0);
  }
}

}  // namespace
}  // namespace mirvolant::testing
