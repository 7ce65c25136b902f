#include "foundation/random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <set>
#include <thread>
#include <vector>

using namespace vexo;

namespace {
std::vector<std::uint16_t> ascending(std::size_t n) {
  std::vector<std::uint16_t> numbers(n);
  std::iota(numbers.begin(), numbers.end(), std::uint16_t{0});
  return numbers;
}
}  // namespace

TEST(Random, IndexCoversItsRangeAndSeededShufflesRepeat) {
  EXPECT_EQ(gf_randomIndex(0), 0u);
  gf_seedThreadRandom(42);
  std::set<std::uint64_t> seen;
  for (int i = 0; i < 1000; ++i) seen.insert(gf_randomIndex(5));
  EXPECT_EQ(seen, (std::set<std::uint64_t>{0, 1, 2, 3, 4}));
  EXPECT_LT(gf_randomIndex(UINT64_MAX), UINT64_MAX);

  gf_seedThreadRandom(7);
  auto first = ascending(50);
  gf_shuffle(first);
  gf_seedThreadRandom(7);
  auto second = ascending(50);
  gf_shuffle(second);
  EXPECT_EQ(first, second);
  EXPECT_NE(first, ascending(50));
}

TEST(Random, SettingOffKeepsOrderButNotTheSpread) {
  gf_setRandomEnabled(false);
  EXPECT_EQ(gf_randomIndex(1000), 0u);
  auto numbers = ascending(30);
  gf_shuffle(numbers);
  EXPECT_EQ(numbers, ascending(30));
  std::set<double> spread;
  for (int i = 0; i < 200; ++i) spread.insert(gf_randomSpread(100.0, 5.0));
  gf_setRandomEnabled(true);
  EXPECT_EQ(spread, (std::set<double>{95.0, 105.0}));
  EXPECT_EQ(gf_randomSpread(42.0, -3.0), 42.0);
}

TEST(Random, ThreadsHaveTheirOwnEngines) {
  // Drawing from many threads at once is free of data races (the sanitizer build checks this).
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
