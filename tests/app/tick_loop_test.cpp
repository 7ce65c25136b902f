#include "app/tick_loop.h"

#include <gtest/gtest.h>

#include "foundation/main_window_state.h"
#include "foundation/run_state.h"
#include "foundation/status_line.h"
#include "app/window_requests.h"
#include "engine/aircraft.h"
#include "engine/engine_services.h"
#include "engine/live_report.h"
#include "foundation/settings.h"
#include "platform/controls.h"
#include "run_flags.h"
#include "test_support.h"

using namespace vexo;

namespace {

class TickLoopTest : public ::testing::Test {
protected:
  void SetUp() override { reset(); }
  void TearDown() override { reset(); }
  static void reset() {
    gf_resetTickState();
    test::resetAppRunFlags();
    gf_clearWindowRequests();
    g_touchdownList.clear();
    g_liveAcs.clear();
    g_settings.INITIAL_LOAD_ONLY.value = false;
    g_settings.BLOCK_CALLSIGN.setValue("");
    g_mainWindowState.minutesToRenewal = 20;
    std::lock_guard lock(g_liveReportMutex);
    g_trafficIntake = false;
  }
  // One work tick: a user-aircraft report has arrived.
  bool workTick() {
    g_flightRunning = true;
    g_userAcReported = true;
    return lf_tick();
  }
  static bool intake() {
    std::lock_guard lock(g_liveReportMutex);
    return g_trafficIntake;
  }

  test::LogCapture log_;
  platform::HeadlessControls controls_;
  platform::ScopedControls scoped_{controls_};
};

}  // namespace

TEST_F(TickLoopTest, WithoutAUserReportNoWorkTickRuns) {
  g_flightRunning = true;
  gf_setStatus("hello", false);
  for (int i = 0; i < 3000; ++i) EXPECT_TRUE(lf_tick());
  EXPECT_EQ(g_workTick.load(), 0);
  EXPECT_EQ(g_statusLine.texts().status, "hello");  // no time-out while paused
}

TEST_F(TickLoopTest, EachReportIsOneWorkTickAndTheStatusTimesOutAfterTwentyFive) {
  workTick();
  gf_setStatus("hello", false);
  for (int i = 0; i < 24; ++i) workTick();
  EXPECT_EQ(g_workTick.load(), 25);
  EXPECT_EQ(g_statusLine.texts().status, "hello");
  workTick();
  EXPECT_EQ(g_statusLine.texts().status, "");
  EXPECT_FALSE(g_userAcReported);  // taken
}

TEST_F(TickLoopTest, ClosingEndsTheLoopOnAWorkTickOnly) {
  g_flightRunning = true;
  g_closing = true;
  EXPECT_TRUE(lf_tick());  // no report: the live aircraft are driven, nothing else
  EXPECT_FALSE(workTick());
  g_flightRunning = false;
  EXPECT_FALSE(lf_tick());  // without a flight every tick looks
}

TEST_F(TickLoopTest, NoFlightStopsTheIntakeAndAResumedFlightRestartsIt) {
  {
    std::lock_guard lock(g_liveReportMutex);
    g_trafficIntake = true;
  }
  g_flightRunning = false;
  EXPECT_TRUE(lf_tick());
  EXPECT_FALSE(intake());
  EXPECT_TRUE(log_.contains(" Flight not running"));
  for (int i = 0; i < 250; ++i) lf_tick();  // once a second: countdown from 100 again
  EXPECT_GT(g_tickState.noFlightCountdown, 0);
  EXPECT_LE(g_tickState.noFlightCountdown, 100);
  workTick();
  EXPECT_TRUE(intake());
  EXPECT_TRUE(log_.contains(" Flight resumed"));
  EXPECT_EQ(log_.text().find(" Flight not running"), log_.text().rfind(" Flight not running"));  // logged once
}

TEST_F(TickLoopTest, FlushStaticTurnsInitialLoadOnlyOnWithoutSaving) {
  g_removeAllStaticRequest = true;
  workTick();
  EXPECT_FALSE(g_removeAllStaticRequest);
  EXPECT_TRUE(g_settings.INITIAL_LOAD_ONLY.value);
  EXPECT_TRUE(controls_.isChecked(cmd::initialLoadOnly));
}

TEST_F(TickLoopTest, OneTouchdownEntryPerWorkTick) {
  g_touchdownList = {10001, 10002};
  workTick();
  EXPECT_EQ(g_touchdownList.size(), 1U);
  workTick();
  EXPECT_TRUE(g_touchdownList.empty());
}

TEST_F(TickLoopTest, RenewalCountdownEverySixtyAndCounterBackToZeroAfterADay) {
  for (int i = 0; i < 60; ++i) workTick();
  EXPECT_EQ(g_mainWindowState.minutesToRenewal.load(), 19);
  g_workTick = 86399;
  workTick();
  EXPECT_EQ(g_workTick.load(), 0);
  workTick();
  EXPECT_EQ(g_workTick.load(), 1);
}

TEST_F(TickLoopTest, ParkNowRunsItsTwoHalvesFifteenWorkTicksApart) {
  g_parkNowRequest = true;
  for (int i = 0; i < 15; ++i) workTick();
  EXPECT_TRUE(g_tickState.parkSecondHalf);
  EXPECT_TRUE(g_parkNowRequest);
  for (int i = 0; i < 15; ++i) workTick();
  EXPECT_FALSE(g_tickState.parkSecondHalf);
  EXPECT_FALSE(g_parkNowRequest);
}
