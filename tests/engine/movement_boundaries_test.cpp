// The movement's rules at their exact edges: the re-timing windows of a take-off roll,
// the climb near the ground, the turn that becomes a curve, the turn-off that ends a
// landing roll, the direction filter of a report during an extension, a record with one
// position, and a take-off whose later positions climb slowly.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "engine/situation_updates.h"
#include "engine_fixture.h"
#include "movement_fixture.h"

namespace vexo::test {
namespace {

namespace E = ClientEventId;

TEST_F(MovementTest, ARollsWindowsLetThePositionComeFiveThousandCyclesLateButOnlyThreeThousandEarly) {
  struct Case {
    bool takeOffRoll;
    std::int32_t wanted;  // cycles after the current due tick (negative: before)
    std::int32_t got;
  };
  const Case cases[] = {
      {true, 4999, 4999},   {true, 5001, 5000},   {true, -2999, -2999}, {true, -3001, -3000},
      {false, 3001, 3000},  {false, -3001, -3000},
  };
  for (const Case& c : cases) {
    aircraft().onGround = 1;
    a.takeOffRoll = c.takeOffRoll ? 1 : 0;
    a.stepsLeft = 0;
    const std::int32_t due = now() + 4000;
    a.stream = {at(0, 0, 100, now()), at(0, 1000, 120, due)};
    lf_openWindows(a);
    lf_setNextDue(a, due + c.wanted - now(), engine);
    EXPECT_EQ(a.stream[1].dueTick - due, c.got) << c.takeOffRoll << " " << c.wanted;
  }
}

TEST_F(MovementTest, NearTheGroundAnAircraftOutsideItsApproachNeverClimbsLessThanPointTwoFeetACycle) {
  struct Case {
    double aboveGround, nextClimbFt;
    double climbStep;  // per cycle, over the 1000 cycles to the next position
  };
  const Case cases[] = {{1000.0, 0.0, 0.2}, {1000.0, -100.0, 0.2}, {500.0, 150.0, 0.2},
                        {1000.5, 0.0, 0.0}, {1000.5, -100.0, -0.1}, {500.0, 300.0, 0.3}};
  for (const Case& c : cases) {
    aircraft(AcCategory::Large).flightState = FlightState::flying;
    a.altitude = 3000.0;
    a.aboveGround = c.aboveGround;
    a.stream = {at(0, 0, 200, now(), 3000.0), at(0, 10000, 200, now() + 1000, 3000.0 + c.nextClimbFt)};
    lf_airStep(a, engine);
    EXPECT_NEAR(a.climbStep, std::min(c.climbStep, a.maxClimbPerTick), 1e-12) << c.aboveGround << " " << c.nextClimbFt;
  }
}

TEST_F(MovementTest, ATurnAheadOfExactlyThreeDegreesMakesNoCurve) {
  aircraft().flightState = FlightState::taxi;
  a.onGround = 1;
  // Due north from the next position to the one after it (a bearing of exactly 0), so the
  // turn ahead is the heading itself, tuned to 3 degrees to the last bit.
  const StreamPos next = at(0, 200, 15, now() + 500);
  StreamPos third = at(0, 400, 15, now() + 1000);
  third.lon = next.lon;
  a.stream = {at(0, 0, 15, now()), next, third};
  a.heading = 3.0 * kDeg;
  for (int i = 0; i < 64 && std::abs(lf_turnAhead(a)) * g_radToDeg != 3.0; ++i)
    a.heading = std::nextafter(a.heading, std::abs(lf_turnAhead(a)) * g_radToDeg > 3.0 ? -10.0 : 10.0);
  ASSERT_EQ(std::abs(lf_turnAhead(a)) * g_radToDeg, 3.0);
  nextPosGround(a, engine);
  EXPECT_FALSE(gf_hasCurve(a.curve));
  EXPECT_EQ(a.stream.size(), 3u);
}

TEST_F(MovementTest, ALandingRollEndsAtFifteenDegreesOffTheTouchdownHeadingToTheLastBit) {
  struct Case {
    double heading, touchdownHeading;
    bool rolling;
  };
  const double off = 15.0 * kDeg;
  for (const Case c : {Case{std::nextafter(off, 0.0), 0.0, true}, Case{off, 0.0, false}, Case{0.0, off, false},
                       Case{0.0, std::nextafter(off, 0.0), true}}) {
    aircraft(AcCategory::Large).onGround = 1;
    a.flightState = FlightState::taxi;
    a.landingRoll = 1;
    a.touchdownHeading = c.touchdownHeading;
    a.heading = c.heading;
    a.stream = {at(0, 0, 95, now()), at(0, 500, 85, now() + 400)};
    lf_groundRollStep(a, engine);
    EXPECT_EQ(a.landingRoll != 0, c.rolling) << c.heading << " " << c.touchdownHeading;
  }
}

TEST_F(MovementTest, DuringAnExtensionInTheAirAReportBehindTheLastPositionIsDroppedNotOneBehindTheAircraft) {
  struct Case {
    double metresNorth;  // of the aircraft, which flies north; its last position lies 2000 m on
    bool taken;
  };
  for (const Case c : {Case{1000.0, false}, Case{3000.0, true}, Case{-500.0, false}}) {
    aircraft(AcCategory::Large).flightState = FlightState::flying;
    a.heading = 0.0;
    a.stepsLeft = 4;
    a.stream = {at(0, 0, 200, now(), 3000.0), at(0, 2000, 200, now() + 800, 3000.0)};
    StreamPos r = at(0, c.metresNorth, 200, now() + 3000, 3000.0);
    EXPECT_EQ(checkExtendingSituations(a, r, engine), c.taken) << c.metresNorth;
    EXPECT_EQ(a.stepsLeft, c.taken ? 0 : 4) << c.metresNorth;
  }
}

// The same filter at its edge: 100 degrees or more off the heading, seen from the last position.
TEST_F(MovementTest, DuringAnExtensionInTheAirAReport100DegreesOffTheHeadingIsDropped) {
  for (const auto& [offDeg, taken] : {std::pair{99.0, true}, std::pair{101.0, false}, std::pair{-99.0, true}, std::pair{-101.0, false}}) {
    aircraft(AcCategory::Large).flightState = FlightState::flying;
    a.heading = 0.0;
    a.stepsLeft = 4;
    a.stream = {at(180, 2000, 200, now(), 3000.0), at(0, 0, 200, now() + 800, 3000.0)};
    StreamPos r = at(offDeg, 3000, 200, now() + 3000, 3000.0);
    EXPECT_EQ(checkExtendingSituations(a, r, engine), taken) << offDeg;
  }
}

// On an approach or in the landing roll the aircraft flies north; positions and reports lie
// metres north of the base (negative: south). A report behind the last positions (90 deg or
// more off the heading) drops them, two at most and the second only from three; with one
// position left a report 90 deg off is ignored on the approach, and one 150 deg off in the
// roll puts the aircraft's own place in the front.
TEST_F(MovementTest, DuringALandingAReportBehindTheLastPositionsDropsThem) {
  struct Case {
    const char* what;
    std::uint8_t approach;
    std::vector<double> stream;  // metres north
    double reportBearing, reportMetres;
    std::int32_t stepsLeft;
    bool taken;
    std::size_t sizeAfter;
    bool stationary = false;
  };
  const Case cases[] = {
      {"behind the last of two", 1, {0, 1000}, 0, 500, 0, true, 1},
      {"behind both of two", 1, {800, 1000}, 0, 500, 0, true, 1},
      {"behind the last two of three", 1, {0, 1000, 2000}, 0, 500, 0, true, 1},
      {"on the front once the last is dropped", 1, {500, 1000}, 0, 500, 0, true, 1, true},
      {"89 deg off one on approach", 1, {0}, 89, 3000, 0, true, 1},
      {"91 deg off one on approach", 1, {0}, 91, 3000, 0, false, 1},
      {"149 deg off one in the roll", 0, {0}, 149, 3000, 0, true, 1},
      {"151 deg off one in the roll", 0, {0}, 151, 3000, 0, true, 1},
      {"151 deg off one in an extended roll", 0, {0}, 151, 3000, 2, false, 1},
      {"ahead during an extension", 1, {0, 1000}, 0, 3000, 3, true, 2}};
  for (const Case& c : cases) {
    aircraft(AcCategory::Large).onGround = c.approach != 0 ? 0 : 1;
    a.flightState = c.approach != 0 ? FlightState::flying : FlightState::taxi;
    a.approach = c.approach;
    a.landingRoll = c.approach != 0 ? 0 : 1;
    a.heading = 0.0;
    a.stepsLeft = c.stepsLeft;
    a.lat = at(0, 100, 0, 0).lat;  // the aircraft itself 100 m on from the front's place
    a.stream.clear();
    for (std::size_t i = 0; i < c.stream.size(); ++i)
      a.stream.push_back(at(0, c.stream[i], 140, now() + 400 * static_cast<std::int32_t>(i) + 500, 500.0));
    StreamPos r = at(c.reportBearing, c.reportMetres, 140, now() + 5000, 400.0);
    EXPECT_EQ(checkNewPosDuringLanding(a, r, engine), c.taken) << c.what;
    EXPECT_EQ(a.stream.size(), c.sizeAfter) << c.what;
    EXPECT_EQ(r.stationary, c.stationary ? 1 : 0) << c.what;
    EXPECT_EQ(a.stepsLeft, c.taken ? 0 : c.stepsLeft) << c.what;
    if (c.stepsLeft > 0 && c.taken) {
      EXPECT_EQ(a.earlyWindow, 3000) << c.what;
    }
    const bool replaced = c.approach == 0 && c.reportBearing > 150.0 && c.stepsLeft == 0;
    EXPECT_EQ(a.stream.front().lat, replaced ? a.lat : at(0, c.stream[0], 0, 0).lat) << c.what;
    EXPECT_EQ(a.stream.front().dueTick, replaced ? now() + 1 : now() + 500) << c.what;
  }
  // A report on the last position is ignored.
  aircraft(AcCategory::Large).approach = 1;
  a.stream = {at(0, 0, 140, now(), 500.0), at(0, 1000, 140, now() + 400, 500.0)};
  StreamPos same = a.stream.back();
  EXPECT_FALSE(checkNewPosDuringLanding(a, same, engine));
  EXPECT_EQ(a.stream.size(), 2u);
}

// A report faster than the last position and than 40 kt is slowed to the last one's speed.
TEST_F(MovementTest, DuringALandingAReportFasterThanTheLastAndThan40KnotsIsSlowedToIt) {
  struct Case {
    double lastKt, reportKt, taken;
  };
  for (const Case c : {Case{30.0, 45.0, 30.0}, Case{30.0, 40.0, 40.0}, Case{50.0, 45.0, 45.0}}) {
    aircraft(AcCategory::Large).onGround = 1;
    a.flightState = FlightState::taxi;
    a.landingRoll = 1;
    a.heading = 0.0;
    a.stream = {at(0, 0, 60, now()), at(0, 500, c.lastKt, now() + 400)};
    StreamPos r = at(0, 1000, c.reportKt, now() + 800);
    ASSERT_TRUE(checkNewPosDuringLanding(a, r, engine));
    EXPECT_EQ(r.groundSpeed, c.taken) << c.lastKt << " " << c.reportKt;
  }
}

// Moved at its stand: reports going out 3 m or more beyond the farthest one count as steps;
// three steps and half a half span out, or more than a half span at once, mean the aircraft
// moves at its stand. A report 3 m or more back in starts the count again.
TEST_F(MovementTest, AParkedAircraftMovesAtItsStandAfterThreeStepsOutOrMoreThanAHalfSpan) {
  struct Case {
    const char* what;
    std::vector<double> metres;  // north of the stand, one report each
    double halfSpanOfMoved;      // the half span in units of how far the last report moved
    bool moving;
  };
  const Case cases[] = {{"three steps to half a half span", {10, 14, 18, 22}, 2.0, true},
                        {"two steps to half a half span", {10, 16, 22}, 2.0, false},
                        {"three steps short of half a half span", {10, 14, 18, 22}, 2.000001, false},
                        {"one step beyond a half span", {10, 22}, 0.999999, true},
                        {"one step to a half span", {10, 22}, 1.0, false},
                        {"two steps, back in, one step", {10, 14, 18, 13, 22}, 2.0, false}};
  for (const Case& c : cases) {
    aircraft(AcCategory::Large).onGround = 1;
    a.flightState = FlightState::parked;
    a.prevFlightState = FlightState::taxi;
    a.standLat = kBase.lat;
    a.standLon = kBase.lon;
    a.stream = {at(0, 0, 0, now())};
    const auto report = [&](double metres) { return at(0, metres, 0, now() + 100); };
    const auto nmOut = [&](double metres) {
      const StreamPos r = report(metres);
      return gf_greatCircleNm({r.lat, r.lon}, kBase);
    };
    a.halfSpan = (nmOut(c.metres.back()) - nmOut(c.metres.front())) * c.halfSpanOfMoved;
    bool taken = false;
    for (const double m : c.metres) {
      StreamPos r = report(m);
      taken = checkExtendingSituations(a, r, engine);
      if (m != c.metres.back()) {
        ASSERT_FALSE(taken) << c.what << " at " << m;
      }
    }
    EXPECT_EQ(taken, c.moving) << c.what;
    EXPECT_EQ(a.movingAtStand, c.moving ? 1 : 0) << c.what;
  }
  // Back in by exactly 3 m also starts the count again: near the equator, where the
  // latitudes are fine enough, a report at the farthest distance less 3 m to the last bit.
  aircraft(AcCategory::Large).onGround = 1;
  a.flightState = FlightState::parked;
  a.prevFlightState = FlightState::taxi;
  a.standLat = 0.0;
  a.standLon = 0.0;
  a.stream = {at(0, 0, 0, now())};
  const auto out = [](double lat) { return gf_greatCircleNm({lat, 0.0}, {0.0, 0.0}); };
  const auto north = [](double metres) { return metres / 1852.0 / 60.0; };
  double back = north(15.0);
  while (out(back) > out(north(18.0)) - 0.0016198704103671706) back = std::nextafter(back, 0.0);
  while (out(std::nextafter(back, 1.0)) <= out(north(18.0)) - 0.0016198704103671706) back = std::nextafter(back, 1.0);
  ASSERT_EQ(out(back), out(north(18.0)) - 0.0016198704103671706);
  a.halfSpan = (out(north(22.0)) - out(north(10.0))) * 2.0;
  bool taken = false;
  for (const double lat : {north(10.0), north(14.0), north(18.0), back, north(22.0)}) {
    StreamPos r = at(0, 0, 0, now() + 100);
    r.lat = lat;
    r.lon = 0.0;
    taken = checkExtendingSituations(a, r, engine);
  }
  EXPECT_FALSE(taken);
  EXPECT_EQ(a.standDistanceSteps, 1);
}

TEST_F(MovementTest, ATakeOffRollLiftsOffWhenALaterPositionClimbsSlowlyOnlyWithEveryOneAirborneAndFast) {
  struct Case {
    double thirdKt;
    double thirdAltitude;
    bool takesOff;
  };
  // A Large aircraft lifts off at 140 kt; the third position climbs at 200 ft/min only.
  for (const Case c : {Case{150.0, 200.0, true}, Case{139.0, 200.0, false}, Case{150.0, 0.0, false}}) {
    aircraft(AcCategory::Large).onGround = 1;
    a.flightState = FlightState::taxi;
    a.takeOffRoll = 1;
    a.stream = {at(0, 0, 120, now()), at(0, 800, 145, now() + 400, 50.0), at(0, 2000, c.thirdKt, now() + 800, c.thirdAltitude)};
    a.stream[1].verticalRate = 1500.0;
    a.stream[2].verticalRate = 200.0;
    lf_groundRollStep(a, engine);
    EXPECT_EQ(a.flightState, c.takesOff ? FlightState::take_off : FlightState::taxi) << c.thirdKt << " " << c.thirdAltitude;
    if (c.takesOff) {
      EXPECT_EQ(a.climbStep, a.maxClimbPerTick);
    }
  }
}

// Positions that all fly 300 ft or more above the rolling aircraft lift it off whatever
// their speed and vertical rate (stale reports keep both low); one lower keeps it rolling.
TEST_F(MovementTest, ATakeOffRollLiftsOffUnderPositionsFlyingWellAboveItWhateverTheirSpeed) {
  struct Case {
    double frontKt;
    double nextAltitude;
    bool takesOff;
  };
  for (const Case c : {Case{43.0, 2489.0, true}, Case{43.0, 2488.9, false}, Case{20.0, 2489.0, true}}) {
    aircraft(AcCategory::Large).onGround = 1;
    a.altitude = 2189.0;  // on a field 2181 ft high
    a.flightState = FlightState::taxi;
    a.takeOffRoll = 1;
    a.stream = {at(0, 0, c.frontKt, now()), at(0, 800, 43, now() + 400, c.nextAltitude),
                at(0, 2000, 43, now() + 800, 2800.0)};
    lf_groundRollStep(a, engine);
    EXPECT_EQ(a.flightState, c.takesOff ? FlightState::take_off : FlightState::taxi)
        << c.frontKt << " " << c.nextAltitude;
    if (c.takesOff) {
      EXPECT_EQ(a.climbStep, a.maxClimbPerTick);
    }
  }
}

TEST_F(MovementTest, ALegIsMeasuredOnceAndAgainWhenItsEndsChange) {
  aircraft();
  a.stream = {at(0, 0, 200, now(), 3000.0), at(30, 5000, 200, now() + 800, 3000.0), at(60, 9000, 200, now() + 1600, 3000.0)};
  const auto fresh = [](const StreamPos& f, const StreamPos& t) { return gf_greatCircleLeg({f.lat, f.lon}, {t.lat, t.lon}); };
  for (int round = 0; round < 3; ++round) {
    for (const auto& [i, j] : {std::pair{0u, 1u}, std::pair{1u, 2u}, std::pair{0u, 2u}}) {
      const MeasuredLeg& leg = gf_measureLeg(a, a.stream[i], a.stream[j]);
      EXPECT_EQ(leg.bearing, fresh(a.stream[i], a.stream[j]).bearing) << round << " " << i << j;
      EXPECT_EQ(leg.nm, fresh(a.stream[i], a.stream[j]).nm) << round << " " << i << j;
    }
    // The next position moves (a midpoint, a curve, a re-timed stream): its legs are new.
    lf_insertMidpoint(a);
    a.stream.erase(a.stream.begin() + 2);
  }
}

// Bearing and length asked for apart, in any order and across more legs than are kept,
// are always the values of the leg's own ends: a kept leg or latitude never stands in for
// another.
TEST_F(MovementTest, ALegsBearingAndLengthAskedForApartAreAlwaysThoseOfItsOwnEnds) {
  aircraft();
  a.stream = {at(0, 0, 200, now(), 3000.0), at(30, 5000, 200, now() + 800, 3000.0), at(-60, 9000, 200, now() + 1600, 3000.0),
              at(45, 14000, 200, now() + 2400, 3000.0)};
  // A position on the latitude of another.
  a.stream.push_back(a.stream[1]);
  a.stream.back().lon += 0.01;
  const auto fresh = [](const StreamPos& f, const StreamPos& t) { return gf_greatCircleLeg({f.lat, f.lon}, {t.lat, t.lon}); };
  const auto bits = [](double x) { return std::bit_cast<std::uint64_t>(x); };
  std::mt19937 random(3);
  for (int k = 0; k < 400; ++k) {
    const std::size_t i = random() % a.stream.size();
    const std::size_t j = random() % a.stream.size();
    const StreamPos& f = a.stream[i];
    const StreamPos& t = a.stream[j];
    if (random() % 2 == 0) {
      ASSERT_EQ(bits(gf_legBearing(a, f, t)), bits(fresh(f, t).bearing)) << k << " " << i << j;
    } else {
      ASSERT_EQ(bits(gf_legNm(a, f, t)), bits(fresh(f, t).nm)) << k << " " << i << j;
    }
  }
}

// The differences of headings and the headings themselves are the remainders by a full
// turn to the last bit, the sign of a zero included, at the edges (a half turn, a full
// turn, one and a half) and beyond.
TEST(HeadingArithmetic, AngleDifferencesAndHeadingsAreTheRemaindersByAFullTurnToTheLastBit) {
  const auto remainderDiff = [](double x) {
    double r = std::remainder(x, g_twoPi);
    if (r <= -g_pi) r += g_twoPi;
    return r;
  };
  const auto fmodHeading = [](double x) {
    double h = std::fmod(x, g_twoPi);
    if (h < 0.0) h += g_twoPi;
    return h >= 6.283185307178586 ? 0.0 : h;
  };
  std::vector<double> angles{0.0, -0.0, 1e-300, -1e-300, 1e300, -1e300};
  for (const double edge : {g_pi, g_twoPi, 3.0 * g_pi, 2.5 * g_pi, 2.0 * g_twoPi, 6.283185307178586}) {
    for (const double sign : {1.0, -1.0}) {
      double below = sign * edge;
      double above = sign * edge;
      angles.push_back(below);
      for (int k = 0; k < 64; ++k) {
        below = std::nextafter(below, 0.0);
        above = std::nextafter(above, sign * 1e9);
        angles.push_back(below);
        angles.push_back(above);
      }
    }
  }
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> turns(-40.0, 40.0);
  for (int i = 0; i < 200000; ++i) angles.push_back(turns(random) * (i % 2 == 0 ? 1.0 : 0.1));
  const auto bits = [](double x) { return std::bit_cast<std::uint64_t>(x); };
  for (const double x : angles) {
    ASSERT_EQ(bits(gf_angleDiff(x)), bits(remainderDiff(x))) << std::hexfloat << x;
    ASSERT_EQ(bits(gf_heading0To2Pi(x)), bits(fmodHeading(x))) << std::hexfloat << x;
  }
  EXPECT_TRUE(std::isnan(gf_angleDiff(std::numeric_limits<double>::infinity())));
  EXPECT_TRUE(std::isnan(gf_angleDiff(std::numeric_limits<double>::quiet_NaN())));
}

TEST_F(EngineTest, ARecordWithOnePositionDueIsDroppedWithIt) {
  handOver(dueNow(report(20001, "DLH1", 1000.0)));
  cycles(3);
  EXPECT_EQ(find(20001), nullptr);
  EXPECT_TRUE(sim.creations.empty());
  // Two positions are spawned.
  handOver(dueNow(report(20002, "DLH2", 1000.0)));
  handOver(dueNow(report(20002, "DLH2", 1010.0, 34.01)));
  cycles(3);
  ASSERT_NE(find(20002), nullptr);
  EXPECT_NE(find(20002)->simState, SimState::buffer);
}

}  // namespace
}  // namespace vexo::test
