// The start-up/tick thread never waits on RealTraffic without seeing the run end.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "foundation/main_window_state.h"
#include "foundation/run_state.h"
#include "app/start_traffic.h"
#include "app/start_up.h"
#include "foundation/status_line.h"
#include "platform/net.h"
#include "app/window_requests.h"
#include "realtraffic/reader_display.h"
#include "realtraffic/rt_lines.h"
#include "realtraffic/rt_server.h"
#include "simlink/sim_actions.h"
#include "fake_timer.h"
#include "rt_client.h"
#include "run_flags.h"
#include "test_support.h"

using namespace vexo;
using namespace std::chrono_literals;

namespace {

class NetworkWaitTest : public ::testing::Test {
protected:
  void SetUp() override {
    reset();
    g_rtAtThisPc = true;
    gf_startRTServer("0");  // any free port: nobody will connect
  }
  void TearDown() override {
    gf_closeRTServer();
    g_rtAtThisPc = false;
    reset();
  }
  static void reset() { test::resetAppRunFlags(); }
  // Runs `wait` on its own thread, ends the run once the wait has begun, and reports
  // whether the wait then returned.
  static bool endsWithTheRun(const std::function<void()>& wait, const std::function<bool()>& waiting,
                             const std::function<void()>& endRun) {
    auto done = std::async(std::launch::async, wait);
    const auto begun = std::chrono::steady_clock::now() + 30s;
    while (!waiting() && std::chrono::steady_clock::now() < begun) std::this_thread::sleep_for(5ms);
    endRun();
    return done.wait_for(30s) == std::future_status::ready;
  }
  test::LogCapture log_;
};

}  // namespace

TEST_F(NetworkWaitTest, WaitForRealTrafficEndsWhenTheWindowCloses) {
  const bool ended = endsWithTheRun([] { lf_waitForRealTraffic(); },
                                    [this] { return log_.contains("Waiting for RealTraffic to connect"); },
                                    [] { g_windowClosed = true; });
  ASSERT_TRUE(ended);
  EXPECT_TRUE(g_rtNotConnectedYet);
  EXPECT_FALSE(gf_rtLinkUp());
  EXPECT_EQ(g_statusLine.texts().status, "");  // the waiting text is cleared
}

// A peer that connects and never answers the version request: closing the window while
// it is waited for ends the wait, and no connection is reported.
TEST_F(NetworkWaitTest, WaitForTheVersionEndsWhenTheWindowClosesWithoutAConnection) {
  int error = 0;
  const platform::Socket silent = platform::gf_connectToLoopback(g_rtServer.port(), error);
  ASSERT_TRUE(silent.valid()) << error;
  const bool ended = endsWithTheRun(
      [] { lf_waitForRealTraffic(); },
      [&] { return platform::gf_waitReadable(silent.fd(), 0ms) == platform::WaitResult::ready; },  // asked
      [] { g_windowClosed = true; });
  ASSERT_TRUE(ended);
  EXPECT_FALSE(log_.contains("RealTraffic connected"));
  EXPECT_TRUE(g_rtNotConnectedYet);
  EXPECT_FALSE(gf_rtLinkUp());
}

TEST_F(NetworkWaitTest, TheUserPositionNeverWaitsForRealTrafficToComeBack) {
  UserAcData user;
  user.latitude = 33.94;
  user.longitude = -118.41;
  // No client: RealTraffic went away. The tick thread's call returns without waiting (a
  // wait would hang this test) and takes no aircraft out a second time.
  int takenOut = 0;
  gf_sendUserPosition(user, true, [&] { ++takenOut; });
  gf_sendUserPosition(user, true, [&] { ++takenOut; });
  EXPECT_EQ(takenOut, 0);
}

// A peer that never answers is given up at the start after ten seconds of looks, not two:
// the start goes on without RealTraffic (no version, the link not shown up), and the tick
// then takes RealTraffic when it connects and answers, professional edition included.
TEST_F(NetworkWaitTest, ASilentPeerIsGivenUpAtTheStartAndTheTickTakesRealTrafficLater) {
  int error = 0;
  const platform::Socket silent = platform::gf_connectToLoopback(g_rtServer.port(), error);
  ASSERT_TRUE(silent.valid()) << error;
  test::FakeTimer fake;
  const auto started = fake.now();
  lf_waitForRealTraffic(fake.timer());
  EXPECT_GE(fake.now() - started, 9s);
  EXPECT_TRUE(log_.contains("No RealTraffic version received?"));
  EXPECT_FALSE(log_.contains("RealTraffic connected"));
  EXPECT_TRUE(g_rtNotConnectedYet);
  EXPECT_FALSE(gf_rtLinkUp());
  EXPECT_FALSE(g_rtProfessional);

  standin::RtClient client({g_rtServer.port(), 2, "10.0.1", {}});
  const auto giveUp = std::chrono::steady_clock::now() + 20s;
  while (!g_rtServer.connected() && std::chrono::steady_clock::now() < giveUp) {
    gf_lookForRealTrafficNow();
    std::this_thread::sleep_for(1ms);
  }
  ASSERT_TRUE(g_rtServer.connected());
  EXPECT_TRUE(g_rtProfessional);
  EXPECT_FALSE(g_rtNotConnectedYet);
  EXPECT_TRUE(gf_rtLinkUp());
  EXPECT_TRUE(log_.contains("RealTraffic re-connected"));
  g_rtProfessional = false;
}
