// The ring that holds a live aircraft's position stream behaves as a double-ended queue:
// every operation the movement uses, run at random against std::deque, across the ring's
// wrap-around and its growth, with values that lie in the ring itself.
#include "engine/ring_deque.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <random>
#include <utility>

namespace vexo::test {
namespace {

struct Slot {
  int value = 0;
  double weight = 0.0;
  friend bool operator==(const Slot&, const Slot&) = default;
};

void expectSame(const RingDeque<Slot>& ring, const std::deque<Slot>& model, int step) {
  ASSERT_EQ(ring.size(), model.size()) << step;
  ASSERT_EQ(ring.empty(), model.empty()) << step;
  for (std::size_t i = 0; i < model.size(); ++i) ASSERT_EQ(ring[i], model[i]) << step << " " << i;
  ASSERT_TRUE(std::equal(ring.begin(), ring.end(), model.begin(), model.end())) << step;
  if (!model.empty()) {
    ASSERT_EQ(ring.front(), model.front()) << step;
    ASSERT_EQ(ring.back(), model.back()) << step;
  }
}

TEST(RingDeque, EveryOperationAgreesWithAStdDequeAcrossWrapAroundAndGrowth) {
  RingDeque<Slot> ring;
  std::deque<Slot> model;
  std::mt19937 random(11);
  int next = 0;
  for (int step = 0; step < 60000; ++step) {
    const unsigned op = random() % 12;
    const Slot fresh{++next, next * 0.5};
    // Mostly taking from the front and appending at the back, as the stream does, with
    // bursts that grow the ring and drains that empty it.
    const bool drain = (step / 2000) % 3 == 2;
    if (op < 3 && !drain) {
      ring.push_back(fresh);
      model.push_back(fresh);
    } else if (op < 5 && !model.empty()) {
      ring.pop_front();
      model.pop_front();
    } else if (op == 5 && !drain) {
      ring.push_front(fresh);
      model.push_front(fresh);
    } else if (op == 6 && !model.empty()) {
      ring.pop_back();
      model.pop_back();
    } else if (op == 7 && !drain) {
      const std::size_t at = random() % (model.size() + 1);
      const auto it = ring.insert(ring.begin() + static_cast<std::ptrdiff_t>(at), fresh);
      model.insert(model.begin() + static_cast<std::ptrdiff_t>(at), fresh);
      ASSERT_EQ(static_cast<std::size_t>(it - ring.begin()), at);
    } else if (op == 8 && !model.empty()) {
      const std::size_t at = random() % model.size();
      const auto it = ring.erase(ring.begin() + static_cast<std::ptrdiff_t>(at));
      model.erase(model.begin() + static_cast<std::ptrdiff_t>(at));
      ASSERT_EQ(static_cast<std::size_t>(it - ring.begin()), at);
    } else if (op == 9 && !model.empty() && !drain) {
      // A value taken from the ring itself, appended while the ring may have to grow.
      const std::size_t at = random() % model.size();
      ring.push_back(ring[at]);
      model.push_back(model[at]);
      ring.push_front(ring[at]);
      model.push_front(model[at]);
      ring.insert(ring.begin() + 1, ring.back());
      model.insert(model.begin() + 1, model.back());
    } else if (op == 10) {
      const std::size_t n = random() % (model.size() + 3);
      ring.resize(n);
      model.resize(n);
    } else if (op == 11 && random() % 50 == 0) {
      ring.clear();
      model.clear();
    }
    expectSame(ring, model, step);
  }
}

TEST(RingDeque, CopiesKeepTheirOwnElementsAndAMovedFromRingIsEmpty) {
  RingDeque<Slot> ring{{1, 1.0}, {2, 2.0}, {3, 3.0}};
  for (int i = 4; i < 20; ++i) {  // wrapped around and grown
    ring.pop_front();
    ring.push_back({i, 0.0});
  }
  RingDeque<Slot> copy = ring;
  copy.front().value = 100;
  copy.push_back({200, 0.0});
  EXPECT_EQ(ring.front().value, 17);
  EXPECT_EQ(ring.size(), 3u);
  EXPECT_EQ(copy.size(), 4u);

  RingDeque<Slot> moved = std::move(ring);
  EXPECT_EQ(moved.size(), 3u);
  EXPECT_EQ(moved.back().value, 19);
  EXPECT_TRUE(ring.empty());  // NOLINT(bugprone-use-after-move): a moved-from ring is usable
  ring.push_back({7, 0.0});
  EXPECT_EQ(ring.front().value, 7);

  moved = {{5, 0.0}, {6, 0.0}};
  EXPECT_EQ(moved.size(), 2u);
  EXPECT_EQ(moved[1].value, 6);
  EXPECT_TRUE(std::all_of(moved.begin() + 1, moved.end(), [](const Slot& s) { return s.value == 6; }));
}

}  // namespace
}  // namespace vexo::test
