#include "platform/termination_signals.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace vexo::platform;

TEST(TerminationSignals, ATermSignalReachesTheHandlerInsteadOfEndingTheProcess) {
  std::atomic<int> seen{0};
  {
    TerminationSignals signals([&] { ++seen; });
    ASSERT_EQ(::kill(::getpid(), SIGTERM), 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (seen.load() == 0 && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(seen.load(), 1);
}
