#include "app/window_tick_work.h"

#include <gtest/gtest.h>

#include "airports/airports_services.h"
#include "app/main_window_commands.h"
#include "engine/engine_services.h"
#include "simlink/sim_link_state.h"
#include "window_fixture.h"

using namespace vexo;

namespace {

class TickWork : public test::WindowFixture {
protected:
  void SetUp() override {
    WindowFixture::SetUp();
    g_liveAcs.clear();
    g_staticAcs.clear();
    g_simEventQueue.clear();
  }
  void TearDown() override {
    g_liveAcs.clear();
    g_staticAcs.clear();
    g_simEventQueue.clear();
    g_trafficEngine.removalQueue.clear();
    g_trafficEngine.userAc.set(UserAcData{});
    std::lock_guard lock(g_parkAirportsMutex);
    g_parkAirports.clear();
    WindowFixture::TearDown();
  }
  static LiveAc live(std::uint32_t objectId, SimState sim, FlightState flight) {
    LiveAc a;
    a.objectid = objectId;
    a.simState = sim;
    a.flightState = flight;
    return a;
  }
  // An active flying aircraft with a callsign, at a position (degrees).
  static LiveAc flying(std::uint32_t objectId, std::string callsign, double lat = 0.0, double lon = 0.0) {
    LiveAc a = live(objectId, SimState::active, FlightState::flying);
    a.hexid = g_maxStaticHexid + objectId;
    a.callsign = std::move(callsign);
    a.lat = lat;
    a.lon = lon;
    return a;
  }
  static std::vector<std::uint32_t> leaving() {
    std::vector<std::uint32_t> ids;
    for (const LiveAc& a : g_liveAcs)
      if (a.simState == SimState::removingfromsim) ids.push_back(a.objectid);
    return ids;
  }
};

}  // namespace

TEST_F(TickWork, NavLightsReachOnlyActiveParkedAircraft) {
  g_settings.NAV_LIGHTS_WHILE_PARKED.value = false;
  g_liveAcs.push_back(live(11, SimState::active, FlightState::parked));
  g_liveAcs.push_back(live(12, SimState::active, FlightState::taxi));
  g_liveAcs.push_back(live(13, SimState::adding2sim, FlightState::parked));
  StaticAc parked;
  parked.objectid = 21;
  parked.simState = SimState::active;
  g_staticAcs.push_back(parked);
  g_navLightsRequest = true;
  gf_runWindowRequests();
  EXPECT_FALSE(g_navLightsRequest);
  std::vector<std::uint32_t> objects;
  for (const auto& e : g_simEventQueue) {
    objects.push_back(e.objectId);
    EXPECT_EQ(e.data, 0U);
  }
  std::sort(objects.begin(), objects.end());
  EXPECT_EQ(objects, (std::vector<std::uint32_t>{11, 21}));
}

TEST_F(TickWork, AutoRangeFollowsTheParkAirportsDistance) {
  g_settings.AUTO_RANGE.value = true;
  {
    std::lock_guard lock(g_parkAirportsMutex);
    g_parkAirports.push_front(ParkAirportEntry{"", LatLon{50.0, 8.0}, 0.0, IcaoCode("EDDF")});
  }
  UserAcData user;
  user.latitude = 50.0 + 30.4 / 60.0;  // 30.4 nm north: one minute of arc is one nm
  user.longitude = 8.0;
  user.altitude = 3000.0;
  {
    std::lock_guard lock(g_simLink.userAcMutex);
    g_simLink.userAcData = user;
  }
  g_userOnGround = false;
  g_autoRangeRequest = true;
  gf_runWindowRequests();
  EXPECT_EQ(g_settings.RANGE.value.load(), 30);

  // Switched off before the tick came round: nothing is computed.
  g_settings.AUTO_RANGE.value = false;
  g_settings.RANGE.value = 10;
  g_autoRangeRequest = true;
  gf_runWindowRequests();
  EXPECT_EQ(g_settings.RANGE.value.load(), 10);
  std::lock_guard lock(g_simLink.userAcMutex);
  g_simLink.userAcData = UserAcData{};
}

// The range computed on the tick thread takes the upper height from AR_ABOVE_HEIGHT and the
// lower one from AIRP_HEIGHT, and the distance from the first park airport (none: far away).
TEST_F(TickWork, AutoRangeTakesEachHeightFromItsSetting) {
  g_settings.AR_ABOVE_HEIGHT.value = 10000;
  g_settings.AIRP_HEIGHT.value = 5000;
  g_userOnGround = false;
  const auto rangeAt = [](double altitudeFt) {
    UserAcData user;
    user.latitude = 50.0 + 30.4 / 60.0;
    user.longitude = 8.0;
    user.altitude = altitudeFt;
    {
      std::lock_guard lock(g_simLink.userAcMutex);
      g_simLink.userAcData = user;
    }
    lf_computeAutoRange();
    return g_settings.RANGE.value.load();
  };
  EXPECT_EQ(rangeAt(4000), 40);  // no park airport
  {
    std::lock_guard lock(g_parkAirportsMutex);
    g_parkAirports.push_front(ParkAirportEntry{"", LatLon{50.0, 8.0}, 0.0, IcaoCode("EDDF")});
    g_parkAirports.push_back(ParkAirportEntry{"", LatLon{50.5, 8.0}, 0.0, IcaoCode("EDFE")});
  }
  EXPECT_EQ(rangeAt(4000), 30);
  EXPECT_EQ(rangeAt(7000), 40);
  EXPECT_EQ(rangeAt(12000), 100);
  g_userOnGround = true;
  EXPECT_EQ(rangeAt(12000), 10);
  g_userOnGround = false;
  std::lock_guard lock(g_simLink.userAcMutex);
  g_simLink.userAcData = UserAcData{};
}

