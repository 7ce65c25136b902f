// The stand search for live aircraft, who gives way on a spawn, and the stand names the
// "SimClient" thread reads.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "airports/static_cycle.h"
#include "engine/aircraft_texts.h"
#include "engine/engine_hooks.h"
#include "engine/ground_movement.h"
#include "engine/learned_flight.h"
#include "engine/movement.h"
#include "engine/situation_updates.h"
#include "engine/spawning.h"
#include "engine_dbase.h"
#include "refdata/dbase_lookups.h"
#include "refdata/dbase_tables.h"
#include "simlink/sim_actions.h"
#include "stands_fixture.h"
#include "test_support.h"

namespace vexo {
namespace {

using test::northOf;
using test::nm;
using test::StandsTest;

const LatLon g_base{test::g_baseLat, test::g_baseLon};

TEST_F(StandsTest, AStandFitsAWingspanUpTo1Point8MetresOverItsRadius) {
  addStand("A1", 30.0, 10.0);
  struct Case {
    double halfSpan;
    bool found;
  };
  for (const Case c : {Case{11.5, true}, Case{12.0, false}}) {
    LiveAc& a = live("DLH1", c.halfSpan, FlightState::taxi);
    EXPECT_EQ(lf_findStandFor(g_base, a, nm(55.0), false) != nullptr, c.found) << c.halfSpan;
  }
  EXPECT_EQ(g_stands[0].radius_change, 0);
}

TEST_F(StandsTest, ASmallStandWithin20MetresIsTakenAndEnlarged) {
  addStand("A1", 15.0, 8.0);
  LiveAc& a = live("DLH1", 12.0, FlightState::taxi);
  ASSERT_EQ(lf_findStandFor(g_base, a, nm(55.0), false), &g_stands[0]);
  EXPECT_NEAR(g_stands[0].radius, nm(11.0), 1e-12);
  EXPECT_EQ(g_stands[0].radius_change, 1);
}

TEST_F(StandsTest, AWideSearchPrefersALearnedStandOnlyWithoutANearOne) {
  ParkingPosition& learned = addStand("L70", 70.0, 40.0);
  LearnedFlight f;
  f.callsign = "DLH1";
  f.index = 1;
  f.codes.airlineId = 7;
  learned.learnedFlights.push_back(f);
  LiveAc& a = live("DLH1", 17.0, FlightState::taxi);
  EXPECT_EQ(lf_findStandFor(g_base, a, nm(55.0), true), &learned);
  addStand("N50", 50.0, 40.0);  // later in table order, within 55 m
  EXPECT_EQ(lf_findStandFor(g_base, a, nm(55.0), true)->id, "N50");
}

TEST_F(StandsTest, HelipadsAreForHelicoptersOnly) {
  addStand("H1", 10.0, 5.0, true);
  addStand("G1", 200.0, 40.0);
  LiveAc& plane = live("DLH1", 17.0, FlightState::taxi);
  EXPECT_EQ(lf_findStandFor(g_base, plane, nm(55.0), false), nullptr);
  EXPECT_NEAR(g_stands[0].radius, nm(5.0), 1e-12);  // not enlarged for the refused plane
  LiveAc& heli = live("HELI1", 6.0, FlightState::taxi);
  heli.category = AcCategory::Rotorcraft;
  EXPECT_EQ(lf_findStandFor(g_base, heli, nm(55.0), false), &g_stands[0]);
  EXPECT_EQ(lf_findStandFor(LatLon{northOf(200.0), test::g_baseLon}, heli, nm(55.0), false), nullptr);
}

TEST_F(StandsTest, TheSameStandPositionIsSearchedOnce) {
  LiveAc& a = live("DLH1", 17.0, FlightState::taxi);
  a.stream.push_back(StreamPos{.lat = test::g_baseLat, .lon = test::g_baseLon});
  try2Park(a, false, engine);  // no stands yet
  addStand("A1", 5.0, 40.0);
  try2Park(a, false, engine);  // same position: no new search
  EXPECT_EQ(a.flightState, FlightState::taxi);
  EXPECT_EQ(a.sid, 0u);
}

// The reserved stand is the user's: a taxiing aircraft does not park there.
TEST_F(StandsTest, ATaxiingAircraftLeavesTheReservedStandFree) {
  addStand("A1", 5.0, 40.0);
  for (const bool reserved : {true, false}) {
    SCOPED_TRACE(reserved);
    engine.liveAcs.clear();
    g_reservedStand = reserved ? "A1" : "";
    LiveAc& a = live("DLH1", 17.0, FlightState::taxi);
    a.pushBackSpeed = 5.0;
    a.stream.push_back(StreamPos{.lat = test::g_baseLat, .lon = test::g_baseLon});
    try2Park(a, false, engine);
    EXPECT_EQ(a.sid, reserved ? 0U : 1U);
    EXPECT_EQ(a.flightState, reserved ? FlightState::taxi : FlightState::parking);
  }
  g_reservedStand.clear();
}

// A taxiing aircraft whose reports end standing looks for a stand there when it comes in
// at 5 kt or less within 35 m of that last position, or at once while its stream is being
// extended (up to 55 m around after landing here, else 20 m); not when it has just left a
// stand (unless towed).
TEST_F(StandsTest, ATaxiingAircraftThatStopsLooksForAStandUnlessItHasJustLeftOne) {
  struct Case {
    FlightState previous;
    std::uint8_t towed;
    std::int32_t stepsLeft;
    double nextKt, lastMetres;
    bool parks;
    std::uint8_t landedHere = 0;
    double standBeyondLast = 0.0;  // metres
  };
  const Case cases[] = {{FlightState::taxi, 0, 0, 5.0, 34.0, true},       {FlightState::taxi, 0, 0, 5.1, 34.0, false},
                        {FlightState::taxi, 0, 0, 5.0, 36.0, false},      {FlightState::taxi, 0, 2, 12.0, 100.0, true},
                        {FlightState::parked, 0, 0, 5.0, 10.0, false},    {FlightState::pushing_back, 0, 0, 5.0, 10.0, false},
                        {FlightState::pushed_back, 0, 0, 5.0, 10.0, false}, {FlightState::pushed_back, 1, 0, 5.0, 10.0, true},
                        {FlightState::taxi, 0, 2, 12.0, 100.0, true, 1, 30.0}, {FlightState::taxi, 0, 2, 12.0, 100.0, false, 0, 30.0}};
  for (const Case& c : cases) {
    engine.liveAcs.clear();
    g_stands.clear();
    addStand("A1", c.lastMetres + c.standBeyondLast, 30.0);
    LiveAc& a = live("DLH1", 17.0, FlightState::taxi);
    a.onGround = 1;
    a.pushBackSpeed = 5.0;
    a.prevFlightState = c.previous;
    a.towed = c.towed;
    a.stepsLeft = c.stepsLeft;
    a.landedHere = c.landedHere;
    StreamPos front{.lat = test::g_baseLat, .lon = test::g_baseLon};
    front.groundSpeed = c.nextKt;
    StreamPos next = front;
    next.lat = northOf(c.lastMetres);
    next.dueTick = 1000;
    StreamPos last = next;
    last.groundSpeed = 0.0;
    last.stationary = 1;
    last.dueTick = 2000;
    a.stream = {front, next, last};
    nextPosGround(a, engine);
    const std::string what = fmt::format("after {} towed {} steps {} at {} kt, {} m, landed {}, stand {} m on",
                                         gf_flightStateName(c.previous), c.towed, c.stepsLeft, c.nextKt, c.lastMetres,
                                         c.landedHere, c.standBeyondLast);
    EXPECT_EQ(a.flightState, c.parks ? FlightState::parking : FlightState::taxi) << what;
    EXPECT_EQ(a.sid, c.parks ? 1u : 0u) << what;
  }
}

// A stand that another live aircraft is driving onto is not given to a second one; one
// parked there makes way for the newer report, and one on its way out is no obstacle.
TEST_F(StandsTest, ATaxiingAircraftTakesNoStandAnotherIsParkingAt) {
  addStand("A1", 5.0, 40.0);
  struct Case {
    FlightState other;
    SimState otherSim;
    bool taken;         // the taxiing aircraft parks there
    bool otherRemoved;  // the other is removed for it
  };
  const Case cases[] = {
      {FlightState::parking, SimState::active, false, false},
      {FlightState::parked, SimState::active, true, true},
      {FlightState::parking, SimState::removingfromsim, true, true},
      {FlightState::taxi, SimState::active, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.other));
    engine.liveAcs.clear();
    LiveAc& other = live("DLH1", 17.0, c.other);
    other.sid = 1;
    other.simState = c.otherSim;
    LiveAc& a = live("DLH2", 17.0, FlightState::taxi);
    a.pushBackSpeed = 5.0;
    a.stream.push_back(StreamPos{.lat = test::g_baseLat, .lon = test::g_baseLon});
    try2Park(a, false, engine);
    EXPECT_EQ(a.sid, c.taken ? 1U : 0U);
    EXPECT_EQ(a.flightState, c.taken ? FlightState::parking : FlightState::taxi);
    EXPECT_EQ(removed(other), c.otherRemoved);
  }
}

// A parking aircraft that runs out of positions on its stand parks there and marks the
// stand taken by a live aircraft, its stand distances counted afresh; a second one that
// arrives while the mark stands leaves without it.
TEST_F(StandsTest, AnAircraftArrivingAtItsStandMarksItTakenByALiveAircraft) {
  const ParkingPosition& stand = addStand("A1", 0.0, 30.0);
  const auto arriving = [&](const char* callsign) -> LiveAc& {
    LiveAc& a = live(callsign, 17.0, FlightState::parking);
    a.onGround = 1;
    a.sid = stand.sid;
    a.standLat = stand.latitude;
    a.standLon = stand.longitude;
    a.maxStandDistance = 0.01;
    a.standDistanceSteps = 2;
    a.stream.push_back(StreamPos{.lat = test::g_baseLat, .lon = test::g_baseLon});
    return a;
  };
  LiveAc& first = arriving("DLH1");
  lf_arriveAtStand(first, engine);
  EXPECT_EQ(first.flightState, FlightState::parked);
  EXPECT_TRUE(gf_standHasLive(stand.sid));
  EXPECT_EQ(first.maxStandDistance, 0.0);
  EXPECT_EQ(first.standDistanceSteps, 0);
  LiveAc& second = arriving("DLH2");
  lf_arriveAtStand(second, engine);
  EXPECT_EQ(second.simState, SimState::removingfromsim);
  EXPECT_TRUE(gf_standHasLive(stand.sid));
}

TEST_F(StandsTest, ASpawnAndAParkedAircraftOfTheSameFlightKeepTheRealOne) {
  addStand("A1", 0.0, 40.0);
  LiveAc& real = live("ABC123");
  real.sid = 1;
  EXPECT_FALSE(lf_freeStandForSpawn(1, "ABC123_", engine));
  EXPECT_EQ(real.simState, SimState::active);
  real.callsign = "ABC123_";  // now the ghost stands there
  static std::string askedBy;
  engine.hooks.removing = [](const StaticAc&, std::string_view asker) { askedBy = asker; };
  EXPECT_TRUE(lf_freeStandForSpawn(1, "ABC123", engine));
  EXPECT_TRUE(removed(real));
  EXPECT_EQ(askedBy, "lf_freeStandForSpawn");  // the removal's cause, as the churn counts it
}

TEST_F(StandsTest, AnEmptyCallsignIsNoGhostOfAOneLetterCallsign) {
  addStand("A1", 0.0, 40.0);
  LiveAc& there = live("A");
  there.sid = 1;
  there.parkedByReport = 1;
  EXPECT_FALSE(lf_freeStandForSpawn(1, "", engine));
  EXPECT_EQ(there.simState, SimState::active);
}

// A static aircraft on the stand a taxiing aircraft takes makes way: one whose creation
// still waits in the queue is withdrawn and forgotten, one whose creation is on its way
// goes as soon as it is created, one in the simulator is removed. Static aircraft on
// other stands stay, in their order.
TEST_F(StandsTest, AStaticAircraftOnTheStandALiveAircraftTakesMakesWay) {
  addStand("A1", 5.0, 40.0);
  addStand("B1", 300.0, 40.0);
  struct Case {
    SimState state;
    bool queued;
    bool erased, removeWhenCreated, removing;
    const char* logged;
  };
  const Case cases[] = {
      {SimState::adding2sim, true, true, false, false,
       "queued A1      : S1*      D-ASTA makes way for the same live version DLH2"},
      {SimState::adding2sim, false, false, true, false, ""},
      {SimState::active, false, false, false, true, "A1      : S1*      D-ASTA makes way for DLH2"},
      {SimState::removingfromsim, false, false, false, true, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(fmt::format("{} queued {}", static_cast<int>(c.state), c.queued));
    engine.liveAcs.clear();
    engine.staticAcs.clear();
    engine.staticAddQueue.clear();
    test::LogCapture log;
    stat("S0*", 2);
    StaticAc& s = stat("S1*", 1);
    s.simState = c.state;
    s.registration = "D-ASTA";
    s.previousCallsign = c.queued ? "DLH2" : "";  // learned from this very flight
    stat("S2*", 2);
    const auto queue = [&](const char* callsign, std::uint32_t hexid) {
      AiCreateAction& action = engine.staticAddQueue.emplace_back();
      action.callsign = callsign;
      action.hexid = hexid;
    };
    queue("S9*", 9);
    if (c.queued) queue("S1*", s.hexid);
    LiveAc& a = live("DLH2", 17.0, FlightState::taxi);
    a.pushBackSpeed = 5.0;
    a.stream.push_back(StreamPos{.lat = test::g_baseLat, .lon = test::g_baseLon});
    try2Park(a, false, engine);
    ASSERT_EQ(a.sid, 1U);

    std::vector<std::string> left;
    for (const StaticAc& t : engine.staticAcs) left.push_back(t.callsign);
    const std::vector<std::string> all = {"S0*", "S1*", "S2*"};
    const std::vector<std::string> others = {"S0*", "S2*"};
    EXPECT_EQ(left, c.erased ? others : all);
    ASSERT_EQ(engine.staticAddQueue.size(), 1U) << "only its own creation is withdrawn";
    EXPECT_EQ(engine.staticAddQueue.front().callsign, "S9*");
    if (!c.erased) {
      const StaticAc& t = engine.staticAcs[1];
      EXPECT_EQ(t.removeWhenCreated, c.removeWhenCreated ? 1 : 0);
      EXPECT_EQ(removed(t), c.removing);
    }
    EXPECT_FALSE(removed(engine.staticAcs.front()));
    EXPECT_FALSE(removed(engine.staticAcs.back()));
    if (*c.logged != 0) {
      EXPECT_TRUE(log.contains(c.logged)) << log.text();
    }
  }
}

// The wingspans of the models by model id, for the stand neighbours' collision test; the
// dbase's table is put back afterwards.
struct ModelHalfSpans {
  explicit ModelHalfSpans(const std::vector<double>& metres) : kept(std::move(g_dbase.halfWingspanById)) {
    g_dbase.halfWingspanById.clear();
    for (const double m : metres) g_dbase.halfWingspanById.push_back(nm(m));
  }
  ~ModelHalfSpans() { g_dbase.halfWingspanById = std::move(kept); }
  ModelHalfSpans(const ModelHalfSpans&) = delete;
  ModelHalfSpans& operator=(const ModelHalfSpans&) = delete;
  std::vector<double> kept;
};

// A live aircraft parked on an adjacent stand whose wing would reach the new one's (both
// models' half spans times 1.1 against the distance of the stands) refuses the stand to a
// spawn and is removed for an aircraft that taxis onto it; only one standing there
// (parked or pushing back) and in the simulator counts.
TEST_F(StandsTest, ALiveAircraftOnAnAdjacentStandGoesWhenTheWingsWouldMeet) {
  const ModelHalfSpans spans({0.0, 17.0, 20.0, 19.0});  // (17 + 20) x 1.1 = 40.7, (17 + 19) x 1.1 = 39.6
  addStand("A1", 5.0, 40.0);
  addStand("B1", 45.0, 40.0);     // 40 m apart
  g_stands[0].adjacent = {2, 9};  // 9: no such stand
  struct Case {
    FlightState state;
    SimState sim;
    std::uint16_t model;
    bool collides;
  };
  const Case cases[] = {
      {FlightState::parked, SimState::active, 2, true},  {FlightState::pushing_back, SimState::active, 2, true},
      {FlightState::parked, SimState::active, 3, false}, {FlightState::pushed_back, SimState::active, 2, false},
      {FlightState::taxi, SimState::active, 2, false},   {FlightState::parked, SimState::adding2sim, 2, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(fmt::format("{} sim {} model {}", gf_flightStateName(c.state), static_cast<int>(c.sim), c.model));
    engine.liveAcs.clear();
    LiveAc& neighbour = live("KLM1", 20.0, c.state);
    neighbour.sid = 2;
    neighbour.simState = c.sim;
    neighbour.codes.modelId = c.model;
    LiveAc& a = live("DLH2", 17.0, FlightState::taxi);
    a.codes.modelId = 1;
    a.pushBackSpeed = 5.0;
    a.stream.push_back(StreamPos{.lat = test::g_baseLat, .lon = test::g_baseLon});
    EXPECT_EQ(lf_adjacentStandClear(2, a, g_stands[0], engine), !c.collides);
    EXPECT_TRUE(lf_adjacentStandClear(9, a, g_stands[0], engine));
    try2Park(a, false, engine);
    ASSERT_EQ(a.sid, 1U);
    EXPECT_EQ(neighbour.simState == SimState::removingfromsim, c.collides);
  }
}

// The same for a static aircraft on an adjacent stand, by the half spans of the two records.
TEST_F(StandsTest, AStaticAircraftOnAnAdjacentStandMakesWayWhenTheWingsWouldMeet) {
  addStand("A1", 0.0, 40.0);
  addStand("B1", 40.0, 40.0);
  addStand("C1", 80.0, 40.0);  // beside, but not adjacent
  g_stands[0].adjacent = {2};
  struct Case {
    double halfSpan;
    SimState state;
    bool removed;
  };
  // (17 + 19.4) x 1.1 = 40.04 m, (17 + 19.3) x 1.1 = 39.93 m.
  const Case cases[] = {
      {19.4, SimState::active, true}, {19.3, SimState::active, false}, {19.4, SimState::adding2sim, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.halfSpan);
    engine.staticAcs.clear();
    StaticAc& far = stat("S3*", 3);
    far.halfSpan = nm(60.0);
    StaticAc& s = stat("S2*", 2);
    s.halfSpan = nm(c.halfSpan);
    s.simState = c.state;
    StaticAc& second = stat("S4*", 2);
    second.halfSpan = nm(c.halfSpan);
    const LiveAc& a = live("DLH2", 17.0, FlightState::taxi);
    lf_makeWayForLive(a, g_stands[0], engine);
    EXPECT_EQ(removed(s), c.removed);
    EXPECT_FALSE(removed(far));
    // One static aircraft makes way; with the first not in the simulator, the next does.
    EXPECT_EQ(removed(second), c.state != SimState::active);
  }
}

// A spawn at a stand where a live aircraft stands: who gives way.
TEST_F(StandsTest, ASpawnTakesTheStandFromAnotherLiveAircraftUnlessThatOneWasReportedThere) {
  addStand("A1", 0.0, 40.0);
  struct Case {
    const char* there;
    FlightState state;
    SimState sim;
    std::uint8_t parkedByReport;
    const char* spawn;
    bool free, thereRemoved;
  };
  const Case cases[] = {
      {"DLH1", FlightState::parked, SimState::active, 0, "KLM2", true, true},
      {"DLH1", FlightState::pushed_back, SimState::active, 0, "KLM2", true, true},
      {"DLH1", FlightState::pushing_back, SimState::active, 0, "KLM2", true, true},
      {"DLH1", FlightState::parked, SimState::active, 1, "KLM2", false, false},
      {"DLH1", FlightState::parked, SimState::active, 1, "DLH1", true, true},   // the same flight again
      {"DLH1_", FlightState::parked, SimState::active, 1, "KLM2", true, true},  // a ghost gives way
      {"DLH1", FlightState::parked, SimState::active, 0, "KLM2_", false, false},
      {"DLH1", FlightState::taxi, SimState::active, 0, "KLM2", true, false},
      {"DLH1", FlightState::parked, SimState::adding2sim, 0, "KLM2", true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(
        fmt::format("{} {} by report {}, spawn {}", c.there, gf_flightStateName(c.state), c.parkedByReport, c.spawn));
    engine.liveAcs.clear();
    LiveAc& there = live(c.there, 17.0, c.state);
    there.sid = 1;
    there.simState = c.sim;
    there.parkedByReport = c.parkedByReport;
    EXPECT_EQ(lf_freeStandForSpawn(1, c.spawn, engine), c.free);
    EXPECT_EQ(there.simState == SimState::removingfromsim, c.thereRemoved);
  }
}

// Created parked, the aircraft stands on its stand from its first cycle: a static aircraft
// there goes, and the static parking forgets its candidates for that stand.
TEST_F(StandsTest, AnAircraftCreatedParkedTakesTheStandFromTheStaticAircraftThere) {
  addStand("A1", 0.0, 40.0);
  addStand("B1", 100.0, 40.0);
  engine.weekSlotNow = WeekSlot{3, 17};
  for (const std::uint32_t sid : {1U, 2U, 1U}) g_staticCandidates.emplace_back().sid = sid;
  StaticAc& other = stat("S0*", 2);
  StaticAc& queued = stat("S1*", 1);
  queued.simState = SimState::adding2sim;
  StaticAc& onStand = stat("S2*", 1);

  // Either way the aircraft is on the ground from its first cycle, its climb and rotation reset.
  const auto created = [&](const char* callsign, FlightState state) -> LiveAc& {
    LiveAc& a = live(callsign, 17.0, state);
    a.sid = 1;
    a.climbStep = 2.0;
    a.phaseCounter = 40;
    lf_onGroundAtCreation(a, engine);
    EXPECT_EQ(a.onGround, 1);
    EXPECT_EQ(a.climbStep, 0.0);
    EXPECT_EQ(a.phaseCounter, 1);
    return a;
  };
  created("KLM1", FlightState::taxi);
  EXPECT_FALSE(removed(onStand)) << "only an aircraft created parked takes the stand";
  EXPECT_EQ(g_staticCandidates.size(), 3U);

  const LiveAc& a = created("DLH1", FlightState::parked);
  EXPECT_EQ(a.parkedDay, 3U);
  EXPECT_EQ(a.parkedSlot, 17U);
  EXPECT_TRUE(removed(onStand));
  EXPECT_FALSE(removed(queued));
  EXPECT_FALSE(removed(other));
  ASSERT_EQ(g_staticCandidates.size(), 1U);
  EXPECT_EQ(g_staticCandidates[0].sid, 2U);
}

TEST_F(StandsTest, ANewStandTableForgetsTheCachedStandName) {
  link.userOnGround = true;
  addStand("OLD1", 0.0, 40.0);
  EXPECT_EQ(g_standNames.nearest(test::g_baseLat, test::g_baseLon), "OLD1");
  g_stands.clear();
  addStand("NEW1", 0.0, 40.0);
  EXPECT_EQ(g_standNames.nearest(test::g_baseLat, test::g_baseLon), "NEW1");
  gf_clearStands();
  EXPECT_EQ(g_standNames.nearest(test::g_baseLat, test::g_baseLon), "");
  addStand("FAR", 56.0, 40.0);
  EXPECT_EQ(g_standNames.nearest(test::g_baseLat, test::g_baseLon), "");
}

// The "SimClient" thread asks while the tick thread replaces the table: it only ever sees
// a whole published table (checked under the thread sanitizer).
TEST_F(StandsTest, StandNamesAreReadFromThePublishedTableWhileItChanges) {
  std::atomic<bool> stop{false};
  std::thread simClient([&] {
    while (!stop) {
      const std::string name = g_standNames.nearest(test::g_baseLat, test::g_baseLon);
      EXPECT_TRUE(name.empty() || name == "S1") << name;
    }
  });
  for (int i = 0; i < 200; ++i) {
    gf_clearStands();
    addStand("S1", 0.0, 40.0);
    addStand("S2", 30.0, 40.0);
  }
  stop = true;
  simClient.join();
}

// Learning at the stands: the events that the spawn, the reports and the identity updates
// give, each learned at its stand in the engine's current week slot.
class StandLearning : public StandsTest {
protected:
  StandLearning() {
    test::loadEngineDbase();
    engine.weekSlotNow = WeekSlot{2, 20};
    g_parkAirport.icao = IcaoCode("KTST");
    g_parkAirport.latitude = test::g_baseLat;
    g_parkAirport.longitude = test::g_baseLon;
    g_airportFileUpdates = 0;
  }
  ~StandLearning() override { test::unloadEngineDbase(); }

  // A record waiting for its spawn, reported standing twice at metres north of the base.
  LiveAc& standingAt(double metresNorth, const char* registration = "D-ABCD") {
    LiveAc& a = live("DLH400", 17.0, FlightState::birth);
    a.simState = SimState::buffer;
    a.registration = registration;
    a.codes = *gf_dbaseLookup(registration);
    for (int n = 0; n < 2; ++n) {
      StreamPos p;
      p.lat = northOf(metresNorth);
      p.lon = test::g_baseLon;
      p.stationary = n;
      a.stream.push_back(p);
    }
    return a;
  }
  static std::vector<std::string> learned(std::uint32_t sid) {
    std::vector<std::string> texts;
    for (const LearnedFlight& f : gf_standBySid(sid)->learnedFlights)
      texts.push_back(fmt::format("{} d{} {}{}", f.registration, f.day, gf_bitset2range(f.hh).value_or("?"),
                                  f.cpl ? " cpl" : ""));
    return texts;
  }
};

TEST_F(StandLearning, AnAircraftReportedStandingSpawnsParkedAndIsLearnedUnlessTheUserStandsThere) {
  const ParkingPosition& stand = addStand("A1", 0.0, 30.0);
  LiveAc& a = standingAt(8.0);
  const auto found = lf_checkStandAtSpawn(a, engine);
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(found->sid, stand.sid);
  EXPECT_NE(a.stream.front().stationary, 0);
  lf_parkAtSpawn(a, *found, engine);
  EXPECT_EQ(a.flightState, FlightState::parked);
  EXPECT_EQ(learned(1), (std::vector<std::string>{"D-ABCD d2 20"}));

  // The user's aircraft stands on the stand: no stand, and the record waits.
  LiveAc& b = standingAt(8.0, "N12345");
  link.userOnGround = true;
  UserAcData user;
  user.latitude = northOf(1.0);
  user.longitude = test::g_baseLon;
  engine.userAc.set(user);
  EXPECT_FALSE(lf_checkStandAtSpawn(b, engine).has_value());
  EXPECT_EQ(b.eraseFromBuffer, 0);
  // Far from the park airport no stand is looked for.
  g_parkAirport.latitude = northOf(10'000.0);
  link.userOnGround = false;
  EXPECT_FALSE(lf_checkStandAtSpawn(b, engine).has_value());
}

// Only the stand the user stands on is the user's stand: in the air the user keeps the stand
// reserved at the airport, and that one is refused to a new aircraft whatever the user does.
TEST_F(StandLearning, AtSpawnTheReservedStandIsRefusedAlwaysTheUsersStandWhileTheUserStandsOnIt) {
  addStand("A1", 0.0, 30.0);
  UserAcData user;
  user.latitude = northOf(1.0);
  user.longitude = test::g_baseLon;
  engine.userAc.set(user);
  const struct {
    bool userOnGround;
    const char* reserved;
    bool found;
  } cases[] = {{true, "", false}, {false, "", true}, {false, "A1", false}, {true, "B1", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "on ground " << c.userOnGround << ", reserved '" << c.reserved << "'");
    link.userOnGround = c.userOnGround;
    g_reservedStand = c.reserved;
    LiveAc& a = standingAt(8.0);
    EXPECT_EQ(lf_checkStandAtSpawn(a, engine).has_value(), c.found);
    EXPECT_EQ(a.eraseFromBuffer, 0) << "the record waits";
    engine.liveAcs.pop_back();
  }
  g_reservedStand.clear();
}

// More live aircraft parked than the static parking wants: the longest parked goes. Still
// reported standing at its stand, it is not created parked again (it would push the next
// one off, and so on at every report); created moving, or after the user left the
// airport, it is an aircraft like any other.
TEST_F(StandLearning, AnAircraftTakenOffItsStandForTheParkedCountIsNotCreatedParkedAgain) {
  g_wantedStaticCount = 1;
  addStand("A1", 0.0, 30.0);
  addStand("B1", 200.0, 30.0);
  LiveAc& first = standingAt(8.0);
  const std::uint32_t firstHexid = first.hexid;
  auto stand = lf_checkStandAtSpawn(first, engine);
  ASSERT_TRUE(stand.has_value());
  lf_parkAtSpawn(first, *stand, engine);
  first.simState = SimState::active;
  clockNow = 600'000'000;  // a minute later
  LiveAc& second = standingAt(208.0, "N12345");
  stand = lf_checkStandAtSpawn(second, engine);
  ASSERT_TRUE(stand.has_value());
  lf_parkAtSpawn(second, *stand, engine);  // two parked, one wanted
  second.simState = SimState::active;
  EXPECT_EQ(first.simState, SimState::removingfromsim);

  const auto reportedAgain = [&](double metresNorth, bool moving) -> LiveAc& {
    LiveAc& a = standingAt(metresNorth);
    a.hexid = firstHexid;
    if (moving)
      for (StreamPos& p : a.stream) p.stationary = 0, p.groundSpeed = 12.0;
    return a;
  };
  LiveAc& standing = reportedAgain(8.0, false);
  EXPECT_FALSE(lf_checkStandAtSpawn(standing, engine).has_value());
  EXPECT_NE(standing.eraseFromBuffer, 0) << "the record is dropped";
  EXPECT_EQ(second.simState, SimState::active);

  LiveAc& taxiing = reportedAgain(100.0, true);
  taxiing.liveryTitle = "Some livery";
  spawnLiveAc(taxiing, engine);
  EXPECT_EQ(taxiing.flightState, FlightState::taxi);
  EXPECT_TRUE(lf_checkStandAtSpawn(reportedAgain(8.0, false), engine).has_value());

  engine.maxParkRemoved.insert(firstHexid);
  gf_clearParkAirport(engine);  // the user leaves
  EXPECT_TRUE(engine.maxParkRemoved.empty());
}

TEST_F(StandLearning, MovingAtItsStandClosesTheStayAndANewCodeWordIsLearnedAtOnce) {
  addStand("A1", 0.0, 30.0);
  LiveAc& a = live("DLH400");
  a.registration = "D-ABCD";
  a.sid = 1;
  a.prevFlightState = FlightState::parking;
  a.stream.push_back(StreamPos{});
  engine.weekSlotNow = WeekSlot{2, 19};
  lf_addRealStandOption(1, a, 0, engine);
  engine.weekSlotNow = WeekSlot{2, 20};
  StreamPos r;
  lf_reParkAtStand(a, r, engine);
  EXPECT_EQ(learned(1), (std::vector<std::string>{"D-ABCD d2 19:20 cpl"}));

  // Reported with another registration of its airline: the stand learns that aircraft.
  LiveReport report;
  report.ident.registration = "D-AIMA";
  report.ident.callsign = "DLH400";
  a.flightState = FlightState::parked;
  a.stepsLeft = 0;
  lf_checkRespawn(a, report, engine);
  EXPECT_EQ(learned(1), (std::vector<std::string>{"D-ABCD d2 19:20 cpl", "D-AIMA d2 20"}));
}

TEST_F(StandLearning, ACargoAircraftOnAStandTakenAsNoCargoStandClearsItsCargoFlag) {
  ParkingPosition& stand = addStand("A1", 0.0, 30.0);
  stand.cargo = 1;
  LiveAc& a = standingAt(0.0, "D-ALCI");
  lf_parkAtSpawn(a, StandAtSpawn{stand.latitude, stand.longitude, 0.0, stand.sid, 0}, engine);
  EXPECT_EQ(stand.cargo, 0);
  EXPECT_EQ(stand.cargo_change, 1);
  // One update for the cargo flag, one for the learned flight.
  EXPECT_EQ(g_airportFileUpdates, 2U);
}

}  // namespace
}  // namespace vexo
