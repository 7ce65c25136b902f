#include <array>
#include <cmath>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/engine_hooks.h"
#include "engine/sim_answers.h"
#include "movement_fixture.h"

namespace vexo::test {
namespace {

namespace E = ClientEventId;

// The seven lights (nav, beacon, landing, taxi, strobes, logo, cabin) of the last block
// queued; none when no block was.
std::optional<std::array<std::uint32_t, 7>> lastLights(const SimLink& link) {
  static constexpr std::array<std::uint32_t, 7> ids{E::NAV_LIGHTS_SET,  E::BEACON_LIGHTS_SET, E::LANDING_LIGHTS_SET,
                                                    E::TAXI_LIGHTS_SET, E::STROBES_SET,       E::LOGO_LIGHTS_SET,
                                                    E::CABIN_LIGHTS_SET};
  const std::vector<SimEventAction>& q = link.simEventQueue;
  for (std::size_t end = q.size(); end >= ids.size(); --end) {
    std::array<std::uint32_t, 7> values{};
    std::size_t k = 0;
    for (; k < ids.size() && q[end - ids.size() + k].eventId == ids[k]; ++k) values[k] = q[end - ids.size() + k].data;
    if (k == ids.size()) return values;
  }
  return std::nullopt;
}

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

// Each category's row: the lift-off speed every later position must reach, the largest
// bank and bank change per cycle, the largest pitch change per cycle.
TEST_F(MovementTest, EachCategoryLiftsOffBanksAndPitchesByItsOwnRow) {
  struct Row {
    AcCategory category;
    double liftOffKt, maxBankDeg, bankChangeDeg, pitchChangeDeg;
  };
  const Row rows[] = {
      {AcCategory::Light, 90.0, 40.0, 0.035, 0.01},   {AcCategory::Buzjets, 110.0, 35.0, 0.0275, 0.0085},
      {AcCategory::Large, 140.0, 30.0, 0.02, 0.0075}, {AcCategory::Heavy, 150.0, 20.0, 0.015, 0.005},
      {AcCategory::HighPerf, 220.0, 90.0, 0.1, 0.03}, {AcCategory::Rotorcraft, 0.0, 75.0, 0.06, 0.03}};
  for (const Row& r : rows) {
    const std::size_t c = gf_categoryIndex(r.category);
    aircraft(r.category);
    a.stream = {at(0, 0, 20, now()), at(0, 500, r.liftOffKt, now() + 400), at(0, 1000, r.liftOffKt + 5.0, now() + 800)};
    EXPECT_TRUE(lf_allAboveLiftOff(a)) << c;
    a.stream[1].groundSpeed = std::nextafter(r.liftOffKt, -1.0);
    EXPECT_FALSE(lf_allAboveLiftOff(a)) << c;
    // From level flight a turn beyond every limit starts at the largest bank change; at the
    // largest bank it stops there, and just inside it takes the rest over the leg.
    lf_bankTarget(a, 170.0 * kDeg, 1);
    EXPECT_NEAR(a.bankStep, -r.bankChangeDeg * kDeg, 1e-15) << c;
    a.bank = -r.maxBankDeg * kDeg;
    lf_bankTarget(a, 170.0 * kDeg, 1);
    EXPECT_NEAR(a.bankStep, 0.0, 1e-15) << c;
    a.bank = -(r.maxBankDeg - 0.001) * kDeg;
    lf_bankTarget(a, -170.0 * kDeg, 1);
    EXPECT_NEAR(a.bankStep, r.bankChangeDeg * kDeg, 1e-15) << c;
    a.bank = -(r.maxBankDeg - 0.001) * kDeg;
    lf_bankTarget(a, 170.0 * kDeg, 400);
    EXPECT_NEAR(a.bankStep, -0.001 * kDeg / 400.0, 1e-15) << c;
    // A climb and a descent asked for within one short leg change the pitch by the row's limit.
    for (const double rate : {3000.0, -4000.0}) {
      aircraft(r.category).flightState = FlightState::flying;
      a.altitude = 5000.0;
      a.aboveGround = 5000.0;
      a.stream = {at(0, 0, 200, now(), 5000), at(0, 2000, 200, now() + 25, 5000)};
      a.stream[1].verticalRate = rate;
      lf_airStep(a, engine);
      EXPECT_NEAR(a.pitchStep, (rate > 0.0 ? -1.0 : 1.0) * r.pitchChangeDeg * kDeg, 1e-15) << c << " " << rate;
    }
  }
}

// The reported true heading is flown below 1000 ft (2000 ft on the approach) when the next
// position carries it with a valid roll; otherwise the turn at the next position.
TEST_F(MovementTest, TheReportedHeadingIsFlownOnlyBelowItsHeightAndWithAllItsFlags) {
  struct Case {
    const char* what;
    std::uint8_t approach;
    double aboveGround;
    std::uint8_t adsb, roll, heading;
    bool reported;
  };
  const Case cases[] = {{"999.5 ft", 0, 999.5, 1, 1, 1, true},
                        {"1000 ft", 0, 1000.0, 1, 1, 1, false},
                        {"1999.5 ft on the approach", 1, 1999.5, 1, 1, 1, true},
                        {"2000 ft on the approach", 1, 2000.0, 1, 1, 1, false},
                        {"no ADS-B heading", 0, 500.0, 0, 1, 1, false},
                        {"no roll", 0, 500.0, 1, 0, 1, false},
                        {"no true heading", 0, 500.0, 1, 1, 0, false}};
  for (const Case& c : cases) {
    aircraft(AcCategory::Large).flightState = FlightState::flying;
    a.approach = c.approach;
    a.altitude = 1500.0;
    a.aboveGround = c.aboveGround;
    a.heading = 0.0;
    a.bank = 2.0 * kDeg;
    // Straight on north: the turn at the next position is nil.
    a.stream = {at(0, 0, 160, now(), 1500.0), at(0, 3000, 160, now() + 400, 1500.0),
                at(0, 6000, 160, now() + 800, 1500.0)};
    StreamPos& next = a.stream[1];
    next.adsbHeading = c.adsb;
    next.rollValid = c.roll;
    next.trueHeadingValid = c.heading;
    next.trueHeading = 10.0 * kDeg;
    next.roll = -6.0 * kDeg;
    lf_airStep(a, engine);
    EXPECT_NEAR(a.headingStep, c.reported ? 10.0 * kDeg / 400.0 : 0.0, 1e-12) << c.what;
    // A valid roll is flown whatever the heading.
    if (c.roll != 0) {
      EXPECT_NEAR(a.bankStep, -8.0 * kDeg / 400.0, 1e-15) << c.what;
    } else {
      EXPECT_NEAR(a.bankStep, -2.0 * kDeg / 400.0, 1e-15) << c.what;  // level again over the leg
    }
  }
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
      {1013, 100.0, (100.0 - 500.0) / 400.0},                // at the park airport's elevation when due
      {1023, 100.0, (-700.0 - 9.75 * 6.0) / 6000.0},
      // The rows at their edges: the ground rate up to 1013, the park airport's elevation
      // only up to 1013, the descent rate toward the ground from 1014.
      {1012, std::nullopt, -601.0 / 6000.0},
      {1014, std::nullopt, (-700.0 - 0.75 * 6.0) / 6000.0},
      {1012, 100.0, (100.0 - 500.0) / 400.0},
      {1014, 100.0, (-700.0 - 0.75 * 6.0) / 6000.0},
      {1030, 100.0, (-700.0 - 16.75 * 6.0) / 6000.0},
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
    // A descent at a rate becomes the next position's reported rate; the aim at the park
    // airport leaves it as reported.
    const double rate = c.park && c.qnh <= 1013 ? -700.0 : c.expectedClimbStep * 6000.0;
    EXPECT_NEAR(a.stream[1].verticalRate, rate, 1e-9) << c.qnh;
    EXPECT_NEAR(a.reportedVerticalRate, rate, 1e-9) << c.qnh;
  }
  a.aboveGround = 100.0;
  EXPECT_EQ(lf_flareDescentRate(a), -600.0);
  a.aboveGround = 101.0;
  a.stream[0].verticalRate = a.stream[1].verticalRate = 0.0;
  g_qnh = 1013;
  EXPECT_EQ(lf_flareDescentRate(a), -601.0);
}

// Above 100 ft the mean reported rate less 6 ft/min per hPa over 1013.25, never above
// -601 ft/min; at 100 ft and below a fixed -600.
TEST_F(MovementTest, TheDescentRateTowardTheGroundAtItsEdges) {
  struct Case {
    double aboveGround;
    std::int32_t qnh;
    double frontRate, nextRate, rate;
  };
  const double justAbove100 = std::nextafter(100.0, 200.0);
  const Case cases[] = {
      {100.0, 1013, -900.0, -900.0, -600.0},        {justAbove100, 1013, -900.0, -900.0, -898.5},
      {justAbove100, 1013, -602.0, -602.0, -601.0}, {500.0, 1013, -603.0, -603.0, -601.5},
      {500.0, 1013, -500.0, -706.0, -601.5},        {500.0, 1003, -700.0, -700.0, -638.5},
      {500.0, 1023, -700.0, -700.0, -758.5},        {500.0, 1013, 0.0, 0.0, -601.0},
  };
  for (const Case& c : cases) {
    aircraft(AcCategory::Large).aboveGround = c.aboveGround;
    a.stream = {at(0, 0, 140, now(), 500), at(0, 1500, 140, now() + 400, 0)};
    a.stream[0].verticalRate = c.frontRate;
    a.stream[1].verticalRate = c.nextRate;
    g_qnh = c.qnh;
    EXPECT_DOUBLE_EQ(lf_flareDescentRate(a), c.rate) << c.aboveGround << " " << c.qnh << " " << c.frontRate;
  }
}

// On the approach two positions at one height, near the ground and with no more than 100
// ft/min of reported climb between them, are the runway: the descent rate toward the ground.
// Otherwise the aircraft aims at the next height by its time.
TEST_F(MovementTest, OnTheApproachTwoPositionsAtOneHeightNearTheGroundMeanTheRunway) {
  struct Case {
    double nextAltitude, aboveGround, frontRate, nextRate;
    bool runway;
  };
  const Case cases[] = {
      {1400.0, 1000.0, 50.0, 50.0, true}, {1400.0, 1000.5, 50.0, 50.0, false},   {1400.0, 1000.0, 50.0, 51.0, false},
      {1400.5, 1000.0, 0.0, 0.0, false},  {1400.0, 300.0, -700.0, -700.0, true},
  };
  for (const Case& c : cases) {
    aircraft(AcCategory::Large).flightState = FlightState::flying;
    a.approach = 1;
    a.altitude = 1500.0;
    a.aboveGround = c.aboveGround;
    a.stream = {at(0, 0, 140, now(), 1400.0), at(0, 1500, 140, now() + 400, c.nextAltitude)};
    a.stream[0].verticalRate = c.frontRate;
    a.stream[1].verticalRate = c.nextRate;
    const double runwayRate = std::min((c.frontRate + c.nextRate) / 2.0 + 0.25 * 6.0, -601.0);
    lf_airStep(a, engine);
    const std::string what = std::to_string(c.nextAltitude) + " at " + std::to_string(c.aboveGround);
    EXPECT_DOUBLE_EQ(a.climbStep, c.runway ? runwayRate / 6000.0 : (c.nextAltitude - 1500.0) / 400.0) << what;
    EXPECT_EQ(a.stream[1].verticalRate, c.runway ? runwayRate : c.nextRate) << what;
  }
}

// An aircraft in the air whose front and next positions lie on the ground: with reports
// that climb (a sum over the stream above 100 ft/min) and no approach it looks for a later
// airborne position (the third to the tenth) and skips ahead to it, or else climbs at 601
// ft/min at least; otherwise it descends toward the ground.
TEST_F(MovementTest, BetweenTwoGroundPositionsTheAircraftClimbsOnlyWithClimbingReportsAndNoApproach) {
  struct Case {
    const char* what;
    double frontRate, nextRate;
    std::uint8_t approach;
    double rate;
  };
  const Case cases[] = {{"101 over the stream", 60.0, 41.0, 0, 601.0},
                        {"100 over the stream", 60.0, 40.0, 0, -600.0},
                        {"101 on the approach", 60.0, 41.0, 1, -600.0},
                        {"a faster reported climb", 0.0, 900.0, 0, 900.0}};
  MovementHooks::parkPosition = kBase;  // the approach goes on
  for (const Case& c : cases) {
    link.simEventQueue.clear();
    aircraft(AcCategory::Large).flightState = FlightState::flying;
    a.approach = c.approach;
    a.aboveGround = 50.0;
    a.stream = {at(0, 0, 150, now()), at(0, 800, 150, now() + 400)};
    a.stream[0].verticalRate = c.frontRate;
    a.stream[1].verticalRate = c.nextRate;
    lf_airStep(a, engine);
    EXPECT_DOUBLE_EQ(a.climbStep, c.rate / 6000.0) << c.what;
    EXPECT_EQ(a.stream[1].verticalRate, c.rate) << c.what;
    EXPECT_EQ(a.reportedVerticalRate, c.rate) << c.what;
    EXPECT_EQ(event(E::GEAR_SET), 1u) << c.what;
  }
  struct Search {
    std::size_t size, airborneAt;
    std::size_t sizeAfter;  // size unchanged: no skip
  };
  for (const Search s : {Search{5, 3, 3}, Search{5, 4, 5}, Search{3, 2, 3}, Search{12, 9, 4}, Search{12, 10, 12}}) {
    aircraft(AcCategory::Large).flightState = FlightState::flying;
    a.aboveGround = 50.0;
    a.stream.clear();
    for (std::size_t i = 0; i < s.size; ++i) {
      const std::int32_t n = static_cast<std::int32_t>(i);
      a.stream.push_back(at(0, 400.0 * n, 150, now() + 200 * n, i == s.airborneAt ? 300.0 : 0.0));
    }
    a.stream[1].verticalRate = 200.0;
    lf_airStep(a, engine);
    ASSERT_EQ(a.stream.size(), s.sizeAfter) << s.size << " " << s.airborneAt;
    if (s.sizeAfter == s.size) {
      EXPECT_DOUBLE_EQ(a.climbStep, 601.0 / 6000.0) << s.size << " " << s.airborneAt;
    } else {
      EXPECT_EQ(a.stream[1].altitude, 300.0) << s.size << " " << s.airborneAt;
    }
  }
}

// Descents in the air are bounded at 1 ft a cycle (6,000 ft/min) on every kind of leg;
// a descent up to the bound is flown as asked.
TEST_F(MovementTest, DescentsInTheAirAreBoundedAtSixThousandFeetAMinute) {
  struct Case {
    std::uint8_t approach;
    double nextAltitude;
    std::optional<double> park;
    std::int32_t qnh;
    double reportedRate, climbStep;
  };
  const Case cases[] = {
      {0, 2000.0, std::nullopt, 1013, 0.0, -1.0},   // 3,000 ft down in 1000 cycles
      {0, 4100.0, std::nullopt, 1013, 0.0, -0.9},   // as asked
      {0, 4000.0, std::nullopt, 1013, 0.0, -1.0},   // the bound itself
      {1, 1000.0, std::nullopt, 1013, 0.0, -1.0},   // on the approach
      {1, 0.0, 100.0, 1013, 0.0, -1.0},             // toward the park airport's elevation
      {1, 0.0, std::nullopt, 1023, -9000.0, -1.0},  // at the reported rates toward the runway
      {1, 0.0, std::nullopt, 1023, -3000.0, (-3000.0 - 9.75 * 6.0) / 6000.0},
  };
  for (const Case& c : cases) {
    aircraft(AcCategory::Large).flightState = FlightState::flying;
    a.altitude = 5000.0;
    a.aboveGround = 4875.0;
    a.approach = c.approach;
    a.stream = {at(0, 0, 200, now(), 5000.0), at(0, 10000, 200, now() + 1000, c.nextAltitude)};
    a.stream[0].verticalRate = a.stream[1].verticalRate = c.reportedRate;
    MovementHooks::parkElevation = c.park;
    g_qnh = c.qnh;
    lf_airStep(a, engine);
    EXPECT_NEAR(a.climbStep, c.climbStep, 1e-12) << c.nextAltitude << " " << c.reportedRate;
    if (c.reportedRate != 0.0) {
      EXPECT_NEAR(a.reportedVerticalRate, c.climbStep * 6000.0, 1e-9);
    }
  }
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

// Each step of the flare sinks at its own rate and forgets the park airport's elevation;
// the first lowers the nose toward 4 deg over the category's flare cycles.
TEST_F(MovementTest, EachFlareStepSinksAtItsOwnRate) {
  struct Case {
    std::uint32_t phase;
    double aboveGround, climbStep;
    bool keepsReference;
  };
  for (const Case c : {Case{0, 40.0, -0.1, true}, Case{1, 30.0, -0.075, false}, Case{2, 20.0, -0.05, false},
                       Case{3, 13.0, -0.025, false}}) {
    aircraft(AcCategory::Heavy).approach = 1;
    a.staticCgHeight = 10.0;
    a.flarePhase = c.phase;
    a.aboveGround = c.aboveGround;
    a.altitude = 1000.0;
    a.pitch = -2.0 * kDeg;
    a.refElevation = 5.0;
    a.stream = {at(0, 0, 140, now(), 100)};
    lf_flare(a, engine);
    EXPECT_EQ(a.flarePhase, c.phase + 1) << c.phase;
    EXPECT_EQ(a.climbStep, c.climbStep) << c.phase;
    EXPECT_EQ(a.refElevation.has_value(), c.keepsReference) << c.phase;
    if (c.phase == 0) {
      EXPECT_NEAR(a.pitchStep, -2.0 * kDeg / 450.0, 1e-15);
    }
  }
}

// The flare is looked at from 400 ft above ground, on the approach and in the air only;
// it starts at 30 ft over the centre of gravity above the ground or above the park airport,
// whichever is less.
TEST_F(MovementTest, TheFlareIsLookedAtFrom400FeetAndStartsAboveTheGroundOrTheParkAirport) {
  struct Case {
    const char* what;
    double aboveGround;
    std::uint8_t approach, onGround;
    std::optional<double> parkElevation;
    std::uint32_t phase;
  };
  // The aircraft flies at 1040 ft, its centre of gravity 10 ft over its wheels.
  const Case cases[] = {{"400 ft, 40 ft over the park airport", 400.0, 1, 0, 1000.0, 1},
                        {"400.5 ft", 400.5, 1, 0, 1000.0, 0},
                        {"no approach", 400.0, 0, 0, 1000.0, 0},
                        {"on the ground", 400.0, 1, 1, 1000.0, 0},
                        {"41 ft over the park airport", 400.0, 1, 0, 999.0, 0},
                        {"no park airport", 400.0, 1, 0, std::nullopt, 0},
                        {"40 ft without a park airport", 40.0, 1, 0, std::nullopt, 1},
                        {"40 ft far over the park airport", 40.0, 1, 0, 500.0, 1}};
  for (const Case& c : cases) {
    aircraft(AcCategory::Large).flightState = FlightState::flying;
    a.approach = c.approach;
    a.onGround = c.onGround;
    a.staticCgHeight = 10.0;
    a.altitude = 1040.0;
    a.aboveGround = c.aboveGround;
    a.stream = {at(0, 0, 140, now(), 1040.0), at(0, 3000, 140, now() + 400, 1000.0)};
    MovementHooks::parkElevation = c.parkElevation;
    lf_flyCurve(a, engine);
    EXPECT_EQ(a.flarePhase, c.phase) << c.what;
    EXPECT_EQ(engine.landingInProgress, c.phase == 1) << c.what;
    engine.landingInProgress = false;
  }
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

// Reaching a position with the front at 10000 ft or higher switches to the cruise lights
// (nav, beacon and cabin only), climb throttle, gear up and flaps 0; below 10000 ft every
// light is on. Each block is sent once per crossing.
TEST_F(MovementTest, TheLightsChangeAtTenThousandFeetOncePerCrossing) {
  using Lights = std::array<std::uint32_t, 7>;
  const Lights cruise{1, 1, 0, 0, 0, 0, 1};
  const Lights low{1, 1, 1, 1, 1, 1, 1};
  for (const AcCategory category : {AcCategory::Large, AcCategory::Rotorcraft}) {
    aircraft(category).flightState = FlightState::flying;
    a.aboveGround = 8000.0;
    a.throttleIndex = 2;
    a.flapsIndex = 1;
    struct Step {
      double frontAltitude;
      std::optional<Lights> lights;
    };
    for (const Step s : {Step{10000.0, cruise}, Step{10000.0, std::nullopt}, Step{std::nextafter(10000.0, 0.0), low},
                         Step{9000.0, std::nullopt}, Step{10000.0, cruise}}) {
      link.simEventQueue.clear();
      a.altitude = s.frontAltitude;
      a.stream = {at(0, 0, 250, now(), s.frontAltitude), at(0, 5000, 250, now() + 400, s.frontAltitude)};
      lf_airStep(a, engine);
      const std::string what = std::to_string(gf_categoryIndex(category)) + " at " + std::to_string(s.frontAltitude);
      EXPECT_EQ(lastLights(link), s.lights) << what;
      if (s.lights == cruise) {
        EXPECT_EQ(a.throttleIndex, category == AcCategory::Rotorcraft ? 4u : 3u) << what;
        EXPECT_EQ(event(E::GEAR_SET),
                  category == AcCategory::Rotorcraft ? std::nullopt : std::optional<std::uint32_t>{0})
            << what;
        EXPECT_EQ(a.flapsIndex, category == AcCategory::Rotorcraft ? 1u : 0u) << what;
        a.throttleIndex = 2;
        a.flapsIndex = 1;
      }
    }
  }
}

// Below 10000 ft the configuration follows the height above ground from 2050 ft (Buzjets,
// Large, Heavy) or 625 ft (the others) up; at or below that height the approach or climb
// configuration takes over.
TEST_F(MovementTest, EachCategoryLeavesTheApproachConfigurationAboveItsOwnHeight) {
  const std::pair<AcCategory, double> rows[] = {{AcCategory::Light, 625.0},    {AcCategory::Buzjets, 2050.0},
                                                {AcCategory::Large, 2050.0},   {AcCategory::Heavy, 2050.0},
                                                {AcCategory::HighPerf, 625.0}, {AcCategory::Rotorcraft, 625.0}};
  for (const auto& [category, edge] : rows) {
    for (const double aboveGround : {edge, std::nextafter(edge, 1e9)}) {
      link.simEventQueue.clear();
      aircraft(category).takeOffRoll = 1;
      a.aboveGround = aboveGround;
      a.earlyWindow = a.lateWindow = 2000;
      a.stream = {at(0, 0, 140, now(), 3000)};
      lf_configByHeight(a, engine);
      const bool above = aboveGround > edge;
      const std::string what = std::to_string(gf_categoryIndex(category)) + " at " + std::to_string(aboveGround);
      EXPECT_EQ(event(E::CABIN_LIGHTS_SET), above ? 1u : 0u) << what;
      EXPECT_EQ(a.takeOffRoll, above ? 0 : 1) << what;
      EXPECT_EQ(a.earlyWindow, above ? 1900 : 2000) << what;
    }
  }
}

// Above the approach height: throttle back to 2 descending at 250 ft/min or more from 3,
// to 3 climbing faster than 400 ft/min from 4; from 2400 ft gear up and flaps 0; below it,
// when not climbing faster than 100 ft/min, flaps 0 go to 1 and, below 2000 ft, 1 to 2.
TEST_F(MovementTest, AboveTheApproachHeightThrottleFlapsAndGearFollowTheirRows) {
  struct Case {
    const char* what;
    AcCategory category;
    double aboveGround, rate;
    std::uint32_t throttle, flaps, throttleAfter, flapsAfter;
    std::optional<std::uint32_t> gear;
  };
  const AcCategory L = AcCategory::Large, S = AcCategory::Light;
  const Case cases[] = {
      {"descending at 250 on 3", L, 3000, -250.0, 3, 0, 2, 0, 0},
      {"descending at 249.9 on 3", L, 3000, -249.9, 3, 0, 3, 0, 0},
      {"descending at 250 on 4", L, 3000, -250.0, 4, 0, 4, 0, 0},
      {"a helicopter descending on 3", AcCategory::Rotorcraft, 3000, -250.0, 3, 0, 4, 0, std::nullopt},
      {"climbing at 400.1 on 4", L, 3000, 400.1, 4, 0, 3, 0, 0},
      {"climbing at 400 on 4", L, 3000, 400.0, 4, 0, 4, 0, 0},
      {"climbing at 400.1 on 3", L, 3000, 400.1, 3, 0, 3, 0, 0},
      {"climbing at 400.1 on 2", L, 3000, 400.1, 2, 0, 2, 0, 0},
      {"at 2400", L, 2400, 0.0, 3, 2, 3, 0, 0},
      {"below 2400, flaps 0", L, 2399.9, 0.0, 3, 0, 3, 1, std::nullopt},
      {"from 2000, flaps 1", L, 2100, 0.0, 3, 1, 3, 1, std::nullopt},
      {"at 2000, flaps 1", S, 2000, 0.0, 3, 1, 3, 1, std::nullopt},
      {"below 2000, flaps 1", S, 1999.9, 0.0, 3, 1, 3, 2, std::nullopt},
      {"below 2000, flaps 2", S, 1500, 0.0, 3, 2, 3, 2, std::nullopt},
      {"below 2000, flaps 3", S, 1500, 0.0, 3, 3, 3, 3, std::nullopt},
      {"climbing at 100", S, 1500, 100.0, 3, 0, 3, 1, std::nullopt},
      {"climbing at 100.1", S, 1500, 100.1, 3, 0, 3, 0, std::nullopt}};
  for (const Case& c : cases) {
    link.simEventQueue.clear();
    aircraft(c.category).approach = 1;
    a.throttleIndex = c.throttle;
    a.flapsIndex = c.flaps;
    a.aboveGround = c.aboveGround;
    a.stream = {at(0, 0, 140, now(), 5000)};
    a.stream[0].verticalRate = c.rate;
    lf_configByHeight(a, engine);
    EXPECT_EQ(a.throttleIndex, c.throttleAfter) << c.what;
    EXPECT_EQ(a.flapsIndex, c.flapsAfter) << c.what;
    EXPECT_EQ(event(E::GEAR_SET), c.gear) << c.what;
    EXPECT_EQ(a.approach, 0) << c.what;
  }
}

// At or below the approach height: descending at 250 ft/min or more within 10 nm of the
// park airport starts the approach (once); climbing faster than 600 ft/min, or an approach
// that is no longer near the park airport, sets the climb configuration (once).
TEST_F(MovementTest, TheApproachStartsAndEndsAtItsRates) {
  struct Case {
    const char* what;
    AcCategory category;
    double rate;
    std::uint8_t approach;
    std::optional<double> parkNm;
    std::uint8_t climbConfigSet;
    enum { unchanged, starts, climbs } result;
  };
  const AcCategory L = AcCategory::Large;
  const Case cases[] = {
      {"descending at 250 near", L, -250.0, 0, 5.0, 0, Case::starts},
      {"a helicopter descending at 250 near", AcCategory::Rotorcraft, -250.0, 0, 5.0, 0, Case::starts},
      {"descending at 249.9 near", L, -249.9, 0, 5.0, 0, Case::unchanged},
      {"descending at 250 far", L, -250.0, 0, 15.0, 0, Case::unchanged},
      {"descending at 250 without a park airport", L, -250.0, 0, std::nullopt, 0, Case::unchanged},
      {"descending on the approach near", L, -250.0, 1, 5.0, 0, Case::unchanged},
      {"climbing at 600", L, 600.0, 0, 5.0, 0, Case::unchanged},
      {"climbing at 600.1", L, 600.1, 0, 5.0, 0, Case::climbs},
      {"climbing at 600.1 once", L, 600.1, 0, 5.0, 1, Case::unchanged},
      {"on the approach far at 249.9", L, -249.9, 1, 15.0, 0, Case::climbs},
      {"on the approach far at 250", L, -250.0, 1, 15.0, 0, Case::unchanged},
      {"on the approach without a park airport", L, -100.0, 1, std::nullopt, 0, Case::climbs},
      {"on the approach near", L, -100.0, 1, 5.0, 0, Case::unchanged}};
  for (const Case& c : cases) {
    link.simEventQueue.clear();
    engine.touchdownList.clear();
    aircraft(c.category).approach = c.approach;
    a.climbConfigSet = c.climbConfigSet;
    a.aboveGround = 1500.0;
    a.throttleIndex = 3;
    a.flapsIndex = 1;
    a.flarePhase = 2;
    a.sid = 12;
    a.standFlag = 1;
    a.standLat = kBase.lat;
    a.standLon = kBase.lon;
    a.standHeading = 1.0;
    a.phaseCounter = 7;
    a.earlyWindow = a.lateWindow = 2000;
    a.stream = {at(0, 0, 160, now(), 2000)};
    a.stream[0].verticalRate = c.rate;
    MovementHooks::parkPosition =
        c.parkNm ? std::optional<LatLon>{gf_destinationPoint(kBase, 0.0, *c.parkNm * g_feetPerNm)} : std::nullopt;
    lf_approachConfig(a, engine);
    const bool helicopter = c.category == AcCategory::Rotorcraft;
    EXPECT_EQ(event(E::CABIN_LIGHTS_SET), 0u) << c.what;
    EXPECT_EQ(engine.touchdownList.size(), c.result == Case::starts ? 1u : 0u) << c.what;
    switch (c.result) {
      case Case::starts:
        EXPECT_EQ(a.approach, 1) << c.what;
        EXPECT_EQ(a.throttleIndex, helicopter ? 4u : 1u) << c.what;
        EXPECT_EQ(a.flapsIndex, helicopter ? 1u : 3u) << c.what;
        EXPECT_EQ(event(E::GEAR_SET), helicopter ? std::nullopt : std::optional<std::uint32_t>{1}) << c.what;
        EXPECT_EQ(a.climbConfigSet, 0) << c.what;
        EXPECT_EQ(a.sid, 0u) << c.what;
        EXPECT_EQ(a.standFlag, 0) << c.what;
        EXPECT_EQ(a.standLat, 0.0) << c.what;
        EXPECT_EQ(a.standLon, 0.0) << c.what;
        EXPECT_EQ(a.standHeading, 0.0) << c.what;
        EXPECT_EQ(a.phaseCounter, 1) << c.what;
        EXPECT_EQ(a.earlyWindow, 3000) << c.what;
        EXPECT_EQ(a.flarePhase, 2u) << c.what;
        break;
      case Case::climbs:
        EXPECT_EQ(a.approach, 0) << c.what;
        EXPECT_EQ(a.throttleIndex, 4u) << c.what;
        EXPECT_EQ(a.flapsIndex, 0u) << c.what;
        EXPECT_EQ(event(E::GEAR_SET), 0u) << c.what;
        EXPECT_EQ(a.climbConfigSet, 1) << c.what;
        EXPECT_EQ(a.flarePhase, 0u) << c.what;
        EXPECT_EQ(a.earlyWindow, 1900) << c.what;
        EXPECT_EQ(a.sid, 12u) << c.what;
        break;
      case Case::unchanged:
        EXPECT_EQ(a.approach, c.approach) << c.what;
        EXPECT_EQ(a.throttleIndex, 3u) << c.what;
        EXPECT_EQ(a.flapsIndex, 1u) << c.what;
        EXPECT_EQ(event(E::GEAR_SET), std::nullopt) << c.what;
        EXPECT_EQ(a.climbConfigSet, c.climbConfigSet) << c.what;
        EXPECT_EQ(a.flarePhase, 2u) << c.what;
        EXPECT_EQ(a.sid, 12u) << c.what;
        EXPECT_EQ(a.earlyWindow, 2000) << c.what;
        break;
    }
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

// After the rotation the climb is let in by the counter: none at 0, a tenth to -99, a
// fifth to -199, half to -299, the gear up at -300 and all of it from there; below -300,
// with the climb pitch reached at 800 ft above ground or more, the aircraft flies.
TEST_F(MovementTest, TheClimbOutLetsTheClimbInByTheCounterRows) {
  struct Case {
    std::int32_t counter;  // after the cycle
    double share;
    bool gearUp;
  };
  const Case cases[] = {{1, 0.0, false},    {0, 0.0, false},    {-1, 0.1, false},   {-99, 0.1, false},
                        {-100, 0.2, false}, {-199, 0.2, false}, {-200, 0.5, false}, {-299, 0.5, false},
                        {-300, 1.0, true},  {-301, 1.0, false}, {-1000, 1.0, false}};
  for (const Case& c : cases) {
    link.simEventQueue.clear();
    aircraft(AcCategory::Large).flightState = FlightState::take_off;
    a.pitch = a.climbPitch;
    a.climbStep = 0.5;
    a.altitude = 100.0;
    a.aboveGround = 100.0;
    a.phaseCounter = c.counter + 1;
    a.stream = {at(0, 0, 160, now(), 100.0), at(0, 3000, 160, now() + 1000, 400.0)};
    lf_flyCurve(a, engine);
    EXPECT_DOUBLE_EQ(a.altitude, 100.0 + 0.5 * c.share) << c.counter;
    EXPECT_EQ(event(E::GEAR_SET), c.gearUp ? std::optional<std::uint32_t>{0} : std::nullopt) << c.counter;
    EXPECT_EQ(a.flightState, FlightState::take_off) << c.counter;
    EXPECT_EQ(a.phaseCounter, c.counter) << c.counter;
  }
  // The counter stops at -1000.
  a.phaseCounter = -1000;
  lf_flyCurve(a, engine);
  EXPECT_EQ(a.phaseCounter, -1000);

  struct End {
    const char* what;
    AcCategory category;
    double aboveGround;
    bool pitchReached;
    bool flies;
  };
  for (const End e :
       {End{"800 ft", AcCategory::Large, 800.0, true, true}, End{"799.9 ft", AcCategory::Large, 799.9, true, false},
        End{"short of the climb pitch", AcCategory::Large, 900.0, false, false},
        End{"a helicopter", AcCategory::Rotorcraft, 800.0, true, true}}) {
    link.simEventQueue.clear();
    aircraft(e.category).flightState = FlightState::take_off;
    a.pitch = e.pitchReached ? a.climbPitch : a.takeOffPitch;
    a.pitchStep = -0.01 * kDeg;
    a.climbStep = 0.5;
    a.throttleIndex = 4;
    a.altitude = 900.0;
    a.aboveGround = e.aboveGround;
    a.phaseCounter = -400;
    a.stream = {at(0, 0, 160, now(), 900.0), at(0, 3000, 160, now() + 1000, 1200.0)};
    lf_flyCurve(a, engine);
    EXPECT_EQ(a.flightState, e.flies ? FlightState::flying : FlightState::take_off) << e.what;
    EXPECT_EQ(a.phaseCounter, e.flies ? 1 : -401) << e.what;
    EXPECT_EQ(a.throttleIndex, e.flies && e.category != AcCategory::Rotorcraft ? 3u : 4u) << e.what;
    EXPECT_EQ(a.pitchStep, e.pitchReached ? 0.0 : -0.01 * kDeg) << e.what;
  }
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

// The first attitude: the pitch of the reported rate in the air, 0.6 deg nose down on the
// ground; the reported roll when valid; the heading from a livery respawn, else the stand
// when parked, else the track when the next position is the same place, else toward it.
TEST_F(MovementTest, TheFirstAttitudeTakesItsPitchRollAndHeadingFromTheirRows) {
  struct Case {
    const char* what;
    double frontAltitude;
    bool rollValid, respawn, parked, nextStationary;
    double pitch, bank, headingDeg;
  };
  const double towardNext = 45.0;
  const Case cases[] = {
      {"in the air", 3000.0, true, false, false, false, lf_targetPitch(-1200.0), -5.0 * kDeg, towardNext},
      {"on the ground", 0.0, false, false, false, false, 0.6 * kDeg, 0.0, towardNext},
      {"respawned", 3000.0, false, true, true, true, lf_targetPitch(-1200.0), 0.0, 300.0},
      {"parked", 0.0, false, false, true, true, 0.6 * kDeg, 0.0, 250.0},
      {"before a hold", 0.0, false, false, false, true, 0.6 * kDeg, 0.0, 123.0}};
  for (const Case& c : cases) {
    engine.touchdownList.clear();
    aircraft(AcCategory::Large).flightState = c.parked ? FlightState::parked : FlightState::birth;
    a.standHeading = 250.0 * kDeg;
    a.respawnHeadingValid = c.respawn ? 1 : 0;
    a.respawnHeading = 300.0 * kDeg;
    a.headingStep = 1.0;
    a.stream = {at(0, 0, 150, now(), c.frontAltitude), at(towardNext, 2000, 150, now() + 400, c.frontAltitude)};
    StreamPos& front = a.stream[0];
    front.verticalRate = -1200.0;
    front.track = 123.0;
    front.roll = -5.0 * kDeg;
    front.rollValid = c.rollValid ? 1 : 0;
    a.stream[1].stationary = c.nextStationary ? 1 : 0;
    lf_initAttitude(a, engine);
    EXPECT_NEAR(a.pitch, c.pitch, 1e-15) << c.what;
    EXPECT_EQ(a.bank, c.bank) << c.what;
    EXPECT_NEAR(a.heading, c.headingDeg * kDeg, 1e-9) << c.what;
    EXPECT_EQ(a.headingStep, 0.0) << c.what;
    EXPECT_EQ(a.verticalSpeed, -20.0) << c.what;
    EXPECT_EQ(a.trueAirspeed, 150.0) << c.what;
    EXPECT_EQ(engine.touchdownList.size(), 1u) << c.what;
  }
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

// Leaving a ground position for an airborne one the aircraft climbs toward the next
// height, within its category's largest climb per cycle, and not at all when that height
// is not above it.
TEST_F(MovementTest, ALiftOffClimbsOnlyTowardAHigherNextPositionWithinTheCategoryLimit) {
  struct Case {
    AcCategory category;
    double altitude, nextAltitude, climbStep;
  };
  for (const Case c : {Case{AcCategory::Large, 100.0, 200.0, 0.25}, Case{AcCategory::Large, 100.0, 400.0, 0.6},
                       Case{AcCategory::HighPerf, 100.0, 600.0, 1.0}, Case{AcCategory::Large, 200.0, 200.0, 0.0},
                       Case{AcCategory::Large, 300.0, 200.0, 0.0}}) {
    aircraft(c.category).flightState = FlightState::flying;
    a.altitude = c.altitude;
    a.aboveGround = c.altitude;
    a.climbStep = 0.3;
    a.stream = {at(0, 0, 150, now()), at(0, 1500, 160, now() + 400, c.nextAltitude)};
    lf_airStep(a, engine);
    EXPECT_DOUBLE_EQ(a.climbStep, c.climbStep) << c.altitude << " " << c.nextAltitude;
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
      {270, 3.9, 5500, 0, true},    {270, 4.1, 5500, 0, false},
      {270, 3.9, 6000, 0, false},   {90, 3.0, 5000, 0, false},  // ahead of it
      {265, 3.0, 5000, 0, false},   {265, 3.0, 5000, 1, true},  // 1590 ft beside its track
      {268, 3.0, 5000, 0, true},                                // 636 ft beside its track
      {267.7, 3.0, 5000, 0, false},                             // 731 ft
      {270, 5.9, 7900, 1, true},    {270, 6.1, 5000, 1, false},
      {270, 3.0, 8000, 1, false},   {257.8, 3.0, 5000, 1, true},  // 3852 ft
      {257.0, 3.0, 5000, 1, false},                               // 4100 ft
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
