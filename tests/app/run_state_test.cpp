#include "app/run_state.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace vexo;

namespace {
void resetRunFlags() {
  g_closing = false;
  g_exitReason = ExitReason::notYetSet;
  g_restartDelay = 0;
}
}  // namespace

TEST(RunState, OnlyTheFirstClosingRequestChoosesReasonAndDelay) {
  resetRunFlags();
  EXPECT_TRUE(gf_requestClosing(ExitReason::readerError, 15));
  EXPECT_FALSE(gf_requestClosing(ExitReason::simConnectError, 9));
  EXPECT_EQ(g_exitReason.load(), ExitReason::readerError);
  EXPECT_EQ(g_restartDelay.load(), 15);
  resetRunFlags();
}

TEST(RunState, RacingRequestsLeaveOneConsistentWinner) {
  for (int round = 0; round < 50; ++round) {
    resetRunFlags();
    std::atomic<int> winners{0};
    std::vector<std::thread> threads;
    threads.emplace_back([&] { winners += gf_requestClosing(ExitReason::readerError, 15); });
    threads.emplace_back([&] { winners += gf_requestClosing(ExitReason::simConnectError, 9); });
    for (auto& t : threads) t.join();
    EXPECT_EQ(winners.load(), 1);
    const bool reader = g_exitReason == ExitReason::readerError;
    EXPECT_EQ(g_restartDelay.load(), reader ? 15 : 9);
  }
  resetRunFlags();
}

TEST(RunState, ReasonNames) {
  EXPECT_EQ(gf_exitReasonName(ExitReason::notYetSet), "NOT YET SET");
  EXPECT_EQ(gf_exitReasonName(ExitReason::simConnectError), "SIMCONNECT ERROR");
  EXPECT_EQ(gf_exitReasonName(ExitReason::newVersion), "NEW VERSION");
}
