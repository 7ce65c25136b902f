#include <algorithm>
#include <bit>
#include <cmath>
#include <stdexcept>
#include <string>

#include <fmt/format.h>

#include "engine/aircraft_texts.h"
#include "movement_fixture.h"

namespace vexo::test {
namespace {

namespace E = ClientEventId;

double metresBetween(const StreamPos& p, LatLon q) { return gf_greatCircleNm({p.lat, p.lon}, q) * 1852.0; }

// The position after the next: metres on from it toward the bearing, due then.
StreamPos turnedOn(const StreamPos& next, double bearingDeg, double metres, std::int32_t due) {
  const LatLon after = gf_destinationPoint({next.lat, next.lon}, bearingDeg * kDeg, metres / 1852.0 * g_feetPerNm);
  StreamPos third = next;
  third.lat = after.lat;
  third.lon = after.lon;
  third.dueTick = due;
  return third;
}

double offDegOf(double bearing) { return std::abs(gf_angleDiff(bearing)) * g_radToDeg; }

// A bearing whose difference to a heading of 0 is offDeg in degrees to the last bit, where
// one lies within a few bits.
double bearingOff(double offDeg) {
  double bearing = gf_heading0To2Pi(offDeg * kDeg);
  for (int i = 0; i < 8 && offDegOf(bearing) != std::abs(offDeg); ++i) {
    const bool tooFar = offDegOf(bearing) > std::abs(offDeg);
    bearing = std::nextafter(bearing, tooFar == (offDeg > 0.0) ? 0.0 : 10.0);
  }
  return bearing;
}

TEST_F(MovementTest, ATurnAheadOfMoreThanThreeAndUpTo160DegreesBecomesACurve) {
  struct Case {
    double turnDeg;
    bool curve;
  };
  // 3 deg less a rounding: the bearings on the sphere come out a hair above 3.
  for (const Case c : {Case{2.999999, false}, Case{3.1, true}, Case{160.0, true}, Case{170.0, false}}) {
    aircraft().flightState = FlightState::taxi;
    a.onGround = 1;
    a.heading = 0.0;
    // 200 m north, then 200 m on toward the turned heading; all at 15 kt (not a long slow leg).
    const StreamPos next = at(0, 200, 15, now() + 500);
    const StreamPos third = turnedOn(next, c.turnDeg, 200.0, now() + 1000);
    a.stream = {at(0, 0, 15, now()), next, third};
    nextPosGround(a, engine);
    EXPECT_EQ(gf_hasCurve(a.curve), c.curve) << c.turnDeg;
    EXPECT_EQ(a.stream.size(), c.curve ? 2u : 3u) << c.turnDeg;
    if (c.curve) {
      EXPECT_NEAR(a.curveTurnAngle, c.turnDeg, 1e-3);
    }
  }
}

// The cosine of the curve's origin latitude is kept for the cycles on the curve: every
// point is still the curve's own, to the bit, also when the curve moves to another origin
// (a new curve, or one set from outside).
TEST_F(MovementTest, EveryCycleOnACurveGivesTheCurvesOwnPoint) {
  aircraft().flightState = FlightState::taxi;
  a.onGround = 1;
  a.heading = 0.0;
  const StreamPos next = at(0, 200, 15, now() + 500);
  const StreamPos third = turnedOn(next, 60.0, 200.0, now() + 1000);
  a.stream = {at(0, 0, 15, now()), next, third};
  nextPosGround(a, engine);
  ASSERT_TRUE(gf_hasCurve(a.curve));
  a.curveParamStep = 0.01;
  const auto expectOnCurve = [this](const char* what) {
    for (int cycle = 0; cycle < 5; ++cycle) {
      const double t = std::clamp(a.curveParam + a.curveParamStep, 0.0, 0.999999);
      const auto p = gf_bezierPoint(a.curve, t);
      ASSERT_TRUE(p.has_value()) << what;
      lf_flyCurve(a, engine);
      EXPECT_EQ(std::bit_cast<std::uint64_t>(a.lat), std::bit_cast<std::uint64_t>(p->position.lat)) << what << cycle;
      EXPECT_EQ(std::bit_cast<std::uint64_t>(a.lon), std::bit_cast<std::uint64_t>(p->position.lon)) << what << cycle;
    }
  };
  expectOnCurve("set up by the ground step ");
  a.curve[curveOriginLat] = 61.5;  // far enough north for a stale cosine to show in the longitude
  expectOnCurve("moved north ");
}

TEST_F(MovementTest, MidpointsSplitSpeedChangesAndLongSlowLegsBeforeASharpTurn) {
  struct Case {
    double frontKt, nextKt, metres;
    bool split;
  };
  for (const Case c : {Case{10, 15, 200, false}, Case{10, 15.1, 200, true}, Case{10, 15.1, 99, false}, Case{0, 0, 200, false}}) {
    aircraft().onGround = 1;
    a.flightState = FlightState::taxi;
    a.stepsLeft = 0;
    a.stream = {at(0, 0, c.frontKt, now()), at(0, c.metres, c.nextKt, now() + 1001)};
    lf_splitOnSpeedChange(a);
    ASSERT_EQ(a.stream.size(), c.split ? 3u : 2u) << c.nextKt << " over " << c.metres;
    if (!c.split) continue;
    EXPECT_NEAR(a.stream[1].groundSpeed, (c.frontKt + c.nextKt) / 2.0, 1e-12);
    EXPECT_EQ(a.stream[1].dueTick, now() + 501);  // round(1001 / 2) after the front
    EXPECT_NEAR(metresBetween(a.stream[1], gf_destinationPoint(kBase, 0.0, c.metres / 2.0 / 1852.0 * g_feetPerNm)), 0.0, 0.01);
  }
  // A 90 deg turn after a slow leg of 51 m and 600 cycles starts halfway.
  aircraft().onGround = 1;
  a.flightState = FlightState::taxi;
  const StreamPos next = at(0, 51, 10, now() + 600);
  StreamPos third = next;
  const LatLon after = gf_destinationPoint({next.lat, next.lon}, 90.0 * kDeg, 100.0 / 1852.0 * g_feetPerNm);
  third.lat = after.lat;
  third.lon = after.lon;
  a.stream = {at(0, 0, 10, now()), next, third};
  nextPosGround(a, engine);
  EXPECT_FALSE(gf_hasCurve(a.curve));
  EXPECT_EQ(a.stream.size(), 4u);
}

TEST_F(MovementTest, TurningInPlaceSlowsTheTurnRateOverTheLeg) {
  // A Large aircraft turning 90 deg without a curve counts 737 steps of its turn rate.
  aircraft(AcCategory::Large).onGround = 1;
  a.flightState = FlightState::taxi;
  a.heading = 90.0 * kDeg;
  a.stream = {at(0, 0, 10, now()), at(0, 100, 10, now() + 2000)};
  a.bearingToNext = 0.0;
  nextPosGround(a, engine);
  ASSERT_EQ(a.turnInPlace, 1);
  const double travel = std::round(100.0 / 1852.0 * 360000.0 / 10.0);  // 1944 cycles
  EXPECT_NEAR(a.currentTurnRate, a.turnRate * (travel / 737.0), 1e-15);
  EXPECT_EQ(a.stream[1].dueTick, now() + static_cast<std::int32_t>(travel));
  EXPECT_EQ(a.earlyWindow, 2000);
}

// Without a curve the aircraft turns in place toward the next position only when it faces
// more than 3 degrees off it.
TEST_F(MovementTest, AnAircraftTurnsInPlaceOnlyMoreThanThreeDegreesOffTheNextPosition) {
  struct Case {
    double offDeg;
    bool turns;
  };
  for (const Case c : {Case{2.9, false}, Case{3.0, false}, Case{3.1, true}, Case{-3.1, true}}) {
    aircraft(AcCategory::Large).onGround = 1;
    a.flightState = FlightState::taxi;
    a.heading = 0.0;
    a.stream = {at(0, 0, 10, now()), at(0, 100, 10, now() + 2000)};
    a.bearingToNext = bearingOff(c.offDeg);
    if (c.offDeg == 3.0) {
      ASSERT_EQ(offDegOf(a.bearingToNext), 3.0);
    }
    nextPosGround(a, engine);
    EXPECT_FALSE(gf_hasCurve(a.curve));
    EXPECT_NEAR(a.turnInPlaceAngle, std::abs(c.offDeg), 1e-12) << c.offDeg;
    EXPECT_EQ(a.turnInPlace, c.turns ? 1 : 0) << c.offDeg;
    // A turn in place slows the turn rate over the leg; a straight leg keeps it.
    EXPECT_EQ(a.currentTurnRate != a.turnRate, c.turns) << c.offDeg;
  }
}

// The turn rate of a turn in place spreads the turn over the leg: up to 45 degrees slowed
// to at most a tenth of the angle per step and 30 m over the leg, beyond that sped up by
// the steps per turn but at most by min(angle, 90) / 30.
TEST_F(MovementTest, TheTurnRateOfATurnInPlaceFollowsTheAngleAndTheLeg) {
  struct Case {
    double offDeg, metres, kt;
  };
  // 20.16 deg are 165 steps of a Large aircraft's turn rate; 10.186 m at 10 kt are 198
  // cycles: r is 1.2 exactly.
  for (const Case c : {Case{40.0, 20.0, 2.0}, Case{20.16, 10.186, 10.0}, Case{45.0, 100.0, 10.0}, Case{46.0, 100.0, 10.0},
                       Case{120.0, 100.0, 1.0}}) {
    aircraft(AcCategory::Large).onGround = 1;
    a.flightState = FlightState::taxi;
    a.heading = 0.0;
    const StreamPos next = at(0, c.metres, c.kt, now() + 100000);
    a.stream = {at(0, 0, c.kt, now()), next};
    a.stepsLeft = 1;  // re-timed freely, whatever the windows
    a.bearingToNext = bearingOff(c.offDeg);
    if (c.offDeg == 45.0) {
      ASSERT_EQ(offDegOf(a.bearingToNext), 45.0);
    }
    nextPosGround(a, engine);
    ASSERT_EQ(a.turnInPlace, 1) << c.offDeg;
    const double nm = gf_greatCircleNm(kBase, {next.lat, next.lon});
    const double travel = std::max(std::round(nm * 360000.0 / c.kt), 25.0);
    const double steps = std::max(std::round(c.offDeg / a.turnRate / 100.0), 1.0);
    double r = travel / steps;
    double rate = a.turnRate;
    if (c.offDeg == 20.16) {
      ASSERT_EQ(r, 1.2);
    }
    if (offDegOf(a.bearingToNext) <= 45.0) {
      ASSERT_GE(r, 1.2) << c.offDeg;
      r = std::min({r, r * 10.0 / c.offDeg, r * 30.0 * 0.0005399568034557236 / nm});
      rate /= r;
    } else {
      rate *= std::min(r, std::min(c.offDeg, 90.0) / 30.0);
    }
    EXPECT_NEAR(a.currentTurnRate, rate, 1e-15) << c.offDeg;
    EXPECT_EQ(a.stream[1].dueTick, now() + static_cast<std::int32_t>(travel)) << c.offDeg;
    EXPECT_EQ(a.earlyWindow, c.offDeg >= 90.0 ? 2000 : 1000) << c.offDeg;
  }
}

// Throttle in a take-off roll, by the front's speed g0 and the next's g1.
TEST_F(MovementTest, ATakeOffRollsThrottleStepsUpWithTheSpeedOfEitherEnd) {
  struct Case {
    double g0, g1;
    std::uint32_t throttle;
  };
  const Case cases[] = {{25.0, 0.0, 4},  {24.9, 30.0, 4}, {24.9, 29.9, 2}, {20.0, 0.0, 2},  {19.9, 25.0, 2},
                        {19.9, 24.9, 1}, {15.0, 0.0, 1},  {14.9, 20.0, 1}, {14.9, 19.9, 0}};
  for (const Case& c : cases) {
    aircraft(AcCategory::Large).onGround = 1;
    a.flightState = FlightState::taxi;
    a.takeOffRoll = 1;
    a.throttleIndex = 9;
    a.stream = {at(0, 0, c.g0, now()), at(0, 100, c.g1, now() + 400)};
    lf_groundRollStep(a, engine);
    EXPECT_EQ(a.throttleIndex, c.throttle) << c.g0 << " " << c.g1;
  }
}

// The windows shrink toward a moving next position outside the rolls; the speed sent is
// the next position's, backwards while pushing back.
TEST_F(MovementTest, TheGroundStepShrinksTheWindowsOutsideTheRollsAndReversesThePushBackSpeed) {
  struct Case {
    FlightState state;
    std::uint8_t takeOffRoll, landingRoll;
    std::int32_t early;
    double speed;
  };
  const Case cases[] = {{FlightState::taxi, 0, 0, 2900, 12.0},
                        {FlightState::taxi, 1, 0, 3000, 12.0},
                        {FlightState::taxi, 0, 1, 3000, 12.0},
                        {FlightState::pushing_back, 0, 0, 2900, -12.0}};
  for (const Case& c : cases) {
    aircraft(AcCategory::Large).onGround = 1;
    a.flightState = c.state;
    a.takeOffRoll = c.takeOffRoll;
    a.landingRoll = c.landingRoll;
    a.earlyWindow = 3000;
    a.stream = {at(0, 0, 10, now()), at(0, 100, 12, now() + 400)};
    lf_groundRollStep(a, engine);
    EXPECT_EQ(a.earlyWindow, c.early) << gf_flightStateName(c.state) << int{c.takeOffRoll} << int{c.landingRoll};
    EXPECT_EQ(a.reportedSpeed, c.speed) << gf_flightStateName(c.state);
  }
}

// A sharp turn after a long slow leg (over 50 m, at 43 kt or less, 600 cycles or more)
// starts halfway; a gentler turn, a shorter or faster leg gets its curve at once.
TEST_F(MovementTest, OnlyATurnOfMoreThan45DegreesAfterALongSlowLegStartsHalfway) {
  struct Case {
    double turnDeg, legMetres, frontKt;
    bool midpoint;
  };
  const Case cases[] = {{90.0, 51.0, 43.0, true}, {90.0, 51.0, 43.1, false}, {90.0, 49.0, 10.0, false},
                        {46.0, 51.0, 10.0, true}, {44.0, 51.0, 10.0, false}};
  for (const Case& c : cases) {
    aircraft().onGround = 1;
    a.flightState = FlightState::taxi;
    a.heading = 0.0;
    const StreamPos next = at(0, c.legMetres, c.frontKt, now() + 600);
    const StreamPos third = turnedOn(next, c.turnDeg, 100.0, now() + 1200);
    a.stream = {at(0, 0, c.frontKt, now()), next, third};
    nextPosGround(a, engine);
    EXPECT_EQ(gf_hasCurve(a.curve), !c.midpoint) << c.turnDeg << " " << c.legMetres << " " << c.frontKt;
    EXPECT_EQ(a.stream.size(), c.midpoint ? 4u : 2u) << c.turnDeg << " " << c.legMetres << " " << c.frontKt;
  }
}

// Without a turn to shape, a change of speed splits the leg: with only two positions left
// unless an extension runs, and always before a standing position.
TEST_F(MovementTest, ASpeedChangeSplitsTheLegUnlessTheStreamIsBeingExtended) {
  struct Case {
    bool thirdStanding;
    std::int32_t stepsLeft;
    bool split;
  };
  for (const Case c : {Case{false, 0, true}, Case{false, 1, false}, Case{true, 1, true}}) {
    aircraft().onGround = 1;
    a.flightState = FlightState::taxi;
    a.stepsLeft = c.stepsLeft;
    a.stream = {at(0, 0, 10, now()), at(0, 200, 20, now() + 1000)};
    if (c.thirdStanding) {
      a.stream.push_back(a.stream[1]);
      a.stream[2].stationary = 1;
      a.stream[2].dueTick = now() + 1500;
    }
    const std::size_t before = a.stream.size();
    nextPosGround(a, engine);
    EXPECT_EQ(a.stream.size(), before + (c.split ? 1 : 0)) << c.thirdStanding << " " << c.stepsLeft;
  }
}

TEST_F(MovementTest, TheTakeOffStartsAt43KnotsWithEveryLaterPositionClimbingAndAirborne) {
  for (const double kt : {42.0, 43.0}) {
    aircraft(AcCategory::Large).onGround = 1;
    a.flightState = FlightState::taxi;
    a.takeOffRoll = 1;
    a.stream = {at(0, 0, kt, now()), at(0, 800, 150, now() + 400, 0.05), at(0, 2000, 160, now() + 800, 200.0)};
    a.stream[1].verticalRate = a.stream[2].verticalRate = 300.0;
    lf_groundRollStep(a, engine);
    EXPECT_EQ(a.flightState, kt < 43.0 ? FlightState::taxi : FlightState::take_off) << kt;
    EXPECT_EQ(event(E::THROTTLE_SET), 16383u) << kt;  // full power from 25 kt
  }
  EXPECT_NEAR(a.climbStep, 0.1 / 400.0, 1e-15);  // at least 0.1 ft over the cycles to the next
  EXPECT_EQ(a.phaseCounter, 200);
}

// The take-off begins at 43 kt when all later positions climb faster than 256 ft/min, with
// the most climb per cycle while one of them is still on the ground; a later position at
// 256 ft/min or less needs every one airborne and above the lift-off speed.
TEST_F(MovementTest, ATakeOffWithALaterPositionOnTheGroundClimbsAtTheMostPerCycle) {
  struct Case {
    double thirdRate;
    bool takesOff;
  };
  for (const Case c : {Case{300.0, true}, Case{256.1, true}, Case{256.0, false}}) {
    aircraft(AcCategory::Large).onGround = 1;
    a.flightState = FlightState::taxi;
    a.takeOffRoll = 1;
    a.stream = {at(0, 0, 120, now()), at(0, 800, 150, now() + 400, 50.0), at(0, 2000, 160, now() + 800, 0.0)};
    a.stream[1].verticalRate = 1500.0;
    a.stream[2].verticalRate = c.thirdRate;
    lf_groundRollStep(a, engine);
    EXPECT_EQ(a.flightState, c.takesOff ? FlightState::take_off : FlightState::taxi) << c.thirdRate;
    if (c.takesOff) {
      EXPECT_EQ(a.climbStep, a.maxClimbPerTick) << c.thirdRate;
    }
  }
}

// Between moving positions on the ground the aircraft sits at its static pitch, level,
// except while it rotates (take_off) or flares; an aircraft that was flying or parked taxies.
TEST_F(MovementTest, TheGroundStepLevelsTheAircraftOutsideTheRotationAndTheFlare) {
  struct Case {
    FlightState state;
    std::uint32_t flarePhase;
    bool levelled;
    FlightState after;
  };
  const Case cases[] = {{FlightState::taxi, 0, true, FlightState::taxi},
                        {FlightState::flying, 0, true, FlightState::taxi},
                        {FlightState::parked, 0, true, FlightState::taxi},
                        {FlightState::take_off, 0, false, FlightState::take_off},
                        {FlightState::taxi, 2, false, FlightState::taxi}};
  for (const Case& c : cases) {
    aircraft(AcCategory::Large).onGround = 1;
    a.flightState = c.state;
    a.prevFlightState = FlightState::birth;
    a.flarePhase = c.flarePhase;
    a.staticPitch = 0.7 * kDeg;
    a.pitch = -5.0 * kDeg;
    a.bank = 2.0 * kDeg;
    a.stream = {at(0, 0, 10, now()), at(0, 100, 12, now() + 400)};
    lf_groundRollStep(a, engine);
    const std::string what = fmt::format("{} flare {}", gf_flightStateName(c.state), c.flarePhase);
    EXPECT_EQ(a.pitch, c.levelled ? a.staticPitch : -5.0 * kDeg) << what;
    EXPECT_EQ(a.bank, c.levelled ? 0.0 : 2.0 * kDeg) << what;
    EXPECT_EQ(a.flightState, c.after) << what;
    EXPECT_EQ(a.prevFlightState, c.after != c.state ? c.state : FlightState::birth) << what;
  }
}

// In the air the next position is timed at the mean speed of the leg; onto the runway at the
// end of an approach at the front's speed (100 kt when it has none). A standing next
// position is timed in the air for a helicopter only.
TEST_F(MovementTest, InTheAirALegOntoTheRunwayIsTimedAtTheFrontsSpeed) {
  struct Case {
    std::uint8_t approach;
    bool nextOnGround;
    double frontKt, speed;
  };
  const Case cases[] = {{1, true, 120.0, 120.0}, {1, true, 0.0, 100.0}, {0, true, 120.0, 160.0}, {1, false, 120.0, 160.0}};
  for (const Case& c : cases) {
    aircraft(AcCategory::Large).flightState = FlightState::flying;
    a.approach = c.approach;
    a.stepsLeft = 1;  // re-timed freely
    const StreamPos next = at(0, 2000, 320.0 - c.frontKt, now() + 99999, c.nextOnGround ? 0.0 : 200.0);
    a.stream = {at(0, 0, c.frontKt, now(), 300.0), next};
    lf_timeNextAir(a, engine);
    const double nm = gf_greatCircleNm(kBase, {next.lat, next.lon});
    EXPECT_EQ(a.stream[1].dueTick, now() + static_cast<std::int32_t>(std::round(nm * 360000.0 / c.speed)))
        << int{c.approach} << c.nextOnGround << " " << c.frontKt;
  }
  for (const AcCategory category : {AcCategory::Large, AcCategory::Rotorcraft}) {
    aircraft(category).flightState = FlightState::flying;
    a.stepsLeft = 1;  // re-timed freely
    a.stream = {at(0, 0, 0, now() - 6000, 300.0), at(0, 0, 0, now() - 1000, 300.0)};
    a.stream[1].stationary = 1;
    lf_timeNextAir(a, engine);
    // A helicopter keeps the standing position's distance behind the front, but not before now + 25.
    EXPECT_EQ(a.stream[1].dueTick, category == AcCategory::Rotorcraft ? now() + 25 : now() - 1000) << gf_categoryName(category);
  }
}

// Through a turn the aircraft follows a curve that ends at the position after the next, at
// the mean of the two speeds when that one reports none.
TEST_F(MovementTest, ACurveEndingOnAPositionWithoutSpeedTakesTheMeanOfTheTwoBefore) {
  aircraft().flightState = FlightState::taxi;
  a.onGround = 1;
  a.heading = 0.0;
  const StreamPos next = at(0, 200, 20, now() + 500);
  StreamPos third = turnedOn(next, 30.0, 200.0, now() + 1000);
  third.groundSpeed = 0.0;
  a.stream = {at(0, 0, 10, now()), next, third};
  nextPosGround(a, engine);
  ASSERT_TRUE(gf_hasCurve(a.curve));
  ASSERT_EQ(a.stream.size(), 2u);
  EXPECT_EQ(a.stream[1].groundSpeed, 15.0);
}

TEST_F(MovementTest, TheLandingRollConfiguresBySpeedAndEndsAtTheTurnOff) {
  struct Case {
    double frontKt, headingOffDeg;
    std::optional<std::uint32_t> flaps, spoilers;
    bool rolling;
  };
  const Case cases[] = {{95, 0, std::nullopt, std::nullopt, true},
                        {90, 0, 3072u, 0u, true},
                        {31, 14.9, 3072u, 0u, true},
                        {30, 0, 0u, std::nullopt, true},
                        {95, 15.0, 0u, 0u, false}};
  for (const Case& c : cases) {
    link.simEventQueue.clear();
    aircraft(AcCategory::Large).onGround = 1;
    a.flightState = FlightState::taxi;
    a.landingRoll = 1;
    a.flapsIndex = 3;
    a.touchdownHeading = 10.0 * kDeg;
    a.heading = (10.0 + c.headingOffDeg) * kDeg;
    a.stream = {at(0, 0, c.frontKt, now()), at(0, 500, c.frontKt - 10, now() + 400)};
    lf_groundRollStep(a, engine);
    EXPECT_EQ(event(E::FLAPS_SET), c.flaps) << c.frontKt << " " << c.headingOffDeg;
    EXPECT_EQ(event(E::SPOILERS_SET), c.spoilers) << c.frontKt << " " << c.headingOffDeg;
    EXPECT_EQ(a.landingRoll != 0, c.rolling) << c.frontKt << " " << c.headingOffDeg;
    if (!c.rolling) {
      EXPECT_EQ(a.touchdownHeading, 0.0);
    }
  }
  // The AI control block is zeroed for every category but Light.
  for (const AcCategory category : {AcCategory::Large, AcCategory::Light}) {
    MovementHooks::aiControls = 0;
    aircraft(category).onGround = 1;
    a.flightState = FlightState::taxi;
    a.landingRoll = 1;
    a.stream = {at(0, 0, 90, now()), at(0, 500, 80, now() + 400)};
    lf_groundRollStep(a, engine);
    EXPECT_EQ(MovementHooks::aiControls, category == AcCategory::Light ? 0 : 1) << gf_categoryName(category);
  }
}

TEST_F(MovementTest, APushBackWithoutAKnownSpanRunsToTheMiddleTurnsAndEnds) {
  aircraft(AcCategory::Heavy).flightState = FlightState::parked;
  a.onGround = 1;
  a.halfSpan = 0.0;
  a.codes.modelId = 77;
  a.standHeading = 0.0;
  a.stream = {at(0, 0, 0, now())};
  lf_pushBackFrom(a, 0.000001, engine);  // a stand so small that the way back takes no time
  ASSERT_EQ(a.stream.size(), 4u);
  EXPECT_EQ(a.flightState, FlightState::pushing_back);
  for (std::size_t i = 1; i < 4; ++i) EXPECT_GE(a.stream[i].dueTick, now() + 12) << i;
  EXPECT_EQ(a.stream[2].dueTick, now() + 25);
  EXPECT_EQ(a.stream[3].dueTick, now() + 25 / 2 + 1166);  // 18 m at 3 kt after half of the way back
  // The two ends of the turn lie half a typical span to either side, not on P1.
  EXPECT_NEAR(metresBetween(a.stream[3], {a.stream[2].lat, a.stream[2].lon}), 18.0, 0.01);
  EXPECT_NEAR(metresBetween(a.pushBackAltTurn, {a.stream[2].lat, a.stream[2].lon}), 18.0, 0.01);
  EXPECT_GT(a.stream[3].lon, a.pushBackAltTurn.lon);  // facing north, backing south: the end to the east first
  lf_halfSpanForStand(a, engine);
  EXPECT_EQ(engine.unknownSpanModels.size(), 1u);

  // The middle: the reports showed the heading increasing.
  a.stream.pop_front();
  a.pushBackTurnKnown = 1;
  a.pushBackTurnRight = 1;
  const StreamPos right = a.pushBackAltTurn;
  nextPosGround(a, engine);
  EXPECT_TRUE(gf_hasCurve(a.curve));
  ASSERT_EQ(a.stream.size(), 2u);
  EXPECT_EQ(a.stream.back().lon, right.lon);
  // The end.
  a.stream.pop_front();
  a.stream.push_back(a.stream.front());
  a.stream.back().stationary = 1;
  a.lastPushedBackDistance = 0.5;
  nextPosGround(a, engine);
  EXPECT_EQ(a.flightState, FlightState::pushed_back);
  EXPECT_EQ(a.lastPushedBackDistance, 900.0);
  EXPECT_TRUE(event(E::ENGINE_AUTO_START));
}

// Without a reported side the push-back drops the turn's end at its middle and ends straight.
TEST_F(MovementTest, APushBackWithoutAReportedSideEndsStraightAtItsMiddle) {
  aircraft(AcCategory::Large).flightState = FlightState::parked;
  a.onGround = 1;
  a.standHeading = 0.0;
  a.stream = {at(0, 0, 0, now())};
  lf_pushBackFrom(a, 20.0 / 1852.0, engine);
  ASSERT_EQ(a.stream.size(), 4u);
  const StreamPos p1 = a.stream[2];
  a.stream.pop_front();
  nextPosGround(a, engine);
  EXPECT_EQ(a.pushBackPhase, 1);
  EXPECT_FALSE(gf_hasCurve(a.curve));
  ASSERT_EQ(a.stream.size(), 2u);
  EXPECT_EQ(a.stream[1].lat, p1.lat);
  EXPECT_EQ(a.stream[1].lon, p1.lon);
  // 2.5 times the stand's radius straight back (south).
  EXPECT_NEAR(metresBetween(p1, kBase), 50.0, 0.01);
  EXPECT_LT(p1.lat, kBase.lat);
}

// A parked aircraft's next position falls due with the windows open.
TEST_F(MovementTest, AParkedAircraftsStepOpensTheWindows) {
  aircraft(AcCategory::Large).flightState = FlightState::parked;
  a.onGround = 1;
  a.stream = {at(0, 0, 0, now()), at(0, 0, 0, now() + 100)};
  a.stream[1].stationary = 1;
  nextPosGround(a, engine);
  EXPECT_EQ(a.earlyWindow, 3000);
  EXPECT_EQ(a.lateWindow, 3000);
  EXPECT_EQ(a.flightState, FlightState::parked);
}

TEST_F(MovementTest, ReportsOffTheStandHeadingChooseBetweenPullOutAndPushBack) {
  // The angle is rounded to whole degrees first: 89.4 is 89, 89.6 is 90.
  for (const double offDeg : {80.0, 89.4, 89.6, 100.0}) {
    aircraft(AcCategory::Large).flightState = FlightState::parked;
    a.onGround = 1;
    a.movingAtStand = 1;
    a.halfSpan = 0.0;
    a.standLat = kBase.lat;
    a.standLon = kBase.lon;
    a.standHeading = 0.0;
    a.sid = 3;
    a.stream = {at(0, 0, 0, now()), at(offDeg, 1, 0, now() + 100)};
    nextPosGround(a, engine);
    if (offDeg < 89.5) {
      EXPECT_EQ(a.flightState, FlightState::taxi) << offDeg;
      ASSERT_EQ(a.stream.size(), 2u);
      EXPECT_NEAR(metresBetween(a.stream[1], kBase), 36.0, 0.01);  // one (typical) wingspan ahead
      EXPECT_GE(a.stream[1].dueTick, now() + 25);
    } else {  // no stand table: the push-back cannot start, the aircraft stays
      EXPECT_EQ(a.flightState, FlightState::parked) << offDeg;
    }
  }
}

TEST_F(MovementTest, TheDriveOntoTheStandEndsStandingFiftyCyclesLater) {
  aircraft(AcCategory::Large).onGround = 1;
  a.flightState = FlightState::parking;
  a.stepsLeft = 3;
  a.stream = {at(0, 0, 10, now()), at(0, 2, 10, now() + 60)};
  const LatLon stand = gf_destinationPoint(kBase, 0.0, 3.0 / 1852.0 * g_feetPerNm);
  drive2Stand(a, stand.lat, stand.lon, 90.0 * kDeg, engine);
  ASSERT_EQ(a.stream.size(), 4u);
  EXPECT_EQ(a.stream[2].dueTick, now() + 100);  // 1 m at 4 kt: the floor of 100 cycles
  EXPECT_EQ(a.stream[3].dueTick, now() + 150);
  EXPECT_EQ(a.stream[3].stationary, 1);
  EXPECT_EQ(a.stream[2].track, 90.0);
  EXPECT_EQ(a.stepsLeft, 0);
  EXPECT_EQ(a.earlyWindow, 3000);
  a.pushBackSpeed = 0.0;  // a speed of 0 must not become a due tick
  EXPECT_THROW(drive2Stand(a, stand.lat, stand.lon, 0.0, engine), std::range_error);
  EXPECT_EQ(a.stream.size(), 4u);
}

// Its last position already on the stand, the drive onto it stands throughout.
TEST_F(MovementTest, TheDriveOntoTheStandTheAircraftIsOnStandsThroughout) {
  aircraft(AcCategory::Large).onGround = 1;
  a.flightState = FlightState::parking;
  const StreamPos last = at(0, 2, 0, now() + 60);
  a.stream = {at(0, 0, 10, now()), last};
  drive2Stand(a, last.lat, last.lon, 0.0, engine);
  ASSERT_EQ(a.stream.size(), 4u);
  EXPECT_EQ(a.stream[2].stationary, 1);
  EXPECT_EQ(a.stream[2].dueTick, now() + 100);
  EXPECT_EQ(a.stream[3].stationary, 1);
}

TEST_F(MovementTest, AnAircraftParksWithinTwoMetresOfItsStandAndADuplicateLeavesWithoutTheMark) {
  for (const double metres : {2.001, 1.999}) {
    aircraft(AcCategory::Large).flightState = FlightState::parking;
    a.sid = 5;
    const LatLon stand = gf_destinationPoint(kBase, 0.0, metres / 1852.0 * g_feetPerNm);
    a.standLat = stand.lat;
    a.standLon = stand.lon;
    a.stream = {at(0, 0, 0, now())};
    lf_parkAtStand(a, false, engine);
    EXPECT_EQ(a.flightState, metres > 2.0 ? FlightState::taxi : FlightState::parked) << metres;
  }
  EXPECT_EQ(a.stream.front().stationary, 1);
  EXPECT_EQ(a.parkCheckTime, 42);
  EXPECT_TRUE(event(E::ENGINE_AUTO_SHUTDOWN));
  // Another live aircraft stands there: this one goes, and the stand's mark stays with the other.
  aircraft(AcCategory::Large).flightState = FlightState::parking;
  a.sid = 5;
  a.stream = {at(0, 0, 0, now())};
  lf_parkAtStand(a, true, engine);
  EXPECT_EQ(a.simState, SimState::removingfromsim);
  EXPECT_EQ(a.sid, 0u);
  EXPECT_EQ(a.stepsLeft, 1);
}

}  // namespace
}  // namespace vexo::test
