#include "app/window_tick_work.h"

#include <gtest/gtest.h>

#include "airports/airports_services.h"
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
