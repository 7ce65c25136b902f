// The renewal and leaving the park airport on a small synthetic park airport: ten stands
// in a row, 0.001 degrees (0.06 nm) apart, each next to the one after it.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <initializer_list>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "airports/static_cycle.h"
#include "stand_row_fixture.h"
#include "realtraffic/traffic_receiver.h"
#include "refdata/dbase_tables.h"

namespace vexo::test {
namespace {

LearnedFlight flight(const std::string& callsign, const std::string& reg, std::initializer_list<int> slots,
                     const std::string& callsign2 = "") {
  return learnedFlight(callsign, reg, 3, slots, 1, callsign2);
}

class StaticCycleTest : public StandRowTest {
protected:
  void SetUp() override {
    StandRowTest::SetUp();
    g_parkAirport.icao = IcaoCode("EHAM");
  }
  StaticAc& placed(std::uint32_t sid, const std::string& name, const std::string& reg, WeekSlot parked,
                   const std::string& second = "") {
    StaticAc& ac = placeStatic(sid, name + "*", g_narrow, 0.01, parked);
    ac.hexid = sid;
    ac.objectid = 100 + sid;
    ac.previousCallsign = name;
    ac.auxName = second;
    ac.registration = reg;
    return ac;
  }
  LiveAc& live(std::uint32_t hexid, FlightState state, SimState simState, std::uint32_t sid) {
    LiveAc ac;
    ac.hexid = hexid;
    ac.callsign = "LIVE" + std::to_string(hexid);
    ac.objectid = hexid - 10000;
    ac.flightState = state;
    ac.simState = simState;
    ac.sid = sid;
    ac.standLat = 52.0;
    ac.standLon = 4.0;
    ac.parkedByReport = 1;
    engine.liveAcs.push_back(ac);
    return engine.liveAcs.back();
  }
  std::vector<std::string> removedStatics() const {
    std::vector<std::string> names;
    for (const StaticAc& ac : engine.staticAcs)
      if (ac.simState == SimState::removingfromsim) names.push_back(ac.callsign);
    return names;
  }
};

// More aircraft than wanted: the candidates go first, then the longest-parked static
// aircraft, and a live parked aircraft only when nothing else is left.
TEST_F(StaticCycleTest, ARenewalBeyondTheWantedCountDropsCandidatesThenStaticsThenLiveParked) {
  struct Case {
    int maxPark;
    std::vector<std::string> removed;  // static aircraft, in the order of removal
    bool liveRemoved;
    std::size_t candidates;
  };
  for (const Case& c : {Case{4, {}, false, 1}, Case{3, {}, false, 0}, Case{2, {"S1*"}, false, 0},
                        Case{1, {"S1*", "S5*"}, false, 0}, Case{0, {"S1*", "S5*"}, true, 0}}) {
    SCOPED_TRACE(c.maxPark);
    engine.staticAcs.clear();
    engine.liveAcs.clear();
    engine.removalQueue.clear();
    for (ParkingPosition& stand : g_stands) stand.learnedFlights.clear();
    addFlight(1, flight("S1", "R1", {18, 19, 20, 21}));
    addFlight(5, flight("S5", "R5", {19, 20, 21}));
    addFlight(3, flight("NEW3", "R3", {20}));
    placed(1, "S1", "R1", {3, 18});  // parked longest
    placed(5, "S5", "R5", {3, 19});
    live(10009, FlightState::parked, SimState::active, 9);
    g_settings.MAX_PARK_SEL.value = c.maxPark;  // every stand may hold one: the maximum decides
    g_settings.CUSTOM_PARKING_PERCENTAGE.value = 100;
    gf_adjustStaticParking(engine);
    EXPECT_EQ(g_staticCandidates.size(), c.candidates) << "the candidate goes first";
    std::vector<std::string> removed;
    for (const std::uint32_t id : engine.removalQueue)
      if (const StaticAc* ac = gf_findStaticAcByObjectId(engine, id)) removed.push_back(ac->callsign);
    EXPECT_EQ(removed, c.removed);
    EXPECT_EQ(engine.liveAcs[0].simState == SimState::removingfromsim, c.liveRemoved);
  }
}

// A live aircraft parked at the airport is not copied onto another stand by its learned
// flight, whichever of the flight's names it flies under.
TEST_F(StaticCycleTest, ARenewalPlacesNoStaticCopyOfALiveParkedAircraft) {
  for (const auto& [callsign, callsign2, placed] :
       {std::tuple{"LIVE10009", "", false}, {"KLM9", "LIVE10009", false}, {"KLM9", "KLM8", true}}) {
    SCOPED_TRACE(callsign2);
    engine.liveAcs.clear();
    for (ParkingPosition& stand : g_stands) stand.learnedFlights.clear();
    addFlight(3, flight(callsign, "R3", {20}, callsign2));
    live(10009, FlightState::parked, SimState::active, 9);
    gf_adjustStaticParking(engine);
    EXPECT_EQ(g_staticCandidates.size(), placed ? 1U : 0U);
  }
}

// A renewal starts afresh: stands blocked by the last calculation are free again, and a
// flight taken out of it (its index 0) is numbered and used again.
TEST_F(StaticCycleTest, ARenewalFreesBlockedStandsAndUsesFlightsTakenOutBefore) {
  addFlight(4, flight("BLOCKED", "R4", {20}));
  addFlight(8, flight("TAKENOUT", "R8", {20}));
  g_stands[3].blocked = 1;
  g_stands[7].learnedFlights[0].index = 0;
  gf_adjustStaticParking(engine);
  std::vector<std::string> names;
  for (const StaticCandidate& c : g_staticCandidates) names.push_back(c.firstName);
  std::ranges::sort(names);
  EXPECT_EQ(names, (std::vector<std::string>{"BLOCKED", "TAKENOUT"}));
}

// More live aircraft parked than wanted: the renewal removes the excess at once, and says so.
TEST_F(StaticCycleTest, ARenewalRemovesLiveParkedBeyondTheWantedCount) {
  for (const auto& [liveCount, removed] : {std::pair{2, 0}, {3, 1}}) {
    SCOPED_TRACE(liveCount);
    engine.liveAcs.clear();
    for (int n = 0; n < liveCount; ++n) live(10001 + n, FlightState::parked, SimState::active, 1 + 4 * n);
    g_settings.MAX_PARK_SEL.value = 2;
    gf_adjustStaticParking(engine);
    EXPECT_EQ(std::ranges::count(engine.liveAcs, SimState::removingfromsim, &LiveAc::simState), removed);
    EXPECT_EQ(log_.contains("Parking adjustments: 1 more live ac than wanted"), removed == 1);
  }
}

// A kept aircraft whose flight ends with this half hour is placed again under the name of
// the flight that follows; the placement takes its parked time as now less the offset, so
// the offset is the time since it parked.
TEST_F(StaticCycleTest, ALeavingAircraftIsPlacedAgainWithTheTimeSinceItParked) {
  addFlight(2, flight("NEW2", "R2", {20}));  // found first: blocks the stands next to it
  addFlight(3, flight("L1", "RL", {16, 17, 18, 19, 20}, "L2"));
  placed(3, "L1", "RL", {3, 16}, "L2");
  g_settings.MAX_PARK_SEL.value = 2;
  gf_adjustStaticParking(engine);
  ASSERT_EQ(g_staticCandidates.size(), 2U);
  const StaticCandidate& again = g_staticCandidates.front();  // found farthest back: placed last
  EXPECT_EQ(again.sid, 3U);
  EXPECT_EQ(again.offset, 4U);
  EXPECT_EQ(again.stays, 0U) << "named after the flight that follows";
  EXPECT_EQ(again.secondName, "L2");
  EXPECT_EQ(g_staticCandidates.back().firstName, "NEW2");
  EXPECT_EQ(removedStatics(), std::vector<std::string>{"L1*"});
  EXPECT_EQ(gf_weekSlotBack(engine.weekSlotNow.load(), again.offset), (WeekSlot{3, 16}));
}

// Leaving the park airport takes every static aircraft and every live aircraft at its
// stands or on the way from them out of the simulator; a creation still waiting is
// withdrawn, one already sent is removed once it is there; flying aircraft stay.
TEST_F(StaticCycleTest, ClearingTheParkAirportRemovesStaticsAndLiveAircraftOnTheGround) {
  placed(1, "S1", "R1", {3, 18});
  StaticAc& waiting = placed(7, "S7", "R7", {3, 20});
  waiting.simState = SimState::adding2sim;
  waiting.objectid = 0;
  engine.staticAddQueue.push_back(AiCreateAction{});
  engine.staticAddQueue.back().callsign = "S7*";
  engine.staticAddQueue.back().hexid = 7;
  live(10001, FlightState::parked, SimState::active, 2);
  live(10002, FlightState::taxi, SimState::active, 4);
  live(10003, FlightState::flying, SimState::active, 0);
  live(10004, FlightState::pushing_back, SimState::adding2sim, 6);  // still on the adding stack
  engine.addingStack.push_back(10004);
  live(10005, FlightState::take_off, SimState::adding2sim, 8);  // creation sent already
  live(10006, FlightState::parked, SimState::buffer, 10);
  g_staticCandidates.push_back(StaticCandidate{5, 0, {}, "C5", "", "R", 1});

  gf_clearParkAirport(engine);

  std::vector<std::uint32_t> left;
  for (const LiveAc& ac : engine.liveAcs) left.push_back(ac.hexid);
  EXPECT_EQ(left, (std::vector<std::uint32_t>{10001, 10002, 10003, 10005, 10006})) << "order kept";
  EXPECT_EQ(engine.liveAcs[0].simState, SimState::removingfromsim);
  EXPECT_EQ(engine.liveAcs[1].simState, SimState::removingfromsim);
  EXPECT_EQ(engine.liveAcs[2].simState, SimState::active);
  EXPECT_EQ(engine.liveAcs[3].removeWhenCreated, 1U);
  for (const std::size_t i : {0U, 1U, 3U, 4U}) {
    EXPECT_EQ(engine.liveAcs[i].sid, 0U) << i;
    EXPECT_EQ(engine.liveAcs[i].standLat, 0.0) << i;
  }
  EXPECT_TRUE(engine.addingStack.empty());
  EXPECT_EQ(removedStatics(), std::vector<std::string>{"S1*"});
  EXPECT_EQ(engine.staticAcs.size(), 1U) << "the waiting creation withdrawn";
  EXPECT_TRUE(engine.staticAddQueue.empty());
  EXPECT_EQ(engine.removalQueue.size(), 3U);
  EXPECT_TRUE(g_staticCandidates.empty());
  EXPECT_TRUE(g_stands.empty());
  EXPECT_TRUE(g_parkAirport.icao.empty());
}

// The Traffic Reader adds callsigns while the calculation takes them: every callsign it
// was told was collected is among those taken.
TEST_F(StaticCycleTest, NoCallsignCollectedWhileTheCollectionIsTakenIsLost) {
  for (int round = 0; round < 200; ++round) {
    gf_startSeenCollection();
    std::atomic<bool> go{false};
    std::vector<std::string> collected;
    std::thread reader([&] {
      while (!go.load()) std::this_thread::yield();
      for (int i = 0; i < 2000; ++i) {
        std::string callsign = "CS" + std::to_string(i);
        if (g_trafficReceiver.collectCallsign(callsign)) collected.push_back(std::move(callsign));
      }
    });
    go = true;
    for (int i = 0; i < 50; ++i) std::this_thread::yield();
    lf_commitSeenCallsigns();
    reader.join();
    for (const std::string& callsign : collected)
      ASSERT_TRUE(g_seenCallsigns.contains(callsign)) << callsign << " lost in round " << round;
    EXPECT_FALSE(g_trafficReceiver.collectCallsigns.load());
  }
}

// The reset before a restart leaves nothing of the park airport for the next run: not the
// airport, its file's state, its stands, nor anything of its static parking.
TEST_F(StaticCycleTest, TheResetBeforeARestartEmptiesTheAirportsPart) {
  g_airportsState.fileLoaded = true;
  g_airportsState.fileOk = true;
  g_parkAirportSet = true;
  g_reservedStand = "A1";
  g_staticCandidates.push_back(StaticCandidate{5, 0, {}, "C5", "", "R", 1});
  g_staticRemovals.push_back(StaticRemoval{"S1*", 1});
  g_parkBusy = true;
  g_staticParkingState.recalculationDue = true;
  g_staticParkingState.softUsed = true;
  g_staticParkingState.realFitOffset = 7;
  g_airportFileUpdates = 4;
  gf_resetTraffic(engine);
  EXPECT_TRUE(g_parkAirport.icao.empty());
  EXPECT_FALSE(g_parkAirportSet);
  EXPECT_FALSE(g_airportsState.fileLoaded);
  EXPECT_FALSE(g_airportsState.fileOk);
  EXPECT_TRUE(g_reservedStand.empty());
  EXPECT_TRUE(g_stands.empty());
  EXPECT_TRUE(g_staticCandidates.empty());
  EXPECT_TRUE(g_staticRemovals.empty());
  EXPECT_FALSE(g_parkBusy);
  EXPECT_FALSE(g_staticParkingState.recalculationDue);
  EXPECT_FALSE(g_staticParkingState.softUsed);
  EXPECT_EQ(g_staticParkingState.realFitOffset, 0U);
  EXPECT_EQ(g_airportFileUpdates, 0U);
}

}  // namespace
}  // namespace vexo::test
