#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>

#include "engine_fixture.h"
#include "simlink/sim_vocabulary.h"
#include "test_support.h"

namespace vexo {
namespace {

using test::EngineTest;
using test::HookState;
namespace E = ClientEventId;

// The engine handles a take's responses straight from the list; when their handling is cut
// short (an error 81 on the way), none of them may come back with a later take.
TEST(SimResponses, ATakeGivesWhatCameSinceTheLastTakeWhetherThatOneWasHandledOrNot) {
  SimResponseList list;
  gf_pushSimResponse({101, 0, 0, SimResponseKind::removed, 0.0, 0.0}, list);
  gf_pushSimResponse({102, 0, 0, SimResponseKind::removed, 0.0, 0.0}, list);
  ASSERT_EQ(gf_takeSimResponses(list).size(), 2u);  // and never handled
  gf_pushSimResponse({103, 0, 0, SimResponseKind::removed, 0.0, 0.0}, list);
  const std::vector<SimResponse> taken = gf_takeSimResponses(list);
  ASSERT_EQ(taken.size(), 1u);
  EXPECT_EQ(taken[0].objectId, 103u);
  EXPECT_TRUE(gf_takeSimResponses(list).empty());
}

TEST_F(EngineTest, ANewObjectSettlesTwoSecondsWithTheLightsToggledAtFiftyAndHundred) {
  const std::uint32_t id = untilCreated(20001, "DLH1");
  postponePositions(20001);
  cycles(49);
  EXPECT_EQ(sim.eventsFor(id, E::ALL_LIGHTS_TOGGLE), 0u);
  cycle();
  EXPECT_EQ(sim.eventsFor(id, E::ALL_LIGHTS_TOGGLE), 1u);
  cycles(49);
  EXPECT_EQ(sim.eventsFor(id, E::ALL_LIGHTS_TOGGLE), 1u);
  cycle();
  EXPECT_EQ(sim.eventsFor(id, E::ALL_LIGHTS_TOGGLE), 2u);
  cycles(100);
  EXPECT_EQ(find(20001)->simState, SimState::adding2sim);  // the counter reached 200
  EXPECT_TRUE(sim.lastPositions.empty());
  cycle();
  EXPECT_EQ(find(20001)->simState, SimState::active);
  EXPECT_TRUE(engine.createdObjects.empty());
  // Airborne at 5000 ft, 3000 ft above the ground: engines, spoilers in, lights.
  EXPECT_EQ(sim.eventsFor(id, E::ENGINE_AUTO_START), 1u);
  EXPECT_EQ(sim.eventsFor(id, E::SPOILERS_SET), 1u);
  EXPECT_EQ(sim.eventsFor(id, E::LANDING_LIGHTS_SET), 1u);
  EXPECT_EQ(sim.events.back().eventId, E::CABIN_LIGHTS_SET);
  EXPECT_EQ(sim.events.back().data, 1u);
  cycle();
  EXPECT_EQ(sim.lastPositions.size(), 1u);
}

// The lights of an aircraft that starts in the air: landing and logo lights up to 10000 ft,
// cabin lights from 2000 ft above the ground.
TEST_F(EngineTest, AnAircraftCreatedInTheAirStartsWithTheLightsOfItsHeight) {
  struct Case {
    double altitude, aboveGround;
    std::uint32_t landing, cabin;
  };
  const Case cases[] = {{10000.0, 2000.0, 1, 1},
                        {std::nextafter(10000.0, 1e9), 2000.0, 0, 1},
                        {5000.0, std::nextafter(2000.0, 0.0), 1, 0}};
  std::uint32_t hexid = 20001;
  for (const Case& c : cases) {
    const std::uint32_t id = untilCreated(hexid, "DLH" + std::to_string(hexid));
    postponePositions(hexid);
    for (int i = 0; i < 400 && find(hexid)->simState != SimState::active; ++i) {
      find(hexid)->altitude = c.altitude;
      find(hexid)->aboveGround = c.aboveGround;
      cycle();
    }
    ASSERT_EQ(find(hexid)->simState, SimState::active);
    std::map<std::uint32_t, std::uint32_t> lights;
    for (const SimEventAction& e : sim.events)
      if (e.objectId == id) lights[e.eventId] = e.data;
    EXPECT_EQ(lights[E::LANDING_LIGHTS_SET], c.landing) << c.altitude << " " << c.aboveGround;
    EXPECT_EQ(lights[E::LOGO_LIGHTS_SET], c.landing) << c.altitude << " " << c.aboveGround;
    EXPECT_EQ(lights[E::CABIN_LIGHTS_SET], c.cabin) << c.altitude << " " << c.aboveGround;
    EXPECT_EQ(lights[E::NAV_LIGHTS_SET], 1u);
    EXPECT_EQ(lights[E::BEACON_LIGHTS_SET], 1u);
    EXPECT_EQ(lights[E::STROBES_SET], 1u);
    EXPECT_EQ(lights[E::TAXI_LIGHTS_SET], 0u);
    ++hexid;
  }
}

TEST_F(EngineTest, AnAircraftCreatedOnTheGroundTaxiesWithItsTaxiLightsThrottleAndFlaps) {
  untilCreated(20001, "DLH1", 0.0);
  postponePositions(20001);
  cycles(g_settleCycles + 1);
  LiveAc& a = *find(20001);
  ASSERT_EQ(a.simState, SimState::active);
  EXPECT_EQ(a.flightState, FlightState::taxi);
  EXPECT_EQ(sim.eventsFor(a.objectid, E::TAXI_LIGHTS_SET), 1u);
  EXPECT_EQ(a.throttleIndex, 0u);
  EXPECT_EQ(a.flapsIndex, 1u);
  EXPECT_EQ(sim.eventsFor(a.objectid, E::FLAPS_SET), 1u);
  EXPECT_EQ(sim.eventsFor(a.objectid, E::THROTTLE_SET), 1u);
}

TEST_F(EngineTest, AnAircraftCreatedOnTheGroundIsOnTheGroundBeforeTheSimulatorSaysSo) {
  // The scripted simulator never answers the on-ground question here: the creation alone
  // must put the aircraft on the ground, or its first steps are those of one in the air.
  const std::uint32_t id = untilCreated(20001, "DLH1", 0.0);
  cycle();
  LiveAc& a = *find(20001);
  EXPECT_EQ(a.onGround, 1u);
  EXPECT_EQ(a.climbStep, 0.0);
  for (int i = 0; i < g_settleCycles + 400; ++i) {
    cycle();
    ASSERT_NE(find(20001)->flightState, FlightState::flying) << "at tick " << tick();
    for (const AiPositionAction& p : sim.lastPositions) ASSERT_GE(p.altitude, 0.0);
  }
  EXPECT_EQ(sim.eventsFor(id, ClientEventId::GEAR_SET), 0u);
  EXPECT_EQ(find(20001)->reportedVerticalRate, 0.0);
}

TEST_F(EngineTest, TheRemovalConfirmedErasesTheRecordOrPutsALiveryRespawnBackInBuffer) {
  LiveAc& a = activeAircraft(20001, "DLH1");
  removeAircraftFromSim(a, engine);
  cycles(30);
  EXPECT_EQ(find(20001), nullptr);

  LiveAc& b = activeAircraft(20002, "DLH2");
  const std::uint32_t id = b.objectid;
  b.simState = SimState::liveryrespawn;
  b.throttleIndex = 2;
  sim.objects.erase(id);  // the simulator removed it
  gf_removeFlightPlan(id, engine);
  ASSERT_NE(find(20002), nullptr);
  EXPECT_EQ(find(20002)->simState, SimState::buffer);
  EXPECT_EQ(find(20002)->objectid, 0u);
  EXPECT_EQ(find(20002)->throttleIndex, 5u);
  EXPECT_EQ(find(20002)->flapsIndex, 4u);
}

// The plan is written under the aircraft's hexid when its object is created; the removal
// must take that same file away, or every aircraft that left keeps its plan on disk for
// the rest of the run.
TEST_F(EngineTest, TheRemovalConfirmedDeletesTheAircraftsFlightPlan) {
  test::TempDir plans;
  link.flightPlanFolder = plans.path();
  LiveReport first = dueNow(report(20001, "DLH1", 1000.0));
  LiveReport second = dueNow(report(20001, "DLH1", 1010.0, 34.01));
  for (LiveReport* r : {&first, &second}) {
    r->ident.origin = IataCode("FRA");
    r->ident.destination = IataCode("LAX");
  }
  handOver(first);
  handOver(second);
  for (int i = 0; i < 600 && (find(20001) == nullptr || find(20001)->simState != SimState::active); ++i) cycle();
  ASSERT_NE(find(20001), nullptr);
  ASSERT_EQ(find(20001)->hasFlightPlan, 1u);
  ASSERT_EQ(std::distance(std::filesystem::directory_iterator(plans.path()), {}), 1);
  removeAircraftFromSim(*find(20001), engine);
  cycles(30);
  EXPECT_EQ(find(20001), nullptr);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(plans.path()), {}), 0);
  link.flightPlanFolder.clear();
}

