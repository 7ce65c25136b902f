// Scenarios replayed from the Los Angeles recording through the real record parser into
// the engine and the scripted simulator; after each, every aircraft leaves the simulator
// and the fixture checks the invariants (no object left, no call for an unknown object,
// nothing not finite).
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <set>
#include <string>

#include "engine/spawning.h"
#include "foundation/geodesy.h"
#include "replay_fixture.h"
#include "simlink/sim_vocabulary.h"

namespace vexo {
namespace {

using test::gf_inOrder;
using test::ReplayTest;

constexpr const char* g_klax = "KLAX_20200617_2152.csv";
constexpr std::uint32_t g_arrival = 11389159;    // AAL1331, A321, from 31 nm out to the gate
constexpr std::uint32_t g_departure = 11234981;  // AAL9735, B789, taxi, take-off, climb out
constexpr std::uint32_t g_taxiing = 10498613;    // AAL612, A321, a short taxi

TEST_F(ReplayTest, AnArrivalFliesInTouchesDownAndTaxies) {
  replay(lines(g_klax, {g_arrival}), 1100.0);
  const auto& a = aircraft[g_arrival];
  EXPECT_TRUE(gf_inOrder(a.states, {FlightState::flying, FlightState::taxi})) << a.states.size();
  ASSERT_EQ(sim.creations.size(), 1u);
  EXPECT_EQ(sim.creations[0].callsign, "AAL1331");
  EXPECT_EQ(sim.creations[0].initPosition.OnGround, 0u);
  EXPECT_TRUE(sim.removals.empty());
  EXPECT_NE(std::find(engine.touchdownList.begin(), engine.touchdownList.end(), g_arrival), engine.touchdownList.end());
  ASSERT_FALSE(a.sent.empty());
  // It ends on the ground at the airport.
  const AiPositionAction& last = a.sent.back().position;
  EXPECT_LT(gf_greatCircleNm(test::g_replayUser, {last.latitude, last.longitude}), 1.0);
}

TEST_F(ReplayTest, ADepartureTaxiesAndStartsItsTakeOffRoll) {
  // Its reports pause during the taxi (44 s over 330 m) and at the runway: the aircraft
  // holds at the end of its stream each time, and the next report, 330 m on or already
  // rolling 2.4 km down the runway, would end it under the default threshold of 250 m.
  g_settings.HOLDING_THRESHOLD_METERS.value = 4000;
  bool rolled = false;
  replay(lines(g_klax, {g_departure}), 700.0, [&] {
    if (const LiveAc* a = find(g_departure)) rolled = rolled || a->takeOffRoll != 0;
  });
  const auto& a = aircraft[g_departure];
  EXPECT_TRUE(gf_inOrder(a.states, {FlightState::taxi, FlightState::flying}));
  ASSERT_FALSE(sim.creations.empty());
  EXPECT_EQ(sim.creations[0].initPosition.OnGround, 1u);
  EXPECT_TRUE(rolled);
}

TEST_F(ReplayTest, AnOverflightIsRemovedAtTheEdgeOfRange) {
  g_settings.RANGE.value = 20;
  context.rangeNm = 20.0;
  std::vector<standin::RecordingLine> airborne;
  for (auto& l : lines(g_klax, {g_departure}))
    if (l.text.find(",0,0,") == std::string::npos) airborne.push_back(l);  // its ground records left out
  replay(airborne, 1000.0);
  const auto& a = aircraft[g_departure];
  ASSERT_EQ(sim.creations.size(), 1u);
  ASSERT_EQ(sim.removals.size(), 1u);
  EXPECT_EQ(find(g_departure), nullptr);
  ASSERT_FALSE(a.sent.empty());
  const AiPositionAction& last = a.sent.back().position;
  EXPECT_GE(gf_greatCircleNm(test::g_replayUser, {last.latitude, last.longitude}), 19.5 - 0.5);
  EXPECT_TRUE(gf_inOrder(a.states, {FlightState::flying}));
}

TEST_F(ReplayTest, ATaxiingAircraftWhoseReportsStopHoldsUntilItsTimeIsUp) {
  g_settings.MAX_HOLDING_MINUTES.value = 1;
  std::vector<standin::RecordingLine> taxi;
  for (auto& l : lines(g_klax, {g_taxiing}))
    if (l.timestamp <= 1592423673.0) taxi.push_back(l);
  std::int32_t holdStart = -1;
  std::int32_t removedAt = -1;
  replay(taxi, 400.0, [&] {
    const LiveAc* a = find(g_taxiing);
    if (holdStart < 0 && a != nullptr && a->holding != 0) holdStart = tick();
    if (removedAt < 0 && !sim.removals.empty()) removedAt = tick();
  });
  g_settings.MAX_HOLDING_MINUTES.value = 20;
  ASSERT_GE(holdStart, 0) << "never held";
  ASSERT_GE(removedAt, 0) << "never removed";
  // Two whole minutes (more than 1) after the hold began, within one more held position.
  EXPECT_GE(removedAt - holdStart, 2 * 6000);
  EXPECT_LE(removedAt - holdStart, 2 * 6000 + 300 + 10);
  EXPECT_TRUE(gf_inOrder(aircraft[g_taxiing].states, {FlightState::taxi}));
}

TEST_F(ReplayTest, ACallsignChangeRespawnsTheAircraftWithItsNewName) {
  auto recorded = lines(g_klax, {g_arrival});
  const double change = recorded.front().timestamp + 300.0;
  for (auto& l : recorded) {
    if (l.timestamp < change) continue;
    const auto at = l.text.find(",AAL1331,");
    if (at != std::string::npos) l.text.replace(at, 9, ",AAL1332,");
  }
  replay(recorded, 600.0);
  ASSERT_EQ(sim.creations.size(), 2u);
  EXPECT_EQ(sim.creations[1].callsign, "AAL1332");
  EXPECT_EQ(sim.creations[1].hexid, g_arrival);
  ASSERT_EQ(sim.removals.size(), 1u);
  // Created again where the old object was: its first position continues the track.
  const auto& sent = aircraft[g_arrival].sent;
  ASSERT_GE(sent.size(), 2u);
  const auto& created = sim.creations[1].initPosition;
  double nearest = 1e9;
  for (const auto& s : sent)
    nearest = std::min(nearest, gf_greatCircleNm({s.position.latitude, s.position.longitude},
                                                 {created.Latitude, created.Longitude}));
  EXPECT_LT(nearest, 0.5);
}

TEST_F(ReplayTest, AGhostIsRemovedWhenItsOwnerSpawnsAndNeverReturns) {
  // The same aircraft reported a second time under a hexid of its own and its callsign
  // with "_", beginning a minute earlier.
  auto owner = lines(g_klax, {g_arrival});
  std::vector<standin::RecordingLine> both;
  for (const auto& l : owner) {
    auto ghost = l;
    ghost.text.replace(ghost.text.find(",11389159,"), 10, ",11389160,");
    ghost.text.replace(ghost.text.find(",AAL1331,"), 9, ",AAL1331_,");
    ghost.timestamp -= 60.0;
    both.push_back(ghost);
  }
  const double ownerStart = owner.front().timestamp + 60.0;
  for (auto l : owner) {
    l.timestamp += 60.0;
    if (l.timestamp >= ownerStart) both.push_back(l);
  }
  std::stable_sort(both.begin(), both.end(), [](const auto& a, const auto& b) { return a.timestamp < b.timestamp; });
  replay(both, 700.0);
  ASSERT_GE(sim.creations.size(), 2u);
  EXPECT_EQ(sim.creations[0].callsign, "AAL1331_");
  EXPECT_EQ(sim.creations[1].callsign, "AAL1331");
  EXPECT_EQ(sim.creations.size(), 2u) << "the ghost came back";
  EXPECT_EQ(engine.ghostCallsigns, std::vector<std::string>{"AAL1331_"});
  EXPECT_EQ(sim.objects.size(), 1u);
}

TEST_F(ReplayTest, ARefusedCreationErasesTheRecordAndTheRefusedLiveryIsNotTriedAgain) {
  sim.failHexids = {g_arrival};
  replay(lines(g_klax, {g_arrival}), 600.0);
  EXPECT_EQ(sim.creations.size(), 1u);
  EXPECT_TRUE(link.refusedLiveryTitles.contains(std::string(test::g_fallbackLiveryTitle)));
  EXPECT_TRUE(sim.objects.empty());
  EXPECT_TRUE(find(g_arrival) == nullptr || find(g_arrival)->simState == SimState::buffer);
}

TEST_F(ReplayTest, TenLiveAircraftAtMostUnderPressureTheFarthestMakeRoom) {
  g_settings.MAX_LIVE_SEL.value = 10;
  std::size_t most = 0;
  std::size_t removed = 0;
  replay(lines(g_klax), 600.0, [&] {
    const auto active = static_cast<std::size_t>(std::count_if(engine.liveAcs.begin(), engine.liveAcs.end(), [](const LiveAc& a) {
      return a.simState == SimState::active || a.simState == SimState::adding2sim;
    }));
    most = std::max(most, active);
    removed = sim.removals.size();
    ASSERT_LE(active, 10u) << "at tick " << tick();
  });
  EXPECT_EQ(most, 10u);
  EXPECT_GT(sim.creations.size(), 10u);
  EXPECT_GT(removed, 0u);
}

// A reported line of a synthetic flight: hexid 12100000, "AAL200", a B738, at the time
// (seconds from the start), place, altitude (0: on the ground), vertical rate and speed.
standin::RecordingLine flightLine(double time, double lat, double lon, double altitude, double rate, double speed,
                                  double track = 270.0) {
  constexpr double kStart = 1592423600.0;
  return {standin::RecordingLine::Kind::traffic,
          fmt::format("AITFC,12100000,{:.6f},{:.6f},{:.0f},{:.0f},1,{:.0f},{:.0f},AAL200,B738,N200AA,PHX,LAX,{:.0f}",
                      lat, lon, altitude, rate, track, speed, kStart + time),
          kStart + time};
}

// Degrees of longitude flown west in a second at the speed (knots), at the latitude.
double westPerSecond(double speed, double lat) { return speed / 3600.0 / 60.0 / std::cos(lat * g_degToRad); }

// Reports that drop 3,000 ft from one to the next: the aircraft descends no faster than
// 6,000 ft/min and is down at the reported altitude half a minute later.
TEST_F(ReplayTest, AnAltitudeJumpInTheReportsIsCaughtUpAtTheSteepestDescent) {
  std::vector<standin::RecordingLine> flight;
  double lon = -118.0;
  for (int s = 0; s <= 240; s += 5) {
    flight.push_back(flightLine(s, 33.9, lon, s < 60 ? 8000.0 : 5000.0, 0.0, 250.0));
    lon -= 5 * westPerSecond(250.0, 33.9);
  }
  replay(flight, 250.0);
  const auto& a = aircraft[12100000];
  ASSERT_EQ(sim.creations.size(), 1u);
  const auto jump =
      std::find_if(a.reported.begin(), a.reported.end(), [](const StreamPos& p) { return p.altitude < 7000.0; });
  ASSERT_NE(jump, a.reported.end());
  double steepest = 0.0;
  for (std::size_t i = 1; i < a.sent.size(); ++i)
    steepest = std::min(steepest, a.sent[i].position.altitude - a.sent[i - 1].position.altitude);
  EXPECT_GE(steepest, -1.0 - 1e-9) << "feet in a cycle";
  // Down 30 s after the lower report fell due, with a leg to spare.
  std::size_t checked = 0;
  for (const auto& s : a.sent) {
    if (s.tick < jump->dueTick + 3000 + 500) continue;
    EXPECT_NEAR(s.position.altitude, jump->altitude, 1.0) << "at tick " << s.tick;
    ++checked;
  }
  EXPECT_GT(checked, 1000u);
}

// A steep approach, 2,000 ft/min at 140 kt (about 8 degrees), well within the steepest
// descent: the aircraft follows it down and touches down where the reports do.
TEST_F(ReplayTest, ASteepApproachTouchesDownWhereItsReportsDo) {
  constexpr double kLat = 33.944;
  constexpr double kTouchdownLon = -118.38;  // 2.6 km east of the user, on the airport
  std::vector<standin::RecordingLine> flight;
  for (int s = 0; s < 60; s += 2) {
    const double altitude = test::g_replayElevation + 2000.0 * (60 - s) / 60.0;
    flight.push_back(
        flightLine(s, kLat, kTouchdownLon + (60 - s) * westPerSecond(140.0, kLat), altitude, -2000.0, 140.0));
  }
  double lon = kTouchdownLon;
  for (int s = 60; s <= 100; s += 2) {
    const double speed = 140.0 - 3.0 * (s - 60);
    flight.push_back(flightLine(s, kLat, lon, 0.0, 0.0, speed));
    lon -= 2 * westPerSecond(speed - 3.0, kLat);
  }
  std::optional<LatLon> touchdown;
  replay(flight, 160.0, [&] {
    const LiveAc* a = find(12100000);
    if (!touchdown && a != nullptr && a->simState == SimState::active && a->onGround != 0)
      touchdown = LatLon{a->lat, a->lon};
  });
  ASSERT_EQ(sim.creations.size(), 1u);
  ASSERT_TRUE(touchdown.has_value()) << "never touched down";
  // Past the first ground report by the flare, not short of it.
  const double pastMetres = (kTouchdownLon - touchdown->lon) / westPerSecond(1.0, kLat) * 1852.0 / 3600.0;
  EXPECT_GT(pastMetres, -50.0);
  EXPECT_LT(pastMetres, 800.0);
  EXPECT_NEAR(touchdown->lat, kLat, 0.0005);
}

// Sixty aircraft in the air, all first reported in the same second and every 2 s after:
// their heads fall due in one cycle. Only as many as may wait for their creation are
// spawned at once; the others drop their heads as they fall due, so each is created within
// ten seconds of the position it is created at, and every one is created.
TEST_F(ReplayTest, ABurstOfNewAircraftIsCreatedFromCurrentPositions) {
  constexpr int kAircraft = 60;
  constexpr double kStart = 1592423600.0;
  std::vector<standin::RecordingLine> burst;
  for (int s = 0; s <= 120; s += 2) {
    for (int i = 0; i < kAircraft; ++i) {
      const double lat = 33.70 + 0.01 * i;
      const double lon = -118.80 + 0.0028 * s / 2.0;  // 250 kt east
      const std::string text = fmt::format("AITFC,{},{:.4f},{:.4f},5000,0,1,90,250,AAL{},B738,N{}AA,PHX,LAX,{:.0f}",
                                           12000000 + i, lat, lon, 100 + i, 100 + i, kStart + s);
      burst.push_back({standin::RecordingLine::Kind::traffic, text, kStart + s});
    }
  }
  replay(burst, 150.0);
  std::set<std::uint32_t> created;
  for (std::size_t c = 0; c < sim.creations.size(); ++c) {
    const AiCreateAction& made = sim.creations[c];
    created.insert(made.hexid);
    const auto& reported = aircraft[made.hexid].reported;
    const auto at = std::find_if(reported.begin(), reported.end(), [&](const StreamPos& p) {
      return p.lat == made.initPosition.Latitude && p.lon == made.initPosition.Longitude;
    });
    ASSERT_NE(at, reported.end()) << made.callsign << " created off its reports";
    EXPECT_LE(sim.creationTicks[c] - at->dueTick, 1000) << made.callsign;
    EXPECT_GE(sim.creationTicks[c], at->dueTick) << made.callsign;
  }
  EXPECT_EQ(created.size(), static_cast<std::size_t>(kAircraft));
}

TEST_F(ReplayTest, WhenTheTrafficSourceGoesAwayEveryLiveAircraftLeaves) {
  replay(lines(g_klax), 300.0);
  const std::size_t inSim = sim.objects.size();
  const std::size_t removedBefore = sim.removals.size();
  ASSERT_GT(inSim, 5u);
  // The user-position step finds the source gone: every live aircraft is taken out.
  gf_takeLiveAcsOutOfSim(engine);
  cycles(10 * static_cast<int>(inSim) + 300);
  EXPECT_TRUE(sim.objects.empty());
  EXPECT_EQ(sim.removals.size() - removedBefore, inSim);
  EXPECT_TRUE(engine.liveAcs.empty());
}

}  // namespace
}  // namespace vexo

