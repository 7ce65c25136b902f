#include <cmath>
#include <stdexcept>

#include "engine/engine_hooks.h"
#include "engine/sim_answers.h"
#include "movement_fixture.h"

namespace vexo::test {
namespace {

namespace E = ClientEventId;

TEST_F(MovementTest, TheBezierCurveRunsFromItsOriginToItsEndAndNotBeyond) {
  GroundCurve c{kBase.lat, kBase.lon, 0.0, 100.0, 100.0, 1.0, 0.0, 100.0};  // north, then east
  const auto start = gf_bezierPoint(c, 0.0);
  const auto end = gf_bezierPoint(c, 1.0);
  ASSERT_TRUE(start && end);
  EXPECT_NEAR(start->heading, 0.0, 1e-12);
  EXPECT_NEAR(end->heading, 90.0 * kDeg, 1e-12);
  EXPECT_NEAR(gf_greatCircleNm(end->position, gf_destinationPoint(kBase, 45.0 * kDeg, 141.42 / 1852.0 * g_feetPerNm)) * 1852.0, 0.0, 0.5);
  EXPECT_FALSE(gf_bezierPoint(c, 1.01));
  c[curveControlNorth] = g_noCurve;
  EXPECT_FALSE(gf_bezierPoint(c, 0.5));

  aircraft(AcCategory::Large).flightState = FlightState::taxi;
  a.curve = GroundCurve{kBase.lat, kBase.lon, 0.0, 100.0, 100.0, 1.0, 0.0, 100.0};
  a.curveParamStep = 0.6;
  lf_flyCurve(a, engine);
  lf_flyCurve(a, engine);
  EXPECT_EQ(a.curveParam, 0.999999);
}

TEST_F(MovementTest, TargetPitchAndBankKeepThePerCategoryLimits) {
  EXPECT_NEAR(lf_targetPitch(3000.0), -11.8 * kDeg, 1e-12);
  EXPECT_NEAR(lf_targetPitch(-4000.0), 2.5 * kDeg, 1e-12);
  EXPECT_NEAR(lf_targetPitch(0.0), -3.0 * kDeg, 1e-12);
  // A Large aircraft turning 50 deg over a leg of 400 cycles banks toward -30 deg, by
  // at most 0.02 deg per cycle; a Heavy one by 0.015.
  aircraft(AcCategory::Large);
  lf_bankTarget(a, 50.0 * kDeg, 400);
  EXPECT_NEAR(a.bankStep, -0.02 * kDeg, 1e-15);
  a.bank = -29.999 * kDeg;
  lf_bankTarget(a, 50.0 * kDeg, 400);
  EXPECT_NEAR(a.bankStep, -0.001 * kDeg / 400, 1e-15);
  aircraft(AcCategory::Heavy);
  a.bank = 0.0;
  lf_bankTarget(a, -50.0 * kDeg, 1);
  EXPECT_NEAR(a.bankStep, 0.015 * kDeg, 1e-15);
  // Steps of a leg that lasts longer than planned never bank past the limit.
  a.flightState = FlightState::flying;
  a.bankStep = 0.015 * kDeg;
  a.stream.push_back(at(0, 0, 200, now() + 100, 5000));
  for (int i = 0; i < 3000; ++i) lf_flyCurve(a, engine);
  EXPECT_NEAR(a.bank, 20.0 * kDeg, 1e-12);
}

TEST_F(MovementTest, AClimbStepChangesPitchByAtMostTheCategoryLimit) {
  aircraft(AcCategory::Large).flightState = FlightState::flying;
  a.altitude = 5000.0;
  a.aboveGround = 2500.0;
  a.stream = {at(0, 0, 200, now(), 5000), at(0, 2000, 200, now() + 25, 5100)};
  a.stream[1].verticalRate = 3000.0;
  lf_airStep(a, engine);
  EXPECT_NEAR(a.pitchStep, -0.0075 * kDeg, 1e-15);
  EXPECT_NEAR(a.climbStep, 0.6, 1e-12);  // 100 ft over 25 cycles, limited to the category's 0.6
}

TEST_F(MovementTest, TheDescentTowardTheRunwayFollowsTheQnhAndTheParkAirport) {
  struct Case {
    std::int32_t qnh;
    std::optional<double> park;
    double expectedClimbStep;
  };
  const Case cases[] = {
      {1013, std::nullopt, -601.0 / 6000.0},
      {1023, std::nullopt, (-700.0 - 9.75 * 6.0) / 6000.0},  // -758.5 ft/min
      {1013, 100.0, (100.0 - 500.0) / 400.0},                 // at the park airport's elevation when due
      {1023, 100.0, (-700.0 - 9.75 * 6.0) / 6000.0},
  };
  for (const Case& c : cases) {
    aircraft(AcCategory::Large).flightState = FlightState::flying;
    a.altitude = 500.0;
    a.aboveGround = 400.0;
    a.stream = {at(0, 0, 140, now(), 500), at(0, 1500, 140, now() + 400, 0)};
    a.stream[0].verticalRate = a.stream[1].verticalRate = -700.0;
    g_qnh = c.qnh;
    MovementHooks::parkElevation = c.park;
    lf_airStep(a, engine);
    EXPECT_NEAR(a.climbStep, c.expectedClimbStep, 1e-12) << c.qnh;
    EXPECT_EQ(event(E::GEAR_SET), 1u);
  }
  a.aboveGround = 100.0;
  EXPECT_EQ(lf_flareDescentRate(a), -600.0);
  a.aboveGround = 101.0;
  a.stream[0].verticalRate = a.stream[1].verticalRate = 0.0;
  g_qnh = 1013;
  EXPECT_EQ(lf_flareDescentRate(a), -601.0);
}

TEST_F(MovementTest, TheFlareStepsDownAtItsHeightsAboveTheCentreOfGravity) {
  struct Case {
    std::uint32_t phase;
    double aboveGround;
    std::uint32_t expectedPhase;
    double expectedFrontRate;
  };
  const Case cases[] = {{0, 40.1, 0, -700.0}, {0, 40.0, 1, -601.0}, {1, 30.1, 1, -700.0}, {1, 30.0, 2, -450.0},
                        {2, 20.1, 2, -700.0}, {2, 20.0, 3, -300.0}, {3, 13.1, 3, -700.0}, {3, 13.0, 4, -150.0}};
  for (const Case& c : cases) {
    aircraft(AcCategory::Large).approach = 1;
    a.staticCgHeight = 10.0;
    a.flarePhase = c.phase;
    a.aboveGround = c.aboveGround;
    a.altitude = 1000.0;
    a.stream = {at(0, 0, 140, now(), 100)};
    a.stream[0].verticalRate = -700.0;
    lf_flare(a, engine);
    EXPECT_EQ(a.flarePhase, c.expectedPhase) << c.phase << " at " << c.aboveGround;
    EXPECT_EQ(a.stream[0].verticalRate, c.expectedFrontRate) << c.phase << " at " << c.aboveGround;
  }
  EXPECT_EQ(event(E::THROTTLE_SET), 0u);  // phase 2 -> 3 idles the engines
  // The nose never rises past 4 deg during the flare, however long it lasts.
  aircraft(AcCategory::Light).approach = 1;
  a.aboveGround = 25.0;
  a.altitude = 25.0;
  a.stream = {at(0, 0, 80, now(), 20)};
  for (int i = 0; i < 2000; ++i) lf_flyCurve(a, engine);
  EXPECT_EQ(a.flarePhase, 1u);
  EXPECT_TRUE(engine.landingInProgress);
  EXPECT_EQ(a.pitch, -4.0 * kDeg);
}

TEST_F(MovementTest, ThrottleAndTheApproachFollowHeightAndDistanceToTheParkAirport) {
  struct Case {
    AcCategory category;
    double aboveGround;
    bool throttleBack;
  };
  const Case cases[] = {{AcCategory::Heavy, 2051.0, true}, {AcCategory::Heavy, 2050.0, false},
                        {AcCategory::Light, 626.0, true}, {AcCategory::Light, 625.0, false}};
  for (const Case& c : cases) {
    link.simEventQueue.clear();
    aircraft(c.category).throttleIndex = 4;
    a.aboveGround = c.aboveGround;
    a.stream = {at(0, 0, 140, now(), 3000)};
    a.stream[0].verticalRate = 500.0;
    lf_configByHeight(a, engine);
    EXPECT_EQ(a.throttleIndex == 3, c.throttleBack) << gf_categoryIndex(c.category) << " at " << c.aboveGround;
  }
  for (const double parkNm : {9.9, 10.1}) {
    aircraft(AcCategory::Large).aboveGround = 1500.0;
    a.approach = 0;
    a.sid = 12;
    a.stream = {at(0, 0, 160, now(), 2000)};
    a.stream[0].verticalRate = -700.0;
    MovementHooks::parkPosition = gf_destinationPoint(kBase, 0.0, parkNm * g_feetPerNm);
    lf_configByHeight(a, engine);
    EXPECT_EQ(a.approach, parkNm < 10.0 ? 1 : 0) << parkNm;
    EXPECT_EQ(a.sid, parkNm < 10.0 ? 0u : 12u) << parkNm;
  }
}

TEST_F(MovementTest, ATakeOffRotatesClimbsOutRaisesTheGearAndFlies) {
  aircraft(AcCategory::Large).onGround = 1;
  a.takeOffRoll = 1;
  a.flightState = FlightState::taxi;
  a.climbStep = 0.6;
  a.aboveGround = 1000.0;
  a.staticPitch = 0.7 * kDeg;
  a.pitch = a.staticPitch;
  a.stream = {at(0, 0, 150, now(), 0), at(0, 3000, 160, now() + 1000, 300)};
  lf_startTakeOff(a, engine);
  EXPECT_EQ(a.flightState, FlightState::take_off);
  int cycles = 0;
  for (; cycles < 3000 && a.flightState == FlightState::take_off; ++cycles) {
    lf_flyCurve(a, engine);
    ASSERT_GE(a.pitch, a.climbPitch - 1e-9);
    ASSERT_LE(a.pitch, a.staticPitch + 1e-12);
    if (a.phaseCounter == -299) {
      EXPECT_FALSE(event(E::GEAR_SET));
    } else if (a.phaseCounter == -300) {
      EXPECT_EQ(event(E::GEAR_SET), 0u);
    }
  }
  EXPECT_EQ(a.onGround, 0);
  EXPECT_EQ(a.flightState, FlightState::flying);
  EXPECT_EQ(a.throttleIndex, 3u);
  EXPECT_GT(a.altitude, 40.0);
}

TEST_F(MovementTest, PositionsWrapOverThePoleAndTheDateLine) {
  aircraft().flightState = FlightState::flying;
  a.stream = {at(0, 0, 400, now(), 30000)};
  a.lat = 89.9995;
  a.lon = -118.0;
  a.latStep = 0.001;
  lf_flyCurve(a, engine);
  EXPECT_NEAR(a.lat, 89.9995, 1e-9);
  EXPECT_NEAR(a.lon, 62.0, 1e-9);
  a.lat = 10.0;
  a.latStep = 0.0;
  a.lon = 179.9995;
  a.lonStep = 0.001;
  lf_flyCurve(a, engine);
  EXPECT_NEAR(a.lon, -179.9995, 1e-9);
}

TEST_F(MovementTest, AnAircraftBornOnTheGroundKeepsItsHeading) {
  aircraft().flightState = FlightState::parked;
  a.onGround = 1;
  a.standHeading = 250.0 * kDeg;
  a.stream = {at(0, 0, 0, now(), 0), at(0, 30, 5, now() + 600, 0)};
  lf_initAttitude(a, engine);
  EXPECT_EQ(a.headingStep, 0.0);
  for (int i = 0; i < 500; ++i) lf_flyCurve(a, engine);
  EXPECT_EQ(a.heading, 250.0 * kDeg);
  EXPECT_EQ(a.pitch, a.staticPitch);
}

TEST_F(MovementTest, TheLegSpeedOfStandingOrCancellingSpeedsIsNeverZero) {
  struct Case {
    double frontKt, nextKt, metres;
    std::int32_t legTicks;
    double expected;
  };
  const Case cases[] = {
      {0, 0, 100, 100, 100.0 / 1852.0 * 360000.0 / 100.0},
      {0, 0, 100, 25, 100.0 / 1852.0 * 360000.0 / 25.0},
      {0, 0, 100, 10, 100.0 / 1852.0 * 360000.0 / 25.0},
      {0, 0, 0, 100, 1.0},
      {3, -3, 0, 100, 1.0},  // a mean of 0 would divide a travel time by zero
      {10, 20, 100, 100, 15.0},
  };
  aircraft();
  for (const Case& c : cases) {
    a.stream = {at(0, 0, c.frontKt, now(), 0), at(90, c.metres, c.nextKt, now() + c.legTicks, 0)};
    EXPECT_NEAR(lf_legSpeed(a), c.expected, 1e-6) << c.frontKt << " " << c.nextKt << " " << c.legTicks;
  }
}

TEST_F(MovementTest, ALiftOffReportedLateSkipsAheadToTheFirstAirbornePosition) {
  aircraft(AcCategory::Large).flightState = FlightState::taxi;
  a.aboveGround = 0.0;
  a.stream = {at(90, 0, 150, now()), at(90, 400, 155, now() + 200), at(90, 800, 160, now() + 400),
              at(90, 1200, 165, now() + 600, 150.0), at(90, 1600, 170, now() + 800, 300.0)};
  a.stream[3].verticalRate = 1500.0;
  lf_airStep(a, engine);
  ASSERT_EQ(a.stream.size(), 3u);  // k = 3 finds no airborne position, k = 4 does
  EXPECT_EQ(a.stream[1].altitude, 150.0);
  EXPECT_NEAR(a.climbStep, std::min(150.0 / lf_cyclesToNext(a, engine), 0.6), 1e-12);
  EXPECT_EQ(event(E::GEAR_SET), 1u);
}

TEST_F(MovementTest, AnAircraftWithTheUserCloseBehindIsRemoved) {
  struct Case {
    double userBearingDeg, userNm, userAltFt;
    int index;
    bool removed;
  };
  const Case cases[] = {
      {270, 3.9, 5500, 0, true},  {270, 4.1, 5500, 0, false}, {270, 3.9, 6000, 0, false},
      {90, 3.0, 5000, 0, false},  // ahead of it
      {265, 3.0, 5000, 0, false}, {265, 3.0, 5000, 1, true},  // 1590 ft beside its track
  };
  for (const Case& c : cases) {
    aircraft().heading = 90.0 * kDeg;
    a.altitude = 5000.0;
    const LatLon user = gf_destinationPoint(kBase, c.userBearingDeg * kDeg, c.userNm * g_feetPerNm);
    UserAcData u;
    u.latitude = user.lat;
    u.longitude = user.lon;
    u.altitude = c.userAltFt;
    engine.userAc.set(u);
    EXPECT_EQ(gf_removeIfUserBehind(a, c.index, engine), c.removed) << c.userBearingDeg << " " << c.userNm;
    EXPECT_EQ(a.simState == SimState::removingfromsim, c.removed);
  }
}

TEST_F(MovementTest, ATravelTimeBeyondThirtyTwoBitsIsAnErrorNotAConversion) {
  aircraft().flightState = FlightState::flying;
  a.stream = {at(0, 0, 0.0001, now(), 5000), at(0, 200000, 0.0001, now() + 100, 5000)};
  EXPECT_THROW(lf_timeNextAir(a, engine), std::range_error);
  EXPECT_EQ(a.stream[1].dueTick, now() + 100);
}

}  // namespace
}  // namespace vexo::test