TEST_F(EngineTest, OnGroundReports) {
  LiveAc& a = activeAircraft(20001, "DLH1");
  const std::uint32_t id = a.objectid;
  // In take-off: ignored but for the height above ground.
  a.flightState = FlightState::take_off;
  sim.inject({id, 1, 0, SimResponseKind::onGround, 120.0, 35.0});
  cycle();
  EXPECT_EQ(a.onGround, 0);
  EXPECT_EQ(a.aboveGround, 35.0);
  // From a landing: the touchdown.
  a.flightState = FlightState::flying;
  a.approach = 1;
  a.pitch = -0.05;
  a.bank = 0.02;
  a.staticPitch = 0.01;
  a.staticCgHeight = 8.0;
  engine.landingInProgress = true;
  const std::size_t spoilersBefore = sim.eventsFor(id, E::SPOILERS_SET);
  sim.inject({id, 1, 0, SimResponseKind::onGround, 120.0, 4.0});
  lf_handleSimResponses(engine);
  EXPECT_EQ(a.onGround, 1);
  EXPECT_EQ(a.derotating, 1);
  EXPECT_EQ(a.landingRoll, 1);
  EXPECT_EQ(a.landedHere, 1);
  EXPECT_EQ(a.approach, 0);
  EXPECT_FALSE(engine.landingInProgress);
  EXPECT_EQ(HookState::aiControls, 1);  // a Large aircraft: spoilers and throttles block
  EXPECT_DOUBLE_EQ(a.pitchStep, (0.01 + 0.05) / 350);
  EXPECT_DOUBLE_EQ(a.bankStep, -0.02 / 350);
  EXPECT_EQ(a.altitude, 128.0);
  EXPECT_EQ(engine.touchdownList.back(), 20001u);
  sim.frame();
  EXPECT_EQ(sim.eventsFor(id, E::SPOILERS_SET), spoilersBefore + 1);
  // Already on the ground: only the height and altitude follow.
  sim.inject({id, 1, 0, SimResponseKind::onGround, 130.0, 3.0});
  lf_handleSimResponses(engine);
  EXPECT_EQ(HookState::aiControls, 1);
  EXPECT_EQ(a.aboveGround, 3.0);
  EXPECT_EQ(a.altitude, 138.0);
}

