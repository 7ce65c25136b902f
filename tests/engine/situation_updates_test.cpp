// Further reports of known aircraft read against their situation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "engine/aircraft_texts.h"
#include "engine/situation_updates.h"
#include "foundation/geodesy.h"
#include "foundation/settings.h"
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
  // Measured from the front, where the aircraft holds, not from the last position.
  for (const auto& [metres, kept] : {std::pair{240.0, true}, std::pair{510.0, false}}) {
    LiveAc& a = onGround(FlightState::taxi);
    a.holding = 1;
    a.stream = {pos(0.0, false, 0), pos(500.0, true, 300)};
    decodeExisting(a, pos(metres, false, 400), engine);
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

// A pushed-back aircraft of half-span 0.01 nm holds at 0.02 nm; a further report taxies once
// it lies beyond 2.75 half spans and beyond the held one, or beyond 6 half spans.
TEST_F(SituationUpdates, APushedBackAircraftHoldsWithin2Point75HalfSpansAndTaxiesBeyond) {
  const double nmPerDeg = gf_greatCircleNm({34.0, -118.0}, {35.0, -118.0});
  const auto north = [&](double nmAway, std::int32_t due) {
    StreamPos p = pos(0.0, false, due);
    p.lat = 34.0 + nmAway / nmPerDeg;
    return p;
  };
  struct Case {
    double first, second;  // nm; a first of 0 is no first report
    FlightState after;
  };
  const Case cases[] = {{0.02, 0.0274, FlightState::pushed_back}, {0.02, 0.0276, FlightState::taxi},
                        {0.059, 0.058, FlightState::pushed_back}, {0.04, 0.04, FlightState::pushed_back},
                        {0.0, 0.0599, FlightState::pushed_back},  {0.0, 0.0601, FlightState::taxi}};
  for (const Case& c : cases) {
    LiveAc& a = onGround(FlightState::pushed_back);
    a.halfSpan = 0.01;
    a.lastPushedBackDistance = 900.0;
    engine.trafficTick = 100;
    if (c.first > 0.0) decodeExisting(a, north(c.first, 10), engine);
    EXPECT_EQ(a.flightState, FlightState::pushed_back) << c.first;
    engine.trafficTick = 200;  // a hold keeps the tick it started at
    decodeExisting(a, north(c.second, 20), engine);
    EXPECT_EQ(a.flightState, c.after) << c.first << " then " << c.second;
    EXPECT_EQ(a.holding, c.after == FlightState::pushed_back ? 1 : 0) << c.first << " then " << c.second;
    if (a.holding != 0) {
      EXPECT_EQ(a.holdStartTick, c.first > 0.0 ? 100 : 200) << c.first << " then " << c.second;
    }
    engine.liveAcs.clear();
  }
  // Taxiing away ends an extension: the front falls due at once and the windows open.
  {
    LiveAc& b = onGround(FlightState::pushed_back);
    b.halfSpan = 0.01;
    b.lastPushedBackDistance = 900.0;
    b.stepsLeft = 3;
    engine.trafficTick = 500;
    decodeExisting(b, north(0.07, 9000), engine);
    EXPECT_EQ(b.flightState, FlightState::taxi);
    EXPECT_EQ(b.stepsLeft, 0);
    EXPECT_EQ(b.stream.front().dueTick, 501);
    EXPECT_EQ(b.earlyWindow, 3000);
    engine.liveAcs.clear();
  }
  // Exactly 2.75 half spans beyond a nearer hold still holds: a report and a half span whose
  // 2.75 times is the report's distance to the bit.
  LiveAc& a = onGround(FlightState::pushed_back);
  a.lastPushedBackDistance = 0.001;
  StreamPos r = north(0.0275, 30);
  const auto exactHalfSpan = [&]() -> std::optional<double> {
    const double d = gf_greatCircleNm({a.lat, a.lon}, {r.lat, r.lon});
    double h = std::nextafter(std::nextafter(d / 2.75, 0.0), 0.0);
    for (int i = 0; i < 5; ++i, h = std::nextafter(h, 1.0))
      if (2.75 * h == d) return h;
    return std::nullopt;
  };
  for (int i = 0; i < 100 && !exactHalfSpan(); ++i) r.lat = std::nextafter(r.lat, 90.0);
  ASSERT_TRUE(exactHalfSpan().has_value());
  a.halfSpan = *exactHalfSpan();
  decodeExisting(a, r, engine);
  EXPECT_EQ(a.flightState, FlightState::pushed_back);
}

// A report near the stand of a parking or parked aircraft: 85 m count as at the stand, 170 m
// when it was parking before (it has just been driven there).
TEST_F(SituationUpdates, TheStandLimitOf85MetresDoublesWhenThePreviousStateWasParking) {
  struct Case {
    FlightState state, previous;
    double metres;
    bool atStand;
  };
  const Case cases[] = {{FlightState::parking, FlightState::taxi, 84.0, true},
                        {FlightState::parking, FlightState::taxi, 86.0, false},
                        {FlightState::parking, FlightState::parking, 169.0, true},
                        {FlightState::parking, FlightState::parking, 171.0, false},
                        {FlightState::parked, FlightState::parking, 169.0, true},
                        {FlightState::parked, FlightState::taxi, 86.0, false}};
  const double nmPerDeg = gf_greatCircleNm({34.0, -118.0}, {35.0, -118.0});
  for (const Case& c : cases) {
    LiveAc& a = onGround(c.state);
    a.prevFlightState = c.previous;
    a.standLat = 34.0;
    a.standLon = -118.0;
    a.halfSpan = 0.01;
    StreamPos r = pos(0.0, false, 100);
    r.lat = 34.0 + c.metres / 1852.0 / nmPerDeg;
    const bool appended = checkExtendingSituations(a, r, engine);
    const std::string what = fmt::format("{} after {} at {} m", gf_flightStateName(c.state), gf_flightStateName(c.previous), c.metres);
    EXPECT_EQ(appended, !c.atStand) << what;
    EXPECT_EQ(a.simState, SimState::active) << what;
    if (c.state == FlightState::parking) {
      EXPECT_EQ(a.flightState, c.atStand ? FlightState::parking : FlightState::taxi) << what;
    } else {
      EXPECT_EQ(a.movingAtStand, c.atStand ? 0 : 1) << what;  // beyond it, moved at the stand
    }
    engine.liveAcs.clear();
  }
}

// A parked aircraft reported 200 m or less from its stand is moved there; beyond, it has left.
TEST_F(SituationUpdates, AParkedAircraftReportedBeyond200MetresFromItsStandIsRemoved) {
  const double nmPerDeg = gf_greatCircleNm({34.0, -118.0}, {35.0, -118.0});
  for (const auto& [metres, removed] : {std::pair{199.0, false}, std::pair{201.0, true}}) {
    LiveAc& a = onGround(FlightState::parked);
    a.prevFlightState = FlightState::taxi;
    a.standLat = 34.0;
    a.standLon = -118.0;
    StreamPos r = pos(0.0, false, 100);
    r.lat = 34.0 + metres / 1852.0 / nmPerDeg;
    EXPECT_EQ(checkExtendingSituations(a, r, engine), !removed) << metres;
    EXPECT_EQ(a.simState, removed ? SimState::removingfromsim : SimState::active) << metres;
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

// The standing positions go when the aircraft began to stand less than 1500 cycles after it
// last moved, or when the new report lies within 22 m of where it last moved.
TEST_F(SituationUpdates, TheStandingPositionsGoAfterAShortStopOrForAReportNearTheLastMove) {
  struct Case {
    std::int32_t standingAfter;  // cycles after the last moving position p
    double reportMetres;         // from p
    bool cut;
  };
  const Case cases[] = {{1499, 30.0, true}, {1500, 30.0, false}, {1501, 30.0, false},
                        {5000, 21.0, true}, {5000, 23.0, false}};
  for (const Case& c : cases) {
    LiveAc& a = onGround(FlightState::taxi);
    a.stream = {pos(-50.0, false, 0), pos(0.0, false, 100), pos(0.0, true, 100 + c.standingAfter)};
    // The report's own distance, measured as the engine measures it.
    StreamPos r = pos(c.reportMetres, false, 9000);
    r.lat = 34.0 + c.reportMetres / 1852.0 / gf_greatCircleNm({34.0, -118.0}, {35.0, -118.0});
    decodeExisting(a, r, engine);
    ASSERT_EQ(a.stream.size(), c.cut ? 3u : 4u) << c.standingAfter << " " << c.reportMetres;
    EXPECT_EQ(a.stream[1].dueTick, 100) << c.standingAfter << " " << c.reportMetres;
    engine.liveAcs.clear();
  }
}

// The look-back reaches the fifth position before the last, not the sixth.
TEST_F(SituationUpdates, TheLookBackForTheLastMoveSpansFivePositions) {
  for (const std::size_t standing : {5u, 6u}) {
    LiveAc& a = onGround(FlightState::taxi);
    a.stream = {pos(-50.0, false, 0), pos(0.0, false, 100)};
    for (std::size_t i = 0; i < standing; ++i) a.stream.push_back(pos(0.0, true, 200 + 100 * static_cast<std::int32_t>(i)));
    decodeExisting(a, pos(40.0, false, 9000), engine);
    EXPECT_EQ(a.stream.size(), standing == 5 ? 3u : standing + 3) << standing;
    engine.liveAcs.clear();
  }
}

// A taxiing aircraft starts its take-off roll on an airborne report, or when the report and
// the last position both go 43 kt or more: one fast report in a quick taxi is not enough.
TEST_F(SituationUpdates, ATakeOffRollStartsWhenTheReportAndTheLastPositionAreAt43Knots) {
  struct Case {
    double lastKt, reportKt;
    bool airborne, roll;
  };
  const Case cases[] = {{43.0, 43.0, false, true},  {42.9, 43.0, false, false}, {43.0, 42.9, false, false},
                        {20.0, 60.0, false, false}, {60.0, 20.0, false, false}, {20.0, 20.0, true, true}};
  for (const Case& c : cases) {
    LiveAc& a = onGround(FlightState::taxi);
    a.stepsLeft = 0;
    a.stream = {pos(0.0, false, 0), pos(100.0, false, 100)};
    a.stream.back().groundSpeed = c.lastKt;
    StreamPos r = pos(200.0, false, 200);
    r.groundSpeed = c.reportKt;
    r.airborne = c.airborne ? 1 : 0;
    r.altitude = c.airborne ? 50.0 : 0.0;
    decodeExisting(a, r, engine);
    EXPECT_EQ(a.stream.size(), 3u) << c.lastKt << " " << c.reportKt;
    EXPECT_EQ(a.takeOffRoll, c.roll ? 1 : 0) << c.lastKt << " " << c.reportKt << " " << c.airborne;
    EXPECT_EQ(a.lateWindow, c.roll ? 5000 : 1000) << c.lastKt << " " << c.reportKt;
    engine.liveAcs.clear();
  }
}

// A report next to the last position during a take-off roll: ignored when the roll had
// reached 50 kt (a standing aircraft that fast is a glitch), else the aircraft stands there.
// On the last position itself the bound is 30 kt.
TEST_F(SituationUpdates, InATakeOffRollAReportOnOrNearTheLastPositionIsIgnoredFromItsBound) {
  struct Case {
    double metres;  // north of the last position: 0 on it, 5 near it (within 0.00015 deg)
    double lastKt, reportKt;
    bool taken;
  };
  const Case cases[] = {{5.0, 49.9, 10.0, true}, {5.0, 50.0, 10.0, false}, {5.0, 50.1, 10.0, false},
                        {5.0, 60.0, 0.0, true},  {0.0, 29.9, 10.0, true},  {0.0, 30.0, 10.0, false}};
  for (const Case& c : cases) {
    LiveAc& a = onGround(FlightState::taxi);
    a.takeOffRoll = 1;
    a.stream = {pos(-100.0, false, 0), pos(0.0, false, 100)};
    a.stream.back().groundSpeed = c.lastKt;
    StreamPos r = pos(c.metres, false, 200);
    r.groundSpeed = c.reportKt;
    EXPECT_EQ(lf_checkBirthPosition(a, r, engine), c.taken) << c.metres << " " << c.lastKt << " " << c.reportKt;
    if (c.taken) {
      EXPECT_EQ(r.stationary, 1) << c.metres << " " << c.lastKt;
      EXPECT_EQ(r.groundSpeed, 0.0) << c.metres << " " << c.lastKt;
      EXPECT_EQ(r.lat, a.stream.back().lat) << c.metres << " " << c.lastKt;
    }
    engine.liveAcs.clear();
  }
}

// Away from the last position, a report of exactly 0 kt after 50 kt is a glitch in a
// take-off roll or in the air.
TEST_F(SituationUpdates, AStandstillReportedRightAfterFiftyKnotsIsIgnoredInARollOrTheAir) {
  struct Case {
    bool roll, airborne;
    double lastKt, reportKt;
    bool taken;
  };
  const Case cases[] = {{true, false, 49.9, 0.0, true}, {true, false, 50.0, 0.0, false}, {true, false, 50.0, 0.1, true},
                        {false, true, 50.0, 0.0, false}, {false, true, 49.9, 0.0, true},  {false, false, 50.0, 0.0, true}};
  for (const Case& c : cases) {
    LiveAc& a = onGround(FlightState::taxi);
    a.takeOffRoll = c.roll ? 1 : 0;
    a.stream = {pos(0.0, false, 0), pos(100.0, false, 100)};
    a.stream.back().groundSpeed = c.lastKt;
    StreamPos r = pos(300.0, false, 200);
    r.groundSpeed = c.reportKt;
    r.airborne = c.airborne ? 1 : 0;
    EXPECT_EQ(lf_checkBirthPosition(a, r, engine), c.taken) << c.roll << c.airborne << " " << c.lastKt << " " << c.reportKt;
    engine.liveAcs.clear();
  }
}

// A report falls due after the last position, at least one cycle after it.
TEST_F(SituationUpdates, AReportFallsDueAtLeastOneCycleAfterTheLastPosition) {
  struct Case {
    FlightState state;
    std::int32_t reportDue, due;
  };
  const Case cases[] = {{FlightState::taxi, 900, 1001},  {FlightState::taxi, 1000, 1001},  {FlightState::taxi, 1002, 1002},
                        {FlightState::birth, 900, 1001}, {FlightState::birth, 1000, 1001}, {FlightState::birth, 1002, 1002}};
  for (const Case& c : cases) {
    LiveAc& a = onGround(c.state);
    a.stream = {pos(0.0, false, 500), pos(50.0, false, 1000)};
    decodeExisting(a, pos(100.0, false, c.reportDue), engine);
    ASSERT_EQ(a.stream.size(), 3u) << gf_flightStateName(c.state) << " " << c.reportDue;
    EXPECT_EQ(a.stream.back().dueTick, c.due) << gf_flightStateName(c.state) << " " << c.reportDue;
    engine.liveAcs.clear();
  }
}

// A report of a taxiing aircraft whose stream is being extended ends the extension: the
// front falls due at once, the windows open and a hold ends.
TEST_F(SituationUpdates, AReportEndsAnExtensionAndTheFrontFallsDueAtOnce) {
  for (const std::int32_t stepsLeft : {0, 3}) {
    LiveAc& a = onGround(FlightState::taxi);
    a.stepsLeft = stepsLeft;
    a.holding = 1;
    a.stream = {pos(0.0, false, 5000), pos(50.0, false, 5300)};
    engine.trafficTick = 100;
    decodeExisting(a, pos(100.0, false, 6000), engine);
    ASSERT_EQ(a.stream.size(), 3u) << stepsLeft;
    EXPECT_EQ(a.stepsLeft, 0) << stepsLeft;
    EXPECT_EQ(a.stream.front().dueTick, stepsLeft > 0 ? 101 : 5000) << stepsLeft;
    EXPECT_EQ(a.earlyWindow, stepsLeft > 0 ? 3000 : 1000) << stepsLeft;
    EXPECT_EQ(a.holding, stepsLeft > 0 ? 0 : 1) << stepsLeft;
    engine.liveAcs.clear();
  }
}

TEST_F(SituationUpdates, TwoStandingPositionsLeftMakeTheFrontDueAtOnce) {
  LiveAc& a = onGround(FlightState::taxi);
  a.stream = {pos(0.0, true, 5000)};
  a.stream[0].groundSpeed = 3.0;
  engine.trafficTick = 100;
  decodeExisting(a, pos(0.0, true, 6000), engine);
  ASSERT_EQ(a.stream.size(), 2u);
  EXPECT_EQ(a.stream[0].dueTick, 101);
  EXPECT_EQ(a.stream[0].groundSpeed, 0.0) << "the front takes the standing report's speed";
  // A moving front with a standing report after it keeps its time.
  LiveAc& b = onGround(FlightState::taxi);
  b.stream = {pos(0.0, false, 5000)};
  decodeExisting(b, pos(0.0, true, 6000), engine);
  ASSERT_EQ(b.stream.size(), 2u);
  EXPECT_EQ(b.stream[1].stationary, 1);
  EXPECT_EQ(b.stream[0].dueTick, 5000);
}

// A standing report to a standing aircraft cuts the stream to its front only when every
// position in it stands.
TEST_F(SituationUpdates, AStandingReportCutsTheStreamToItsFrontOnlyWhenEveryPositionStands) {
  for (const bool allStanding : {true, false}) {
    LiveAc& a = onGround(FlightState::taxi);
    a.stream = {pos(0.0, true, 0), pos(0.0, allStanding, 100), pos(0.0, true, 200)};
    decodeExisting(a, pos(0.0, true, 300), engine);
    EXPECT_EQ(a.stream.size(), allStanding ? 2u : 4u) << allStanding;
    engine.liveAcs.clear();
  }
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

// Moved at its stand soon after landing, an aircraft is being towed: within 60 min for a
// Heavy, 25 min for a Large, 15 min for a Buzjet; a Light one, or one that did not land
// here, never is.
TEST_F(SituationUpdates, TowingIsJudgedOnTheTimeParkedByCategory) {
  struct Case {
    AcCategory category;
    std::uint8_t landedHere;
    std::int32_t parkedFor;
    bool towed;
  };
  const Case cases[] = {{AcCategory::Heavy, 1, 359'999, true},  {AcCategory::Heavy, 1, 360'000, false},
                        {AcCategory::Large, 1, 149'999, true},  {AcCategory::Large, 1, 150'000, false},
                        {AcCategory::Buzjets, 1, 89'999, true}, {AcCategory::Buzjets, 1, 90'000, false},
                        {AcCategory::Light, 1, 1'000, false},   {AcCategory::Heavy, 0, 1'000, false}};
  engine.trafficTick = 1'000'000;
  for (const Case& c : cases) {
    LiveAc& a = onGround(FlightState::parked, c.category);
    a.prevFlightState = FlightState::taxi;
    a.landedHere = c.landedHere;
    a.stepsLeft = 1;
    a.stream.front().dueTick = 1'000'000 + 60'480'000 - c.parkedFor;
    StreamPos r = pos(10.0, false, 10);
    lf_reParkAtStand(a, r, engine);
    EXPECT_EQ(a.towed, c.towed ? 1 : 0) << gf_categoryName(c.category) << " " << int{c.landedHere} << " " << c.parkedFor;
    EXPECT_EQ(a.stream.front().dueTick, 1'000'001) << "the front falls due at once";
    engine.liveAcs.clear();
  }
  // Already moved at its stand before: nothing more than the mark.
  LiveAc& a = onGround(FlightState::parked, AcCategory::Heavy);
  a.prevFlightState = FlightState::parked;
  a.landedHere = 1;
  a.stepsLeft = 1;
  StreamPos r = pos(10.0, false, 10);
  lf_reParkAtStand(a, r, engine);
  EXPECT_EQ(a.movingAtStand, 1);
  EXPECT_EQ(a.stepsLeft, 1);
  EXPECT_EQ(a.landedHere, 1);
  EXPECT_EQ(a.towed, 0);
}

// A landing roll whose report and last position are both airborne is a go-around: a
// take-off roll from the taxi state, the state before the landing kept.
TEST_F(SituationUpdates, AGoAroundNeedsTheReportAndTheLastPositionAirborne) {
  for (const auto& [lastAirborne, reportAirborne] : {std::pair{true, true}, std::pair{false, true}, std::pair{true, false}}) {
    LiveAc& a = onGround(FlightState::taxi);
    a.prevFlightState = FlightState::flying;
    a.landingRoll = 1;
    a.heading = 0.0;
    a.stream = {pos(0.0, false, 0), pos(300.0, false, 100)};
    a.stream.back().airborne = lastAirborne ? 1 : 0;
    StreamPos r = pos(600.0, false, 200);
    r.airborne = reportAirborne ? 1 : 0;
    r.altitude = reportAirborne ? 100.0 : 0.0;
    decodeExisting(a, r, engine);
    const bool goAround = lastAirborne && reportAirborne;
    EXPECT_EQ(a.takeOffRoll, goAround ? 1 : 0) << lastAirborne << reportAirborne;
    EXPECT_EQ(a.flightState, FlightState::taxi);
    EXPECT_EQ(a.prevFlightState, FlightState::flying);
    engine.liveAcs.clear();
  }
}

// While pushing back in its first half, a report tells the side of the turn by its heading
// (or, without one, its track); STRAIGHT_PBS_ONLY and the second half take no side.
TEST_F(SituationUpdates, APushBackTakesTheSideOfItsTurnFromTheReportedHeading) {
  struct Case {
    bool headingValid;
    double trueHeading, track;
    bool straightOnly;
    std::int32_t phase;
    std::uint8_t known, right;
  };
  const Case cases[] = {{true, 0.1, 0.0, false, 2, 1, 1},        {true, g_twoPi - 0.1, 0.0, false, 2, 1, 0},
                        {false, 0.0, 10.0, false, 2, 1, 1},      {false, 0.0, 350.0, false, 2, 1, 0},
                        {false, 0.0, 0.0, false, 2, 0, 0},       {true, 0.1, 0.0, true, 2, 0, 0},
                        {true, 0.1, 0.0, false, 1, 0, 0}};
  for (const Case& c : cases) {
    LiveAc& a = onGround(FlightState::pushing_back);
    a.heading = 0.0;
    a.pushBackPhase = c.phase;
    g_settings.STRAIGHT_PBS_ONLY.value = c.straightOnly;
    StreamPos r = pos(-10.0, false, 100);
    r.trueHeadingValid = c.headingValid ? 1 : 0;
    r.trueHeading = c.trueHeading;
    r.track = c.track;
    EXPECT_FALSE(checkExtendingSituations(a, r, engine));
    EXPECT_EQ(a.pushBackTurnKnown, c.known) << c.headingValid << " " << c.trueHeading << " " << c.track;
    EXPECT_EQ(a.pushBackTurnRight, c.right) << c.headingValid << " " << c.trueHeading << " " << c.track;
    engine.liveAcs.clear();
  }
  g_settings.STRAIGHT_PBS_ONLY.value = false;
}

}  // namespace
}  // namespace vexo
