#include "app/tick_grid.h"

#include <gtest/gtest.h>

#include <vector>

#include "fake_timer.h"

using namespace vexo;
using namespace std::chrono_literals;

namespace {

// Runs the grid for a number of ticks; `stallAt` makes one tick take `stall`.
std::vector<SteadyTimer::TimePoint> runTicks(test::FakeTimer& fake, int count, int stallAt,
                                             std::chrono::milliseconds stall, int reportAt = -1) {
  std::vector<SteadyTimer::TimePoint> at;
  bool report = false;
  const auto timer = fake.timer();
  gf_runTickGrid(timer, TickGrid(fake.now()), [&] {
    at.push_back(fake.now());
    const int i = static_cast<int>(at.size()) - 1;
    if (i == stallAt) fake.advance(stall);
    report = i + 1 == reportAt;
    return static_cast<int>(at.size()) < count;
  }, [&] { return report; });
  return at;
}

}  // namespace

TEST(TickGrid, KeepsTenMillisecondSpacing) {
  test::FakeTimer fake;
  const auto start = fake.now();
  const auto at = runTicks(fake, 5, -1, 0ms);
  for (std::size_t i = 0; i < at.size(); ++i) EXPECT_EQ(at[i] - start, std::chrono::milliseconds(10 * i));
}

TEST(TickGrid, FiftyMillisecondStallIsMadeUpByQuickTicks) {
  test::FakeTimer fake;
  const auto start = fake.now();
  // Tick 1 (at 10 ms) takes 50 ms: ticks 2 to 6 were due at 20..60 ms and run at once.
  const auto at = runTicks(fake, 9, 1, 50ms);
  for (int i = 2; i <= 6; ++i) EXPECT_EQ(at[i] - start, 60ms) << i;
  EXPECT_EQ(at[7] - start, 70ms);
  EXPECT_EQ(at[8] - start, 80ms);
}

TEST(TickGrid, StallOverOneHundredMillisecondsRestartsTheGridFromNow) {
  test::FakeTimer fake;
  const auto start = fake.now();
  const auto at = runTicks(fake, 5, 1, 300ms);
  // Tick 1 ran at 10 ms and ended at 310 ms: the next runs at 320 ms, then every 10 ms.
  EXPECT_EQ(at[2] - start, 320ms);
  EXPECT_EQ(at[3] - start, 330ms);
  EXPECT_EQ(at[4] - start, 340ms);
}

TEST(TickGrid, ExactlyOneHundredMillisecondsLateStillCatchesUp) {
  TickGrid grid(SteadyTimer::TimePoint{});
  const auto deadline = grid.deadline();
  EXPECT_EQ(grid.wakeTime(deadline + 100ms), deadline);
  EXPECT_EQ(grid.wakeTime(deadline + 101ms), deadline + 111ms);
}

TEST(TickGrid, UserReportRebasesTheGridOnTheTickThatSeesIt) {
  test::FakeTimer fake;
  const auto start = fake.now();
  // The report arrives during tick 2's sleep; the grid is re-based when it wakes.
  bool report = false;
  std::vector<SteadyTimer::TimePoint> at;
  fake.onSleep = [&](SteadyTimer::TimePoint) {
    if (at.size() == 2) {
      fake.advance(3ms);  // woke a little late
      report = true;
    }
  };
  const auto timer = fake.timer();
  gf_runTickGrid(timer, TickGrid(fake.now()), [&] {
    at.push_back(fake.now());
    report = false;
    return at.size() < 5;
  }, [&] { return report; });
  EXPECT_EQ(at[2] - start, 23ms);
  EXPECT_EQ(at[3] - start, 33ms);
  EXPECT_EQ(at[4] - start, 43ms);
}

TEST(TickGrid, FirstTickRunsAtOnceAndFalseEndsTheLoop) {
  test::FakeTimer fake;
  int ticks = 0;
  gf_runTickGrid(fake.timer(), TickGrid(fake.now()), [&] { return ++ticks < 1; }, [] { return false; });
  EXPECT_EQ(ticks, 1);
  EXPECT_TRUE(fake.sleeps().empty());
}