// Past its rotation a take-off that comes down again is on the ground when the simulator
// says so; while it rotates or climbs the answer only gives its height.
TEST_F(EngineTest, ATakeOffComingDownAgainEndsOnTheGround) {
  LiveAc& a = activeAircraft(20001, "DLH1");
  const std::uint32_t id = a.objectid;
  a.flightState = FlightState::take_off;
  a.takeOffRoll = 1;
  a.staticCgHeight = 8.0;
  struct Case {
    std::int32_t phaseCounter;
    double climbStep;
  };
  for (const Case c : {Case{1, -0.1}, Case{-50, 0.0}, Case{-50, 0.1}}) {
    a.phaseCounter = c.phaseCounter;
    a.climbStep = c.climbStep;
    sim.inject({id, 1, 0, SimResponseKind::onGround, 120.0, 0.0});
    lf_handleSimResponses(engine);
    EXPECT_EQ(a.onGround, 0) << c.phaseCounter << " " << c.climbStep;
    EXPECT_EQ(a.flightState, FlightState::take_off);
  }
  a.phaseCounter = 0;
  a.climbStep = -0.1;
  sim.inject({id, 1, 0, SimResponseKind::onGround, 120.0, 0.0});
  lf_handleSimResponses(engine);
  EXPECT_EQ(a.onGround, 1);
  EXPECT_EQ(a.flightState, FlightState::taxi);
  EXPECT_EQ(a.prevFlightState, FlightState::take_off);
  EXPECT_EQ(a.takeOffRoll, 0);
  EXPECT_EQ(a.climbStep, 0.0);
  EXPECT_EQ(a.phaseCounter, 1);
  EXPECT_EQ(a.altitude, 128.0);
}

TEST_F(EngineTest, StaticDataWithinItsLimits) {
  LiveAc& a = activeAircraft(20001, "DLH1");
  const struct {
    double cg, pitchDeg;
    double wantCg, wantPitchDeg;
  } cases[] = {{40.0, 3.0, 0.0, 0.7}, {35.0, 2.5, 35.0, 2.5},  {1.0, -1.0, 1.0, 0.7},
               {0.99, -0.99, 1.0, -0.99}, {12.0, 0.0, 12.0, 0.0}};
  for (const auto& c : cases) {
    sim.inject({a.objectid, 0, 0, SimResponseKind::staticCg, c.cg, c.pitchDeg * 0.017453292519943295});
    lf_handleSimResponses(engine);
    EXPECT_EQ(a.staticCgHeight, c.wantCg) << c.cg;
    EXPECT_NEAR(a.staticPitch, c.wantPitchDeg * 0.017453292519943295, 1e-12) << c.pitchDeg;
  }
}

