// Spawning: the ordered rules of the spawn decision, ghosts, capacity and livery respawn.
#include <gtest/gtest.h>

#include <algorithm>
#include <numbers>

#include "engine/spawning.h"
#include "engine_fixture.h"
#include "foundation/geodesy.h"
#include "liveries/liveries_services.h"

namespace vexo {
namespace {

using test::EngineTest;
using test::HookState;

class Spawning : public EngineTest {
protected:
  void TearDown() override {
    g_settings.MAX_LIVE_SEL.value = 500;
    g_settings.GUID_CHANGES.value = true;
    g_settings.COLLISION_USER_AIR.value = true;
    g_settings.COLLISION_USER_GND.value = true;
    g_missingLiveries.clear();
    link.userOnGround = false;
    EngineTest::TearDown();
  }
  // A buffered record with two due positions, in the engine's table.
  LiveAc& buffered(std::uint32_t hexid, std::string callsign, double lat = 34.0, std::string model = "B738") {
    lf_takeLiveReport(dueNow(report(hexid, callsign, 1000.0, lat, -118.0, 5000.0, 200.0, 90.0, model)), engine);
    lf_takeLiveReport(dueNow(report(hexid, callsign, 1010.0, lat + 0.01, -118.0, 5000.0, 200.0, 90.0, model)), engine);
    return *find(hexid);
  }
};

TEST_F(Spawning, TheRulesDropOrSpawnInTheirOrder) {
  LiveAc& a = buffered(20001, "123456789");  // 9 characters: replaced by the registration
  a.registration = "D-EFGH";
  lf_spawnDecision(a, engine);
  EXPECT_EQ(a.callsign, "D-EFGH");
  EXPECT_EQ(a.simState, SimState::adding2sim);
  EXPECT_EQ(a.flightState, FlightState::flying);
  EXPECT_EQ(a.liveryTitle, test::g_fallbackLiveryTitle);
  EXPECT_EQ(a.codes.airlineId, gf_airlineCode2Id("PVT"));  // unknown registration, no prefix in "D-EFGH"

  LiveAc& b = buffered(20002, "N12");  // two letters and digits: no prefix, no registration
  b.callsign = "TOOLONGCS";
  lf_spawnDecision(b, engine);
  EXPECT_EQ(b.eraseFromBuffer, 1);

  g_settings.MAX_LIVE_SEL.value = 0;
  LiveAc& c = buffered(20003, "UAL1");
  lf_spawnDecision(c, engine);
  EXPECT_EQ(c.eraseFromBuffer, 1);
}

TEST_F(Spawning, TenWaitingCreationsStillLetOneSpawnElevenHoldIt) {
  engine.liveAddQueue.resize(10);
  LiveAc& a = buffered(20001, "DLH1");
  lf_spawnDecision(a, engine);
  EXPECT_EQ(a.simState, SimState::adding2sim);
  engine.liveAddQueue.resize(11);
  LiveAc& b = buffered(20002, "DLH2");
  lf_spawnDecision(b, engine);
  EXPECT_EQ(b.simState, SimState::buffer);
  EXPECT_EQ(b.stream.size(), 1u);  // its head dropped
  // The adding stack feeds the queue: its aircraft wait as well.
  engine.liveAddQueue.resize(6);
  engine.addingStack.insert(engine.addingStack.end(), {30001, 30002, 30003, 30004});  // and DLH1's
  LiveAc& c = buffered(20003, "DLH3");
  lf_spawnDecision(c, engine);
  EXPECT_EQ(c.simState, SimState::buffer);
  EXPECT_EQ(c.stream.size(), 1u);
  engine.liveAddQueue.resize(5);
  LiveAc& d = buffered(20004, "DLH4");
  lf_spawnDecision(d, engine);
  EXPECT_EQ(d.simState, SimState::adding2sim);
  std::erase_if(engine.addingStack, [](std::uint32_t hexid) { return hexid >= 30001; });
  engine.liveAddQueue.clear();
}

TEST_F(Spawning, AtCapacityOnlyAFartherActiveAircraftMakesRoom) {
  g_settings.MAX_LIVE_SEL.value = 1;
  HookState::user.latitude = 34.0;
  HookState::user.longitude = -118.0;
  LiveAc& far = activeAircraft(20001, "DLH1");
  far.lat = 34.0 + 20.05 / 60.0;  // 20.05 nm: not more than 0.1 nm beyond a new one at 20 nm
  far.lon = -118.0;
  LiveAc& a = buffered(20002, "DLH2", 34.0 + 20.0 / 60.0);
  lf_spawnDecision(a, engine);
  EXPECT_EQ(a.eraseFromBuffer, 1);
  LiveAc& active = *find(20001);
  active.lat = 34.0 + 20.15 / 60.0;
  active.stream.back().lat = active.lat;
  LiveAc& b = buffered(20003, "DLH3", 34.0 + 20.0 / 60.0);
  lf_spawnDecision(b, engine);
  EXPECT_EQ(find(20001)->simState, SimState::removingfromsim);
  EXPECT_EQ(find(20003)->simState, SimState::adding2sim);
}

TEST_F(Spawning, AGhostGoesWhenItsOwnerSpawnsAndIsNeverSpawnedAgain) {
  activeAircraft(20001, "DLH1_");
  LiveAc& owner = buffered(20002, "DLH1", 35.0);
  lf_spawnDecision(owner, engine);
  EXPECT_EQ(find(20001)->simState, SimState::removingfromsim);
  ASSERT_EQ(engine.ghostCallsigns.size(), 1u);
  EXPECT_EQ(engine.ghostCallsigns[0], "DLH1_");
  LiveAc& again = buffered(20003, "DLH1_", 36.0, "A320");  // another model: not the same aircraft twice
  lf_spawnDecision(again, engine);
  EXPECT_EQ(again.eraseFromBuffer, 1);
}

TEST_F(Spawning, TheUserPathTestReadsTheHeadsAltitudeAndHeading) {
  link.userOnGround = false;
  LiveAc& a = buffered(20001, "DLH1");
  a.stream[0].altitude = 12000.0;
  EXPECT_FALSE(lf_holdNearUser(a, engine));
  EXPECT_EQ(a.altitude, 12000.0);
  // Heading from the head toward the next position (due north), not a default of north by luck:
  a.stream[1].lat = 34.0;
  a.stream[1].lon = -117.99;
  lf_holdNearUser(a, engine);
  EXPECT_NEAR(a.heading, gf_initialBearing({34.0, -118.0}, {34.0, -117.99}), 1e-12);
}

// The user on the ground: a record marked near the user waits (its head dropped as it
// falls due) while the user moves faster than 8 kt, or while its head is on the ground
// unless slow (8 kt or less) and 500 m or more away; any record whose head is on the
// ground within 150 m of the user waits while the ground collision is on.
TEST_F(Spawning, NearTheUserOnTheGroundARecordWaitsWhileEitherMoves) {
  link.userOnGround = true;
  struct Case {
    bool nearUser;
    double userKt;
    bool headAirborne;
    double headKt, metres;
    bool collisionGnd, waits;
  };
  const Case cases[] = {
      {true, 8.1, true, 200.0, 5000.0, false, true},  {true, 8.0, false, 8.1, 600.0, false, true},
      {true, 8.0, false, 8.0, 499.0, false, true},    {true, 8.0, false, 8.0, 501.0, false, false},
      {true, 8.0, true, 200.0, 300.0, false, false},  {false, 20.0, false, 20.0, 149.0, true, true},
      {false, 20.0, false, 20.0, 151.0, true, false}, {false, 20.0, false, 20.0, 149.0, false, false},
      {false, 20.0, true, 200.0, 149.0, true, false},
  };
  std::uint32_t hexid = 20000;
  for (const Case& c : cases) {
    SCOPED_TRACE(fmt::format("near {}, user {} kt, head airborne {} at {} kt, {} m, collision {}", c.nearUser, c.userKt,
                             c.headAirborne, c.headKt, c.metres, c.collisionGnd));
    g_settings.COLLISION_USER_GND.value = c.collisionGnd;
    LiveAc& a = buffered(++hexid, fmt::format("DLH{}", hexid));
    a.nearUser = c.nearUser ? 1 : 0;
    StreamPos& head = a.stream.front();
    head.airborne = c.headAirborne ? 1 : 0;
    head.groundSpeed = c.headKt;
    const LatLon user = gf_destinationPoint({head.lat, head.lon}, std::numbers::pi, c.metres / 1852.0 * g_feetPerNm);
    engine.userAc.set(UserAcData{.latitude = user.lat, .longitude = user.lon, .groundSpeed = c.userKt});
    EXPECT_EQ(lf_holdNearUser(a, engine), c.waits);
    EXPECT_EQ(a.stream.size(), c.waits ? 1U : 2U);
    EXPECT_EQ(a.eraseFromBuffer, 0);
  }
}

// The user in the air: with the air collision on, a record the user is close behind by
// the wide limits (6 nm, less than 3000 ft above or below, 4000 ft off its track) is
// dropped and marked near the user; one marked before waits whatever the test says.
TEST_F(Spawning, InTheAirARecordTheUserIsCloseBehindIsDropped) {
  link.userOnGround = false;
  struct Case {
    bool collisionAir, nearUser;
    double behindNm, userAltitude;
    bool waits, dropped;
  };
  const Case cases[] = {
      {true, false, 5.9, 2100.0, true, true},   {false, false, 5.9, 2100.0, false, false},
      {true, false, 6.1, 5000.0, false, false}, {true, false, 3.0, 2000.0, false, false},
      {true, true, 6.1, 5000.0, true, false},
  };
  std::uint32_t hexid = 20000;
  for (const Case& c : cases) {
    SCOPED_TRACE(fmt::format("collision {}, near {}, {} nm behind at {} ft", c.collisionAir, c.nearUser, c.behindNm,
                             c.userAltitude));
    g_settings.COLLISION_USER_AIR.value = c.collisionAir;
    LiveAc& a = buffered(++hexid, fmt::format("DLH{}", hexid));  // flying north at 5000 ft
    a.nearUser = c.nearUser ? 1 : 0;
    const StreamPos& head = a.stream.front();
    // Behind it, 3500 ft to the side of its track.
    const LatLon behind = gf_destinationPoint({head.lat, head.lon}, std::numbers::pi, c.behindNm * g_feetPerNm);
    const LatLon user = gf_destinationPoint(behind, std::numbers::pi / 2.0, 3500.0);
    engine.userAc.set(UserAcData{.latitude = user.lat, .longitude = user.lon, .altitude = c.userAltitude});
    EXPECT_EQ(lf_holdNearUser(a, engine), c.waits);
    EXPECT_EQ(a.stream.size(), c.waits ? 1U : 2U);
    EXPECT_EQ(a.eraseFromBuffer != 0, c.dropped);
    EXPECT_EQ(a.nearUser != 0, c.nearUser || c.dropped);
  }
}

// A parked aircraft whose livery changes is created again on the spot it stands on, facing
// the way it faced, and stays parked there: the positions behind its head are dropped.
TEST_F(Spawning, AParkedAircraftRespawnsOnItsSpotFacingTheSameWay) {
  LiveAc& a = activeAircraft(20001, "DLH1", 0.0);
  const std::uint32_t objectid = a.objectid;
  a.flightState = FlightState::parked;
  a.heading = 1.2;
  StreamPos spot = a.stream.front();
  spot.lat = a.lat;
  spot.lon = a.lon;
  spot.dueTick = gf_addTicks(tick(), 100'000);
  StreamPos later = spot;
  later.lat += 0.001;
  a.stream = {spot, later, later};
  a.stream[1].dueTick = gf_addTicks(tick(), 100'100);
  a.stream[2].dueTick = gf_addTicks(tick(), 100'200);
  liveryRespawn(a, engine);
  EXPECT_EQ(a.simState, SimState::liveryrespawn);
  ASSERT_EQ(a.stream.size(), 2U);
  for (const StreamPos& p : a.stream) {
    EXPECT_EQ(p.lat, spot.lat);
    EXPECT_EQ(p.lon, spot.lon);
    EXPECT_NE(p.stationary, 0);
    EXPECT_NEAR(p.track, 1.2 * 180.0 / std::numbers::pi, 1e-9);
  }
  EXPECT_EQ(a.stream.front().dueTick, tick() + 1);
  EXPECT_EQ(a.respawnHeadingValid, 1);
  EXPECT_EQ(a.respawnHeading, 1.2);

  for (int i = 0; i < 400 && sim.creations.size() < 2; ++i) cycle();
  ASSERT_EQ(sim.creations.size(), 2U);
  EXPECT_EQ(std::count(sim.removals.begin(), sim.removals.end(), objectid), 1);
  const SimConnectInitPosition& created = sim.creations[1].initPosition;
  EXPECT_NEAR(created.Latitude, spot.lat, 1e-9);
  EXPECT_NEAR(created.Longitude, spot.lon, 1e-9);
  EXPECT_NEAR(created.Heading, 1.2 * 180.0 / std::numbers::pi, 1e-6);
  cycles(300);
  LiveAc& again = *find(20001);
  EXPECT_EQ(again.simState, SimState::active);
  EXPECT_EQ(again.flightState, FlightState::parked);
  EXPECT_NEAR(again.lat, spot.lat, 1e-9);
  EXPECT_NEAR(again.lon, spot.lon, 1e-9);
  EXPECT_NEAR(again.heading, 1.2, 1e-9);
}

TEST_F(Spawning, ACallsignChangeRenamesOrRespawns) {
  LiveAc& a = activeAircraft(20001, "DLH1");
  const std::uint32_t objectid = a.objectid;
  g_settings.GUID_CHANGES.value = false;
  LiveReport r = report(20001, "DLH2", 2000.0);
  EXPECT_TRUE(lf_checkRespawn(a, r, engine));
  EXPECT_EQ(a.callsign, "DLH2");
  EXPECT_EQ(a.simState, SimState::active);
  g_settings.GUID_CHANGES.value = true;
  r.ident.callsign = "DLH3";
  EXPECT_FALSE(lf_checkRespawn(a, r, engine));
  EXPECT_EQ(a.simState, SimState::liveryrespawn);
  EXPECT_EQ(a.stream.front().dueTick, tick() + 1);
  // The removal brings it back to the buffer, and it is created again.
  for (int i = 0; i < 400 && sim.creations.size() < 2; ++i) cycle();
  ASSERT_EQ(sim.creations.size(), 2u);
  EXPECT_EQ(sim.creations[1].callsign, "DLH3");
  EXPECT_EQ(std::count(sim.removals.begin(), sim.removals.end(), objectid), 1);
}

// The livery the registration codes give, by registration (a plain function's state).
struct RegcodeTitles {
  static inline std::string registration;
  static inline std::string title;
  static std::string_view lookUp(std::string_view r) { return r == registration ? std::string_view(title) : ""; }
};

TEST_F(Spawning, ANewRegistrationWithALiveryOfItsOwnDecidesByThatLiveryFirst) {
  // An aircraft reported first without a registration (so its livery came without one),
  // then with one: a livery that the registration codes name for it decides before the
  // dbase. N12345 is UAL operated by SKW in the dbase, the aircraft DLH's.
  struct Case {
    const char* registration;
    const char* regcodeTitle;  // empty: none
    bool respawns;
    bool takesDbaseCodes;
  };
  const Case cases[] = {
      {"N12345", test::g_fallbackLiveryTitle.data(), false, false},  // its own livery already
      {"N12345", "UAL N12345 own paint", true, true},               // another title: codes and respawn
      {"N99999", "Private N99999", true, false},                    // unknown to the dbase, own title
      {"N99999", "", false, false},                                 // unknown, no title: kept
      {"N12345", "", true, true},                                   // dbase codes differ
  };
  engine.hooks.regcodeTitle = RegcodeTitles::lookUp;
  std::uint32_t hexid = 20001;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.registration) + " / " + c.regcodeTitle);
    RegcodeTitles::registration = c.registration;
    RegcodeTitles::title = c.regcodeTitle;
    ++hexid;
    LiveAc& a = activeAircraft(hexid, "DLH" + std::to_string(hexid));
    ASSERT_EQ(a.liveryTitle, test::g_fallbackLiveryTitle);
    const AcCodes before = a.codes;
    LiveReport r = report(hexid, a.callsign, 2000.0);
    r.ident.registration = c.registration;
    EXPECT_EQ(lf_checkRespawn(a, r, engine), !c.respawns);
    EXPECT_EQ(a.simState, c.respawns ? SimState::liveryrespawn : SimState::active);
    EXPECT_EQ(a.liveryTitle.empty(), c.respawns);
    EXPECT_EQ(a.codes.airlineId != before.airlineId, c.takesDbaseCodes);
    EXPECT_EQ(a.registration, c.registration);
  }
}

}  // namespace
}  // namespace vexo