TEST_F(TickWork, ShownCountsChangeOnlyWhatChanged) {
  open();
  g_liveAcs.push_back(live(12, SimState::active, FlightState::parked));
  gf_refreshShownCounts();  // the parked count and its mean time are shown
  system->pump();
  window->clearInvalidations();
  g_liveAcs.push_back(live(11, SimState::active, FlightState::flying));
  g_liveAcs.push_back(live(13, SimState::removingfromsim, FlightState::flying));
  gf_refreshShownCounts();
  system->pump();
  EXPECT_EQ(g_mainWindowState.liveShown.load(), 1U);
  EXPECT_TRUE(window->invalidated(g_stateRect));
  EXPECT_FALSE(window->invalidated(g_parkRect));
  window->clearInvalidations();
  gf_refreshShownCounts();
  system->pump();
  EXPECT_TRUE(window->invalidations().empty());
}

// A callsign blocked by hand leaves the simulator on the next tick: the first active live
// aircraft that flies it, and only that one.
TEST_F(TickWork, ACallsignBlockedByHandLeavesTheSimulator) {
  open();
  LiveAc coming = flying(10, "DLH4AB");
  coming.simState = SimState::adding2sim;
  g_liveAcs.push_back(coming);
  g_liveAcs.push_back(flying(11, "DLH4A"));
  g_liveAcs.push_back(flying(12, "DLH4AB"));
  g_liveAcs.push_back(flying(13, "DLH4AB"));
  g_liveAcs.push_back(flying(14, "BAW1"));
  gf_runWindowRequests();  // nothing asked yet
  EXPECT_TRUE(leaving().empty());

  window->type(g_settings.BLOCK_CALLSIGN.commandId, "dlh4ab");
  ASSERT_TRUE(window->pressEnter(g_settings.BLOCK_CALLSIGN.commandId));
  gf_runWindowRequests();
  EXPECT_EQ(leaving(), (std::vector<std::uint32_t>{12}));
  EXPECT_EQ(g_trafficEngine.removalQueue, (std::deque<std::uint32_t>{12}));
  EXPECT_EQ(g_liveAcs[0].simState, SimState::adding2sim);
  EXPECT_EQ(g_liveAcs[0].removeWhenCreated, 0);
  EXPECT_FALSE(g_blockChangedRequest);
  gf_runWindowRequests();  // served once
  EXPECT_EQ(leaving(), (std::vector<std::uint32_t>{12}));

  // Unblocking removes nothing.
  window->click(g_settings.unblockButton.commandId);
  EXPECT_TRUE(g_blockChangedRequest);
  gf_runWindowRequests();
  EXPECT_EQ(leaving(), (std::vector<std::uint32_t>{12}));
}

// A lower MAX_LIVE_SEL takes the active live aircraft beyond it out at once, farthest from
// the user first; aircraft not (or no longer) active neither count nor leave.
TEST_F(TickWork, ALowerMaximumOfLiveAircraftRemovesTheFarthestSurplus) {
  open();
  UserAcData user;
  user.latitude = 50.0;
  user.longitude = 8.0;
  g_trafficEngine.userAc.set(user);
  // Twelve active aircraft 1 to 12 nm away (one minute of latitude is one nm), north and
  // south by turns, the two farthest among the first in the table.
  for (const int nm : {3, 12, 1, 11, 5, 2, 4, 6, 7, 8, 9, 10}) {
    const double sign = nm % 2 == 0 ? 1.0 : -1.0;
    g_liveAcs.push_back(
        flying(static_cast<std::uint32_t>(100 + nm), "AC" + std::to_string(nm), 50.0 + sign * nm / 60.0, 8.0));
  }
  LiveAc gone = flying(150, "GONE", 52.0, 8.0);  // farthest, but already leaving
  gone.simState = SimState::removingfromsim;
  g_liveAcs.push_back(gone);

  auto& maxLive = g_settings.MAX_LIVE_SEL;
  maxLive.fillComboBox();
  const auto choose = [&](std::int32_t value) {
    const auto at = std::ranges::find(maxLive.choices, value);
    ASSERT_NE(at, maxLive.choices.end()) << value;
    window->choose(maxLive.commandId, static_cast<int>(at - maxLive.choices.begin()));
    gf_runWindowRequests();
  };
  choose(25);  // above the twelve: nobody leaves
  EXPECT_EQ(leaving(), (std::vector<std::uint32_t>{150}));
  choose(10);
  EXPECT_EQ(leaving(), (std::vector<std::uint32_t>{112, 111, 150}));
  EXPECT_EQ(g_trafficEngine.removalQueue, (std::deque<std::uint32_t>{112, 111}));
  choose(10);  // exactly at the maximum now
  EXPECT_EQ(leaving(), (std::vector<std::uint32_t>{112, 111, 150}));
}
