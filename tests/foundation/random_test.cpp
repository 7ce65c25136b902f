#include "foundation/random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <set>
#include <thread>
#include <vector>

using namespace vexo;

namespace {
// Restores RANDOM to on after a test that turned it off.
struct RandomOff {
  RandomOff() { gf_setRandomEnabled(false); }
  ~RandomOff() { gf_setRandomEnabled(true); }
};

std::vector<std::uint16_t> ascending(std::size_t n) {
  std::vector<std::uint16_t> numbers(n);
  std::iota(numbers.begin(), numbers.end(), std::uint16_t{0});
  return numbers;
}
}  // namespace

TEST(Random, IndexStaysInRangeAndCoversIt) {
  EXPECT_EQ(gf_randomIndex(0), 0u);
  EXPECT_EQ(gf_randomIndex(1), 0u);
  gf_seedThreadRandom(42);
  std::set<std::uint64_t> seen;
  for (int i = 0; i < 1000; ++i) {
    const auto index = gf_randomIndex(5);
    ASSERT_LT(index, 5u);
    seen.insert(index);
  }
  EXPECT_EQ(seen.size(), 5u);
  EXPECT_LT(gf_randomIndex(UINT64_MAX), UINT64_MAX);
}

TEST(Random, SeededThreadDrawsRepeat) {
  gf_seedThreadRandom(7);
  auto first = ascending(50);
  gf_shuffle(first);
  gf_seedThreadRandom(7);
  auto second = ascending(50);
  gf_shuffle(second);
  EXPECT_EQ(first, second);
  EXPECT_NE(first, ascending(50));
  std::sort(first.begin(), first.end());
  EXPECT_EQ(first, ascending(50));
}

TEST(Random, SettingOffKeepsOrderAndIndexZero) {
  RandomOff off;
  EXPECT_FALSE(gf_randomEnabled());
  for (int i = 0; i < 100; ++i) EXPECT_EQ(gf_randomIndex(1000), 0u);
  auto numbers = ascending(30);
  gf_shuffle(numbers);
  EXPECT_EQ(numbers, ascending(30));
  // The spread does not obey the setting.
  std::set<double> spread;
  for (int i = 0; i < 200; ++i) spread.insert(gf_randomSpread(100.0, 5.0));
  EXPECT_EQ(spread, (std::set<double>{95.0, 105.0}));
}

TEST(Random, SpreadWithoutPercentIsTheValue) {
  EXPECT_EQ(gf_randomSpread(42.0, 0.0), 42.0);
  EXPECT_EQ(gf_randomSpread(42.0, -3.0), 42.0);
  const double spread = gf_randomSpread(-20.0, 2.5);
  EXPECT_TRUE(spread == -20.5 || spread == -19.5) << spread;
}

TEST(Random, ThreadsHaveTheirOwnEngines) {
  // Each thread seeds its own engine on first use; drawing from many threads at once
  // is free of data races (the sanitizer build checks this).
  std::vector<std::thread> threads;
  std::vector<std::vector<std::uint16_t>> results(4);
  for (std::size_t t = 0; t < results.size(); ++t) {
    threads.emplace_back([&results, t] {
      results[t] = ascending(64);
      gf_shuffle(results[t]);
      for (int i = 0; i < 100; ++i) (void)gf_randomIndex(10);
    });
  }
  for (auto& thread : threads) thread.join();
  for (auto& result : results) {
    std::sort(result.begin(), result.end());
    EXPECT_EQ(result, ascending(64));
  }
}
