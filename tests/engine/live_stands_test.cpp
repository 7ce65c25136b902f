// The stand search for live aircraft, who gives way on a spawn, and the stand names the
// "SimClient" thread reads.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "stands_fixture.h"

namespace vexo {
namespace {

using test::northOf;
using test::nm;
using test::StandsTest;

const LatLon g_base{test::g_baseLat, test::g_baseLon};

TEST_F(StandsTest, AStandFitsAWingspanUpTo1Point8MetresOverItsRadius) {
  addStand("A1", 30.0, 10.0);
  struct Case {
    double halfSpan;
    bool found;
  };
  for (const Case c : {Case{11.5, true}, Case{12.0, false}}) {
    LiveAc& a = live("DLH1", c.halfSpan, FlightState::taxi);
    EXPECT_EQ(lf_findStandFor(g_base, a, nm(55.0), false) != nullptr, c.found) << c.halfSpan;
  }
  EXPECT_EQ(g_stands[0].radius_change, 0);
}

TEST_F(StandsTest, ASmallStandWithin20MetresIsTakenAndEnlarged) {
  addStand("A1", 15.0, 8.0);
  LiveAc& a = live("DLH1", 12.0, FlightState::taxi);
  ASSERT_EQ(lf_findStandFor(g_base, a, nm(55.0), false), &g_stands[0]);
  EXPECT_NEAR(g_stands[0].radius, nm(11.0), 1e-12);
  EXPECT_EQ(g_stands[0].radius_change, 1);
}

TEST_F(StandsTest, AWideSearchPrefersALearnedStandOnlyWithoutANearOne) {
  ParkingPosition& learned = addStand("L70", 70.0, 40.0);
  LearnedFlight f;
  f.callsign = "DLH1";
  f.index = 1;
  f.codes.airlineId = 7;
  learned.learnedFlights.push_back(f);
  LiveAc& a = live("DLH1", 17.0, FlightState::taxi);
  EXPECT_EQ(lf_findStandFor(g_base, a, nm(55.0), true), &learned);
  addStand("N50", 50.0, 40.0);  // later in table order, within 55 m
  EXPECT_EQ(lf_findStandFor(g_base, a, nm(55.0), true)->id, "N50");
}

TEST_F(StandsTest, HelipadsAreForHelicoptersOnly) {
  addStand("H1", 10.0, 5.0, true);
  addStand("G1", 200.0, 40.0);
  LiveAc& plane = live("DLH1", 17.0, FlightState::taxi);
  EXPECT_EQ(lf_findStandFor(g_base, plane, nm(55.0), false), nullptr);
  EXPECT_NEAR(g_stands[0].radius, nm(5.0), 1e-12);  // not enlarged for the refused plane
  LiveAc& heli = live("HELI1", 6.0, FlightState::taxi);
  heli.category = AcCategory::Rotorcraft;
  EXPECT_EQ(lf_findStandFor(g_base, heli, nm(55.0), false), &g_stands[0]);
  EXPECT_EQ(lf_findStandFor(LatLon{northOf(200.0), test::g_baseLon}, heli, nm(55.0), false), nullptr);
}

TEST_F(StandsTest, TheSameStandPositionIsSearchedOnce) {
  LiveAc& a = live("DLH1", 17.0, FlightState::taxi);
  a.stream.push_back(StreamPos{.lat = test::g_baseLat, .lon = test::g_baseLon});
  try2Park(a, false, engine);  // no stands yet
  addStand("A1", 5.0, 40.0);
  try2Park(a, false, engine);  // same position: no new search
  EXPECT_EQ(a.flightState, FlightState::taxi);
  EXPECT_EQ(a.sid, 0u);
}

// The reserved stand is the user's: a taxiing aircraft does not park there.
TEST_F(StandsTest, ATaxiingAircraftLeavesTheReservedStandFree) {
  addStand("A1", 5.0, 40.0);
  for (const bool reserved : {true, false}) {
    SCOPED_TRACE(reserved);
    engine.liveAcs.clear();
    g_reservedStand = reserved ? "A1" : "";
    LiveAc& a = live("DLH1", 17.0, FlightState::taxi);
    a.pushBackSpeed = 5.0;
    a.stream.push_back(StreamPos{.lat = test::g_baseLat, .lon = test::g_baseLon});
    try2Park(a, false, engine);
    EXPECT_EQ(a.sid, reserved ? 0U : 1U);
    EXPECT_EQ(a.flightState, reserved ? FlightState::taxi : FlightState::parking);
  }
  g_reservedStand.clear();
}

TEST_F(StandsTest, ASpawnAndAParkedAircraftOfTheSameFlightKeepTheRealOne) {
  addStand("A1", 0.0, 40.0);
  LiveAc& real = live("ABC123");
  real.sid = 1;
  EXPECT_FALSE(lf_freeStandForSpawn(1, "ABC123_", engine));
  EXPECT_EQ(real.simState, SimState::active);
  real.callsign = "ABC123_";  // now the ghost stands there
  EXPECT_TRUE(lf_freeStandForSpawn(1, "ABC123", engine));
  EXPECT_TRUE(removed(real));
}

TEST_F(StandsTest, AnEmptyCallsignIsNoGhostOfAOneLetterCallsign) {
  addStand("A1", 0.0, 40.0);
  LiveAc& there = live("A");
  there.sid = 1;
  there.parkedByReport = 1;
  EXPECT_FALSE(lf_freeStandForSpawn(1, "", engine));
  EXPECT_EQ(there.simState, SimState::active);
}

TEST_F(StandsTest, ANewStandTableForgetsTheCachedStandName) {
  link.userOnGround = true;
  addStand("OLD1", 0.0, 40.0);
  EXPECT_EQ(g_standNames.nearest(test::g_baseLat, test::g_baseLon), "OLD1");
  g_stands.clear();
  addStand("NEW1", 0.0, 40.0);
  EXPECT_EQ(g_standNames.nearest(test::g_baseLat, test::g_baseLon), "NEW1");
  gf_clearStands();
  EXPECT_EQ(g_standNames.nearest(test::g_baseLat, test::g_baseLon), "");
  addStand("FAR", 56.0, 40.0);
  EXPECT_EQ(g_standNames.nearest(test::g_baseLat, test::g_baseLon), "");
}

// The "SimClient" thread asks while the tick thread replaces the table: it only ever sees
// a whole published table (checked under the thread sanitizer).
TEST_F(StandsTest, StandNamesAreReadFromThePublishedTableWhileItChanges) {
  std::atomic<bool> stop{false};
  std::thread simClient([&] {
    while (!stop) {
      const std::string name = g_standNames.nearest(test::g_baseLat, test::g_baseLon);
      EXPECT_TRUE(name.empty() || name == "S1") << name;
    }
  });
  for (int i = 0; i < 200; ++i) {
    gf_clearStands();
    addStand("S1", 0.0, 40.0);
    addStand("S2", 30.0, 40.0);
  }
  stop = true;
  simClient.join();
}

}  // namespace
}  // namespace vexo
