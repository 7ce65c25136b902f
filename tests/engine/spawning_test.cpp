// Spawning: the ordered rules of the spawn decision, ghosts, capacity and livery respawn.
#include <gtest/gtest.h>

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
