// The position stream: dead reckoning, holds, the re-timing windows, and an aircraft whose
// step fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <stdexcept>

#include "airports/airports_state.h"
#include "engine/aircraft_texts.h"
#include "engine/movement.h"
#include "foundation/geodesy.h"
#include "engine_fixture.h"

namespace vexo {
namespace {

using test::EngineTest;
using test::HookState;

class PositionStream : public EngineTest {
protected:
  void TearDown() override {
    g_settings.AIRBORNE_ONLY.value = false;
    g_settings.MAX_HOLDING_MINUTES.value = 20;
    g_settings.RANGE.value = 40;
    gf_resetAirportsState();
    EngineTest::TearDown();
  }
  // A live record made by hand (not in the engine's table), front at 34,-118.
  LiveAc record(double altitude, std::uint8_t onGround) {
    StreamPos p;
    p.lat = 34.0;
    p.lon = -118.0;
    p.altitude = altitude;
    p.groundSpeed = 200.0;
    p.airborne = altitude > 0.0 ? 1 : 0;
    LiveAc a(gf_makeLiveAcData(AcIdent{}, 20001), p, 0.0);
    a.simState = SimState::active;
    a.onGround = onGround;
    a.lat = p.lat;
    a.lon = p.lon;
    a.altitude = altitude;
    a.heading = 0.0;
    a.stepsLeft = 0;
    return a;
  }
};

TEST_F(PositionStream, TravelTimesAreCheckedBeforeTheyAreConverted) {
  EXPECT_EQ(lf_roundTicks(2147483647.0, "t"), std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(lf_roundTicks(-2147483648.0, "t"), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(lf_roundTicks(24.5, "t"), 25);
  for (const double bad : {2147483648.0, -2147483649.0, std::nan(""), std::numeric_limits<double>::infinity()})
    EXPECT_THROW(lf_roundTicks(bad, "t"), std::range_error) << bad;
}

TEST_F(PositionStream, AnAircraftWhoseStepFailsLeavesTheSimulatorOnce) {
  LiveAc& a = activeAircraft(20001, "DLH1");
  const std::uint32_t objectid = a.objectid;
  // A next position half the world away at a crawl: its travel time fits no 32 bits.
  StreamPos far = a.stream.back();
  far.lat = -80.0;
  far.groundSpeed = 0.0001;
  a.stream.resize(1);
  a.stream.front().groundSpeed = 0.0001;
  a.stream.front().dueTick = tick();
  far.dueTick = tick() + 100;
  a.stream.push_back(far);
  cycle();
  ASSERT_NE(find(20001), nullptr);
  EXPECT_EQ(find(20001)->simState, SimState::removingfromsim);
  cycles(50);
  EXPECT_EQ(find(20001), nullptr);
  EXPECT_EQ(std::count(sim.removals.begin(), sim.removals.end(), objectid), 1);
}

TEST_F(PositionStream, ATaxiingAircraftHoldsTwentyWholeMinutesAndGoesInTheTwentyFirst) {
  LiveAc a = record(0.0, 1);
  a.flightState = FlightState::taxi;
  engine.trafficTick = 1000;
  ASSERT_TRUE(lf_advanceStream(a, engine));
  EXPECT_EQ(a.holding, 1);
  EXPECT_EQ(a.holdStartTick, 1000);
  ASSERT_EQ(a.stream.size(), 2u);
  EXPECT_EQ(a.stream[1].dueTick, a.stream[0].dueTick + 300);
  EXPECT_EQ(a.stream[1].stationary, 1);
  a.stream.pop_front();
  engine.trafficTick = 1000 + 20 * 6000 + 5999;  // 20 min 59 s
  EXPECT_TRUE(lf_advanceStream(a, engine));
  a.stream.pop_front();
  engine.trafficTick = 1000 + 21 * 6000;
  EXPECT_FALSE(lf_advanceStream(a, engine));
  // With AIRBORNE_ONLY a second hold ends it.
  LiveAc b = record(0.0, 1);
  b.flightState = FlightState::taxi;
  g_settings.AIRBORNE_ONLY.value = true;
  EXPECT_TRUE(lf_advanceStream(b, engine));
  EXPECT_FALSE(lf_advanceStream(b, engine));
}

TEST_F(PositionStream, AnAircraftInTheAirIsExtendedUnlessNearTheEdgeOfRange) {
  g_settings.RANGE.value = 10;
  HookState::user.latitude = 34.0;
  HookState::user.longitude = -118.0;
  cycles(100);  // the engine takes the user position
  for (const auto& [distanceNm, extended] : {std::pair{9.4, true}, std::pair{9.6, false}}) {
    LiveAc a = record(5000.0, 0);
    a.lat = 34.0 + distanceNm / 60.0;
    a.heading = 0.0;
    EXPECT_EQ(lf_advanceStream(a, engine), extended) << distanceNm;
    if (!extended) continue;
    EXPECT_EQ(a.stepsLeft, 8);
    ASSERT_EQ(a.stream.size(), 2u);
    const StreamPos& p = a.stream[1];
    EXPECT_EQ(p.dueTick, a.stream[0].dueTick + 800);
    EXPECT_DOUBLE_EQ(p.groundSpeed, 190.0);
    // 8 s at 190 kt along the heading (north).
    EXPECT_NEAR(gf_greatCircleNm({34.0, -118.0}, {p.lat, p.lon}), 190.0 * 8 / 3600, 1e-6);
  }
  // Exactly RANGE - 0.5 nm away it goes too: near the equator, where the latitudes are fine
  // enough, one 9.5 nm north of the user to the last bit.
  LiveAc a = record(5000.0, 0);
  UserAcData user;
  user.latitude = 0.0002;
  user.longitude = 0.0;
  a.lon = 0.0;
  const auto fromUser = [&user](double lat) { return gf_greatCircleNm({user.latitude, user.longitude}, {lat, 0.0}); };
  a.lat = user.latitude + 9.5 / 60.0;
  while (fromUser(a.lat) > 9.5) a.lat = std::nextafter(a.lat, 0.0);
  while (fromUser(std::nextafter(a.lat, 90.0)) <= 9.5) a.lat = std::nextafter(a.lat, 90.0);
  ASSERT_EQ(fromUser(a.lat), 9.5);
  engine.userAc.set(user);
  EXPECT_FALSE(lf_advanceStream(a, engine));
}

// The user's position counts as known when either coordinate lies off zero; an aircraft in
// the air that runs dry at RANGE - 0.5 nm from it or farther goes.
TEST_F(PositionStream, AnAircraftInTheAirGoesAtTheEdgeOfRangeOnceEitherUserCoordinateIsKnown) {
  struct Case {
    double userLat, userLon;
    bool extended;
  };
  const Case cases[] = {{0.0, 0.0, true}, {0.00005, -0.00005, true}, {0.0, -118.0, false}, {34.0, 0.0, false}};
  for (const Case& c : cases) {
    UserAcData user;
    user.latitude = c.userLat;
    user.longitude = c.userLon;
    engine.userAc.set(user);
    LiveAc a = record(5000.0, 0);
    EXPECT_EQ(lf_advanceStream(a, engine), c.extended) << c.userLat << "," << c.userLon;
  }
}

// With AIRBORNE_ONLY an aircraft that runs dry within 1000 ft of the park airport's
// elevation (of 0 without a park airport) goes.
TEST_F(PositionStream, WithAirborneOnlyAnAircraftRunningDryWithin1000FeetOfTheAirportGoes) {
  g_settings.AIRBORNE_ONLY.value = true;
  struct Case {
    std::optional<double> elevation;
    double altitude;
    bool extended;
  };
  const Case cases[] = {{500.0, 1499.0, false}, {500.0, 1500.0, true}, {std::nullopt, 999.0, false},
                        {std::nullopt, 1000.0, true}};
  for (const Case& c : cases) {
    HookState::parkElevation = c.elevation;
    LiveAc a = record(c.altitude, 0);
    EXPECT_EQ(lf_advanceStream(a, engine), c.extended) << c.elevation.value_or(-1.0) << " " << c.altitude;
  }
}

// A taxiing aircraft that runs dry within 1.2 times both half spans of another taxiing
// aircraft goes; others around it (itself, standing, flying, not yet created) do not count.
TEST_F(PositionStream, ATaxiingAircraftRunningDryNextToAnotherTaxiingOneGoes) {
  struct Case {
    double factor;  // of both half spans
    std::uint32_t otherObject;
    FlightState otherState;
    std::uint8_t otherOnGround;
    SimState otherSim;
    bool holds;
  };
  const Case cases[] = {{1.19, 8, FlightState::taxi, 1, SimState::active, false},
                        {1.21, 8, FlightState::taxi, 1, SimState::active, true},
                        {1.0, 7, FlightState::taxi, 1, SimState::active, true},
                        {1.0, 8, FlightState::parked, 1, SimState::active, true},
                        {1.0, 8, FlightState::taxi, 0, SimState::active, true},
                        {1.0, 8, FlightState::taxi, 1, SimState::adding2sim, true}};
  const double nmPerDeg = gf_greatCircleNm({34.0, -118.0}, {35.0, -118.0});
  for (const Case& c : cases) {
    LiveAc a = record(0.0, 1);
    a.flightState = FlightState::taxi;
    a.objectid = 7;
    a.halfSpan = 0.01;
    LiveAc& other = engine.liveAcs.emplace_back(record(0.0, c.otherOnGround));
    other.objectid = c.otherObject;
    other.flightState = c.otherState;
    other.simState = c.otherSim;
    other.halfSpan = 0.02;
    other.lat = 34.0 + c.factor * 0.03 / nmPerDeg;
    EXPECT_EQ(lf_advanceStream(a, engine), c.holds) << c.factor << " " << c.otherObject;
    EXPECT_EQ(a.holding, c.holds ? 1 : 0) << c.factor << " " << c.otherObject;
    engine.liveAcs.clear();
  }
}

TEST_F(PositionStream, AParkedAircraftIsHeldOneWeekThenGoes) {
  // Its stand was marked taken by a live aircraft when it arrived.
  ParkingPosition& stand = g_stands.emplace_back("A1", std::vector<LearnedFlight>{}, 34.0, -118.0, 0.0, 30.0, 0, false,
                                                 false, false);
  stand.sid = 1;
  stand.occupied = 1;
  LiveAc a = record(0.0, 1);
  a.flightState = FlightState::parked;
  a.parkedByReport = 1;
  a.sid = 1;
  ASSERT_TRUE(lf_advanceStream(a, engine));
  EXPECT_EQ(a.stepsLeft, 1);
  EXPECT_EQ(a.stream[1].dueTick, a.stream[0].dueTick + 60'480'000);
  EXPECT_EQ(a.stream[1].stationary, 1);
  EXPECT_EQ(a.parkedByReport, 0);
  EXPECT_EQ(g_stands[0].occupied, 0) << "the week-long hold frees the stand for another live aircraft";
  a.stream.pop_front();
  EXPECT_FALSE(lf_advanceStream(a, engine));
  EXPECT_EQ(a.stepsLeft, -1);
}

// The stream runs dry with no extension under way: how many dead-reckoned positions follow
// before the aircraft goes.
TEST_F(PositionStream, AnExtensionLastsTenStepsOnTheGroundEightInTheAirAndOneWhenParked) {
  struct Case {
    const char* what;
    double altitude;
    FlightState state;
    std::uint8_t takeOffRoll, landingRoll;
    int steps;
  };
  const Case cases[] = {{"take-off roll", 0.0, FlightState::taxi, 1, 0, 10},
                        {"landing roll", 0.0, FlightState::taxi, 0, 1, 10},
                        {"in the air", 5000.0, FlightState::flying, 0, 0, 8},
                        {"parked", 0.0, FlightState::parked, 0, 0, 1}};
  for (const Case& c : cases) {
    LiveAc a = record(c.altitude, c.altitude > 0.0 ? 0 : 1);
    a.flightState = c.state;
    a.takeOffRoll = c.takeOffRoll;
    a.landingRoll = c.landingRoll;
    int steps = 0;
    while (steps < 20 && lf_advanceStream(a, engine)) {
      if (steps == 0) {
        EXPECT_EQ(a.stepsLeft, c.steps) << c.what;
      }
      ASSERT_EQ(a.stream.size(), 2u) << c.what;
      a.stream.pop_front();
      ++steps;
    }
    EXPECT_EQ(steps, c.steps) << c.what;
    EXPECT_EQ(a.stepsLeft, -1) << c.what;
  }
}

// The speed of a dead-reckoned position in a roll, by the speed of the position it starts from.
TEST_F(PositionStream, ARollIsReckonedOnAtTheSpeedOfItsRow) {
  struct Case {
    bool takeOff;
    double from, speed, verticalRate;
  };
  const Case cases[] = {{true, 30.0, 40.0, 0.0},    {true, 30.1, 80.0, 0.0},     {true, 60.0, 80.0, 0.0},
                        {true, 100.0, 110.0, 0.0},  {true, 100.1, 150.0, 600.0}, {true, 140.0, 150.0, 600.0},
                        {true, 140.1, 170.0, 1200.0}, {true, 160.0, 170.0, 1200.0}, {true, 160.1, 180.0, 2400.0},
                        {false, 140.0, 100.0, 0.0}, {false, 139.9, 80.0, 0.0},   {false, 100.0, 80.0, 0.0},
                        {false, 99.9, 60.0, 0.0},   {false, 80.0, 60.0, 0.0},    {false, 79.9, 30.0, 0.0},
                        {false, 60.0, 30.0, 0.0},   {false, 59.9, 20.0, 0.0}};
  {  // Neither roll: the aircraft stands where it is.
    LiveAc a = record(0.0, 1);
    a.flightState = FlightState::taxi;
    lf_extendStream(a, 10, engine);
    ASSERT_EQ(a.stream.size(), 2u);
    EXPECT_EQ(a.stream[1].stationary, 1);
    EXPECT_EQ(a.stream[1].groundSpeed, 0.0);
    EXPECT_EQ(a.stream[1].lat, 34.0);
    EXPECT_EQ(a.stream[1].dueTick, a.stream[0].dueTick + 300);
  }
  for (const Case& c : cases) {
    LiveAc a = record(0.0, 1);
    a.flightState = FlightState::taxi;
    (c.takeOff ? a.takeOffRoll : a.landingRoll) = 1;
    a.stream.front().groundSpeed = c.from;
    a.stream.front().verticalRate = 0.0;
    lf_extendStream(a, 10, engine);
    ASSERT_EQ(a.stream.size(), 2u);
    const StreamPos& p = a.stream[1];
    EXPECT_EQ(p.groundSpeed, c.speed) << c.takeOff << " " << c.from;
    EXPECT_EQ(p.verticalRate, c.verticalRate) << c.takeOff << " " << c.from;
    EXPECT_EQ(p.dueTick, a.stream[0].dueTick + 300) << c.takeOff << " " << c.from;
    // 3 s along the heading (north) at that speed.
    EXPECT_NEAR(gf_greatCircleNm({34.0, -118.0}, {p.lat, p.lon}), c.speed * 3 / 3600, 1e-9) << c.takeOff << " " << c.from;
  }
}

// On an approach the last four steps keep the speed; the others slow by a tenth.
TEST_F(PositionStream, AnApproachSlowsItsReckonedStepsUntilTheLastFour) {
  for (const auto& [steps, speed] : {std::pair{4, 180.0}, std::pair{3, 200.0}}) {
    LiveAc a = record(2000.0, 0);
    a.flightState = FlightState::flying;
    a.approach = 1;
    lf_extendStream(a, steps, engine);
    ASSERT_EQ(a.stream.size(), 2u);
    EXPECT_EQ(a.stream[1].groundSpeed, speed) << steps;
    EXPECT_DOUBLE_EQ(a.stream[1].altitude, 2000.0 - 10.005 * 8) << steps;
    EXPECT_EQ(a.stream[1].verticalRate, -667.0) << steps;
  }
}

// Climbing out, a reckoned step rises by 25 ft a second at 1500 ft/min.
TEST_F(PositionStream, AReckonedStepOfATakeOffClimbsTwentyFiveFeetASecond) {
  LiveAc a = record(500.0, 0);
  a.flightState = FlightState::take_off;
  lf_extendStream(a, 8, engine);
  ASSERT_EQ(a.stream.size(), 2u);
  EXPECT_DOUBLE_EQ(a.stream[1].altitude, 500.0 + 25.0 * 8);
  EXPECT_EQ(a.stream[1].verticalRate, 1500.0);
  EXPECT_EQ(a.stream[1].dueTick, a.stream[0].dueTick + 800);
  // From a ground report (altitude 0, the reader's on-the-ground marker) the climb starts
  // where the aircraft is, at a field 7300 ft high.
  LiveAc g = record(0.0, 0);
  g.altitude = 7308.0;
  g.flightState = FlightState::take_off;
  lf_extendStream(g, 8, engine);
  ASSERT_EQ(g.stream.size(), 2u);
  EXPECT_DOUBLE_EQ(g.stream[1].altitude, 7308.0 + 25.0 * 8);
  EXPECT_EQ(g.stream[1].airborne, 1);
}

// The cycles to the next position are at least 25, also when its due tick has passed.
TEST_F(PositionStream, TheCyclesToTheNextPositionAreAtLeast25) {
  LiveAc a = record(5000.0, 0);
  engine.trafficTick = 1000;
  a.stream.push_back(a.stream.front());
  for (const auto& [due, cycles] : {std::pair{900, 25}, std::pair{1024, 25}, std::pair{1026, 26}}) {
    a.stream[1].dueTick = due;
    EXPECT_EQ(lf_cyclesToNext(a, engine), cycles) << due;
  }
}

// A front due after the position behind it: when the front is reached, the next position
// is already due. The leg to it is flown whole, at no more than twice its speed, and the
// position falls due when the aircraft is there.
TEST_F(PositionStream, AnOverdueNextPositionIsReachedAtNoMoreThanTwiceTheLegsSpeed) {
  LiveAc a = record(5000.0, 0);
  a.flightState = FlightState::flying;
  a.objectid = 7;
  engine.trafficTick = 10000;
  a.stream.front().dueTick = 10000;
  StreamPos next = a.stream.front();
  next.lat += 5200.0 / 111132.95;  // 5.2 km north
  next.dueTick = 8000;             // due before the front, by more than the late window
  StreamPos after = next;
  after.lon += 1300.0 / 111132.95 / std::cos(after.lat * g_degToRad);  // then east
  after.dueTick = 10500;
  a.stream.push_back(next);
  a.stream.push_back(after);
  double longest = 0.0;
  double nearest = 1e9;
  for (int c = 0; c < 3000 && a.simState == SimState::active; ++c) {
    const LatLon before{a.lat, a.lon};
    updateLiveAc(a, engine);
    engine.trafficTick = engine.trafficTick.load() + 1;
    longest = std::max(longest, gf_greatCircleNm(before, {a.lat, a.lon}) * 1852.0);
    nearest = std::min(nearest, gf_greatCircleNm({next.lat, next.lon}, {a.lat, a.lon}) * 1852.0);
  }
  engine.link.simPositionQueue.engineSide().clear();
  EXPECT_LE(longest, 2.0 * 200.0 * 1852.0 / 360000.0 * 1.001) << "metres in a cycle, 200 kt reported";
  EXPECT_LT(nearest, 1.0) << "metres from the overdue position";
}

// An aircraft in the air never stands still: a standing next position is dropped, except
// for a helicopter.
TEST_F(PositionStream, InTheAirAStandingNextPositionIsDroppedUnlessTheAircraftIsAHelicopter) {
  for (const AcCategory category : {AcCategory::Large, AcCategory::Rotorcraft}) {
    LiveAc a = record(5000.0, 0);
    a.category = category;
    a.flightState = FlightState::flying;
    engine.trafficTick = a.stream.front().dueTick;
    StreamPos standing = a.stream.front();
    standing.stationary = 1;
    standing.dueTick += 500;
    StreamPos on = a.stream.front();
    on.lat += 1.0 / 60.0;
    on.dueTick += 1500;
    a.stream.push_back(standing);
    a.stream.push_back(on);
    nextPosMain(a, engine);
    const bool helicopter = category == AcCategory::Rotorcraft;
    ASSERT_EQ(a.stream.size(), helicopter ? 2u : 1u) << gf_categoryName(category);
    EXPECT_EQ(a.stream.front().stationary, helicopter ? 1 : 0) << gf_categoryName(category);
  }
}

// Each cycle: a standing front is held in place and sent with no airspeed; a moving one is
// flown toward at the reported speed.
TEST_F(PositionStream, AStandingFrontHoldsTheAircraftAndSendsNoAirspeed) {
  struct Case {
    bool frontDue, nextStanding;
    double trueAirspeed;
    bool moves;
  };
  for (const Case c : {Case{true, true, 0.0, false}, Case{true, false, 12.0, true}, Case{false, true, 0.0, false}}) {
    LiveAc a = record(0.0, 1);
    a.flightState = FlightState::taxi;
    a.objectid = 7;
    engine.trafficTick = 1000;
    a.stream.front().dueTick = c.frontDue ? 1000 : 2000;
    a.stream.front().stationary = c.frontDue ? 0 : 1;
    a.stream.front().groundSpeed = 12.0;
    StreamPos next = a.stream.front();
    next.groundSpeed = c.nextStanding ? 0.0 : 12.0;
    next.lat += c.nextStanding ? 0.0 : 0.001;
    next.dueTick = 3000;
    a.stream.push_back(next);
    a.latStep = c.frontDue ? 0.0 : 0.0001;  // left from the way there
    a.reportedSpeed = 50.0;                  // from the leg before
    a.trueAirspeed = 99.0;
    EXPECT_FALSE(updateLiveAc(a, engine));
    EXPECT_EQ(a.trueAirspeed, c.frontDue ? c.trueAirspeed : 99.0) << c.frontDue << c.nextStanding;
    EXPECT_EQ(a.lat != 34.0, c.moves) << c.frontDue << c.nextStanding;
    EXPECT_EQ(engine.link.simPositionQueue.engineSide().size(), 1u);
    engine.link.simPositionQueue.engineSide().clear();
  }
}

// A standing next position: outside the rolls the windows close in by 100 cycles a step.
TEST_F(PositionStream, TheWindowsShrinkTowardAStandingPositionOnlyOutsideTheRolls) {
  struct Case {
    std::uint8_t takeOffRoll, landingRoll;
    std::int32_t early, late;
  };
  for (const Case c : {Case{0, 0, 2900, 4900}, Case{1, 0, 3000, 5000}, Case{0, 1, 3000, 5000}}) {
    LiveAc a = record(0.0, 1);
    a.flightState = FlightState::taxi;
    a.takeOffRoll = c.takeOffRoll;
    a.landingRoll = c.landingRoll;
    a.earlyWindow = 3000;
    a.lateWindow = 5000;
    engine.trafficTick = 0;
    a.stream.front().dueTick = 0;
    StreamPos standing = a.stream.front();
    standing.groundSpeed = 0.0;
    standing.dueTick = 500;
    a.stream.push_back(standing);
    lf_groundStep(a, engine);
    ASSERT_EQ(a.stream.size(), 1u);
    EXPECT_EQ(a.stream[0].stationary, 1) << "a next position on the front stands";
    EXPECT_EQ(a.latStep, 0.0);
    EXPECT_EQ(a.earlyWindow, c.early) << int{c.takeOffRoll} << int{c.landingRoll};
    EXPECT_EQ(a.lateWindow, c.late) << int{c.takeOffRoll} << int{c.landingRoll};
  }
}

TEST_F(PositionStream, TheNextDueTickStaysWithinTheWindows) {
  LiveAc a = record(5000.0, 0);
  engine.trafficTick = 10000;
  StreamPos next = a.stream.front();
  next.dueTick = 12000;
  a.stream.push_back(next);
  lf_setNextDue(a, 5000, engine);  // 15000 > 12000 + 1000
  EXPECT_EQ(a.stream[1].dueTick, 13000);
  lf_openWindows(a);
  lf_setNextDue(a, 0, engine);  // 10000 > 13000 - 3000: not before now either
  EXPECT_EQ(a.stream[1].dueTick, 10000);
  a.stepsLeft = 1;  // an extension is re-timed freely
  lf_setNextDue(a, 90000, engine);
  EXPECT_EQ(a.stream[1].dueTick, 100000);
  a.earlyWindow = 1050;
  lf_shrinkWindows(a);
  EXPECT_EQ(a.earlyWindow, 1000);
  EXPECT_EQ(a.lateWindow, 2900);
}

}  // namespace
}  // namespace vexo
