// The run's closing request and the threads that outlive one call.
#include "foundation/run_state.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "app/startup_thread.h"
#include "app/worker_threads.h"
#include "run_flags.h"

using namespace vexo;
using namespace std::chrono_literals;

TEST(RunState, OnlyTheFirstOfRacingClosingRequestsChoosesReasonAndDelay) {
  for (int round = 0; round < 50; ++round) {
    test::resetAppRunFlags();
    std::atomic<int> winners{0};
    std::vector<std::thread> threads;
    threads.emplace_back([&] { winners += gf_requestClosing(ExitReason::readerError, 15); });
    threads.emplace_back([&] { winners += gf_requestClosing(ExitReason::simConnectError, 9); });
    for (auto& t : threads) t.join();
    EXPECT_EQ(winners.load(), 1);
    EXPECT_EQ(g_restartDelay.load(), g_exitReason == ExitReason::readerError ? 15 : 9);
    EXPECT_FALSE(gf_requestClosing(ExitReason::newSettings, 2));
  }
  test::resetAppRunFlags();
}

// The reasons' values and the names that "Exiting: {}" logs, every row of the table.
TEST(RunState, EachExitReasonHasItsValueAndName) {
  const std::pair<ExitReason, std::string_view> table[] = {
      {ExitReason::notYetSet, "NOT YET SET"},         {ExitReason::simWasClosed, "SIM WAS CLOSED"},
      {ExitReason::newFlight, "NEW FLIGHT"},          {ExitReason::newSettings, "NEW SETTINGS"},
      {ExitReason::userClosedSim, "USER CLOSED SIM"}, {ExitReason::simConnectError, "SIMCONNECT ERROR"},
      {ExitReason::readerError, "READER ERROR"},      {ExitReason::systemError, "SYSTEM ERROR"},
      {ExitReason::newVersion, "NEW VERSION"},
  };
  std::uint32_t value = 0;
  for (const auto& [reason, name] : table) {
    EXPECT_EQ(static_cast<std::uint32_t>(reason), value++);
    EXPECT_EQ(gf_exitReasonName(reason), name);
  }
}

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
