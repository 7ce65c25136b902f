// Placing static candidates on a row of ten stands, each next to the one after it.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "airports/airports_state.h"
#include "airports/static_parking.h"
#include "engine/engine_hooks.h"
#include "engine/spawning.h"
#include "engine/traffic_engine.h"
#include "refdata/codes.h"
#include "test_support.h"

namespace vexo::test {
namespace {

// Every candidate's livery, unless the simulator refused it: no livery index here.
constexpr std::string_view g_staticTestLivery = "Boeing 737-800 Paint1";

class StaticPlacementTest : public ::testing::Test {
protected:
  void SetUp() override {
    engine.hooks.matchStaticLivery = [](StaticAc& a, const ParkingPosition&,
                                        const std::unordered_set<std::string>& refused) {
      if (!refused.contains(std::string(g_staticTestLivery))) a.liveryTitle = g_staticTestLivery;
      return !a.liveryTitle.empty();
    };
    gf_resetAirportsState();
    gf_resetStaticParkingState();
    for (std::uint32_t i = 1; i <= 10; ++i) {
      g_stands.emplace_back("B" + std::to_string(i), std::vector<LearnedFlight>{}, 52.0 + 0.001 * i, 4.0, 0.5, 30.0,
                            0, false, false, false);
      g_stands.back().sid = i;
      if (i > 1) g_stands.back().adjacent.push_back(i - 1);
      if (i < 10) g_stands.back().adjacent.push_back(i + 1);
    }
    engine.weekSlotNow = WeekSlot{4, 2};  // Thursday 01:00
  }
  void TearDown() override {
    gf_resetStaticParkingState();
    gf_resetAirportsState();
  }
  void candidate(std::uint32_t sid, const std::string& first, const std::string& second = "", std::uint8_t stays = 1,
                 std::uint32_t offset = 0) {
    g_staticCandidates.push_back(StaticCandidate{sid, offset, {}, first, second, "PH-" + first, stays});
  }
  StaticAc& existing(std::uint32_t sid, std::uint32_t hexid) {
    StaticAc ac;
    ac.sid = sid;
    ac.hexid = hexid;
    ac.callsign = "OLD" + std::to_string(hexid) + "*";
    engine.staticAcs.push_back(ac);
    return engine.staticAcs.back();
  }

