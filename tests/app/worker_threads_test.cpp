#include "app/worker_threads.h"

#include <gtest/gtest.h>

#include <atomic>

using namespace vexo;
using namespace std::chrono_literals;

TEST(StoppableThread, ReplaceStartsTheNewOneThenStopsAndJoinsTheOld) {
  StoppableThread holder;
  std::atomic<int> firstEnded{0};
  std::atomic<bool> secondStarted{false};
  holder.replace([&](std::stop_token stop) {
    while (!stop.stop_requested()) std::this_thread::yield();
    firstEnded = secondStarted ? 2 : 1;
  });
  holder.replace([&](std::stop_token stop) {
    secondStarted = true;
    while (!stop.stop_requested()) std::this_thread::yield();
  });
  EXPECT_NE(firstEnded.load(), 0);  // joined by the replace
  EXPECT_TRUE(holder.joinable());
  holder.stopAndJoin();
  EXPECT_FALSE(holder.joinable());
  holder.stopAndJoin();  // nothing left: no effect
}

TEST(ReaderThreads, EachRunHasItsOwnStopToken) {
  ReaderThreads readers;
  std::atomic<bool> release{false};
  std::atomic<bool> oldStopped{false};
  std::atomic<bool> newStopped{false};
  readers.start([&](std::stop_token stop) {
    while (!stop.stop_requested()) std::this_thread::yield();
    oldStopped = true;
    while (!release) std::this_thread::yield();
  });
  readers.requestStop();
  readers.start([&](std::stop_token stop) {
    while (!stop.stop_requested() && !release) std::this_thread::yield();
    newStopped = stop.stop_requested();
  });
  while (!oldStopped) std::this_thread::yield();
  EXPECT_EQ(readers.running(), 2);
  EXPECT_FALSE(readers.waitEnded(1ms));  // still running: the wait is bounded
  release = true;
  EXPECT_TRUE(readers.waitEnded(30s));
  EXPECT_FALSE(newStopped);  // the first run's stop did not reach the second run
}
