// A simulated week of play on the virtual clock: every day the players open
// all three missions, leave some half-way with their timers running while
// hidden, solve the chain of three, and leave the program idle overnight
// (part of it suspended). At the same point of every day the heap in use, the
// running timers and the windows must be what they were the day before.

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "CpuTime.h"
#include "Driver.h"
#include "toolkit/components/Timer.h"

#if defined(__SANITIZE_ADDRESS__)
#define MV_HEAP_FROM_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MV_HEAP_FROM_SANITIZER 1
#endif
#endif

#if defined(MV_HEAP_FROM_SANITIZER)
#include <sanitizer/allocator_interface.h>
#else
#include <malloc.h>
#endif

namespace mirvolant::testing {
namespace {

constexpr int64_t kDaySeconds = 24 * 3600;
constexpr int kDays = 7;

// Bytes handed out by the allocator and not yet freed.
size_t HeapInUse() {
#if defined(MV_HEAP_FROM_SANITIZER)
  return __sanitizer_get_current_allocated_bytes();
#elif defined(_WIN32)
  // Every block of the C run-time's heap that is in use.
  _HEAPINFO entry{};
  size_t used = 0;
  while (_heapwalk(&entry) == _HEAPOK) {
    if (entry._useflag == _USEDENTRY) used += entry._size;
  }
  return used;
#elif defined(__EMSCRIPTEN__)
  // Small and large blocks alike come from the one arena.
  struct mallinfo m = mallinfo();
  return static_cast<size_t>(m.uordblks);
#else
  // Small blocks from the arena plus large ones (pixel buffers) mapped apart.
  struct mallinfo2 m = mallinfo2();
  return m.uordblks + m.hblkhd;
#endif
}

struct DaySample {
  size_t heap = 0;
  size_t timers = 0;
  int windows = 0;
  size_t visibleForms = 0;
};

int WindowCount(const HeadlessPlatform& p) {
  // Window ids are handed out in order and never reused, so a window made
  // and kept anywhere shows up among the first ids.
  int n = 0;
  for (tk::platform::WindowId id = 1; id < 256; ++id) {
    if (p.Find(id) != nullptr) ++n;
  }
  return n;
}

TEST(Soak, AWeekOfPlayKeepsMemoryTimersAndWindowsConstant) {
  Driver q;
  std::vector<DaySample> midday;
  std::vector<DaySample> evening;
  auto Sample = [&q] {
    return DaySample{HeapInUse(), tk::Application->Timers().Count(), WindowCount(q.platform),
                     tk::Application->VisibleForms().size()};
  };
  int64_t dayStart = 0;
  int missionsSolved = 0;

  using MissionOf = TMissionForm* (*)();
  const MissionOf mystery = []() -> TMissionForm* { return Form3; };
  const MissionOf victory = []() -> TMissionForm* { return Form4; };
  const MissionOf escape = []() -> TMissionForm* { return Form5; };
  auto close = [&](MissionOf mission) { q.Then([&q, mission] { q.Close(mission()); }); };
  auto drain = [&](MissionOf mission) {
    q.Then([&q, &missionsSolved, mission] {
      TMissionForm* m = mission();
      ASSERT_TRUE(m->FormVisible()) << m->ClassName();
      ASSERT_TRUE(m->MaskEdit1->Visible()) << m->ClassName();
      ++missionsSolved;
      q.EnterDrain(m);
    });
  };

  q.SolveBoard();
  for (int day = 0; day < kDays; ++day) {
    q.Then([&] {
      ASSERT_TRUE(Form2->FormVisible());
      ASSERT_TRUE(Form2->WindowEnabled());
      dayStart = q.platform.Now();
    });
    // The escape and victory missions left half-way: closed with a phase
    // timer still running, they move on while hidden.
    q.Then([&] { q.EnterPath(3); });
    q.Wait(1800);
    close(escape);
    q.Then([&] { q.EnterPath(2); });
    q.Wait(600);
    close(victory);
    // Two hidden missions are counting down now.
    q.Then([&] {
      ASSERT_FALSE(Form4->FormVisible());
      ASSERT_FALSE(Form5->FormVisible());
      midday.push_back(Sample());
    });
    // The mystery mission to its end, the picture shown on the way.
    q.Then([&] { q.EnterPath(1); });
    q.Wait(3700);
    drain(mystery);
    close(mystery);
    // The whole chain from the escape mission: each drain code opens the
    // next mission over the one that accepted it.
    q.Then([&] { q.EnterPath(3); });
    q.Wait(3700);
    drain(escape);
    q.Wait(3700);
    drain(victory);
    q.Wait(3700);
    drain(mystery);
    close(mystery);
    // Back at the path choice: the same point of every day.
    q.Then([&] {
      ASSERT_TRUE(Form2->WindowEnabled());
      ASSERT_FALSE(Form5->FormVisible());
      ASSERT_EQ(tk::Application->MessageBox(), nullptr);
      EXPECT_GE(unit3::SecondsLeft, 0);
      EXPECT_GE(unit4::SecondsLeft, 0);
      EXPECT_GE(unit5::SecondsLeft, 0);
      evening.push_back(Sample());
      // The night: eight hours suspended, the rest idle at the path choice.
      q.platform.JumpClock(8 * 3600 * 1000);
    });
    q.Then([&] { q.platform.Advance(dayStart + kDaySeconds * 1000 - q.platform.Now()); });
  }

  double start = CpuSeconds();
  int64_t clockStart = q.platform.Now();
  EXPECT_EQ(q.CloseAllAndRun(), 0);
  double cpu = CpuSeconds() - start;
  double days = static_cast<double>(q.platform.Now() - clockStart) / 1000.0 / kDaySeconds;

  ASSERT_EQ(midday.size(), static_cast<size_t>(kDays));
  ASSERT_EQ(evening.size(), static_cast<size_t>(kDays));
  EXPECT_EQ(missionsSolved, 4 * kDays);
  EXPECT_GE(days, kDays);
  for (size_t d = 0; d < kDays; ++d) {
    std::printf(
        "day %zu: midday heap %zu bytes, %zu timers, %d windows, %zu dialogs shown; "
        "evening heap %zu bytes, %zu timers\n",
        d + 1, midday[d].heap, midday[d].timers, midday[d].windows, midday[d].visibleForms,
        evening[d].heap, evening[d].timers);
  }
  std::printf("%.1f simulated days in %.2f s CPU\n", days, cpu);
  // Two mission timers run hidden at midday; none is left in the evening.
  EXPECT_EQ(midday[1].timers, 2u);
  EXPECT_EQ(evening[1].timers, 0u);
  // The heap is really measured: the program holds its dialogs and fonts.
  EXPECT_GT(midday[1].heap, 100000u);
  // The first day fills the caches (glyphs, the decoded picture); from the
  // second day on every day passes the same points as the one before.
  for (const std::vector<DaySample>* samples : {&midday, &evening}) {
    const std::vector<DaySample>& s = *samples;
    for (size_t d = 2; d < s.size(); ++d) {
      EXPECT_EQ(s[d].timers, s[1].timers) << "day " << d + 1;
      EXPECT_EQ(s[d].windows, s[1].windows) << "day " << d + 1;
      EXPECT_EQ(s[d].visibleForms, s[1].visibleForms) << "day " << d + 1;
      EXPECT_LE(s[d].heap, s[1].heap + 4096) << "day " << d + 1;
    }
  }
  EXPECT_LT(cpu, 20.0);
}

}  // namespace
}  // namespace mirvolant::testing