TEST_F(EngineTest, ACreationFailureErasesTheRecordAndRefusesItsLivery) {
  sim.failHexids.insert(20001);
  handOver(dueNow(report(20001, "DLH1", 1000.0)));
  handOver(dueNow(report(20001, "DLH1", 1010.0, 34.01)));
  engine.liveAcs.reserve(4);
  cycles(3);
  find(20001)->liveryTitle = "Boeing 737 Lufthansa";
  cycles(100);
  EXPECT_EQ(find(20001), nullptr);
  EXPECT_TRUE(link.refusedLiveryTitles.contains("Boeing 737 Lufthansa"));
}

TEST_F(EngineTest, SettersSendOnlyOnAChangeOfIndex) {
  LiveAc& a = activeAircraft(20001, "DLH1");
  const std::size_t before = sim.events.size();
  gf_setThrottle(a, a.throttleIndex, link);
  gf_setThrottle(a, 5, link);
  EXPECT_EQ(a.throttleIndex, 5u);
  gf_setThrottle(a, 2, link);
  gf_setFlaps(a, a.flapsIndex, link);
  {
    test::LogCapture log;
    gf_setFlaps(a, 5, link);
    EXPECT_TRUE(log.contains("gf_setFlaps: invalid flaps index"));
  }
  gf_setFlaps(a, 3, link);
  gf_setGear(a, 1, link);
  sim.frame();
  ASSERT_EQ(sim.events.size(), before + 3);
  EXPECT_EQ(sim.events[before].eventId, E::THROTTLE_SET);
  EXPECT_EQ(sim.events[before].data, 8191u);
  EXPECT_EQ(sim.events[before + 1].eventId, E::FLAPS_SET);
  EXPECT_EQ(sim.events[before + 1].data, 16383u);
  EXPECT_EQ(sim.events[before + 2].eventId, E::GEAR_SET);
  a.category = AcCategory::Rotorcraft;
  gf_setSpoilers(a, true, link);
  gf_setGear(a, 0, link);
  gf_setFlaps(a, 0, link);
  sim.frame();
  EXPECT_EQ(sim.events.size(), before + 3);
}

TEST_F(EngineTest, FinishParkingTurnsTheEnginesOffAndTheCabinLightsOnUnlessACargoStand) {
  LiveAc& a = activeAircraft(20001, "DLH1");
  lf_finishParking(a, engine);
  sim.frame();
  EXPECT_EQ(sim.eventsFor(a.objectid, E::ENGINE_AUTO_SHUTDOWN), 1u);
  EXPECT_EQ(sim.events.back().eventId, E::CABIN_LIGHTS_SET);
  EXPECT_EQ(sim.events.back().data, 1u);
  a.standFlag = 1;
  lf_finishParking(a, engine);
  sim.frame();
  EXPECT_EQ(sim.events.back().data, 0u);
}

TEST_F(EngineTest, AStaticObjectSettlesParkedWithItsEnginesOff) {
  test::LogCapture log;
  AcIdent ident;
  ident.callsign = "DLH9*";
  StaticAc parked(gf_makeAcData(ident), 0, 34.0, -118.0, 0.0, 0);
  parked.hexid = 7;
  parked.simState = SimState::adding2sim;
  engine.staticAcs.push_back(parked);
  AiCreateAction action;
  action.callsign = "DLH9*";
  action.hexid = 7;
  engine.staticAddQueue.push_back(action);
  for (int i = 0; i < 60 && sim.objectOf(7) == 0; ++i) cycle();
  const std::uint32_t id = sim.objectOf(7);
  ASSERT_NE(id, 0u);
  cycles(200);
  EXPECT_EQ(engine.staticAcs[0].simState, SimState::adding2sim);
  cycle();
  EXPECT_EQ(engine.staticAcs[0].simState, SimState::active);
  EXPECT_EQ(engine.staticAcs[0].objectid, id);
  EXPECT_EQ(sim.eventsFor(id, E::ALL_LIGHTS_TOGGLE), 0u);  // only live objects
  EXPECT_EQ(sim.eventsFor(id, E::ENGINE_AUTO_SHUTDOWN), 1u);
  EXPECT_TRUE(log.contains("sid==0? : DLH9*    parked"));
}


}  // namespace
}  // namespace vexo
