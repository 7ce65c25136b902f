#include "app/tick_loop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "airports/airports_services.h"
#include "app/start_up.h"
#include "app/window_requests.h"
#include "engine/aircraft.h"
#include "engine/engine_services.h"
#include "engine/live_report.h"
#include "foundation/main_window_state.h"
#include "foundation/run_state.h"
#include "foundation/settings.h"
#include "foundation/settings_startup.h"
#include "foundation/status_line.h"
#include "liveries/liveries_services.h"
#include "platform/controls.h"
#include "realtraffic/qnh_receiver.h"
#include "realtraffic/reader_display.h"
#include "realtraffic/reader_threads.h"
#include "realtraffic/rt_server.h"
#include "rt_client.h"
#include "run_flags.h"
#include "simlink/sim_action_queues.h"
#include "simlink/sim_client.h"
#include "simlink/sim_link_state.h"
#include "test_support.h"

using namespace vexo;

namespace {

constexpr auto g_patience = std::chrono::seconds(20);

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
    g_simBroken = false;
    // The engine's cycle runs on every flight tick: its simulator requests go nowhere.
    g_trafficEngine.hooks.requestAcInRange = [](SimLink&, std::uint32_t) { return true; };
    g_trafficEngine.hooks.getUserAcPosition = [](SimLink& link) { return link.userAc(); };
    g_parkBusy = false;
    g_staticAcs.clear();
    g_simEventQueue.clear();
    g_userOnGround = false;
    g_settings.AUTO_RANGE.value = false;
    gf_setRange(g_settings.RANGE.defaultValue);
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
  // One tick of a kind: without a flight, in a flight without a report, a work tick.
  enum class Kind { noFlight, flight, work };
  static bool tickOf(Kind kind) {
    g_flightRunning = kind != Kind::noFlight;
    g_userAcReported = kind == Kind::work;
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

// The user-aircraft reports stop with a paused or vanished simulator: the end of the run
// must not wait for one.
TEST_F(TickLoopTest, ClosingEndsTheLoopOnEveryTick) {
  for (const bool flight : {true, false})
    for (std::atomic<bool>* flag : {&g_closing, &g_windowClosed}) {
      reset();
      g_flightRunning = flight;
      EXPECT_TRUE(lf_tick());
      *flag = true;
      EXPECT_FALSE(lf_tick()) << "flight " << flight;
    }
}

TEST_F(TickLoopTest, ABrokenLinkIsNoFlightAndItsErrorEndsTheLoop) {
  g_flightRunning = true;
  g_simBroken = true;
  EXPECT_TRUE(workTick());
  EXPECT_EQ(g_workTick.load(), 0);  // no work tick on a broken link
  EXPECT_TRUE(g_tickState.flightPaused);
  gf_simConnectRequestError(g_simLink);
  EXPECT_FALSE(lf_tick());
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

// The renewal's second phase runs at a park airport with stands, whatever the candidate
// list holds (placed long ago it is empty); without a park airport it only ends the request.
TEST_F(TickLoopTest, TheRenewalsSecondPhaseRenewsAtAParkAirportWithStands) {
  for (const bool parkAirport : {true, false}) {
    SCOPED_TRACE(parkAirport);
    reset();
    gf_resetAirportsState();
    gf_resetStaticParkingState();
    if (parkAirport) g_parkAirport.icao = IcaoCode("KLAX");
    g_stands.emplace_back("A1", std::vector<LearnedFlight>{}, 33.94, -118.40, 0.0, 30.0, 0, false, false, false);
    g_stands.back().sid = 1;
    const std::size_t before = log_.text().size();
    g_parkNowRequest = true;
    for (int i = 0; i < 30; ++i) workTick();
    EXPECT_FALSE(g_parkNowRequest);
    EXPECT_EQ(log_.text().find("Parking adjustments:", before) != std::string::npos, parkAirport);
  }
  gf_resetAirportsState();
}

// The countdown asks for a renewal only where there is something to renew: at a park
// airport whose file was read.
TEST_F(TickLoopTest, TheRenewalCountdownAsksOnlyAtAParkAirportWhoseFileIsLoaded) {
  for (const bool loaded : {false, true}) {
    SCOPED_TRACE(loaded);
    reset();
    gf_resetAirportsState();
    g_parkAirportSet = true;
    g_airportsState.fileLoaded = loaded;
    g_mainWindowState.minutesToRenewal = 1;
    for (int i = 0; i < 60; ++i) workTick();
    EXPECT_EQ(g_parkNowRequest.load(), loaded);
    EXPECT_EQ(g_mainWindowState.minutesToRenewal.load(), 20);
  }
  gf_resetAirportsState();
}

// The stand the user keeps at the park airport is freed on every fifth work tick: the static
// aircraft standing on it leaves the simulator.
TEST_F(TickLoopTest, TheReservedStandIsFreedOnTheFifthWorkTick) {
  gf_resetAirportsState();
  g_stands.emplace_back("A1", std::vector<LearnedFlight>{}, 33.94, -118.40, 0.0, 30.0, 0, false, false, false);
  g_stands.back().sid = 1;
  g_reservedStand = "A1";  // as read from the park airport's parked file
  StaticAc parked;
  parked.objectid = 21;
  parked.sid = 1;
  parked.simState = SimState::active;
  g_staticAcs = {parked};
  for (int i = 0; i < 4; ++i) workTick();
  EXPECT_EQ(g_staticAcs[0].simState, SimState::active);
  workTick();
  EXPECT_EQ(g_staticAcs[0].simState, SimState::removingfromsim);
  g_trafficEngine.removalQueue.clear();
  gf_resetAirportsState();
}

// The reader lights are updated on work tick 59 (no multiple of 5), and on the fifteenth work
// ticks only while one of them shows idle.
TEST_F(TickLoopTest, TheReaderLightsFollowTheirSlots) {
  gf_setRtLinkUp(true);
  gf_resetReaders();
  g_trafficLight = g_lightStopped;
  g_qnhLight = g_lightStopped;
  for (int i = 0; i < 58; ++i) workTick();  // 15, 30 and 45 pass: no light is idle
  EXPECT_EQ(g_trafficLight.load(), g_lightStopped);
  workTick();
  EXPECT_EQ(g_trafficLight.load(), g_lightIdle);  // nothing arrived
  EXPECT_EQ(g_qnhLight.load(), g_lightIdle);

  workTick();                                                     // 60: still nothing
  g_qnhReceiver.datagramCount = g_qnhReceiver.datagramCount + 1;  // a QNH arrives
  for (int i = 61; i < 75; ++i) workTick();
  EXPECT_EQ(g_qnhLight.load(), g_lightIdle);
  workTick();  // 75
  EXPECT_EQ(g_qnhLight.load(), g_lightReceiving);
  gf_setRtLinkUp(false);
  gf_resetReaders();
}

// The half-minute work: a raised matching depth empties the list of aircraft without a
// livery, and AUTO_RANGE computes the range, on work tick 30 and not before.
TEST_F(TickLoopTest, TheHalfMinuteWorkRunsOnTheThirtiethWorkTick) {
  g_missingLiveries = {"B738 ZZZ"};
  g_rematchRequest = true;
  g_settings.AUTO_RANGE.value = true;
  g_userOnGround = true;
  g_userOnGroundKnown = true;
  gf_setRange(50);
  for (int i = 0; i < 29; ++i) workTick();
  EXPECT_TRUE(g_rematchRequest);
  EXPECT_EQ(g_missingLiveries.size(), 1U);
  EXPECT_EQ(g_settings.RANGE.value.load(), 50);
  workTick();
  EXPECT_FALSE(g_rematchRequest);
  EXPECT_TRUE(g_missingLiveries.empty());
  EXPECT_EQ(g_settings.RANGE.value.load(), 10);
  g_userOnGroundKnown = false;
}

// The countdown reaching 0 starts again at 20 but asks for no renewal while INITIAL_LOAD_ONLY
// is on, while the static parking is busy or while a renewal is asked for already; at 2 it
// only counts down to 1.
TEST_F(TickLoopTest, TheRenewalCountdownAsksOnlyWhenNothingHoldsTheParkingBack) {
  const std::string asked = "Vendrake_P3D will update static parking in 15 seconds ...";
  const struct {
    const char* name;
    std::int32_t minutes;
    bool initialLoadOnly, busy, requested;
    std::int32_t after;
    bool asks;
  } cases[] = {
      {"free", 1, false, false, false, 20, true},
      {"initial load only", 1, true, false, false, 20, false},
      {"busy", 1, false, true, false, 20, false},
      {"asked already", 1, false, false, true, 20, false},
      {"two minutes left", 2, false, false, false, 1, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    reset();
    gf_resetAirportsState();
    g_parkAirportSet = true;
    g_airportsState.fileLoaded = true;
    g_settings.INITIAL_LOAD_ONLY.value = c.initialLoadOnly;
    g_parkBusy = c.busy;
    g_parkNowRequest = c.requested;
    g_mainWindowState.minutesToRenewal = c.minutes;
    g_workTick = 60;  // the minute's work alone: the park step of the same tick would lock
    lf_tickHalfMinute();
    EXPECT_EQ(g_mainWindowState.minutesToRenewal.load(), c.after);
    EXPECT_EQ(g_statusLine.texts().status == asked, c.asks) << g_statusLine.texts().status;
    EXPECT_EQ(g_parkNowRequest.load(), c.asks || c.requested);
  }
  gf_resetAirportsState();
}

// Each request of the window's commands takes effect on the next tick of any kind: the
// user-aircraft reports stop while the simulator is paused or no flight runs.
TEST_F(TickLoopTest, WindowRequestsTakeEffectOnTheNextTickOfAnyKind) {
  const auto notTaken = [this] {
    const std::string text = log_.text();
    const std::string line = "destination 'K-AX' not taken";
    std::size_t count = 0;
    for (auto at = text.find(line); at != std::string::npos; at = text.find(line, at + 1)) ++count;
    return count;
  };
  const struct {
    const char* name;
    std::function<void()> request;
    std::function<bool()> served;
  } requests[] = {
      {"Flush static", [] { g_removeAllStaticRequest = true; },
       [this] { return g_settings.INITIAL_LOAD_ONLY.value && controls_.isChecked(cmd::initialLoadOnly); }},
      {"cs->oid:",
       [] {
         g_mainWindowState.updateTexts([](ShownTexts& t) { t.objectIdText = "1002"; });
         g_callsignListRequest = true;
       },
       [] { return g_mainWindowState.texts().objectIdText.empty(); }},
      {"nav lights",
       [] {
         StaticAc parked;
         parked.objectid = 21;
         parked.simState = SimState::active;
         g_staticAcs = {parked};
         g_navLightsRequest = true;
       },
       [] { return g_simEventQueue.size() == 1 && g_simEventQueue[0].objectId == 21; }},
      {"auto range",
       [] {
         g_settings.AUTO_RANGE.value = true;
         g_userOnGround = true;
         g_autoRangeRequest = true;
       },
       [] { return g_settings.RANGE.value == 10; }},
  };
  for (const Kind kind : {Kind::noFlight, Kind::flight, Kind::work}) {
    for (const auto& r : requests) {
      SCOPED_TRACE(::testing::Message() << r.name << ", tick kind " << static_cast<int>(kind));
      reset();
      r.request();
      EXPECT_TRUE(tickOf(kind));
      EXPECT_TRUE(r.served());
    }
    // The destination typed in reaches the park-airport list on the tick thread (this code
    // is refused there, which shows that the tick took it).
    const std::size_t before = notTaken();
    gf_requestParkAirport({"K-AX", 33.9, -118.4});
    tickOf(kind);
    EXPECT_EQ(notTaken(), before + 1) << static_cast<int>(kind);
    EXPECT_FALSE(gf_takeParkAirportRequest().has_value());
  }
}

// "Re-read" disables itself and the destination field until the tick has re-read the park
// airport: on the fifth work tick in a flight, once a second without one.
TEST_F(TickLoopTest, ReReadEnablesItsButtonAndTheDestinationFieldAgain) {
  for (const auto& [kind, ticks] : {std::pair{Kind::work, 5}, {Kind::noFlight, 100}}) {
    SCOPED_TRACE(ticks);
    reset();
    g_settings.rereadButton.disable();
    g_settings.DESTINATION.disable();
    g_rereadRequest = true;
    for (int i = 1; i < ticks; ++i) tickOf(kind);
    EXPECT_TRUE(g_rereadRequest);
    EXPECT_FALSE(controls_.isEnabled(cmd::destination));
    tickOf(kind);
    EXPECT_FALSE(g_rereadRequest);
    EXPECT_TRUE(controls_.isEnabled(cmd::reread));
    EXPECT_TRUE(controls_.isEnabled(cmd::destination));
  }
}

// Without a flight RealTraffic still receives the user position: on the 100th tick (one
// second) and every 100 ticks after it. A marker line sent between the ticks orders what
// the client has received.
TEST_F(TickLoopTest, WithoutAFlightTheUserPositionGoesOutEverySecond) {
  struct RealTrafficHere {
    RealTrafficHere() {
      g_rtAtThisPc = true;
      gf_startRTServer("0");
    }
    ~RealTrafficHere() {
      gf_closeRTServer();
      g_rtAtThisPc = false;
      std::lock_guard lock(g_simLink.userAcMutex);
      g_simLink.userAcData = UserAcData{};
    }
  } here;
  standin::RtClient client({g_rtServer.port(), 1, "9.1.2", {}});
  std::string reply;
  ASSERT_EQ(g_rtServer.waitForRealTraffic(reply, [] { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }),
            RealTrafficWait::connected);
  {
    std::lock_guard lock(g_simLink.userAcMutex);
    g_simLink.userAcData.latitude = 33.94;
    g_simLink.userAcData.longitude = -118.41;
  }
  const auto positions = [](const std::vector<std::string>& lines) {
    return std::ranges::count_if(lines, [](const std::string& line) { return line.starts_with("Qs121="); });
  };
  for (int second = 1; second <= 2; ++second) {
    SCOPED_TRACE(second);
    for (int i = 1; i < 100; ++i) tickOf(Kind::noFlight);
    const std::string mark = "mark" + std::to_string(second);
    ASSERT_TRUE(g_rtServer.sendDataPacket(mark + "\r\n"));
    ASSERT_TRUE(client.waitFor([&](const auto& lines) { return std::ranges::find(lines, mark) != lines.end(); },
                               g_patience));
    EXPECT_EQ(positions(client.lines()), second - 1);
    tickOf(Kind::noFlight);
    EXPECT_TRUE(client.waitFor([&](const auto& lines) { return positions(lines) == second; }, g_patience));
  }
}