namespace vexo::test {
namespace {

// A Large aircraft flies a 3 deg approach of reports 4 s apart onto a runway 125 ft high,
// the simulator reporting its height every 20 cycles: it flares, touches down and rolls
// out with its attitude sane on every cycle and its gear down before the wheels touch.
TEST_F(MovementTest, AnApproachFlaresTouchesDownAndRollsOutWithASaneAttitude) {
  constexpr double elevation = 125.0;
  MovementHooks::parkElevation = elevation;
  MovementHooks::parkPosition = kBase;
  engine.liveAcs.push_back(aircraft(AcCategory::Large));
  LiveAc& a = engine.liveAcs.back();
  a.staticCgHeight = 10.0;
  a.staticPitch = 0.7 * kDeg;
  const int air = 34, ground = 10;
  for (int i = 0; i <= air + ground; ++i) {
    const double kt = i <= air ? 140.0 : 140.0 - 11.0 * (i - air);
    const double agl = std::max(1575.0 - 46.7 * i, 0.0);
    StreamPos p = at(90.0, -9260.0 + 288.0 * std::min(i, air) + 180.0 * std::max(i - air, 0), kt, now() + 400 * i,
                     i < air ? elevation + agl : 0.0);
    p.verticalRate = i < air ? -700.0 : 0.0;
    a.stream.push_back(p);
  }
  lf_initAttitude(a, engine);
  std::uint32_t flare = 0;
  bool gearDown = false, touched = false;
  for (int cycle = 0; cycle < 400 * (air + ground) && !a.stream.empty() && a.simState == SimState::active; ++cycle) {
    ++engine.trafficTick;
    if (cycle % 20 == 0) {
      const double aboveGround = std::max(a.altitude - elevation - a.staticCgHeight, 0.0);
      gf_pushSimResponse({a.objectid, aboveGround <= 0.0 ? 1U : 0U, 0, SimResponseKind::onGround, elevation, aboveGround},
                         engine.responses);
      lf_handleSimResponses(engine);
    }
    updateLiveAc(a, engine);
    for (const double v : {a.lat, a.lon, a.pitch, a.bank, a.heading, a.altitude}) ASSERT_TRUE(std::isfinite(v)) << cycle;
    ASSERT_LE(std::abs(a.bank), 30.0 * kDeg) << cycle;
    ASSERT_GE(a.pitch, -6.0 * kDeg) << cycle;  // a descent never lifts the nose past the flare's 4 deg
    ASSERT_LE(a.pitch, 2.5 * kDeg) << cycle;
    if (!touched) {
      ASSERT_GE(a.flarePhase, flare) << cycle;  // the flare only steps on
      flare = a.flarePhase;
    }
    for (const SimEventAction& e : link.simEventQueue)
      if (e.eventId == ClientEventId::GEAR_SET) gearDown = e.data == 1;
    link.simEventQueue.clear();
    if (a.onGround != 0 && !touched) {
      touched = true;
      EXPECT_TRUE(gearDown) << "touched down with the gear up";
      EXPECT_EQ(a.landingRoll, 1);
    }
  }
  EXPECT_TRUE(touched);
  EXPECT_EQ(flare, 4u);
  EXPECT_EQ(a.flightState, FlightState::taxi);
  EXPECT_NEAR(a.pitch, a.staticPitch, 1e-9);
  EXPECT_LT(gf_greatCircleNm(kBase, {a.lat, a.lon}) * 1852.0, 2500.0);
}

}  // namespace
}  // namespace vexo::test
