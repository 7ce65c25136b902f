#include "app/startup_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace vexo;

TEST(StartUpThread, ANewRunReplacesTheFinishingOneAndRunningFollowsTheBodies) {
  StartUpThread holder;
  EXPECT_FALSE(holder.running());
  std::atomic<bool> release{false};
  std::atomic<int> order{0};
  std::atomic<int> firstEndedAs{0};
  holder.replace([&] {
    while (!release) std::this_thread::yield();
    firstEndedAs = ++order;
  });
  EXPECT_TRUE(holder.running());
  release = true;
  // The second run starts before the first is joined; replace returns once it is.
  holder.replace([&] { ++order; });
  EXPECT_NE(firstEndedAs.load(), 0);
  holder.join();
  EXPECT_FALSE(holder.running());
  EXPECT_EQ(order.load(), 2);
  holder.join();  // nothing left to join
}