  SimLink link;
  TrafficEngine engine{link};
  LogCapture log;
};

TEST(StaticCallsignTest, TrailingUnderscoresGoStarStaysOnce) {
  struct Case {
    std::string name, callsign, left;
  };
  for (Case c : {Case{"SAS123_", "SAS123*", "SAS123"}, Case{"SAS123*", "SAS123*", "SAS123*"},
                 Case{"SAS1__", "SAS1*", "SAS1"}, Case{"", "*", ""}}) {
    std::string name = c.name;
    EXPECT_EQ(gf_staticCallsign(name), c.callsign);
    EXPECT_EQ(name, c.left);
  }
}

// Three slots back from 01:00 is 23:30 of the day before.
TEST_F(StaticPlacementTest, PlacesLastCandidateWithItsParkedTimeAndCreation) {
  candidate(7, "KLM9", "KLM10");
  candidate(3, "SAS123_", "", 1, 3);
  lf_detcs(engine);
  ASSERT_EQ(engine.staticAcs.size(), 1U);
  const StaticAc& ac = engine.staticAcs[0];
  EXPECT_EQ(ac.callsign, "SAS123*");
  EXPECT_EQ(ac.previousCallsign, "SAS123_");
  EXPECT_EQ(ac.registration, "PH-SAS123_");
  EXPECT_EQ(ac.hexid, 1U);
  EXPECT_EQ(ac.sid, 3U);
  EXPECT_EQ(ac.simState, SimState::adding2sim);
  EXPECT_EQ(ac.parkedDay, 3U);
  EXPECT_EQ(ac.parkedSlot, 47U);
  ASSERT_EQ(engine.staticAddQueue.size(), 1U);
  const AiCreateAction& create = engine.staticAddQueue.front();
  EXPECT_EQ(create.callsign, "SAS123*");
  EXPECT_EQ(create.hexid, 1U);
  EXPECT_DOUBLE_EQ(create.initPosition.Latitude, 52.003);
  EXPECT_NEAR(create.initPosition.Heading, 28.6479, 1e-3);
  EXPECT_EQ(create.initPosition.OnGround, 1U);
  EXPECT_EQ(g_staticCandidates.size(), 1U);
}

TEST_F(StaticPlacementTest, LeavingAircraftTakesSecondName) {
  candidate(7, "KLM9", "KLM10", 0);
  lf_detcs(engine);
  ASSERT_EQ(engine.staticAcs.size(), 1U);
  EXPECT_EQ(engine.staticAcs[0].callsign, "KLM10*");
  EXPECT_EQ(engine.staticAcs[0].auxName, "KLM10");
}

TEST_F(StaticPlacementTest, NamelessCandidateGetsAirlineAndRunningNumber) {
  const std::uint16_t dlh = g_airlinePool.intern("DLH");
  engine.staticCounter = 9998;
  g_staticCandidates.push_back(StaticCandidate{5, 0, AcCodes{dlh, 0, 0, 0}, "", "", "D-ABCD", 1});
  g_staticCandidates.push_back(StaticCandidate{2, 0, AcCodes{dlh, 0, 0, 0}, "", "", "D-ABCE", 1});
  lf_detcs(engine);
  lf_detcs(engine);
  ASSERT_EQ(engine.staticAcs.size(), 2U);
  EXPECT_EQ(engine.staticAcs[0].callsign, "DLH9999*");
  EXPECT_EQ(engine.staticAcs[1].callsign, "DLH0*");
  EXPECT_EQ(engine.staticAcs[1].hexid, 0U);
}

// After the wrap the numbers 1 and 2 still belong to placed aircraft.
TEST_F(StaticPlacementTest, RunningNumberSkipsNumbersStillInUse) {
  existing(10, 1);
  existing(10, 2);
  engine.staticCounter = 0;
  candidate(4, "KLM4");
  lf_detcs(engine);
  ASSERT_EQ(engine.staticAcs.size(), 3U);
  EXPECT_EQ(engine.staticAcs.back().hexid, 3U);
  EXPECT_EQ(engine.staticAddQueue.back().hexid, 3U);
}

TEST_F(StaticPlacementTest, RefusalsDropTheCandidate) {
  LiveAc live;
  live.sid = 3;
  live.callsign = "LIVE1";
  live.flightState = FlightState::parking;
  engine.liveAcs.push_back(live);
  candidate(3, "ON");
  lf_detcs(engine);
  EXPECT_TRUE(log.contains("no static parking for ON, live aircraft LIVE1 standing here"));
  candidate(4, "NEXT");
  lf_detcs(engine);
  EXPECT_TRUE(log.contains("no static parking for NEXT, live aircraft LIVE1 is adjacent at"));
  existing(8, 50);
  candidate(7, "BYSTATIC");
  lf_detcs(engine);
  EXPECT_TRUE(log.contains("no static parking for BYSTATIC, static aircraft OLD50* is adjacent at"));
  candidate(0, "NOSTAND");
  lf_detcs(engine);
  EXPECT_TRUE(log.contains("stand with id"));
  g_stands[5].occupied = 1;
  candidate(6, "OCC");
  lf_detcs(engine);
  EXPECT_TRUE(log.contains("no static parking for OCC, live aircraft occupies the stand"));
  EXPECT_TRUE(g_staticCandidates.empty());
  EXPECT_EQ(engine.staticAcs.size(), 1U);
  EXPECT_TRUE(engine.staticAddQueue.empty());
}

TEST_F(StaticPlacementTest, NoLiveryLeavesNoRecord) {
  link.refusedLiveryTitles.insert(std::string(g_staticTestLivery));
  candidate(5, "KLM5");
  lf_detcs(engine);
  EXPECT_TRUE(engine.staticAcs.empty());
  EXPECT_TRUE(engine.staticAddQueue.empty());
}

// A renewal removes the aircraft it replaces just before it places the successor: one on
// its way out makes room, any other state blocks its stand and the stands next to it.
TEST_F(StaticPlacementTest, OnlyAnAircraftOnItsWayOutMakesRoomForItsSuccessor) {
  struct Case {
    SimState state;
    std::uint8_t removeWhenCreated;
    bool placed;
  };
  for (const Case c : {Case{SimState::removingfromsim, 0, true}, Case{SimState::adding2sim, 1, true},
                       Case{SimState::active, 0, false}, Case{SimState::adding2sim, 0, false},
                       Case{SimState::buffer, 0, false}})
    for (const std::uint32_t sid : {5U, 6U}) {
      engine.staticAcs.clear();
      engine.staticAddQueue.clear();
      StaticAc& old = existing(5, 60);
      old.simState = c.state;
      old.removeWhenCreated = c.removeWhenCreated;
      candidate(sid, "NEW");
      lf_detcs(engine);
      EXPECT_EQ(engine.staticAddQueue.size(), c.placed ? 1U : 0U) << static_cast<int>(c.state) << " on " << sid;
    }
}

}  // namespace
}  // namespace vexo::test
