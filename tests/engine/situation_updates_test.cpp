// Further reports of known aircraft read against their situation.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <optional>
#include <vector>

#include "engine/situation_updates.h"
#include "engine_fixture.h"

namespace vexo {
namespace {

using test::EngineTest;

constexpr double g_metreDeg = 1.0 / 111194.9;  // one metre of latitude on the engine's sphere

class SituationUpdates : public EngineTest {
protected:
  void TearDown() override {
    engine.liveAcs.clear();
    EngineTest::TearDown();
  }
  // An active record on the ground, by hand (no simulator object); front at 34,-118.
  LiveAc& onGround(FlightState state, AcCategory category = AcCategory::Large) {
    engine.liveAcs.emplace_back(gf_makeLiveAcData(AcIdent{}, 20001), pos(0.0, false), 0.0);
    LiveAc& a = engine.liveAcs.back();
    a.simState = SimState::active;
    a.onGround = 1;
    a.flightState = state;
    a.category = category;
    a.lat = 34.0;
    a.lon = -118.0;
    return a;
  }
  static StreamPos pos(double northMetres, bool stationary, std::int32_t due = 0) {
    StreamPos p;
    p.lat = 34.0 + northMetres * g_metreDeg;
    p.lon = -118.0;
    p.groundSpeed = stationary ? 0.0 : 10.0;
    p.stationary = stationary ? 1 : 0;
    p.dueTick = due;
    return p;
  }
};

TEST_F(SituationUpdates, AStreamOfTwoHundredTakesTheReportOneMoreRemovesTheAircraft) {
  for (const auto& [size, kept] : {std::pair{200u, true}, std::pair{201u, false}}) {
    LiveAc& a = onGround(FlightState::taxi);
    a.stream.clear();
    for (std::size_t i = 0; i < size; ++i) a.stream.push_back(pos(10.0 * i, false, static_cast<std::int32_t>(i)));
    decodeExisting(a, pos(10.0 * size, false), engine);
    EXPECT_EQ(a.stream.size(), kept ? size + 1 : size) << size;
    EXPECT_EQ(a.simState, kept ? SimState::active : SimState::removingfromsim) << size;
    engine.liveAcs.clear();
  }
}

TEST_F(SituationUpdates, AHoldEndsAtTheThresholdDistance) {
  for (const auto& [metres, kept] : {std::pair{249.0, true}, std::pair{251.0, false}}) {
    LiveAc& a = onGround(FlightState::taxi);
    a.holding = 1;
    decodeExisting(a, pos(metres, false, 10), engine);
    EXPECT_EQ(a.simState, kept ? SimState::active : SimState::removingfromsim) << metres;
    engine.liveAcs.clear();
  }
}

TEST_F(SituationUpdates, APushedBackAircraftTaxiesOnceReportsMoveAway) {
  const double nm = 1852.0;
  const struct {
    double first, second;
    FlightState after;
  } cases[] = {{0.02, 0.03, FlightState::taxi}, {0.03, 0.025, FlightState::pushed_back}, {0.0, 0.061, FlightState::taxi}};
  for (const auto& c : cases) {
    LiveAc& a = onGround(FlightState::pushed_back);
    a.halfSpan = 0.01;
    a.lastPushedBackDistance = 900.0;
    if (c.first > 0.0) decodeExisting(a, pos(c.first * nm, false, 10), engine);
    decodeExisting(a, pos(c.second * nm, false, 20), engine);
    EXPECT_EQ(a.flightState, c.after) << c.first << " then " << c.second;
    engine.liveAcs.clear();
  }
}

TEST_F(SituationUpdates, AStandingAircraftDropsItsStandingPositionsOnlyBehindARecentMove) {
  // front (moving), moving p at 0 m, standing there due 1400 after p: a report 20 m from p.
  LiveAc& a = onGround(FlightState::taxi);
  a.stream = {pos(-50.0, false, 0), pos(0.0, false, 100), pos(0.0, true, 1500)};
  decodeExisting(a, pos(20.0, false, 1600), engine);
  ASSERT_EQ(a.stream.size(), 3u);
  EXPECT_EQ(a.stream[2].dueTick, 1600);
  // Standing 1500 cycles after p and a report 30 m away: the stand is kept.
  a.stream = {pos(-50.0, false, 0), pos(0.0, false, 100), pos(0.0, true, 1600)};
  decodeExisting(a, pos(30.0, false, 1700), engine);
  EXPECT_EQ(a.stream.size(), 4u);
  // The look-back never reaches the front, even when the only moving position is the front.
  a.stream = {pos(0.0, false, 0), pos(5.0, true, 100), pos(5.0, true, 200)};
  decodeExisting(a, pos(30.0, false, 300), engine);
  EXPECT_EQ(a.stream.size(), 4u);
}

// A taxiing aircraft stops: for 28 s its reports jitter a few metres around one spot (as
// a receiver's noise does), then it rolls on, the next report 40 m further. Replayed
// cycle by cycle: the jittering reports stand where the aircraft stopped, right after it
// got there, so it rolls on toward the next place at once instead of standing for the
// 28 s and then covering the 40 m in a hurry.
TEST_F(EngineTest, AnAircraftWhoseReportsJitterInPlaceRollsOnWithoutStopping) {
  constexpr double metreDeg = 1.0 / 111194.9;
  constexpr double stepMetres = 20.58;  // 10 kt for 4 s
  struct Report {
    int second;
    double north, east, knots;
  };
  std::vector<Report> reports;
  for (int i = 0; i <= 10; ++i) reports.push_back({4 * i, stepMetres * i, 0.0, 10.0});
  const double stopNorth = reports.back().north;
  for (int i = 1; i <= 7; ++i)
    reports.push_back({40 + 4 * i, stopNorth + (i % 2 ? 2.0 : -1.5), i % 2 ? -2.0 : 2.5, 0.0});
  for (int i = 0; i <= 7; ++i) reports.push_back({72 + 4 * i, stopNorth + 40.0 + stepMetres * i, 0.0, 10.0});
  const auto at = [&](double north) { return LatLon{34.0 + north * metreDeg, -118.0}; };
  const LatLon stop = at(stopNorth);
  const LatLon onward = at(stopNorth + 40.0);

  std::size_t next = 0;
  std::optional<LatLon> last;
  int still = 0, longestStill = 0;
  bool stopped = false, rolledOn = false;
  for (int c = 0; c < 150 * 100 && !rolledOn; ++c) {
    while (next < reports.size() && reports[next].second * 100 <= tick()) {
      const Report& r = reports[next++];
      handOver(
          report(20001, "DLH1", r.second, 34.0 + r.north * metreDeg, -118.0 + r.east * metreDeg, 0.0, r.knots, 0.0));
    }
    cycle();
    if (sim.lastPositions.empty()) continue;
    const LatLon now{sim.lastPositions[0].latitude, sim.lastPositions[0].longitude};
    stopped = stopped || gf_greatCircleNm(now, stop) * 1852.0 < 3.0;
    rolledOn = stopped && gf_greatCircleNm(now, onward) * 1852.0 < 3.0;
    still = last && std::abs(now.lat - last->lat) < 1e-9 && std::abs(now.lon - last->lon) < 1e-9 ? still + 1 : 0;
    if (stopped) longestStill = std::max(longestStill, still);
    last = now;
  }
  ASSERT_TRUE(rolledOn) << "never reached the place 40 m on";
  EXPECT_LT(longestStill, 500) << "cycles standing between the stop and the place 40 m on";
}

TEST_F(SituationUpdates, TwoStandingPositionsLeftMakeTheFrontDueAtOnce) {
  LiveAc& a = onGround(FlightState::taxi);
  a.stream = {pos(0.0, true, 5000)};
  engine.trafficTick = 100;
  decodeExisting(a, pos(0.0, true, 6000), engine);
  ASSERT_EQ(a.stream.size(), 2u);
  EXPECT_EQ(a.stream[0].dueTick, 101);
}

TEST_F(SituationUpdates, TowingIsJudgedOnTheTimeParkedWithoutWrapping) {
  const auto parkedWith = [&](std::int32_t frontDue) {
    LiveAc& a = onGround(FlightState::parked, AcCategory::Heavy);
    a.prevFlightState = FlightState::taxi;
    a.landedHere = 1;
    a.stepsLeft = 1;
    a.stream.front().dueTick = frontDue;
    StreamPos r = pos(10.0, false, 10);
    lf_reParkAtStand(a, r, engine);
    const std::uint8_t towed = a.towed;
    EXPECT_EQ(a.stepsLeft, 0);
    EXPECT_EQ(a.landedHere, 0);
    engine.liveAcs.clear();
    return towed;
  };
  engine.trafficTick = 100;
  // Parked 10 minutes ago: its week-long front is due a week minus 10 minutes ahead.
  EXPECT_EQ(parkedWith(100 + 60'480'000 - 60'000), 1);
  EXPECT_EQ(parkedWith(100 + 60'480'000 - 360'000), 0);  // 60 min: not towed
  // A front held at the clock's limit lies far ahead: never a recent parking.
  EXPECT_EQ(parkedWith(std::numeric_limits<std::int32_t>::max()), 0);
}

}  // namespace
}  // namespace vexo
