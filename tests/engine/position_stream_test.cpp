// The position stream: dead reckoning, holds, the re-timing windows, and an aircraft whose
// step fails.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

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
}

TEST_F(PositionStream, AParkedAircraftIsHeldOneWeekThenGoes) {
  LiveAc a = record(0.0, 1);
  a.flightState = FlightState::parked;
  a.parkedByReport = 1;
  ASSERT_TRUE(lf_advanceStream(a, engine));
  EXPECT_EQ(a.stepsLeft, 1);
  EXPECT_EQ(a.stream[1].dueTick, a.stream[0].dueTick + 60'480'000);
  EXPECT_EQ(a.stream[1].stationary, 1);
  EXPECT_EQ(a.parkedByReport, 0);
  a.stream.pop_front();
  EXPECT_FALSE(lf_advanceStream(a, engine));
  EXPECT_EQ(a.stepsLeft, -1);
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
