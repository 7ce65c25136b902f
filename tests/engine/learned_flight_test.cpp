#include "engine/learned_flight.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "airports/airports_state.h"
#include "engine/aircraft.h"
#include "engine/traffic_engine.h"
#include "engine_dbase.h"
#include "refdata/codes.h"

namespace vexo::test {
namespace {

// D-ABCD: A320, Large. D-HEAV: B77W, Heavy (added here). D-ALCI: B77L, a cargo aircraft.
class LearnedFlightTest : public ::testing::Test {
protected:
  void SetUp() override {
    loadEngineDbase();
    AcCodes heavy;
    heavy.airlineId = gf_airlineCode2Id("KLM");
    heavy.modelId = gf_modelCode2Id("B77W");
    heavy.marker = 1;
    g_dbase.dbaseRecords.push_back(DbaseRecord{"D-HEAV", heavy});
    std::ranges::sort(g_dbase.dbaseRecords, {}, &DbaseRecord::registration);
    gf_resetAirportsState();
    g_stands.emplace_back("B7", std::vector<LearnedFlight>{}, 50.0, 8.0, 0.0, 30.0, 0, false, false, false);
    g_stands.back().sid = 1;
    g_airportFileUpdates = 0;
  }
  void TearDown() override {
    gf_resetAirportsState();
    g_weekSlotNow = WeekSlot{};
    unloadEngineDbase();
  }
  void at(std::int32_t day, std::int32_t slot, LiveAc& aircraft, std::int32_t event = 0) {
    g_weekSlotNow = WeekSlot{day, slot};
    lf_addRealStandOption(1, aircraft, event, g_trafficEngine);
  }
  static LiveAc aircraft(const char* registration, const char* callsign = "DLH1") {
    LiveAc a;
    a.registration = registration;
    a.callsign = callsign;
    return a;
  }
  static std::vector<LearnedFlight>& flights() { return g_stands[0].learnedFlights; }
};

TEST_F(LearnedFlightTest, AStayIsExtendedAndClosedWhenTheAircraftLeaves) {
  LiveAc a = aircraft("D-ABCD_", "DLH123_");
  at(3, 20, a);      // parks at 10:00
  at(3, 23, a, 3);   // reported far from its stand at 11:30
  ASSERT_EQ(flights().size(), 1U);
  const LearnedFlight& f = flights()[0];
  EXPECT_EQ(gf_bitset2range(f.hh), "20:23");
  EXPECT_EQ(f.cpl, 1);
  EXPECT_EQ(f.registration, "D-ABCD");
  EXPECT_EQ(f.callsign, "DLH123");
  EXPECT_EQ(f.day, 3U);
  EXPECT_EQ(f.codes.marker, 1) << "the dbase's code word";
  at(3, 26, a);  // back later that day: the closed flight is not extended
  EXPECT_EQ(flights().size(), 2U);
}

TEST_F(LearnedFlightTest, TheLongestExtensionDependsOnTheAircraft) {
  const struct {
    const char* registration;
    std::int32_t span;
    std::size_t flights;
  } cases[] = {{"D-ABCD", 5, 1}, {"D-ABCD", 6, 2}, {"D-HEAV", 7, 1}, {"D-HEAV", 8, 2},
               {"D-ALCI", 11, 1}, {"D-ALCI", 12, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.registration) + " " + std::to_string(c.span));
    flights().clear();
    LiveAc a = aircraft(c.registration);
    at(2, 10, a);
    at(2, 10 + c.span, a);
    EXPECT_EQ(flights().size(), c.flights);
  }
}

// A caller that keeps the last slot of a stay across calls extends it over midnight, here
// the week's end: the older day's slots go into its flight, the new day's into a new one.
TEST_F(LearnedFlightTest, AStayOverMidnightAndTheWeeksEndGoesIntoTwoFlights) {
  const LiveAc a = aircraft("D-ABCD", "DLH9");
  auto [index, added] = gf_addLearnedFlight(flights(), a.codes, WeekSlot{7, 46}, "DLH9", "D-ABCD", 0);
  ASSERT_TRUE(added);
  LastSlot last{WeekSlot{7, 46}, 0};
  ASSERT_TRUE(gf_extendLearnedFlight(WeekSlot{1, 1}, flights(), index, last, a, "D-ABCD", 0));
  ASSERT_EQ(flights().size(), 2U);
  EXPECT_EQ(flights()[0].day, 7U);
  EXPECT_EQ(gf_bitset2range(flights()[0].hh), "46:47");
  EXPECT_EQ(flights()[1].day, 1U);
  EXPECT_EQ(gf_bitset2range(flights()[1].hh), "0:1");
  EXPECT_EQ(flights()[1].callsign, "DLH9");
  EXPECT_EQ(last.slot, (WeekSlot{1, 1}));
  EXPECT_EQ(last.nextIndex, 2U);
  // Learning at the stand files by today's flights: Monday's one is extended.
  LiveAc parked = aircraft("D-ABCD");
  at(1, 3, parked);
  EXPECT_EQ(flights().size(), 2U);
  EXPECT_EQ(gf_bitset2range(flights()[1].hh), "0:3");
}

TEST_F(LearnedFlightTest, NothingIsLearnedWithoutAKnownAircraftOrSlot) {
  LiveAc unknown = aircraft("X-UNKN");
  at(1, 4, unknown);
  LiveAc a = aircraft("D-ABCD");
  at(0, 0, a);    // after a reset
  at(-1, -1, a);  // a failed conversion
  at(8, 4, a);
  g_weekSlotNow = WeekSlot{1, 4};
  lf_addRealStandOption(2, a, 0, g_trafficEngine);  // no such stand
  EXPECT_TRUE(flights().empty());
  EXPECT_EQ(g_airportFileUpdates, 0U);
  at(1, 4, a);
  at(1, 4, a);
  EXPECT_EQ(flights().size(), 1U) << "twice in one half hour is one flight";
  EXPECT_EQ(g_airportFileUpdates, 1U);
}

// Closing a stay changes what the learned file must say: it counts as an update.
TEST_F(LearnedFlightTest, ClosingAFlightCountsAsAnUpdate) {
  LiveAc a = aircraft("D-ABCD");
  at(4, 30, a);
  g_airportFileUpdates = 0;
  at(4, 30, a, 2);
  EXPECT_EQ(flights()[0].cpl, 1);
  EXPECT_EQ(g_airportFileUpdates, 1U);
}

TEST_F(LearnedFlightTest, AFlightOfTheAirportFileAtAnotherTimeKeepsTheAircraftFromBeingLearned) {
  LearnedFlight archived;
  archived.registration = "D-ABCD";
  archived.day = 5;
  archived.hh.set(3);
  archived.index = 1;
  archived.archived = 1;
  flights().push_back(archived);
  LiveAc a = aircraft("D-ABCD");
  at(5, 20, a);
  EXPECT_EQ(flights().size(), 1U);
  at(6, 20, a);
  EXPECT_EQ(flights().size(), 2U);
}

TEST_F(LearnedFlightTest, CallsignsAndSlotLists) {
  std::vector<LearnedFlight> list(1);
  list[0].index = 1;
  gf_addCallsignToFlight(list, 1, "A1_");
  gf_addCallsignToFlight(list, 1, "A1");
  gf_addCallsignToFlight(list, 1, "B2");
  gf_addCallsignToFlight(list, 1, "C3");
  EXPECT_EQ(list[0].callsign, "A1");
  EXPECT_EQ(list[0].callsign2, "C3");
  EXPECT_EQ(gf_slotsBackFrom(WeekSlot{1, 1}, 4), (std::vector<std::uint32_t>{1, 0, 47, 46}));
  std::vector<std::uint32_t> bad{48};
  EXPECT_FALSE(updateOptions(list, bad, 1));
  std::vector<std::uint32_t> none{3};
  EXPECT_FALSE(updateOptions(list, none, 2));
}

TEST_F(LearnedFlightTest, TheSameRegistrationInTheSameSlotOnAnotherDayIsAnotherFlight) {
  std::vector<LearnedFlight> list;
  AcCodes codes;
  codes.marker = 1;
  EXPECT_TRUE(gf_addLearnedFlight(list, codes, WeekSlot{2, 5}, "DLH1", "D-ABCD", 0).second);
  EXPECT_FALSE(gf_addLearnedFlight(list, codes, WeekSlot{2, 5}, "DLH1", "D-ABCD", 0).second) << "the same flight";
  EXPECT_TRUE(gf_addLearnedFlight(list, codes, WeekSlot{3, 5}, "DLH1", "D-ABCD", 0).second) << "another day";
  ASSERT_EQ(list.size(), 2U);
  EXPECT_EQ(list[1].day, 3U);
}

}  // namespace
}  // namespace vexo::test
